#pragma once

#include "UException.h"

#include <QByteArrayView>
#include <QHashFunctions>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <compare>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <memory>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

// Bob Jenkins' lookup3 hash of `length` bytes (the little-endian variant, hashlittle).
uint32_t HashLittle(const void *key, size_t length, uint32_t initval);

// Reading or writing outside a list's items: a programming fault, like a missing list.
class EArgumentOutOfRange : public EUAssertion {
public:
    EArgumentOutOfRange();
};

[[noreturn]] void RaiseArgumentOutOfRange();

// The identifier of a service record: a number, or a lower-case text of at most 32 single-byte
// (Windows-1251) characters. A plain value: copied, compared and stored in arrays without any
// heap allocation. The number 0 and the empty text mean that no key is set.
class TUDataKey {
public:
    static constexpr int MaxStrLength = 32;

    // The cleared key: a number key holding 0.
    constexpr TUDataKey() = default;
    // A number key ("-1" and 4294967295 are the same key).
    TUDataKey(uint32_t value) : FInt(value) {}
    // A text that reads as a signed 32-bit decimal integer gives a number key; any other text a
    // text key, lower-cased and cut to its first 32 characters.
    TUDataKey(const QString &text) : TUDataKey(QStringView(text)) {}
    explicit TUDataKey(QStringView text);

    static TUDataKey Create() { return {}; }
    static TUDataKey Default() { return {}; }
    void Clear() { *this = TUDataKey(); }

    bool IntKey() const { return FIntKey; }
    // The number of a number key; 0 for a text key.
    uint32_t Int() const { return FInt; }
    // The single-byte characters of a text key; empty for a number key.
    QByteArrayView Str() const { return QByteArrayView(FStr, FLen); }

    bool IsSet() const { return FIntKey ? FInt != 0 : FLen != 0; }
    bool IsClear() const { return !IsSet(); }

    // Numbers before texts; numbers ascending; texts byte by byte. Inline because every binary
    // search and sorted insert calls it in its inner loop.
    int Compare(const TUDataKey &Another) const
    {
        if (FIntKey != Another.FIntKey)
            return FIntKey ? -1 : 1;
        if (FIntKey)
            return (FInt > Another.FInt) - (FInt < Another.FInt);
        const int common = FLen < Another.FLen ? FLen : Another.FLen;
        const int c = std::memcmp(FStr, Another.FStr, size_t(common));
        return c != 0 ? c : int(FLen) - int(Another.FLen);
    }
    bool TheSame(const TUDataKey &Another) const
    {
        // Unused bytes are always zero, so equal keys are equal bytes.
        return std::memcmp(this, &Another, sizeof(TUDataKey)) == 0;
    }
    // lookup3 (initial value 0) over the 4 bytes of the number, low byte first, or over the
    // UTF-16 code units of the text, low byte first.
    uint32_t Hash() const;

    // Number 0: the empty text; other numbers: unsigned decimal digits; texts: the text.
    QString ToString() const;
    operator QString() const { return ToString(); }
    operator uint32_t() const { return FIntKey ? FInt : 0; }

    friend bool operator==(const TUDataKey &l, const TUDataKey &r) { return l.TheSame(r); }
    friend std::strong_ordering operator<=>(const TUDataKey &l, const TUDataKey &r)
    {
        return l.Compare(r) <=> 0;
    }

private:
    // Fixed layout without compiler padding: copies carry no stray bytes, so TheSame can compare
    // the whole record.
    bool FIntKey = true;
    uint8_t FLen = 0;
    char FStr[MaxStrLength] = {};
    uint8_t FReserved[2] = {};
    uint32_t FInt = 0;
};

static_assert(std::is_trivially_copyable_v<TUDataKey>, "keys are copied as plain bytes");
static_assert(std::is_trivially_destructible_v<TUDataKey>, "keys own nothing");
static_assert(std::is_standard_layout_v<TUDataKey>);
static_assert(sizeof(TUDataKey) <= 40, "keys stay small enough to sort and copy in arrays");
static_assert(std::has_unique_object_representations_v<TUDataKey>, "no padding bytes");

