#include "UnitDataCache.h"

#include "UAPIData.h"
#include "UAPIDataLoader.h"
#include "UConv.h"
#include "UDateTime.h"
#include "UJson.h"
#include "UnitComplex.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QScopeGuard>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <type_traits>
#include <vector>

namespace {

// ---- Members of one element

QJsonValue member(const QJsonObject &Element, TDataFieldType Field) { return Element.value(ToName(Field)); }

QString text(const QJsonObject &Element, TDataFieldType Field) { return TUJson::AsText(member(Element, Field)); }

// A key as the text of the member: a whole JSON number gives its digits and so a number key
// (made directly, as most keys arrive), a missing member the cleared key.
TUDataKey keyOf(const QJsonValue &Value)
{
    if (Value.isDouble()) {
        const double number = Value.toDouble();
        if (std::trunc(number) == number && number >= std::numeric_limits<int32_t>::min() &&
            number <= std::numeric_limits<int32_t>::max())
            return TUDataKey(uint32_t(int32_t(number)));
    }
    return TUDataKey(QStringView(TUJson::AsText(Value)));
}

TUDataKey key(const QJsonObject &Element, TDataFieldType Field) { return keyOf(member(Element, Field)); }

// Counts are never negative.
uint32_t count(const QJsonObject &Element, TDataFieldType Field)
{
    const int32_t value = TUJson::AsInt(member(Element, Field));
    return value > 0 ? uint32_t(value) : 0;
}

double real(const QJsonObject &Element, TDataFieldType Field) { return TUJson::AsFloat(member(Element, Field)); }

bool yes(const QJsonObject &Element, TDataFieldType Field) { return TUJson::AsYes(member(Element, Field)); }

template <typename E>
E code(const QJsonObject &Element, TDataFieldType Field, E Value)
{
    SetCode(Value, QStringView(text(Element, Field)));
    return Value;
}

// An amount too large for money reads as none, as a text that is no number does.
TMoney currency(const QJsonObject &Element, TDataFieldType Field)
{
    try {
        return TMoney::FromDouble(real(Element, Field));
    } catch (const std::overflow_error &) {
        return TMoney();
    }
}

TUAPIPriceMargin margin(const QJsonObject &Element, TDataFieldType MarginField, TDataFieldType ExtraField)
{
    TUAPIPriceMargin value;
    value.Clear();
    value.SetData(real(Element, MarginField), currency(Element, ExtraField));
    return value;
}

// The members each class takes beyond key, title and colour.
template <class T>
void readMembers(T &Item, const QJsonObject &Element)
{
    if constexpr (std::is_base_of_v<TDataHaveBoard, T>)
        Item.SetBoardCount(count(Element, dft_board_count));
    if constexpr (std::is_base_of_v<TDataHaveState, T>)
        Item.SetState(code(Element, dft_state, dsNull));
    if constexpr (std::is_same_v<T, TDataBoardFormat>)
        Item.SetDescription(text(Element, dft_description));
    if constexpr (std::is_same_v<T, TDataClient>) {
        Item.SetManager(key(Element, dft_manager));
        Item.SetQuillEmail(text(Element, dft_quill_email));
        Item.SetContactEmail(text(Element, dft_contact_email));
    }
    if constexpr (std::is_same_v<T, TDataTown>) {
        Item.SetTownType(key(Element, dft_town_type));
        Item.SetRegion(key(Element, dft_region));
        Item.SetPopulation(count(Element, dft_population));
    }
    if constexpr (std::is_same_v<T, TDataUser>)
        Item.SetRole(TUDataKey(uint32_t(TUJson::AsInt(member(Element, dft_role)))));
    if constexpr (std::is_same_v<T, TDataOperator>) {
        Item.SetState(code(Element, dft_state, dsNull));
        Item.SetKN(real(Element, dft_price_kn));
        Item.SetPriceType(code(Element, dft_price_type, ptBoth));
        Item.SetIsOnline(yes(Element, dft_is_online));
        Item.SetIsRestricted(yes(Element, dft_is_restricted));
        Item.SetMarginCash(margin(Element, dft_price_mc, dft_price_ec));
        Item.SetMarginBank(margin(Element, dft_price_mb, dft_price_eb));
    }
    if constexpr (std::is_same_v<T, TDataStickRC>)
        Item.SetIsDefault(yes(Element, dft_is_default));
    if constexpr (std::is_base_of_v<TDataDocCommon, T>) {
        const TUAPIDocType type = code(Element, dft_doc_type, dtCustom);
        // A document template is always of a definite kind: one the service sends without a
        // known kind keeps its default instead of failing the whole load.
        if (type != dtCustom || !std::is_same_v<T, TDataDocTemplate>)
            Item.SetDocType(type);
        TUAPIFile file;
        file.Clear();
        file.SetData(key(Element, dft_fid), QStringView(text(Element, dft_fhash)),
                     TDateTimeFormat::SQL().ParseDateTime(text(Element, dft_updated)), text(Element, dft_ext));
        Item.SetFileData(file);
    }
}

// ---- One set

// The cache's clients are list entries: their contact, requisites and the like are not made.
template <class T>
std::unique_ptr<T> newItem()
{
    if constexpr (std::is_same_v<T, TDataClient>)
        return std::make_unique<T>(TDataClient::TListItem{});
    else
        return std::make_unique<T>();
}

// Replaces the list's items with those of Set, an array of objects, when Set is an array, and
// Index with the list's keys. The new items are built aside and sorted there by their keys
// alone (the service mostly sends them in key order, so a run in order costs no sort): a
// failure part-way leaves the list as it was. Release: Set is the only holder of its array,
// whose elements are freed one by one as they are read.
template <class T>
void loadList(TUDataSource &List, QJsonValue Set, bool Release, QLatin1StringView KeyName, QLatin1StringView TitleName,
              std::vector<TDataCacheKey> &Index)
{
    if (!Set.isArray())
        return;
    QJsonArray array = Set.toArray();
    Set = QJsonValue();
    std::vector<TDataCacheKey> items;
    const auto owned = qScopeGuard([&items] {
        for (const TDataCacheKey &entry : items)
            delete entry.Item;
    });
    items.reserve(size_t(array.size()));
    bool ordered = true;
    const QLatin1StringView colorName = ToName(dft_color);
    for (qsizetype i = 0, n = array.size(); i < n; ++i) {
        const QJsonValue value = array.at(i);
        if (!value.isObject())
            continue;
        const QJsonObject element = value.toObject();
        if (Release)
            array.replace(i, QJsonValue()); // the element goes with the end of this step
        const TUDataKey id = keyOf(element.value(KeyName));
        if (ordered && !items.empty()) {
            const int c = items.back().Item->ID().Compare(id);
            if (c == 0)
                continue; // the first of equal keys wins
            ordered = c < 0;
        }
        auto item = newItem<T>();
        item->SetID(id);
        item->SetTitle(TUJson::AsText(element.value(TitleName)));
        const QString color = TUJson::AsText(element.value(colorName));
        if (!color.isEmpty())
            item->SetColor(TUConv::RGBHexToColor(color));
        readMembers(*item, element);
        items.push_back({TDataCacheKey::PrefixOf(id), item.get()});
        (void)item.release();
    }
    if (!ordered) {
        // Stable, so the first of equal keys in the set's order leads its run and stays.
        std::stable_sort(items.begin(), items.end(), [](const TDataCacheKey &l, const TDataCacheKey &r) {
            return l.Prefix != r.Prefix ? l.Prefix < r.Prefix : l.Item->ID().Compare(r.Item->ID()) < 0;
        });
        size_t kept = 0;
        for (size_t i = 0; i < items.size(); ++i) {
            if (kept > 0 && items[kept - 1].Prefix == items[i].Prefix &&
                items[kept - 1].Item->ID().Compare(items[i].Item->ID()) == 0)
                delete std::exchange(items[i].Item, nullptr);
            else
                items[kept++] = items[i];
        }
        items.resize(kept);
    }
    std::vector<TDataCacheKey> index = items; // before the list takes the items over
    List.Clear();
    List.SetCapacity(int(items.size()));
    for (TDataCacheKey &entry : items)
        List.AddLast(std::exchange(entry.Item, nullptr));
    Index = std::move(index);
}

using TListLoader = void (*)(TUDataSource &, QJsonValue, bool, QLatin1StringView, QLatin1StringView,
                             std::vector<TDataCacheKey> &);

// The service sets in the order they are loaded.
struct TSetSpec {
    TDataCacheType Type;
    TDataFieldType Set;
    TListLoader Load;
};
const TSetSpec kSets[] = {
    {ctRegion, dft_region, &loadList<TDataRegion>},
    {ctBoardFormat, dft_board_format, &loadList<TDataBoardFormat>},
    {ctRole, dft_role, &loadList<TDataRole>},
    {ctTown, dft_town, &loadList<TDataTown>},
    {ctUser, dft_user, &loadList<TDataUser>},
    {ctFirm, dft_firm, &loadList<TDataFirm>},
    {ctOperator, dft_operator, &loadList<TDataOperator>},
    {ctClient, dft_client, &loadList<TDataClient>},
    {ctStick, dft_stick, &loadList<TDataStick>},
    {ctStickRC, dft_stick_rc, &loadList<TDataStickRC>},
    {ctStickRCPT, dft_stick_rcpt, &loadList<TDataStickRCPT>},
    {ctTownType, dft_town_type, &loadList<TDataTownType>},
    {ctReqType, dft_req_type, &loadList<TDataReqType>},
    {ctBoardExtra, dft_board_extra, &loadList<TDataBoardExtra>},
    {ctDocTemplate, dft_doc_template, &loadList<TDataDocTemplate>},
    {ctMailTemplate, dft_mail_template, &loadList<TDataMailTemplate>},
};

// ---- The lists themselves

template <class S>
std::unique_ptr<TUDataSource> newSource()
{
    auto source = std::make_unique<S>();
    source->SetFreeItems(true);
    return source;
}

std::unique_ptr<TUDataSource> sourceOf(TDataCacheType Type)
{
    switch (Type) {
    case ctState: return newSource<TDataStateSource>();
    case ctPriceType: return newSource<TDataPriceTypeSource>();
    case ctSyncPriceType: return newSource<TDataSyncPriceTypeSource>();
    case ctSaleStateType: return newSource<TDataSaleStateTypeSource>();
    case ctKeysValue: return newSource<TDataKeysValueSource>();
    case ctDocType: return newSource<TDataDocTypeSource>();
    case ctRole: return newSource<TDataRoleSource>();
    case ctBoardFormat: return newSource<TDataBoardFormatSource>();
    case ctRegion: return newSource<TDataRegionSource>();
    case ctTown: return newSource<TDataTownSource>();
    case ctUser: return newSource<TDataUserSource>();
    case ctFirm: return newSource<TDataFirmSource>();
    case ctOperator: return newSource<TDataOperatorSource>();
    case ctClient: return newSource<TDataClientSource>();
    case ctStick: return newSource<TDataStickSource>();
    case ctStickRC: return newSource<TDataStickRCSource>();
    case ctStickRCPT: return newSource<TDataStickRCPTSource>();
    case ctTownType: return newSource<TDataTownTypeSource>();
    case ctReqType: return newSource<TDataReqTypeSource>();
    case ctBoardExtra: return newSource<TDataBoardExtraSource>();
    case ctDocTemplate: return newSource<TDataDocTemplateSource>();
    case ctMailTemplate: return newSource<TDataMailTemplateSource>();
    case ctMailTemplateField: return newSource<TDataMailTemplateFieldSource>();
    case ctStickType:
    case ctStickTypeShort: return newSource<TDataStickTypeSource>();
    case ctStickFineMethod: return newSource<TDataStickFineMethodSource>();
    }
    RaiseArgumentOutOfRange();
}

// A fixed list from the vocabulary: one item for each value from First to Last, keyed by its
// code and titled and coloured as the vocabulary has it (colour 0 for a kind that has none).
template <class T, typename E>
void addCoded(TUDataSource &List, E First, E Last)
{
    for (int value = First; value <= Last; ++value) {
        const E e = E(value);
        TColor color = 0;
        if constexpr (requires { ToColor(e); })
            color = ToColor(e);
        auto item = std::make_unique<T>(TUDataKey(ToCode(e)), ToText(e), color);
        if (List.Add(item.get()) >= 0)
            (void)item.release();
    }
}

} // namespace

