#include "UHandOver.h"

#include "UDebug.h"
#include "UException.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

namespace {

// A Send's way: queued, running in the owner's thread, then one of the three ends. LetGo: the
// owner's thread released the worker while the call was still running (see Join).
enum TStage { stQueued, stRunning, stDone, stLetGo, stCancelled };

struct TCall {
    explicit TCall(std::function<void()> fn) : Fn(std::move(fn)) {}
    // Read only by the thread that runs the call.
    std::function<void()> Fn;
    TStage Stage = stQueued;
    std::exception_ptr Failure;
};

QString failureText(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const EUError &e) {
        return e.Message();
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
    }
    return QStringLiteral("unknown failure");
}

// For failures that nobody above could take.
void logFailure(const char *where, const std::exception_ptr &failure)
{
    const QString line = QString::fromLatin1(where) + QStringLiteral(": ") + failureText(failure);
    try {
        TUDebug::Log(line);
    } catch (...) {
        qWarning("%s", qPrintable(line));
    }
}

// Held while a call is posted and before a posted call reads what it captured. The event queue's
// own lock already orders the two, but it lives in the installed Qt, out of sight of the race
// checker; this one keeps the hand-off of the captured state visible to it.
std::mutex &postLock()
{
    static std::mutex lock;
    return lock;
}

template <typename Call>
void postTo(QObject *owner, Call &&call)
{
    std::lock_guard sync(postLock());
    QMetaObject::invokeMethod(owner, std::forward<Call>(call), Qt::QueuedConnection);
}

void seePosted() { std::lock_guard sync(postLock()); }

} // namespace

struct THandOver::TState {
    explicit TState(QObject *owner) : Owner(owner), OwnerThread(owner->thread()) {}

    bool InOwnerThread() const { return QThread::currentThread() == OwnerThread; }

