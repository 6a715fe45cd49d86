#include "UAPIDataObjects.h"

namespace {

// Generated from the protocol's list together with the enumeration: index = value.
constexpr std::string_view kNames[] = {
    "", "select", "auth", "config", "role", "firm", "user", "board_format", "region", "town",
    "board_extra", "board", "board_select", "operator", "client", "stick", "stick_rc", "stick_rcpt",
    "printery", "xoperator", "xboard", "ximport", "board_sync", "board_buying_search", "net",
    "net_template", "net_import", "net_auto", "net_update", "net_subscribe", "state", "offers",
    "offer", "boxes", "box", "sales", "sale", "reserves", "reserve", "doc", "doc_template",
    "mail_template", "mail_template_field", "mail", "mail_rcpt", "redeem", "report_client",
    "report_operator", "report_sale_boards", "report_sale_boards_net", "report_photoreport",
    "report_stick", "sale_net", "plan_stick", "plan_photoreport", "report_p", "stick_task_list",
    "stick_task", "stick_work_list", "stick_work", "stick_work_print", "proposals", "proposal",
};
static_assert(std::size(kNames) == DataObjectTypeCount);

constexpr TUAPINameIndex<std::size(kNames)> kIndex(kNames);

} // namespace

QLatin1StringView ToName(TDataObjectType value)
{
    if (value >= DataObjectTypeCount)
        return {};
    return QLatin1StringView(kNames[value].data(), qsizetype(kNames[value].size()));
}

template <>
TDataObjectType FromName<TDataObjectType>(QStringView name)
{
    return TDataObjectType(kIndex.Find(name));
}

template <>
TDataObjectType FromName<TDataObjectType>(QLatin1StringView name)
{
    return TDataObjectType(kIndex.Find(name));
}
