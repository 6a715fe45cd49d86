#include "TestUtil.h"
#include "UCodePage.h"
#include "UException.h"
#include "UnitDocTracking.h"

#include <QDir>
#include <QFile>
#include <QObject>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray kHeader = QByteArrayLiteral("# QUILLMARSH\r\n# Docs tracking file.\r\n# Do not edit manually!\r\n");

TUAPIFile File(uint32_t fid, const QString &hash, const QString &ext = u"docx"_s, TDateTime updated = {})
{
    TUAPIFile f;
    f.SetData(TUDataKey(fid), hash, updated, ext);
    return f;
}

void SetTime(const QString &path, const QDateTime &when)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
}

class DocTracking : public ::testing::Test {
protected:
    void SetUp() override
    {
        cache = dir.file(u"docs"_s) + u'/';
        ASSERT_TRUE(QDir().mkpath(cache));
        store.SetCachePath(cache);
        store.SetIniFile(dir.file(u"docs.ini"_s));
        store.SetActive(true);
    }
    // A cached copy last modified AgeSecs ago.
    QString Cached(const TUAPIFile &f, const QByteArray &content = "v1", int ageSecs = 60)
    {
        const QString path = cache + f.FileName();
        testutil::writeFile(path, content);
        SetTime(path, QDateTime::currentDateTime().addSecs(-ageSecs));
        return path;
    }
    void Track(const TUAPIFile &f, int ageSecs = 60)
    {
        Cached(f, "v1", ageSecs);
        ASSERT_TRUE(store.Replace(f));
    }
    // A save by the user: new content and a later time.
    void Edit(const TUAPIFile &f, const QByteArray &content)
    {
        const QString path = cache + f.FileName();
        testutil::writeFile(path, content);
        SetTime(path, QDateTime::currentDateTime().addSecs(++edits));
    }

    testutil::TempDir dir;
    QString cache;
    TDocTracking store;
    int edits = 0;
};

TEST_F(DocTracking, LoadTakesOverGoodRowsWhoseCopiesExist)
{
    Cached(File(12, u"abc"_s));
    Cached(File(13, u"noext"_s, QString()));
    Cached(File(14, u"txtfid"_s));
    Cached(File(15, u"baddate"_s));
    Cached(File(16, u"cyr"_s, u"докх"_s));
    Cached(File(17, u"nofid"_s));
    QByteArray ini = kHeader + "\r\n   \r\n# a comment\r\n";
    ini += R"({"fid":12,"fhash":"abc","updated":"2020-01-02 03:04:05","ext":"docx"})" "\r\n";
    ini += R"({"fid":13,"fhash":"noext","updated":"","ext":""})" "\n"; // LF alone
    ini += R"({"fid":"14","fhash":"txtfid","ext":"docx"})" "\r\n";
    ini += R"({"fid":15,"fhash":"baddate","updated":"2020-02-30 00:00:00","ext":"docx"})" "\r\n";
    ini += R"({"fid":16,"fhash":"cyr","updated":"","ext":")" + TUCodePage::FromUnicode(u"докх") + "\"}\r\n";
    ini += R"({"fhash":"nofid","ext":"docx"})" "\r\n";
    ini += R"({"fid":18,"fhash":"gone","ext":"docx"})" "\r\n";            // no cached copy
    ini += R"({"fid":19,"fhash":"../../outside","ext":"docx"})" "\r\n";   // hostile
    ini += "[1,2,3]\r\nnot json\r\n{\"fid\":20,\r\n\"\"\r\n";
    testutil::writeFile(dir.file(u"docs.ini"_s), ini);
    testutil::writeFile(dir.file(u"outside.docx"_s), "x");

    ASSERT_TRUE(store.LoadFromFile());
    EXPECT_EQ(store.Count(), 5);
    const TUAPIFile a = store.Row(TUDataKey(12u)).FileData;
    EXPECT_EQ(a.FHash.ToString(), u"abc"_s);
    EXPECT_EQ(a.Updated, TDateTime::Encode(2020, 1, 2, 3, 4, 5));
    EXPECT_EQ(store.Row(TUDataKey(13u)).FileData.Ext, QString());
    EXPECT_TRUE(store.Row(TUDataKey(14u)).FileData.IsSet());
    EXPECT_TRUE(store.Row(TUDataKey(15u)).FileData.Updated.IsNull());
    EXPECT_EQ(store.Row(TUDataKey(16u)).FileData.Ext, u"докх"_s);
    EXPECT_FALSE(store.Row(TUDataKey(19u)).FileData.IsSet());
    // Taken over with the copy's own time, so nothing counts as modified.
    EXPECT_EQ(store.Row(TUDataKey(12u)).ModifyDate, TDateTime::FromQDateTime(QFileInfo(cache + u"abc.docx"_s).lastModified()));
    store.Sync();
    EXPECT_EQ(store.Stat().DocModifyCount, 0u);

    // A missing file gives an empty store.
    store.SetIniFile(dir.file(u"none.ini"_s));
    EXPECT_FALSE(store.LoadFromFile());
    EXPECT_EQ(store.Count(), 0);
}

