#include "TestUtil.h"
#include "UDebug.h"
#include "UException.h"
#include "UHandOver.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

namespace {

bool inMain() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

// Everything a worker saw of its hand-overs, written by the worker alone and read after the join.
struct TWorkerLog {
    std::vector<bool> Sent; // Send's result, one per call
    int RanInMain = 0;      // touched in the main thread only
    bool RanElsewhere = false;
};

TEST(HandOver, SendRunsInTheOwnersThreadAndRaisesItsFailureInTheWorker)
{
    QObject owner;
    THandOver hand(&owner);
    TWorkerLog log;
    QString caught;
    std::atomic<bool> done{false};
    hand.Start([&] {
        for (int i = 0; i < 3; ++i)
            log.Sent.push_back(hand.Send([&] {
                if (inMain())
                    ++log.RanInMain;
                else
                    log.RanElsewhere = true;
            }));
        try {
            hand.Send([] { throw EUError(QStringLiteral("owner broke")); });
        } catch (const EUError &e) {
            caught = e.Message();
        }
        hand.Post([&] { done = inMain(); });
    });
    ASSERT_TRUE(testutil::waitUntil([&] { return done.load(); }));
    hand.Join();
    EXPECT_FALSE(hand.Joinable());
    EXPECT_EQ(log.Sent, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(log.RanInMain, 3);
    EXPECT_FALSE(log.RanElsewhere);
    EXPECT_EQ(caught, QStringLiteral("owner broke"));

    // In the owner's thread a Send runs at once.
    int here = 0;
    EXPECT_TRUE(hand.Send([&] { ++here; }));
    EXPECT_EQ(here, 1);
}

// The main thread joins while the worker still needs it: no event loop runs, yet nothing hangs.
TEST(HandOver, AJoinServesTheWorkersSendsOrCancelsThemOnceClosed)
{
    for (const bool close : {false, true}) {
        SCOPED_TRACE(close ? "closed" : "open");
        QObject owner;
        THandOver hand(&owner);
        TWorkerLog log;
        std::atomic<bool> ready{false};
        hand.Start([&] {
            ready = true;
            for (int i = 0; i < 5; ++i)
                log.Sent.push_back(hand.Send([&] { log.RanInMain += inMain() ? 1 : 0; }));
        });
        // The worker is under way, its first call possibly queued already.
        while (!ready)
            QThread::yieldCurrentThread();
        if (close)
            hand.Close();
        hand.Join();
        EXPECT_EQ(log.Sent, std::vector<bool>(5, !close));
        EXPECT_EQ(log.RanInMain, close ? 0 : 5);
        // Deliveries still queued for the owner find nothing left to run.
        QCoreApplication::processEvents();
        EXPECT_EQ(log.RanInMain, close ? 0 : 5);
    }
}

TEST(HandOver, ASendWhoseOwnerIsGoneIsCancelled)
{
    auto owner = std::make_unique<QObject>();
    THandOver hand(owner.get());
    bool sent = true;
    bool ran = false;
    hand.Start([&] { sent = hand.Send([&] { ran = true; }); });
    ASSERT_TRUE(testutil::waitUntil([&] { return hand.Pending() == 1; }));
    owner.reset(); // takes the queued delivery with it
    hand.Join();
    EXPECT_FALSE(sent);
    EXPECT_FALSE(ran);
}

TEST(HandOver, DestructionCancelsAndJoinsAndLaterCallsAreRefused)
{
    QObject owner;
    std::atomic<int> refused{0};
    int ran = 0;
    std::atomic<bool> stop{false};
    auto hand = std::make_unique<THandOver>(&owner);
    THandOver *h = hand.get();
    hand->Start([&] {
        // Keeps asking until the owner gives up on it.
        while (!stop) {
            if (!h->Send([&] { ++ran; }))
                ++refused;
            if (refused > 0)
                stop = true;
        }
    });
    ASSERT_TRUE(testutil::waitUntil([&] { return ran > 0 && h->Pending() == 1; }));
    hand.reset();
    EXPECT_EQ(refused, 1);
    QCoreApplication::processEvents();
    const int after = ran;
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, after);
}

// What a task does: a worker that reports progress until told to stop, owned by an object that
// the owner's handler may destroy.
class TProgressTask {
public:
    explicit TProgressTask(std::function<void(TProgressTask *)> handler) : FHandler(std::move(handler))
    {
        FHand.Start([this] {
            // The handler is copied: it may destroy the task, and with it FHandler, while it runs.
            while (!FStop)
                FHand.Send([this] {
                    const auto handler = FHandler;
                    handler(this);
                });
        });
    }
    ~TProgressTask()
    {
        FStop = true;
        FHand.Close();
        FHand.Join();
        alive = nullptr;
    }
    QObject *Owner() { return &FOwner; }

    static inline TProgressTask *alive = nullptr;

private:
    std::function<void(TProgressTask *)> FHandler;
    std::atomic<bool> FStop{false};
    QObject FOwner;
    THandOver FHand{&FOwner};
};

TEST(HandOver, AHandlerMayDestroyItsTaskDirectlyOrFromANestedLoop)
{
    for (const bool nested : {false, true}) {
        SCOPED_TRACE(nested ? "nested loop" : "directly");
        int calls = 0;
        bool deleted = false;
        auto *task = new TProgressTask([&](TProgressTask *t) {
            if (++calls < 3)
                return;
            if (calls > 3) {
                ADD_FAILURE() << "handler called after its task was destroyed";
                return;
            }
            if (!nested) {
                delete t;
                deleted = true;
                return;
            }
            // A modal box: the task goes while the handler waits for the user.
            QEventLoop modal;
            QTimer::singleShot(0, [&] {
                delete t;
                deleted = true;
                modal.quit();
            });
            modal.exec();
        });
        TProgressTask::alive = task;
        ASSERT_TRUE(testutil::waitUntil([&] { return deleted; }));
        EXPECT_EQ(calls, 3);
        EXPECT_EQ(TProgressTask::alive, nullptr);
        QCoreApplication::processEvents();
        EXPECT_EQ(calls, 3);
    }
}

TEST(HandOver, AfterTheApplicationQuitsSendsAreRefused)
{
    QObject owner;
    THandOver hand(&owner);
    QTimer::singleShot(0, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    EXPECT_TRUE(hand.Closed());
    bool sent = true;
    bool ran = false;
    hand.Start([&] { sent = hand.Send([&] { ran = true; }); });
    hand.Join();
    EXPECT_FALSE(sent);
    EXPECT_FALSE(ran);
}

TEST(HandOver, FailuresNobodyCanTakeGoToTheDebugLog)
{
    testutil::TempDir dir;
    const QString saved = TUDebug::LogFile();
    TUDebug::SetLogFile(dir.file(QStringLiteral("debug.log")));
    {
        QObject owner;
        THandOver hand(&owner);
        std::atomic<bool> posted{false};
        hand.Start([&] {
            hand.Post([&] {
                posted = true;
                throw EUError(QStringLiteral("posted broke"));
            });
            throw std::runtime_error("body broke");
        });
        ASSERT_TRUE(testutil::waitUntil([&] { return posted.load(); }));
        hand.Join();
    }
    TUDebug::SetLogFile(saved);
    const QString text = QString::fromLatin1(testutil::readFile(dir.file(QStringLiteral("debug.log"))));
    EXPECT_TRUE(text.contains(QStringLiteral("posted broke"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("body broke"))) << text.toStdString();
}

} // namespace
