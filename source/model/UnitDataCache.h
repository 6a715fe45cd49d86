#pragma once

#include "UnitData.h"

#include <QJsonValue>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TComplex;
class TDataCache;
class TDataLoader;

// A key of a cached list beside its item, cut to 64 bits that keep the keys' order: number keys
// whole, text keys by their first seven bytes (keys that share those compare equal here).
struct TDataCacheKey {
    uint64_t Prefix;
    TUDataItem *Item;

    static uint64_t PrefixOf(const TUDataKey &ID);
};

// A notice of the cache, told which cache raised it.
using TDataCacheEvent = std::function<void(TDataCache *Sender)>;

// The reference lists, in the order of the cache's array.
enum TDataCacheType : uint8_t {
    ctState,
    ctPriceType,
    ctSyncPriceType,
    ctSaleStateType,
    ctKeysValue,
    ctDocType,
    ctRole,
    ctBoardFormat,
    ctRegion,
    ctTown,
    ctUser,
    ctFirm,
    ctOperator,
    ctClient,
    ctStick,
    ctStickRC,
    ctStickRCPT,
    ctTownType,
    ctReqType,
    ctBoardExtra,
    ctDocTemplate,
    ctMailTemplate,
    ctMailTemplateField,
    ctStickType,
    ctStickTypeShort,
    ctStickFineMethod,
};
inline constexpr int DataCacheTypeCount = ctStickFineMethod + 1;

// The one in-memory copy of the service's reference lists and of the protocol's fixed lists.
// Every list is a source of its own class, ordered by key, owning its items. The fixed lists
// are built here and never change; the sixteen service sets come from LoadSet (the "raw" part
// of the connection answer, or of a reload by Load); the mail-template fields from the signed-in
// user's layout (LoadSubStatic). Main thread only.
//
// Items carry what the lists show and what screens look up: key, title, colour and the few
// members LoadSet names. A client's contact and requisites, a template's key lists and the
// like are not read into the cache.
//
// A reload runs as one request task. Its handlers reach the cache only while the cache lives
// and only for the task it is waiting for: a reload stopped by a newer one, or by destroying
// the cache, reports nothing.
class TDataCache {
public:
    // Owner's task factory, task manager and user serve Load and LoadSubStatic; without an
    // owner, the process's core object does.
    explicit TDataCache(TComplex *AOwner = nullptr);
    // Stops a reload in progress.
    ~TDataCache();
    TDataCache(const TDataCache &) = delete;
    TDataCache &operator=(const TDataCache &) = delete;

    // The list of that type; it stays the cache's. An index outside the type is out of range.
    TUDataSource *GetData(TDataCacheType Index) const;
    TUDataSource *Data(TDataCacheType Index) const { return GetData(Index); }
    // The title of the item keyed ID in that list; empty when ID is not set or not there.
    QString GetTitle(TDataCacheType Index, const TUDataKey &ID) const;

    // Fills the sixteen service sets from Raw, a JSON object, set by set: a set that is missing
    // or not an array keeps its list. False when Raw is no object (nothing changes) or a set
    // failed to load (the sets before it keep their new content, the failed one its old).
    bool LoadSet(const QJsonValue &Raw);
    // The same for a value the caller gives up: each set's elements are freed as soon as they
    // are read, so a large answer and its items are not both held whole. Raw is left empty.
    bool LoadSet(QJsonValue &&Raw);
    // Asks the service for a fresh copy of the service sets (the "cache" action) and returns at
    // once; a reload still running is stopped first. OnSet follows a reload that filled the
    // lists, OnError any other outcome.
    void Load();
    bool Loading() const { return FTask != nullptr; }
    // Rebuilds the mail-template fields from the user's layout of that object, in its order.
    // False when that failed (the fields added before the failure stay).
    bool LoadSubStatic();

    const TDataCacheEvent &OnSet() const { return FOnSet; }
    void SetOnSet(TDataCacheEvent Value) { FOnSet = std::move(Value); }
    const TDataCacheEvent &OnError() const { return FOnError; }
    void SetOnError(TDataCacheEvent Value) { FOnError = std::move(Value); }

private:
    TComplex &Owner() const;
    void BuildFixed();
    // The lookup keys of that list, as it now holds its items.
    void Reindex(TDataCacheType Index);
    void StopTask();
    void TaskSuccess(TDataLoader *Task);
    void TaskFailed(TDataLoader *Task);

    TComplex *FOwner;
    // The reload in progress; the task frees itself.
    TDataLoader *FTask = nullptr;
    TDataCacheEvent FOnSet;
    TDataCacheEvent FOnError;
    std::array<std::unique_ptr<TUDataSource>, DataCacheTypeCount> FData;
    // Each list's keys in its order, for GetTitle.
    std::array<std::vector<TDataCacheKey>, DataCacheTypeCount> FIndex;
    // Held by every reload's handlers; cleared when the cache goes, so a task that outlives the
    // cache finds nobody to report to.
    std::shared_ptr<TDataCache *> FSelf;
};
