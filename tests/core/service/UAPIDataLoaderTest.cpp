#include "UAPIDataLoader.h"

#include "TestUtil.h"
#include "TransportTestUtil.h"
#include "UAPIData.h"
#include "UAPIOperations.h"
#include "UDebug.h"
#include "UException.h"
#include "UnitDataManager.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QFileInfo>
#include <QPointer>

#include <gtest/gtest.h>

namespace {

// A task's events and Callback in one log; Obj tells when the task has freed itself.
class DataLoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        svc.Server.SetStatus(QStringLiteral("/missing.php"), 404, "no such file");
        svc.Server.ServeStalled(QStringLiteral("/stalled.bin"), 1000000, 1000);
        ASSERT_TRUE(svc.Start());
        manager.SetHost(svc.Server.BaseURL());
        manager.SetCallback([this](QObject *) { log.Add(QStringLiteral("manager")); });
    }
    // A task as the application makes them: script path, handlers, parameters.
    TDataLoader *NewTask(const QString &script = QString::fromLatin1(TAPIOperations::ScriptQuery),
                         bool withSuccess = true)
    {
        auto *task = new TDataLoader;
        task->SetHost(script);
        task->OnWork = log.Handlers(withSuccess);
        auto *tracker = new QObject;
        freed = tracker;
        task->SetObj(tracker);
        return task;
    }
    bool WaitFreed() { return testutil::waitUntil([&] { return freed.isNull(); }); }
    bool AllMain() const { return !log.Threads().contains(QStringLiteral("worker")); }

    TServiceFixture svc;
    TEventLog log;
    TDataManager manager;
    QPointer<QObject> freed;
};

TEST_F(DataLoaderTest, AsynchronousSuccessInTheMainThreadThenFreed)
{
    TDataLoader *task = NewTask();
    task->ParamAdd(QStringLiteral("k"), QStringLiteral("v"));
    task->ParamAdd(QStringLiteral("n"), 5);
    manager.TaskAdd(task);
    EXPECT_EQ(manager.Count(), 1);
    ASSERT_TRUE(WaitFreed());
    EXPECT_EQ(log.Shape(), (QStringList{"start 0", "start n", "update", "start n", "update", "end", "success",
                                        "manager"}));
    EXPECT_TRUE(AllMain()) << log.Threads().join(',').toStdString();
    EXPECT_EQ(manager.Count(), 0);
    const TStandinRequest r = svc.Service->LastRequest();
    EXPECT_EQ(r.Path, "/query.php");
    EXPECT_EQ(r.Headers.value("accept-encoding"), "gzip");
    EXPECT_EQ(r.Body, "k=v&n=5");
}