    // Ends a call and wakes whoever waits for it. Lock held.
    void Settle(const std::shared_ptr<TCall> &call, TStage stage)
    {
        call->Stage = stage;
        Waiting.erase(std::remove(Waiting.begin(), Waiting.end(), call), Waiting.end());
        Changed.notify_all();
    }
    std::shared_ptr<TCall> FirstQueued() const
    {
        const auto it = std::find_if(Waiting.begin(), Waiting.end(), [](const auto &c) { return c->Stage == stQueued; });
        return it == Waiting.end() ? nullptr : *it;
    }
    // Runs a queued call in the owner's thread with the lock released, or cancels it once closed.
    void Serve(const std::shared_ptr<TCall> &call, std::unique_lock<std::mutex> &lock)
    {
        if (call->Stage != stQueued)
            return;
        if (Closed) {
            Settle(call, stCancelled);
            return;
        }
        call->Stage = stRunning;
        lock.unlock();
        std::exception_ptr failure;
        try {
            call->Fn();
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        if (call->Stage == stRunning) {
            call->Failure = failure;
            Settle(call, stDone);
        } else if (failure) {
            // The worker was let go meanwhile: there is nobody left to raise it to.
            lock.unlock();
            logFailure("Hand-over call failed after its worker was let go", failure);
            lock.lock();
        }
    }
    void Close()
    {
        std::lock_guard lock(Lock);
        Closed = true;
        while (const auto call = FirstQueued())
            Settle(call, stCancelled);
    }

    // The posted half of a Send. Qt destroys it after the call, or unrun when the owner object
    // goes first; a call still queued then is cancelled, so its worker is let go.
    struct TDelivery {
        TDelivery(std::shared_ptr<TState> state, std::shared_ptr<TCall> call) : State(std::move(state)), Call(std::move(call)) {}
        ~TDelivery()
        {
            std::lock_guard lock(State->Lock);
            if (Call->Stage == stQueued)
                State->Settle(Call, stCancelled);
        }
        TDelivery(const TDelivery &) = delete;
        TDelivery &operator=(const TDelivery &) = delete;

        void Run()
        {
            std::unique_lock lock(State->Lock);
            State->Serve(Call, lock);
        }

        std::shared_ptr<TState> State;
        std::shared_ptr<TCall> Call;
    };

    QObject *const Owner;
    QThread *const OwnerThread;
    QMetaObject::Connection QuitWatch;
    std::mutex Lock; // guards Closed, Ended, Waiting and every call's Stage and Failure
    std::condition_variable Changed;
    bool Closed = false;
    bool Ended = false;
    // Sends that were posted and have not ended yet.
    std::deque<std::shared_ptr<TCall>> Waiting;
    // Started and joined in the owner's thread.
    std::thread Thread;
};

THandOver::THandOver(QObject *Owner) : FState(std::make_shared<TState>(Owner))
{
    // Once the application leaves its event loop nobody serves the queue any more.
    if (QCoreApplication *app = QCoreApplication::instance()) {
        FState->QuitWatch = QObject::connect(app, &QCoreApplication::aboutToQuit,
                                             [weak = std::weak_ptr<TState>(FState)] {
                                                 if (const auto state = weak.lock())
                                                     state->Close();
                                             });
    }
}

THandOver::~THandOver()
{
    QObject::disconnect(FState->QuitWatch);
    Close();
    Join();
}

void THandOver::Start(std::function<void()> Body)
{
    FState->Thread = std::thread([state = FState, body = std::move(Body)] {
        try {
            body();
        } catch (...) {
            logFailure("Worker thread failed", std::current_exception());
        }
        std::lock_guard lock(state->Lock);
        state->Ended = true;
        state->Changed.notify_all();
    });
}

bool THandOver::Joinable() const { return FState->Thread.joinable(); }

bool THandOver::Send(std::function<void()> Call)
{
    TState &s = *FState;
    if (s.InOwnerThread()) {
        if (Closed())
            return false;
        Call();
        return true;
    }
    {
        std::lock_guard lock(s.Lock);
        if (s.Closed || !QCoreApplication::instance())
            return false;
    }
    const auto call = std::make_shared<TCall>(std::move(Call));
    postTo(s.Owner, [delivery = std::make_shared<TState::TDelivery>(FState, call)] {
        seePosted();
        delivery->Run();
    });
    // Listed only once posted, so whoever sees it waiting may rely on the post.
    std::unique_lock lock(s.Lock);
    if (call->Stage == stQueued && s.Closed) {
        s.Settle(call, stCancelled);
    } else if (call->Stage == stQueued || call->Stage == stRunning) {
        s.Waiting.push_back(call);
        s.Changed.notify_all();
    }
    s.Changed.wait(lock, [&] { return call->Stage != stQueued && call->Stage != stRunning; });
    if (call->Stage == stCancelled)
        return false;
    if (std::exception_ptr failure = std::exchange(call->Failure, nullptr)) {
        lock.unlock();
        std::rethrow_exception(failure);
    }
    return true;
}

void THandOver::Post(std::function<void()> Call)
{
    if (Closed() || !QCoreApplication::instance())
        return;
    postTo(FState->Owner, [state = FState, call = std::move(Call)] {
        seePosted();
        {
            std::lock_guard lock(state->Lock);
            if (state->Closed)
                return;
        }
        try {
            call();
        } catch (...) {
            // An exception must not cross the event loop.
            logFailure("Posted call failed", std::current_exception());
        }
    });
}

void THandOver::Close() { FState->Close(); }

bool THandOver::Closed() const
{
    std::lock_guard lock(FState->Lock);
    return FState->Closed;
}

int THandOver::Pending() const
{
    std::lock_guard lock(FState->Lock);
    return int(FState->Waiting.size());
}

void THandOver::Join()
{
    // A call served here may destroy this hand-over: only the shared state is used from now on.
    const std::shared_ptr<TState> keep = FState;
    TState &s = *keep;
    if (!s.Thread.joinable())
        return;
    if (s.InOwnerThread()) {
        std::unique_lock lock(s.Lock);
        // Running now means running further up this thread's stack, which cannot return before
        // the join does: the worker goes on without waiting for it.
        while (true) {
            const auto it = std::find_if(s.Waiting.begin(), s.Waiting.end(), [](const auto &c) { return c->Stage == stRunning; });
            if (it == s.Waiting.end())
                break;
            s.Settle(*it, stLetGo);
        }
        while (true) {
            s.Changed.wait(lock, [&] { return s.Ended || s.FirstQueued(); });
            if (const auto call = s.FirstQueued())
                s.Serve(call, lock);
            else
                break;
        }
    }
    if (s.Thread.joinable())
        s.Thread.join();
}
