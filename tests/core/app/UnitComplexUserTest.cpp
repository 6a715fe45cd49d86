#include "ComplexFixture.h"
#include "UException.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QJsonObject kUserRow{{"sidh", "s1d"}, {"login", "ivan"}, {"user_name", "Иван Петров"},
                           {"user_email", "ivan@example.org"}, {"role", "manager"}};

// A sign-in answer with row 0 and the given "raw" part (none when undefined).
std::unique_ptr<TAPIDataAnswer> SignInAnswer(const QJsonValue &raw, const QJsonObject &row = kUserRow)
{
    QJsonObject e{{"code", 0}, {"count", 1}, {"fields", QJsonArray::fromStringList(row.keys())},
                  {"data", QJsonArray{row}}};
    if (!raw.isUndefined())
        e.insert("raw", raw);
    auto answer = std::make_unique<TAPIDataAnswer>(QString::fromUtf8(QJsonDocument(e).toJson()));
    EXPECT_EQ(answer->Error(), 0);
    return answer;
}

QJsonObject Parse(const char *json) { return QJsonDocument::fromJson(json).object(); }

QList<TDataFieldType> Fields(const TDataFieldList &list) { return QList<TDataFieldType>(list.begin(), list.end()); }

class UserSession : public ComplexFixture {
protected:
    // The role's tables without its identifier, to compare with a cleared role.
    TOutdoorRole Rights() const
    {
        TOutdoorRole role = complex->User().Role();
        role.SetID({});
        return role;
    }
    bool NoLayouts() const
    {
        for (int o = 0; o < DataObjectTypeCount; ++o) {
            const auto obj = TDataObjectType(o);
            const TOutdoorUser &u = complex->User();
            if (u.GetObjectConfig(obj).IsSet() || u.GetObjectConfig(obj).IsDynSet() || u.GetObjectConfig(obj).DynStart() >= 0
                || u.GetObjectConfigCustom(obj).IsSet())
                return false;
        }
        return true;
    }
    // Signs in at the stand-in through the session task factory, as a client program does.
    std::unique_ptr<TDataLoader> SignIn(const QString &login, const QString &password)
    {
        auto task = complex->TaskCreate(QStringLiteral("login"));
        task->ParamAdd(QStringLiteral("login"), login);
        task->ParamAdd(QStringLiteral("password"), password);
        complex->Data().TaskRun(task.get());
        return task;
    }
};

} // namespace

TEST_F(UserSession, TakesOverTheUserLayoutsRightsAndSavedLayouts)
{
    const auto answer = SignInAnswer(Parse(R"({
        "obj_field": [
            {"obj_id": "board", "field_id": "title", "title": "Название", "width": 120, "visible": "Y"},
            {"obj_id": "board", "field_id": "address", "width": "80", "visible": "N"},
            {"obj_id": "board", "field_id": "state_1", "is_dyn": "Y", "width": 30, "visible": "Y"},
            {"obj_id": "board", "field_id": "town", "title": "Город"},
            {"obj_id": "board", "field_id": "state_2", "is_dyn": "Y", "width": 31}
        ],
        "role_object": [{"obj_id": "board", "obj_owner_test": "Y"}, {"obj_id": "sale", "obj_owner_test": "N"}],
        "role_object_action": [{"obj_id": "board", "action_id": "edit", "obj_owner_test": "Y"},
                               {"obj_id": "sale", "action_id": "delete"}],
        "role_object_field_block": [{"obj_id": "client", "field_id": "phone"}],
        "role_object_field_export_block": [{"obj_id": "client", "field_id": "email"}],
        "user_config": [{"obj_id": "board", "config":
            "{\"fields\":[{\"id\":\"town\",\"width\":50}],\"dyn_fields\":[],\"export_disabled\":[]}"}]
    })"));
    complex->UserInit(*answer, QStringLiteral("pa55"));

    const TOutdoorUser &user = complex->User();
    EXPECT_EQ(complex->SIDH(), QStringLiteral("s1d"));
    EXPECT_EQ(user.Login(), QStringLiteral("ivan"));
    EXPECT_EQ(user.Password(), QStringLiteral("pa55"));
    EXPECT_EQ(user.Name(), QStringLiteral("Иван Петров"));
    EXPECT_EQ(user.Email(), QStringLiteral("ivan@example.org"));
    EXPECT_EQ(user.Role().ID(), QStringLiteral("manager"));
    EXPECT_TRUE(complex->IsSessionOpen());

    const TDataObjectFieldConfig &board = user.GetObjectConfig(dot_board);
    EXPECT_EQ(Fields(board.Fields()), (QList<TDataFieldType>{dft_title, dft_address, dft_town}));
    EXPECT_EQ(Fields(board.DynFields()), (QList<TDataFieldType>{dft_state_1, dft_state_2}));
    EXPECT_EQ(board.DynStart(), 2) << "set once, by the fixed fields before the first dynamic one";
    EXPECT_EQ(board.GetData(dft_title), (TDataFieldConfig{QStringLiteral("Название"), 120, true}));
    EXPECT_EQ(board.GetData(dft_address), (TDataFieldConfig{QString(), 80, false}));
    EXPECT_EQ(board.GetData(dft_town), (TDataFieldConfig{QStringLiteral("Город"), -1, false})) << "no width: unshown";
    EXPECT_EQ(board.GetData(dft_state_2).Width, 31);

    const TOutdoorRole &role = user.Role();
    EXPECT_TRUE(role.GetObjectAllow(dot_board));
    EXPECT_FALSE(role.GetObjectOwnerAllow(dot_board));
    EXPECT_TRUE(role.GetObjectAllow(dot_sale));
    EXPECT_TRUE(role.GetObjectOwnerAllow(dot_sale));
    EXPECT_FALSE(role.GetObjectAllow(dot_client));
    EXPECT_TRUE(role.GetObjectActionAllow(dot_board, doat_edit));
    EXPECT_FALSE(role.GetObjectActionOwnerAllow(dot_board, doat_edit));
    EXPECT_FALSE(role.GetObjectActionAllow(dot_board, doat_view));
    EXPECT_TRUE(role.GetObjectActionAllow(dot_sale, doat_delete));
    EXPECT_TRUE(role.GetObjectActionOwnerAllow(dot_sale, doat_delete));
    EXPECT_TRUE(role.GetObjectFieldDisallow(dot_client, dft_phone));
    EXPECT_FALSE(role.GetObjectExportFieldDisallow(dot_client, dft_phone));
    EXPECT_TRUE(role.GetObjectExportFieldDisallow(dot_client, dft_email));

    EXPECT_EQ(Fields(user.GetObjectConfigCustom(dot_board).Fields()), QList<TDataFieldType>{dft_town});
    EXPECT_EQ(user.GetObjectConfigCustom(dot_board).GetData(dft_town).Width, 50);
}

