#include "TestUtil.h"
#include "URecs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

template <typename List>
std::vector<typename std::decay_t<decltype(*std::declval<List>().begin())>> items(const List &list)
{
    return {list.begin(), list.end()};
}

std::vector<QString> keyTexts(const TUDataKeyList &list)
{
    std::vector<QString> out;
    for (const TUDataKey &k : list)
        out.push_back(k.ToString());
    return out;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Hash

TEST(HashLittle, MatchesTheReferenceDriverVectors)
{
    const QByteArray fourScore("Four score and seven years ago");
    EXPECT_EQ(HashLittle("", 0, 0), 0xdeadbeefu);
    EXPECT_EQ(HashLittle(fourScore.constData(), size_t(fourScore.size()), 0), 0x17770551u);
    EXPECT_EQ(HashLittle(fourScore.constData(), size_t(fourScore.size()), 1), 0xcd628161u);
}

TEST(HashLittle, TailBytesAllCount)
{
    // Lengths around the 12-byte block boundary: changing the last byte must change the hash.
    for (size_t len : {1u, 4u, 11u, 12u, 13u, 24u, 25u}) {
        SCOPED_TRACE(len);
        QByteArray a(qsizetype(len), 'x');
        QByteArray b = a;
        b[b.size() - 1] = 'y';
        EXPECT_NE(HashLittle(a.constData(), len, 0), HashLittle(b.constData(), len, 0));
        EXPECT_NE(HashLittle(a.constData(), len, 0), HashLittle(a.constData(), len - 1, 0));
    }
}

TEST(TUDataKey, HashCoversTheNumberBytesOrTheUtf16Text)
{
    const uint8_t bytes[4] = {0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(TUDataKey(0x12345678u).Hash(), HashLittle(bytes, 4, 0));

    // Hashed as the UTF-16 text, not as the stored single bytes.
    const QString text = QStringLiteral("щит №5 ёлка");
    EXPECT_EQ(TUDataKey(text).Hash(), HashLittle(text.utf16(), size_t(2 * text.size()), 0));
    EXPECT_EQ(TUDataKey(QStringLiteral("ЩИТ №5 ЁЛКА")).Hash(), TUDataKey(text).Hash());
}

// ---------------------------------------------------------------------------------------------
// Keys from texts

TEST(TUDataKey, FromText)
{
    const QString forty = QStringLiteral("ABCDEFGHIJ").repeated(4);
    const QString cyr40 = QStringLiteral("ДОСКАщитыЁ").repeated(4);
    struct Case {
        QString text;
        bool intKey;
        uint32_t number;
        bool isSet;
        QString back;
    } const cases[] = {
        {"", false, 0, false, ""},
        {"0", true, 0, false, ""},
        {"-0", true, 0, false, ""},
        {"17", true, 17, true, "17"},
        {"-1", true, 4294967295u, true, "4294967295"},
        {"+5", true, 5, true, "5"},
        {"2147483647", true, 2147483647u, true, "2147483647"},
        {"-2147483648", true, 2147483648u, true, "2147483648"},
        {"2147483648", false, 0, true, "2147483648"},
        {"4000000000", false, 0, true, "4000000000"},
        {"-2147483649", false, 0, true, "-2147483649"},
        {" 5", false, 0, true, " 5"},
        {"5 ", false, 0, true, "5 "},
        {"-", false, 0, true, "-"},
        {"1e3", false, 0, true, "1e3"},
        {"AbC", false, 0, true, "abc"},
        {forty, false, 0, true, forty.left(32).toLower()},
        {QStringLiteral("Щит №5"), false, 0, true, QStringLiteral("щит №5")},
        {cyr40, false, 0, true, cyr40.left(32).toLower()},
        {QStringLiteral("a€中"), false, 0, true, QStringLiteral("a€?")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const TUDataKey key(c.text);
        EXPECT_EQ(key.IntKey(), c.intKey);
        EXPECT_EQ(uint32_t(key), c.number);
        EXPECT_EQ(key.IsSet(), c.isSet);
        EXPECT_EQ(key.IsClear(), !c.isSet);
        EXPECT_EQ(key.ToString(), c.back);
        EXPECT_LE(key.Str().size(), TUDataKey::MaxStrLength);
    }
}

TEST(TUDataKey, LowerCasesEveryCyrillicLetterOfTheCodePage)
{
    const std::pair<QChar, unsigned char> cases[] = {
        {u'А', 0xE0}, {u'Я', 0xFF}, {u'Ё', 0xB8}, {u'Ђ', 0x90}, {u'Ѓ', 0x83}, {u'Є', 0xBA},
        {u'І', 0xB3}, {u'Ї', 0xBF}, {u'Ґ', 0xB4}, {u'Ў', 0xA2}, {u'Ѕ', 0xBE}, {u'Ј', 0xBC},
        {u'Љ', 0x9A}, {u'Њ', 0x9C}, {u'Ћ', 0x9E}, {u'Ќ', 0x9D}, {u'Џ', 0x9F}, {u'ё', 0xB8},
    };
    for (const auto &[upper, lowerByte] : cases) {
        SCOPED_TRACE(QString(upper).toStdString());
        const TUDataKey key{QString(upper)};
        ASSERT_EQ(key.Str().size(), 1);
        EXPECT_EQ(static_cast<unsigned char>(key.Str()[0]), lowerByte);
    }
}

TEST(TUDataKey, NumbersAndClearedKeys)
{
    EXPECT_EQ(TUDataKey(), TUDataKey::Default());
    EXPECT_EQ(TUDataKey(0u), TUDataKey::Create());
    EXPECT_TRUE(TUDataKey().IntKey());
    EXPECT_TRUE(TUDataKey().IsClear());
    EXPECT_EQ(TUDataKey(QStringLiteral("-1")), TUDataKey(4294967295u));

    TUDataKey key(QStringLiteral("Text"));
    key.Clear();
    EXPECT_EQ(key, TUDataKey());
    EXPECT_EQ(QString(TUDataKey(42u)), QStringLiteral("42"));
    EXPECT_EQ(uint32_t(TUDataKey(QStringLiteral("42"))), 42u);
    EXPECT_EQ(uint32_t(TUDataKey(QStringLiteral("abc"))), 0u);
}

TEST(TUDataKey, CompareOrdersNumbersThenTexts)
{
    // Ascending; the cleared key and the empty text key are both unset but different keys.
    const TUDataKey ascending[] = {
        TUDataKey(),         TUDataKey(1u),        TUDataKey(2u),         TUDataKey(QStringLiteral("-2")),
        TUDataKey(QStringLiteral("-1")), TUDataKey(QStringLiteral("")), TUDataKey(QStringLiteral("a")),
        TUDataKey(QStringLiteral("ab")), TUDataKey(QStringLiteral("b")), TUDataKey(QStringLiteral("z9")),
        TUDataKey(QStringLiteral("а")), // Cyrillic: single byte 0xE0, after every ASCII letter
    };
    const int n = int(std::size(ascending));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            SCOPED_TRACE(testing::Message() << i << " vs " << j);
            const int c = ascending[i].Compare(ascending[j]);
            EXPECT_EQ(c < 0, i < j);
            EXPECT_EQ(c > 0, i > j);
            EXPECT_EQ(ascending[i].TheSame(ascending[j]), i == j);
        }
    EXPECT_TRUE(TUDataKey(QStringLiteral("ABC")).TheSame(TUDataKey(QStringLiteral("abc"))));
}

// ---------------------------------------------------------------------------------------------
// Lists

namespace {

using Notice = std::pair<int, TCollectionNotification>;

// A sorted list of numbers that records what it reports.
struct RecordingList : testing::Test {
    TRecSorted<int> list{10, 20, 30};
    std::vector<Notice> notices;

    void SetUp() override
    {
        list.SetOnNotify([this](const int &item, TCollectionNotification action) {
            notices.emplace_back(item, action);
        });
    }
};

} // namespace

TEST_F(RecordingList, SortedInsertReportsEachSlotStep)
{
    struct Case {
        int value;
        int index;
        std::vector<Notice> notices;
    } const cases[] = {
        {15, 1, {{30, cnAdded}, {30, cnRemoved}, {20, cnAdded}, {20, cnRemoved}, {15, cnAdded}}},
        {5, 0, {{30, cnAdded}, {30, cnRemoved}, {20, cnAdded}, {20, cnRemoved}, {10, cnAdded},
                {10, cnRemoved}, {5, cnAdded}}},
        {25, 2, {{30, cnAdded}, {30, cnRemoved}, {25, cnAdded}}},
        {35, 3, {{30, cnAdded}, {30, cnRemoved}, {35, cnAdded}}},
        {20, -1, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value);
        list.Assign({10, 20, 30});
        notices.clear();
        EXPECT_EQ(list.Add(c.value), c.index);
        EXPECT_EQ(notices, c.notices);
        // The net effect is the single insertion.
        std::vector<int> expected{10, 20, 30};
        if (c.index >= 0)
            expected.insert(expected.begin() + c.index, c.value);
        EXPECT_EQ(items(list), expected);
    }
}

TEST_F(RecordingList, EmptyListReceivesOneAddition)
{
    list.Clear();
    notices.clear();
    EXPECT_EQ(list.Add(7), 0);
    EXPECT_EQ(notices, (std::vector<Notice>{{7, cnAdded}}));
}

TEST_F(RecordingList, EveryChangeIsReported)
{
    notices.clear();
    list.SetItems(1, 21);
    list.Delete(0);
    EXPECT_EQ(list.Extract(30), 30);
    list.AddLast(40);
    list.Clear();
    EXPECT_EQ(notices, (std::vector<Notice>{{20, cnRemoved}, {21, cnAdded}, {10, cnRemoved},
                                            {30, cnExtracted}, {40, cnAdded}, {21, cnRemoved},
                                            {40, cnRemoved}}));
}

TEST(TRec, OutOfRangeRaisesAndChangesNothing)
{
    TRec<QString> list{QStringLiteral("a"), QStringLiteral("b")};
    EXPECT_THROW(list.Items(-1), EArgumentOutOfRange);
    EXPECT_THROW(list.Items(2), EArgumentOutOfRange);
    EXPECT_THROW(list.Delete(2), EArgumentOutOfRange);
    EXPECT_THROW(list.SetItems(2, QString()), EArgumentOutOfRange);
    EXPECT_THROW(list.Insert(3, QString()), EArgumentOutOfRange);
    EXPECT_EQ(items(list), (std::vector<QString>{"a", "b"}));
    list.SetItems(0, list[0]);
    EXPECT_EQ(list[0], "a");
    EXPECT_EQ(list.High(), 1);
    EXPECT_TRUE(list.IsValidIndex(1));
    EXPECT_FALSE(list.IsValidIndex(2));
    EXPECT_EQ(TRec<int>().High(), -1);
}

TEST(TRecSorted, BuiltFromAnArrayIsSortedAndDuplicateFree)
{
    TRecSorted<int> list{3, 1, 2, 1};
    EXPECT_EQ(items(list), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(list.FindFast(2));
    EXPECT_FALSE(list.FindFast(4));
    bool exists = true;
    EXPECT_EQ(list.AddIndex(4, exists), 3);
    EXPECT_FALSE(exists);
    EXPECT_EQ(list.AddIndex(2, exists), 1);
    EXPECT_TRUE(exists);
    EXPECT_TRUE(list.RemoveFast(2));
    EXPECT_FALSE(list.RemoveFast(2));
    EXPECT_EQ(items(list), (std::vector<int>{1, 3}));
}

TEST(TRecSorted, AddIndexIsTheLowerBoundForEverySize)
{
    for (int size = 0; size <= 17; ++size) {
        TRecSorted<int> list;
        std::vector<int> plain;
        for (int i = 0; i < size; ++i) {
            list.AddLast(2 * i);
            plain.push_back(2 * i);
        }
        for (int probe = -1; probe <= 2 * size; ++probe) {
            SCOPED_TRACE(testing::Message() << size << " items, probe " << probe);
            bool exists = false;
            const auto expected = std::lower_bound(plain.begin(), plain.end(), probe);
            EXPECT_EQ(list.AddIndex(probe, exists), expected - plain.begin());
            EXPECT_EQ(exists, probe >= 0 && probe % 2 == 0 && probe < 2 * size);
        }
    }
}

TEST(TUDataKeyList, KeepsOneCopyOfEachKeyInOrder)
{
    TUDataKeyList list;
    EXPECT_EQ(list.Add(TUDataKey(QStringLiteral("Abc"))), 0);
    EXPECT_EQ(list.Add(TUDataKey(QStringLiteral("aBC"))), -1);
    EXPECT_EQ(list.Add(5u), 0);
    EXPECT_EQ(list.Add(5u), -1);

    TRec<int32_t> numbers{3, 1, -1};
    list.AddRange(numbers);
    EXPECT_EQ(keyTexts(list), (std::vector<QString>{"1", "3", "5", "4294967295", "abc"}));

    list.Assign(numbers);
    EXPECT_EQ(keyTexts(list), (std::vector<QString>{"1", "3", "4294967295"}));
    list.Assign(TRec<QString>{"B", "a", "2", "b"});
    EXPECT_EQ(keyTexts(list), (std::vector<QString>{"2", "a", "b"}));
}

TEST(TUDataKeyList, TheSameIsSetEquality)
{
    const TUDataKeyList a{1u, 2u};
    const TUDataKeyList b{2u, 1u};
    const TUDataKeyList c{1u, 3u};
    const TUDataKeyList d{1u};
    EXPECT_TRUE(a.TheSame(&b));
    EXPECT_FALSE(a.TheSame(&c));
    EXPECT_FALSE(a.TheSame(&d));
    EXPECT_FALSE(a.TheSame(nullptr));
}

// ---------------------------------------------------------------------------------------------
// Tables and dictionaries

TEST(TRecs, FindsCellsAndExtractsColumns)
{
    TRecs<QString> table;
    table.AddPair("k1", "v1");
    table.AddOne("solo");
    table.AddPair("k2", "v1");
    EXPECT_EQ(table.High(), 2);
    EXPECT_EQ(table.IndexOfItem("v1"), 0);
    EXPECT_EQ(table.IndexOfItem("v1", 0, 1), 2);
    EXPECT_EQ(table.IndexOfItem("V1"), -1);
    EXPECT_EQ(table.IndexOfItem("k1", 1), 0); // the cell position does not narrow the search
    EXPECT_EQ(table.IndexOfItem("k1", 0, 5), -1);
    EXPECT_TRUE(table.SubItemContains("solo"));
    EXPECT_FALSE(table.SubItemContains("k1", 0, 1));

    const auto keys = table.ToRec(0);
    EXPECT_EQ(items(*keys), (std::vector<QString>{"k1", "solo", "k2"}));
    EXPECT_THROW(table.ToRec(1), EArgumentOutOfRange); // the one-cell row
}

TEST(TRecs, OwnsItsRowsWhileFreeItemsIsSet)
{
    // Under the sanitizers a leaked, double-freed or early-freed row fails this test.
    TRecs<QString> table;
    table.AddPair("a", "b");
    table.AddPair("c", "d");
    table.AddOne("e");
    table.Delete(0);
    table.SetItems(0, new TRec<QString>{"x"});
    std::unique_ptr<TRec<QString>> kept(table.Extract(table.Items(1)));
    EXPECT_EQ(items(*kept), (std::vector<QString>{"e"}));
    EXPECT_EQ(table.Count(), 1);
    TRecManager::Explode("1;2|3", &table, "|", ";"); // clears the old rows first
    EXPECT_EQ(table.Count(), 2);

    TRec<QString> *borrowed = nullptr;
    {
        TRecs<QString> lender;
        borrowed = lender.AddOne("z");
        lender.SetFreeItems(false);
    }
    std::unique_ptr<TRec<QString>> owned(borrowed);
    EXPECT_EQ(owned->First(), "z");
}

TEST(TRecs, RowsHeldTwiceOrWrittenBackAreFreedOnce)
{
    // Under the sanitizers an early or double free fails this test.
    TRecs<QString> table;
    TRec<QString> *a = table.AddOne("a");
    table.AddOne("b");
    table.SetItems(0, table.Items(0)); // back into its own slot
    EXPECT_EQ(table.Items(0)->First(), "a");
    table.Add(a); // the same row in a second slot
    table.Delete(2);
    EXPECT_EQ(a->First(), "a");
    table.SetItems(1, a); // "b" is freed, "a" now fills both slots
    int removed = 0;
    table.SetOnNotify([&](TRec<QString> *const &, TCollectionNotification action) { removed += action == cnRemoved; });
    table.Clear();
    EXPECT_EQ(removed, 2);
    EXPECT_EQ(table.Count(), 0);
    table.Add(table.AddOne("c")); // destruction with a row held twice
}

TEST(TKeyValue, MissingKeyGivesTheEmptyValue)
{
    TKeyValue<QString> map;
    map.SetKeyValue("Key", "one");
    map.SetKeyValue("Key", "two");
    EXPECT_EQ(map.GetKeyValue("Key"), "two");
    EXPECT_EQ(map.GetKeyValue("key"), QString());
    EXPECT_EQ(map.Count(), 1);
}

namespace {

struct Tracked {
    int hits = 0;
    bool fresh = false;
};

struct TrackedDictionary : TDataKeyDictionary<Tracked> {
protected:
    void DefaultValue(Tracked &value) const override { value.fresh = true; }
};

} // namespace

TEST(TDataKeyDictionary, LooksUpByKeyAndFillsDefaults)
{
    TrackedDictionary dict;
    dict.SetKeyValue(TUDataKey(QStringLiteral("Doc")), {3, false});
    dict.SetKeyValue(TUDataKey(7u), {1, false});
    dict.SetKeyValue(TUDataKey(QStringLiteral("7")), {2, false}); // same key as the number 7

    EXPECT_EQ(dict.Count(), 2);
    EXPECT_EQ(dict.GetKeyValue(TUDataKey(QStringLiteral("DOC"))).hits, 3);
    EXPECT_EQ(dict.GetKeyValue(TUDataKey(7u)).hits, 2);
    const Tracked missing = dict.GetKeyValue(TUDataKey(QStringLiteral("none")));
    EXPECT_TRUE(missing.fresh);
    EXPECT_EQ(missing.hits, 0);
    EXPECT_FALSE(dict.ContainsKey(TUDataKey(QStringLiteral("none"))));
    EXPECT_TRUE(dict.Remove(TUDataKey(7u)));
    EXPECT_EQ(dict.Find(TUDataKey(7u)), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Explode and Implode

TEST(TRecManager, ExplodeTexts)
{
    struct Case {
        QString str;
        QString sep;
        std::vector<QString> pieces;
    } const cases[] = {
        {"", ",", {}},
        {"a", ",", {"a"}},
        {"a,b", ",", {"a", "b"}},
        {"a,b,", ",", {"a", "b", ""}},
        {",", ",", {"", ""}},
        {",a", ",", {"", "a"}},
        {"a,,b", ",", {"a", "", "b"}},
        {"a,,", ",", {"a", "", ""}},
        {"a\rb\r", "\r", {"a", "b", ""}},
        {"a::b::", "::", {"a", "b", ""}},
        {"a,b", "", {"a,b"}},
    };
    TRec<QString> list{"stale"};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.str.toStdString());
        TRecManager::Explode(c.str, &list, c.sep);
        EXPECT_EQ(items(list), c.pieces);
    }
}

TEST(TRecManager, ExplodeIntegers)
{
    struct Case {
        QString str;
        bool skip;
        std::vector<int32_t> values;
    } const cases[] = {
        {"1,x,3", false, {1, 0, 3}},
        {"1,x,3", true, {1, 3}},
        {"1,2,", false, {1, 2, 0}},
        {"1,2,", true, {1, 2}},
        {"-5,,7", false, {-5, 0, 7}},
        {"-5,,7", true, {-5, 7}},
        {"2147483647,2147483648, 4", false, {2147483647, 0, 0}},
        {"", false, {}},
    };
    TRec<int32_t> list{99};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.str.toStdString() + (c.skip ? " skip" : ""));
        TRecManager::Explode(c.str, &list, ",", c.skip);
        EXPECT_EQ(items(list), c.values);
    }
}

TEST(TRecManager, ExplodeReals)
{
    struct Case {
        QString str;
        bool skip;
        std::vector<double> values;
    } const cases[] = {
        {"1.5, 2 ,x,-0.25,", false, {1.5, 2, 0, -0.25, 0}},
        {"1.5, 2 ,x,-0.25,", true, {1.5, 2, -0.25}},
        {"1,,2.5e1", false, {1, 0, 25}},
        {"1,,2.5e1", true, {1, 25}},
    };
    TRec<double> reals{9.0};
    TRec<long double> extended{9.0L};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.str.toStdString() + (c.skip ? " skip" : ""));
        TRecManager::Explode(c.str, &reals, ",", c.skip);
        EXPECT_EQ(items(reals), c.values);
        TRecManager::Explode(c.str, &extended, ",", c.skip);
        EXPECT_EQ(items(extended), std::vector<long double>(c.values.begin(), c.values.end()));
    }
    // A decimal comma is not a number, whatever the locale.
    TRecManager::Explode("1,5", &reals, ";", false);
    EXPECT_EQ(items(reals), (std::vector<double>{0}));
}

