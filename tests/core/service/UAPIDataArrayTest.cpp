#include "TestUtil.h"
#include "UAPIDataArray.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

std::unique_ptr<TRec<QString>> Row(std::initializer_list<QString> cells)
{
    auto row = std::make_unique<TRec<QString>>();
    for (const QString &cell : cells)
        row->Add(cell);
    return row;
}

std::unique_ptr<TUAPIKeyList> Names(std::initializer_list<const char *> names)
{
    auto list = std::make_unique<TUAPIKeyList>();
    for (const char *name : names)
        list->Add(TUAPIKey(QString::fromUtf8(name)));
    return list;
}

std::unique_ptr<TRecs<QString>> Rows(std::initializer_list<std::initializer_list<QString>> rows)
{
    auto recs = std::make_unique<TRecs<QString>>();
    for (const auto &cells : rows) {
        auto row = Row(cells);
        recs->Add(row.release());
    }
    return recs;
}

// A one-row table whose "title" column holds `text`.
struct OneCell {
    explicit OneCell(const QString &text) { table.LoadData(Rows({{text}}), *Names({"title"})); }
    TAPIDataArray table;
};

template <typename T>
struct Case {
    QString text;
    T expected;
};

// Runs `read` over each cell text and compares with the expected value.
template <typename T, typename Read>
void ExpectReads(const std::vector<Case<T>> &cases, Read read)
{
    for (const Case<T> &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const OneCell cell(c.text);
        EXPECT_EQ(read(cell.table), c.expected);
    }
}

} // namespace

TEST(APIDataArray, PositionsFromColumnNames)
{
    TAPIDataArray table;
    EXPECT_FALSE(table.IsLoaded());
    EXPECT_EQ(table.RowCount(), 0);
    for (int32_t position : table.Conv())
        EXPECT_EQ(position, -1);

    // Unknown names are skipped; a repeated name maps to its last column; the empty name and
    // a name past 32 characters name nothing.
    table.LoadData(Rows({{"1", "x", "Киев", "2", "", "q"}}),
                   *Names({"id", "bogus", "title", "id", "", "title_and_much_more_than_thirty_two"}));
    EXPECT_TRUE(table.IsLoaded());
    EXPECT_EQ(table.Conv()[dft_id], 3);
    EXPECT_EQ(table.Conv()[dft_title], 2);
    EXPECT_EQ(table.Conv()[dft_null], -1);
    EXPECT_EQ(table.AsStr(dft_id, 0), "2");
    EXPECT_EQ(table.AsStr(dft_title, 0), u"Киев"_s);
    EXPECT_FALSE(table.IsSet(dft_color, 0));
    EXPECT_TRUE(table.IsSet(dft_id, 0));
    EXPECT_FALSE(table.IsSet(dft_id, 1));
    EXPECT_FALSE(table.IsSet(dft_id, -1));

    // Reloading forgets the old positions.
    table.LoadData(Rows({}), *Names({"color"}));
    EXPECT_TRUE(table.IsLoaded()); // loaded, just empty
    EXPECT_EQ(table.RowCount(), 0);
    EXPECT_EQ(table.Conv()[dft_id], -1);
    EXPECT_EQ(table.Conv()[dft_color], 0);

    table.LoadData(nullptr, *Names({"id"}));
    EXPECT_FALSE(table.IsLoaded());
    EXPECT_EQ(table.Conv()[dft_id], 0);

    table.Clear();
    EXPECT_FALSE(table.IsLoaded());
    EXPECT_EQ(table.Conv()[dft_id], -1);
}

TEST(APIDataArray, AddRowAndSetData)
{
    TAPIDataArray table;
    table.LoadData(nullptr, *Names({"id", "title"}));
    table.AddRow(Row({"1", "a"}));
    table.AddRow(Row({"2"}));
    EXPECT_TRUE(table.IsLoaded());
    ASSERT_EQ(table.RowCount(), 2);
    EXPECT_EQ(table.AsStr(dft_title, 0), "a");
    EXPECT_EQ(table.Conv()[dft_title], 1);

    table.SetData(dft_title, 0, QStringLiteral("b"));
    EXPECT_EQ(table.GetData(dft_title, 0), "b");
    // No cell there: nothing happens, nothing grows.
    table.SetData(dft_title, 1, QStringLiteral("c"));
    table.SetData(dft_title, 5, QStringLiteral("c"));
    table.SetData(dft_color, 0, QStringLiteral("c"));
    EXPECT_EQ(table.Data()->Items(1)->Count(), 1);
    EXPECT_EQ(table.GetData(dft_title, 1), QString());

    try {
        table.AddRow(nullptr);
        FAIL() << "a missing row must be refused";
    } catch (const EUAssertion &e) {
        EXPECT_EQ(e.Message(), "RowData must be assigned");
    }
}