TEST_F(DataLoaderTest, AsynchronousOutcomes)
{
    const struct {
        const char *name;
        QList<QPair<QString, QString>> params;
        QString script;
        bool commonErrors;
        bool withSuccess;
        QString outcome; // the line before "manager"; empty: none
    } cases[] = {
        {"code 13", {{"standin_code", "13"}}, "query.php", true, true, "error #13:"},
        {"code 13 left to the owner", {{"standin_code", "13"}}, "query.php", false, true, "success"},
        {"code 13 without OnSuccess", {{"standin_code", "13"}}, "query.php", true, false, ""},
        {"unreadable", {{"standin_text", "not json"}}, "query.php", true, true, "error #4:not json"},
        {"404", {}, "missing.php", true, true, "error HTTP/1.1 404 Not Found"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const qsizetype from = log.Lines().size();
        TDataLoader *task = NewTask(c.script, c.withSuccess);
        task->SetHandleAnswerErrorAsCommon(c.commonErrors);
        for (const auto &[k, v] : c.params)
            task->ParamAdd(k, v);
        manager.TaskAdd(task);
        ASSERT_TRUE(WaitFreed());
        const QStringList lines = log.Lines().mid(from);
        ASSERT_GE(lines.size(), 3);
        EXPECT_EQ(lines.last(), QStringLiteral("manager"));
        if (c.outcome.isEmpty())
            EXPECT_EQ(lines[lines.size() - 2], QStringLiteral("end"));
        else
            EXPECT_EQ(lines[lines.size() - 2], c.outcome);
        EXPECT_TRUE(AllMain());
    }
}

TEST_F(DataLoaderTest, StoppingARunningTaskReportsTerminateNotError)
{
    testutil::TempDir dir;
    TDataLoader *task = NewTask(QStringLiteral("stalled.bin"));
    task->SetFileStore(true);
    task->SetFileName(dir.file(QStringLiteral("x.bin")));
    manager.TaskAdd(task);
    ASSERT_TRUE(testutil::waitUntil([&] { return log.Lines().contains(QStringLiteral("update 1000")); }));
    QElapsedTimer t;
    t.start();
    task->Terminate();
    ASSERT_TRUE(WaitFreed());
    EXPECT_LT(t.elapsed(), 1000);
    const QStringList shape = log.Shape();
    EXPECT_EQ(shape.mid(shape.size() - 3), (QStringList{"end", "terminate", "manager"}));
    EXPECT_FALSE(log.Lines().join('|').contains(QStringLiteral("error")));
    EXPECT_TRUE(AllMain());
}

TEST_F(DataLoaderTest, DownloadsAndUploads)
{
    testutil::TempDir dir;
    testutil::writeFile(dir.file(QStringLiteral("src.bin")), QByteArray(70000, 'd'));
    svc.Service->AddFile(QStringLiteral("3"), QStringLiteral("h3"), dir.file(QStringLiteral("src.bin")));

    // A download: success without an answer.
    TDataLoader *task = NewTask(QString::fromLatin1(TAPIOperations::ScriptFileGet));
    task->SetFileStore(true);
    task->SetFileName(dir.file(QStringLiteral("got.bin")));
    task->ParamAdd(QString::fromLatin1(TAPIOperations::FileHash), QStringLiteral("h3"));
    task->ParamAdd(QString::fromLatin1(TAPIOperations::FileID), QStringLiteral("3"));
    task->SetCallback([&](QObject *s) { EXPECT_EQ(static_cast<TDataLoader *>(s)->Answer(), nullptr); });
    manager.TaskAdd(task);
    ASSERT_TRUE(WaitFreed());
    EXPECT_EQ(log.Lines().last(), QStringLiteral("manager"));
    EXPECT_EQ(log.Lines()[log.Lines().size() - 2], QStringLiteral("success"));
    EXPECT_EQ(QFileInfo(dir.file(QStringLiteral("got.bin"))).size(), 70000);

    // A failed download: the transport's text.
    task = NewTask(QString::fromLatin1(TAPIOperations::ScriptFileGet));
    task->SetFileStore(true);
    task->SetFileName(dir.file(QStringLiteral("none.bin")));
    manager.TaskAdd(task);
    ASSERT_TRUE(WaitFreed());
    EXPECT_EQ(log.Lines()[log.Lines().size() - 2], QStringLiteral("error HTTP/1.1 404 Not Found"));

    // An upload, synchronously: the file part and the answer.
    std::unique_ptr<TDataLoader> up(NewTask());
    up->SetFileName(dir.file(QStringLiteral("src.bin")));
    up->SetFileField(QString::fromLatin1(TAPIOperations::FileField));
    up->ParamAdd(QStringLiteral("action"), QString::fromLatin1(TAPIOperations::ActionFileAdd));
    ASSERT_NE(manager.TaskRun(up.get()), nullptr);
    EXPECT_EQ(svc.Service->LastRequest().Parts.value(0).first, QStringLiteral("src.bin"));

    // A file name without a field is an ordinary form post.
    std::unique_ptr<TDataLoader> form(NewTask());
    form->SetFileName(dir.file(QStringLiteral("src.bin")));
    ASSERT_NE(manager.TaskRun(form.get()), nullptr);
    EXPECT_EQ(svc.Service->LastRequest().Headers.value("content-type"), "application/x-www-form-urlencoded");
}

TEST_F(DataLoaderTest, SynchronousRunsInTheCallersThreadWithoutOnEnd)
{
    std::unique_ptr<TDataLoader> task(NewTask());
    task->ParamAdd(QStringLiteral("k"), QStringLiteral("v"));
    TAPIDataAnswer *answer = manager.TaskRun(task.get());
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer->Error(), 0);
    EXPECT_EQ(answer->Count(), 1);
    EXPECT_EQ(log.Shape(), (QStringList{"start 0", "start n", "update", "start n", "update", "success", "manager"}));
    EXPECT_EQ(manager.Count(), 0);

    // From another thread (as document tracking does): every event stays in that thread.
    TEventLog other;
    std::unique_ptr<TDataLoader> off(new TDataLoader);
    off->SetHost(manager.Host() + QStringLiteral("query.php"));
    off->OnWork = other.Handlers();
    std::thread([&] { off->Query(false); }).join();
    ASSERT_NE(off->Answer(), nullptr);
    EXPECT_FALSE(other.Threads().contains(QStringLiteral("main")));
    EXPECT_EQ(other.Lines().last(), QStringLiteral("success"));
}

