#include "TestUtil.h"
#include "UpdateApply.h"
#include "UpdateMaster.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>
#include <thread>

#ifdef Q_OS_UNIX
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using testutil::readFile;
using testutil::writeFile;

namespace {

// A program folder with an update of `count` files in "update/": the last `added` of them are new
// files, the others replace old versions.
struct TApplyFixture {
    explicit TApplyFixture(int count = 6, int added = 2) : Count(count), Added(added)
    {
        prog = tmp.file(QStringLiteral("prog/"));
        for (int i = 0; i < Count; ++i)
            writeFile(prog + QStringLiteral("update/") + name(i), newContent(i));
        makeOld();
    }
    QString name(int i) const { return QStringLiteral("d%1/f%2.txt").arg(i % 10).arg(i); }
    static QByteArray oldContent(int i) { return "old " + QByteArray::number(i); }
    static QByteArray newContent(int i) { return "new version of file " + QByteArray::number(i); }
    void makeOld()
    {
        for (int i = 0; i < Count; ++i) {
            if (i < Count - Added)
                writeFile(prog + name(i), oldContent(i));
            else
                QFile::remove(prog + name(i));
        }
    }
    enum TKind { Old, New, Mixed };
    TKind kind() const
    {
        int olds = 0, news = 0;
        for (int i = 0; i < Count; ++i) {
            const bool exists = QFile::exists(prog + name(i));
            const QByteArray c = exists ? readFile(prog + name(i)) : QByteArray();
            if (c == newContent(i))
                ++news;
            else if (i < Count - Added ? c == oldContent(i) : !exists)
                ++olds;
        }
        return olds == Count ? Old : news == Count ? New : Mixed;
    }
    // Staged or kept-back files, a journal: anything an apply leaves when it is not settled.
    QStringList leftovers() const
    {
        QStringList found;
        QDirIterator it(prog, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString f = it.next();
            if (f.endsWith(TUpdateApply::NewSuffix) || f.endsWith(TUpdateApply::OldSuffix) || f.contains(QStringLiteral("/.apply")))
                found << f.mid(prog.size());
        }
        return found;
    }
    bool updateFolderIntact() const
    {
        for (int i = 0; i < Count; ++i)
            if (readFile(prog + QStringLiteral("update/") + name(i)) != newContent(i))
                return false;
        return TUpdateMaster::GetFileList(prog + QStringLiteral("update/")).size() == Count;
    }

    testutil::TempDir tmp;
    QString prog;
    int Count, Added;
};

} // namespace

TEST(UpdateApply, AFailedCopyLeavesTheOldProgramsInPlace)
{
    // A file where the update needs a folder: staging fails, whichever file comes first.
    TApplyFixture fx;
    writeFile(fx.prog + QStringLiteral("update/blocked/x.txt"), "new x");
    writeFile(fx.prog + QStringLiteral("blocked"), "a file in the way");
    TUpdateMaster um;
    um.SetDir(fx.prog);
    EXPECT_FALSE(um.DoUpdate());
    EXPECT_EQ(um.Error(), QStringLiteral("Не удалось заменить файлы! Закройте все программы и попробуйте заново..."));
    EXPECT_EQ(fx.kind(), TApplyFixture::Old);
    EXPECT_EQ(fx.leftovers(), QStringList());

    QFile::remove(fx.prog + QStringLiteral("blocked"));
    ASSERT_TRUE(um.DoUpdate()) << um.Error().toStdString();
    EXPECT_EQ(fx.kind(), TApplyFixture::New);
    EXPECT_EQ(fx.leftovers(), QStringList());
}