// An absent column, a row out of range, a row too short for the column and a field type from
// outside the enumeration all read as the empty text, converted.
TEST(APIDataArray, MissingCellsReadAsEmptyText)
{
    TAPIDataArray table;
    table.LoadData(Rows({{"5"}, {"6", "FF0000"}}), *Names({"id", "color"}));
    const struct {
        const char *what;
        TDataFieldType field;
        int row;
    } missing[] = {
        {"absent column", dft_title, 1},
        {"row past the end", dft_color, 2},
        {"negative row", dft_color, -1},
        {"short row", dft_color, 0},
        {"field type out of range", TDataFieldType(60000), 1},
    };
    for (const auto &m : missing) {
        SCOPED_TRACE(m.what);
        EXPECT_FALSE(table.IsSet(m.field, m.row) && m.field != dft_color);
        EXPECT_EQ(table.GetData(m.field, m.row), QString());
        EXPECT_TRUE(table.IsStrEmpty(m.field, m.row));
        EXPECT_EQ(table.AsInt(m.field, m.row), 0);
        EXPECT_EQ(table.AsFloat(m.field, m.row), 0.0);
        EXPECT_FALSE(table.AsBoolean(m.field, m.row));
        EXPECT_TRUE(table.AsDateTime(m.field, m.row).IsNull());
        EXPECT_EQ(table.AsState(m.field, m.row), dsNull);
        EXPECT_FALSE(table.AsDataKey(m.field, m.row).IsSet());
        EXPECT_EQ(table.AsColor(m.field, m.row, 0x123456), TColor(0x123456));
        EXPECT_FALSE(table.IsInt(m.field, m.row));
        EXPECT_FALSE(table.IsBoolean(m.field, m.row));
        EXPECT_FALSE(table.IsDateTime(m.field, m.row));
        EXPECT_FALSE(table.IsState(m.field, m.row));
        EXPECT_FALSE(table.IsDataKeySet(m.field, m.row));
    }
    EXPECT_EQ(table.AsColor(dft_color, 1, 0), TColor(0x0000FF));
}

TEST(APIDataArray, IntegersAndReals)
{
    ExpectReads<int32_t>({{"12", 12}, {"-7", -7}, {"+3", 3}, {"007", 7}, {"2147483647", 2147483647},
                          {"-2147483648", INT32_MIN}, {"2147483648", 0}, {"99999999999999999999", 0},
                          {"12a", 0}, {"1.5", 0}, {" 12", 0}, {"-", 0}, {"", 0}},
                         [](const TAPIDataArray &t) { return t.AsInt(dft_title, 0); });
    ExpectReads<bool>({{"12", true}, {"-7", true}, {"x", false}, {"1.5", false}, {"", false}},
                      [](const TAPIDataArray &t) { return t.IsInt(dft_title, 0); });
    ExpectReads<double>({{"12.5", 12.5}, {" 12.5 ", 12.5}, {"-3", -3.0}, {"12,5", 0.0}, {"abc", 0.0}, {"", 0.0}},
                        [](const TAPIDataArray &t) { return t.AsFloat(dft_title, 0); });
    ExpectReads<bool>({{"12.5", true}, {"12,5", false}, {"", false}},
                      [](const TAPIDataArray &t) { return t.IsFloat(dft_title, 0); });
}

TEST(APIDataArray, Booleans)
{
    ExpectReads<bool>({{"Y", true}, {"1", true}, {"ENABLED", true}, {"y", false}, {"enabled", false},
                       {"N", false}, {"true", false}, {" Y", false}, {"", false}},
                      [](const TAPIDataArray &t) { return t.AsBoolean(dft_title, 0); });
    ExpectReads<bool>({{"Y", true}, {"N", true}, {"1", false}, {"n", false}, {"", false}},
                      [](const TAPIDataArray &t) { return t.IsBoolean(dft_title, 0); });
}