TEST_F(DataLoaderTest, SynchronousFailureFiresNoOutcome)
{
    std::unique_ptr<TDataLoader> task(NewTask(QStringLiteral("missing.php")));
    EXPECT_EQ(manager.TaskRun(task.get()), nullptr);
    EXPECT_EQ(task->Error(), QStringLiteral("HTTP/1.1 404 Not Found"));
    EXPECT_EQ(log.Lines(), QStringList{"start 0"});
}

TEST_F(DataLoaderTest, SuccessHandlerFailureIsSwallowedOthersAreNot)
{
    std::unique_ptr<TDataLoader> task(NewTask());
    task->OnWork.OnSuccess = [](QObject *) { throw EUError(QStringLiteral("owner broke")); };
    ASSERT_NE(manager.TaskRun(task.get()), nullptr);
    EXPECT_EQ(task->Error(), QString());
    EXPECT_EQ(log.Lines().last(), QStringLiteral("manager"));

    // A failing Callback of a synchronous run ends as the task's failure.
    std::unique_ptr<TDataLoader> second(NewTask());
    manager.SetCallback([](QObject *) { throw EUError(QStringLiteral("callback broke")); });
    EXPECT_EQ(manager.TaskRun(second.get()), nullptr);
    EXPECT_EQ(second->Error(), QStringLiteral("callback broke"));
}

TEST_F(DataLoaderTest, TheOwnerMayKeepTheAnswer)
{
    std::unique_ptr<TAPIDataAnswer> kept;
    TDataLoader *task = NewTask();
    task->OnWork.OnSuccess = [&](QObject *s) {
        auto *t = static_cast<TDataLoader *>(s);
        kept.reset(t->Answer());
        t->SetFreeAnswer(false);
    };
    manager.TaskAdd(task);
    ASSERT_TRUE(WaitFreed());
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->Error(), 0);
}

TEST_F(DataLoaderTest, DestroyingARunningTaskStopsItWithoutFurtherEvents)
{
    auto *task = NewTask(svc.URL(QStringLiteral("stalled.bin")));
    task->SetFileStore(true);
    testutil::TempDir dir;
    task->SetFileName(dir.file(QStringLiteral("x")));
    task->Start();
    ASSERT_TRUE(testutil::waitUntil([&] { return log.Lines().contains(QStringLiteral("update 1000")); }));
    const int before = int(log.Lines().size());
    QElapsedTimer t;
    t.start();
    delete task;
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_TRUE(freed.isNull());
    QCoreApplication::processEvents();
    EXPECT_EQ(log.Lines().size(), before);
}