TEST(UpdateApply, AFailureWhilePuttingFilesInPlaceRestoresTheOldOnes)
{
    TApplyFixture fx;
    TUpdateApply apply(fx.prog);
    QStringList rels;
    for (int i = 0; i < fx.Count; ++i)
        rels << fx.name(i);
    ASSERT_TRUE(apply.Begin(rels));
    for (int i = 0; i < fx.Count; ++i) {
        QDir().mkpath(QFileInfo(fx.prog + fx.name(i)).absolutePath());
        bool mismatch = false;
        ASSERT_TRUE(apply.Stage(i, fx.prog + QStringLiteral("update/") + fx.name(i), false, {}, mismatch));
    }
    // The last file being replaced cannot be moved aside (a folder holds the name it needs), after
    // the files before it were already put in place.
    const int last = fx.Count - fx.Added - 1;
    writeFile(fx.prog + fx.name(last) + TUpdateApply::OldSuffix + QStringLiteral("/inner"), "in the way");
    EXPECT_FALSE(apply.Commit());
    EXPECT_EQ(fx.kind(), TApplyFixture::Old);
    EXPECT_EQ(fx.leftovers(), QStringList());
    EXPECT_FALSE(QFile::exists(TUpdateApply::JournalName(fx.prog)));
}

TEST(UpdateApply, RecoveryFromEveryJournalState)
{
    // The journal's three states as a killed apply leaves them, each with files at every stage.
    struct TCase {
        const char *name;
        QByteArray journal;
        TApplyFixture::TKind after;
    };
    const TCase cases[] = {
        {"killed while staging", "state stage\nold d0/f0.txt\nold d1/f1.txt\nnew d2/f2.txt\nend\n", TApplyFixture::Old},
        {"killed while putting in place", "state commit\nold d0/f0.txt\nold d1/f1.txt\nnew d2/f2.txt\nend\n",
         TApplyFixture::New},
        {"killed while rolling back", "state rollback\nold d0/f0.txt\nold d1/f1.txt\nnew d2/f2.txt\nend\n",
         TApplyFixture::Old},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        TApplyFixture fx(3, 1);
        const QString p = fx.prog;
        if (QByteArray(c.name).contains("staging")) {
            // f0 staged, f1 half staged, f2 not yet.
            writeFile(p + fx.name(0) + TUpdateApply::NewSuffix, TApplyFixture::newContent(0));
            writeFile(p + fx.name(1) + TUpdateApply::NewSuffix, "new ver");
        } else {
            // f0 in place (old kept), f1 between its two renames, f2 staged only.
            QFile::rename(p + fx.name(0), p + fx.name(0) + TUpdateApply::OldSuffix);
            writeFile(p + fx.name(0), TApplyFixture::newContent(0));
            QFile::rename(p + fx.name(1), p + fx.name(1) + TUpdateApply::OldSuffix);
            writeFile(p + fx.name(1) + TUpdateApply::NewSuffix, TApplyFixture::newContent(1));
            writeFile(p + fx.name(2) + TUpdateApply::NewSuffix, TApplyFixture::newContent(2));
        }
        writeFile(TUpdateApply::JournalName(p), c.journal);
        EXPECT_TRUE(TUpdateApply::Recover(p));
        EXPECT_EQ(fx.kind(), c.after);
        EXPECT_EQ(fx.leftovers(), QStringList());
        EXPECT_TRUE(TUpdateApply::Recover(p)) << "nothing left to do";
    }

    // A journal that is not one: left alone, and the copy refuses to start over it.
    TApplyFixture fx;
    writeFile(TUpdateApply::JournalName(fx.prog), "state stage\nold d0/f0.txt\n");
    EXPECT_FALSE(TUpdateApply::Recover(fx.prog));
    TUpdateMaster um;
    um.SetDir(fx.prog);
    EXPECT_FALSE(um.DoUpdate());
    EXPECT_TRUE(um.Error().contains(QStringLiteral(".apply/journal"))) << um.Error().toStdString();
    EXPECT_EQ(fx.kind(), TApplyFixture::Old);
}