TDataCache::TDataCache(TComplex *AOwner) : FOwner(AOwner), FSelf(std::make_shared<TDataCache *>(this))
{
    for (int i = 0; i < DataCacheTypeCount; ++i)
        FData[size_t(i)] = sourceOf(TDataCacheType(i));
    BuildFixed();
    for (int i = 0; i < DataCacheTypeCount; ++i)
        Reindex(TDataCacheType(i));
}

TDataCache::~TDataCache()
{
    *FSelf = nullptr;
    StopTask();
}

void TDataCache::BuildFixed()
{
    addCoded<TDataState>(*FData[ctState], dsEnabled, dsSystem);
    addCoded<TDataPriceType>(*FData[ctPriceType], ptCash, ptBoth);
    addCoded<TDataSyncPriceType>(*FData[ctSyncPriceType], ptCash, ptBank);
    addCoded<TDataSaleStateType>(*FData[ctSaleStateType], sstSale, sstAll);
    addCoded<TDataDocType>(*FData[ctDocType], dtAgreement, dtXml);
    addCoded<TDataKeysValue>(*FData[ctKeysValue], kvK, kvKAS);
    addCoded<TDataStickType>(*FData[ctStickType], stStick, stPhoto);
    addCoded<TDataStickType>(*FData[ctStickTypeShort], stRestick, stPhoto);
    addCoded<TDataStickFineMethod>(*FData[ctStickFineMethod], sfmNone, sfmPerday);
}

