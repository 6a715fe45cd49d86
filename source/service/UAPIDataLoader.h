#pragma once

#include "HTTPSender.h"
#include "UEvent.h"
#include "UHandOver.h"

#include <QString>
#include <QObject>

#include <atomic>
#include <functional>
#include <memory>

class TAPIDataAnswer;
class TUDataKey;

// One request to the service on a worker thread of its own (Query(true) through Start()), or
// in the caller's thread (Query(false)). Every OnWork notice and Callback reach the owner in the
// main thread when asynchronous, and in the calling thread when synchronous. In order:
// OnStart(0); per direction OnStart(size) and OnUpdate; OnEnd (asynchronous only); one of
// OnTerminate, OnError, OnSuccess (none for an answer when OnSuccess is empty); Callback.
//
// An asynchronous task frees itself right after Callback; whoever holds a pointer to it must
// forget it there. A synchronous task is freed by its caller. Tasks are created suspended.
//
// A handler may stop the task, or destroy it (then no later notice and no Callback come). A
// failure raised by a handler of an asynchronous run is written to the debug log; Callback
// still comes. In a synchronous run it ends as the task's Error, after Callback.
class TDataLoader : public QObject {
    Q_OBJECT

public:
    TDataLoader();
    // Stops a running thread and waits for it (the connection is dropped first, so this is
    // short); no event reaches the owner from then on. Also from inside the task's own handlers.
    ~TDataLoader() override;

    void ParamAdd(const QString &Param, const QString &Value) { FSender->ParamAdd(Param, Value); }
    void ParamAdd(const QString &Param, int Value) { FSender->ParamAdd(Param, Value); }
    void ParamAdd(const QString &Param, double Value) { FSender->ParamAdd(Param, Value); }
    void ParamAdd(const QString &Param, const TUDataKey &Value);
    void SetProxy(const THTTPProxy &Proxy) { FSender->SetProxy(Proxy); }

    // The exchange; see the class comment. Not ASync: the completion runs at once, here.
    virtual void Query(bool ASync);
    // Runs Query(true) on a thread of its own; call once, from the main thread.
    void Start();

    // Tells the task to stop: sets the stop flag and drops the connection. Any thread.
    void Terminate();
    bool Terminated() const { return FTerminated; }

    TAPIDataAnswer *Answer() const { return FAnswer.get(); }
    const QString &Error() const { return FError; }
    const QString &Host() const { return FHost; }
    void SetHost(const QString &Value) { FHost = Value; }
    // False: the owner has taken Answer and frees it itself.
    bool FreeAnswer() const { return FFreeAnswer; }
    void SetFreeAnswer(bool Value) { FFreeAnswer = Value; }
    const TNotifyEvent &Callback() const { return FCallback; }
    void SetCallback(TNotifyEvent Value) { FCallback = std::move(Value); }
    const QString &FileName() const { return FFileName; }
    void SetFileName(const QString &Value) { FFileName = Value; }
    const QString &FileField() const { return FFileField; }
    void SetFileField(const QString &Value) { FFileField = Value; }
    bool FileStore() const { return FFileStore; }
    void SetFileStore(bool Value) { FFileStore = Value; }
    bool HandleAnswerErrorAsCommon() const { return FHandleAnswerErrorAsCommon; }
    void SetHandleAnswerErrorAsCommon(bool Value) { FHandleAnswerErrorAsCommon = Value; }
    QObject *Obj() const { return FObj; }
    void SetObj(QObject *Value) { FObj = Value; }
    bool FreeObj() const { return FFreeObj; }
    void SetFreeObj(bool Value) { FFreeObj = Value; }
    // Read by the application's completion handling, not by the task.
    bool Silent() const { return FSilent; }
    void SetSilent(bool Value) { FSilent = Value; }
    // The transport, for its statistics and headers.
    const THTTPSender &Sender() const { return *FSender; }

    TWorkEvent OnWork;
    // Parked by the owner for its own caller; the task never fires it.
    TWorkEvent SubEvent;

protected:
    // The thread body.
    virtual void Execute();

private:
    void Completion();
    // The end-of-thread step, in the main thread.
    void Finished();
    void DropAnswer();
    // Runs Call in the main thread and waits for it (asynchronous runs), or right here. Nothing
    // runs once the task is being destroyed.
    void InMain(std::function<void()> Call);

    std::unique_ptr<THTTPSender> FSender;
    std::unique_ptr<TAPIDataAnswer> FAnswer;
    QString FError;
    QString FHost;
    bool FFreeAnswer = true;
    // Last counts handed to the main thread.
    qint64 FCurrent = 0;
    qint64 FTotal = 0;
    TNotifyEvent FCallback;
    QString FFileName;
    QString FFileField;
    bool FFileStore = false;
    bool FHandleAnswerErrorAsCommon = true;
    QObject *FObj = nullptr;
    bool FFreeObj = true;
    bool FSilent = false;
    bool FAsync = false;
    // Set by the main thread; read by the worker before it hands a notice over.
    std::atomic<bool> FTerminated{false};
    // The worker thread and its way into the main thread (the thread that created the task).
    THandOver FHandOver{this};
};
