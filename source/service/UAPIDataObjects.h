#pragma once

#include "UAPINames.h"

#include <cstdint>

// Kinds of business objects, as rights and per-object column layouts name them.
enum TDataObjectType : uint8_t {
    dot_null, dot_select, dot_auth, dot_config, dot_role, dot_firm, dot_user, dot_board_format,
    dot_region, dot_town, dot_board_extra, dot_board, dot_board_select, dot_operator, dot_client,
    dot_stick, dot_stick_rc, dot_stick_rcpt, dot_printery, dot_xoperator, dot_xboard, dot_ximport,
    dot_board_sync, dot_board_buying_search, dot_net, dot_net_template, dot_net_import,
    dot_net_auto, dot_net_update, dot_net_subscribe, dot_state, dot_offers, dot_offer, dot_boxes,
    dot_box, dot_sales, dot_sale, dot_reserves, dot_reserve, dot_doc, dot_doc_template,
    dot_mail_template, dot_mail_template_field, dot_mail, dot_mail_rcpt, dot_redeem,
    dot_report_client, dot_report_operator, dot_report_sale_boards, dot_report_sale_boards_net,
    dot_report_photoreport, dot_report_stick, dot_sale_net, dot_plan_stick, dot_plan_photoreport,
    dot_report_p, dot_stick_task_list, dot_stick_task, dot_stick_work_list, dot_stick_work,
    dot_stick_work_print, dot_proposals, dot_proposal,
};

// Number of values; every table "by object" takes its size from here.
inline constexpr int DataObjectTypeCount = dot_proposal + 1;

// The wire name: the value's name without its prefix; the empty text for the null value.
QLatin1StringView ToName(TDataObjectType value);
// The value whose wire name is `name` exactly (case-sensitive); the null value otherwise.
template <> TDataObjectType FromName<TDataObjectType>(QStringView name);
template <> TDataObjectType FromName<TDataObjectType>(QLatin1StringView name);
