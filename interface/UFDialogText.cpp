#include "UFDialogText.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>

TUFormDialogText::TUFormDialogText(QWidget *parent) : TUFormDialog(parent)
{
    setWindowTitle(QStringLiteral("Ввод текста"));
    Memo = new QPlainTextEdit(GBTop);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setTabChangesFocus(true);
    PlaceUnderPromt(Memo);
    SetFocus(Memo);
}

QString TUFormDialogText::Text() const { return Memo->toPlainText(); }

void TUFormDialogText::SetText(const QString &Value) { Memo->setPlainText(Value); }

QStringList TUFormDialogText::Lines() const
{
    if (Memo->document()->isEmpty())
        return {};
    return Memo->toPlainText().split(u'\n');
}

void TUFormDialogText::SetLines(const QStringList &Value) { Memo->setPlainText(Value.join(u'\n')); }
