// The user's session in the core object: taking over a sign-in answer, ending the session, and
// the factory of every request made within it.
#include "UnitComplex.h"

#include "UAPIData.h"
#include "UAPIDataLoader.h"
#include "UException.h"
#include "UJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>

namespace {

QLatin1StringView key(TDataFieldType Field) { return ToName(Field); }

QString text(const QJsonObject &Element, TDataFieldType Field) { return TUJson::AsText(Element.value(key(Field))); }

bool isYes(const QJsonObject &Element, TDataFieldType Field) { return TUJson::AsYes(Element.value(key(Field))); }

int32_t integer(const QJsonObject &Element, TDataFieldType Field, int32_t Default)
{
    return TUJson::AsInt(Element.value(key(Field)), Default);
}

template <typename E>
E named(const QJsonObject &Element, TDataFieldType Field)
{
    const QJsonValue value = Element.value(key(Field));
    return value.isString() ? FromName<E>(QStringView(value.toString())) : E{};
}

// The raw part as an object; a loader may not go on without one.
QJsonObject rawObject(const TAPIDataAnswer &Answer)
{
    if (!Answer.Raw().isObject())
        throw EUError(QStringLiteral("wrong type data"));
    return Answer.Raw().toObject();
}

// Calls Each for every element of the list that is an object; a list that is missing or is
// not an array is no list.
template <typename F>
void forEachElement(const QJsonObject &Raw, TDataFieldType List, F Each)
{
    const QJsonValue list = Raw.value(key(List));
    if (!list.isArray())
        return;
    for (const QJsonValueConstRef element : list.toArray()) {
        if (element.isObject())
            Each(element.toObject());
    }
}

} // namespace

void TComplex::UserInit(const TAPIDataAnswer &Answer, const QString &Password)
{
    const TAPIDataArray &data = Answer.Data();
    FSIDH = data.AsStr(dft_sidh, 0);
    if (FSIDH.isEmpty())
        throw EUError(QString());
    FUser->SetLogin(data.AsStr(dft_login, 0));
    FUser->SetPassword(Password);
    FUser->SetName(data.AsStr(dft_user_name, 0));
    FUser->SetEmail(data.AsStr(dft_user_email, 0));
    FUser->Role().SetID(data.AsStr(dft_role, 0));
    LoadObjectFields(Answer);
    LoadRoleRights(Answer);
    LoadUserConfig(Answer);
    FCache->LoadSubStatic();
}

void TComplex::LoadObjectFields(const TAPIDataAnswer &Answer)
{
    forEachElement(rawObject(Answer), dft_obj_field, [this](const QJsonObject &element) {
        const auto obj = named<TDataObjectType>(element, dft_obj_id);
        const auto field = named<TDataFieldType>(element, dft_field_id);
        if (obj == dot_null || field == dft_null)
            return;
        TDataFieldConfig conf;
        // A width that is missing or no whole number leaves the column unshown.
        conf.Width = integer(element, dft_width, conf.Width);
        conf.Title = text(element, dft_title);
        conf.IsVisible = isYes(element, dft_visible);
        TDataObjectFieldConfig &layout = FUser->GetObjectConfig(obj);
        if (isYes(element, dft_is_dyn)) {
            // The dynamic columns start after the fixed ones listed before the first of them.
            if (layout.DynStart() < 0)
                layout.SetDynStart(layout.Fields().Count());
            layout.AddDynField(field, conf);
        } else {
            layout.AddField(field, conf);
        }
    });
}

void TComplex::LoadRoleRights(const TAPIDataAnswer &Answer)
{
    const QJsonObject raw = rawObject(Answer);
    TOutdoorRole &role = FUser->Role();
    // Rights are only granted or blocked here; what the role does not list stays cleared.
    forEachElement(raw, dft_role_object, [&role](const QJsonObject &element) {
        const auto obj = named<TDataObjectType>(element, dft_obj_id);
        if (obj == dot_null)
            return;
        role.SetObjectAllow(obj, true);
        if (isYes(element, dft_obj_owner_test))
            role.SetObjectOwnerAllow(obj, false);
    });
    forEachElement(raw, dft_role_object_action, [&role](const QJsonObject &element) {
        const auto obj = named<TDataObjectType>(element, dft_obj_id);
        const auto act = named<TDataObjectActionType>(element, dft_action_id);
        if (obj == dot_null || act == doat_null)
            return;
        role.SetObjectActionAllow(obj, act, true);
        if (isYes(element, dft_obj_owner_test))
            role.SetObjectActionOwnerAllow(obj, act, false);
    });
    forEachElement(raw, dft_role_object_field_block, [&role](const QJsonObject &element) {
        const auto obj = named<TDataObjectType>(element, dft_obj_id);
        const auto field = named<TDataFieldType>(element, dft_field_id);
        if (obj != dot_null && field != dft_null)
            role.SetObjectFieldDisallow(obj, field, true);
    });
    forEachElement(raw, dft_role_object_field_export_block, [&role](const QJsonObject &element) {
        const auto obj = named<TDataObjectType>(element, dft_obj_id);
        const auto field = named<TDataFieldType>(element, dft_field_id);
        if (obj != dot_null && field != dft_null)
            role.SetObjectExportFieldDisallow(obj, field, true);
    });
}

void TComplex::LoadUserConfig(const TAPIDataAnswer &Answer)
{
    forEachElement(rawObject(Answer), dft_user_config, [this](const QJsonObject &element) {
        const auto obj = named<TDataObjectType>(element, dft_obj_id);
        if (obj == dot_null)
            return;
        // A text that is no JSON gives no layout: the saved one of the kind is dropped.
        const QJsonDocument doc = QJsonDocument::fromJson(text(element, dft_config).toUtf8());
        QJsonValue config;
        if (doc.isObject())
            config = doc.object();
        else if (doc.isArray())
            config = doc.array();
        FUser->GetObjectConfigCustom(obj).SetConfig(config);
    });
}

void TComplex::UserClose()
{
    // The local session ends whatever becomes of the request.
    const auto close = qScopeGuard([this] {
        FUser->Clear();
        FSIDH.clear();
    });
    if (!IsSessionOpen())
        return;
    const std::unique_ptr<TDataLoader> task = TaskCreate(QStringLiteral("disconnect"));
    // The answer is not examined; its codes reach error processing.
    FData->TaskRun(task.get());
}

std::unique_ptr<TDataLoader> TComplex::TaskCreate(const QString &Action) const
{
    auto task = std::make_unique<TDataLoader>();
    task->SetHost(QStringLiteral("query.php"));
    task->ParamAdd(QString(key(dft_sidh)), FSIDH);
    task->ParamAdd(QString(key(dft_action)), Action);
    task->SetHandleAnswerErrorAsCommon(false);
    return task;
}
