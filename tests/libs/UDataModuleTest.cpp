#include "TestUtil.h"
#include "UDataModule.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <stdexcept>
#include <typeinfo>
#include <vector>

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

using TSource = TUDataSource;

// Items owned by the test; sources that do not own them only refer to them.
struct Items {
    std::vector<std::unique_ptr<TUDataItem>> all;

    TUDataItem *make(const TUDataKey &id, const QString &title = QString())
    {
        all.push_back(std::make_unique<TUDataItem>(id, title));
        return all.back().get();
    }
};

QStringList titles(TSource::TItemEnumerator &e)
{
    QStringList out;
    for (TUDataItem *item : e)
        out << item->Title();
    return out;
}

std::vector<QString> keys(const TSource &source)
{
    std::vector<QString> out;
    for (TUDataItem *item : source)
        out.push_back(item->ID().ToString());
    return out;
}

// An item that counts its destructions, to see who frees what.
struct CountedItem : TUDataItem {
    explicit CountedItem(uint32_t id, int *destroyed) : TUDataItem(id, QString()), FDestroyed(destroyed) {}
    ~CountedItem() override { ++*FDestroyed; }
    int *FDestroyed;
};

// Accepts items with even number keys.
struct EvenFilter : TSource::TEnumeratorFilter {
    bool Execute(const TUDataItem *Item) override { return uint32_t(Item->ID()) % 2 == 0; }
};

struct NothingFilter : TSource::TEnumeratorFilter {
    bool Execute(const TUDataItem *) override { return false; }
};

// Selects the item whose key is the carried one.
struct KeyFilter : TSource::TEnumeratorFilterIndex {
    bool Execute(const TUDataItem *Item) override { return Item->ID() == IndexedValue(); }
};

// An enumerator class that brings its own filter, as users of the sources define them.
struct EvenEnumerator : TSource::TItemEnumerator {
    explicit EvenEnumerator(const TSource *AList) : TItemEnumerator(AList) { SetFilter(&FEven); }
    EvenFilter FEven;
};

struct FailingEnumerator : TSource::TItemEnumerator {
    explicit FailingEnumerator(const TSource *AList) : TItemEnumerator(AList)
    {
        throw std::runtime_error("cannot walk this source");
    }
};