void PrintTo(const TUDataKey &key, std::ostream *os);

// Ordering of keys for sorted key lists.
struct TDataIDComparer {
    int Compare(const TUDataKey &Left, const TUDataKey &Right) const { return Left.Compare(Right); }
};

// Equality and hash of keys for key dictionaries; also usable as the hash and equality of a
// standard unordered container.
struct TDataIDEqualityComparer {
    bool Equals(const TUDataKey &Left, const TUDataKey &Right) const { return Left.TheSame(Right); }
    uint32_t GetHashCode(const TUDataKey &Value) const { return Value.Hash(); }
    size_t operator()(const TUDataKey &Value) const { return Value.Hash(); }
    bool operator()(const TUDataKey &Left, const TUDataKey &Right) const { return Left.TheSame(Right); }
};

// Ordering by the type's own < (texts: ordinal by UTF-16 code unit).
template <typename T>
struct TDefaultComparer {
    int Compare(const T &Left, const T &Right) const { return (Right < Left) - (Left < Right); }
};

// What happened to an item of a list, as reported to OnNotify.
enum TCollectionNotification : uint8_t { cnAdded, cnRemoved, cnExtracted };

// A growable list. Every item stored into a slot, overwritten, deleted or cleared is reported
// to OnNotify after the change; destroying the list reports nothing.
template <typename T, typename TComparer = TDefaultComparer<T>>
class TRec {
public:
    using TNotifyEvent = std::function<void(const T &Item, TCollectionNotification Action)>;
    using const_iterator = typename std::vector<T>::const_iterator;

    explicit TRec(int ItemCount = 0) { SetCapacity(ItemCount); }
    TRec(const TComparer &AComparer, int ItemCount = 0) : FComparer(AComparer) { SetCapacity(ItemCount); }
    // Each element goes through this class's Add; derived lists that order their items have
    // their own constructor of this form.
    TRec(std::initializer_list<T> Lines)
    {
        FItems.reserve(Lines.size());
        for (const T &v : Lines)
            TRec::Add(v);
    }
    TRec(const TRec &) = delete;
    TRec &operator=(const TRec &) = delete;
    virtual ~TRec() = default;

    int Count() const { return int(FItems.size()); }
    int High() const { return Count() - 1; }
    bool IsValidIndex(int Index) const { return Index >= 0 && Index < Count(); }
    bool IsEmpty() const { return FItems.empty(); }
    int Capacity() const { return int(FItems.capacity()); }
    void SetCapacity(int Value)
    {
        if (Value < Count())
            RaiseArgumentOutOfRange();
        FItems.reserve(size_t(Value));
    }

    const T &Items(int Index) const
    {
        if (!IsValidIndex(Index))
            RaiseArgumentOutOfRange();
        return FItems[size_t(Index)];
    }
    const T &operator[](int Index) const { return Items(Index); }
    const T &First() const { return Items(0); }
    const T &Last() const { return Items(High()); }
    void SetItems(int Index, const T &Value)
    {
        if (!IsValidIndex(Index))
            RaiseArgumentOutOfRange();
        T value = Value; // Value may be this very slot
        T old = std::exchange(FItems[size_t(Index)], std::move(value));
        Notify(old, cnRemoved);
        Notify(FItems[size_t(Index)], cnAdded);
    }

    // Appends; the new item's index.
    virtual int Add(const T &Value)
    {
        FItems.push_back(Value);
        Notify(FItems.back(), cnAdded);
        return High();
    }
    // Clears, then adds every item of AList in order through Add.
    virtual void Assign(const TRec &AList)
    {
        if (&AList == this)
            return;
        Clear();
        AddRange(AList);
    }
    void Assign(std::initializer_list<T> Values)
    {
        Clear();
        AddRange(Values);
    }
    // Adds every item in order through Add, without clearing first.
    virtual void AddRange(const TRec &Values)
    {
        if (&Values == this) {
            const std::vector<T> copy = FItems;
            for (const T &v : copy)
                Add(v);
            return;
        }
        for (const T &v : Values.FItems)
            Add(v);
    }
    void AddRange(std::initializer_list<T> Values)
    {
        for (const T &v : Values)
            Add(v);
    }