TEST_F(DocTracking, SaveWritesTheHeaderAndOneLinePerRowAndReadsBack)
{
    ASSERT_TRUE(store.SaveToFile());
    EXPECT_EQ(testutil::readFile(dir.file(u"docs.ini"_s)), kHeader);

    Track(File(7, u"h7"_s, u"докх"_s));
    ASSERT_TRUE(store.SaveToFile());
    EXPECT_EQ(testutil::readFile(dir.file(u"docs.ini"_s)),
              kHeader + R"({"ext":")" + TUCodePage::FromUnicode(u"докх") + R"(","fhash":"h7","fid":7,"updated":""})" "\r\n");
    // Replaced whole: a shorter file leaves nothing of the longer one, and nothing beside it.
    ASSERT_TRUE(store.Remove(File(7, u"h7"_s, u"докх"_s), false));
    Track(File(8, u"h8"_s, u"x"_s, TDateTime::Encode(2021, 5, 6, 7, 8, 9)));
    ASSERT_TRUE(store.SaveToFile());
    EXPECT_EQ(testutil::readFile(dir.file(u"docs.ini"_s)),
              kHeader + R"({"ext":"x","fhash":"h8","fid":8,"updated":"2021-05-06 07:08:09"})" "\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"docs.ini"_s});

    TDocTracking again;
    again.SetCachePath(cache);
    again.SetIniFile(dir.file(u"docs.ini"_s));
    ASSERT_TRUE(again.LoadFromFile());
    EXPECT_EQ(again.Row(TUDataKey(8u)).FileData.Updated, TDateTime::Encode(2021, 5, 6, 7, 8, 9));

    // A file that cannot be written is raised, and the old one stays.
    store.SetIniFile(dir.file(u"docs"_s)); // a folder
    EXPECT_THROW(store.SaveToFile(), EUError);
    store.SetIniFile(QString());
    EXPECT_FALSE(store.SaveToFile());
}

TEST_F(DocTracking, RowsReadBackAreLookedAtByTheNextSaveOrPass)
{
    for (const QString &hash : {u"kept"_s, u"edited"_s, u"gone"_s, u"esc"_s, u"zero"_s})
        Cached(File(1, hash));
    testutil::writeFile(dir.file(u"outside.docx"_s), "x");
    QByteArray ini = kHeader;
    ini += R"({"ext":"docx","fhash":"kept","fid":1,"updated":"2021-05-06 07:08:09"})" "\r\n";
    ini += R"({"ext":"docx","fhash":"missing","fid":1,"updated":""})" "\r\n"; // no copy: the first stays
    ini += R"({"ext":"docx","fhash":"edited","fid":2,"updated":""})" "\r\n";
    ini += R"({"ext":"docx","fhash":"gone","fid":3,"updated":""})" "\r\n";
    ini += R"({"ext":"docx","fhash":"../outside","fid":4,"updated":""})" "\r\n";
    ini += R"({"ext":"docx","fhash":"..\/outside","fid":5,"updated":""})" "\r\n";
    ini += R"({"ext":"docx","fhash":"\u0065sc","fid":6,"updated":""})" "\r\n";
    ini += R"({"ext":"docx","fhash":"zero","fid":0,"updated":""})" "\r\n";
    ini += R"({"ext":"docx","fhash":"kept","fid":7,"updated":"2021-02-30 07:08:09"} )" "\r\n";
    testutil::writeFile(dir.file(u"docs.ini"_s), ini);
    std::vector<uint32_t> offered;
    store.SetOnDocumentModify([&](TDocTracking *, TUAPIFile &f) {
        offered.push_back(f.FID.Int());
        return false;
    });

    ASSERT_TRUE(store.LoadFromFile());
    // Between reading the file and the first pass: one copy is saved again, one deleted.
    Edit(File(2, u"edited"_s), "v2");
    QFile::remove(cache + u"gone.docx"_s);
    EXPECT_EQ(store.Count(), 4);
    EXPECT_EQ(store.Row(TUDataKey(1u)).FileData.FHash.ToString(), u"kept"_s);
    EXPECT_EQ(store.Row(TUDataKey(1u)).FileData.Updated, TDateTime::Encode(2021, 5, 6, 7, 8, 9));
    EXPECT_EQ(store.Row(TUDataKey(1u)).ModifyDate,
              TDateTime::FromQDateTime(QFileInfo(cache + u"kept.docx"_s).lastModified()));
    EXPECT_FALSE(store.Row(TUDataKey(3u)).FileData.IsSet());
    EXPECT_EQ(store.Row(TUDataKey(6u)).FileData.FHash.ToString(), u"esc"_s);
    EXPECT_TRUE(store.Row(TUDataKey(7u)).FileData.Updated.IsNull());

    ASSERT_TRUE(store.SaveToFile());
    const QByteArray saved = testutil::readFile(dir.file(u"docs.ini"_s));
    EXPECT_FALSE(saved.contains("gone"));
    EXPECT_FALSE(saved.contains("outside"));
    EXPECT_TRUE(saved.contains(R"("fhash":"edited")"));
    // The save made after reading is handed over; the others count as in step.
    store.Sync();
    EXPECT_EQ(offered, std::vector<uint32_t>{2});
    EXPECT_EQ(store.Count(), 4);
    // The store outlives this body and passes once more when it goes.
    store.SetOnDocumentModify({});
}

TEST_F(DocTracking, HashesAndExtensionsThatLeaveTheCacheAreRefused)
{
    testutil::writeFile(dir.file(u"victim.docx"_s), "keep");
    struct Case {
        QString Hash, Ext;
    } cases[] = {
        {u"../victim"_s, u"docx"_s}, {u"..\\victim"_s, u"docx"_s}, {u"a/b"_s, u"docx"_s},  {u"c:victim"_s, u"docx"_s},
        {u".."_s, QString()},        {u"."_s, QString()},          {u"abc"_s, u"../x"_s},   {u"abc"_s, u"d/../../x"_s},
        {u"con"_s, u"docx"_s},       {u"NUL"_s, QString()},        {u"Lpt1"_s, u"txt"_s},   {u"com9"_s, u"a.b"_s},
        {u"a\x01" "b"_s, u"docx"_s}, {u"abc"_s, u"do\ncx"_s},      {QStringView(u"a\0b", 3).toString(), u"x"_s}, {u"abc."_s, QString()},
        {u"abc"_s, u"docx."_s},      {u"abc"_s, u"docx "_s},       {u"a*"_s, u"docx"_s},    {u"abc"_s, u"d?cx"_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Hash.toStdString() + " / " + c.Ext.toStdString());
        const TUAPIFile f = File(5, c.Hash, c.Ext);
        EXPECT_FALSE(TDocTracking::SafeFileName(f));
        EXPECT_EQ(store.GetFileName(f), QString());
        EXPECT_FALSE(store.InCache(f));
        EXPECT_FALSE(store.Replace(f));
        EXPECT_TRUE(store.Remove(f, true));
    }
    EXPECT_EQ(store.Count(), 0);
    EXPECT_TRUE(QFile::exists(dir.file(u"victim.docx"_s)));
    // Ordinary names stay as they were.
    EXPECT_EQ(store.GetFileName(File(5, u"abc"_s, u"docx"_s)), cache + u"abc.docx"_s);
    EXPECT_EQ(store.GetFileName(File(5, u"abc"_s, QString())), cache + u"abc"_s);
    EXPECT_EQ(store.GetFileName(File(5, u"console"_s, u"a.b"_s)), cache + u"console.a.b"_s);
}

TEST_F(DocTracking, CacheQueriesAndRemoval)
{
    const TDateTime t = TDateTime::Encode(2020, 1, 2);
    Track(File(3, u"h3"_s, u"docx"_s, t));
    struct Case {
        TUAPIFile File;
        bool InCache, Last;
    } cases[] = {
        {File(3, u"h3"_s, u"docx"_s, t), true, true},
        {File(3, u"h3"_s, u"docx"_s, TDateTime::Encode(2019, 1, 1)), true, true},
        {File(3, u"h3"_s, u"docx"_s, TDateTime::Encode(2020, 1, 2, 0, 0, 1)), true, false},
        {File(4, u"h3"_s, u"docx"_s, t), true, false}, // cached, but no row
        {File(3, u"other"_s, u"docx"_s, t), false, false},
        {File(0, u"h3"_s, u"docx"_s, t), false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.File.FID.ToString().toStdString() + " " + c.File.FHash.ToString().toStdString());
        EXPECT_EQ(store.InCache(c.File), c.InCache);
        EXPECT_EQ(store.IsLastVersion(c.File), c.Last);
    }
    EXPECT_FALSE(store.Replace(File(9, u"missing"_s)));
    EXPECT_FALSE(store.Remove(File(0, u"h3"_s), true));
    ASSERT_TRUE(store.Remove(File(3, u"h3"_s), false));
    EXPECT_EQ(store.Count(), 0);
    EXPECT_TRUE(QFile::exists(cache + u"h3.docx"_s));
    Track(File(3, u"h3"_s));
    ASSERT_TRUE(store.Remove(File(3, u"h3"_s), true));
    EXPECT_FALSE(QFile::exists(cache + u"h3.docx"_s));
}

TEST_F(DocTracking, PassHandsOverOneModifiedDocumentAtATime)
{
    std::vector<uint32_t> offered;
    bool accept = false;
    store.SetOnDocumentModify([&](TDocTracking *, TUAPIFile &f) {
        offered.push_back(f.FID.Int());
        return accept;
    });
    Track(File(1, u"h1"_s));
    Track(File(2, u"h2"_s));
    Track(File(3, u"h3"_s));
    EXPECT_FALSE(store.Sync());
    EXPECT_TRUE(offered.empty());

    Edit(File(1, u"h1"_s), "e1");
    Edit(File(2, u"h2"_s), "e2");
    // Refused: every modified one is tried, and all stay modified.
    EXPECT_FALSE(store.Sync());
    EXPECT_EQ(offered.size(), 2u);
    offered.clear();
    accept = true;
    EXPECT_TRUE(store.Sync());
    ASSERT_EQ(offered.size(), 1u);
    const uint32_t first = offered[0];
    EXPECT_TRUE(store.Sync());
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_NE(offered[1], first);
    EXPECT_FALSE(store.Sync());
    EXPECT_EQ(offered.size(), 2u);

    // A deleted copy is forgotten; an inactive store does nothing.
    QFile::remove(cache + u"h3.docx"_s);
    store.SetActive(false);
    EXPECT_FALSE(store.Sync());
    EXPECT_EQ(store.Count(), 3);
    store.SetActive(true);
    EXPECT_TRUE(store.Sync());
    EXPECT_EQ(store.Count(), 2);
    const TDocTrackingStat s = store.Stat();
    EXPECT_EQ(s.SyncCount, 6u);
    EXPECT_EQ(s.SyncSuccessCount, 6u);
    EXPECT_EQ(s.DocModifyCount, 4u);
    EXPECT_EQ(s.DocModifySuccessCount, 2u);
}

TEST_F(DocTracking, UnchangedCopiesOlderThanThirtyDaysGo)
{
    const QDateTime today(QDate::currentDate(), QTime(0, 0));
    struct Case {
        uint32_t Fid;
        QDateTime Time;
        bool Kept;
    } cases[] = {
        {1, today.addDays(-31), false},
        {2, today.addDays(-40), false},
        {3, today.addDays(-31).addSecs(3600 * 5), true}, // 30 days and some hours
        {4, today.addDays(-1), true},
    };
    for (const Case &c : cases) {
        const TUAPIFile f = File(c.Fid, u"old%1"_s.arg(c.Fid));
        Cached(f);
        SetTime(cache + f.FileName(), c.Time);
        ASSERT_TRUE(store.Replace(f));
    }
    EXPECT_TRUE(store.Sync());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Fid);
        EXPECT_EQ(QFile::exists(cache + u"old%1.docx"_s.arg(c.Fid)), c.Kept);
        EXPECT_EQ(store.Row(TUDataKey(c.Fid)).FileData.IsSet(), c.Kept);
    }
}

