#include "StandinStore.h"
#include "TestUtil.h"
#include "TransportTestUtil.h"
#include "UAPIData.h"
#include "UAPIDataLoader.h"

#include <QCryptographicHash>
#include <QFile>

#include <gtest/gtest.h>
#include <httplib.h>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(StandinStore, ANewStoreIsFilledFromTheSeedWithItsTemplateFiles)
{
    testutil::TempDir dir;
    TStandinStore store(dir.path(), QStringLiteral(OC_STANDIN_SEED));
    ASSERT_TRUE(store.IsOpen()) << store.Error().toStdString();

    EXPECT_EQ(store.Settings().value("organization").toString(), "ООО «Щит-Медиа»");
    const QJsonObject sets = store.Sets();
    for (const char *name : {"region", "board_format", "role", "town", "user", "firm", "operator", "client", "stick",
                             "stick_rc", "stick_rcpt", "town_type", "req_type", "board_extra", "doc_template",
                             "mail_template"})
        EXPECT_FALSE(sets.value(name).toArray().isEmpty()) << name;
    EXPECT_EQ(store.Set("town").first()["title"].toString(), "Москва"); // the seed's order
    EXPECT_EQ(store.Record("user", "ivanov")->value("user_name").toString(), "Иванов Сергей Петрович");

    // Every template names a stored file whose hash is that of its content.
    for (const char *set : {"doc_template", "mail_template"}) {
        for (const QJsonValue t : store.Set(set)) {
            const auto file = store.File(t["fid"].toString());
            ASSERT_TRUE(file) << set;
            EXPECT_EQ(t["fhash"].toString(), file->Hash);
            const QByteArray content = fileBytes(file->Path);
            EXPECT_TRUE(content.startsWith("{\\rtf1"));
            EXPECT_EQ(file->Hash, QCryptographicHash::hash(content, QCryptographicHash::Md5).toHex());
        }
    }
    EXPECT_FALSE(store.Workstations().isEmpty());
    EXPECT_FALSE(store.Accounts().isEmpty());
}

TEST(StandinStore, DataSurviveARestartAndTheSeedIsReadOnlyOnce)
{
    testutil::TempDir dir;
    {
        TStandinStore store(dir.path(), QStringLiteral(OC_STANDIN_SEED));
        ASSERT_TRUE(store.IsOpen());
        store.SetSetting("organization", "ООО «Новое имя»");
        store.PutRecord("town", "1", QJsonObject{{"town", "1"}, {"title", "Москва (центр)"}});
        store.PutRecord("town", "99", QJsonObject{{"town", "99"}, {"title", "Зеленоград"}});
        store.PutWorkstation("40", "branch");
        ASSERT_TRUE(store.PutFile({}, "new content", "rtf"));
    }
    TStandinStore store(dir.path(), QStringLiteral(OC_STANDIN_SEED));
    ASSERT_TRUE(store.IsOpen());
    EXPECT_EQ(store.Settings().value("organization").toString(), "ООО «Новое имя»");
    const QJsonArray towns = store.Set("town");
    EXPECT_EQ(towns.first()["title"].toString(), "Москва (центр)"); // changed in its place
    EXPECT_EQ(towns.last()["title"].toString(), "Зеленоград");
    EXPECT_TRUE(store.Workstations().contains(qMakePair(QStringLiteral("40"), QStringLiteral("branch"))));

    // A new content gets a new hash; an identifier that is no positive number is refused.
    const auto first = store.File("1");
    ASSERT_TRUE(first);
    const auto changed = store.PutFile("1", "changed", "rtf");
    ASSERT_TRUE(changed);
    EXPECT_NE(changed->Hash, first->Hash);
    EXPECT_EQ(fileBytes(changed->Path), "changed");
    EXPECT_FALSE(store.PutFile("../x", "x", "rtf"));
    EXPECT_FALSE(store.PutFile("-1", "x", "rtf"));
}

TEST(StandinStore, TheServiceSignsInSeededAccountsAndServesStoredFiles)
{
    testutil::TempDir dir;
    TStandinStore store(dir.path(), QStringLiteral(OC_STANDIN_SEED));
    TServiceFixture svc;
    svc.Service->UseStore(&store);
    ASSERT_TRUE(svc.Start());

    TDataLoader login;
    login.SetHost(svc.URL("query.php"));
    login.ParamAdd("action", QStringLiteral("login"));
    login.ParamAdd("login", QStringLiteral("ivanov"));
    login.ParamAdd("password", QStringLiteral("Щит2026"));
    login.Query(false);
    ASSERT_NE(login.Answer(), nullptr);
    EXPECT_EQ(login.Answer()->Error(), 0);
    EXPECT_EQ(login.Answer()->Data().AsStr(dft_user_name, 0), "Иванов Сергей Петрович");
    EXPECT_TRUE(login.Answer()->Raw().toObject().value("role_object").isArray());

    const QJsonObject dogovor = store.Set("doc_template").first().toObject();
    httplib::Client client("127.0.0.1", svc.Server.Port());
    const auto res = client.Get(("/filebase_get.php?fhash=" + dogovor["fhash"].toString() + "&fid=" + dogovor["fid"].toString())
                                    .toStdString());
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(QByteArray::fromStdString(res->body), fileBytes(store.File(dogovor["fid"].toString())->Path));
    const auto stale = client.Get(("/filebase_get.php?fhash=0&fid=" + dogovor["fid"].toString()).toStdString());
    ASSERT_TRUE(stale);
    EXPECT_EQ(stale->status, 404);
}