    void Insert(int Index, const T &Value)
    {
        if (Index < 0 || Index > Count())
            RaiseArgumentOutOfRange();
        const auto it = FItems.insert(FItems.begin() + Index, Value);
        Notify(*it, cnAdded);
    }
    void Delete(int Index)
    {
        if (!IsValidIndex(Index))
            RaiseArgumentOutOfRange();
        T old = std::move(FItems[size_t(Index)]);
        FItems.erase(FItems.begin() + Index);
        Notify(old, cnRemoved);
    }
    // Deletes the first equal item; its former index, or -1.
    int Remove(const T &Value)
    {
        const int i = IndexOf(Value);
        if (i >= 0)
            Delete(i);
        return i;
    }
    // Takes the first equal item out without it counting as removed; a default value if none.
    T Extract(const T &Value)
    {
        const int i = IndexOf(Value);
        if (i < 0)
            return T();
        T item = std::move(FItems[size_t(i)]);
        FItems.erase(FItems.begin() + i);
        Notify(item, cnExtracted);
        return item;
    }
    virtual void Clear()
    {
        std::vector<T> old;
        old.swap(FItems);
        FItems.reserve(old.capacity());
        for (const T &v : old)
            Notify(v, cnRemoved);
    }

    int IndexOf(const T &Value) const
    {
        for (size_t i = 0; i < FItems.size(); ++i)
            if (FComparer.Compare(FItems[i], Value) == 0)
                return int(i);
        return -1;
    }
    bool Contains(const T &Value) const { return IndexOf(Value) >= 0; }
    void Sort()
    {
        std::sort(FItems.begin(), FItems.end(),
                  [this](const T &l, const T &r) { return FComparer.Compare(l, r) < 0; });
    }
    // Lower bound by the comparer over a list in its order: FoundIndex is where an equal item
    // stands or where Value would go.
    bool BinarySearch(const T &Value, int &FoundIndex) const
    {
        bool found = false;
        FoundIndex = LowerBound(Value, found);
        return found;
    }

    const TComparer &Comparer() const { return FComparer; }
    const TNotifyEvent &OnNotify() const { return FOnNotify; }
    void SetOnNotify(TNotifyEvent Value) { FOnNotify = std::move(Value); }

    const_iterator begin() const { return FItems.begin(); }
    const_iterator end() const { return FItems.end(); }

protected:
    // Overrides must call this one so that OnNotify still hears of the change.
    virtual void Notify(const T &Item, TCollectionNotification Action)
    {
        if (FOnNotify)
            FOnNotify(Item, Action);
    }

    // The first index whose item is not less than Value (the list item is the left operand).
    // Found: an item equal to Value stands there.
    int LowerBound(const T &Value, bool &Found) const
    {
        Found = false;
        size_t n = FItems.size();
        if (n == 0)
            return 0;
        // Halving without a branch on the comparison, which would mispredict half the time.
        const T *base = FItems.data();
        while (n > 1) {
            const size_t half = n / 2;
            base = FComparer.Compare(base[half - 1], Value) < 0 ? base + half : base;
            n -= half;
        }
        const int c = FComparer.Compare(*base, Value);
        Found = c == 0;
        return int(base - FItems.data()) + (c < 0);
    }

    std::vector<T> FItems;
    TComparer FComparer;
    TNotifyEvent FOnNotify;
};

// A list kept ascending by its comparer, without two equal items.
template <typename T, typename TComparer = TDefaultComparer<T>>
class TRecSorted : public TRec<T, TComparer> {
    using Base = TRec<T, TComparer>;

public:
    explicit TRecSorted(int ItemCount = 0) : Base(ItemCount) {}
    TRecSorted(const TComparer &AComparer, int ItemCount = 0) : Base(AComparer, ItemCount) {}
    TRecSorted(std::initializer_list<T> Lines) : Base(int(Lines.size()))
    {
        for (const T &v : Lines)
            TRecSorted::Add(v);
    }

