#include "UDataModule.h"

#include "UConv.h"

#include <algorithm>
#include <exception>
#include <typeinfo>

void TPersistent::Assign(const TPersistent &) {}

TUDataItem::TUDataItem(const TUDataKey &AID, const QString &ATitle, TColor AColor)
    : FID(AID), FTitle(ATitle), FColor(AColor)
{
}

void TUDataItem::Assign(const TPersistent &Source)
{
    if (const auto *s = dynamic_cast<const TUDataItem *>(&Source)) {
        FID = s->FID;
        FTitle = s->FTitle;
        FColor = s->FColor;
    }
}

void TUDataItem::SetDefault()
{
    FID.Clear();
    FTitle.clear();
    FColor = clNone;
}

QString TUDataItem::ColorRGBHex() const
{
    return TUConv::ColorToRGBHex(FColor);
}

TUDataItemOrder::TUDataItemOrder() : FComparer(TUDataSource::TIDComparer::Instance()) {}

TUDataItemOrder::TUDataItemOrder(std::shared_ptr<const TUDataItemComparer> AComparer)
    : FComparer(std::move(AComparer))
{
    UAssert(FComparer != nullptr, QStringLiteral("AComparer must be assigned"));
}

const std::shared_ptr<const TUDataSource::TIDComparer> &TUDataSource::TIDComparer::Instance()
{
    static const auto instance = std::make_shared<const TIDComparer>();
    return instance;
}

const std::shared_ptr<const TUDataSource::TTitleComparer> &TUDataSource::TTitleComparer::Instance()
{
    static const auto instance = std::make_shared<const TTitleComparer>();
    return instance;
}

bool TUDataSource::TEnumeratorFilter::Execute(const TUDataItem *)
{
    return true;
}

bool TUDataSource::TEnumeratorFilterIndex::Execute(const TUDataItem *)
{
    return true;
}

TUDataSource::TUDataSource() = default;

TUDataSource::TUDataSource(std::shared_ptr<const TUComparer> AComparer, int ItemCount)
    : Base(TUDataItemOrder(std::move(AComparer)), ItemCount)
{
}

TUDataSource::~TUDataSource()
{
    // Destruction reports nothing to OnNotify, as for every list.
    if (FFreeItems)
        for (TUDataItem *item : FItems)
            delete item;
}

void TUDataSource::Clear()
{
    if (!FFreeItems) {
        Base::Clear();
        return;
    }
    // Listeners hear of each removal while the item still lives.
    const std::vector<TUDataItem *> owned = FItems;
    Base::Clear();
    for (TUDataItem *item : owned)
        delete item;
}

void TUDataSource::Assign(const TList &AList)
{
    if (&AList == this)
        return;
    Clear();
    AddRange(AList);
}

bool TUDataSource::TryGetValue(const TUDataKey &ID, TUDataItem *&Item) const
{
    if (ID.IsClear())
        return false;
    if (typeid(*Comparer().Comparer()) == typeid(TIDComparer)) {
        // The key order itself: compared inline, without a probe item or a call through the
        // comparer. A branching search, so the processor fetches ahead while an item is loading.
        const auto it = std::lower_bound(FItems.begin(), FItems.end(), ID,
                                         [](const TUDataItem *item, const TUDataKey &key) {
                                             return item->ID().Compare(key) < 0;
                                         });
        if (it == FItems.end() || (*it)->ID().Compare(ID) != 0)
            return false;
        Item = *it;
        return true;
    }
    TUDataItem probe;
    probe.SetID(ID);
    bool found = false;
    const int index = LowerBound(&probe, found);
    if (!found)
        return false;
    Item = FItems[size_t(index)];
    return true;
}

std::unique_ptr<TUDataSource::TItemEnumerator> TUDataSource::GetEnumerator(TItemEnumeratorClass EnumClass) const
{
    if (EnumClass) {
        try {
            if (auto e = EnumClass(this))
                return e;
        } catch (const std::exception &) {
            // An enumerator class that cannot start here gives way to the plain walk.
        }
    }
    return std::make_unique<TItemEnumerator>(this);
}

std::unique_ptr<TUDataSource::TTitleEnumerator> TUDataSource::GetTitleEnumerator() const
{
    return std::make_unique<TTitleEnumerator>(this);
}

void TUDataSource::Clone(TUDataSource *Another, TItemEnumeratorClass EnumClass) const
{
    UAssert(Another != nullptr, QStringLiteral("Another must be set"));
    if (Another == this)
        return; // clearing first would leave nothing to copy
    Another->Clear();
    const auto e = GetEnumerator(EnumClass);
    while (e->MoveNext())
        Another->Add(e->Current());
}

TUDataSource::TItemEnumerator::TItemEnumerator(const TUDataSource *AList) : FList(AList)
{
    UAssert(AList != nullptr, QStringLiteral("AList must be assigned"));
}

bool TUDataSource::TItemEnumerator::MoveNext()
{
    const int count = FList->Count();
    while (FIndex + 1 < count) {
        ++FIndex;
        if (!FFilter || FFilter->Execute(FList->FItems[size_t(FIndex)]))
            return true;
    }
    FIndex = count;
    return false;
}

TUDataItem *TUDataSource::TItemEnumerator::Current() const
{
    return FList->Items(FIndex);
}

// The copy holds what adding the items one by one in the source's order would: sorted by title,
// the first of equal titles kept. One sort instead of an insert per item, which would move the
// array about for every item of a large source.
TUDataSource::TTitleEnumerator::TTitleEnumerator(const TUDataSource *AList)
    : TItemEnumerator(AList), FData(TTitleComparer::Instance(), AList->Count())
{
    const TTitleComparer &byTitle = *TTitleComparer::Instance();
    const TUDataItemOrder &sourceOrder = AList->Comparer();
    std::vector<TUDataItem *> &items = FData.FItems;
    items.assign(AList->FItems.begin(), AList->FItems.end());
    std::sort(items.begin(), items.end(), [&](TUDataItem *l, TUDataItem *r) {
        const int c = byTitle.Compare(l, r);
        return c != 0 ? c < 0 : sourceOrder.Compare(l, r) < 0;
    });
    items.erase(std::unique(items.begin(), items.end(),
                            [&](TUDataItem *l, TUDataItem *r) { return byTitle.Compare(l, r) == 0; }),
                items.end());
    FList = &FData;
}
