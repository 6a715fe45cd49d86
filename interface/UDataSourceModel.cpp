#include "UDataSourceModel.h"

#include "UAPITypes.h"
#include "UGraphics.h"

#include <QColor>
#include <QHeaderView>
#include <QTableView>

#include <algorithm>
#include <unordered_map>
#include <utility>

TUDataSourceModel::TUDataSourceModel(const TUDataSource *Source, std::vector<TUDataSourceColumn> Columns,
                                     QObject *parent)
    : QAbstractTableModel(parent), FSource(Source), FColumns(std::move(Columns))
{
    Rebuild();
    Filter(false);
}

TUDataSourceModel::~TUDataSourceModel() = default;

void TUDataSourceModel::SetSource(const TUDataSource *Source)
{
    beginResetModel();
    FSource = Source;
    Rebuild();
    Filter(false);
    endResetModel();
}

void TUDataSourceModel::Refresh()
{
    SetSource(FSource);
}

void TUDataSourceModel::SetTitleFilter(const QString &Pattern)
{
    if (Pattern == FMatch.Query())
        return;
    TUTitleMatch match(Pattern);
    const bool narrow = match.Narrows(FMatch);
    FMatch = std::move(match);
    // Rows chosen aside: a keystroke that leaves them as they were costs the views nothing.
    std::vector<TUDataItem *> rows = Filtered(narrow);
    if (rows == FRows)
        return;
    beginResetModel();
    FRows = std::move(rows);
    endResetModel();
}

void TUDataSourceModel::SetItemFilter(std::function<bool(const TUDataItem *)> Filter)
{
    beginResetModel();
    FItemFilter = std::move(Filter);
    this->Filter(false);
    endResetModel();
}

TUDataItem *TUDataSourceModel::Item(int Row) const
{
    return Row >= 0 && Row < int(FRows.size()) ? FRows[size_t(Row)] : nullptr;
}

TUDataItem *TUDataSourceModel::Item(const QModelIndex &Index) const
{
    return Index.isValid() && Index.model() == this ? Item(Index.row()) : nullptr;
}

int TUDataSourceModel::RowOf(const TUDataItem *Item) const
{
    const auto it = std::find(FRows.begin(), FRows.end(), Item);
    return it == FRows.end() ? -1 : int(it - FRows.begin());
}

int TUDataSourceModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(FRows.size());
}

int TUDataSourceModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(FColumns.size());
}

QVariant TUDataSourceModel::data(const QModelIndex &index, int role) const
{
    const TUDataItem *item = Item(index);
    if (!item || index.column() >= int(FColumns.size()))
        return {};
    const TUDataSourceColumn &column = FColumns[size_t(index.column())];
    if (column.Data) {
        QVariant own = column.Data(item, role);
        if (own.isValid())
            return own;
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return column.Text ? column.Text(item) : QString();
    case Qt::ForegroundRole:
    case Qt::DecorationRole:
        // The title column carries the item's colour, as the kit's lists show it.
        if (index.column() == 0 && item->Color() != clNone)
            return ToQColor(item->Color());
        return {};
    default:
        return {};
    }
}

QVariant TUDataSourceModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section < 0 || section >= int(FColumns.size()))
        return {};
    return FColumns[size_t(section)].Header;
}

bool TUDataSourceModel::HasColors() const
{
    return std::any_of(FOrder.begin(), FOrder.end(), [](const TUDataItem *item) { return item->Color() != clNone; });
}

void TUDataSourceModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= int(FColumns.size()))
        column = -1;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<TUDataItem *> persistent;
    persistent.reserve(size_t(before.size()));
    for (const QModelIndex &index : before)
        persistent.push_back(Item(index.row()));

    FSortColumn = column;
    FSortOrder = order;
    Rebuild(); // from the source's order, so that ties stay in it
    Filter(false);

    // The views' current and selected rows follow their items; rows filtered out are dropped.
    if (!before.isEmpty()) {
        // One look-up per index, not a search of the rows for each.
        std::unordered_map<const TUDataItem *, int> rowOf;
        rowOf.reserve(persistent.size());
        for (const TUDataItem *item : persistent)
            rowOf.emplace(item, -1);
        for (size_t r = 0; r < FRows.size(); ++r)
            if (const auto it = rowOf.find(FRows[r]); it != rowOf.end())
                it->second = int(r);
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i) {
            const int row = persistent[size_t(i)] ? rowOf[persistent[size_t(i)]] : -1;
            after.push_back(row < 0 ? QModelIndex() : index(row, before[i].column()));
        }
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TUDataSourceModel::Rebuild()
{
    FOrder.clear();
    if (FSource) {
        // The pointers only: the items themselves lie all over the heap.
        FOrder.reserve(size_t(FSource->Count()));
        for (int i = 0; i < FSource->Count(); ++i)
            FOrder.push_back((*FSource)[i]);
    }
    if (FSortColumn >= 0)
        SortOrderVector();
}

// Stable, so items that compare equal keep the source's order (by key) in both directions.
void TUDataSourceModel::SortOrderVector()
{
    const TUDataSourceColumn &column = FColumns[size_t(FSortColumn)];
    const bool descending = FSortOrder == Qt::DescendingOrder;
    if (column.Compare) {
        std::stable_sort(FOrder.begin(), FOrder.end(), [&](const TUDataItem *l, const TUDataItem *r) {
            const int c = column.Compare(l, r);
            return descending ? c > 0 : c < 0;
        });
        return;
    }
    // Each text made once, not at every comparison: a key column's text is a lookup.
    std::vector<std::pair<QString, TUDataItem *>> keyed;
    keyed.reserve(FOrder.size());
    for (TUDataItem *item : FOrder)
        keyed.emplace_back(column.Text ? column.Text(item) : QString(), item);
    std::stable_sort(keyed.begin(), keyed.end(), [descending](const auto &l, const auto &r) {
        const int c = QString::compare(l.first, r.first, Qt::CaseSensitive);
        return descending ? c > 0 : c < 0;
    });
    for (size_t i = 0; i < keyed.size(); ++i)
        FOrder[i] = keyed[i].second;
}

bool TUDataSourceModel::Accepts(const TUDataItem *Item) const
{
    return (!FItemFilter || FItemFilter(Item)) && FMatch(Item->Title());
}

void TUDataSourceModel::Filter(bool Narrow)
{
    FRows = Filtered(Narrow);
}

std::vector<TUDataItem *> TUDataSourceModel::Filtered(bool Narrow) const
{
    std::vector<TUDataItem *> rows;
    if (Narrow) {
        // The rows shown passed the item filter and a wider pattern, and stay in order.
        rows.reserve(FRows.size());
        for (TUDataItem *item : FRows)
            if (FMatch(item->Title()))
                rows.push_back(item);
        return rows;
    }
    if (!FItemFilter && FMatch.Query().isEmpty())
        return FOrder;
    for (TUDataItem *item : FOrder)
        if (Accepts(item))
            rows.push_back(item);
    return rows;
}

void PrepareDataSourceView(QTableView *View)
{
    View->setSelectionBehavior(QAbstractItemView::SelectRows);
    View->setWordWrap(false);
    View->verticalHeader()->hide();
    View->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Sorting by a click, as setSortingEnabled gives it, without the sort by the first column
    // that setSortingEnabled starts with.
    QHeaderView *columns = View->horizontalHeader();
    columns->setHighlightSections(false);
    columns->setSortIndicator(-1, Qt::AscendingOrder);
    columns->setSortIndicatorShown(true);
    columns->setSectionsClickable(true);
    QObject::connect(columns, &QHeaderView::sortIndicatorChanged, View, [View](int Section, Qt::SortOrder Order) {
        if (View->model())
            View->model()->sort(Section, Order);
    });
}
