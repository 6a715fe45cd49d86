#include "MainForm.h"
#include "StandinServer.h"
#include "TestUtil.h"
#include "UShell.h"
#include "UpdateDialogs.h"
#include "UpdaterTestUtil.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <thread>

using testutil::readFile;
using testutil::writeFile;

TEST(UpdateIni, ReadsKeyValueLines)
{
    testutil::TempDir tmp;
    const QString ini = tmp.file(QStringLiteral("update.ini"));
    writeFile(ini, "# HOST=x\r\na=\r\nab=\r\nabc\r\n  exename = main.exe \r\nHost=http://h/d.txt\n"
                   "proxy=p\r\nTITLE=\xcf\xf0\xe8\xe2\xe5\xf2\r\nk=v=w\r\nhost=second\r\n");
    const TIniPairs expected = {
        {"AB", ""}, {"EXENAME", "main.exe"}, {"HOST", "http://h/d.txt"}, {"PROXY", "p"},
        {"TITLE", QStringLiteral("Привет")}, {"K", "v=w"}, {"HOST", "second"},
    };
    EXPECT_EQ(ReadIni(ini), expected);
    EXPECT_TRUE(ReadIni(tmp.file(QStringLiteral("missing.ini"))).empty());
    EXPECT_TRUE(ReadIni(tmp.path()).empty()) << "a folder in its place";
    writeFile(ini, "# only a comment\r\n\r\n");
    EXPECT_TRUE(ReadIni(ini).empty());
}

namespace {

// The window against a stand-in server, with the shell and the dialogs recorded.
class MainFormTest : public UpdateSiteTest {
protected:
    void Routes() override { server.ServeStalled(QStringLiteral("/slow/big.bin"), 10'000'000, 65536); }
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(UpdateSiteTest::SetUp());
        oldShell = TUShell::SetHandler([this](const QString &t, const QString &, const QString &) {
            opened << t;
            return true;
        });
        oldBox = TUMessageBox::SetHandler([this](const TUMessageBoxRequest &r) {
            if (r.DlgType != mtConfirmation) {
                warnings << r.Msg;
                return mrOk;
            }
            asked << r.Msg;
            return answer ? mrYes : mrNo;
        });
        form.SetStartDir(prog);
        form.SetExeName(QStringLiteral("main.exe"));
        form.SetUpdateURL(server.BaseURL() + QStringLiteral("u/desc.txt"));
    }
    void TearDown() override
    {
        TUShell::SetHandler(oldShell);
        TUMessageBox::SetHandler(oldBox);
    }
    void descriptor(const QByteArray &lines)
    {
        writeFile(site + QStringLiteral("desc.txt"), (server.BaseURL() + QStringLiteral("u/")).toUtf8() + "\r\n" + lines);
    }
    QString mainProgram() const { return QFileInfo(prog + QStringLiteral("main.exe")).absoluteFilePath(); }

    TUShell::THandler oldShell;
    TUMessageBox::THandler oldBox;
    QStringList opened, asked, warnings;
    bool answer = true;
    TMainForm form;
};

} // namespace

TEST_F(MainFormTest, LayoutAndTexts)
{
    EXPECT_EQ(form.size(), QSize(745, 195));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Обновление программы..."));
    const struct {
        QWidget *w;
        QRect r;
    } controls[] = {
        {form.Logo, {8, 8, 300, 150}},     {form.eTitle, {314, 8, 423, 25}},
        {form.eURL, {314, 39, 423, 25}},   {form.eState, {314, 133, 272, 25}},
        {form.bCancel, {592, 125, 145, 33}}, {form.Progress, {8, 164, 729, 22}},
    };
    for (const auto &c : controls) {
        SCOPED_TRACE(c.w->metaObject()->className());
        EXPECT_EQ(c.w->geometry(), c.r);
    }
    EXPECT_EQ(form.eTitle->text(), QStringLiteral("..."));
    EXPECT_EQ(form.bCancel->text(), QStringLiteral("ОТМЕНА"));
    EXPECT_EQ(form.Timer->interval(), 2000);
    EXPECT_FALSE(form.Timer->isActive());
    const std::pair<TUpdateMasterState, const char *> texts[] = {
        {umsNone, ""}, {umsDownload, "загрузка..."}, {umsExtract, "распаковка..."},
        {umsClear, "очистка..."}, {umsRun, "запуск..."}};
    for (const auto &[state, text] : texts)
        EXPECT_EQ(TMainForm::StateText(state), QString::fromUtf8(text));
}

TEST_F(MainFormTest, ProgressWithoutAnnouncedSizeStaysEmpty)
{
    form.Engine().SetState(umsDownload); // reports 0 of 0 bytes
    EXPECT_GT(form.Progress->maximum(), form.Progress->minimum()) << "not the busy animation";
    EXPECT_EQ(form.Progress->value(), form.Progress->minimum()) << "empty";
    EXPECT_EQ(form.eState->text(), QStringLiteral("загрузка..."));
}

TEST_F(MainFormTest, FullRunAppliesTheUpdateAsksAndStarts)
{
    writeFile(site + QStringLiteral("main.exe"), "new main");
    descriptor("main.exe\r\nTITLE=Версия 2\r\nURL=http://site/\r\nWHATSNEWURL=http://site/new\r\n");
    form.ProcessAction();
    EXPECT_EQ(readFile(prog + QStringLiteral("main.exe")), QByteArray("new main"));
    EXPECT_TRUE(QDir(prog + QStringLiteral("update")).isEmpty());
    EXPECT_EQ(form.eTitle->text(), QStringLiteral("Версия 2"));
    EXPECT_EQ(form.eURL->text(), QStringLiteral("http://site/"));
    EXPECT_EQ(asked, QStringList{QStringLiteral("Запустить программу?")});
    EXPECT_EQ(opened, (QStringList{QStringLiteral("http://site/new"), mainProgram()}));
    EXPECT_TRUE(warnings.isEmpty());
}