TEST_F(UserSession, OddListsAndElementsChangeNothing)
{
    const char *cases[] = {
        R"({})",
        R"({"obj_field": {}, "role_object": "board", "role_object_action": 5, "role_object_field_block": null,
            "role_object_field_export_block": true, "user_config": {"obj_id": "board"}})",
        R"({"obj_field": [1, "x", [], null, true], "role_object": [[{"obj_id": "board"}], "board", 7],
            "role_object_action": [null], "user_config": ["{}"]})",
        R"({"role_object": [{"obj_id": "no_such_kind", "obj_owner_test": "Y"}, {"obj_id": 11}, {"obj_id": ""},
                            {"obj_id": "null"}, {"obj_id": "BOARD"}, {"obj_owner_test": "Y"}]})",
        R"({"role_object_action": [{"obj_id": "board", "action_id": "", "obj_owner_test": "Y"},
                                   {"obj_id": "board", "obj_owner_test": "Y"},
                                   {"obj_id": "board", "action_id": "fly", "obj_owner_test": "Y"},
                                   {"obj_id": "nothing", "action_id": "edit", "obj_owner_test": "Y"}]})",
        R"({"role_object_field_block": [{"obj_id": "board", "field_id": "no_field"}, {"obj_id": "board"},
                                        {"obj_id": "x", "field_id": "title"}],
            "role_object_field_export_block": [{"obj_id": "board", "field_id": 3}]})",
        R"({"obj_field": [{"obj_id": "board", "field_id": "no_field", "width": 5},
                          {"obj_id": "no_kind", "field_id": "title", "is_dyn": "Y"},
                          {"field_id": "title"}],
            "user_config": [{"obj_id": "no_kind", "config": "{\"fields\":[],\"dyn_fields\":[],\"export_disabled\":[]}"}]})",
    };
    for (const char *raw : cases) {
        SCOPED_TRACE(raw);
        complex->UserClose();
        const QJsonDocument doc = QJsonDocument::fromJson(raw);
        ASSERT_TRUE(doc.isObject());
        complex->UserInit(*SignInAnswer(doc.object()), QStringLiteral("p"));
        EXPECT_TRUE(complex->IsSessionOpen());
        EXPECT_EQ(Rights(), TOutdoorRole());
        EXPECT_TRUE(NoLayouts());
    }
}

