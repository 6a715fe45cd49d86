// The stand-in service's reference sets: what the "cache" action sends.
#include "StandinService.h"

#include <QJsonArray>

namespace {

QJsonObject item(const char *KeyName, const QJsonValue &Key, const char *Title)
{
    return QJsonObject{{QLatin1StringView(KeyName), Key}, {QStringLiteral("title"), QString::fromUtf8(Title)}};
}

QJsonObject with(QJsonObject Item, std::initializer_list<QPair<const char *, QJsonValue>> Members)
{
    for (const auto &[name, value] : Members)
        Item.insert(QLatin1StringView(name), value);
    return Item;
}

} // namespace

// A few of every set, with their members as the service's scripts write them: keys and
// numbers as often as texts as numbers.
QJsonObject TStandinService::SampleReference()
{
    return QJsonObject{
        {QStringLiteral("region"), QJsonArray{item("region", "1", "Центр"), item("region", "2", "Север")}},
        {QStringLiteral("board_format"),
         QJsonArray{with(item("board_format", 1, "3x6"), {{"board_count", "120"}, {"description", "щит"}}),
                    with(item("board_format", 2, "сити-лайт"), {{"board_count", 40}, {"color", "FF8000"}})}},
        {QStringLiteral("role"), QJsonArray{with(item("role", "1", "Администратор"), {{"state", "ENABLED"}}),
                                            with(item("role", "2", "Менеджер"), {{"state", "ENABLED"}})}},
        {QStringLiteral("town"),
         QJsonArray{with(item("town", "10", "Киев"), {{"region", "1"}, {"town_type", "1"}, {"population", "2900000"},
                                                     {"board_count", 100}}),
                    with(item("town", 11, "Харьков"), {{"region", 2}, {"town_type", "1"}, {"population", 1400000},
                                                      {"board_count", "60"}})}},
        {QStringLiteral("firm"), QJsonArray{item("firm", "1", "ООО «Наружка»")}},
        {QStringLiteral("operator"),
         QJsonArray{with(item("operator", "5", "Бигборд"),
                         {{"state", "ENABLED"}, {"price_kn", "1.1"}, {"price_type", "B"}, {"is_online", "Y"},
                          {"is_restricted", "N"}, {"price_mc", "1.2"}, {"price_ec", "50"}, {"price_mb", 1.3},
                          {"price_eb", 70}, {"board_count", "80"}})}},
        {QStringLiteral("client"),
         QJsonArray{with(item("client", "100", "Молокозавод"),
                         {{"state", "ENABLED"}, {"quill_email", "quill@milk.example"},
                          {"contact_email", "office@milk.example"}}),
                    with(item("client", "101", "Автосалон"), {{"state", "DISABLED"}})}},
        {QStringLiteral("stick"), QJsonArray{with(item("stick", "1", "Бригада 1"), {{"state", "ENABLED"}})}},
        {QStringLiteral("stick_rc"), QJsonArray{with(item("stick_rc", "1", "Выполнено"), {{"is_default", "Y"}}),
                                                with(item("stick_rc", "2", "Не выполнено"), {{"is_default", "N"}})}},
        {QStringLiteral("stick_rcpt"), QJsonArray{item("stick_rcpt", "1", "Фото")}},
        {QStringLiteral("town_type"), QJsonArray{item("town_type", "1", "город"), item("town_type", "2", "село")}},
        {QStringLiteral("req_type"), QJsonArray{item("req_type", "1", "ЮЛ"), item("req_type", "2", "ФЛП")}},
        {QStringLiteral("board_extra"), QJsonArray{item("board_extra", "1", "подсветка")}},
        {QStringLiteral("doc_template"),
         QJsonArray{with(item("doc_template", "1", "Договор"),
                         {{"doc_type", "AGREEMENT"}, {"fid", "7"}, {"fhash", "0123456789abcdef0123456789abcdef"},
                          {"updated", "2026-01-15 10:20:30"}, {"ext", "docx"}})}},
        {QStringLiteral("mail_template"),
         QJsonArray{with(item("mail_template", "1", "Предложение"), {{"doc_type", "APP"}, {"state", "ENABLED"}})}},
    };
}

void TStandinService::SetReference(const QJsonObject &Sets)
{
    std::lock_guard lock(FLock);
    FReference = Sets;
}

QJsonObject TStandinService::ReferenceSets() const
{
    QJsonObject raw = FStore ? FStore->Sets() : FReference;
    if (!raw.contains(QStringLiteral("user"))) {
        QJsonArray users;
        for (auto it = FAccounts.constBegin(); it != FAccounts.constEnd(); ++it)
            users.append(QJsonObject{{QStringLiteral("login"), it.key()},
                                     {QStringLiteral("user_name"), it->Name},
                                     {QStringLiteral("role"), it->Role},
                                     {QStringLiteral("state"), QStringLiteral("ENABLED")}});
        raw.insert(QStringLiteral("user"), users);
    }
    return raw;
}

QByteArray TStandinService::CacheAnswer() const { return Envelope(0, {}, {}, ReferenceSets()); }