TEST_F(MainFormTest, AnsweringNoStartsNothing)
{
    writeFile(site + QStringLiteral("main.exe"), "new main");
    descriptor("main.exe");
    answer = false;
    form.ProcessAction();
    EXPECT_EQ(readFile(prog + QStringLiteral("main.exe")), QByteArray("new main"));
    EXPECT_EQ(asked.size(), 1);
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(MainFormTest, OutcomesThatEndWithoutStarting)
{
    const struct {
        const char *name;
        QByteArray descriptor; // empty: the server answers 404
        QStringList warnings;
    } cases[] = {
        {"failed download warns", {}, {QStringLiteral("Response Code is 404: Not Found")}},
        {"no files, only a page", "WHATSNEWURL=http://site/new\r\n", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        warnings.clear();
        opened.clear();
        asked.clear();
        if (c.descriptor.isEmpty())
            QFile::remove(site + QStringLiteral("desc.txt"));
        else
            descriptor(c.descriptor);
        TMainForm f;
        f.SetStartDir(prog);
        f.SetExeName(QStringLiteral("main.exe"));
        f.SetUpdateURL(form.UpdateURL());
        f.ProcessAction();
        EXPECT_EQ(warnings, c.warnings);
        EXPECT_TRUE(opened.isEmpty());
        EXPECT_TRUE(asked.isEmpty());
    }
}

TEST_F(MainFormTest, SingleSteps)
{
    writeFile(site + QStringLiteral("a.txt"), "A");
    descriptor("a.txt");
    form.Prepare(QStringLiteral("-download"));
    form.ProcessAction();
    EXPECT_EQ(readFile(prog + QStringLiteral("update/a.txt")), QByteArray("A"));
    EXPECT_FALSE(QFile::exists(prog + QStringLiteral("a.txt")));

    form.Prepare(QStringLiteral("-do"));
    form.ProcessAction();
    EXPECT_EQ(readFile(prog + QStringLiteral("a.txt")), QByteArray("A"));
    EXPECT_TRUE(QDir(prog + QStringLiteral("update")).isEmpty());

    form.Prepare(QStringLiteral("-execute"));
    form.ProcessAction();
    EXPECT_EQ(opened, QStringList{mainProgram()});
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_TRUE(warnings.isEmpty());
}

TEST_F(MainFormTest, CancelStopsTheTransferWithoutAWarning)
{
    writeFile(site + QStringLiteral("desc.txt"), (server.BaseURL() + QStringLiteral("slow/\r\nbig.bin")).toUtf8());
    form.show();
    form.Timer->stop();
    QTimer::singleShot(300, form.bCancel, [this] { QTest::mouseClick(form.bCancel, Qt::LeftButton); });
    form.ProcessAction();
    EXPECT_FALSE(form.bCancel->isEnabled());
    EXPECT_TRUE(form.Engine().Terminated());
    EXPECT_FALSE(QFile::exists(prog + QStringLiteral("update/big.bin")));
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_TRUE(asked.isEmpty());
}

#ifdef OC_UPDATE_EXE
using UpdateProgram = UpdateSiteTest;

TEST_F(UpdateProgram, StepsFromTheCommandLine)
{
    writeFile(site + QStringLiteral("lib/data.txt"), "payload");
    writeFile(site + QStringLiteral("desc.txt"), (server.BaseURL() + QStringLiteral("u/\r\nlib/data.txt.gz\r\n")).toUtf8());

    EXPECT_EQ(runUpdate(prog, {}), 0) << "no update.ini: ends silently";
    EXPECT_EQ(server.RequestCount(), 0);

    writeFile(prog + QStringLiteral("update.ini"),
              "# demo\r\nexename=main.exe\r\nHOST=" + (server.BaseURL() + QStringLiteral("u/desc.txt")).toUtf8() + "\r\n");
    EXPECT_EQ(runUpdate(prog, {QStringLiteral("-DOWNLOAD")}), 0);
    EXPECT_EQ(readFile(prog + QStringLiteral("update/lib/data.txt")), QByteArray("payload"));
    EXPECT_FALSE(QFile::exists(prog + QStringLiteral("lib/data.txt")));
    EXPECT_EQ(runUpdate(prog, {QStringLiteral("-do")}), 0);
    EXPECT_EQ(readFile(prog + QStringLiteral("lib/data.txt")), QByteArray("payload"));
    EXPECT_FALSE(QFile::exists(prog + QStringLiteral("update/lib/data.txt")));

    // A proxy port that is not a number stops the program with a message naming it.
    writeFile(prog + QStringLiteral("update.ini"), "HOST=http://127.0.0.1:1/x\r\nPROXY=p\r\nPROXYPORT=80a\r\n");
    QString out;
    EXPECT_NE(runUpdate(prog, {QStringLiteral("-download")}, &out), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("80a"))) << out.toStdString();

    // So does a site key that is not a key; nothing is fetched.
    for (const QByteArray &bad : {QByteArray("PUBKEY=not-a-key"), QByteArray("PUBKEY=")}) {
        SCOPED_TRACE(bad.constData());
        writeFile(prog + QStringLiteral("update.ini"),
                  "HOST=" + (server.BaseURL() + QStringLiteral("u/desc.txt")).toUtf8() + "\r\n" + bad + "\r\n");
        const int before = server.RequestCount();
        EXPECT_EQ(runUpdate(prog, {QStringLiteral("-download")}, &out), 2);
        EXPECT_TRUE(out.contains(QStringLiteral("PUBKEY"))) << out.toStdString();
        EXPECT_EQ(server.RequestCount(), before);
    }
}
#endif
