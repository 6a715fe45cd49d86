#include "UnitDataManager.h"

#include "UAPIDataLoader.h"

#include <QPointer>

#include <algorithm>

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
    if (Task)
        TTaskListManager::Add(Task);
}

void TTaskQueue::Clear()
{
    FIndex = 0;
    FDone = nullptr;
    FCallback = nullptr;
    TTaskListManager::Clear();
}

bool TTaskQueue::Run()
{
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
    task->Start();
    return true;
}

void TTaskQueue::Step(QObject *Task)
{
    if (FCallback)
        FCallback(Task);
    Run();
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
        Prepare(Queue->Data(i));
    Queue->Run();
}
