#pragma once

#include "UColor.h"
#include "URecs.h"

#include <QString>

#include <memory>
#include <type_traits>

// Base of objects that take their content from another object of their kind. Not copyable:
// a copy goes through Assign, which each class extends with its own fields.
class TPersistent {
public:
    TPersistent() = default;
    TPersistent(const TPersistent &) = delete;
    TPersistent &operator=(const TPersistent &) = delete;
    virtual ~TPersistent() = default;

    // Copies what this class knows of Source; anything else is left alone.
    virtual void Assign(const TPersistent &Source);
};

// A selectable thing: a key, a title and a colour. Kept plain (no QObject, no heap of its own
// beyond the title) because sources hold hundreds of thousands of them.
//
// Construction gives every class its own defaults: each level's constructor sets its own
// fields as its SetDefault does, so a new object equals one that had SetDefault called.
class TUDataItem : public TPersistent {
public:
    TUDataItem() = default;
    TUDataItem(const TUDataKey &AID, const QString &ATitle, TColor AColor = clNone);

    // Copies ID, Title and Color from any data item.
    void Assign(const TPersistent &Source) override;
    // Cleared key, empty title, no colour.
    virtual void SetDefault();

    const TUDataKey &ID() const { return FID; }
    void SetID(const TUDataKey &Value) { FID = Value; }
    const QString &Title() const { return FTitle; }
    void SetTitle(const QString &Value) { FTitle = Value; }
    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }

    // Six hexadecimal digits, red first ("FFFFFF" for no colour).
    QString ColorRGBHex() const;

private:
    TUDataKey FID;
    QString FTitle;
    TColor FColor = clNone;
};

// The order of the items of a data source.
class TUDataItemComparer {
public:
    virtual ~TUDataItemComparer() = default;
    virtual int Compare(const TUDataItem *Left, const TUDataItem *Right) const = 0;
};

// A comparer as the sorted list holds it. Comparers carry no state of their own, so lists
// share them; a default-made one orders by key.
class TUDataItemOrder {
public:
    TUDataItemOrder();
    explicit TUDataItemOrder(std::shared_ptr<const TUDataItemComparer> AComparer);

    int Compare(TUDataItem *const &Left, TUDataItem *const &Right) const
    {
        return FComparer->Compare(Left, Right);
    }
    const std::shared_ptr<const TUDataItemComparer> &Comparer() const { return FComparer; }

private:
    std::shared_ptr<const TUDataItemComparer> FComparer;
};

// A sorted, duplicate-free list of data items, behind every list and selection control.
// Items that compare equal by the source's comparer cannot both be in it: Add of the second
// returns -1 and the caller keeps it.
//
// While FreeItems is set the source owns its items: Clear and destruction free them. Items
// taken out in any other way (Delete, RemoveFast, SetItems) go back to the caller.
//
// A range-for over a source walks it through GetEnumerator(), in the source's order.
class TUDataSource : public TRecSorted<TUDataItem *, TUDataItemOrder> {
    using Base = TRecSorted<TUDataItem *, TUDataItemOrder>;

public:
    using TList = TRec<TUDataItem *, TUDataItemOrder>;
    using TUComparer = TUDataItemComparer;
    class TIDComparer;
    class TTitleComparer;
    class TEnumeratorFilter;
    class TEnumeratorFilterIndex;
    class TItemEnumerator;
    class TTitleEnumerator;
    class TIterator;
    struct TEnd {};
    // Chooses the enumerator a source creates, as a class reference would; EnumeratorClass<T>
    // gives the one of class T. Null means a plain TItemEnumerator.
    using TItemEnumeratorClass = std::unique_ptr<TItemEnumerator> (*)(const TUDataSource *AList);

    // Empty, ordered by key.
    TUDataSource();
    // Empty, ordered by AComparer, with room for ItemCount items.
    explicit TUDataSource(std::shared_ptr<const TUComparer> AComparer, int ItemCount = 0);
    ~TUDataSource() override;

    bool FreeItems() const { return FFreeItems; }
    void SetFreeItems(bool Value) { FFreeItems = Value; }

    // Frees the items when the source owns them; empties the list in every case.
    void Clear() override;
    // Clear (so owned items are freed), then Add of every item of AList.
    void Assign(const TList &AList) override;
    using Base::Assign;

    // The stored item whose key is ID. False, leaving Item as it was, for a key that is not
    // set or not present. The source must be ordered by key.
    bool TryGetValue(const TUDataKey &ID, TUDataItem *&Item) const;
    // The same, for an item that is also a T.
    template <class T>
    bool TryGetValue(const TUDataKey &ID, T *&Item) const;

    // A new enumerator of class EnumClass over this source; a plain one when EnumClass is null
    // or fails to create one.
    virtual std::unique_ptr<TItemEnumerator> GetEnumerator(TItemEnumeratorClass EnumClass = nullptr) const;
    // A new enumerator in title order.
    std::unique_ptr<TTitleEnumerator> GetTitleEnumerator() const;
    // Clears Another (freeing its items if it owns them), then adds to it every item an
    // enumerator of class EnumClass yields. The items are shared, not copied, so at most one of
    // the two sources may own them. Another is required ("Another must be set").
    void Clone(TUDataSource *Another, TItemEnumeratorClass EnumClass = nullptr) const;

