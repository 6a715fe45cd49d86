#pragma once

#include "UAPINames.h"

#include <cstdint>

// Actions a role may be granted on an object type.
enum TDataObjectActionType : uint8_t {
    doat_null, doat_add, doat_clone, doat_edit, doat_view, doat_edit_mult, doat_delete,
    doat_photo_save, doat_operator_data,
};

// Number of values; every table "by action" takes its size from here.
inline constexpr int DataObjectActionTypeCount = doat_operator_data + 1;

// The wire name: the value's name without its prefix; the empty text for the null value.
QLatin1StringView ToName(TDataObjectActionType value);
// The value whose wire name is `name` exactly (case-sensitive); the null value otherwise.
template <> TDataObjectActionType FromName<TDataObjectActionType>(QStringView name);
template <> TDataObjectActionType FromName<TDataObjectActionType>(QLatin1StringView name);
