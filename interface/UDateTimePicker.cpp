#include "UDateTimePicker.h"

#include <QCheckBox>
#include <QLineEdit>

TUDateTimePicker::TUDateTimePicker(QWidget *parent) : QDateTimeEdit(parent), FCheck(new QCheckBox(this))
{
    setCalendarPopup(true);
    setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    FCheck->setChecked(true);
    FCheck->setFocusPolicy(Qt::NoFocus);
    FCheck->hide();
    connect(FCheck, &QCheckBox::toggled, this, [this](bool on) {
        lineEdit()->setEnabled(on);
        emit checkedChanged(on);
    });
}

void TUDateTimePicker::SetShowCheckbox(bool Value)
{
    FShowCheckbox = Value;
    FCheck->setVisible(Value);
    // The date moves right to make room for the box.
    lineEdit()->setTextMargins(Value ? FCheck->sizeHint().width() : 0, 0, 0, 0);
}

bool TUDateTimePicker::Checked() const { return FCheck->isChecked(); }

void TUDateTimePicker::SetChecked(bool Value) { FCheck->setChecked(Value); }

void TUDateTimePicker::resizeEvent(QResizeEvent *event)
{
    QDateTimeEdit::resizeEvent(event);
    const QSize s = FCheck->sizeHint();
    FCheck->setGeometry(3, (height() - s.height()) / 2, s.width(), s.height());
}