    // Where an equal item stands or where Value would be inserted; Exists tells which.
    virtual int AddIndex(const T &Value, bool &Exists) const { return this->LowerBound(Value, Exists); }

    // Inserts in order; -1 (and no change) when an equal item is present.
    //
    // While OnNotify is set the insertion runs slot by slot and reports each step: the last item
    // appended once more, each later item moved up one slot (the overwritten item removed, the
    // moved one added), and finally Value stored at its slot. Without a listener it is a plain
    // insertion reported to Notify as the single addition of Value.
    int Add(const T &Value) override
    {
        bool exists = false;
        const int index = AddIndex(Value, exists);
        if (exists)
            return -1;
        auto &items = this->FItems;
        if (!this->FOnNotify || items.empty()) {
            const auto it = items.insert(items.begin() + index, Value);
            this->Notify(*it, cnAdded);
            return index;
        }
        const T value = Value;
        const int last = this->High();
        T moved = items[size_t(last)];
        items.push_back(std::move(moved));
        this->Notify(items.back(), cnAdded);
        for (int i = last; i > index; --i) {
            T old = std::exchange(items[size_t(i)], items[size_t(i - 1)]);
            this->Notify(old, cnRemoved);
            this->Notify(items[size_t(i)], cnAdded);
        }
        T old = std::exchange(items[size_t(index)], value);
        this->Notify(old, cnRemoved);
        this->Notify(items[size_t(index)], cnAdded);
        return index;
    }

    // Appends without searching: the caller guarantees the order (filling from ordered data).
    int AddLast(const T &Value) { return Base::Add(Value); }

    bool FindFast(const T &Value) const
    {
        bool exists = false;
        AddIndex(Value, exists);
        return exists;
    }
    bool RemoveFast(const T &Value)
    {
        bool exists = false;
        const int index = AddIndex(Value, exists);
        if (exists)
            this->Delete(index);
        return exists;
    }
};

// A sorted set of keys.
class TUDataKeyList : public TRecSorted<TUDataKey, TDataIDComparer> {
    using Base = TRecSorted<TUDataKey, TDataIDComparer>;

public:
    explicit TUDataKeyList(int ItemCount = 0);
    TUDataKeyList(std::initializer_list<TUDataKey> Lines);

    using Base::AddRange;
    using Base::Assign;
    // Clears, then adds each integer as a number key.
    virtual void Assign(const TRec<int32_t> &AList);
    // Clears, then adds each text as a key.
    virtual void Assign(const TRec<QString> &AList);
    // Adds each integer as a number key, without clearing.
    virtual void AddRange(const TRec<int32_t> &Values);

    // Same keys as Another (absent: never the same).
    bool TheSame(const TUDataKeyList *Another) const;
};

// A table of rows. While FreeItems is set (as after creation) the table owns its rows: a row
// deleted, overwritten or cleared is freed, and so is every row when the table is destroyed.
// Extract hands a row over without freeing it.
template <typename T>
class TRecs : public TRec<TRec<T> *> {
    using Base = TRec<TRec<T> *>;

public:
    explicit TRecs(int ItemCount = 0, int SubItemCount = 0) : Base(ItemCount), FSubItemCount(SubItemCount) {}
    ~TRecs() override
    {
        if (FFreeItems)
            FreeRows(std::move(this->FItems));
    }

    bool FreeItems() const { return FFreeItems; }
    void SetFreeItems(bool Value) { FFreeItems = Value; }

    // The first row at or after StartIndex with a cell equal to Item (exactly); -1 if none.
    // Index, the cell position, does not narrow the search.
    int IndexOfItem(const T &Item, [[maybe_unused]] int Index = 0, int StartIndex = 0) const
    {
        if (StartIndex < 0)
            RaiseArgumentOutOfRange();
        for (int r = StartIndex; r < this->Count(); ++r) {
            const TRec<T> *row = this->FItems[size_t(r)];
            if (!row)
                continue;
            for (const T &cell : *row)
                if (cell == Item)
                    return r;
        }
        return -1;
    }
    bool SubItemContains(const T &Item, int Index = 0, int StartIndex = 0) const
    {
        return IndexOfItem(Item, Index, StartIndex) >= 0;
    }