TEST(APIDataArray, DatesAndTimes)
{
    const TDateTime moment = TDateTime::Encode(2021, 3, 4, 5, 6, 7);
    const TDateTime day = TDateTime::Encode(2021, 3, 4);
    const TDateTime time = TDateTime::FromTime(QTime(5, 6, 7));
    ExpectReads<TDateTime>({{"2021-03-04 05:06:07", moment}, {"2021-03-04", day}, {"2021-3-4 5:6:7", moment},
                            {"04.03.2021", {}}, {"2021-02-30", {}}, {"2021-03-04 25:00:00", {}},
                            {"2021-03-04T05:06:07", {}}, {"2021-03-04 05:06", TDateTime::Encode(2021, 3, 4, 5, 6)}, {"", {}}},
                           [](const TAPIDataArray &t) { return t.AsDateTime(dft_title, 0); });
    ExpectReads<TDateTime>({{"2021-03-04 05:06:07", day}, {"2021-03-04", day}, {"05:06:07", {}}},
                           [](const TAPIDataArray &t) { return t.AsDate(dft_title, 0); });
    ExpectReads<TDateTime>({{"2021-03-04 05:06:07", time}, {"05:06:07", time}, {"2021-03-04", {}}, {"5.6.7", {}}},
                           [](const TAPIDataArray &t) { return t.AsTime(dft_title, 0); });
    ExpectReads<bool>({{"2021-03-04 05:06:07", true}, {"04.03.2021", false}, {"1899-12-30", false}},
                      [](const TAPIDataArray &t) { return t.IsDateTime(dft_title, 0); });
    EXPECT_EQ(OneCell("2021-03-04 05:06:07").table.AsDateTime(dft_title, 0).ToQDateTime(),
              QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7)));
}

TEST(APIDataArray, StatesKeysAndColours)
{
    ExpectReads<TUAPIDataState>({{"ENABLED", dsEnabled}, {"disabled", dsDisabled}, {"Removed", dsRemoved},
                                 {"SYSTEM", dsSystem}, {"on", dsNull}, {"", dsNull}},
                                [](const TAPIDataArray &t) { return t.AsState(dft_title, 0); });
    ExpectReads<bool>({{"enabled", true}, {"x", false}},
                      [](const TAPIDataArray &t) { return t.IsState(dft_title, 0); });
    ExpectReads<TUDataKey>({{"15", TUDataKey(15u)}, {"AbC", TUDataKey(u"abc"_s)}, {"0", TUDataKey()}, {"", TUDataKey(QString())}},
                           [](const TAPIDataArray &t) { return t.AsDataKey(dft_title, 0); });
    ExpectReads<bool>({{"15", true}, {"abc", true}, {"0", false}, {"", false}},
                      [](const TAPIDataArray &t) { return t.IsDataKeySet(dft_title, 0); });
    ExpectReads<TColor>({{"FF0000", 0x0000FF}, {"00ff80", 0x80FF00}, {"", 0xABCDEF}},
                        [](const TAPIDataArray &t) { return t.AsColor(dft_title, 0, 0xABCDEF); });
}

TEST(APIDataArray, KeyValueRows)
{
    TAPIDataArray table;
    EXPECT_EQ(table.Rows(dft_id, dft_title, false), nullptr); // not loaded
    table.LoadData(Rows({{"A", "first"}, {"B", "second"}, {"A", "third"}, {"", "fourth"}, {"", "fifth"}}),
                   *Names({"id", "title"}));
    EXPECT_EQ(table.Rows(dft_id, dft_color, false), nullptr);
    EXPECT_EQ(table.Rows(dft_color, dft_title, true), nullptr);

    auto pairs = [](const TRecs<QString> &rows) {
        std::vector<std::pair<QString, QString>> out;
        for (const TRec<QString> *row : rows) {
            EXPECT_EQ(row->Count(), 2);
            out.emplace_back(row->Items(0), row->Items(1));
        }
        return out;
    };
    using P = std::vector<std::pair<QString, QString>>;
    const auto all = table.Rows(dft_id, dft_title, false);
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(pairs(*all), (P{{"A", "first"}, {"B", "second"}, {"A", "third"}, {"", "fourth"}, {"", "fifth"}}));
    const auto unique = table.Rows(dft_id, dft_title, true);
    ASSERT_NE(unique, nullptr);
    EXPECT_EQ(pairs(*unique), (P{{"A", "first"}, {"B", "second"}, {"", "fourth"}}));
    // The same column as key and value is allowed.
    EXPECT_EQ(pairs(*table.Rows(dft_title, dft_title, true)).front(), (std::pair<QString, QString>{"first", "first"}));

    TAPIDataArray empty;
    empty.LoadData(Rows({}), *Names({"id", "title"}));
    const auto none = empty.Rows(dft_id, dft_title, true);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->Count(), 0);
}