TEST_F(UserSession, RawThatIsNoObjectFailsAfterTheTextsAreTaken)
{
    const QJsonValue raws[] = {QJsonValue(QJsonValue::Undefined), QJsonValue(QJsonArray{1}), QJsonValue("raw"),
                               QJsonValue(QJsonValue::Null), QJsonValue(3)};
    for (const QJsonValue &raw : raws) {
        SCOPED_TRACE(QJsonDocument(QJsonArray{raw}).toJson().toStdString());
        complex->UserClose();
        try {
            complex->UserInit(*SignInAnswer(raw), QStringLiteral("p"));
            ADD_FAILURE() << "no failure";
        } catch (const EUError &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("wrong type data"));
        }
        EXPECT_EQ(complex->SIDH(), QStringLiteral("s1d"));
        EXPECT_EQ(complex->User().Login(), QStringLiteral("ivan"));
        EXPECT_EQ(complex->User().Email(), QStringLiteral("ivan@example.org"));
        EXPECT_EQ(complex->User().Role().ID(), QStringLiteral("manager"));
        EXPECT_EQ(Rights(), TOutdoorRole());
    }
}

TEST_F(UserSession, NoSessionIdentifierTouchesNoUser)
{
    complex->User().SetLogin(QStringLiteral("before"));
    for (const QJsonObject &row : {QJsonObject{{"sidh", ""}, {"login", "ivan"}, {"role", "r"}},
                                   QJsonObject{{"login", "ivan"}, {"role", "r"}}}) {
        try {
            complex->UserInit(*SignInAnswer(Parse(R"({"role_object": [{"obj_id": "board"}]})"), row), QStringLiteral("p"));
            ADD_FAILURE() << "no failure";
        } catch (const EUError &e) {
            EXPECT_TRUE(e.Message().isEmpty());
        }
        EXPECT_TRUE(complex->SIDH().isEmpty());
        EXPECT_EQ(complex->User().Login(), QStringLiteral("before"));
        EXPECT_TRUE(complex->User().Password().isEmpty());
        EXPECT_FALSE(complex->User().Role().GetObjectAllow(dot_board));
        EXPECT_FALSE(complex->IsSessionOpen());
    }
}

TEST_F(UserSession, UnclosedSessionsAddUpAndUnreadableSavedLayoutsDrop)
{
    const char *good = R"({"role_object": [{"obj_id": "board"}],
        "user_config": [{"obj_id": "sale", "config": "{\"fields\":[{\"id\":\"title\"}],\"dyn_fields\":[],\"export_disabled\":[]}"}]})";
    complex->UserInit(*SignInAnswer(Parse(good)), QStringLiteral("p"));
    ASSERT_TRUE(complex->User().GetObjectConfigCustom(dot_sale).IsSet());
    complex->UserInit(*SignInAnswer(Parse(R"({"role_object": [{"obj_id": "sale"}],
        "user_config": [{"obj_id": "sale", "config": "{not json"}]})")), QStringLiteral("p"));
    EXPECT_TRUE(complex->User().Role().GetObjectAllow(dot_board)) << "kept from the first sign-in";
    EXPECT_TRUE(complex->User().Role().GetObjectAllow(dot_sale));
    EXPECT_FALSE(complex->User().GetObjectConfigCustom(dot_sale).IsSet());
}

TEST_F(UserSession, SignInAtTheServiceThenCloseSendsDisconnect)
{
    svc.Service->AddUser(QStringLiteral("ivan"), QStringLiteral("Пароль-7"), QStringLiteral("Иван"),
                         QStringLiteral("ivan@example.org"), QStringLiteral("manager"),
                         Parse(R"({"role_object": [{"obj_id": "board"}]})"));
    const auto task = SignIn(QStringLiteral("ivan"), QStringLiteral("Пароль-7"));
    ASSERT_NE(task->Answer(), nullptr) << task->Error().toStdString();
    ASSERT_EQ(task->Answer()->Error(), 0);
    complex->UserInit(*task->Answer(), QStringLiteral("Пароль-7"));
    ASSERT_TRUE(complex->IsSessionOpen());
    EXPECT_TRUE(complex->User().Role().GetObjectAllow(dot_board));
    EXPECT_EQ(svc.Service->SessionCount(), 1);
    const QString sidh = complex->SIDH();

    complex->UserClose();
    const TStandinRequest r = svc.Service->LastRequest();
    EXPECT_EQ(r.Path, QByteArray("/query.php"));
    EXPECT_EQ(r.Params, (QList<QPair<QString, QString>>{{"sidh", sidh}, {"action", "disconnect"}}));
    EXPECT_EQ(svc.Service->SessionCount(), 0);
    EXPECT_FALSE(complex->IsSessionOpen());
    EXPECT_TRUE(complex->SIDH().isEmpty());
    EXPECT_TRUE(complex->User().Login().isEmpty());
    EXPECT_EQ(complex->User().Password(), QStringLiteral("Пароль-7"));
    EXPECT_EQ(Rights(), TOutdoorRole());
    EXPECT_TRUE(Boxes.empty());
    EXPECT_TRUE(Errors.empty());

    // The service keeps no clear password in what it records.
    for (const TStandinRequest &req : svc.Service->Requests()) {
        EXPECT_FALSE(QString::fromUtf8(req.Body).contains(QStringLiteral("Пароль")));
        for (const auto &p : req.Params)
            EXPECT_FALSE(p.second.contains(QStringLiteral("Пароль")));
    }
}