TEST_F(DocTracking, SaveDuringTheUploadIsSentNext)
{
    const TUAPIFile f = File(1, u"h1"_s);
    Track(f);
    Edit(f, "edit 1");
    QList<QByteArray> sent;
    store.SetOnDocumentModify([&](TDocTracking *, TUAPIFile &) {
        sent << testutil::readFile(cache + f.FileName());
        // The user saves again while the upload runs.
        if (sent.size() == 1)
            Edit(f, "edit 2");
        return true;
    });
    EXPECT_TRUE(store.Sync());
    EXPECT_TRUE(store.Sync());
    EXPECT_FALSE(store.Sync());
    EXPECT_EQ(sent, (QList<QByteArray>{"edit 1", "edit 2"}));
}

TEST_F(DocTracking, NewHashFromTheServiceMovesTheCopyAndItsRow)
{
    const TUAPIFile f = File(1, u"old"_s);
    Track(f);
    Edit(f, "edited");
    int calls = 0;
    QString answerHash = u"new"_s;
    store.SetOnDocumentModify([&](TDocTracking *, TUAPIFile &a) {
        ++calls;
        a.FHash = TUAPIKey(answerHash);
        a.Updated = TDateTime::Encode(2024, 1, 1);
        return true;
    });
    EXPECT_TRUE(store.Sync());
    EXPECT_FALSE(QFile::exists(cache + u"old.docx"_s));
    EXPECT_EQ(testutil::readFile(cache + u"new.docx"_s), QByteArray("edited"));
    EXPECT_EQ(store.Row(TUDataKey(1u)).FileData.FHash.ToString(), u"new"_s);
    EXPECT_TRUE(store.IsLastVersion(File(1, u"new"_s, u"docx"_s, TDateTime::Encode(2024, 1, 1))));
    EXPECT_FALSE(store.Sync());
    EXPECT_FALSE(store.Sync());
    EXPECT_EQ(calls, 1);

    // A hostile hash in the answer: the row goes, nothing is written outside the cache.
    Edit(File(1, u"new"_s), "again");
    answerHash = u"../evil"_s;
    EXPECT_TRUE(store.Sync());
    EXPECT_EQ(store.Count(), 0);
    EXPECT_TRUE(QFile::exists(cache + u"new.docx"_s));
    EXPECT_FALSE(QFile::exists(dir.file(u"evil.docx"_s)));
}

