#include "ComplexFixture.h"
#include "UException.h"
#include "UnitDocManager.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QThread>

#include <thread>

using namespace Qt::Literals::StringLiterals;

namespace {

QString Md5(const QByteArray &data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex());
}

TUAPIFile File(const QString &fid, const QString &hash, const QString &ext = u"docx"_s)
{
    TUAPIFile f;
    f.SetData(TUDataKey(fid), hash, {}, ext);
    return f;
}

// The outcome of one operation as its caller sees it.
struct TOutcome {
    QStringList Lines;
    bool Done() const { return !Lines.isEmpty(); }
};

class DocManager : public ComplexFixture {
protected:
    void SetUp() override
    {
        ComplexFixture::SetUp();
        ASSERT_TRUE(complex->InitDirs());
        svc.Service->AddUser(u"ivan"_s, u"pw"_s, u"Ivan"_s, u"ivan@example.org"_s, u"manager"_s);
        auto task = complex->TaskCreate(u"login"_s);
        task->ParamAdd(u"login"_s, u"ivan"_s);
        task->ParamAdd(u"password"_s, u"pw"_s);
        ASSERT_NE(complex->Data().TaskRun(task.get()), nullptr);
        complex->UserInit(*task->Answer(), u"pw"_s);
        cache = complex->Vars().CacheDocDir();
        docs().TrackingThread().SetSleepTimeMs(20);
    }
    TDocManager &docs() { return complex->DocManager(); }

    TWorkEvent Events(TOutcome &out, std::function<void()> onSuccess = {})
    {
        TWorkEvent e;
        e.OnError = [&out](QObject *, const QString &m) { out.Lines << u"error "_s + m; };
        e.OnSuccess = [&out, onSuccess](QObject *) {
            if (onSuccess)
                onSuccess();
            out.Lines << u"success"_s;
        };
        return e;
    }
    // A document the service holds, with its content.
    TUAPIFile Stored(const QString &fid, const QByteArray &content)
    {
        const QString path = dir.file(u"store_"_s + fid);
        testutil::writeFile(path, content);
        svc.Service->AddFile(fid, Md5(content), path);
        return File(fid, Md5(content));
    }
    // Uploads a new document and waits for it; its file data as the service answered.
    TUAPIFile Added(const QByteArray &content)
    {
        const QString local = dir.file(u"local.docx"_s);
        testutil::writeFile(local, content);
        TOutcome out;
        TUAPIFile added;
        TWorkEvent e = Events(out);
        e.OnSuccess = [&](QObject *Sender) {
            added = TDocManager::ReadFileData(*static_cast<TDataLoader *>(Sender)->Answer());
            out.Lines << u"success"_s;
        };
        docs().Add(local, e);
        EXPECT_TRUE(testutil::waitUntil([&] { return out.Done(); }));
        EXPECT_EQ(out.Lines, QStringList{u"success"_s});
        return added;
    }
    int Requests(const QString &action) const
    {
        int n = 0;
        for (const auto &r : svc.Service->Requests())
            n += r.Param(u"action"_s) == action || (action == u"get"_s && r.Path == "/filebase_get.php");
        return n;
    }
    QStringList CacheEntries() const { return QDir(cache).entryList(QDir::AllEntries | QDir::NoDotAndDotDot); }
    void EditCopy(const TUAPIFile &f, const QByteArray &content, int secs = 5)
    {
        testutil::saveLater(cache + f.FileName(), content, secs);
    }

    QString cache;
};

TEST_F(DocManager, ActivationLoadsTheFileAndStartsTheThreadOnce)
{
    EXPECT_EQ(docs().IniFile(), dir.file(u"docs.ini"_s));
    EXPECT_EQ(docs().CachePath(), dir.file(u"docs"_s) + QDir::separator());
    const TUAPIFile f = File(u"7"_s, u"h7"_s);
    testutil::writeFile(cache + f.FileName(), "x");
    testutil::writeFile(dir.file(u"docs.ini"_s), R"({"fid":7,"fhash":"h7","ext":"docx"})" "\r\n");
    EXPECT_FALSE(docs().TrackingThread().Started());
    docs().SetActive(true);
    EXPECT_TRUE(docs().TrackingThread().Started());
    EXPECT_EQ(docs().Tracking().Count(), 1);
    // Neither a second activation nor one after deactivating reloads the file.
    testutil::writeFile(dir.file(u"docs.ini"_s), "");
    docs().SetActive(true);
    docs().SetActive(false);
    EXPECT_FALSE(docs().Active());
    docs().SetActive(true);
    EXPECT_EQ(docs().Tracking().Count(), 1);
}