TEST_F(UserSession, RefusedSignInIsLeftToTheSender)
{
    svc.Service->AddUser(QStringLiteral("ivan"), QStringLiteral("right"), {}, {}, QStringLiteral("r"));
    for (const auto &[login, password] : {std::pair{"ivan", "wrong"}, std::pair{"nobody", "right"}, std::pair{"", ""}}) {
        SCOPED_TRACE(login);
        Errors.clear();
        const auto task = SignIn(QString::fromLatin1(login), QString::fromLatin1(password));
        ASSERT_NE(task->Answer(), nullptr);
        EXPECT_EQ(task->Answer()->Error(), 13);
        EXPECT_EQ(Errors, std::vector<TOutdoorCloseReason>{ocrAuthUser});
        EXPECT_THROW(complex->UserInit(*task->Answer(), QString::fromLatin1(password)), EUError);
        EXPECT_FALSE(complex->IsSessionOpen());
    }
    EXPECT_TRUE(Boxes.empty());
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_EQ(svc.Service->SessionCount(), 0);
}

TEST_F(UserSession, ExpiredSessionAsksForANewSignInAndStillCloses)
{
    svc.Service->AddUser(QStringLiteral("ivan"), QStringLiteral("pw"), {}, {}, QStringLiteral("r"));
    complex->UserInit(*SignIn(QStringLiteral("ivan"), QStringLiteral("pw"))->Answer(), QStringLiteral("pw"));
    ASSERT_TRUE(complex->IsSessionOpen());

    // A request within the session: the caller's parameters follow the session's, answer codes
    // reach its success handler.
    auto task = complex->TaskCreate(QStringLiteral("cache"));
    task->ParamAdd(QStringLiteral("id"), 7);
    bool succeeded = false;
    task->OnWork.OnSuccess = [&](QObject *) { succeeded = true; };
    EXPECT_FALSE(task->HandleAnswerErrorAsCommon());
    complex->Data().TaskRun(task.get());
    EXPECT_TRUE(succeeded);
    EXPECT_EQ(task->Answer()->Error(), 0);
    EXPECT_EQ(svc.Service->LastRequest().Params,
              (QList<QPair<QString, QString>>{{"sidh", complex->SIDH()}, {"action", "cache"}, {"id", "7"}}));

    svc.Service->ExpireSessions();
    succeeded = false;
    task = complex->TaskCreate(QStringLiteral("cache"));
    task->OnWork.OnSuccess = [&](QObject *) { succeeded = true; };
    complex->Data().TaskRun(task.get());
    EXPECT_TRUE(succeeded);
    ASSERT_NE(task->Answer(), nullptr);
    EXPECT_EQ(task->Answer()->Error(), 10);
    EXPECT_EQ(LogLines(), QStringList{"ocrReconnect"});
    EXPECT_EQ(BoxTexts(), QStringList{"Сеанс закрыт. Требуется повторный вход!"});

    complex->UserClose();
    EXPECT_FALSE(complex->IsSessionOpen());
    EXPECT_EQ(Errors, (std::vector<TOutdoorCloseReason>{ocrReconnect, ocrReconnect}));
}

TEST_F(UserSession, CloseWithoutTheServiceStillClosesLocally)
{
    complex->UserInit(*SignInAnswer(Parse("{}")), QStringLiteral("p"));
    ASSERT_TRUE(complex->IsSessionOpen());
    complex->Data().SetHost(QStringLiteral("http://127.0.0.1:%1/").arg(FreeLoopbackPort()));
    complex->UserClose();
    EXPECT_FALSE(complex->IsSessionOpen());
    EXPECT_TRUE(complex->SIDH().isEmpty());
    EXPECT_TRUE(Boxes.empty());
    EXPECT_TRUE(Errors.empty());

    // Without a session nothing is sent.
    const int before = svc.Server.RequestCount();
    complex->Data().SetHost(svc.Server.BaseURL());
    complex->UserClose();
    EXPECT_EQ(svc.Server.RequestCount(), before);
}
