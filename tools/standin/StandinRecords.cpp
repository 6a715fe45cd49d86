// The service's record actions over the stored sets: "SET_list", "SET_view", "SET_add",
// "SET_edit" and "SET_delete" ("client_view", "town_list" ...), within a session and within the
// rights of the signed-in user's role.
#include "StandinService.h"

#include <QDateTime>
#include <QJsonDocument>

#include <algorithm>

namespace {

// The answer code of an action the user's role does not allow.
constexpr int kRefused = 30;

const QStringList kActions{QStringLiteral("list"), QStringLiteral("view"), QStringLiteral("add"), QStringLiteral("edit"),
                           QStringLiteral("delete")};

QString keyMember(const QString &Set) { return Set == QStringLiteral("user") ? QStringLiteral("login") : Set; }

QString now() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

// Listing and viewing need the object among the role's objects; changes need the action too.
bool allowed(const QJsonObject &Rights, const QString &Set, const QString &Action)
{
    const QJsonArray objects = Rights.value(QStringLiteral("role_object")).toArray();
    const bool object = std::any_of(objects.begin(), objects.end(), [&](const QJsonValue &o) {
        return o[QStringLiteral("obj_id")].toString() == Set;
    });
    if (!object || Action == QStringLiteral("list"))
        return object;
    const QJsonArray actions = Rights.value(QStringLiteral("role_object_action")).toArray();
    return std::any_of(actions.begin(), actions.end(), [&](const QJsonValue &a) {
        return a[QStringLiteral("obj_id")].toString() == Set && a[QStringLiteral("action_id")].toString() == Action;
    });
}

// Whether a change sends a field that the role may not change.
bool blockedField(const QJsonObject &Rights, const QString &Set, const TStandinRequest &Request)
{
    const QJsonArray blocks = Rights.value(QStringLiteral("role_object_field_block")).toArray();
    return std::any_of(blocks.begin(), blocks.end(), [&](const QJsonValue &b) {
        if (b[QStringLiteral("obj_id")].toString() != Set)
            return false;
        const QString field = b[QStringLiteral("field_id")].toString();
        return std::any_of(Request.Params.begin(), Request.Params.end(), [&](const auto &p) { return p.first == field; });
    });
}

// Rows with the columns of every record, in the order they first appear.
QByteArray rowsAnswer(const QJsonArray &Records)
{
    QStringList fields;
    QJsonArray rows;
    for (const QJsonValue r : Records) {
        const QJsonObject o = r.toObject();
        for (auto it = o.begin(); it != o.end(); ++it)
            if (!fields.contains(it.key()))
                fields << it.key();
        rows.append(o);
    }
    QJsonObject e{{QStringLiteral("code"), 0}, {QStringLiteral("count"), rows.size()},
                  {QStringLiteral("fields"), QJsonArray::fromStringList(fields)}, {QStringLiteral("data"), rows}};
    return QJsonDocument(e).toJson(QJsonDocument::Compact);
}

// The request's parameters written into the record, which is then stamped as updated.
void editRecord(QJsonObject &Record, const TStandinRequest &Request, const QString &KeyName)
{
    for (const auto &[name, value] : Request.Params)
        if (name != QStringLiteral("sidh") && name != QStringLiteral("action") && name != KeyName
            && !name.startsWith(QStringLiteral("standin_")))
            Record.insert(name, value);
    Record.insert(QStringLiteral("updated"), now());
}

} // namespace

QByteArray TStandinService::RecordAnswer(const TStandinRequest &Request, const QString &Login)
{
    const QString action = Request.Param(QStringLiteral("action"));
    const qsizetype cut = action.lastIndexOf(u'_');
    if (!FStore || cut <= 0 || !kActions.contains(action.mid(cut + 1)))
        return {};
    const QString set = action.left(cut), verb = action.mid(cut + 1);
    if (FStore->Set(set).isEmpty() && verb != QStringLiteral("add"))
        return {};
    const QJsonObject rights = FAccounts.value(Login).Raw;
    if (!allowed(rights, set, verb))
        return Envelope(kRefused);
    if ((verb == QStringLiteral("edit") || verb == QStringLiteral("add")) && blockedField(rights, set, Request))
        return Envelope(kRefused);

    const QString keyName = keyMember(set);
    if (verb == QStringLiteral("list"))
        return rowsAnswer(FStore->Set(set));

    QString key = Request.Param(keyName);
    // Viewing and editing also take several keys at once, separated by commas: one row per
    // record found, edited alike.
    if ((verb == QStringLiteral("view") || verb == QStringLiteral("edit")) && key.contains(u',')) {
        QJsonArray rows;
        for (const QString &one : key.split(u',', Qt::SkipEmptyParts)) {
            std::optional<QJsonObject> r = FStore->Record(set, one.trimmed());
            if (!r)
                continue;
            if (verb == QStringLiteral("edit")) {
                editRecord(*r, Request, keyName);
                FStore->PutRecord(set, one.trimmed(), *r);
            }
            rows.append(*r);
        }
        return rowsAnswer(rows);
    }
    std::optional<QJsonObject> record = FStore->Record(set, key);
    if (verb == QStringLiteral("view"))
        return rowsAnswer(record ? QJsonArray{*record} : QJsonArray());
    if (verb == QStringLiteral("add")) {
        // A new record takes the next number after the highest one of its set.
        qlonglong highest = 0;
        for (const QJsonValue r : FStore->Set(set))
            highest = std::max(highest, r[keyName].toString().toLongLong());
        key = QString::number(highest + 1);
        record = QJsonObject{{keyName, key}, {QStringLiteral("created"), now()}};
    } else if (!record) {
        return rowsAnswer({}); // nothing to change: no row
    }
    if (verb == QStringLiteral("delete")) {
        // Removed records stay, in the state that says so.
        record->insert(QStringLiteral("state"), QStringLiteral("REMOVED"));
        record->insert(QStringLiteral("updated"), now());
    } else {
        editRecord(*record, Request, keyName);
    }
    FStore->PutRecord(set, key, *record);
    return rowsAnswer(QJsonArray{*record});
}
