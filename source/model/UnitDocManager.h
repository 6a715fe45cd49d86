#pragma once

#include "UEvent.h"
#include "UnitDocTracking.h"

#include <QObject>
#include <QString>

#include <memory>

class TAPIDataAnswer;
class TComplex;
class TDataLoader;

// Moves documents between the service's file store and the local cache folder, and owns the
// tracking store with its thread, whose handler for a modified copy is DocumentModify.
//
// LoadToCache, Add, the asynchronous Replace and the properties belong to the main thread, and
// so do their handlers. DocumentModify and the synchronous Replace also run in the tracking
// thread; their request's completion processing is handed to the main thread, and is cancelled
// (the upload's result still counts) once the manager is being destroyed.
class TDocManager {
public:
    // The object attached to a download task: where the document goes and which file it is.
    class TCacheEventObj : public QObject {
    public:
        TCacheEventObj(const QString &AFileName, const TUAPIFile &AFileData) : FFileName(AFileName), FFileData(AFileData) {}
        const QString &FileName() const { return FFileName; }
        const TUAPIFile &FileData() const { return FFileData; }

    private:
        QString FFileName;
        TUAPIFile FFileData;
    };

    // Requests go through Owner's task factory and task manager; made in the main thread.
    explicit TDocManager(TComplex &Owner);
    // Stops and joins the tracking thread, then destroys the store (a last pass, then its file
    // is saved).
    virtual ~TDocManager();
    TDocManager(const TDocManager &) = delete;
    TDocManager &operator=(const TDocManager &) = delete;

    QString IniFile() const { return FTracking->IniFile(); }
    void SetIniFile(const QString &Value) { FTracking->SetIniFile(Value); }
    QString CachePath() const { return FTracking->CachePath(); }
    void SetCachePath(const QString &Value) { FTracking->SetCachePath(Value); }
    bool Active() const { return FTracking->Active(); }
    // The first activation loads the tracking file and starts the thread.
    void SetActive(bool Value);
    TDocTracking &Tracking() { return *FTracking; }
    TDocTrackingThread &TrackingThread() { return *FTrackingThread; }

    QString GetFilename(const TUAPIFile &AFile) const { return FTracking->GetFileName(AFile); }
    bool InCache(const TUAPIFile &AFile) const { return FTracking->InCache(AFile); }
    bool IsLastVersion(const TUAPIFile &AFile) const { return FTracking->IsLastVersion(AFile); }
    bool AddToTracking(const TUAPIFile &AFile) { return FTracking->Replace(AFile); }

    // Downloads the document into the cache; returns at once, Event tells the outcome (success
    // before the document is tracked). AFile must be set.
    void LoadToCache(const TUAPIFile &AFile, const TWorkEvent &Event);
    // Uploads a local file as a new document and caches a copy; SomeObj goes to the task.
    void Add(const QString &FileName, const TWorkEvent &Event, QObject *SomeObj = nullptr);
    // Sends the cached copy back, asynchronously.
    void Replace(const TUAPIFile &AFile, const TWorkEvent &Event, QObject *SomeObj = nullptr);
    // The same in the calling thread: true when the service answered with code 0 and file data,
    // which then replace AFile.
    bool Replace(TUAPIFile &AFile);
    // The tracking store's handler for a modified copy.
    virtual bool DocumentModify(TDocTracking *Sender, TUAPIFile &AFile);

    // File data from row 0 of an answer.
    static TUAPIFile ReadFileData(const TAPIDataAnswer &Answer);
    // Why a document whose hash or extension makes no safe file name is refused.
    static QString UnsafeNameMessage();

private:
    // A "filebase_set" task for AFile, checked first; raises the failures of Replace.
    std::unique_ptr<TDataLoader> ReplaceTask(const TUAPIFile &AFile);

    TComplex &FOwner;
    // Lives in the main thread: the guard of late completions and the tracking thread's way there.
    std::unique_ptr<QObject> FMainThread;
    std::unique_ptr<TDocTracking> FTracking;
    std::unique_ptr<TDocTrackingThread> FTrackingThread;
};