std::unique_ptr<TSource::TItemEnumerator> noEnumerator(const TSource *)
{
    return nullptr;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Items

TEST(TUDataItem, DefaultsAndSetDefault)
{
    TUDataItem fresh;
    EXPECT_TRUE(fresh.ID().IsClear());
    EXPECT_EQ(fresh.ID(), TUDataKey());
    EXPECT_TRUE(fresh.Title().isEmpty());
    EXPECT_EQ(fresh.Color(), 0x1FFFFFFFu);

    TUDataItem item(TUDataKey(QStringLiteral("Town")), QStringLiteral("Киев"), 0x0000FF);
    EXPECT_EQ(item.ID().ToString(), QStringLiteral("town"));
    EXPECT_EQ(item.Title(), QStringLiteral("Киев"));
    EXPECT_EQ(item.Color(), 0x0000FFu);
    item.SetDefault();
    EXPECT_EQ(item.ID(), TUDataKey());
    EXPECT_TRUE(item.Title().isEmpty());
    EXPECT_EQ(item.Color(), clNone);
}

TEST(TUDataItem, AssignCopiesFromDataItemsOnly)
{
    struct Other : TPersistent {};
    TUDataItem source(7u, QStringLiteral("семь"), 0x123456);
    TUDataItem target;
    target.Assign(source);
    EXPECT_EQ(target.ID(), TUDataKey(7u));
    EXPECT_EQ(target.Title(), QStringLiteral("семь"));
    EXPECT_EQ(target.Color(), 0x123456u);

    target.Assign(Other());
    EXPECT_EQ(target.ID(), TUDataKey(7u));
    target.Assign(target);
    EXPECT_EQ(target.Title(), QStringLiteral("семь"));
}

TEST(TUDataItem, ColorRGBHexIsRedFirst)
{
    const std::pair<TColor, const char *> cases[] = {
        {clNone, "FFFFFF"}, {0x0000FF, "FF0000"}, {0x00FF00, "00FF00"}, {0x563412, "123456"}, {0, "000000"},
    };
    for (const auto &[color, hex] : cases) {
        SCOPED_TRACE(hex);
        EXPECT_EQ(TUDataItem(1u, QString(), color).ColorRGBHex(), QString::fromLatin1(hex));
    }
}

// ---------------------------------------------------------------------------------------------
// Sources: order, uniqueness, lookup

TEST(TUDataSource, KeepsKeyOrderAndRejectsDuplicates)
{
    Items items;
    TSource source;
    EXPECT_FALSE(source.FreeItems());
    TUDataItem *first = items.make(3u, QStringLiteral("first"));
    EXPECT_EQ(source.Add(items.make(5u)), 0);
    EXPECT_EQ(source.Add(items.make(1u)), 0);
    EXPECT_EQ(source.Add(first), 1);
    EXPECT_EQ(source.Add(items.make(3u, QStringLiteral("second"))), -1);
    EXPECT_EQ(source.Add(items.make(TUDataKey(QStringLiteral("b")))), 3);
    EXPECT_EQ(source.Add(items.make(TUDataKey(QStringLiteral("A")))), 3);
    EXPECT_EQ(source.Add(items.make(TUDataKey(QStringLiteral("a")))), -1); // same key as "A"

    EXPECT_THAT(keys(source), ElementsAre("1", "3", "5", "a", "b"));
    EXPECT_EQ(source.Items(1), first);
    EXPECT_TRUE(source.FindFast(items.make(5u)));
    EXPECT_TRUE(source.RemoveFast(items.make(5u)));
    EXPECT_THAT(keys(source), ElementsAre("1", "3", "a", "b"));
}

TEST(TUDataSource, TryGetValue)
{
    // The key order as the source's own, and as a comparer derived from it, which the lookup
    // reaches through the comparer instead of comparing keys inline.
    struct DerivedKeyOrder : TUDataSource::TIDComparer {};
    Items items;
    TSource byKey;
    TSource byDerived(std::make_shared<DerivedKeyOrder>());
    for (TSource *source : {&byKey, &byDerived}) {
        for (uint32_t id : {10u, 20u, 30u})
            source->Add(items.make(id, QString::number(id)));
        source->Add(items.make(TUDataKey(QStringLiteral("Щит"))));
        source->Add(items.make(TUDataKey())); // a stored item without a key is never found
    }

    struct Case {
        TUDataKey id;
        bool found;
        QString title;
    } const cases[] = {
        {10u, true, "10"}, {30u, true, "30"}, {20u, true, "20"}, {15u, false, {}}, {40u, false, {}},
        {TUDataKey(QStringLiteral("щит")), true, {}}, {TUDataKey(QStringLiteral("20")), true, "20"},
        {TUDataKey(), false, {}}, {TUDataKey(QString()), false, {}},
    };
    TUDataItem sentinel;
    for (const TSource *source : {&byKey, &byDerived}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(c.id.ToString().toStdString());
            TUDataItem *item = &sentinel;
            EXPECT_EQ(source->TryGetValue(c.id, item), c.found);
            if (c.found) {
                EXPECT_EQ(item->ID(), c.id);
                EXPECT_EQ(item->Title(), c.title);
            } else {
                EXPECT_EQ(item, &sentinel); // untouched
            }
        }
    }
    TUDataItem *none = nullptr;
    EXPECT_FALSE(TSource().TryGetValue(1u, none));
}

TEST(TUDataSource, TypedTryGetValueChecksTheItemsClass)
{
    struct Town : TUDataItem {
        using TUDataItem::TUDataItem;
    };
    Town town(1u, QStringLiteral("town"));
    TUDataItem plain(2u, QStringLiteral("plain"));
    TSource source;
    source.Add(&town);
    source.Add(&plain);
    Town *found = nullptr;
    EXPECT_TRUE(source.TryGetValue(1u, found));
    EXPECT_EQ(found, &town);
    EXPECT_FALSE(source.TryGetValue(2u, found));
    EXPECT_EQ(found, &town);
}

TEST(TUDataSource, IndexOutOfRangeRaises)
{
    Items items;
    TSource source;
    source.Add(items.make(1u));
    EXPECT_THROW(source.Items(-1), EArgumentOutOfRange);
    EXPECT_THROW(source.Items(1), EArgumentOutOfRange);
    EXPECT_THROW(source.Delete(1), EArgumentOutOfRange);
    EXPECT_EQ(source.High(), 0);
    EXPECT_TRUE(source.IsValidIndex(0));
    EXPECT_FALSE(source.IsValidIndex(1));

    TSource::TItemEnumerator e(&source);
    EXPECT_THROW(e.Current(), EArgumentOutOfRange); // before the first item
    ASSERT_TRUE(e.MoveNext());
    EXPECT_EQ(e.Current()->ID(), TUDataKey(1u));
    EXPECT_FALSE(e.MoveNext());
    EXPECT_FALSE(e.MoveNext());
    EXPECT_THROW(e.Current(), EArgumentOutOfRange); // past the last
}