TEST(StandinStore, RecordActionsReadAndChangeStoredRecordsWithinTheRoleRights)
{
    testutil::TempDir dir;
    TStandinStore store(dir.path(), QStringLiteral(OC_STANDIN_SEED));
    TServiceFixture svc;
    svc.Service->UseStore(&store);
    ASSERT_TRUE(svc.Start());
    // Runs one request with Params in order; the answer stays with the returned task.
    auto run = [&svc](const QList<QPair<QString, QString>> &Params) {
        auto task = std::make_unique<TDataLoader>();
        task->SetHost(svc.URL("query.php"));
        for (const auto &[name, value] : Params)
            task->ParamAdd(name, value);
        task->Query(false);
        EXPECT_NE(task->Answer(), nullptr);
        return task;
    };
    const auto login = run({{"action", "login"}, {"login", "ivanov"}, {"password", "Щит2026"}});
    const QString sidh = login->Answer()->Data().AsStr(dft_sidh, 0);
    ASSERT_FALSE(sidh.isEmpty());

    const auto view = run({{"sidh", sidh}, {"action", "client_view"}, {"client", "1"}});
    EXPECT_EQ(view->Answer()->Error(), 0);
    EXPECT_EQ(view->Answer()->Data().AsStr(dft_contact_person, 0), "Орлова Екатерина");
    EXPECT_EQ(view->Answer()->Data().AsStr(dft_req_inn, 0), store.Record("client", "1")->value("req_inn").toString());

    const auto edit = run({{"sidh", sidh}, {"action", "client_edit"}, {"client", "1"}, {"contact_phone", "+7 (900) 000-00-01"}});
    EXPECT_EQ(edit->Answer()->Error(), 0);
    EXPECT_EQ(store.Record("client", "1")->value("contact_phone").toString(), "+7 (900) 000-00-01");
    EXPECT_EQ(store.Record("client", "1")->value("title").toString(), "ООО «Вкусная точка»"); // the rest kept

    const auto add = run({{"sidh", sidh}, {"action", "client_add"}, {"title", "ООО «Новый клиент»"}});
    EXPECT_EQ(add->Answer()->Data().AsStr(dft_client, 0), "11");
    EXPECT_EQ(store.Set("client").size(), 11);
    const auto list = run({{"sidh", sidh}, {"action", "client_list"}});
    EXPECT_EQ(list->Answer()->Data().RowCount(), 11);

    // A manager may not delete clients nor touch towns; a missing record gives no row.
    EXPECT_EQ(run({{"sidh", sidh}, {"action", "client_delete"}, {"client", "1"}})->Answer()->Error(), 30);
    EXPECT_EQ(run({{"sidh", sidh}, {"action", "town_edit"}, {"town", "1"}, {"title", "x"}})->Answer()->Error(), 30);
    EXPECT_EQ(run({{"sidh", sidh}, {"action", "client_view"}, {"client", "999"}})->Answer()->Data().RowCount(), 0);
    EXPECT_EQ(store.Record("town", "1")->value("title").toString(), "Москва");
    // Without a session nothing is read.
    EXPECT_EQ(run({{"sidh", "gone"}, {"action", "client_view"}, {"client", "1"}})->Answer()->Error(), 10);

    // Several records at once: one row for each found; an edit changes each.
    const auto both = run({{"sidh", sidh}, {"action", "client_view"}, {"client", "1,2,999"}});
    EXPECT_EQ(both->Answer()->Data().RowCount(), 2);
    EXPECT_EQ(run({{"sidh", sidh}, {"action", "client_edit"}, {"client", "1,2"}, {"req_buh", "Нет"}})->Answer()->Data().RowCount(), 2);
    EXPECT_EQ(store.Record("client", "2")->value("req_buh").toString(), "Нет");
    EXPECT_EQ(store.Record("client", "2")->value("title").toString(), "АО «СтройИнвест»");

    // A field blocked for the role is refused, with the rest of that change.
    const auto buh = run({{"action", "login"}, {"login", "buh"}, {"password", "buh"}});
    const QString buhSidh = buh->Answer()->Data().AsStr(dft_sidh, 0);
    EXPECT_EQ(run({{"sidh", buhSidh}, {"action", "client_edit"}, {"client", "1"}, {"req_kpp", "770101009"},
                   {"contact_email", "x@example.ru"}})->Answer()->Error(), 30);
    EXPECT_EQ(store.Record("client", "1")->value("req_kpp").toString(), "770101001");
}
