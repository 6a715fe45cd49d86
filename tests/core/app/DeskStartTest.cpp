#include "DeskStart.h"
#include "StartupFixture.h"
#include "UnitComplex.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kNoConfig = QStringLiteral(
    "Не найден файл настроек программы.\n\rВыполните установку начальных параметров в следующем окне...");
const QString kBadSettings = QStringLiteral(
    "Неверно указаны настройки приложения!\n\rВыполните установку начальных параметров в следующем окне...");
const QString kDisk = QStringLiteral("Ошибка записи на диск!\n\rПриложение будет закрыто!");
const QByteArray kGoodConfig = "API = 127.0.0.1:9\r\nID = 17\r\nXID = abc\r\n";

class DeskStartRun : public ::testing::Test {
protected:
    void TearDown() override { QDir::setCurrent(saved); }

    QString File(const QString &name) const { return QDir::toNativeSeparators(dir.file(name)); }
    // Runs the sequence in the program folder; the core is destroyed afterwards, as at exit.
    bool Run()
    {
        auto complex = std::make_unique<TComplex>(dir.file(QStringLiteral("deskstart.exe")));
        DeskStart::InitVars(*complex);
        const bool passed = DeskStart::Run(*complex);
        EXPECT_EQ(complex->Vars().Version(), QStringLiteral("4920"));
        EXPECT_EQ(complex->Vars().ComplexTitle(), QStringLiteral("QUILLMARSH"));
        return passed;
    }

    QString saved = QDir::currentPath();
    testutil::TempDir dir;
    StartupRecorder recorder;
};

} // namespace

TEST_F(DeskStartRun, SettingsFaultsShowTheirMessageAndStartTheSetUpProgram)
{
    const struct {
        const char *name;
        QByteArray config; // empty: no file
        QString message;
    } cases[] = {
        {"no settings file", QByteArray(), kNoConfig},
        {"key twice", "ID=1\r\nXID=2\r\nxid=3\r\n", kNoConfig},
        {"no ID", "API=host\r\nXID=abc\r\n", kBadSettings},
        {"empty XID", "API=host\r\nID=17\r\nXID=\r\n", kBadSettings},
        {"ID 0", "API=host\r\nID=0\r\nXID=abc\r\n", kBadSettings},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        recorder.Boxes.clear();
        recorder.Opened.clear();
        QFile::remove(dir.file(QStringLiteral("tessaplan.ini")));
        if (!c.config.isEmpty())
            testutil::writeFile(dir.file(QStringLiteral("tessaplan.ini")), c.config);
        testutil::writeFile(dir.file(QStringLiteral("quillmarsh.exe")), "main client");

        EXPECT_FALSE(Run());
        ASSERT_EQ(recorder.Boxes.size(), 1u);
        EXPECT_EQ(recorder.Boxes[0].DlgType, mtWarning);
        EXPECT_EQ(recorder.Boxes[0].Msg, c.message);
        EXPECT_TRUE(recorder.Boxes[0].Buttons == TMsgDlgButtons{mbOK});
        EXPECT_EQ(recorder.Opened, QStringList{File(QStringLiteral("primer.exe"))});
    }
}

TEST_F(DeskStartRun, UnwritableFolderShowsTheDiskMessageWithoutSetUp)
{
    testutil::writeFile(dir.file(QStringLiteral("tessaplan.ini")), kGoodConfig);
    testutil::writeFile(dir.file(QStringLiteral("temp")), "a file named temp");
    testutil::writeFile(dir.file(QStringLiteral("quillmarsh.exe")), "main client");
    EXPECT_FALSE(Run());
    ASSERT_EQ(recorder.Boxes.size(), 1u);
    EXPECT_EQ(recorder.Boxes[0].Msg, kDisk);
    EXPECT_TRUE(recorder.Opened.isEmpty());
}