TEST(TUDataSource, MissingArgumentsAreAssertions)
{
    TSource source;
    try {
        source.Clone(nullptr);
        FAIL() << "no assertion";
    } catch (const EUAssertion &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Another must be set"));
    }
    EXPECT_THROW(TSource(nullptr), EUAssertion);
    EXPECT_THROW(TSource::TItemEnumerator(nullptr), EUAssertion);
    EXPECT_THROW(TSource::TTitleEnumerator(nullptr), EUAssertion);
}

// ---------------------------------------------------------------------------------------------
// Ownership

TEST(TUDataSource, ClearAndDestructionFreeOnlyOwnedItems)
{
    int destroyed = 0;
    std::vector<std::unique_ptr<CountedItem>> kept;
    {
        TSource source;
        for (uint32_t id = 1; id <= 3; ++id) {
            kept.push_back(std::make_unique<CountedItem>(id, &destroyed));
            source.Add(kept.back().get());
        }
        source.Clear();
        EXPECT_EQ(source.Count(), 0);
        for (auto &item : kept)
            source.Add(item.get());
    }
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(kept[2]->ID(), TUDataKey(3u)); // still alive
    kept.clear();
    ASSERT_EQ(destroyed, 3);

    destroyed = 0;
    {
        TSource source;
        source.SetFreeItems(true);
        for (uint32_t id = 1; id <= 3; ++id)
            source.Add(new CountedItem(id, &destroyed));
        // Listeners hear of each removal while the item is still there to look at.
        std::vector<uint32_t> removed;
        source.SetOnNotify([&](TUDataItem *const &item, TCollectionNotification action) {
            if (action == cnRemoved)
                removed.push_back(uint32_t(item->ID()));
        });
        source.Clear();
        EXPECT_EQ(destroyed, 3);
        EXPECT_THAT(removed, ElementsAre(1u, 2u, 3u));
        source.SetOnNotify(nullptr);

        source.Add(new CountedItem(4, &destroyed));
        source.Add(new CountedItem(5, &destroyed));
        // Assign clears first, freeing what the source owned.
        TSource other;
        auto six = std::make_unique<CountedItem>(6, &destroyed);
        other.Add(six.get());
        source.Assign(other);
        EXPECT_EQ(destroyed, 5);
        EXPECT_THAT(keys(source), ElementsAre("6"));
        source.SetFreeItems(false);
        source.Clear();
        source.SetFreeItems(true);
        source.Add(new CountedItem(7, &destroyed));
    }
    EXPECT_EQ(destroyed, 7); // 6 went with the test's pointer, 7 with the source
}

// ---------------------------------------------------------------------------------------------
// Enumeration

TEST(TUDataSource, PlainEnumerationInKeyOrder)
{
    Items items;
    TSource source;
    for (uint32_t id : {5u, 1u, 3u})
        source.Add(items.make(id, QString::number(id)));

    EXPECT_THAT(keys(source), ElementsAre("1", "3", "5"));
    for (TSource::TItemEnumeratorClass cls : {TSource::TItemEnumeratorClass(nullptr), &noEnumerator,
                                              EnumeratorClass<FailingEnumerator>,
                                              EnumeratorClass<TSource::TItemEnumerator>}) {
        auto e = source.GetEnumerator(cls);
        EXPECT_EQ(typeid(*e), typeid(TSource::TItemEnumerator));
        EXPECT_THAT(titles(*e), ElementsAre("1", "3", "5"));
    }
    EXPECT_THAT(keys(TSource()), IsEmpty());
}