// A handler's failure in an asynchronous run: the debug log has it, Callback still comes, and the
// manager lets go of the task.
TEST_F(DataLoaderTest, HandlersThatRaiseAreLoggedAndCallbackStillComes)
{
    testutil::TempDir dir;
    const QString savedLog = TUDebug::LogFile();
    TUDebug::SetLogFile(dir.file(QStringLiteral("debug.log")));
    const auto broke = [](const char *what) { return [what](auto &&...) { throw EUError(QString::fromLatin1(what)); }; };
    const struct {
        const char *name;
        QString script;
        std::function<void(TDataLoader *)> arm;
        QString logged;
    } cases[] = {
        {"OnError", QStringLiteral("missing.php"), [&](TDataLoader *t) { t->OnWork.OnError = broke("error handler broke"); },
         QStringLiteral("error handler broke")},
        {"OnTerminate", QStringLiteral("stalled.bin"),
         [&](TDataLoader *t) {
             t->OnWork.OnTerminate = broke("terminate handler broke");
             t->OnWork.OnUpdate = [t](qint64) { t->Terminate(); };
         },
         QStringLiteral("terminate handler broke")},
        {"OnEnd", QString::fromLatin1(TAPIOperations::ScriptQuery), [&](TDataLoader *t) { t->OnWork.OnEnd = broke("end handler broke"); },
         QStringLiteral("end handler broke")},
        {"OnStart", QString::fromLatin1(TAPIOperations::ScriptQuery), [&](TDataLoader *t) { t->OnWork.OnStart = broke("start handler broke"); },
         QStringLiteral("start handler broke")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TDataLoader *task = NewTask(c.script);
        if (c.script == QStringLiteral("stalled.bin")) {
            task->SetFileStore(true);
            task->SetFileName(dir.file(QStringLiteral("x.bin")));
        }
        c.arm(task);
        manager.TaskAdd(task);
        ASSERT_TRUE(WaitFreed());
        EXPECT_EQ(log.Lines().last(), QStringLiteral("manager"));
        EXPECT_EQ(manager.Count(), 0);
        EXPECT_TRUE(QString::fromLatin1(testutil::readFile(dir.file(QStringLiteral("debug.log")))).contains(c.logged));
    }

    // The manager's own Callback failing: logged, and the task leaves the list.
    manager.SetCallback([](QObject *) { throw EUError(QStringLiteral("manager callback broke")); });
    manager.TaskAdd(NewTask());
    ASSERT_TRUE(WaitFreed());
    EXPECT_EQ(manager.Count(), 0);
    EXPECT_TRUE(QString::fromLatin1(testutil::readFile(dir.file(QStringLiteral("debug.log")))).contains(QStringLiteral("manager callback broke")));
    TUDebug::SetLogFile(savedLog);
}

TEST_F(DataLoaderTest, AQueueGoesOnPastRaisingHandlersAndForgetsFreedTasks)
{
    testutil::TempDir dir;
    const QString savedLog = TUDebug::LogFile();
    TUDebug::SetLogFile(dir.file(QStringLiteral("debug.log")));
    TTaskQueue queue;
    TDataLoader *failing = NewTask(QStringLiteral("missing.php"));
    failing->OnWork.OnError = [](QObject *, const QString &) { throw EUError(QStringLiteral("owner broke")); };
    queue.Add(failing);
    queue.Add(NewTask());
    int done = 0;
    queue.SetOnDone([&](QObject *) { ++done; });
    int finished = 0;
    queue.SetCallback([&](QObject *) {
        ++finished;
        throw EUError(QStringLiteral("queue callback broke"));
    });
    manager.QueueRun(&queue);
    ASSERT_TRUE(testutil::waitUntil([&] { return done > 0; }));
    ASSERT_TRUE(WaitFreed());
    EXPECT_EQ(done, 1);
    EXPECT_EQ(finished, 2);
    // The entries stay, but none hands out a freed task.
    EXPECT_EQ(queue.Count(), 2);
    EXPECT_EQ(queue.Data(0), nullptr);
    EXPECT_EQ(queue.Data(1), nullptr);

    // Run again without a Clear: only the new task runs, the freed ones are left alone.
    queue.Add(NewTask());
    manager.QueueRun(&queue);
    ASSERT_TRUE(testutil::waitUntil([&] { return done == 2; }));
    EXPECT_EQ(finished, 3);
    EXPECT_EQ(queue.Data(2), nullptr);
    TUDebug::SetLogFile(savedLog);
}

// The owner destroys its task from inside a handler: no hang, no later notice, no Callback, and
// neither the manager nor a queue keeps the task.
TEST_F(DataLoaderTest, AHandlerMayDestroyItsTask)
{
    testutil::TempDir dir;
    enum TWhere { inUpdate, inUpdateModal, inEnd, inSuccess };
    const struct {
        const char *name;
        TWhere where;
    } cases[] = {{"progress", inUpdate}, {"progress, modal loop", inUpdateModal}, {"end", inEnd}, {"success", inSuccess}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const qsizetype from = log.Lines().size();
        const bool stalled = c.where == inUpdate || c.where == inUpdateModal;
        TDataLoader *task = NewTask(stalled ? QStringLiteral("stalled.bin") : QString::fromLatin1(TAPIOperations::ScriptQuery));
        if (stalled) {
            task->SetFileStore(true);
            task->SetFileName(dir.file(QStringLiteral("x.bin")));
        }
        bool deleted = false;
        const auto destroy = [&, task] {
            log.Add(QStringLiteral("destroying"));
            if (c.where != inUpdateModal) {
                delete task;
                deleted = true;
                return;
            }
            QEventLoop modal;
            QTimer::singleShot(0, [&] {
                delete task;
                deleted = true;
                modal.quit();
            });
            modal.exec();
        };
        if (stalled)
            task->OnWork.OnUpdate = [&, destroy](qint64 n) {
                if (n > 0 && !deleted)
                    destroy();
            };
        else if (c.where == inEnd)
            task->OnWork.OnEnd = destroy;
        else
            task->OnWork.OnSuccess = [destroy](QObject *) { destroy(); };
        manager.TaskAdd(task);
        ASSERT_TRUE(WaitFreed());
        EXPECT_TRUE(deleted);
        QCoreApplication::processEvents();
        EXPECT_EQ(log.Lines().mid(from).last(), QStringLiteral("destroying"));
        EXPECT_EQ(manager.Count(), 0);
    }

    // In a queue the next task still runs.
    TTaskQueue queue;
    TDataLoader *first = NewTask();
    first->OnWork.OnSuccess = [first](QObject *) { delete first; };
    queue.Add(first);
    queue.Add(NewTask());
    int done = 0;
    queue.SetOnDone([&](QObject *) { ++done; });
    manager.QueueRun(&queue);
    ASSERT_TRUE(testutil::waitUntil([&] { return done > 0; }));
    EXPECT_EQ(queue.Data(0), nullptr);
}

TEST_F(DataLoaderTest, ErrorStartsEmptyAtEveryRun)
{
    std::unique_ptr<TDataLoader> task(NewTask());
    task->ParamAdd(QStringLiteral("standin_code"), 13);
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        task->SetHost(QString::fromLatin1(TAPIOperations::ScriptQuery)); // the manager prefixes it
        ASSERT_NE(manager.TaskRun(task.get()), nullptr);
        EXPECT_EQ(task->Error(), QStringLiteral("#13:"));
    }
    // A failed run, then one that succeeds.
    std::unique_ptr<TDataLoader> other(NewTask(QStringLiteral("missing.php")));
    EXPECT_EQ(manager.TaskRun(other.get()), nullptr);
    EXPECT_FALSE(other->Error().isEmpty());
    other->SetHost(QString::fromLatin1(TAPIOperations::ScriptQuery));
    EXPECT_NE(manager.TaskRun(other.get()), nullptr);
    EXPECT_EQ(other->Error(), QString());
}

