#include "TestUtil.h"
#include "UConv.h"
#include "UDataSourceModel.h"
#include "UGraphics.h"
#include "UnitDataCache.h"

#include <QAbstractItemModelTester>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPersistentModelIndex>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

// Regions, town types, users, towns out of title order (keys 1..6) and clients with managers.
const char *const kRaw = R"({
  "region": [{"region": 1, "title": "Московская"}, {"region": 2, "title": "Томская"}],
  "town_type": [{"town_type": 1, "title": "город"}],
  "user": [{"login": "ivanov", "user_name": "Иванов"}, {"login": "petrova", "user_name": "Петрова"}],
  "town": [
    {"town": 1, "title": "москва", "region": 1, "town_type": 1, "population": 12000000},
    {"town": 2, "title": "Томск", "region": 2, "population": 500000},
    {"town": 3, "title": "Мытищи", "region": 1, "population": 230000},
    {"town": 4, "title": "Asino", "region": 2, "population": 25000},
    {"town": 5, "title": "Северск", "region": 2, "population": 110000},
    {"town": 6, "title": "Ёлкино", "region": 9, "population": 230000}
  ],
  "client": [
    {"client": 1, "title": "ООО «Ромашка»", "manager": "ivanov", "state": "ENABLED"},
    {"client": 2, "title": "ИП Сидоров", "manager": "petrova", "state": "DISABLED"},
    {"client": 3, "title": "АО Мост", "manager": "ivanov"},
    {"client": 4, "title": "ЗАО Без менеджера"}
  ]
})";

QJsonValue raw(const char *json) { return QJsonDocument::fromJson(json).object(); }

std::vector<QString> column(const QAbstractItemModel &model, int col = 0, int role = Qt::DisplayRole)
{
    std::vector<QString> out;
    for (int r = 0; r < model.rowCount(); ++r)
        out.push_back(model.data(model.index(r, col), role).toString());
    return out;
}

struct Fixture {
    TDataCache cache;
    Fixture() { EXPECT_TRUE(cache.LoadSet(raw(kRaw))); }
    std::unique_ptr<TUDataSourceModel> model(TDataCacheType type)
    {
        auto m = std::make_unique<TUDataSourceModel>(cache.GetData(type), DataCacheColumns(cache, type));
        // Checks every signal and answer of the model against Qt's rules, and goes with it.
        new QAbstractItemModelTester(m.get(), QAbstractItemModelTester::FailureReportingMode::Fatal, m.get());
        return m;
    }
};

} // namespace

// Rows in the source's order, key columns as the titles the cache gives, a key that is in no
// list as an empty cell.
TEST(UDataSourceModel, ShowsItemsInPlaceWithKeyColumnsAsTitles)
{
    Fixture f;
    const auto towns = f.model(ctTown);
    ASSERT_EQ(towns->rowCount(), 6);
    EXPECT_EQ(towns->ItemCount(), 6);
    ASSERT_EQ(towns->columnCount(), 5);
    EXPECT_EQ(towns->headerData(0, Qt::Horizontal).toString(), u"Наименование"_s);
    EXPECT_EQ(towns->headerData(1, Qt::Horizontal).toString(), u"Регион"_s);
    EXPECT_EQ(column(*towns), (std::vector<QString>{u"москва"_s, u"Томск"_s, u"Мытищи"_s, u"Asino"_s, u"Северск"_s, u"Ёлкино"_s}));
    EXPECT_EQ(column(*towns, 1), (std::vector<QString>{u"Московская"_s, u"Томская"_s, u"Московская"_s, u"Томская"_s, u"Томская"_s, QString()}));
    EXPECT_EQ(towns->data(towns->index(0, 2)).toString(), u"город"_s);
    EXPECT_EQ(towns->data(towns->index(0, 3)).toString(), u"12000000"_s);
    EXPECT_EQ(towns->Item(2), (*f.cache.GetData(ctTown))[2]) << "the source's own item, not a copy";
    EXPECT_EQ(towns->Item(towns->index(5, 1)), (*f.cache.GetData(ctTown))[5]);
    EXPECT_EQ(towns->Item(6), nullptr);
    EXPECT_EQ(towns->Item(QModelIndex()), nullptr);
    EXPECT_EQ(towns->RowOf((*f.cache.GetData(ctTown))[3]), 3);

    const auto clients = f.model(ctClient);
    ASSERT_EQ(clients->headerData(1, Qt::Horizontal).toString(), u"Менеджер"_s);
    EXPECT_EQ(column(*clients, 1), (std::vector<QString>{u"Иванов"_s, u"Петрова"_s, u"Иванов"_s, QString()}));
    EXPECT_EQ(column(*clients, 3), (std::vector<QString>{u"активно"_s, u"неактивно"_s, QString(), QString()}));
    EXPECT_FALSE(clients->HasColors());
    EXPECT_FALSE(clients->data(clients->index(0, 0), Qt::DecorationRole).isValid());
}