    // Cell Index of every row, in row order; a row without that cell is out of range.
    std::unique_ptr<TRec<T>> ToRec(int Index) const
    {
        auto out = std::make_unique<TRec<T>>(this->Count());
        for (const TRec<T> *row : this->FItems) {
            if (!row)
                RaiseArgumentOutOfRange();
            out->Add(row->Items(Index));
        }
        return out;
    }

    // Append a new row of one or two cells; the row stays the table's.
    TRec<T> *AddOne(const T &Item)
    {
        auto row = NewRow();
        row->Add(Item);
        return Adopt(std::move(row));
    }
    TRec<T> *AddPair(const T &Key, const T &Value)
    {
        auto row = NewRow();
        row->Add(Key);
        row->Add(Value);
        return Adopt(std::move(row));
    }
    // Append a new empty row.
    TRec<T> *AddRow() { return Adopt(NewRow()); }

    // Listeners hear of every row; a row held in several slots is freed once.
    void Clear() override
    {
        std::vector<TRec<T> *> old;
        old.swap(this->FItems);
        this->FItems.reserve(old.capacity());
        for (TRec<T> *row : old)
            Base::Notify(row, cnRemoved);
        if (FFreeItems)
            FreeRows(std::move(old));
    }

protected:
    // A row leaving a slot is freed only when no other slot still holds it: writing a row back
    // into its own slot, or a row added twice, must not free a row that is still in use.
    void Notify(TRec<T> *const &Item, TCollectionNotification Action) override
    {
        TRec<T> *row = Item; // Item may be a slot that the listener changes
        Base::Notify(row, Action);
        if (Action == cnRemoved && FFreeItems
            && std::find(this->FItems.begin(), this->FItems.end(), row) == this->FItems.end())
            delete row;
    }

private:
    static void FreeRows(std::vector<TRec<T> *> rows)
    {
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        for (TRec<T> *row : rows)
            delete row;
    }
    std::unique_ptr<TRec<T>> NewRow() const { return std::make_unique<TRec<T>>(FSubItemCount); }
    TRec<T> *Adopt(std::unique_ptr<TRec<T>> row)
    {
        this->FItems.reserve(this->FItems.size() + 1);
        TRec<T> *p = row.release(); // the push below cannot throw after the reserve
        Base::Add(p);
        return p;
    }

    bool FFreeItems = true;
    int FSubItemCount = 0;
};

// Dictionary from text (compared exactly) to T.
template <typename T>
class TKeyValue {
    struct TextHash {
        size_t operator()(const QString &s) const { return qHash(s); }
    };
    using Map = std::unordered_map<QString, T, TextHash>;

public:
    using const_iterator = typename Map::const_iterator;

    explicit TKeyValue(int ACapacity = 0) { FItems.reserve(size_t(ACapacity > 0 ? ACapacity : 0)); }
    virtual ~TKeyValue() = default;

    // The value under Index, or the empty value when there is none.
    T GetKeyValue(const QString &Index) const
    {
        const auto it = FItems.find(Index);
        return it == FItems.end() ? T() : it->second;
    }
    void SetKeyValue(const QString &Index, const T &Value) { FItems.insert_or_assign(Index, Value); }

    bool TryGetValue(const QString &Key, T &Value) const
    {
        const auto it = FItems.find(Key);
        if (it == FItems.end())
            return false;
        Value = it->second;
        return true;
    }
    void AddOrSetValue(const QString &Key, const T &Value) { SetKeyValue(Key, Value); }
    bool Remove(const QString &Key) { return FItems.erase(Key) > 0; }
    bool ContainsKey(const QString &Key) const { return FItems.find(Key) != FItems.end(); }
    int Count() const { return int(FItems.size()); }
    void Clear() { FItems.clear(); }

    const_iterator begin() const { return FItems.begin(); }
    const_iterator end() const { return FItems.end(); }

private:
    Map FItems;
};

