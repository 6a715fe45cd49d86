#pragma once

#include "UFDialog.h"

#include <QStringList>

class QPlainTextEdit;

// Free text under a prompt. Enter in the text starts a new line; Escape cancels.
class TUFormDialogText : public TUFormDialog {
    Q_OBJECT
public:
    explicit TUFormDialogText(QWidget *parent = nullptr);

    QString Text() const;
    void SetText(const QString &Value);
    QStringList Lines() const;
    void SetLines(const QStringList &Value);

    QPlainTextEdit *Memo;
};