// Sorting by a text (ordinal), by a key column's title and by a number, both ways; equal
// values keep the key order either way; a column outside returns to the source's order.
TEST(UDataSourceModel, SortsEachColumnBothWaysKeepingTiesInKeyOrder)
{
    struct Case {
        int column;
        Qt::SortOrder order;
        std::vector<QString> titles;
    };
    const Case cases[] = {
        {0, Qt::AscendingOrder, {u"Asino"_s, u"Ёлкино"_s, u"Мытищи"_s, u"Северск"_s, u"Томск"_s, u"москва"_s}},
        {0, Qt::DescendingOrder, {u"москва"_s, u"Томск"_s, u"Северск"_s, u"Мытищи"_s, u"Ёлкино"_s, u"Asino"_s}},
        {1, Qt::AscendingOrder, {u"Ёлкино"_s, u"москва"_s, u"Мытищи"_s, u"Томск"_s, u"Asino"_s, u"Северск"_s}},
        {1, Qt::DescendingOrder, {u"Томск"_s, u"Asino"_s, u"Северск"_s, u"москва"_s, u"Мытищи"_s, u"Ёлкино"_s}},
        {3, Qt::AscendingOrder, {u"Asino"_s, u"Северск"_s, u"Мытищи"_s, u"Ёлкино"_s, u"Томск"_s, u"москва"_s}},
        {3, Qt::DescendingOrder, {u"москва"_s, u"Томск"_s, u"Мытищи"_s, u"Ёлкино"_s, u"Северск"_s, u"Asino"_s}},
        {-1, Qt::DescendingOrder, {u"москва"_s, u"Томск"_s, u"Мытищи"_s, u"Asino"_s, u"Северск"_s, u"Ёлкино"_s}},
    };
    Fixture f;
    const auto towns = f.model(ctTown);
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "column " << c.column << " order " << int(c.order));
        towns->sort(c.column, c.order);
        EXPECT_EQ(column(*towns), c.titles);
    }

    // A view's current row follows its item through a sort.
    towns->sort(0, Qt::AscendingOrder);
    const QPersistentModelIndex tomsk(towns->index(4, 1));
    towns->sort(0, Qt::DescendingOrder);
    EXPECT_EQ(tomsk.row(), 1);
    EXPECT_EQ(tomsk.column(), 1);
    towns->SetTitleFilter(u"с"_s);
    EXPECT_EQ(column(*towns), (std::vector<QString>{u"Северск"_s})) << "the filter keeps the sorted order";
}

