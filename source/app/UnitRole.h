#pragma once

#include "UAPIDataFields.h"
#include "UAPIDataObjectActions.h"
#include "UAPIDataObjects.h"

#include <QString>

#include <array>
#include <bitset>

// The rights of a user's role: which object kinds and actions it may use, which fields are
// blocked for it on screen and in exports, and where a right depends on owning the record.
// The tables are fixed-size, held in the object itself; reads out of range give the cleared
// value, writes naming a null member (or out of range) are ignored.
class TOutdoorRole {
public:
    TOutdoorRole();

    const QString &ID() const { return FID; }
    void SetID(const QString &Value) { FID = Value; }

    void Clear();
    bool IsSet() const { return !FID.isEmpty(); }

    bool GetObjectAllow(TDataObjectType IObj) const;
    bool GetObjectOwnerAllow(TDataObjectType IObj) const;
    bool GetObjectActionAllow(TDataObjectType IObj, TDataObjectActionType IAct) const;
    bool GetObjectActionOwnerAllow(TDataObjectType IObj, TDataObjectActionType IAct) const;
    bool GetObjectFieldDisallow(TDataObjectType IObj, TDataFieldType IField) const;
    bool GetObjectExportFieldDisallow(TDataObjectType IObj, TDataFieldType IField) const;

    void SetObjectAllow(TDataObjectType IObj, bool Value);
    void SetObjectOwnerAllow(TDataObjectType IObj, bool Value);
    void SetObjectActionAllow(TDataObjectType IObj, TDataObjectActionType IAct, bool Value);
    void SetObjectActionOwnerAllow(TDataObjectType IObj, TDataObjectActionType IAct, bool Value);
    void SetObjectFieldDisallow(TDataObjectType IObj, TDataFieldType IField, bool Value);
    void SetObjectExportFieldDisallow(TDataObjectType IObj, TDataFieldType IField, bool Value);

    bool operator==(const TOutdoorRole &) const = default;

private:
    using TObjectSet = std::bitset<DataObjectTypeCount>;
    using TActionTable = std::array<std::bitset<DataObjectActionTypeCount>, DataObjectTypeCount>;
    using TFieldTable = std::array<std::bitset<DataFieldTypeCount>, DataObjectTypeCount>;

    QString FID;
    TObjectSet FObjects;
    TActionTable FActions;
    TFieldTable FFields;       // blocked on screen
    TFieldTable FExportFields; // blocked in exports
    TObjectSet FObjectsOwner;  // False: the right needs an owner test
    TActionTable FActionsOwner;
};
