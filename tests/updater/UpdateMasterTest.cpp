#include "StandinServer.h"
#include "TestUtil.h"
#include "UException.h"
#include "UFile.h"
#include "UShell.h"
#include "UpdateHTTP.h"
#include "UpdateMaster.h"
#include "UpdaterTestUtil.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <new>
#include <stdexcept>
#include <chrono>
#include <thread>

using testutil::readFile;
using testutil::writeFile;

namespace {

QByteArray bigText(int size)
{
    QByteArray b;
    b.reserve(size);
    for (int i = 0; b.size() < size; ++i)
        b += "line " + QByteArray::number(i) + " of the update\n";
    b.truncate(size);
    return b;
}

// A program folder with its "update/" folder, a stand-in update server serving the folder
// "site/" under "/u/", and an engine pointed at "/u/desc.txt".
class UpdateMasterTest : public UpdateSiteTest {
protected:
    void Routes() override
    {
        server.ServeStalled(QStringLiteral("/slow/big.bin"), 10'000'000, 65536);
        server.ServeCut(QStringLiteral("/cut/half.bin"), bigText(200000), 100000);
    }
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(UpdateSiteTest::SetUp());
        um.SetDir(prog);
        um.SetUpdateURL(server.BaseURL() + QStringLiteral("u/desc.txt"));
        um.SetCallback([this](TUpdateMasterState s, qint32 b, qint32 m) {
            states.push_back(s);
            if (m > maxSeen)
                maxSeen = m;
            if (onProgress)
                onProgress(b);
        });
    }

    // Writes a descriptor whose base URL is the server's "/u/" folder, then the given lines.
    void descriptor(const QByteArray &lines, const QByteArray &eol = "\r\n")
    {
        writeFile(site + QStringLiteral("desc.txt"), (server.BaseURL() + QStringLiteral("u/")).toUtf8() + eol + lines);
    }

    TUpdateMaster um;
    std::vector<TUpdateMasterState> states;
    qint32 maxSeen = 0;
    std::function<void(qint32)> onProgress;
};

} // namespace