#ifdef Q_OS_UNIX
// The copy of a 200-file update killed at 50 random moments: after each, what the updater does
// first at its next start leaves the program folder entirely old or entirely new, nothing of the
// apply behind, and "update/" whole for another try.
TEST(UpdateApply, KilledAtRandomMomentsTheProgramsAreNeverMixed)
{
    TApplyFixture fx(200, 20);
    auto runCopy = [&] {
        TUpdateMaster um;
        um.SetDir(fx.prog);
        um.SetDurable(false); // a killed process loses nothing that the page cache holds
        _exit(um.DoUpdate() ? 0 : 1);
    };
    // How long one whole copy takes here: the middle one of three, as the machine's load varies.
    std::vector<std::chrono::microseconds> runs;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t whole = fork();
        ASSERT_GE(whole, 0);
        if (whole == 0)
            runCopy();
        int status = 0;
        ASSERT_EQ(waitpid(whole, &status, 0), whole);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        runs.push_back(std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start));
        ASSERT_EQ(fx.kind(), TApplyFixture::New);
        fx.makeOld();
    }
    std::sort(runs.begin(), runs.end());
    const auto took = runs[1];
    int status = 0;

    std::mt19937 rng(20261211);
    std::uniform_real_distribution<double> jitter(0.0, 1.0);
    int olds = 0, news = 0;
    const int kills = 50;
    for (int k = 0; k < kills; ++k) {
        SCOPED_TRACE(k);
        // Spread over the whole copy and beyond.
        const auto delay = std::chrono::microseconds(static_cast<long long>(took.count() * 1.3 * (k + jitter(rng)) / kills));
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            runCopy();
        std::this_thread::sleep_for(delay);
        kill(child, SIGKILL);
        ASSERT_EQ(waitpid(child, &status, 0), child);

        ASSERT_TRUE(TUpdateApply::Recover(fx.prog));
        const auto kind = fx.kind();
        ASSERT_NE(kind, TApplyFixture::Mixed);
        ASSERT_EQ(fx.leftovers(), QStringList());
        ASSERT_TRUE(fx.updateFolderIntact());
        if (kind == TApplyFixture::New) {
            ++news;
            fx.makeOld();
        } else {
            ++olds;
        }
    }
    EXPECT_GT(olds, 0);
    EXPECT_GT(news, 0);
    std::printf("one copy %lld ms; after the kills: %d old, %d new\n", static_cast<long long>(took.count() / 1000), olds,
                news);
}
#endif

#ifdef OC_UPDATE_EXE
// The program itself: killed during "-do", it settles the copy first thing at its next start.
TEST(UpdateApply, TheUpdaterSettlesAnInterruptedCopyWhenItStarts)
{
    TApplyFixture fx(200, 20);
    const QString exe = fx.prog + QStringLiteral("update.exe");
    ASSERT_TRUE(QFile::copy(QStringLiteral(OC_UPDATE_EXE), exe));
    writeFile(fx.prog + QStringLiteral("update.ini"), "EXENAME=main.exe\r\n");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    QProcess p;
    p.setProcessEnvironment(env);
    p.start(exe, {QStringLiteral("-do")});
    ASSERT_TRUE(p.waitForStarted(10000));
    // Killed as soon as the copy has begun.
    const QString journal = TUpdateApply::JournalName(fx.prog);
    ASSERT_TRUE(testutil::waitUntil([&] { return QFile::exists(journal) || p.state() == QProcess::NotRunning; },
                                    std::chrono::seconds(20)));
    p.kill();
    p.waitForFinished();
    const bool interrupted = QFile::exists(journal);

    // The next start, without settings: it only settles the copy and ends.
    QFile::rename(fx.prog + QStringLiteral("update.ini"), fx.prog + QStringLiteral("update.ini.off"));
    QProcess next;
    next.setProcessEnvironment(env);
    next.start(exe, {});
    ASSERT_TRUE(next.waitForFinished(20000));
    EXPECT_NE(fx.kind(), TApplyFixture::Mixed);
    EXPECT_EQ(fx.leftovers(), QStringList());
    EXPECT_FALSE(QFile::exists(journal));
    if (!interrupted)
        GTEST_SKIP() << "the copy finished before the kill";
}
#endif
