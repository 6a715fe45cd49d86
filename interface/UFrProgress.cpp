#include "UFrProgress.h"

#include "UWiiProgressBar.h"

#include <QVBoxLayout>

TUFrameProgress::TUFrameProgress(QWidget *parent) : TUFrameCustom(parent)
{
    resize(50, 50);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Progress = new TUWiiProgressBar(this);
    Progress->setObjectName(QStringLiteral("Progress"));
    layout->addWidget(Progress);
    Progress->SetPadding(4);
    Progress->SetInterval(48);
    TBlockAppearance &ap = Progress->Appearance();
    ap.SetBlockColor(RGBToColor(0x80, 0, 0)); // maroon
    ap.SetBlockColorActive(RGBToColor(0x00, 0xCF, 0xEE));
    ap.SetBlockBorderColorActive(clNone);
    Progress->setEnabled(false);
}

void TUFrameProgress::Start() { Progress->setEnabled(true); }

void TUFrameProgress::Stop() { Progress->setEnabled(false); }
