#include "FrProgressBase.h"

#include "UWiiProgressBar.h"

TFrameProgressBase::TFrameProgressBase(QWidget *parent) : TUFrameProgress(parent)
{
    setFixedSize(36, 36);
    Progress->SetPadding(2);
    Progress->Appearance().SetBlockColor(RGBToColor(15, 97, 61));
    Progress->Appearance().SetBlockColorActive(RGBToColor(134, 180, 92));
}