TEST_F(DeskStartRun, StartsTheFirstMainClientPresent)
{
    const struct {
        const char *name;
        QStringList present;
        QStringList started;
    } cases[] = {
        {"both", {"quillmarsh.exe", "quillstick.exe"}, {"quillmarsh.exe"}},
        {"only the stick client", {"quillstick.exe"}, {"quillstick.exe"}},
        {"neither", {}, {}},
        {"a folder is no program", {"quillmarsh.exe/"}, {}},
    };
    testutil::writeFile(dir.file(QStringLiteral("tessaplan.ini")), kGoodConfig);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        recorder.Boxes.clear();
        recorder.Opened.clear();
        for (const QString &name : {QStringLiteral("quillmarsh.exe"), QStringLiteral("quillstick.exe")}) {
            QFile::remove(dir.file(name));
            QDir().rmdir(dir.file(name));
        }
        for (const QString &name : c.present) {
            if (name.endsWith(u'/'))
                QDir().mkdir(dir.file(name));
            else
                testutil::writeFile(dir.file(name), "main client");
        }
        EXPECT_TRUE(Run());
        EXPECT_TRUE(recorder.Boxes.empty());
        QStringList expected;
        for (const QString &name : c.started)
            expected << File(name);
        EXPECT_EQ(recorder.Opened, expected);
        EXPECT_TRUE(QDir(dir.file(QStringLiteral("temp"))).isEmpty()) << "per-run folder removed at exit";
    }
}

#ifdef OC_DESKSTART_EXE

// The program itself in a workstation folder, headless: messages go to the standard error
// stream, started programs are shell scripts that leave a mark.
class DeskStartProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::copy(QStringLiteral(OC_DESKSTART_EXE), dir.file(QStringLiteral("deskstart.exe"))));
    }
    void AddMarkingProgram(const QString &name)
    {
        const QString path = dir.file(name);
        testutil::writeFile(path, "#!/bin/sh\necho \"$0 $#\" > \"$(dirname \"$0\")/" + name.toUtf8() + ".started\"\n");
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
    }
    bool Started(const QString &name) const { return QFileInfo::exists(dir.file(name + QStringLiteral(".started"))); }
    int RunProgram(QString &err)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(dir.file(QStringLiteral("deskstart.exe")), {});
        EXPECT_TRUE(p.waitForFinished(30000));
        err = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitCode();
    }

    testutil::TempDir dir;
};

TEST_F(DeskStartProgram, ConfiguredWorkstationStartsTheMainClientAndCleansUp)
{
    testutil::writeFile(dir.file(QStringLiteral("tessaplan.ini")), kGoodConfig);
    AddMarkingProgram(QStringLiteral("quillmarsh.exe"));
    AddMarkingProgram(QStringLiteral("primer.exe"));
    QString err;
    EXPECT_EQ(RunProgram(err), 0) << err.toStdString();
    EXPECT_TRUE(testutil::waitUntil([&] { return Started(QStringLiteral("quillmarsh.exe")); }));
    EXPECT_EQ(testutil::readFile(dir.file(QStringLiteral("quillmarsh.exe.started"))).trimmed().right(2), " 0")
        << "started without arguments";
    EXPECT_FALSE(Started(QStringLiteral("primer.exe")));
    EXPECT_TRUE(QDir(dir.file(QStringLiteral("temp"))).isEmpty());
    EXPECT_TRUE(QFileInfo(dir.file(QStringLiteral("cache"))).isDir());
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("debug.log"))));
}

TEST_F(DeskStartProgram, MissingSettingsPrintsTheMessageAndStartsSetUp)
{
    AddMarkingProgram(QStringLiteral("quillmarsh.exe"));
    AddMarkingProgram(QStringLiteral("primer.exe"));
    QString err;
    EXPECT_NE(RunProgram(err), 0);
    EXPECT_TRUE(err.contains(QStringLiteral("Не найден файл настроек программы.\nВыполните установку"))) << err.toStdString();
    EXPECT_TRUE(testutil::waitUntil([&] { return Started(QStringLiteral("primer.exe")); }));
    EXPECT_FALSE(Started(QStringLiteral("quillmarsh.exe")));
}

TEST_F(DeskStartProgram, TwoStartedTogetherBothSucceed)
{
    testutil::writeFile(dir.file(QStringLiteral("tessaplan.ini")), kGoodConfig);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (int round = 0; round < 5; ++round) {
        QProcess a, b;
        for (QProcess *p : {&a, &b}) {
            p->setProcessEnvironment(env);
            p->start(dir.file(QStringLiteral("deskstart.exe")), {});
        }
        for (QProcess *p : {&a, &b}) {
            ASSERT_TRUE(p->waitForFinished(30000));
            EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        }
    }
    EXPECT_TRUE(QDir(dir.file(QStringLiteral("temp"))).isEmpty());
}

#endif