// The kit's rule: the title matches the pattern followed by "*", ignoring case, Cyrillic and
// "ё" included; a pattern typed on from the last only narrows, a shorter one widens again.
TEST(UDataSourceModel, TitleFilterFollowsTheKitsWildcardRule)
{
    struct Case {
        QString pattern;
        std::vector<QString> titles;
    };
    const Case cases[] = {
        {u"м"_s, {u"москва"_s, u"Мытищи"_s}},
        {u"МО"_s, {u"москва"_s}},
        {u"мос"_s, {u"москва"_s}},
        {u"мосх"_s, {}},
        {u"м"_s, {u"москва"_s, u"Мытищи"_s}},
        {u"ё"_s, {u"Ёлкино"_s}},
        {u"*ск"_s, {u"москва"_s, u"Томск"_s, u"Северск"_s}},
        {u"*ск*к"_s, {}},
        {u"?о"_s, {u"москва"_s, u"Томск"_s}},
        {u"a"_s, {u"Asino"_s}},
        {u"*"_s, {u"москва"_s, u"Томск"_s, u"Мытищи"_s, u"Asino"_s, u"Северск"_s, u"Ёлкино"_s}},
        {QString(), {u"москва"_s, u"Томск"_s, u"Мытищи"_s, u"Asino"_s, u"Северск"_s, u"Ёлкино"_s}},
    };
    Fixture f;
    const auto towns = f.model(ctTown);
    QSignalSpy resets(towns.get(), &QAbstractItemModel::modelReset);
    std::vector<QString> shown = column(*towns);
    int changes = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.pattern.toStdString());
        towns->SetTitleFilter(c.pattern);
        changes += c.titles != std::exchange(shown, c.titles);
        EXPECT_EQ(resets.count(), changes) << "a reset for each change of the rows, and only then";
        EXPECT_EQ(column(*towns), c.titles);
        EXPECT_EQ(towns->ItemCount(), int(c.titles.size()));
        EXPECT_EQ(towns->TitleFilter(), c.pattern);
        // The same answer as the kit's matcher gives for each title.
        for (int i = 0; i < f.cache.GetData(ctTown)->Count(); ++i) {
            const TUDataItem *item = (*f.cache.GetData(ctTown))[i];
            EXPECT_EQ(towns->RowOf(item) >= 0, TUConv::StrMatchPattern(item->Title(), c.pattern + u'*', false))
                << item->Title().toStdString();
        }
    }
    EXPECT_LT(changes, int(std::size(cases))) << "some patterns above leave the rows as they were";
    towns->SetTitleFilter(u"мо"_s);
    EXPECT_EQ(towns->TitleFilter(), u"мо"_s);
    EXPECT_EQ(resets.count(), changes + 1);
}

// Towns by region, clients by manager, together with the title filter; a cleared key and the
// lists without a key filter give none.
TEST(UDataSourceModel, KeyFiltersSelectByRegionAndManager)
{
    Fixture f;
    const auto towns = f.model(ctTown);
    towns->SetItemFilter(DataCacheKeyFilter(ctTown, 2u));
    EXPECT_EQ(column(*towns), (std::vector<QString>{u"Томск"_s, u"Asino"_s, u"Северск"_s}));
    towns->SetTitleFilter(u"*ск"_s);
    EXPECT_EQ(column(*towns), (std::vector<QString>{u"Томск"_s, u"Северск"_s}));
    towns->SetItemFilter(DataCacheKeyFilter(ctTown, 1u));
    EXPECT_EQ(column(*towns), (std::vector<QString>{u"москва"_s}));
    towns->SetItemFilter(DataCacheKeyFilter(ctTown, 3u));
    EXPECT_EQ(column(*towns), std::vector<QString>{});
    towns->SetItemFilter(DataCacheKeyFilter(ctTown, TUDataKey()));
    EXPECT_EQ(column(*towns), (std::vector<QString>{u"москва"_s, u"Томск"_s, u"Северск"_s}));

    const auto clients = f.model(ctClient);
    clients->SetItemFilter(DataCacheKeyFilter(ctClient, TUDataKey(u"ivanov"_s)));
    EXPECT_EQ(column(*clients), (std::vector<QString>{u"ООО «Ромашка»"_s, u"АО Мост"_s}));
    clients->SetItemFilter(DataCacheKeyFilter(ctClient, TUDataKey(u"nobody"_s)));
    EXPECT_EQ(clients->ItemCount(), 0);

    EXPECT_FALSE(DataCacheKeyFilter(ctUser, 1u));
    EXPECT_FALSE(DataCacheKeyFilter(ctClient, TUDataKey()));
}

