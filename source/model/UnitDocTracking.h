#pragma once

#include "UAPITypes.h"
#include "UDateTime.h"
#include "URecs.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class QObject;

// One cached document: the service file it is a copy of, and the modification time of the copy
// when it was last known to be in step with the service.
struct TDocTrackingRow {
    TUAPIFile FileData;
    TDateTime ModifyDate;
    // The same moment in milliseconds since the epoch (UTC): what passes compare, without a
    // time-zone look-up per file.
    qint64 ModifyStamp = 0;
    // Read back from the tracking file and its copy not looked at yet: the next pass (or a query
    // that needs it) takes the copy's time, or forgets the row when the copy is gone.
    bool Unchecked = false;
};

struct TDocTrackingStat {
    uint32_t SyncCount = 0;             // passes started
    uint32_t SyncSuccessCount = 0;      // passes finished
    uint32_t DocModifyCount = 0;        // modified documents handed to the handler
    uint32_t DocModifySuccessCount = 0; // those the handler accepted
};

// Rows by FileData.FID; an absent key reads as a cleared row.
class TDocTrackingList : public TDataKeyDictionary<TDocTrackingRow> {
protected:
    void DefaultValue(TDocTrackingRow &Value) const override { Value = TDocTrackingRow(); }
};

class TDocTracking;

// Sends a modified document to the service; true when it did. AFile is a copy of the row's file
// data and may be updated with what the service now holds.
using TDocumentModifyEvent = std::function<bool(TDocTracking *Sender, TUAPIFile &AFile)>;

// The documents kept in the local cache folder and the tracking file that lists them between
// runs. Shared by the tracking thread and the main thread: every operation takes the store's
// lock, and passes are serialised with each other. The handler of a modified document runs
// without the lock held (its upload may wait for the main thread, which may be waiting for the
// lock); what it returns is applied once the lock is taken again.
//
// Cached file names are made from the hash and extension the service sends; a name that could
// land outside the cache folder or name a device is refused: GetFileName gives the empty text,
// and such a document is never cached, tracked or deleted.
class TDocTracking {
public:
    TDocTracking();
    // One last pass, then the tracking file is saved.
    ~TDocTracking();
    TDocTracking(const TDocTracking &) = delete;
    TDocTracking &operator=(const TDocTracking &) = delete;

    QString IniFile() const;
    void SetIniFile(const QString &Value);
    // The cache folder, ending with a path separator (one is added when missing).
    QString CachePath() const;
    void SetCachePath(const QString &Value);
    bool Active() const;
    void SetActive(bool Value);
    TDocTrackingStat Stat() const;
    int Count() const;
    void SetOnDocumentModify(TDocumentModifyEvent Value);
    // The row under FID (a cleared one when there is none).
    TDocTrackingRow Row(const TUDataKey &FID) const;

    // Whether Hash + "." + Ext is a plain file name inside the cache folder on every platform.
    static bool SafeFileName(const TUAPIFile &AFile);
    // CachePath + FHash + "." + Ext (without the dot for no extension); empty for an unsafe name.
    QString GetFileName(const TUAPIFile &AFile) const;
    bool InCache(const TUAPIFile &AFile) const;
    bool IsLastVersion(const TUAPIFile &AFile) const;
    bool Replace(const TUAPIFile &AFile);
    bool Remove(const TUAPIFile &AFile, bool RemoveFile);
    bool UpdateRow(const TUAPIFile &AFile);
    bool DoDocumentModify(const TUAPIFile &AFile);
    // The copy's last modification time in milliseconds since the epoch; 0 when it is missing.
    qint64 CopyStamp(const TUAPIFile &AFile) const;
    // Takes over what the service answered to a send-back of Sent, whose copy had StampBefore
    // when the upload began: a new hash moves the copy to its new name. Nothing changes when
    // the row meanwhile holds other file data.
    void SentBack(const TUAPIFile &Sent, const TUAPIFile &Answered, qint64 StampBefore);

    // One checking pass; true when something changed that should be saved.
    bool Sync();
    // Rows are validated as they are read; their copies are looked at by the next pass, so a
    // large file loads without touching the cache folder. Until then Count and Row answer as
    // if every copy had been looked at: rows whose copies are gone do not count.
    bool LoadFromFile();
    // Written beside the file and renamed over it: a failure leaves the old file whole. File
    // errors raise EUError.
    bool SaveToFile();

private:
    using TLock = std::unique_lock<std::mutex>;
    bool UpdateRowLocked(const TUAPIFile &AFile);
    // Sends the file whose copy had ModifyStamp when the pass saw it; the lock is released for
    // the handler and held again on return.
    bool DocumentModifyLocked(TLock &Lock, const TUAPIFile &AFile, qint64 ModifyStamp);
    QString GetFileNameLocked(const TUAPIFile &AFile) const;
    void SentBackLocked(const TUAPIFile &Sent, TUAPIFile Answered, qint64 StampBefore);
    // The in-step time of an unchecked row whose copy has Stamp: the copy's own time, unless the
    // copy changed after the tracking file was read (then the moment of reading, so the change
    // is handed over).
    qint64 LoadedStampLocked(qint64 Stamp) const;
    // Looks at the copies of all unchecked rows: missing ones are forgotten.
    void CheckLoadedLocked();
    // The row keyed Key looked at, its copy in step as of Stamp.
    void SetInStepLocked(const TUDataKey &Key, qint64 Stamp);

    // Serialises passes (the thread's and the last one at destruction); taken before FLock.
    mutable std::mutex FPassLock;
    // Guards every field below.
    mutable std::mutex FLock;
    QString FIniFile;
    TDocTrackingStat FSyncStat;
    TDocTrackingList FList;
    QString FCachePath;
    TDocumentModifyEvent FOnDocumentModify;
    bool FActive = false;
    // Some rows may be unchecked; set by LoadFromFile, cleared once all have been looked at.
    bool FUnchecked = false;
    // When LoadFromFile read the file, in milliseconds since the epoch.
    qint64 FLoadStamp = 0;
};

// The background loop: a pass every SleepTime seconds, the tracking file saved after a pass
// that changed something. Terminate wakes it at once; WaitFor joins it. Owned by whoever starts
// it, which must wait for it before the store goes.
class TDocTrackingThread {
public:
    // Owner: an object of the main thread, through which the loop's work reaches that thread.
    TDocTrackingThread(TDocTracking *ATracking, QObject *Owner);
    ~TDocTrackingThread();
    TDocTrackingThread(const TDocTrackingThread &) = delete;
    TDocTrackingThread &operator=(const TDocTrackingThread &) = delete;

    uint32_t SleepTime() const;
    void SetSleepTime(uint32_t Seconds);
    // The pause in milliseconds, for tests that need short ones.
    void SetSleepTimeMs(uint32_t Milliseconds);

    // Once, from the owner's thread.
    void Start();
    bool Started() const;
    // Asks the loop to end and wakes it; any thread.
    void Terminate();
    bool Terminated() const;
    // Terminates and joins the loop. Calls the loop is waiting to hand to the owner's thread are
    // cancelled, so this never waits on the thread that joins. From the owner's thread.
    void WaitFor();
    // Runs Call in the owner's thread while the loop waits; false when it was cancelled (the loop
    // is being stopped). From the loop itself.
    bool Send(const std::function<void()> &Call);

private:
    struct TState;
    std::unique_ptr<TState> FState;
};
