// Reloads of the reference cache through the core's task factory and task manager, against
// the stand-in service and against servers that answer badly.
#include "ComplexFixture.h"
#include "UnitDataCache.h"

#include <httplib.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>

#include <condition_variable>
#include <mutex>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray Envelope(int code, const QJsonValue &raw = QJsonValue::Undefined)
{
    QJsonObject e{{"code", code}, {"count", 0}, {"fields", QJsonArray()}, {"data", QJsonArray()}};
    if (!raw.isUndefined())
        e.insert("raw", raw);
    return QJsonDocument(e).toJson(QJsonDocument::Compact);
}

std::vector<QString> Keys(const TUDataSource &list)
{
    std::vector<QString> out;
    for (const TUDataItem *item : list)
        out.push_back(item->ID().ToString());
    return out;
}

// "query.php" answers held back until the test lets them go, one gate per request in arrival
// order; requests beyond the gates are answered at once. Gates still closed open when the
// server goes, so no handler outlives it.
class TGatedService {
public:
    explicit TGatedService(std::vector<QByteArray> Answers) : FAnswers(std::move(Answers))
    {
        FServer.Http().Post("/query.php", [this](const httplib::Request &, httplib::Response &res) {
            std::unique_lock lock(FLock);
            const size_t n = FArrived++;
            FChanged.notify_all();
            FChanged.wait_for(lock, std::chrono::seconds(20), [&] { return FStopping || n < FOpened; });
            const QByteArray body = FAnswers[std::min(n, FAnswers.size() - 1)];
            res.set_content(body.toStdString(), "application/json; charset=utf-8");
        });
    }
    ~TGatedService()
    {
        {
            std::lock_guard lock(FLock);
            FStopping = true;
        }
        FChanged.notify_all();
        FServer.Stop();
    }
    bool Start() { return FServer.Start(); }
    QString BaseURL() const { return FServer.BaseURL(); }
    size_t Arrived() const
    {
        std::lock_guard lock(FLock);
        return FArrived;
    }
    // Lets the answers up to request Count go.
    void OpenUpTo(size_t Count)
    {
        {
            std::lock_guard lock(FLock);
            FOpened = Count;
        }
        FChanged.notify_all();
    }

private:
    TStandinServer FServer;
    const std::vector<QByteArray> FAnswers;
    mutable std::mutex FLock; // guards the counters and FStopping
    std::condition_variable FChanged;
    size_t FArrived = 0;
    size_t FOpened = 0;
    bool FStopping = false;
};

class CacheReload : public ComplexFixture {
protected:
    void SetUp() override
    {
        ComplexFixture::SetUp();
        Watch(complex->Cache());
    }
    void Watch(TDataCache &cache)
    {
        cache.SetOnSet([this](TDataCache *sender) {
            Outcomes << u"set"_s;
            Loading = sender->Loading();
        });
        cache.SetOnError([this](TDataCache *sender) {
            Outcomes << u"error"_s;
            Loading = sender->Loading();
        });
    }
    void SignIn()
    {
        svc.Service->AddUser(u"ivan"_s, u"secret"_s, u"Иван"_s, u"ivan@example.org"_s, u"3"_s);
        auto task = complex->TaskCreate(u"login"_s);
        task->ParamAdd(u"login"_s, u"ivan"_s);
        task->ParamAdd(u"password"_s, u"secret"_s);
        complex->Data().TaskRun(task.get());
        ASSERT_NE(task->Answer(), nullptr) << task->Error().toStdString();
        complex->UserInit(*task->Answer(), u"secret"_s);
        ASSERT_TRUE(complex->IsSessionOpen());
    }
    bool Finished(const TDataCache &cache) { return testutil::waitUntil([&] { return !cache.Loading(); }); }

    QStringList Outcomes;
    bool Loading = true; // as the handler saw it
};

} // namespace