// A reload replaces the items: the model resets over the new ones with its sort and filters;
// Refresh does the same for the same list.
TEST(UDataSourceModel, ResetsOverAReloadedListKeepingSortAndFilters)
{
    Fixture f;
    const auto towns = f.model(ctTown);
    towns->sort(0, Qt::DescendingOrder);
    towns->SetTitleFilter(u"т"_s);
    ASSERT_EQ(column(*towns), (std::vector<QString>{u"Томск"_s}));
    QSignalSpy resets(towns.get(), &QAbstractItemModel::modelReset);

    ASSERT_TRUE(f.cache.LoadSet(raw(R"({"town": [{"town": 7, "title": "Тара"}, {"town": 8, "title": "Тюмень"},
                                                 {"town": 9, "title": "Омск"}]})")));
    towns->SetSource(f.cache.GetData(ctTown));
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(column(*towns), (std::vector<QString>{u"Тюмень"_s, u"Тара"_s}));
    EXPECT_EQ(towns->SortColumn(), 0);

    auto tver = std::make_unique<TDataTown>();
    tver->SetID(10u);
    tver->SetTitle(u"Тверь"_s);
    ASSERT_GE(f.cache.GetData(ctTown)->Add(tver.get()), 0);
    (void)tver.release(); // the list owns it now
    towns->Refresh();
    EXPECT_EQ(resets.count(), 2);
    EXPECT_EQ(column(*towns), (std::vector<QString>{u"Тюмень"_s, u"Тверь"_s, u"Тара"_s}));

    towns->SetSource(nullptr);
    EXPECT_EQ(towns->rowCount(), 0);
}

// A fixed list with colours: the title carries the colour, a colour column paints it; a list
// of one colour (black) still shows it.
TEST(UDataSourceModel, FixedListsShowTheirColours)
{
    Fixture f;
    const auto states = f.model(ctState);
    ASSERT_TRUE(states->HasColors());
    ASSERT_EQ(states->columnCount(), 2);
    EXPECT_EQ(states->headerData(1, Qt::Horizontal).toString(), u"Цвет"_s);
    // Key order: disabled, enabled, removed, system.
    EXPECT_EQ(column(*states), (std::vector<QString>{u"неактивно"_s, u"активно"_s, u"удалено"_s, u"система"_s}));
    EXPECT_EQ(states->data(states->index(1, 0), Qt::DecorationRole).value<QColor>(), ToQColor(0x800000));
    EXPECT_EQ(states->data(states->index(1, 0), Qt::ForegroundRole).value<QColor>(), ToQColor(0x800000));
    EXPECT_EQ(states->data(states->index(3, 1), Qt::BackgroundRole).value<QColor>(), ToQColor(0x008000));
    EXPECT_EQ(states->data(states->index(3, 1)).toString(), u"008000"_s);
    EXPECT_EQ(states->data(states->index(3, 1), Qt::ForegroundRole).value<QColor>(), QColor(Qt::white));
    states->sort(1, Qt::AscendingOrder);
    EXPECT_EQ(column(*states), (std::vector<QString>{u"система"_s, u"активно"_s, u"неактивно"_s, u"удалено"_s}));

    const auto kinds = f.model(ctDocType);
    EXPECT_TRUE(kinds->HasColors());
    EXPECT_EQ(kinds->data(kinds->index(0, 0), Qt::DecorationRole).value<QColor>(), QColor(Qt::black));
}

// The program's view opens a list in its key order and sorts it by a header click, both ways.
TEST(UDataSourceModel, PreparedViewOpensInKeyOrderAndSortsByAClick)
{
    Fixture f;
    const auto towns = f.model(ctTown);
    QTableView view;
    view.setModel(towns.get());
    PrepareDataSourceView(&view);
    view.resize(600, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_EQ(towns->SortColumn(), -1);
    EXPECT_EQ(towns->data(towns->index(0, 0)).toString(), u"москва"_s);

    QHeaderView *header = view.horizontalHeader();
    const QPoint title(header->sectionViewportPosition(0) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, title);
    EXPECT_EQ(towns->SortColumn(), 0);
    const QString first = towns->data(towns->index(0, 0)).toString();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, title);
    EXPECT_NE(towns->data(towns->index(0, 0)).toString(), first) << "the second click turns the order";
    EXPECT_EQ(towns->ItemCount(), 6);
}
