#pragma once

#include "UFCustomGroup.h"

#include <QPushButton>

class QLabel;

// A button with a small glyph beside its caption, as the kit's dialogs use them: bold, the
// caption first and the glyph after it, 10 pixels apart.
class TUImageButton : public QPushButton {
    Q_OBJECT
public:
    TUImageButton(const QString &Caption, const QIcon &Glyph, int FontPixels, QWidget *parent = nullptr);

    // A click, only when the button is enabled and visible (the way Enter and Escape press it).
    bool ClickIfAvailable();
};

// A modal dialog with a prompt line, "OK" and "ОТМЕНА". Enter means OK and Escape cancel.
// Descendants fill in ClearData, LoadData and CheckData; no service work happens here.
class TUFormDialog : public TUFormCustomGroup {
    Q_OBJECT
public:
    explicit TUFormDialog(QWidget *parent = nullptr);

    QString Promt() const;
    void SetPromt(const QString &Value);

    virtual void ClearData() {}
    virtual void LoadData() {}
    // May "OK" close the dialog? A refusing descendant shows its own message.
    virtual bool CheckData() { return true; }
    // ClearData, LoadData, then modally; true exactly when it ended with "OK".
    virtual bool Execute();

    void OnButtonCloseClick();
    void OnButtonOkClick();
    // Enter presses "OK", Escape "ОТМЕНА", each only when that button is available.
    void OnKeyReturnOrEscPress(QObject *Sender, QChar &Key);
    void OnKeyEscapeDown(QObject *Sender, int Key);

    TUImageButton *ButtonOk;
    TUImageButton *ButtonClose;
    QLabel *LPromt;

protected:
    // Lays GBTop out as the prompt line with Control filling the rest under it.
    void PlaceUnderPromt(QWidget *Control);
    void keyPressEvent(QKeyEvent *event) override;
};

// The glyphs of the kit's dialog buttons.
QIcon KitGlyphOk();
QIcon KitGlyphCancel();