TEST(TaskListManager, RemoveMovesTheLastTaskAndNotifiesOnlyOnChange)
{
    TTaskListManager list;
    int notices = 0;
    QObject *noticeSender = nullptr;
    list.SetOnTaskListChange([&](QObject *s) {
        ++notices;
        noticeSender = s;
    });
    TDataLoader a, b, c, other;
    list.Add(&a);
    list.Add(&b);
    list.Add(&c);
    EXPECT_EQ(notices, 3);
    EXPECT_EQ(noticeSender, &list);
    list.Remove(&a);
    EXPECT_EQ(list.Data(0), &c);
    EXPECT_EQ(list.Data(1), &b);
    EXPECT_EQ(list.Data(2), nullptr);
    EXPECT_EQ(list.Data(-1), nullptr);
    EXPECT_EQ(notices, 4);
    list.Remove(&other);
    list.Remove(7);
    EXPECT_EQ(notices, 4);
    EXPECT_EQ(list.Find(&b), 1);
    list.Clear();
    list.Clear();
    EXPECT_EQ(notices, 5);
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(DataLoaderTest, ManagerListFollowsRunningTasks)
{
    int notices = 0;
    manager.SetOnTaskListChange([&](QObject *) { ++notices; });
    TDataLoader *slow = NewTask(QStringLiteral("stalled.bin"));
    QPointer<QObject> slowFreed = freed;
    testutil::TempDir dir;
    slow->SetFileStore(true);
    slow->SetFileName(dir.file(QStringLiteral("x")));
    manager.TaskAdd(slow);
    TDataLoader *quick = NewTask();
    manager.TaskAdd(quick);
    ASSERT_TRUE(WaitFreed());
    EXPECT_EQ(manager.Count(), 1);
    EXPECT_EQ(manager.Data(0), slow);
    EXPECT_EQ(notices, 3);
    slow->Terminate();
    ASSERT_TRUE(testutil::waitUntil([&] { return slowFreed.isNull(); }));
    EXPECT_EQ(notices, 4);
}

TEST_F(DataLoaderTest, QueueRunsOneAfterAnother)
{
    TTaskQueue queue;
    QStringList order;
    for (int i = 0; i < 3; ++i) {
        TDataLoader *task = NewTask();
        task->ParamAdd(QStringLiteral("n"), i);
        task->OnWork.OnStart = [&order, i](qint64 total) {
            if (total == 0)
                order << QStringLiteral("start %1").arg(i);
        };
        queue.Add(task);
    }
    queue.Add(nullptr);
    EXPECT_EQ(queue.Count(), 3);
    queue.SetCallback([&](QObject *s) {
        QString n;
        static_cast<TDataLoader *>(s)->Sender().ParamValue(QStringLiteral("n"), n);
        order << QStringLiteral("done ") + n;
    });
    int done = 0;
    queue.SetOnDone([&](QObject *s) {
        EXPECT_EQ(s, &queue);
        ++done;
        order << QStringLiteral("queue done");
    });
    int managerNotices = 0;
    manager.SetOnTaskListChange([&](QObject *) { ++managerNotices; });
    manager.QueueRun(&queue);
    EXPECT_EQ(managerNotices, 1);
    ASSERT_TRUE(testutil::waitUntil([&] { return done > 0; }));
    ASSERT_TRUE(WaitFreed());
    QCoreApplication::processEvents();
    EXPECT_EQ(done, 1);
    EXPECT_EQ(order, (QStringList{"start 0", "done 0", "start 1", "done 1", "start 2", "done 2", "queue done"}));
    EXPECT_EQ(manager.Count(), 0);
    EXPECT_FALSE(log.Lines().contains(QStringLiteral("manager")));

    TTaskQueue empty;
    int emptyDone = 0;
    empty.SetOnDone([&](QObject *) { ++emptyDone; });
    EXPECT_FALSE(empty.Run());
    EXPECT_EQ(emptyDone, 1);
}

TEST(DataManager, DestroyedWithRunningTasksStopsThemAndIsNeverCalledBack)
{
    TServiceFixture svc;
    svc.Server.ServeStalled(QStringLiteral("/stalled.bin"), 1000000, 1000);
    ASSERT_TRUE(svc.Start());
    TEventLog log;
    testutil::TempDir dir;
    QList<QPointer<QObject>> trackers;
    auto manager = std::make_unique<TDataManager>();
    manager->SetHost(svc.Server.BaseURL());
    bool managerCalled = false;
    manager->SetCallback([&](QObject *) { managerCalled = true; });
    for (int i = 0; i < 3; ++i) {
        auto *task = new TDataLoader;
        task->SetHost(QStringLiteral("stalled.bin"));
        task->SetFileStore(true);
        task->SetFileName(dir.file(QStringLiteral("x%1").arg(i)));
        task->OnWork = log.Handlers();
        auto *tracker = new QObject;
        trackers << tracker;
        task->SetObj(tracker);
        manager->TaskAdd(task);
    }
    ASSERT_TRUE(testutil::waitUntil([&] { return log.Lines().count(QStringLiteral("update 1000")) == 3; }));
    manager.reset();
    ASSERT_TRUE(testutil::waitUntil([&] {
        return std::all_of(trackers.begin(), trackers.end(), [](const auto &t) { return t.isNull(); });
    }, std::chrono::seconds(3)));
    EXPECT_FALSE(managerCalled);
    EXPECT_EQ(log.Lines().count(QStringLiteral("terminate")), 3);
    EXPECT_FALSE(log.Lines().join('|').contains(QStringLiteral("error")));
}

} // namespace
