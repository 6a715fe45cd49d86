#pragma once

#include "UFormHelper.h"

#include <QDialog>
#include <QPoint>

#include <memory>

class QComboBox;
class QLineEdit;

// The kit's look of forms and frames: Tahoma when installed (the platform's face otherwise),
// 12-pixel characters.
QFont KitFont();

// The base of every form. Keeps a logical enabled flag beside the window's own state (a change
// calls UpdateEnabled, where descendants lock or unlock their controls), focuses Focus when
// shown, and offers key filters for numeric fields and a text search for drop-down lists.
class TUFormCustom : public QDialog {
    Q_OBJECT
public:
    explicit TUFormCustom(QWidget *parent = nullptr);
    ~TUFormCustom() override;

    QWidget *Focus() const { return FFocus; }
    void SetFocus(QWidget *Value) { FFocus = Value; }
    TUFormHelper &Helper() const { return *FHelper; }
    bool IsEnabled() const { return FIsEnabled; }
    // Only a different value is stored, and calls UpdateEnabled.
    void SetIsEnabled(bool Value);
    // The window's enabled state and the logical flag together.
    void SetEnabled(bool Value);
    // Focuses Win when it is given and can take the focus.
    void TryFocus(QWidget *Win);

    // Marks a context-menu request as handled, so no menu shows.
    virtual void DropPopup(QObject *Sender, QPoint MousePos, bool &Handled);
    virtual void UpdateEnabled() {}

    // Key filters: each turns a rejected character into none; backspace always passes.
    void KeyPressForDigitalEdit(QObject *Sender, QChar &Key);
    void KeyPressForFloatEdit(QObject *Sender, QChar &Key);
    void KeyPressForFloatEditWNV(QObject *Sender, QChar &Key);
    void KeyPressForDigitalEditWithList(QObject *Sender, QChar &Key);
    // When the list of an editable drop-down closes: the text snaps to the item it names
    // (ignoring case), or to the first item.
    void ComboOnCloseUpTextSearch(QObject *Sender);

    // Wiring of the handlers above to a control, as a form definition would.
    using TKeyFilter = void (TUFormCustom::*)(QObject *, QChar &);
    void AttachKeyFilter(QLineEdit *Edit, TKeyFilter Filter);
    void AttachCloseUpTextSearch(class TUComboBox *Combo);
    void AttachDropPopup(QWidget *Control);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *FFocus = nullptr; // not owned
    std::unique_ptr<TUFormHelper> FHelper;
    bool FIsEnabled = true;
};
