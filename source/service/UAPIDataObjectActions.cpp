#include "UAPIDataObjectActions.h"

namespace {

// Generated from the protocol's list together with the enumeration: index = value.
constexpr std::string_view kNames[] = {
    "", "add", "clone", "edit", "view", "edit_mult", "delete", "photo_save", "operator_data",
};
static_assert(std::size(kNames) == DataObjectActionTypeCount);

constexpr TUAPINameIndex<std::size(kNames)> kIndex(kNames);

} // namespace

QLatin1StringView ToName(TDataObjectActionType value)
{
    if (value >= DataObjectActionTypeCount)
        return {};
    return QLatin1StringView(kNames[value].data(), qsizetype(kNames[value].size()));
}

template <>
TDataObjectActionType FromName<TDataObjectActionType>(QStringView name)
{
    return TDataObjectActionType(kIndex.Find(name));
}

template <>
TDataObjectActionType FromName<TDataObjectActionType>(QLatin1StringView name)
{
    return TDataObjectActionType(kIndex.Find(name));
}
