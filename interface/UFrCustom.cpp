#include "UFrCustom.h"

#include "UFCustom.h"

TUFrameCustom::TUFrameCustom(QWidget *parent) : QWidget(parent), FHelper(std::make_unique<TUFormHelper>(this))
{
    setFont(KitFont());
    resize(320, 240);
}

TUFrameCustom::~TUFrameCustom() = default;

void TUFrameCustom::SetEnabled(bool Value)
{
    setEnabled(Value);
    UpdateEnabled();
}

void TUFrameCustom::TryFocus(QWidget *Win)
{
    if (Win && Win->isVisible() && Win->isEnabled() && Win->focusPolicy() != Qt::NoFocus)
        Win->setFocus();
}