TEST(TRecManager, ImplodeReals)
{
    const TRec<double> reals{0.1, -2.5, 3, 1.0 / 3};
    const TRec<long double> extended{0.1L, -2.5L, 3, 1.0L / 3};
    EXPECT_EQ(TRecManager::Implode(&reals, ","), "0.1,-2.5,3,0.333333333333333");
    EXPECT_EQ(TRecManager::Implode(&extended, ";", 2), "0.1;-2.5");

    TRec<double> back;
    TRecManager::Explode(TRecManager::Implode(&reals, ","), &back, ",", false);
    EXPECT_EQ(back.Count(), 4);
    EXPECT_EQ(back[1], -2.5);
}

TEST(TRecManager, ExplodeKeysSortsAndDropsDuplicates)
{
    TUDataKeyList keys;
    TRecManager::Explode("3,1,2,1", &keys, ",");
    EXPECT_EQ(keyTexts(keys), (std::vector<QString>{"1", "2", "3"}));
    EXPECT_EQ(TRecManager::Implode(&keys, ","), "1,2,3");

    TRecManager::Explode("B,a,,b,", &keys, ",");
    ASSERT_EQ(keys.Count(), 3); // "" once, as an unset text key
    EXPECT_FALSE(keys[0].IsSet());
    EXPECT_EQ(TRecManager::Implode(&keys, ";"), ";a;b");
}

