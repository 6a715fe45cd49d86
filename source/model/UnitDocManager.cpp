#include "UnitDocManager.h"

#include "UAPIData.h"
#include "UAPIDataLoader.h"
#include "UConv.h"
#include "UException.h"
#include "UnitComplex.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QScopeGuard>
#include <QThread>

namespace {

QString name(TDataFieldType Field) { return QString(ToName(Field)); }

// The progress notices of the caller's event; the outcome is the manager's to report.
TWorkEvent progressOf(const TWorkEvent &Event)
{
    TWorkEvent e;
    e.OnStart = Event.OnStart;
    e.OnUpdate = Event.OnUpdate;
    e.OnEnd = Event.OnEnd;
    e.OnTerminate = Event.OnTerminate;
    return e;
}

void removeIfThere(const QString &file)
{
    if (!file.isEmpty() && QFileInfo::exists(file))
        QFile::remove(file);
}

} // namespace

TDocManager::TDocManager(TComplex &Owner)
    : FOwner(Owner), FMainThread(std::make_unique<QObject>()), FTracking(std::make_unique<TDocTracking>())
{
    FTracking->SetOnDocumentModify([this](TDocTracking *Sender, TUAPIFile &AFile) { return DocumentModify(Sender, AFile); });
    FTrackingThread = std::make_unique<TDocTrackingThread>(FTracking.get(), FMainThread.get());
}

TDocManager::~TDocManager()
{
    // An upload under way finishes first; its completion processing waiting for this thread is
    // cancelled, and what it answered is kept in the store, which the last pass then saves.
    FTrackingThread->WaitFor();
    // The last pass runs while this manager can still send; the store's own then finds nothing
    // more to hand over.
    try {
        FTracking->Sync();
    } catch (...) {
        // The pass logs its own failures; nothing may leave a destructor.
    }
    FTracking->SetOnDocumentModify(nullptr);
    FTracking.reset();
    FTrackingThread.reset();
    FMainThread.reset();
}

QString TDocManager::UnsafeNameMessage()
{
    return QStringLiteral("Недопустимое имя файла документа...");
}

void TDocManager::SetActive(bool Value)
{
    if (Value == FTracking->Active())
        return;
    FTracking->SetActive(Value);
    if (Value && !FTrackingThread->Started()) {
        FTracking->LoadFromFile();
        FTrackingThread->Start();
    }
}

TUAPIFile TDocManager::ReadFileData(const TAPIDataAnswer &Answer)
{
    TUAPIFile f;
    const TAPIDataArray &data = Answer.Data();
    if (Answer.Count() < 1)
        return f;
    f.FID = TUDataKey(data.AsStr(dft_fid, 0));
    f.FHash = TUAPIKey(data.AsStr(dft_fhash, 0));
    f.Updated = TDateTimeFormat::SQL().ParseDateTime(data.AsStr(dft_updated, 0));
    f.Ext = data.AsStr(dft_ext, 0);
    return f;
}

void TDocManager::LoadToCache(const TUAPIFile &AFile, const TWorkEvent &Event)
{
    UAssert(AFile.IsSet(), QStringLiteral("AFile is not set"));
    const QString final = GetFilename(AFile);
    if (final.isEmpty()) {
        Event.DoError(nullptr, UnsafeNameMessage());
        return;
    }
    const QString temp = final + u'_' + TUConv::GenerateUniqueID();
    auto task = std::make_unique<TDataLoader>();
    task->SetHost(QStringLiteral("filebase_get.php"));
    task->ParamAdd(name(dft_fhash), AFile.FHash.ToString());
    task->ParamAdd(name(dft_fid), AFile.FID);
    task->SetFileStore(true);
    task->SetFileName(temp);
    task->SetObj(new TCacheEventObj(final, AFile));
    task->SubEvent = Event;
    task->SetHandleAnswerErrorAsCommon(false);

    const QPointer<QObject> alive(FMainThread.get());
    task->OnWork = progressOf(Event);
    task->OnWork.OnTerminate = [Event, temp](QObject *Sender) {
        removeIfThere(temp);
        Event.DoTerminate(Sender);
    };
    task->OnWork.OnError = [Event, temp](QObject *Sender, const QString &Msg) {
        removeIfThere(temp);
        Event.DoError(Sender, Msg);
    };
    task->OnWork.OnSuccess = [this, alive, Event, temp](QObject *Sender) {
        const auto cleanUp = qScopeGuard([temp] { removeIfThere(temp); });
        const auto *task = static_cast<TDataLoader *>(Sender);
        const auto *obj = static_cast<const TCacheEventObj *>(task->Obj());
        const QString final = obj->FileName();
        bool moved = false;
        if (QFileInfo::exists(temp) && (!QFileInfo::exists(final) || QFile::remove(final)))
            moved = QFile::rename(temp, final);
        if (!moved) {
            Event.DoError(Sender, QStringLiteral("Renaming file error"));
            return;
        }
        Event.DoSuccess(Sender);
        // The caller has the document first; tracking then starts from the new file's time.
        if (alive)
            AddToTracking(obj->FileData());
    };
    FOwner.Data().TaskAdd(task.release());
}

