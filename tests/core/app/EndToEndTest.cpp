// One workstation's day against the stand-in service with its first data: connect, sign in,
// reload the reference data, open a template, edit it, see the service receive the edit, sign
// out.
#include "SeededFixture.h"
#include "UnitData.h"
#include "UnitDocManager.h"

#include <QCryptographicHash>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace {

using EndToEnd = SeededFixture;

} // namespace

TEST_F(EndToEnd, ConnectSignInReloadOpenEditAndSignOut)
{
    // Connect: the organisation's settings and the reference data; tracking switched on, with
    // a short pause between its passes.
    complex->DocManager().TrackingThread().SetSleepTimeMs(50);
    ASSERT_TRUE(complex->Start());
    EXPECT_EQ(complex->Vars().Organization().Title, u"ООО «Щит-Медиа»"_s);
    EXPECT_TRUE(complex->DocManager().Active());

    // Sign in as a manager.
    ASSERT_TRUE(SignIn(u"ivanov"_s, u"Щит2026"_s));
    EXPECT_EQ(complex->User().Name(), u"Иванов Сергей Петрович"_s);

    // A client renamed at the service shows after a reload.
    store.PutRecord(u"client"_s, u"2"_s, QJsonObject{{"client", "2"}, {"title", "АО «СтройИнвест-Девелопмент»"}});
    bool reloaded = false;
    complex->Cache().SetOnSet([&](TDataCache *) { reloaded = true; });
    complex->Cache().Load();
    ASSERT_TRUE(testutil::waitUntil([&] { return reloaded; }));
    EXPECT_EQ(complex->Cache().GetTitle(ctClient, TUDataKey(u"2"_s)), u"АО «СтройИнвест-Девелопмент»"_s);

    // Open the contract template: it comes into the document cache.
    TDataDocTemplate *contract = nullptr;
    ASSERT_TRUE(complex->Cache().GetData(ctDocTemplate)->TryGetValue(TUDataKey(u"1"_s), contract));
    const TUAPIFile file = contract->FileData();
    bool loaded = false;
    QString failure;
    TWorkEvent events;
    events.OnSuccess = [&](QObject *) { loaded = true; };
    events.OnError = [&](QObject *, const QString &m) { failure = m; };
    complex->DocManager().LoadToCache(file, events);
    ASSERT_TRUE(testutil::waitUntil([&] { return loaded || !failure.isEmpty(); }));
    ASSERT_TRUE(loaded) << failure.toStdString();
    const QString copy = complex->Vars().CacheDocDir() + file.FileName();
    EXPECT_TRUE(testutil::readFile(copy).startsWith("{\\rtf1"));
    ASSERT_TRUE(testutil::waitUntil([&] { return complex->DocManager().InCache(file); }));

    // The person edits it in an office program; tracking sends it back on its own.
    const QByteArray edited = testutil::readFile(copy).replace("}\r\n", "\\par Edited.\\par}\r\n");
    testutil::saveLater(copy, edited, 5);
    const QString newHash = QString::fromLatin1(QCryptographicHash::hash(edited, QCryptographicHash::Md5).toHex());
    // The service has it, and its template names the new version (set after the file is stored).
    ASSERT_TRUE(testutil::waitUntil(
        [&] { return store.Record(u"doc_template"_s, u"1"_s)->value(u"fhash"_s).toString() == newHash; },
        std::chrono::seconds(20)))
        << LogLines().join(u"\n"_s).toStdString();
    EXPECT_EQ(store.File(file.FID.ToString())->Hash, newHash);
    EXPECT_EQ(testutil::readFile(store.File(file.FID.ToString())->Path), edited);
    ASSERT_TRUE(testutil::waitUntil([&] { return complex->DocManager().Tracking().Row(file.FID).FileData.FHash == TUAPIKey(newHash); }));

    // Sign out: the service forgets the session.
    complex->UserClose();
    EXPECT_FALSE(complex->IsSessionOpen());
    EXPECT_EQ(svc.Service->SessionCount(), 0);
    EXPECT_TRUE(Boxes.empty()) << BoxTexts().join(u'|').toStdString();
}
