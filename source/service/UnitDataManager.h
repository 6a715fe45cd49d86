#pragma once

#include "HTTPSender.h"
#include "UEvent.h"

#include <QObject>
#include <QString>

#include <vector>

class TAPIDataAnswer;
class TDataLoader;

using TTaskList = std::vector<TDataLoader *>;

// A list of tasks (not owned) with a notice after every change. Main thread only.
class TTaskListManager : public QObject {
public:
    TTaskListManager();
    ~TTaskListManager() override;

    int Count() const { return int(FList.size()); }
    // The task at Index, or none outside the list.
    TDataLoader *Data(int Index) const;
    virtual int Find(TDataLoader *Task) const;
    virtual void Add(TDataLoader *Task);
    // Moves the last task into Index; order is not kept.
    virtual void Remove(int Index);
    void Remove(TDataLoader *Task) { Remove(Find(Task)); }
    virtual void Clear();

    const TNotifyEvent &OnTaskListChange() const { return FTaskListChange; }
    void SetOnTaskListChange(TNotifyEvent Value) { FTaskListChange = std::move(Value); }

protected:
    void Changed();

    TTaskList FList;
    TNotifyEvent FTaskListChange;
};

// Tasks run strictly one after another: the next starts after the previous one's Callback.
// The entries stay after their tasks have freed themselves, as empty ones (Data gives none);
// Clear before filling it again. A task destroyed while it runs (by its owner, from a handler)
// gives no Callback: the next one starts all the same.
class TTaskQueue : public TTaskListManager {
public:
    void Add(TDataLoader *Task) override;
    void Clear() override;
    // Starts the next task; false (after OnDone) when none is left.
    bool Run();

    const TNotifyEvent &OnDone() const { return FDone; }
    void SetOnDone(TNotifyEvent Value) { FDone = std::move(Value); }
    const TNotifyEvent &Callback() const { return FCallback; }
    void SetCallback(TNotifyEvent Value) { FCallback = std::move(Value); }

private:
    void Step(QObject *Task);
    void Forget(TDataLoader *Task);

    TNotifyEvent FDone;
    int FIndex = 0;
    TNotifyEvent FCallback;
    // The started task whose Callback has not come yet.
    TDataLoader *FRunning = nullptr;
};

// Where request tasks meet the service's address: base URL and proxy for every task,
// asynchronous tasks in its list while they run (also one its owner destroys leaves it),
// synchronous ones in the caller's thread.
class TDataManager : public TTaskListManager {
public:
    TDataManager();
    // Stops the running tasks and detaches them: their completion reaches their owners but
    // never this manager.
    ~TDataManager() override;

    void TaskAdd(TDataLoader *Task, bool Run = true);
    // The answer of a synchronous run (none after a failure: read the task's Error). The task
    // keeps it; the caller frees the task.
    TAPIDataAnswer *TaskRun(TDataLoader *Task);
    void QueueRun(TTaskQueue *Queue);

    const QString &Host() const { return FHost; }
    void SetHost(const QString &Value) { FHost = Value; }
    const THTTPProxy &Proxy() const { return FProxy; }
    void SetProxy(const THTTPProxy &Value) { FProxy = Value; }
    const TNotifyEvent &Callback() const { return FCallback; }
    void SetCallback(TNotifyEvent Value) { FCallback = std::move(Value); }
    const QString &TempDir() const { return FTempDir; }
    void SetTempDir(const QString &Value) { FTempDir = Value; }

private:
    void Prepare(TDataLoader *Task) const;
    void TaskDone(QObject *Sender);

    QString FHost;
    THTTPProxy FProxy;
    TNotifyEvent FCallback;
    QString FTempDir;
};