TEST(UpdateDescriptor, NormalisesAndSplitsEntries)
{
    const struct {
        const char *text;
        QStringList entries;
    } cases[] = {
        {"", {}},
        {"base", {"base"}},
        {"base\r\na.gz\r\n", {"base", "a.gz", ""}},
        {"base\na\nb", {"base", "a", "b"}},
        {"base\n\n\nb", {"base", "", "b"}},
        {"base\rx", {"base", "x"}},           // CR alone is a line end
        {"base\r\n\r\nx", {"base", "", "x"}}, // a blank line gives an empty entry
        {"\nbase\n", {"", "base", ""}},      // first line blank
        {"ba;se\nx;y", {"base", "xy"}},       // ";" can never be part of a value
        {"base\nbin\\tool.dll.gz", {"base", "bin/tool.dll.gz"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TUpdateMaster::SplitDescriptor(QString::fromLatin1(c.text)), c.entries);
    }
}

TEST(UpdateDescriptor, EntriesOutsideTheUpdateFolderAreUnsafe)
{
    for (const char *bad : {"../x", "/etc/passwd", "\\x", "C:/x", "c:x", "a/../../x", "a\\..\\x", "a/ .. /x"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(TUpdateMaster::IsSafeRelativeName(QString::fromLatin1(bad)));
    }
    for (const char *good : {"a", "bin/tool.dll.gz", "..x", "a/...", ".hidden", ""}) {
        SCOPED_TRACE(good);
        EXPECT_TRUE(TUpdateMaster::IsSafeRelativeName(QString::fromLatin1(good)));
    }
}

TEST(UpdateDescriptor, FileHelpers)
{
    EXPECT_TRUE(TUpdateMaster::IsGZipFile(QStringLiteral("a/b.GZ")));
    EXPECT_TRUE(TUpdateMaster::IsGZipFile(QStringLiteral("b.tar.gz")));
    EXPECT_FALSE(TUpdateMaster::IsGZipFile(QStringLiteral("b.gzip")));
    EXPECT_FALSE(TUpdateMaster::IsGZipFile(QStringLiteral("gz")));
    EXPECT_EQ(TUpdateMaster::GetRelativeName(QStringLiteral("c:\\p\\update/"), QStringLiteral("c:/p/update/a/b")),
              QStringLiteral("a/b"));
    EXPECT_EQ(TUpdateMaster::GetRelativeName(QStringLiteral("/x/"), QStringLiteral("/y\\z")), QStringLiteral("/y/z"));
}

TEST_F(UpdateMasterTest, FullUpdateDownloadsUnpacksCopiesAndClears)
{
    const QByteArray tool = bigText(300000);
    writeFile(site + QStringLiteral("a.txt"), "alpha");
    writeFile(site + QStringLiteral("bin/tool.dll"), tool); // served packed as bin/tool.dll.gz
    writeFile(site + QStringLiteral(".hidden"), "dot file");
    descriptor("a.txt\r\nbin\\tool.dll.gz\r\n title = Новая версия \r\nurl=http://x/\r\nLOGOURL = l\r\n"
               "WhatsNewURL=w\r\na=b=c\r\n=x\r\n.hidden\r\n");
    int keyCalls = 0;
    um.SetOnKeysChange([&] { ++keyCalls; });

    ASSERT_TRUE(um.DownloadUpdate()) << um.Error().toStdString();
    EXPECT_EQ(keyCalls, 1);
    EXPECT_EQ(um.Keys().Title, QStringLiteral("Новая версия"));
    EXPECT_EQ(um.Keys().URL, QStringLiteral("http://x/"));
    EXPECT_EQ(um.Keys().LogoURL, QStringLiteral("l"));
    EXPECT_EQ(um.Keys().WhatsNewURL, QStringLiteral("w"));
    EXPECT_EQ(readFile(prog + QStringLiteral("update/bin/tool.dll")), tool);
    EXPECT_FALSE(QFile::exists(prog + QStringLiteral("update/bin/tool.dll.gz")));
    EXPECT_GT(maxSeen, 0) << "the server announced the sizes";
    EXPECT_NE(std::find(states.begin(), states.end(), umsExtract), states.end());
    EXPECT_EQ(um.State(), umsNone);

    ASSERT_TRUE(um.DoUpdate());
    EXPECT_EQ(readFile(prog + QStringLiteral("a.txt")), QByteArray("alpha"));
    EXPECT_EQ(readFile(prog + QStringLiteral("bin/tool.dll")), tool);
    EXPECT_EQ(readFile(prog + QStringLiteral(".hidden")), QByteArray("dot file"));

    um.ClearUpdate();
    EXPECT_TRUE(QDir(prog + QStringLiteral("update")).exists());
    EXPECT_TRUE(QDir(prog + QStringLiteral("update")).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

TEST(UpdateMasterErrors, DescriptorFailures)
{
    const struct {
        const char *name;
        int status;          // 0: serve `body` as the descriptor
        QByteArray body;
        QString error;
    } cases[] = {
        {"404", 404, "gone", QStringLiteral("Response Code is 404: Not Found")},
        {"204", 204, {}, QStringLiteral("Response Code is 204: No Content")},
        {"500 with a body", 500, "<html>oops</html>", QStringLiteral("Response Code is 500: Internal Server Error")},
        {"empty", 0, "", QStringLiteral("Обновление пусто!")},
        {"first line blank", 0, "\r\nhttp://x/\r\na.txt", QStringLiteral("Не указан базовый URL обновления!")},
        {"base URL only", 0, "http://x/", QString()},
        {"keys only", 0, "http://x/\r\nWHATSNEWURL=http://w/", QString()},
        {"traversal", 0, "http://x/\r\nok.txt\r\n../../evil.txt", QStringLiteral("Недопустимое имя файла в описании обновления: \"../../evil.txt\"")},
        {"absolute", 0, "http://x/\r\n/etc/evil", QStringLiteral("Недопустимое имя файла в описании обновления: \"/etc/evil\"")},
        {"drive", 0, "http://x/\r\nC:\\evil", QStringLiteral("Недопустимое имя файла в описании обновления: \"C:/evil\"")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        testutil::TempDir tmp;
        const QString prog = tmp.file(QStringLiteral("prog/"));
        QDir().mkpath(prog + QStringLiteral("update"));
        TStandinServer server;
        if (c.status)
            server.SetStatus(QStringLiteral("/u/desc.txt"), c.status, c.body);
        else
            writeFile(tmp.file(QStringLiteral("site/desc.txt")), c.body);
        server.ServeFolder(QStringLiteral("u"), tmp.file(QStringLiteral("site")));
        ASSERT_TRUE(server.Start());
        TUpdateMaster um;
        um.SetDir(prog);
        um.SetUpdateURL(server.BaseURL() + QStringLiteral("u/desc.txt"));
        EXPECT_FALSE(um.DownloadUpdate());
        EXPECT_EQ(um.Error(), c.error);
        EXPECT_EQ(server.RequestCount(), 1) << "no file is fetched";
        EXPECT_TRUE(QDir(prog + QStringLiteral("update")).isEmpty());
        EXPECT_EQ(um.State(), umsNone);
    }
}

TEST(UpdateMasterErrors, NoURLAndRefusedConnection)
{
    testutil::TempDir tmp;
    TUpdateMaster um;
    um.SetDir(tmp.path() + u'/');
    EXPECT_FALSE(um.DownloadUpdate());
    EXPECT_EQ(um.Error(), QStringLiteral("Не указан URL для получения данных обновления."));

    TStandinServer closed;
    ASSERT_TRUE(closed.Start());
    const QString url = closed.BaseURL() + QStringLiteral("desc.txt");
    closed.Stop(); // nothing listens there any more
    um.SetUpdateURL(url);
    EXPECT_FALSE(um.DownloadUpdate());
    EXPECT_TRUE(um.Error().contains(QStringLiteral("onnect"))) << um.Error().toStdString();
}

TEST_F(UpdateMasterTest, FileFailuresLeaveNoPartialFile)
{
    writeFile(site + QStringLiteral("broken.gz"), "\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x00garbage-not-deflate");
    writeFile(site + QStringLiteral("upper.GZ"), "whatever");
    const struct {
        const char *entry;
        QString errorStart;
        QStringList leftInUpdate; // what the failed step leaves in "update/"
    } cases[] = {
        {"missing.txt", QStringLiteral("Response Code is 404: Not Found"), {}},
        {"../cut/half.bin", {}, {}}, // refused before any download
        {"broken.gz", QStringLiteral("UnCompress(File->File): "), {"broken", "broken.gz"}},
        {"upper.GZ", QStringLiteral("UnCompress(gzip mode): file "), {"upper.GZ"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.entry);
        for (const QString &f : QDir(prog + QStringLiteral("update")).entryList(QDir::Files))
            QFile::remove(prog + QStringLiteral("update/") + f);
        descriptor(c.entry);
        EXPECT_FALSE(um.DownloadUpdate());
        EXPECT_TRUE(um.Error().startsWith(c.errorStart)) << um.Error().toStdString();
        const QStringList left = QDir(prog + QStringLiteral("update")).entryList(QDir::Files);
        EXPECT_EQ(left, c.leftInUpdate);
    }

    // A connection closed in the middle of a file.
    writeFile(site + QStringLiteral("desc.txt"), (server.BaseURL() + QStringLiteral("cut/\r\nhalf.bin")).toUtf8());
    EXPECT_FALSE(um.DownloadUpdate());
    EXPECT_FALSE(um.Error().isEmpty());
    EXPECT_FALSE(QFile::exists(prog + QStringLiteral("update/half.bin")));
}

TEST_F(UpdateMasterTest, WhateverACallbackRaisesBecomesTheFailureText)
{
    writeFile(site + QStringLiteral("a.bin"), bigText(300000));
    descriptor("a.bin");
    const struct {
        const char *name;
        std::function<void()> raise;
        QString error;
    } raisers[] = {
        {"out of memory", [] { throw std::bad_alloc(); }, QStringLiteral("Недостаточно памяти.")},
        {"standard", [] { throw std::runtime_error("disk on fire"); }, QStringLiteral("disk on fire")},
        {"own", [] { throw EUError(QStringLiteral("своя ошибка")); }, QStringLiteral("своя ошибка")},
        {"anything", [] { throw 42; }, QStringLiteral("Неизвестная ошибка.")},
    };
    // During a transfer, in a step's own state change, and between the steps.
    const char *places[] = {"progress", "state", "keys"};
    for (const auto &r : raisers)
        for (const char *place : places) {
            SCOPED_TRACE(std::string(r.name) + " in " + place);
            TUpdateMaster m;
            m.SetDir(prog);
            m.SetUpdateURL(server.BaseURL() + QStringLiteral("u/desc.txt"));
            TUFile::ClearDir(prog + QStringLiteral("update/"));
            m.SetCallback([&](TUpdateMasterState s, qint32 bytes, qint32 total) {
                // The file's transfer, not the descriptor's.
                const bool inFile = bytes > 0 && total == 300000;
                if ((place == std::string("progress") && inFile) || (place == std::string("state") && s == umsClear))
                    r.raise();
            });
            m.SetOnKeysChange([&] {
                if (place == std::string("keys"))
                    r.raise();
            });
            const bool downloaded = m.DownloadUpdate();
            if (place == std::string("state")) {
                EXPECT_TRUE(downloaded);
                m.ClearUpdate();
            } else {
                EXPECT_FALSE(downloaded) << m.Error().toStdString();
            }
            EXPECT_EQ(m.Error(), r.error);
            EXPECT_EQ(m.State(), umsNone);
            if (place == std::string("progress")) {
                EXPECT_FALSE(QFile::exists(prog + QStringLiteral("update/a.bin"))) << "no partial file";
            }
        }
}

TEST_F(UpdateMasterTest, ATransferThatStopsMovingGivesUp)
{
    // The engine's limits are 30 s to connect and 60 s without a byte; shortened here. The
    // stalled answer would end by itself after ten seconds, as a cut one.
    TUpdateHTTPHooks hooks;
    EXPECT_EQ(hooks.ConnectTimeout, std::chrono::seconds(30));
    EXPECT_EQ(hooks.IdleTimeout, std::chrono::seconds(60));
    hooks.IdleTimeout = std::chrono::seconds(1);
    QByteArray body;
    QBuffer sink(&body);
    sink.open(QIODevice::WriteOnly);
    try {
        UpdateHTTPGet(server.BaseURL() + QStringLiteral("slow/big.bin"), sink, {}, hooks);
        ADD_FAILURE() << "no failure";
    } catch (const EUError &e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Timeout was reached"))) << e.Message().toStdString();
    }
}

TEST_F(UpdateMasterTest, TerminateDuringATransferDropsItPromptly)
{
    writeFile(site + QStringLiteral("desc.txt"), (server.BaseURL() + QStringLiteral("slow/\r\nbig.bin\r\nnext.bin")).toUtf8());
    onProgress = [&](qint32 bytes) {
        if (bytes > 0)
            um.Terminate();
    };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(um.DownloadUpdate());
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(um.Terminated());
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_FALSE(QFile::exists(prog + QStringLiteral("update/big.bin")));
    // The latch holds: later steps do nothing.
    EXPECT_FALSE(um.DownloadUpdate());
    EXPECT_FALSE(um.DoUpdate());
    int shellCalls = 0;
    const auto old = TUShell::SetHandler([&](const QString &, const QString &, const QString &) { return ++shellCalls, true; });
    um.SetExeName(QStringLiteral("main.exe"));
    um.RunMainProgram();
    TUShell::SetHandler(old);
    EXPECT_EQ(shellCalls, 0);
}

TEST_F(UpdateMasterTest, DoUpdateCopiesOverTheProgramFolder)
{
    EXPECT_FALSE(um.DoUpdate()) << "empty update folder";
    EXPECT_TRUE(um.Error().isEmpty());

    const QString upd = prog + QStringLiteral("update/");
    writeFile(upd + QStringLiteral("main.exe"), "new main");
    writeFile(upd + QStringLiteral("lib/x.dll"), "new x");
    writeFile(upd + QStringLiteral("tool.sh"), "new tool");
    writeFile(upd + QStringLiteral(".cache/keep"), "not part of the update");
    writeFile(prog + QStringLiteral("tool.sh"), "old tool");
    QFile::setPermissions(prog + QStringLiteral("tool.sh"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    um.SetExeName(QStringLiteral("main.exe"));

    ASSERT_TRUE(um.DoUpdate()) << um.Error().toStdString();
    EXPECT_EQ(readFile(prog + QStringLiteral("main.exe")), QByteArray("new main"));
    EXPECT_EQ(readFile(prog + QStringLiteral("lib/x.dll")), QByteArray("new x"));
    EXPECT_EQ(readFile(prog + QStringLiteral("tool.sh")), QByteArray("new tool"));
    EXPECT_TRUE(QFileInfo(prog + QStringLiteral("tool.sh")).permissions() & QFile::ExeOwner) << "keeps its bits";
    EXPECT_TRUE(QFileInfo(prog + QStringLiteral("main.exe")).isExecutable()) << "a new main program can run";
    EXPECT_FALSE(QFileInfo(prog + QStringLiteral("lib/x.dll")).isExecutable());
    EXPECT_FALSE(QFile::exists(prog + QStringLiteral(".cache/keep")));

    um.ClearUpdate();
    EXPECT_FALSE(QFile::exists(upd + QStringLiteral("main.exe")));
    EXPECT_FALSE(QDir(upd + QStringLiteral("lib")).exists());
    EXPECT_TRUE(QFile::exists(upd + QStringLiteral(".cache/keep"))) << "dot folders are left alone";
}

TEST_F(UpdateMasterTest, AFileThatCannotBeReplacedStopsTheCopy)
{
    const QString upd = prog + QStringLiteral("update/");
    writeFile(upd + QStringLiteral("a.txt"), "new a");
    // Something in the way that no copy can replace (works for root too, unlike permissions).
    QDir().mkpath(prog + QStringLiteral("a.txt/inner"));
    EXPECT_FALSE(um.DoUpdate());
    EXPECT_EQ(um.Error(), QStringLiteral("Не удалось заменить файлы! Закройте все программы и попробуйте заново..."));
    EXPECT_EQ(readFile(upd + QStringLiteral("a.txt")), QByteArray("new a")) << "the update folder keeps its files";
}

TEST_F(UpdateMasterTest, LinksInTheUpdateFolderAreNeverFollowed)
{
    const QString outside = tmp.file(QStringLiteral("outside/"));
    writeFile(outside + QStringLiteral("precious.txt"), "keep me");
    const QString upd = prog + QStringLiteral("update/");
    writeFile(upd + QStringLiteral("real.txt"), "r");
    ASSERT_TRUE(QFile::link(outside, upd + QStringLiteral("dirlink")));
    ASSERT_TRUE(QFile::link(outside + QStringLiteral("precious.txt"), upd + QStringLiteral("filelink")));

    EXPECT_EQ(TUpdateMaster::GetFileList(upd), QStringList{upd + QStringLiteral("real.txt")});
    ASSERT_TRUE(um.DoUpdate());
    EXPECT_FALSE(QFileInfo::exists(prog + QStringLiteral("dirlink")));
    um.ClearUpdate();
    EXPECT_EQ(readFile(outside + QStringLiteral("precious.txt")), QByteArray("keep me"));
    EXPECT_FALSE(QFileInfo(upd + QStringLiteral("dirlink")).isSymLink());
}

TEST_F(UpdateMasterTest, RunMainProgramOpensItThroughTheShell)
{
    QStringList opened;
    const auto old = TUShell::SetHandler([&](const QString &t, const QString &, const QString &) {
        opened << t;
        return true;
    });
    um.RunMainProgram(); // no ExeName: nothing, and no state change
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(states.empty());
    um.SetExeName(QStringLiteral("main.exe"));
    um.RunMainProgram();
    TUShell::SetHandler(old);
    EXPECT_EQ(opened, QStringList{QFileInfo(prog + QStringLiteral("main.exe")).absoluteFilePath()});
    EXPECT_EQ(states, (std::vector<TUpdateMasterState>{umsRun, umsNone}));
}
