#include "StartupFixture.h"
#include "UCodePage.h"
#include "UnitComplex.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include <utime.h>

namespace {

class UnitComplex : public ::testing::Test {
protected:
    void TearDown() override { QDir::setCurrent(saved); }

    std::unique_ptr<TComplex> NewComplex()
    {
        auto c = std::make_unique<TComplex>(dir.file(QStringLiteral("deskstart.exe")));
        c->Vars().SetConfigFileName(QStringLiteral("tessaplan.ini"));
        return c;
    }
    void WriteConfig(const QByteArray &text) { testutil::writeFile(dir.file(QStringLiteral("tessaplan.ini")), text); }
    QStringList TempEntries() const
    {
        return QDir(dir.file(QStringLiteral("temp"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    QString saved = QDir::currentPath();
    testutil::TempDir dir;
};

} // namespace

TEST_F(UnitComplex, CreationClearsCredentialsAndCopiesTheSigningKey)
{
    const auto c = NewComplex();
    EXPECT_FALSE(c->APIAuth().IsSet());
    EXPECT_TRUE(c->SIDH().isEmpty());
    EXPECT_EQ(c->Vars().SecretKey(), QStringLiteral("SunRise Harbor!1984"));
    c->InitLanguage();
    EXPECT_EQ(c->Vars().Language(), lnRU);
}

TEST_F(UnitComplex, InitVarsFromConfigReadsAddressCredentialsAndProxy)
{
    WriteConfig("api=server\r\nId = 17\r\nxid=abc\r\nPROXYHOST=proxy.local\r\nPROXYPORT=8080\r\n"
                "proxyuser=" + TUCodePage::FromUnicode(u"Иван") + "\r\nPROXYPASSWORD=p=w\r\n");
    const auto c = NewComplex();
    ASSERT_TRUE(c->InitVarsFromConfig());
    EXPECT_EQ(c->Host(), QStringLiteral("http://server/"));
    EXPECT_EQ(c->APIAuth().XDB, TUDataKey(17u));
    EXPECT_TRUE(c->APIAuth().XDB.IntKey());
    EXPECT_EQ(c->APIAuth().StartXDB, TUDataKey(17u));
    EXPECT_EQ(c->APIAuth().XID, TUDataKey(QStringLiteral("abc")));
    EXPECT_FALSE(c->APIAuth().XID.IntKey());
    EXPECT_EQ(c->Proxy().Host, QStringLiteral("proxy.local"));
    EXPECT_EQ(c->Proxy().Port, 8080);
    EXPECT_EQ(c->Proxy().UserName, QStringLiteral("Иван"));
    EXPECT_EQ(c->Proxy().Password, QStringLiteral("p=w"));
    EXPECT_TRUE(c->Proxy().Auth);
}

TEST_F(UnitComplex, ProxyPortFallsBackTo80)
{
    const struct {
        const char *line;
        uint16_t port;
    } cases[] = {
        {"PROXYPORT=3128", 3128}, {"PROXYPORT=", 80}, {"PROXYPORT=abc", 80}, {"", 80},
        {"PROXYPORT=70000", 80}, {"PROXYPORT=-1", 80}, {"PROXYPORT=65535", 65535},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        WriteConfig(QByteArray("ID=1\r\nXID=2\r\n") + c.line + "\r\n");
        const auto complex = NewComplex();
        ASSERT_TRUE(complex->InitVarsFromConfig());
        EXPECT_EQ(complex->Proxy().Port, c.port);
        EXPECT_FALSE(complex->Proxy().Auth);
        EXPECT_TRUE(complex->Proxy().IsClear());
    }
}

TEST_F(UnitComplex, UnloadableConfigChangesNothing)
{
    for (const QByteArray &text : {QByteArray(), QByteArray("ID=1\r\nXID=2\r\nid=3\r\n")}) {
        SCOPED_TRACE(text.toStdString());
        if (text.isEmpty())
            QFile::remove(dir.file(QStringLiteral("tessaplan.ini")));
        else
            WriteConfig(text);
        const auto c = NewComplex();
        EXPECT_FALSE(c->InitVarsFromConfig());
        EXPECT_FALSE(c->APIAuth().IsSet());
        EXPECT_TRUE(c->Host().isEmpty());
    }
}

TEST_F(UnitComplex, InitDirsMakesThePerRunFolderAndDestructionRemovesIt)
{
    auto c = NewComplex();
    ASSERT_TRUE(c->InitDirs());
    const QString run = c->Vars().TempDir();
    EXPECT_NE(run, c->Vars().DefaultTempDir());
    EXPECT_TRUE(run.startsWith(c->Vars().DefaultTempDir()));
    EXPECT_TRUE(QFileInfo(run).isDir());
    EXPECT_TRUE(QFileInfo(c->Vars().CacheDir()).isDir());
    EXPECT_TRUE(QFileInfo(c->Vars().CacheDocDir()).isDir());
    testutil::writeFile(run + QStringLiteral("work.tmp"), "x");
    QDir().mkdir(run + QStringLiteral("sub"));
    testutil::writeFile(dir.file(QStringLiteral("temp/other-run.tmp")), "kept");

    c.reset();
    EXPECT_FALSE(QFileInfo::exists(run));
    EXPECT_EQ(TempEntries(), QStringList{QStringLiteral("other-run.tmp")}) << "other runs' files stay";
}

// Two instances in one program folder, the second failing before it made its folder: each run
// removes only its own, and what dead runs left goes once it is a day old.
TEST_F(UnitComplex, DestructionRemovesOnlyItsOwnRunAndStaleLeftovers)
{
    const auto age = [](const QString &path, int days) {
        const time_t t = QDateTime::currentDateTime().addDays(-days).toSecsSinceEpoch();
        const utimbuf times{t, t};
        ASSERT_EQ(::utime(QFile::encodeName(path).constData(), &times), 0) << path.toStdString();
    };
    QDir().mkpath(dir.file(QStringLiteral("temp/dead/deep")));
    testutil::writeFile(dir.file(QStringLiteral("temp/dead/deep/f")), "x");
    QDir().mkpath(dir.file(QStringLiteral("temp/recent")));
    testutil::writeFile(dir.file(QStringLiteral("temp/recent/f")), "x");
    testutil::writeFile(dir.file(QStringLiteral("temp/dead.tmp")), "x");
    // A folder that looks old but has a file touched today belongs to a run still going.
    QDir().mkpath(dir.file(QStringLiteral("temp/busy")));
    testutil::writeFile(dir.file(QStringLiteral("temp/busy/f")), "x");
    for (const char *old : {"temp/dead/deep/f", "temp/dead.tmp"})
        age(dir.file(QString::fromLatin1(old)), 2);
    age(dir.file(QStringLiteral("temp/dead/deep")), 2);
    age(dir.file(QStringLiteral("temp/dead")), 2);
    age(dir.file(QStringLiteral("temp/busy")), 2);

    auto running = NewComplex();
    ASSERT_TRUE(running->InitDirs());
    const QString run = running->Vars().TempDir();
    testutil::writeFile(run + QStringLiteral("work.tmp"), "x");

    NewComplex().reset(); // failed before InitDirs
    EXPECT_TRUE(QFileInfo::exists(run + QStringLiteral("work.tmp"))) << "the other run's folder stays";
    QStringList left = TempEntries();
    left.sort();
    QStringList expected{QStringLiteral("busy"), QFileInfo(QDir::cleanPath(run)).fileName(), QStringLiteral("recent")};
    expected.sort();
    EXPECT_EQ(left, expected);

    running.reset();
    left = TempEntries();
    left.sort();
    EXPECT_EQ(left, (QStringList{QStringLiteral("busy"), QStringLiteral("recent")}));
}

TEST_F(UnitComplex, InitDirsFailsWhenTempCannotBeMade)
{
    testutil::writeFile(dir.file(QStringLiteral("temp")), "a file named temp");
    auto c = NewComplex();
    EXPECT_FALSE(c->InitDirs());
    EXPECT_EQ(c->Vars().TempDir(), c->Vars().DefaultTempDir());
    c.reset();
    EXPECT_EQ(testutil::readFile(dir.file(QStringLiteral("temp"))), "a file named temp");
}

TEST_F(UnitComplex, InitDirsInReadOnlyProgramFolder)
{
    for (const bool tempExists : {false, true}) {
        SCOPED_TRACE(tempExists);
        testutil::TempDir program;
        if (tempExists)
            QDir().mkdir(program.file(QStringLiteral("temp")));
        auto c = std::make_unique<TComplex>(program.file(QStringLiteral("deskstart.exe")));
        {
            ReadOnlyDir readOnly(program.path());
            if (!readOnly.Active())
                GTEST_SKIP() << "cannot make a folder read-only here";
            EXPECT_FALSE(c->InitDirs()) << "cache cannot be made";
            c.reset();
        }
        const QStringList left = QDir(program.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        EXPECT_EQ(left, tempExists ? QStringList{QStringLiteral("temp")} : QStringList{});
        if (tempExists) {
            EXPECT_TRUE(QDir(program.file(QStringLiteral("temp"))).isEmpty()) << "per-run folder removed";
        }
    }
}

TEST_F(UnitComplex, PerRunFoldersNeverCollide)
{
    // Dozens of names drawn in one millisecond repeat for sure; each run still gets its own.
    auto c = NewComplex();
    std::set<QString> folders;
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(c->InitDirs()) << "run " << i;
        folders.insert(c->Vars().TempDir());
    }
    EXPECT_EQ(folders.size(), 300u);
    EXPECT_EQ(TempEntries().size(), 300);
}

TEST(ServiceBaseURL, SchemeIsKeptOrPlainHTTPAndOneClosingSlash)
{
    const struct {
        const char *api, *url;
    } cases[] = {
        {"server", "http://server/"},
        {"server/", "http://server/"},
        {" server:8080/api ", "http://server:8080/api/"},
        {"https://secure.example/app/", "https://secure.example/app/"},
        {"HTTPS://secure.example", "HTTPS://secure.example/"},
        {"http://plain.example", "http://plain.example/"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ServiceBaseURL(QString::fromUtf8(c.api)), QString::fromUtf8(c.url)) << c.api;
}
