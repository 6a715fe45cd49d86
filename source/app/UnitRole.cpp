#include "UnitRole.h"

namespace {

bool validObject(TDataObjectType IObj) { return IObj < DataObjectTypeCount; }
bool validAction(TDataObjectActionType IAct) { return IAct < DataObjectActionTypeCount; }
bool validField(TDataFieldType IField) { return IField < DataFieldTypeCount; }

bool settable(TDataObjectType IObj) { return IObj != dot_null && validObject(IObj); }

} // namespace

TOutdoorRole::TOutdoorRole() { Clear(); }

void TOutdoorRole::Clear()
{
    FID.clear();
    FObjects.reset();
    for (auto &row : FActions)
        row.reset();
    for (auto &row : FFields)
        row.reset();
    for (auto &row : FExportFields)
        row.reset();
    FObjectsOwner.set();
    for (auto &row : FActionsOwner)
        row.set();
}

bool TOutdoorRole::GetObjectAllow(TDataObjectType IObj) const { return validObject(IObj) && FObjects[IObj]; }

bool TOutdoorRole::GetObjectOwnerAllow(TDataObjectType IObj) const
{
    return !validObject(IObj) || FObjectsOwner[IObj];
}

bool TOutdoorRole::GetObjectActionAllow(TDataObjectType IObj, TDataObjectActionType IAct) const
{
    return validObject(IObj) && validAction(IAct) && FActions[IObj][IAct];
}

bool TOutdoorRole::GetObjectActionOwnerAllow(TDataObjectType IObj, TDataObjectActionType IAct) const
{
    return !validObject(IObj) || !validAction(IAct) || FActionsOwner[IObj][IAct];
}

bool TOutdoorRole::GetObjectFieldDisallow(TDataObjectType IObj, TDataFieldType IField) const
{
    return validObject(IObj) && validField(IField) && FFields[IObj][IField];
}

bool TOutdoorRole::GetObjectExportFieldDisallow(TDataObjectType IObj, TDataFieldType IField) const
{
    return validObject(IObj) && validField(IField) && FExportFields[IObj][IField];
}

void TOutdoorRole::SetObjectAllow(TDataObjectType IObj, bool Value)
{
    if (settable(IObj))
        FObjects[IObj] = Value;
}

void TOutdoorRole::SetObjectOwnerAllow(TDataObjectType IObj, bool Value)
{
    if (settable(IObj))
        FObjectsOwner[IObj] = Value;
}

void TOutdoorRole::SetObjectActionAllow(TDataObjectType IObj, TDataObjectActionType IAct, bool Value)
{
    if (settable(IObj) && IAct != doat_null && validAction(IAct))
        FActions[IObj][IAct] = Value;
}

void TOutdoorRole::SetObjectActionOwnerAllow(TDataObjectType IObj, TDataObjectActionType IAct, bool Value)
{
    if (settable(IObj) && IAct != doat_null && validAction(IAct))
        FActionsOwner[IObj][IAct] = Value;
}

void TOutdoorRole::SetObjectFieldDisallow(TDataObjectType IObj, TDataFieldType IField, bool Value)
{
    if (settable(IObj) && IField != dft_null && validField(IField))
        FFields[IObj][IField] = Value;
}

void TOutdoorRole::SetObjectExportFieldDisallow(TDataObjectType IObj, TDataFieldType IField, bool Value)
{
    if (settable(IObj) && IField != dft_null && validField(IField))
        FExportFields[IObj][IField] = Value;
}