    TIterator begin() const;
    static constexpr TEnd end() { return {}; }

private:
    bool FFreeItems = false;
};

class TUDataSource::TIDComparer : public TUComparer {
public:
    int Compare(const TUDataItem *Left, const TUDataItem *Right) const override
    {
        return Left->ID().Compare(Right->ID());
    }
    // The one instance sources share.
    static const std::shared_ptr<const TIDComparer> &Instance();
};

// Ordinal and case-sensitive by UTF-16 code unit: capitals before small letters within one
// alphabet, Latin before Cyrillic.
class TUDataSource::TTitleComparer : public TUComparer {
public:
    int Compare(const TUDataItem *Left, const TUDataItem *Right) const override
    {
        return QString::compare(Left->Title(), Right->Title(), Qt::CaseSensitive);
    }
    static const std::shared_ptr<const TTitleComparer> &Instance();
};

// Decides which items an enumerator yields; users derive their filters from it. This one
// accepts every item.
class TUDataSource::TEnumeratorFilter {
public:
    virtual ~TEnumeratorFilter() = default;
    virtual bool Execute(const TUDataItem *Item);
};

// A filter that selects by a key it carries; this one accepts every item.
class TUDataSource::TEnumeratorFilterIndex : public TEnumeratorFilter {
public:
    const TUDataKey &IndexedValue() const { return FIndexedValue; }
    void SetIndexedValue(const TUDataKey &Value) { FIndexedValue = Value; }
    bool Execute(const TUDataItem *Item) override;

private:
    TUDataKey FIndexedValue;
};

// Walks a source by index, starting before the first item. A filter, when set, skips the
// items it refuses; the enumerator does not own it. Usable in a range-for.
class TUDataSource::TItemEnumerator {
public:
    explicit TItemEnumerator(const TUDataSource *AList);
    TItemEnumerator(const TItemEnumerator &) = delete;
    TItemEnumerator &operator=(const TItemEnumerator &) = delete;
    virtual ~TItemEnumerator() = default;

    // To the next item the filter accepts; false after the last one.
    virtual bool MoveNext();
    // The item at the current index; out of range before the first MoveNext and after the end.
    TUDataItem *Current() const;

    TEnumeratorFilter *Filter() const { return FFilter; }
    void SetFilter(TEnumeratorFilter *Value) { FFilter = Value; }

    TIterator begin();
    static constexpr TEnd end() { return {}; }

protected:
    const TUDataSource *FList;
    int FIndex = -1;
    TEnumeratorFilter *FFilter = nullptr;
};

// Walks a private copy of the source's item references sorted by title. The copy is itself
// duplicate-free: of items with equal titles only the first in the source's order is yielded.
class TUDataSource::TTitleEnumerator : public TItemEnumerator {
public:
    explicit TTitleEnumerator(const TUDataSource *AList);

    // The title-ordered copy; it does not own the items.
    const TUDataSource &Data() const { return FData; }

private:
    TUDataSource FData;
};

// The range-for iterator over an enumerator; owns it when it came from a source's begin().
class TUDataSource::TIterator {
public:
    explicit TIterator(TItemEnumerator *Enum) : FEnum(Enum), FDone(!Enum->MoveNext()) {}
    explicit TIterator(std::unique_ptr<TItemEnumerator> Enum) : TIterator(Enum.get())
    {
        FOwned = std::move(Enum);
    }

    TUDataItem *operator*() const { return FEnum->Current(); }
    TIterator &operator++()
    {
        FDone = !FEnum->MoveNext();
        return *this;
    }
    friend bool operator==(const TIterator &It, TEnd) { return It.FDone; }

private:
    std::unique_ptr<TItemEnumerator> FOwned;
    TItemEnumerator *FEnum;
    bool FDone;
};

// The class reference of enumerator class T, for GetEnumerator, Clone and the selection controls.
template <class T>
std::unique_ptr<TUDataSource::TItemEnumerator> NewEnumerator(const TUDataSource *AList)
{
    static_assert(std::is_base_of_v<TUDataSource::TItemEnumerator, T>);
    return std::make_unique<T>(AList);
}
template <class T>
inline constexpr TUDataSource::TItemEnumeratorClass EnumeratorClass = &NewEnumerator<T>;

inline TUDataSource::TIterator TUDataSource::begin() const
{
    return TIterator(GetEnumerator());
}

inline TUDataSource::TIterator TUDataSource::TItemEnumerator::begin()
{
    return TIterator(this);
}

template <class T>
bool TUDataSource::TryGetValue(const TUDataKey &ID, T *&Item) const
{
    TUDataItem *found = nullptr;
    if (!TryGetValue(ID, found))
        return false;
    T *typed = dynamic_cast<T *>(found);
    if (!typed)
        return false;
    Item = typed;
    return true;
}
