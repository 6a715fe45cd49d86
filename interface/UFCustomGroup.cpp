#include "UFCustomGroup.h"

#include <QGroupBox>
#include <QVBoxLayout>

TUFormCustomGroup::TUFormCustomGroup(QWidget *parent) : TUFormCustom(parent)
{
    setFixedSize(644, 272);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    GBTop = new QGroupBox(this);
    GBTop->setObjectName(QStringLiteral("GBTop"));
    GBBottom = new QGroupBox(this);
    GBBottom->setObjectName(QStringLiteral("GBBottom"));
    GBBottom->setFixedHeight(40);
    layout->addWidget(GBTop, 1);
    layout->addWidget(GBBottom);
}
