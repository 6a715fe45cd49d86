#include "UFDialogText.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

TUFormDialogText::TUFormDialogText(QWidget *parent) : TUFormDialog(parent)
{
    setWindowTitle(QStringLiteral("Ввод текста"));
    auto *layout = new QVBoxLayout(GBTop);
    layout->setContentsMargins(6, 6, 6, 6);
    LPromt->setParent(nullptr);
    LPromt->setParent(GBTop);
    layout->addWidget(LPromt);
    Memo = new QPlainTextEdit(GBTop);
    Memo->setObjectName(QStringLiteral("Memo"));
    QFont f = KitFont();
    f.setBold(true);
    Memo->setFont(f);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setTabChangesFocus(true);
    layout->addWidget(Memo, 1);
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