void TDocManager::Add(const QString &FileName, const TWorkEvent &Event, QObject *SomeObj)
{
    if (!QFileInfo(FileName).isFile()) {
        delete SomeObj;
        throw EUError(QStringLiteral("Файл шаблона отсутствует..."));
    }
    std::unique_ptr<TDataLoader> task = FOwner.TaskCreate(QStringLiteral("filebase_add"));
    task->SetFileName(FileName);
    task->SetFileField(name(dft_data));
    task->SetObj(SomeObj);
    task->SubEvent = Event;
    task->SetHandleAnswerErrorAsCommon(true);
    const QPointer<QObject> alive(FMainThread.get());
    task->OnWork = progressOf(Event);
    task->OnWork.OnError = Event.OnError;
    task->OnWork.OnSuccess = [this, alive, Event, FileName](QObject *Sender) {
        const auto *task = static_cast<TDataLoader *>(Sender);
        if (alive && task->Answer()) {
            const TUAPIFile f = ReadFileData(*task->Answer());
            if (f.IsSet()) {
                const QString cached = GetFilename(f);
                if (cached.isEmpty()) {
                    Event.DoError(Sender, UnsafeNameMessage());
                    return;
                }
                removeIfThere(cached);
                if (QFile::copy(FileName, cached))
                    AddToTracking(f);
            }
        }
        Event.DoSuccess(Sender);
    };
    FOwner.Data().TaskAdd(task.release());
}

std::unique_ptr<TDataLoader> TDocManager::ReplaceTask(const TUAPIFile &AFile)
{
    if (!AFile.IsSet())
        throw EUError(QStringLiteral("AFile must be set..."));
    if (GetFilename(AFile).isEmpty())
        throw EUError(UnsafeNameMessage());
    if (!InCache(AFile))
        throw EUError(QStringLiteral("File does not exists..."));
    std::unique_ptr<TDataLoader> task = FOwner.TaskCreate(QStringLiteral("filebase_set"));
    task->ParamAdd(name(dft_fid), AFile.FID);
    task->ParamAdd(name(dft_fhash), AFile.FHash.ToString());
    task->ParamAdd(name(dft_updated), AFile.Updated.IsNull() ? QString() : TDateTimeStr(AFile.Updated).Data);
    task->SetFileName(GetFilename(AFile));
    task->SetFileField(name(dft_data));
    return task;
}

void TDocManager::Replace(const TUAPIFile &AFile, const TWorkEvent &Event, QObject *SomeObj)
{
    std::unique_ptr<TDataLoader> task;
    try {
        task = ReplaceTask(AFile);
    } catch (...) {
        delete SomeObj;
        throw;
    }
    task->SetObj(SomeObj);
    task->SubEvent = Event;
    const qint64 before = FTracking->CopyStamp(AFile);
    const QPointer<QObject> alive(FMainThread.get());
    task->OnWork = progressOf(Event);
    task->OnWork.OnError = Event.OnError;
    task->OnWork.OnSuccess = [this, alive, Event, AFile, before](QObject *Sender) {
        const auto *task = static_cast<TDataLoader *>(Sender);
        if (alive && task->Answer()) {
            const TUAPIFile f = ReadFileData(*task->Answer());
            if (f.IsSet())
                FTracking->SentBack(AFile, f, before);
        }
        Event.DoSuccess(Sender);
    };
    FOwner.Data().TaskAdd(task.release());
}

bool TDocManager::Replace(TUAPIFile &AFile)
{
    TDataManager &data = FOwner.Data();
    std::unique_ptr<TDataLoader> task;
    if (QThread::currentThread() == FMainThread->thread()) {
        task = ReplaceTask(AFile);
        data.TaskRun(task.get());
    } else {
        // The session, the address and error processing belong to the main thread: the task is
        // made there and handed to this thread, and its completion goes back there.
        QString host;
        THTTPProxy proxy;
        TNotifyEvent done;
        QThread *worker = QThread::currentThread();
        const bool made = FTrackingThread->Send([&] {
            task = ReplaceTask(AFile);
            host = data.Host();
            proxy = data.Proxy();
            done = data.Callback();
            task->moveToThread(worker);
        });
        if (!made || !task)
            return false;
        task->SetHost(host + task->Host());
        task->SetProxy(proxy);
        task->SetCallback([this, &done](QObject *Sender) {
            if (done)
                FTrackingThread->Send([&] { done(Sender); });
        });
        task->Query(false);
    }
    const TAPIDataAnswer *answer = task->Answer();
    if (!answer || answer->Error() != 0)
        return false;
    AFile = ReadFileData(*answer);
    return AFile.IsSet();
}

bool TDocManager::DocumentModify(TDocTracking *, TUAPIFile &AFile) { return Replace(AFile); }
