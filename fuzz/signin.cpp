// Sign-in answers come from the service: UserInit must take any of them without crashing,
// failing only with its own error, and elements it rejects (not objects, unknown kinds, null
// actions or fields) must change nothing: the answer with such elements added to every list
// leaves the user exactly as the answer without them.
#include "UAPIData.h"
#include "UException.h"
#include "UnitComplex.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

TComplex &core(int which)
{
    static int argc = 1;
    static char name[] = "fuzz_signin";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static const QString exe = [] {
        const QString folder = QDir::temp().filePath(QStringLiteral("fuzz_signin"));
        QDir().mkpath(folder);
        return folder + QStringLiteral("/deskstart.exe");
    }();
    static TComplex a(exe), b(exe);
    return which == 0 ? a : b;
}

// Runs UserInit; the message it failed with, or "-" when it took the answer.
QString take(TComplex &c, const QByteArray &text)
{
    c.User().Clear();
    const TAPIDataAnswer answer(QString::fromUtf8(text));
    try {
        c.UserInit(answer, QStringLiteral("p"));
        return QStringLiteral("-");
    } catch (const EUError &e) {
        return e.Message();
    }
}

bool sameList(const TDataFieldList &x, const TDataFieldList &y) { return std::equal(x.begin(), x.end(), y.begin(), y.end()); }

bool sameLayout(const TDataObjectFieldConfig &x, const TDataObjectFieldConfig &y)
{
    return sameList(x.Fields(), y.Fields()) && sameList(x.DynFields(), y.DynFields()) &&
           sameList(x.ExportDisabled(), y.ExportDisabled()) && x.DynStart() == y.DynStart() &&
           x.FixedCount() == y.FixedCount() && x.DataArray() == y.DataArray();
}

bool sameUser(const TComplex &x, const TComplex &y)
{
    const TOutdoorUser &u = x.User(), &v = y.User();
    if (x.SIDH() != y.SIDH() || u.Login() != v.Login() || u.Name() != v.Name() || u.Email() != v.Email() ||
        !(u.Role() == v.Role()))
        return false;
    for (int o = 0; o < DataObjectTypeCount; ++o) {
        const auto obj = TDataObjectType(o);
        if (!sameLayout(u.GetObjectConfig(obj), v.GetObjectConfig(obj)) ||
            !sameLayout(u.GetObjectConfigCustom(obj), v.GetObjectConfigCustom(obj)))
            return false;
    }
    return true;
}

// Elements every list rejects, and per list one that names a null action or field.
QJsonArray rejected(const QString &list)
{
    QJsonArray junk{1, QStringLiteral("x"), QJsonValue(), QJsonArray{}, true,
                    QJsonObject{{"obj_id", "no_such_kind"}, {"field_id", "title"}, {"action_id", "edit"},
                                {"obj_owner_test", "Y"}, {"is_dyn", "Y"}, {"config", "{}"}, {"width", 5}}};
    if (list == u"obj_field")
        junk.append(QJsonObject{{"obj_id", "board"}, {"field_id", "no_field"}, {"is_dyn", "Y"}, {"width", 7}});
    else if (list == u"role_object_action")
        junk.append(QJsonObject{{"obj_id", "board"}, {"action_id", ""}, {"obj_owner_test", "Y"}});
    else if (list.startsWith(u"role_object_field"))
        junk.append(QJsonObject{{"obj_id", "board"}, {"field_id", 12}});
    return junk;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    take(core(0), input); // any text: only its own error may leave UserInit

    const QJsonDocument doc = QJsonDocument::fromJson(input);
    if (!doc.isObject() || !doc.object().value(u"raw").isObject())
        return 0;
    QJsonObject envelope = doc.object();
    QJsonObject raw = envelope.value(u"raw").toObject();
    const QJsonDocument plain(envelope);
    const QStringList lists{"obj_field", "role_object", "role_object_action", "role_object_field_block",
                            "role_object_field_export_block", "user_config"};
    for (const QString &list : lists) {
        if (!raw.value(list).isArray())
            continue;
        QJsonArray items = rejected(list);
        for (const QJsonValue item : raw.value(list).toArray())
            items.append(item);
        for (const QJsonValue item : rejected(list))
            items.append(item);
        raw.insert(list, items);
    }
    envelope.insert(QStringLiteral("raw"), raw);
    const QString plainResult = take(core(0), plain.toJson(QJsonDocument::Compact));
    const QString paddedResult = take(core(1), QJsonDocument(envelope).toJson(QJsonDocument::Compact));
    if (plainResult != paddedResult || !sameUser(core(0), core(1)))
        abort();
    return 0;
}