TEST_F(DocTracking, HandlerFailureLeavesTheRowModified)
{
    const TUAPIFile f = File(1, u"h1"_s);
    Track(f);
    Edit(f, "edited");
    int calls = 0;
    store.SetOnDocumentModify([&](TDocTracking *, TUAPIFile &) -> bool {
        if (++calls == 1)
            throw EUError(u"File does not exists..."_s);
        return true;
    });
    EXPECT_FALSE(store.Sync());
    EXPECT_TRUE(store.Sync());
    EXPECT_EQ(calls, 2);
}

TEST_F(DocTracking, DestructionRunsALastPassAndSaves)
{
    auto last = std::make_unique<TDocTracking>();
    last->SetCachePath(cache);
    last->SetIniFile(dir.file(u"last.ini"_s));
    last->SetActive(true);
    Cached(File(1, u"h1"_s));
    Cached(File(2, u"h2"_s));
    ASSERT_TRUE(last->Replace(File(1, u"h1"_s)));
    ASSERT_TRUE(last->Replace(File(2, u"h2"_s)));
    QFile::remove(cache + u"h2.docx"_s);
    last.reset();
    EXPECT_EQ(testutil::readFile(dir.file(u"last.ini"_s)),
              kHeader + R"({"ext":"docx","fhash":"h1","fid":1,"updated":""})" "\r\n");
}