TEST_F(CacheReload, ReloadFromTheServiceFillsTheListsThenReportsSet)
{
    SignIn();
    TDataCache &cache = complex->Cache();
    cache.Load();
    EXPECT_TRUE(cache.Loading());
    ASSERT_TRUE(Finished(cache));
    EXPECT_EQ(Outcomes, QStringList{u"set"_s});
    EXPECT_FALSE(Loading) << "forgotten before the handler";
    const TStandinRequest r = svc.Service->LastRequest();
    EXPECT_EQ(r.Path, QByteArray("/query.php"));
    EXPECT_EQ(r.Params, (QList<QPair<QString, QString>>{{"sidh", complex->SIDH()}, {"action", "cache"}}));
    EXPECT_EQ(Keys(*cache.GetData(ctTown)), (std::vector<QString>{"10", "11"}));
    EXPECT_EQ(cache.GetTitle(ctTown, 11), u"Харьков"_s);
    EXPECT_EQ(cache.GetTitle(ctUser, TUDataKey(u"ivan"_s)), u"Иван"_s);
    TDataUser *user = nullptr;
    ASSERT_TRUE(cache.GetData(ctUser)->TryGetValue(TUDataKey(u"ivan"_s), user));
    EXPECT_EQ(user->Role(), TUDataKey(3));
    for (const TDataCacheType type : {ctRegion, ctBoardFormat, ctRole, ctFirm, ctOperator, ctClient, ctStick, ctStickRC,
                                      ctStickRCPT, ctTownType, ctReqType, ctBoardExtra, ctDocTemplate, ctMailTemplate})
        EXPECT_FALSE(cache.GetData(type)->IsEmpty()) << int(type);
    EXPECT_TRUE(Errors.empty());
    EXPECT_EQ(complex->Data().Count(), 0);
}

