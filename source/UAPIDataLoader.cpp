#include "UAPIDataLoader.h"

#include "UAPIData.h"
#include "UException.h"
#include "URecs.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <exception>

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
    // The end of the thread is reported in the main thread, once the thread has left its body.
    connect(this, &QThread::finished, this, &TDataLoader::Finished, Qt::QueuedConnection);
}

TDataLoader::~TDataLoader()
{
    FDestroying = true;
    if (isRunning()) {
        Terminate();
        // The worker may be waiting for the main thread (this one) to run a hand-over: run the
        // ones queued for this task, which now do nothing, until the worker has left.
        while (!wait(QDeadlineTimer(20)))
            QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
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

template <typename F> void TDataLoader::InMain(F &&Call)
{
    if (!FAsync || QThread::currentThread() == QCoreApplication::instance()->thread()) {
        Call();
        return;
    }
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        this,
        [&] {
            if (FDestroying)
                return;
            try {
                Call();
            } catch (...) {
                failure = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (failure)
        std::rethrow_exception(failure);
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

void TDataLoader::run()
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
    wait(); // the thread has left its body; this only lets it finish its own clean-up
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