TEST_F(DocManager, DownloadReplacesTheCopyAndTracksItAfterTheCallersSuccess)
{
    const TUAPIFile f = Stored(u"5"_s, "new content");
    testutil::writeFile(cache + f.FileName(), "old copy");
    TOutcome out;
    bool trackedAtSuccess = true;
    docs().LoadToCache(f, Events(out, [&] { trackedAtSuccess = docs().Tracking().Row(f.FID).FileData.IsSet(); }));
    ASSERT_TRUE(testutil::waitUntil([&] { return out.Done(); }));
    EXPECT_EQ(out.Lines, QStringList{u"success"_s});
    EXPECT_FALSE(trackedAtSuccess);
    EXPECT_EQ(testutil::readFile(cache + f.FileName()), QByteArray("new content"));
    EXPECT_TRUE(docs().IsLastVersion(f));
    EXPECT_EQ(docs().Tracking().Row(f.FID).ModifyDate,
              TDateTime::FromQDateTime(QFileInfo(cache + f.FileName()).lastModified()));
    EXPECT_EQ(CacheEntries(), QStringList{f.FileName()});
}

TEST_F(DocManager, FailedDownloadsReportAndLeaveNoTemporaryFile)
{
    const QByteArray big(1 << 20, 'b');
    struct Case {
        const char *Name;
        TUAPIFile File;
        bool Cut, Locked;
        QString Error; // empty: any transport failure
    } cases[] = {
        {"cut short", Stored(u"1"_s, big), true, false, {}},
        {"not in the store", File(u"2"_s, u"nohash"_s), false, false, {}},
        {"copy locked", Stored(u"3"_s, "c3"), false, true, u"Renaming file error"_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        TStandinService::TFileFaults faults;
        faults.CutDownloads = c.Cut;
        svc.Service->SetFileFaults(faults);
        if (c.Locked) {
            // A copy that cannot be deleted: a folder holding a file.
            ASSERT_TRUE(QDir().mkpath(cache + c.File.FileName()));
            testutil::writeFile(cache + c.File.FileName() + u"/inside"_s, "x");
        }
        TOutcome out;
        docs().LoadToCache(c.File, Events(out));
        ASSERT_TRUE(testutil::waitUntil([&] { return out.Done(); }));
        ASSERT_EQ(out.Lines.size(), 1);
        EXPECT_TRUE(out.Lines[0].startsWith(u"error "_s)) << out.Lines[0].toStdString();
        if (!c.Error.isEmpty()) {
            EXPECT_EQ(out.Lines[0], u"error "_s + c.Error);
        }
        EXPECT_EQ(CacheEntries(), c.Locked ? QStringList{c.File.FileName()} : QStringList{});
        EXPECT_FALSE(docs().Tracking().Row(c.File.FID).FileData.IsSet());
    }
}

TEST_F(DocManager, RefusedArgumentsFailBeforeAnyRequest)
{
    const int before = svc.Service->Requests().size();
    TOutcome out;
    docs().LoadToCache(File(u"9"_s, u"../../escape"_s), Events(out));
    EXPECT_EQ(out.Lines, QStringList{u"error "_s + TDocManager::UnsafeNameMessage()});
    auto message = [](const std::function<void()> &op) {
        try {
            op();
        } catch (const EUError &e) {
            return e.Message();
        }
        return QString();
    };
    EXPECT_EQ(message([&] { docs().LoadToCache(TUAPIFile(), {}); }), u"AFile is not set"_s);
    EXPECT_THROW(docs().LoadToCache(TUAPIFile(), {}), EUAssertion);
    EXPECT_EQ(message([&] { docs().Add(dir.file(u"missing.docx"_s), {}); }), u"Файл шаблона отсутствует..."_s);
    EXPECT_EQ(message([&] { docs().Replace(TUAPIFile(), {}); }), u"AFile must be set..."_s);
    EXPECT_EQ(message([&] { docs().Replace(File(u"9"_s, u"notcached"_s), {}); }), u"File does not exists..."_s);
    TUAPIFile f = File(u"9"_s, u"notcached"_s);
    EXPECT_EQ(message([&] { docs().Replace(f); }), u"File does not exists..."_s);
    EXPECT_EQ(svc.Service->Requests().size(), before);
}

TEST_F(DocManager, AddUploadsCachesAndTracks)
{
    const TUAPIFile f = Added("template");
    ASSERT_TRUE(f.IsSet());
    EXPECT_EQ(f.FHash.ToString(), Md5("template"));
    EXPECT_EQ(f.Ext, u"docx"_s);
    EXPECT_EQ(svc.Service->FileContent(f.FID.ToString()), QByteArray("template"));
    EXPECT_EQ(testutil::readFile(cache + f.FileName()), QByteArray("template"));
    EXPECT_TRUE(docs().IsLastVersion(f));

    // A hash from the service that would leave the cache: nothing is cached, the caller is told.
    TStandinService::TFileFaults faults;
    faults.Hash = u"..\\..\\evil"_s;
    svc.Service->SetFileFaults(faults);
    testutil::writeFile(dir.file(u"local.docx"_s), "second");
    TOutcome out;
    docs().Add(dir.file(u"local.docx"_s), Events(out));
    ASSERT_TRUE(testutil::waitUntil([&] { return out.Done(); }));
    EXPECT_EQ(out.Lines, QStringList{u"error "_s + TDocManager::UnsafeNameMessage()});
    EXPECT_EQ(CacheEntries(), QStringList{f.FileName()});
}

TEST_F(DocManager, TheThreadSendsAnEditBackAndFollowsTheNewHash)
{
    // Activation loads the tracking file into an empty store: it comes first, as at connection.
    docs().SetActive(true);
    const TUAPIFile f = Added("v1");
    EditCopy(f, "v2");
    const TUAPIFile now = File(f.FID.ToString(), Md5("v2"));
    ASSERT_TRUE(testutil::waitUntil([&] { return docs().Tracking().Row(f.FID).FileData.FHash == now.FHash; }))
        << LogLines().join(u'\n').toStdString() << docs().Tracking().Stat().DocModifyCount;
    EXPECT_EQ(svc.Service->FileContent(f.FID.ToString()), QByteArray("v2"));
    EXPECT_EQ(CacheEntries(), QStringList{now.FileName()});
    // In step now: later passes send nothing more.
    const uint32_t passes = docs().Tracking().Stat().SyncSuccessCount;
    ASSERT_TRUE(testutil::waitUntil([&] { return docs().Tracking().Stat().SyncSuccessCount >= passes + 3; }));
    EXPECT_EQ(Requests(u"filebase_set"_s), 1);
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(DocManager, SendBackWithoutAUsableAnswerLeavesTheRowModified)
{
    const TUAPIFile f = Added("v1");
    EditCopy(f, "v2");
    struct Case {
        const char *Name;
        int Code;
        bool NoRow;
    } cases[] = {{"error code", 5, false}, {"no row", 0, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        TStandinService::TFileFaults faults;
        faults.Code = c.Code;
        faults.NoRow = c.NoRow;
        svc.Service->SetFileFaults(faults);
        TUAPIFile sent = f;
        EXPECT_FALSE(docs().Replace(sent));
        svc.Service->SetFileFaults(faults);
        TOutcome out;
        docs().Replace(f, Events(out));
        ASSERT_TRUE(testutil::waitUntil([&] { return out.Done(); }));
        // The send-back's answer is the caller's; the tracking row is not touched.
        EXPECT_EQ(out.Lines, QStringList{u"success"_s});
        EXPECT_EQ(docs().Tracking().Row(f.FID).FileData.FHash, f.FHash);
    }
    // Still modified: the next pass offers it and it goes through.
    docs().Tracking().SetActive(true);
    EXPECT_TRUE(docs().Tracking().Sync());
    EXPECT_EQ(svc.Service->FileContent(f.FID.ToString()), QByteArray("v2"));
    EXPECT_EQ(docs().Tracking().Row(f.FID).FileData.FHash.ToString(), Md5("v2"));
}

TEST_F(DocManager, ExpiredSessionDuringASendBackAsksForSignInInTheMainThread)
{
    // Activation loads the tracking file into an empty store: it comes first, as at connection.
    docs().SetActive(true);
    const TUAPIFile f = Added("v1");
    QThread *boxThread = nullptr;
    OnBox = [&](const TUMessageBoxRequest &) { boxThread = QThread::currentThread(); };
    svc.Service->ExpireSessions();
    EditCopy(f, "v2");
    ASSERT_TRUE(testutil::waitUntil([&] { return !Boxes.empty(); }));
    EXPECT_EQ(BoxTexts().first(), u"Сеанс закрыт. Требуется повторный вход!"_s);
    EXPECT_EQ(boxThread, QCoreApplication::instance()->thread());
    EXPECT_EQ(docs().Tracking().Row(f.FID).FileData.FHash, f.FHash);
}

TEST_F(DocManager, ClosingDuringAnUploadKeepsItsResult)
{
    // Activation loads the tracking file into an empty store: it comes first, as at connection.
    docs().SetActive(true);
    const TUAPIFile f = Added("v1");
    TStandinService::TFileFaults faults;
    faults.Stall = true;
    svc.Service->SetFileFaults(faults);
    EditCopy(f, "v2");
    ASSERT_TRUE(testutil::waitUntil([&] { return svc.Service->StalledCount() > 0; }));
    // The answer comes while the core is already going away.
    std::thread release([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        svc.Service->ReleaseStalled();
    });
    complex.reset();
    release.join();
    const TUAPIFile now = File(f.FID.ToString(), Md5("v2"));
    EXPECT_TRUE(QFile::exists(cache + now.FileName()));
    EXPECT_TRUE(testutil::readFile(dir.file(u"docs.ini"_s)).contains(Md5("v2").toLatin1()));
    EXPECT_EQ(Requests(u"filebase_set"_s), 1);
}

} // namespace