// Every way a reload can fail reports an error and keeps the lists that were there.
TEST_F(CacheReload, FailedReloadsReportErrorAndKeepTheLists)
{
    const QJsonObject good{{"town", QJsonArray{QJsonObject{{"town", 1}, {"title", "Киев"}}}},
                           {"region", QJsonArray{QJsonObject{{"region", 1}, {"title", "Центр"}}}}};
    struct Case {
        const char *name;
        QByteArray body; // empty: nobody listens
        bool cut = false;
    };
    const Case cases[] = {
        {"dead session", Envelope(10, QJsonObject{{"town", QJsonArray()}})},
        {"service error", Envelope(3, QJsonObject{{"town", QJsonArray()}})},
        {"no raw", Envelope(0)},
        {"raw is an array", Envelope(0, QJsonArray{QJsonObject{{"town", QJsonArray()}}})},
        {"raw is a text", Envelope(0, u"town"_s)},
        {"no JSON", "<html>busy</html>"},
        {"cut short", Envelope(0, QJsonObject{{"town", QJsonArray()}}), true},
        {"nobody listens", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Outcomes.clear();
        TStandinServer server;
        if (c.cut)
            server.ServeCut(u"/query.php"_s, c.body, c.body.size() / 2);
        else if (!c.body.isEmpty())
            server.SetStatus(u"/query.php"_s, 200, c.body);
        if (!c.body.isEmpty()) {
            ASSERT_TRUE(server.Start());
        }
        complex->Data().SetHost(c.body.isEmpty() ? u"http://127.0.0.1:%1/"_s.arg(FreeLoopbackPort())
                                                 : server.BaseURL());
        TDataCache &cache = complex->Cache();
        ASSERT_TRUE(cache.LoadSet(good));
        cache.Load();
        ASSERT_TRUE(Finished(cache));
        EXPECT_EQ(Outcomes, QStringList{u"error"_s});
        EXPECT_EQ(Keys(*cache.GetData(ctTown)), (std::vector<QString>{"1"}));
        EXPECT_EQ(Keys(*cache.GetData(ctRegion)), (std::vector<QString>{"1"}));
        ASSERT_TRUE(testutil::waitUntil([&] { return complex->Data().Count() == 0; }));
    }
}

TEST_F(CacheReload, SecondLoadStopsTheFirstWhichReportsNothing)
{
    TGatedService gated({Envelope(0, QJsonObject{{"town", QJsonArray{QJsonObject{{"town", 1}}}}}),
                         Envelope(0, QJsonObject{{"town", QJsonArray{QJsonObject{{"town", 2}}}}})});
    ASSERT_TRUE(gated.Start());
    complex->Data().SetHost(gated.BaseURL());
    TDataCache &cache = complex->Cache();
    cache.Load();
    ASSERT_TRUE(testutil::waitUntil([&] { return gated.Arrived() == 1; }));
    cache.Load();
    ASSERT_TRUE(testutil::waitUntil([&] { return gated.Arrived() == 2; }));
    // The first one's connection is dropped: its task ends without a word to the cache.
    ASSERT_TRUE(testutil::waitUntil([&] { return complex->Data().Count() == 1; }));
    EXPECT_TRUE(cache.Loading());
    EXPECT_TRUE(Outcomes.isEmpty());
    gated.OpenUpTo(2);
    ASSERT_TRUE(Finished(cache));
    EXPECT_EQ(Outcomes, QStringList{u"set"_s});
    EXPECT_EQ(Keys(*cache.GetData(ctTown)), (std::vector<QString>{"2"}));
}

// A handler may start the next reload; it is the one the cache then waits for.
TEST_F(CacheReload, HandlerMayStartTheNextReload)
{
    SignIn();
    TDataCache &cache = complex->Cache();
    int reloads = 0;
    cache.SetOnSet([&](TDataCache *sender) {
        Outcomes << u"set"_s;
        if (++reloads < 2)
            sender->Load();
    });
    cache.Load();
    ASSERT_TRUE(testutil::waitUntil([&] { return Outcomes.size() == 2 && !cache.Loading(); }));
    EXPECT_EQ(Outcomes, (QStringList{u"set"_s, u"set"_s}));
}

TEST_F(CacheReload, DestroyingTheCacheOrTheCoreStopsTheReload)
{
    TGatedService gated({Envelope(0, QJsonObject{{"town", QJsonArray{QJsonObject{{"town", 1}}}}})});
    ASSERT_TRUE(gated.Start());
    complex->Data().SetHost(gated.BaseURL());

    auto own = std::make_unique<TDataCache>(complex.get());
    Watch(*own);
    own->Load();
    ASSERT_TRUE(testutil::waitUntil([&] { return gated.Arrived() == 1; }));
    const QPointer<TDataLoader> task = complex->Data().Data(0);
    ASSERT_TRUE(task);
    own.reset();
    ASSERT_TRUE(testutil::waitUntil([&] { return !task; })) << "stopped, not left waiting for the answer";
    gated.OpenUpTo(1);

    complex->Cache().Load();
    ASSERT_TRUE(testutil::waitUntil([&] { return gated.Arrived() == 2; }));
    const QPointer<TDataLoader> second = complex->Data().Data(0);
    ASSERT_TRUE(second);
    complex.reset();
    ASSERT_TRUE(testutil::waitUntil([&] { return !second; }));
    EXPECT_TRUE(Outcomes.isEmpty());
}

// The sign-in rebuilds the mail-template fields from the user's layout of them.
TEST_F(CacheReload, SignInBuildsTheMailTemplateFieldsInLayoutOrder)
{
    const auto signIn = [this](const char *raw) {
        QJsonObject row{{"sidh", "s1"}, {"login", "ivan"}, {"user_name", "Иван"}, {"role", "3"}};
        const QJsonObject e{{"code", 0}, {"count", 1}, {"fields", QJsonArray::fromStringList(row.keys())},
                            {"data", QJsonArray{row}}, {"raw", QJsonDocument::fromJson(raw).object()}};
        const TAPIDataAnswer answer(QString::fromUtf8(QJsonDocument(e).toJson()));
        complex->UserClose();
        complex->UserInit(answer, u"p"_s);
    };
    signIn(R"({"obj_field": [
        {"obj_id": "mail_template_field", "field_id": "town", "title": "Город", "width": "50"},
        {"obj_id": "board", "field_id": "title", "title": "Название"},
        {"obj_id": "mail_template_field", "field_id": "address", "title": "Адрес"},
        {"obj_id": "mail_template_field", "field_id": "no_such", "title": "?"},
        {"obj_id": "mail_template_field", "field_id": "board_format", "title": "Формат", "is_dyn": "Y"}]})");
    const TUDataSource &list = *complex->Cache().GetData(ctMailTemplateField);
    struct Row {
        QString key, title;
        int32_t order;
        bool operator==(const Row &) const = default;
    };
    std::vector<Row> rows;
    for (const TUDataItem *item : list)
        rows.push_back({item->ID().ToString(), item->Title(),
                        dynamic_cast<const TDataMailTemplateField &>(*item).OrderID()});
    EXPECT_EQ(rows, (std::vector<Row>{{"address", u"Адрес"_s, 1}, {"town", u"Город"_s, 0}}));

    // A later sign-in rebuilds the list rather than adding to it.
    signIn(R"({"obj_field": []})");
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_TRUE(complex->Cache().LoadSubStatic());
}
