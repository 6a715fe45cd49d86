#include "UAPIDataFields.h"

namespace {

// Generated from the protocol's list together with the enumeration: index = value.
constexpr std::string_view kNames[] = {
    "", "id", "ch", "data", "sidh", "query", "is_default", "period", "period_start", "period_end",
    "nopay", "partpay", "is_prepared", "is_done", "is_worked", "hash", "comment", "xdb", "xid",
    "master_xdb", "master_xid", "xdb_type", "last_version", "xdb_title", "xdb_url", "comp_id",
    "comp_name", "version", "clear", "currency_hi", "currency_lo", "org_color", "org_color_bg",
    "org_email", "org_url", "org_phone1", "org_phone2", "org_phone3", "org_address1",
    "org_address2", "org_logo", "sync_default", "states_visible", "config", "language", "docs_lang",
    "skip_weekends", "actual_period", "actual_date", "smtp_host", "smtp_user", "smtp_password",
    "smtp_port", "smtp_email", "smtp_auth", "organization", "cash_bank_up", "tax_nds", "tax_nr",
    "system_email", "auto_email", "copy_email", "quill_nets", "config_1c",
    "sort_sale_boards_by_added", "self_operator", "self_autoload", "default_rskip_period",
    "rskip_remind", "show_logo", "user_block", "zphotoreport", "self_use_board_as_operator_id",
    "stick_fine_method", "stick_fine_amount", "pollination", "price_sale_default_base",
    "sale_state_simple", "created", "created_start", "created_end", "creator", "updated", "updater",
    "manager", "state", "state_now", "color", "counter", "title", "list", "only_active",
    "description", "name", "email", "phone", "manager_list", "client_list", "group_id", "deadline",
    "msg", "visible", "updated_at", "updated_data_at", "updated_price_at", "updated_state_at",
    "updated_state_n_at", "updated_photo_at", "updated_scheme_at", "updated_coord_at", "country",
    "region", "town_count", "town_list", "town_type", "town", "town_title", "population",
    "board_extra", "board_extra_list", "board_format_group", "board_format",
    "board_format_group_set", "board_format_list", "construct", "latitude", "longtitude",
    "span_latitude", "span_longtitude", "obj_id", "obj_owner_test", "width", "is_dyn",
    "obj_field_config", "action", "action_id", "field_id", "price_type", "price_base_type",
    "sum_calk_type", "sale_state_type", "role", "role_object", "role_object_action",
    "role_object_field_block", "role_object_field_export_block", "user_config", "obj_field",
    "keys_value", "req_type", "contact", "contact_person", "contact_person_sale", "contact_address",
    "contact_phone", "contact_email", "contact_url", "contact_skype", "contact_icq", "contact_vk",
    "contact_fb", "contact_description", "mcontact", "mcontact_person", "mcontact_person_sale",
    "mcontact_address", "mcontact_phone", "mcontact_email", "mcontact_url", "mcontact_skype",
    "mcontact_icq", "mcontact_vk", "mcontact_fb", "req", "req_name_full", "req_name_short",
    "req_org_code", "req_address", "req_bank_name", "req_bank_account", "req_bank_mfo", "req_inn",
    "req_kpp", "req_nds_code", "req_director_name_full", "req_director_name_short", "req_phone",
    "req_buh", "req_jur_name", "req_bank_ks", "req_okpo_ru", "user", "login", "password",
    "user_name", "user_email", "user_phone", "firm", "client", "sale_count", "doc_agreement",
    "agreement_number", "agreement_date", "client_title", "stick", "stick_title", "stick_type",
    "stick_address", "stick_phone", "stick_rc", "stick_rc_title", "stick_rcpt", "stick_rcpt_title",
    "stick_rcpt_address", "stick_rcpt_phone", "operator", "operator_title", "operator_list",
    "price_kn", "is_online", "is_restricted", "is_ex", "is_redeem", "is_autoupdate", "quill_active",
    "quill_email", "quill_email_date", "quill_period", "quill_comment", "quill_refuse_date",
    "quill_time", "quill_email_autoparse", "payment_info", "update_date", "update_user",
    "update_price_date", "sync_date", "sync_data", "sync_add", "sync_update_text",
    "sync_update_price", "sync_add_photo", "sync_update_photo", "sync_delete_removed",
    "sync_price_type", "sort_by_update_date", "stat", "board_count", "moperator", "msync_add",
    "msync_update_text", "msync_update_price", "msync_add_photo", "msync_update_photo", "board",
    "board_list", "operator_id", "operator_main_id", "district", "address", "sizes", "size_w",
    "size_h", "size_s", "sizes_wxh", "side", "rm", "light", "direction", "zone", "doors", "ots",
    "grp", "estimate", "min_period_count", "order_id", "price_extra", "price_extra_cash",
    "price_extra_bank", "price_base", "price_base_cash", "price_base_bank", "price_prod_base_cash",
    "price_prod_base_bank", "price_activation_base_cash", "price_activation_base_bank", "price_ma",
    "price_ea", "price_mab", "price_eab", "price_agency_cash", "price_agency_bank",
    "price_buy_cash", "price_buy_bank", "price_sale_cash", "price_sale_bank", "price_mc",
    "price_ec", "price_mb", "price_eb", "price_ms", "price_es", "price_msb", "price_esb",
    "price_change", "price_activation", "price_activation_cash", "price_activation_bank",
    "price_prod", "price_prod_cash", "price_prod_bank", "price_stick_f", "price_stick_c",
    "price_stick_r", "price_stick_p", "price_stick_d", "adv_price_base_cash",
    "adv_price_base_wire_vat", "adv_price_base_wire_no_vat", "adv_price_buy_cash",
    "adv_price_buy_wire_vat", "adv_price_buy_wire_no_vat", "adv_price_sale_cash",
    "adv_price_sale_wire_vat", "adv_price_sale_wire_no_vat", "adv_price_profit_cash",
    "adv_price_profit_wire_vat", "adv_price_profit_wire_no_vat", "stick_derrick", "active_start",
    "active_end", "photo_set", "photo2_set", "scheme_set", "map_set", "board_url", "construct_set",
    "view_point", "photo", "photo2", "scheme", "map", "map_phash", "last_update_date",
    "last_update_n_date", "state_removed", "state_checked", "mboard", "mboard_set", "mphoto",
    "mphoto_phash", "mphoto2", "mphoto2_phash", "mscheme", "mscheme_phash", "mmap", "mmap_phash",
    "mlatitude", "mlongtitude", "mconstruct", "mview_point", "mtown", "mdistrict", "mdirection",
    "maddress", "mboard_format", "msizes", "msize_w", "msize_h", "mside", "mlight", "moperator_id",
    "mprice_base", "mdoors", "mots", "mgrp", "mzone", "xtd", "xfd", "xpd", "sync_block", "p1", "p2",
    "approved", "auth_url", "auth_login", "auth_password", "pid", "phash", "photo_phash",
    "photo2_phash", "scheme_phash", "phr_near_phash", "phr_distant_phash", "phr_night_phash",
    "phr_near_exif", "phr_distant_exif", "phr_night_exif", "style", "proposal", "special_requests",
    "additional_services", "budget", "closed", "photoreport", "near", "distant", "night",
    "date_photoreport", "fid", "fhash", "ext", "exif", "doc_type", "doc_template", "doc",
    "doc_date", "doc_number", "is_signed", "zphoto", "offer", "towns", "formats", "sale",
    "sale_title", "days", "sale_date", "photoreport_str", "sale_state", "price_sale_cash_default",
    "price_sale_bank_default", "sale_net", "reserve", "reserve_date", "mp", "rotation",
    "report_client", "report_operator", "report_sale_boards", "plan_stick", "plan_photoreport",
    "state_x", "state_prev", "state_next", "state_0", "state_1", "state_2", "state_3", "state_4",
    "state_5", "state_6", "state_7", "state_8", "state_9", "state_10", "state_11", "buy_cash",
    "buy_bank", "buy_total", "price_total_cash", "price_total_bank", "price_cash", "price_bank",
    "amount", "amount_fine", "amount_cash", "amount_bank", "amount_bank_clear", "amount_total",
    "amount_total_cash", "amount_total_bank", "amount_kvalue", "amount_dvalue", "debt_cash",
    "debt_bank", "amount_derrick", "profit_cash", "profit_bank", "profit_total_cash",
    "profit_total_bank", "discount_pr_cash", "discount_pr_bank", "discount_cash", "discount_bank",
    "amount_prod_cash", "amount_prod_bank", "amount_activation_cash", "amount_activation_bank",
    "box", "box_id", "box_name", "box_email", "box_phone", "mail_template", "data_set",
    "field_list", "mail", "send_date", "sheet", "sheet_list", "subject", "rcpt", "payment",
    "payment_date", "invoice", "contragent", "purpose", "agreement_str", "invoice_str", "act_str",
    "tax_str", "stick_task", "stick_task_type", "stick_work", "date_activate_plan", "date_activate",
    "date_done_plan", "date_done", "date_poster_plan", "date_poster", "stick_poster",
    "stick_worker", "stick_work_list", "stick_work_payed", "stick_work_comments", "shop_atb",
};
static_assert(std::size(kNames) == DataFieldTypeCount);

constexpr TUAPINameIndex<std::size(kNames)> kIndex(kNames);

} // namespace

QLatin1StringView ToName(TDataFieldType value)
{
    if (value >= DataFieldTypeCount)
        return {};
    return QLatin1StringView(kNames[value].data(), qsizetype(kNames[value].size()));
}

template <>
TDataFieldType FromName<TDataFieldType>(QStringView name)
{
    return TDataFieldType(kIndex.Find(name));
}

template <>
TDataFieldType FromName<TDataFieldType>(QLatin1StringView name)
{
    return TDataFieldType(kIndex.Find(name));
}