TComplex &TDataCache::Owner() const
{
    TComplex *owner = FOwner ? FOwner : Complex;
    UAssert(owner != nullptr, QStringLiteral("Complex must be assigned"));
    return *owner;
}

TUDataSource *TDataCache::GetData(TDataCacheType Index) const
{
    if (Index >= DataCacheTypeCount)
        RaiseArgumentOutOfRange();
    return FData[Index].get();
}

uint64_t TDataCacheKey::PrefixOf(const TUDataKey &ID)
{
    if (ID.IntKey())
        return ID.Int();
    uint64_t prefix = 0;
    const QByteArrayView text = ID.Str();
    for (qsizetype i = 0; i < 7; ++i)
        prefix = (prefix << 8) | (i < text.size() ? uint8_t(text[i]) : 0u);
    return (uint64_t(1) << 63) | prefix;
}

QString TDataCache::GetTitle(TDataCacheType Index, const TUDataKey &ID) const
{
    const TUDataSource &list = *GetData(Index);
    if (ID.IsClear())
        return {};
    // A search over the compact keys, which mostly stay in the processor's cache, and one step
    // to the item. An entry counts only where the list still holds that item in that place, so
    // a list changed by somebody else is asked itself and still answers right.
    const std::vector<TDataCacheKey> &index = FIndex[Index];
    const uint64_t prefix = TDataCacheKey::PrefixOf(ID);
    auto it = std::lower_bound(index.begin(), index.end(), prefix,
                               [](const TDataCacheKey &entry, uint64_t p) { return entry.Prefix < p; });
    for (; it != index.end() && it->Prefix == prefix; ++it) {
        const int position = int(it - index.begin());
        if (position >= list.Count() || list[position] != it->Item)
            break;
        const int c = it->Item->ID().Compare(ID);
        if (c == 0)
            return it->Item->Title();
        if (c > 0)
            break;
    }
    TUDataItem *item = nullptr;
    return list.TryGetValue(ID, item) ? item->Title() : QString();
}

