#include "UnitDataManager.h"

#include "UAPIDataLoader.h"

#include <QPointer>

#include <algorithm>
#include <exception>

TTaskListManager::TTaskListManager() { Clear(); }

// The list is emptied without a notice: whoever listens may be going away as well.
TTaskListManager::~TTaskListManager() = default;

TDataLoader *TTaskListManager::Data(int Index) const
{
    return Index >= 0 && Index < Count() ? FList[size_t(Index)] : nullptr;
}

int TTaskListManager::Find(TDataLoader *Task) const
{
    const auto it = std::find(FList.begin(), FList.end(), Task);
    return it == FList.end() ? -1 : int(it - FList.begin());
}

void TTaskListManager::Add(TDataLoader *Task)
{
    FList.push_back(Task);
    Changed();
}

void TTaskListManager::Remove(int Index)
{
    if (Index < 0 || Index >= Count())
        return;
    FList[size_t(Index)] = FList.back();
    FList.pop_back();
    Changed();
}

void TTaskListManager::Clear()
{
    if (FList.empty())
        return;
    FList.clear();
    Changed();
}

void TTaskListManager::Changed()
{
    if (FTaskListChange)
        FTaskListChange(this);
}

void TTaskQueue::Add(TDataLoader *Task)
{
    if (!Task)
        return;
    // A task frees itself after its Callback: its entry must not be handed out or run again.
    connect(Task, &QObject::destroyed, this, [this, Task] { Forget(Task); });
    TTaskListManager::Add(Task);
}

void TTaskQueue::Forget(TDataLoader *Task)
{
    std::replace(FList.begin(), FList.end(), Task, static_cast<TDataLoader *>(nullptr));
    if (Task != FRunning)
        return;
    // Destroyed by its owner before its Callback: the queue goes on once the owner's handler
    // has returned.
    FRunning = nullptr;
    QMetaObject::invokeMethod(this, [this] { Run(); }, Qt::QueuedConnection);
}

void TTaskQueue::Clear()
{
    for (TDataLoader *task : FList)
        if (task)
            disconnect(task, &QObject::destroyed, this, nullptr);
    FIndex = 0;
    FDone = nullptr;
    FCallback = nullptr;
    FRunning = nullptr;
    TTaskListManager::Clear();
}

bool TTaskQueue::Run()
{
    while (FIndex < Count() && !FList[size_t(FIndex)])
        ++FIndex;
    if (FIndex >= Count()) {
        if (FDone)
            FDone(this);
        return false;
    }
    TDataLoader *task = FList[size_t(FIndex++)];
    // A queue freed while its task runs is not called back.
    task->SetCallback([queue = QPointer<TTaskQueue>(this)](QObject *Sender) {
        if (queue)
            queue->Step(Sender);
    });
    FRunning = task;
    task->Start();
    return true;
}

void TTaskQueue::Step(QObject *Task)
{
    FRunning = nullptr;
    // The next task starts even when the owner's handler fails.
    std::exception_ptr failure;
    try {
        if (FCallback)
            FCallback(Task);
    } catch (...) {
        failure = std::current_exception();
    }
    Run();
    if (failure)
        std::rethrow_exception(failure);
}

TDataManager::TDataManager() { FProxy.Clear(); }

TDataManager::~TDataManager()
{
    for (TDataLoader *task : FList) {
        task->SetCallback(nullptr);
        task->Terminate();
    }
}

void TDataManager::Prepare(TDataLoader *Task) const
{
    Task->SetHost(FHost + Task->Host());
    Task->SetProxy(FProxy);
}

void TDataManager::TaskAdd(TDataLoader *Task, bool Run)
{
    if (!Task)
        return;
    Add(Task);
    // A task its owner destroys before its Callback leaves the list all the same.
    connect(Task, &QObject::destroyed, this, [this, Task] { Remove(Task); });
    Prepare(Task);
    Task->SetCallback([this](QObject *Sender) { TaskDone(Sender); });
    if (Run)
        Task->Start();
}

void TDataManager::TaskDone(QObject *Sender)
{
    // The task is freed right after this, so it leaves the list whatever the callback does.
    try {
        if (FCallback)
            FCallback(Sender);
    } catch (...) {
        Remove(static_cast<TDataLoader *>(Sender));
        throw;
    }
    Remove(static_cast<TDataLoader *>(Sender));
}

TAPIDataAnswer *TDataManager::TaskRun(TDataLoader *Task)
{
    Prepare(Task);
    Task->SetCallback(FCallback);
    Task->Query(false);
    return Task->Answer();
}

void TDataManager::QueueRun(TTaskQueue *Queue)
{
    if (FTaskListChange) {
        Queue->SetOnTaskListChange(FTaskListChange);
        FTaskListChange(Queue);
    }
    for (int i = 0; i < Queue->Count(); ++i)
        if (TDataLoader *task = Queue->Data(i))
            Prepare(task);
    Queue->Run();
}