TEST(DocTrackingThread, NeedsAStoreStopsAtOnceAndSharesTheStore)
{
    QObject owner;
    try {
        TDocTrackingThread t(nullptr, &owner);
        FAIL();
    } catch (const EUAssertion &e) {
        EXPECT_EQ(e.Message(), u"ATracking must be assigned"_s);
    }

    testutil::TempDir dir;
    const QString cache = dir.file(u"docs"_s) + u'/';
    ASSERT_TRUE(QDir().mkpath(cache));
    TDocTracking store;
    store.SetCachePath(cache);
    store.SetIniFile(dir.file(u"docs.ini"_s));
    store.SetActive(true);
    std::atomic<int> sent{0};
    store.SetOnDocumentModify([&](TDocTracking *, TUAPIFile &) {
        ++sent;
        return true;
    });
    {
        TDocTrackingThread thread(&store, &owner);
        EXPECT_EQ(thread.SleepTime(), 30u);
        thread.Start();
        ASSERT_TRUE(testutil::waitUntil([&] { return store.Stat().SyncSuccessCount >= 1; }));
        // Asked to stop in the middle of a 30-second pause, it ends well before it.
        const auto begin = std::chrono::steady_clock::now();
        thread.WaitFor();
        EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(10));
        EXPECT_EQ(store.Stat().SyncCount, 1u);
    }
    {
        // Short pauses while the main thread works on the same store.
        TDocTrackingThread thread(&store, &owner);
        thread.SetSleepTimeMs(1);
        thread.Start();
        for (int i = 0; i < 200; ++i) {
            const TUAPIFile f = File(uint32_t(i % 7 + 1), u"h%1"_s.arg(i % 7));
            testutil::writeFile(cache + f.FileName(), QByteArray::number(i));
            SetTime(cache + f.FileName(), QDateTime::currentDateTime().addSecs(i));
            store.Replace(f);
            store.InCache(f);
            store.IsLastVersion(f);
            if (i % 5 == 0)
                store.Remove(f, i % 10 == 0);
            if (i % 3 == 0)
                SetTime(cache + f.FileName(), QDateTime::currentDateTime().addSecs(1000 + i));
        }
        ASSERT_TRUE(testutil::waitUntil([&] { return sent > 0 && QFile::exists(dir.file(u"docs.ini"_s)); }));
    }
    EXPECT_EQ(store.Stat().SyncCount, store.Stat().SyncSuccessCount);
}

} // namespace