void TDataCache::Reindex(TDataCacheType Index)
{
    std::vector<TDataCacheKey> &index = FIndex[Index];
    index.clear();
    const TUDataSource &list = *FData[Index];
    index.reserve(size_t(list.Count()));
    for (int i = 0; i < list.Count(); ++i)
        index.push_back({TDataCacheKey::PrefixOf(list[i]->ID()), list[i]});
}

namespace {

// LoadSet over the sets of Raw; Release: Raw is the only holder of its object.
template <class TObject>
bool loadSets(TObject &Raw, bool Release, const std::array<std::unique_ptr<TUDataSource>, DataCacheTypeCount> &Data,
              std::array<std::vector<TDataCacheKey>, DataCacheTypeCount> &Index)
{
    for (const TSetSpec &set : kSets) {
        const bool user = set.Type == ctUser;
        const QLatin1StringView keyName = ToName(user ? dft_login : set.Set);
        const QLatin1StringView titleName = ToName(user ? dft_user_name : dft_title);
        try {
            QJsonValue value;
            if constexpr (std::is_const_v<TObject>)
                value = Raw.value(ToName(set.Set));
            else
                value = Raw.take(ToName(set.Set));
            set.Load(*Data[set.Type], std::move(value), Release, keyName, titleName, Index[set.Type]);
        } catch (...) {
            return false;
        }
    }
    return true;
}

} // namespace

