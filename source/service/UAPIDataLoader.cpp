#include "UAPIDataLoader.h"

#include "UAPIData.h"
#include "UException.h"
#include "URecs.h"

#include <QCoreApplication>

#include <chrono>
#include <utility>

TDataLoader::TDataLoader() : FSender(std::make_unique<THTTPSender>())
{
    FSender->SetUseGZip(true);
    FSender->OnWork.OnStart = [this](qint64 Total) {
        FTotal = Total;
        InMain([this] { OnWork.DoStart(FTotal); });
    };
    FSender->OnWork.OnUpdate = [this](qint64 Current) {
        if (FTerminated) {
            FSender->Terminate();
            return;
        }
        FCurrent = Current;
        InMain([this] { OnWork.DoUpdate(FCurrent); });
    };
    // Every transport failure leaves the send operation and lands in Query's failure path.
    FSender->OnWork.OnError = [](QObject *, const QString &Msg) { throw EUError(Msg); };
}

TDataLoader::~TDataLoader()
{
    FDestroying = true;
    if (FThread.joinable()) {
        Terminate();
        // The worker may be waiting for the main thread (this one) to run a hand-over: run the
        // ones queued for this task, which now do nothing, until the worker has left.
        while (!FBodyDone) {
            QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        FThread.join();
    }
    FSender.reset();
    DropAnswer();
    if (FFreeObj)
        delete FObj;
}

void TDataLoader::ParamAdd(const QString &Param, const TUDataKey &Value) { FSender->ParamAdd(Param, Value.ToString()); }

void TDataLoader::Terminate()
{
    FTerminated = true;
    if (FSender)
        FSender->Terminate();
}

void TDataLoader::DropAnswer()
{
    // An answer the owner took (FreeAnswer off) is the owner's to free.
    if (!FFreeAnswer)
        (void)FAnswer.release();
    FAnswer.reset();
}

void TDataLoader::InMain(const std::function<void()> &Call)
{
    if (!FAsync || std::this_thread::get_id() == FMainThread) {
        Call();
        return;
    }
    std::unique_lock lock(FHandLock);
    FHandCall = &Call;
    FHandDone = false;
    FHandFailure = nullptr;
    QMetaObject::invokeMethod(this, "HandOver", Qt::QueuedConnection);
    FHandDoneCV.wait(lock, [this] { return FHandDone; });
    FHandCall = nullptr;
    if (FHandFailure)
        std::rethrow_exception(std::exchange(FHandFailure, nullptr));
}

void TDataLoader::HandOver()
{
    std::lock_guard lock(FHandLock);
    if (!FHandCall || FHandDone)
        return;
    if (!FDestroying) {
        try {
            (*FHandCall)();
        } catch (...) {
            FHandFailure = std::current_exception();
        }
    }
    FHandDone = true;
    FHandDoneCV.notify_one();
}

void TDataLoader::Query(bool ASync)
{
    FAsync = ASync;
    try {
        DropAnswer();
        if (FFileStore && !FFileName.isEmpty()) {
            if (!FSender->ReceiveFile(FHost, FFileName, false))
                throw EUError(QStringLiteral("Error downloading file. ") + FError);
        } else if (!FFileName.isEmpty() && !FFileField.isEmpty()) {
            FAnswer = std::make_unique<TAPIDataAnswer>(FSender->SendFile(FHost, FFileField, FFileName));
        } else {
            FAnswer = std::make_unique<TAPIDataAnswer>(FSender->Post(FHost));
        }
        if (ASync && FTerminated)
            return;
        if (!ASync)
            Completion();
    } catch (const EUError &e) {
        DropAnswer();
        FError = e.Message();
    } catch (const std::exception &e) {
        DropAnswer();
        FError = QString::fromUtf8(e.what());
    }
}

void TDataLoader::Start()
{
    FMainThread = std::this_thread::get_id();
    FThread = std::thread([this] {
        Execute();
        FBodyDone = true;
        // The completion step runs in the main thread; a task destroyed before then drops it.
        QMetaObject::invokeMethod(this, "Finished", Qt::QueuedConnection);
    });
}

void TDataLoader::Execute()
{
    Query(true);
    try {
        InMain([this] { OnWork.DoEnd(); });
    } catch (const std::exception &e) {
        // Nobody above a thread's body could take it.
        qWarning("TDataLoader: OnEnd failed: %s", e.what());
    } catch (...) {
    }
    if (FTerminated)
        DropAnswer();
}

void TDataLoader::Completion()
{
    if (!FSender)
        return;
    if (FTerminated) {
        OnWork.DoTerminate(this);
    } else if (!FAnswer) {
        if (FFileStore && FError.isEmpty())
            OnWork.DoSuccess(this);
        else
            OnWork.DoError(this, FError);
    } else if (OnWork.OnSuccess) {
        if (FHandleAnswerErrorAsCommon && FAnswer->Error() != 0) {
            FError += QStringLiteral("#") + QString::number(FAnswer->Error()) + QStringLiteral(":") + FAnswer->ErrorStr();
            OnWork.DoError(this, FError);
        } else {
            OnWork.DoSuccess(this);
        }
    }
    if (FCallback)
        FCallback(this);
}

void TDataLoader::Finished()
{
    FThread.join(); // the body is done; this only lets the thread finish its own clean-up
    try {
        Completion();
    } catch (const std::exception &e) {
        // A failure of the owner's OnError, OnTerminate or Callback cannot cross the event loop.
        qWarning("TDataLoader: completion handler failed: %s", e.what());
    } catch (...) {
        qWarning("TDataLoader: completion handler failed");
    }
    delete this;
}
