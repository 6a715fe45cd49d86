#pragma once

#include <functional>
#include <memory>

class QObject;

// The way from a worker into the thread of an owner object (the main thread, where the event
// loop, the forms and every completion handler run), and the worker thread itself.
//
// Send runs a call in the owner's thread while the worker waits; Post queues one without
// waiting. Both go through the owner's event loop; a call runs outside every lock of this class,
// so the owner's code may stop or destroy whatever holds the hand-over, also from a nested event
// loop (a modal box) opened inside the call. A call that can no longer be delivered (the
// hand-over closed or destroyed, the owner object gone, the application quitting) is cancelled:
// a waiting worker is let go, never left hanging.
//
// The owner object must outlive the hand-over (typically the hand-over is its member).
// Destruction closes the hand-over and joins the thread.
class THandOver {
public:
    explicit THandOver(QObject *Owner);
    ~THandOver();
    THandOver(const THandOver &) = delete;
    THandOver &operator=(const THandOver &) = delete;

    // Runs Body on a thread of its own. A failure escaping Body is written to the debug log. Once
    // per hand-over, from the owner's thread.
    void Start(std::function<void()> Body);
    // Whether Start ran and the thread has not been joined yet.
    bool Joinable() const;

    // Runs Call in the owner's thread and waits for it; runs it at once when called there. True
    // when it ran (a failure it raised is raised again here); false when it was cancelled. A
    // call let go by Join while it still runs counts as run. Any thread.
    bool Send(std::function<void()> Call);
    // Queues Call for the owner's thread without waiting; it is dropped when it can no longer be
    // delivered. A failure it raises is written to the debug log. Any thread.
    void Post(std::function<void()> Call);

    // From now on nothing runs: waiting Sends return false, later ones at once; queued Posts are
    // dropped. Calls already running finish. Any thread.
    void Close();
    bool Closed() const;
    // Sends waiting for the owner's thread (for tests and diagnostics).
    int Pending() const;

    // Waits for the thread to end, without polling. Called in the owner's thread, it first lets go
    // of a Send still running further up its own stack (a handler that destroys its task), then
    // serves the Sends the worker makes meanwhile, or cancels them once closed; so a join at
    // shutdown never waits on a hand-over that the joining thread itself must run. Called in
    // another thread it only waits. Does nothing without a thread.
    void Join();

private:
    struct TState;
    std::shared_ptr<TState> FState;
};