bool TDataCache::LoadSet(const QJsonValue &Raw)
{
    if (!Raw.isObject())
        return false; // wrong type data
    const QJsonObject raw = Raw.toObject();
    return loadSets(raw, false, FData, FIndex);
}

bool TDataCache::LoadSet(QJsonValue &&Raw)
{
    if (!Raw.isObject())
        return false; // wrong type data
    QJsonObject raw = Raw.toObject();
    Raw = QJsonValue(QJsonValue::Undefined);
    // Each set leaves the object as it is loaded and its elements as they are read.
    return loadSets(raw, true, FData, FIndex);
}

void TDataCache::StopTask()
{
    if (TDataLoader *task = std::exchange(FTask, nullptr))
        task->Terminate();
}

void TDataCache::Load()
{
    StopTask();
    std::unique_ptr<TDataLoader> task = Owner().TaskCreate(QStringLiteral("cache"));
    // The handlers hold the cache's own pointer, not the cache: a task that outlives the cache
    // or has been replaced by a newer reload reports nowhere.
    const std::shared_ptr<TDataCache *> self = FSelf;
    auto current = [self](QObject *Sender) -> TDataCache * {
        TDataCache *cache = *self;
        return cache && cache->FTask == Sender ? cache : nullptr;
    };
    task->OnWork.OnSuccess = [current](QObject *Sender) {
        if (TDataCache *cache = current(Sender))
            cache->TaskSuccess(static_cast<TDataLoader *>(Sender));
    };
    task->OnWork.OnError = [current](QObject *Sender, const QString &) {
        if (TDataCache *cache = current(Sender))
            cache->TaskFailed(static_cast<TDataLoader *>(Sender));
    };
    task->OnWork.OnTerminate = [current](QObject *Sender) {
        if (TDataCache *cache = current(Sender))
            cache->FTask = nullptr;
    };
    FTask = task.get();
    Owner().Data().TaskAdd(task.release(), true);
}

void TDataCache::TaskSuccess(TDataLoader *Task)
{
    // Forgotten before the handlers run, so that one of them may start the next reload.
    FTask = nullptr;
    TAPIDataAnswer *answer = Task->Answer();
    if (answer && answer->Error() == 0 && !answer->Raw().isUndefined() && LoadSet(answer->TakeRaw())) {
        if (FOnSet)
            FOnSet(this);
        return;
    }
    TaskFailed(Task);
}

void TDataCache::TaskFailed(TDataLoader *)
{
    FTask = nullptr;
    if (FOnError)
        FOnError(this);
}

bool TDataCache::LoadSubStatic()
{
    TUDataSource &list = *FData[ctMailTemplateField];
    list.Clear();
    try {
        const TDataObjectFieldConfig &layout = Owner().User().GetObjectConfig(dot_mail_template_field);
        int32_t order = 0;
        const auto reindex = qScopeGuard([this] { Reindex(ctMailTemplateField); });
        for (const TDataFieldType field : layout.Fields()) {
            auto item = std::make_unique<TDataMailTemplateField>(field, layout.GetData(field).Title, order++);
            if (list.Add(item.get()) >= 0)
                (void)item.release();
        }
    } catch (...) {
        return false;
    }
    return true;
}