TEST(TUDataSource, Filters)
{
    Items items;
    TSource source;
    for (uint32_t id = 1; id <= 6; ++id)
        source.Add(items.make(id, QString::number(id)));

    EvenFilter even;
    NothingFilter nothing;
    TSource::TEnumeratorFilter all;
    TSource::TEnumeratorFilterIndex allIndexed;
    KeyFilter byKey;
    byKey.SetIndexedValue(TUDataKey(QStringLiteral("4")));
    struct Case {
        const char *name;
        TSource::TEnumeratorFilter *filter;
        QStringList expected;
    } const cases[] = {
        {"even", &even, {"2", "4", "6"}},
        {"nothing", &nothing, {}},
        {"base", &all, {"1", "2", "3", "4", "5", "6"}},
        {"base indexed", &allIndexed, {"1", "2", "3", "4", "5", "6"}},
        {"by key", &byKey, {"4"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto e = source.GetEnumerator();
        e->SetFilter(c.filter);
        EXPECT_EQ(titles(*e), c.expected);
        EXPECT_FALSE(e->MoveNext());
    }

    auto title = source.GetTitleEnumerator();
    title->SetFilter(&nothing);
    EXPECT_FALSE(title->MoveNext());
    EXPECT_THAT(titles(*source.GetEnumerator(EnumeratorClass<EvenEnumerator>)), ElementsAre("2", "4", "6"));
}

TEST(TUDataSource, TitleOrder)
{
    struct Case {
        const char *name;
        std::vector<std::pair<uint32_t, QString>> items; // in the order they are added
        QStringList titles;
        std::vector<uint32_t> ids;
    } const cases[] = {
        {"capitals first", {{1, "b"}, {2, "A"}, {3, "a"}}, {"A", "a", "b"}, {2, 3, 1}},
        {"equal titles: the first by key", {{2, "x"}, {1, "x"}}, {"x"}, {1}},
        {"Latin before Cyrillic", {{1, "я"}, {2, "Я"}, {3, "z"}, {4, "Z"}, {5, "Ё"}, {6, "е"}},
         {"Z", "z", "Ё", "Я", "е", "я"}, {4, 3, 5, 2, 6, 1}},
        {"by code unit, not by locale", {{1, "b"}, {2, "B"}, {3, "a b"}, {4, "ab"}, {5, ""}},
         {"", "B", "a b", "ab", "b"}, {5, 2, 3, 4, 1}},
        {"empty source", {}, {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Items items;
        TSource source;
        for (const auto &[id, title] : c.items)
            source.Add(items.make(id, title));
        auto e = source.GetTitleEnumerator();
        std::vector<uint32_t> ids;
        QStringList seen;
        while (e->MoveNext()) {
            ids.push_back(uint32_t(e->Current()->ID()));
            seen << e->Current()->Title();
        }
        EXPECT_EQ(seen, c.titles);
        EXPECT_EQ(ids, c.ids);
        EXPECT_FALSE(e->Data().FreeItems());
        // The enumerator class gives the same walk.
        EXPECT_EQ(titles(*source.GetEnumerator(EnumeratorClass<TSource::TTitleEnumerator>)), c.titles);
    }
}

// The title-ordered copy must hold exactly what adding the items one by one to a title-ordered
// source gives, whatever the source's own order and however many titles repeat.
TEST(TUDataSource, TitleEnumerationMatchesOneByOneInsertion)
{
    struct Descending : TUDataItemComparer {
        int Compare(const TUDataItem *Left, const TUDataItem *Right) const override
        {
            return Right->ID().Compare(Left->ID());
        }
    };
    std::mt19937 rng(12);
    for (const bool descending : {false, true}) {
        SCOPED_TRACE(descending ? "descending keys" : "ascending keys");
        Items items;
        auto owner = descending ? std::make_unique<TSource>(std::make_shared<Descending>())
                                : std::make_unique<TSource>();
        TSource &source = *owner;
        std::uniform_int_distribution<int> pick(0, 60);
        for (uint32_t id = 1; id <= 400; ++id)
            source.Add(items.make(rng() % 1000 + 1, QStringLiteral("t%1").arg(pick(rng))));

        TSource expected(TSource::TTitleComparer::Instance());
        for (int i = 0; i < source.Count(); ++i)
            expected.Add(source[i]);
        std::vector<TUDataItem *> want(expected.Count());
        for (int i = 0; i < expected.Count(); ++i)
            want[size_t(i)] = expected[i];

        auto e = source.GetTitleEnumerator();
        std::vector<TUDataItem *> got;
        for (TUDataItem *item : *e)
            got.push_back(item);
        EXPECT_EQ(got, want);
    }
}

TEST(TUDataSource, TitleEnumeratorLeavesTheItemsAlone)
{
    int destroyed = 0;
    TSource source;
    source.SetFreeItems(true);
    source.Add(new CountedItem(1, &destroyed));
    source.Add(new CountedItem(2, &destroyed));
    source.GetTitleEnumerator().reset();
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(source.Count(), 2);
}

// ---------------------------------------------------------------------------------------------
// Clone

TEST(TUDataSource, Clone)
{
    Items items;
    TSource source;
    for (uint32_t id = 1; id <= 5; ++id)
        source.Add(items.make(id, QString::number(6 - id)));

    int destroyed = 0;
    TSource target(TSource::TTitleComparer::Instance());
    target.SetFreeItems(true);
    target.Add(new CountedItem(99, &destroyed));

    source.Clone(&target, EnumeratorClass<EvenEnumerator>);
    EXPECT_EQ(destroyed, 1); // the target's own item was freed before it took the shared ones
    ASSERT_EQ(target.Count(), 2);
    EXPECT_EQ(target[0], source[3]); // shared, not copied; ordered by the target's comparer
    EXPECT_EQ(target[1], source[1]);
    target.SetFreeItems(false);

    TSource plain;
    source.Clone(&plain);
    EXPECT_THAT(keys(plain), ElementsAre("1", "2", "3", "4", "5"));

    source.Clone(&source, EnumeratorClass<EvenEnumerator>);
    EXPECT_EQ(source.Count(), 5);
}
