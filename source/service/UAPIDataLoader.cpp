#include "UAPIDataLoader.h"

#include "UAPIData.h"
#include "UDebug.h"
#include "UException.h"
#include "URecs.h"

#include <QBuffer>
#include <QPointer>

#include <exception>
#include <utility>

namespace {

// A handler of an asynchronous run has nobody above it to take its failure.
void logHandlerFailure(const QString &host, const std::exception_ptr &failure)
{
    const QString line = QStringLiteral("Request task handler failed (") + host + QStringLiteral("): ") + UErrorText(failure);
    try {
        TUDebug::Log(line);
    } catch (...) {
        qWarning("%s", qPrintable(line));
    }
}

} // namespace

TDataLoader::TDataLoader() : FSender(std::make_unique<THTTPSender>())
{
    FSender->SetUseGZip(true);
    // The handlers run from a copy of OnWork: a handler may destroy the task.
    FSender->OnWork.OnStart = [this](qint64 Total) {
        FTotal = Total;
        InMain([this] {
            const TWorkEvent events = OnWork;
            events.DoStart(FTotal);
        });
    };
    FSender->OnWork.OnUpdate = [this](qint64 Current) {
        if (FTerminated) {
            FSender->Terminate();
            return;
        }
        FCurrent = Current;
        InMain([this] {
            const TWorkEvent events = OnWork;
            events.DoUpdate(FCurrent);
        });
    };
    // Every transport failure leaves the send operation and lands in Query's failure path.
    FSender->OnWork.OnError = [](QObject *, const QString &Msg) { throw EUError(Msg); };
}

TDataLoader::~TDataLoader()
{
    // The worker may be waiting for a notice: it is cancelled, or let go when it is the one
    // running further up this thread's stack (a handler destroying its task).
    Terminate();
    FHandOver.Close();
    FHandOver.Join();
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

void TDataLoader::InMain(std::function<void()> Call)
{
    if (!FAsync) {
        Call();
        return;
    }
    // The failure also reaches the worker, where it ends the exchange as the task's Error.
    FHandOver.Send([host = FHost, call = std::move(Call)] {
        try {
            call();
        } catch (...) {
            logHandlerFailure(host, std::current_exception());
            throw;
        }
    });
}

void TDataLoader::Query(bool ASync)
{
    FAsync = ASync;
    FError.clear();
    try {
        DropAnswer();
        if (FFileStore && !FFileName.isEmpty()) {
            if (!FSender->ReceiveFile(FHost, FFileName, false))
                throw EUError(QStringLiteral("Error downloading file. ") + FError);
        } else if (!FFileName.isEmpty() && !FFileField.isEmpty()) {
            FAnswer = std::make_unique<TAPIDataAnswer>(FSender->SendFile(FHost, FFileField, FFileName));
        } else {
            // The received bytes go to the answer as they are; it frees them once read.
            QByteArray bytes;
            {
                QBuffer buffer(&bytes);
                buffer.open(QIODevice::ReadWrite);
                if (!FSender->Post(FHost, buffer))
                    bytes.clear();
            }
            FAnswer = std::make_unique<TAPIDataAnswer>();
            FAnswer->ParseReply(std::move(bytes), FSender->ResponseContentType());
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
    FHandOver.Start([this] {
        Execute();
        // The completion step runs in the main thread; a task destroyed before then drops it.
        FHandOver.Post([this] { Finished(); });
    });
}

void TDataLoader::Execute()
{
    Query(true);
    try {
        InMain([this] {
            const TWorkEvent events = OnWork;
            events.DoEnd();
        });
    } catch (...) {
        // Already in the debug log; the outcome still follows.
    }
    if (FTerminated)
        DropAnswer();
}

void TDataLoader::Completion()
{
    if (!FSender)
        return;
    // Everything a handler could take away with the task is copied first.
    const QPointer<TDataLoader> self(this);
    const bool async = FAsync;
    const QString host = FHost;
    const TWorkEvent events = OnWork;
    std::exception_ptr failure;
    try {
        if (FTerminated) {
            events.DoTerminate(this);
        } else if (!FAnswer) {
            if (FFileStore && FError.isEmpty()) {
                events.DoSuccess(this);
            } else {
                const QString error = FError;
                events.DoError(this, error);
            }
        } else if (events.OnSuccess) {
            if (FHandleAnswerErrorAsCommon && FAnswer->Error() != 0) {
                FError += QStringLiteral("#") + QString::number(FAnswer->Error()) + QStringLiteral(":") + FAnswer->ErrorStr();
                const QString error = FError;
                events.DoError(this, error);
            } else {
                events.DoSuccess(this);
            }
        }
    } catch (...) {
        failure = std::current_exception();
        if (async)
            logHandlerFailure(host, failure);
    }
    // A task its owner destroyed has nobody left to report to.
    if (!self)
        return;
    // Whatever the outcome handler did, Callback comes: the manager and the queues rely on it.
    const TNotifyEvent callback = FCallback;
    if (callback) {
        try {
            callback(this);
        } catch (...) {
            if (async)
                logHandlerFailure(host, std::current_exception());
            else if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure && !async)
        std::rethrow_exception(failure);
}

void TDataLoader::Finished()
{
    FHandOver.Join(); // the body is done; this only lets the thread finish its own clean-up
    const QPointer<TDataLoader> self(this);
    Completion();
    if (self)
        delete this;
}