// Dictionary from key to T, hashed with the key's lookup3 hash.
template <typename T>
class TDataKeyDictionary {
    using Map = std::unordered_map<TUDataKey, T, TDataIDEqualityComparer, TDataIDEqualityComparer>;

public:
    using const_iterator = typename Map::const_iterator;

    explicit TDataKeyDictionary(int ACapacity = 0) { FItems.reserve(size_t(ACapacity > 0 ? ACapacity : 0)); }
    TDataKeyDictionary(std::initializer_list<std::pair<const TUDataKey, T>> Collection) : FItems(Collection) {}
    virtual ~TDataKeyDictionary() = default;

    // The value under Index; when there is none, a default value as DefaultValue makes it.
    T GetKeyValue(const TUDataKey &Index) const
    {
        const auto it = FItems.find(Index);
        if (it != FItems.end())
            return it->second;
        T value{};
        DefaultValue(value);
        return value;
    }
    void SetKeyValue(const TUDataKey &Index, const T &Value) { FItems.insert_or_assign(Index, Value); }

    bool TryGetValue(const TUDataKey &Key, T &Value) const
    {
        const auto it = FItems.find(Key);
        if (it == FItems.end())
            return false;
        Value = it->second;
        return true;
    }
    // The stored value without copying it; null when there is none.
    const T *Find(const TUDataKey &Key) const
    {
        const auto it = FItems.find(Key);
        return it == FItems.end() ? nullptr : &it->second;
    }
    void AddOrSetValue(const TUDataKey &Key, const T &Value) { SetKeyValue(Key, Value); }
    bool Remove(const TUDataKey &Key) { return FItems.erase(Key) > 0; }
    bool ContainsKey(const TUDataKey &Key) const { return FItems.find(Key) != FItems.end(); }
    int Count() const { return int(FItems.size()); }
    void Clear() { FItems.clear(); }

    const_iterator begin() const { return FItems.begin(); }
    const_iterator end() const { return FItems.end(); }

protected:
    // Fills in the value that GetKeyValue gives for a missing key; nothing to add here.
    virtual void DefaultValue(T &) const {}

private:
    Map FItems;
};

// Splitting a text into a list and joining a list into a text. A missing list is the assertion
// "AList must be assigned".
//
// Explode clears the list; an empty text leaves it empty; otherwise every piece between
// separators is converted and appended, and a text that ends with the separator gives an empty
// last piece. A number piece that does not convert is dropped when SkipIfError is set and
// appended as 0 otherwise.
//
// Implode joins the first MaxItems items (all of them when MaxItems is 0 or larger than the
// list) with Separator between them.
class TRecManager {
public:
    TRecManager() = delete;

    static void Explode(const QString &Str, TRec<QString> *AList, const QString &Separator);
    static void Explode(const QString &Str, TRec<int32_t> *AList, const QString &Separator, bool SkipIfError);
    // Pieces read by the machine-profile float reader (trimmed, decimal point). The long double
    // list is the extended-precision one; its values are read at double precision.
    static void Explode(const QString &Str, TRec<double> *AList, const QString &Separator, bool SkipIfError);
    static void Explode(const QString &Str, TRec<long double> *AList, const QString &Separator, bool SkipIfError);
    static void Explode(const QString &Str, TUDataKeyList *AList, const QString &Separator);
    // Rows split by SeparatorOut, each row's cells by SeparatorIn.
    static void Explode(const QString &Str, TRecs<QString> *AList, const QString &SeparatorOut,
                        const QString &SeparatorIn);

    static QString Implode(const TRec<QString> *AList, const QString &Separator, int MaxItems = 0);
    static QString Implode(const TRec<int32_t> *AList, const QString &Separator, int MaxItems = 0);
    // Shortest general form, up to 15 significant digits, with a decimal point.
    static QString Implode(const TRec<double> *AList, const QString &Separator, int MaxItems = 0);
    static QString Implode(const TRec<long double> *AList, const QString &Separator, int MaxItems = 0);
    static QString Implode(const TUDataKeyList *AList, const QString &Separator, int MaxItems = 0);
};
