#include "UnitUser.h"

namespace {

int indexOf(TDataObjectType IObj) { return IObj < DataObjectTypeCount ? int(IObj) : int(dot_null); }

} // namespace

TOutdoorUser::TOutdoorUser() : FRole(std::make_unique<TOutdoorRole>())
{
    for (auto &conf : FObjectConfig)
        conf = std::make_unique<TDataObjectFieldConfig>();
    for (auto &conf : FObjectConfigCustom)
        conf = std::make_unique<TDataObjectFieldConfig>();
}

TOutdoorUser::~TOutdoorUser() = default;

void TOutdoorUser::Clear()
{
    FLogin.clear();
    FName.clear();
    FEmail.clear();
    FRole->Clear();
    for (auto &conf : FObjectConfig)
        conf->Clear();
    for (auto &conf : FObjectConfigCustom)
        conf->Clear();
}

TDataObjectFieldConfig &TOutdoorUser::GetObjectConfig(TDataObjectType IObj) { return *FObjectConfig[indexOf(IObj)]; }

const TDataObjectFieldConfig &TOutdoorUser::GetObjectConfig(TDataObjectType IObj) const
{
    return *FObjectConfig[indexOf(IObj)];
}

TDataObjectFieldConfig &TOutdoorUser::GetObjectConfigCustom(TDataObjectType IObj)
{
    return *FObjectConfigCustom[indexOf(IObj)];
}

const TDataObjectFieldConfig &TOutdoorUser::GetObjectConfigCustom(TDataObjectType IObj) const
{
    return *FObjectConfigCustom[indexOf(IObj)];
}