TEST(TRecManager, ExplodeTable)
{
    TRecs<QString> table;
    TRecManager::Explode("a=1\rb=2\r\rc\r", &table, "\r", "=");
    ASSERT_EQ(table.Count(), 5);
    EXPECT_EQ(items(*table[0]), (std::vector<QString>{"a", "1"}));
    EXPECT_EQ(items(*table[1]), (std::vector<QString>{"b", "2"}));
    EXPECT_EQ(table[2]->Count(), 0);
    EXPECT_EQ(items(*table[3]), (std::vector<QString>{"c"}));
    EXPECT_EQ(table[4]->Count(), 0);
}

TEST(TRecManager, Implode)
{
    const TRec<QString> abc{"a", "b", "c"};
    const TRec<QString> withEmpty{"", "b", ""};
    const TRec<QString> none;
    struct Case {
        const TRec<QString> *list;
        QString sep;
        int maxItems;
        QString text;
    } const cases[] = {
        {&abc, ",", 0, "a,b,c"}, {&abc, ",", 2, "a,b"},   {&abc, ",", 3, "a,b,c"},
        {&abc, ",", 5, "a,b,c"}, {&abc, "", 0, "abc"},    {&abc, "\r\n", 0, "a\r\nb\r\nc"},
        {&none, ",", 0, ""},     {&withEmpty, ",", 0, ",b,"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(TRecManager::Implode(c.list, c.sep, c.maxItems), c.text);
    }
    const TRec<int32_t> numbers{-5, 0, 12};
    EXPECT_EQ(TRecManager::Implode(&numbers, ",", 0), "-5,0,12");
}

TEST(TRecManager, MissingListIsAnAssertion)
{
    const std::vector<std::function<void()>> calls = {
        [] { TRecManager::Explode("a", static_cast<TRec<QString> *>(nullptr), ","); },
        [] { TRecManager::Explode("1", static_cast<TRec<int32_t> *>(nullptr), ",", true); },
        [] { TRecManager::Explode("1", static_cast<TRec<double> *>(nullptr), ",", true); },
        [] { TRecManager::Explode("1", static_cast<TRec<long double> *>(nullptr), ",", true); },
        [] { TRecManager::Explode("1", static_cast<TUDataKeyList *>(nullptr), ","); },
        [] { TRecManager::Explode("1", static_cast<TRecs<QString> *>(nullptr), ",", "="); },
        [] { TRecManager::Implode(static_cast<const TRec<QString> *>(nullptr), ","); },
        [] { TRecManager::Implode(static_cast<const TRec<int32_t> *>(nullptr), ","); },
        [] { TRecManager::Implode(static_cast<const TRec<double> *>(nullptr), ","); },
        [] { TRecManager::Implode(static_cast<const TRec<long double> *>(nullptr), ","); },
        [] { TRecManager::Implode(static_cast<const TUDataKeyList *>(nullptr), ","); },
    };
    for (size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(i);
        try {
            calls[i]();
            ADD_FAILURE() << "no assertion";
        } catch (const EUAssertion &e) {
            EXPECT_EQ(e.Message(), "AList must be assigned");
        }
    }
}
