#pragma once

#include "UDataModule.h"
#include "UTitleMatch.h"
#include "UnitDataCache.h"

#include <QAbstractTableModel>
#include <QString>
#include <QVariant>

#include <functional>
#include <vector>

class QTableView;

// One column of a data-source table.
struct TUDataSourceColumn {
    QString Header;
    std::function<QString(const TUDataItem *)> Text;
    // Sorting by this column; empty: by Text, ordinal.
    std::function<int(const TUDataItem *, const TUDataItem *)> Compare = {};
    // The column's own answer for other roles (a colour cell, an alignment); an invalid value
    // leaves the role to the model.
    std::function<QVariant(const TUDataItem *, int Role)> Data = {};
};

// A table over a data source that reads its items in place: the rows are pointers to the
// source's items in the current sort order, narrowed by the title pattern and the item filter.
// The source stays the caller's; after it changes the caller says so (SetSource for a new or
// reloaded list, Refresh for new content in the same list) before the event loop runs again:
// until then the rows may point at freed items.
//
// A view with sorting enabled sorts at once by its header's indicator (section 0 unless set):
// set the indicator to -1 first to open a list in its key order.
//
// Sorting orders every item once; the filters then select from that order in one pass, so a
// keystroke in the title filter never sorts, a pattern that extends the previous one only
// re-checks the rows already shown, and one that leaves the rows as they were resets nothing.
class TUDataSourceModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TUDataSourceModel(const TUDataSource *Source, std::vector<TUDataSourceColumn> Columns, QObject *parent = nullptr);
    ~TUDataSourceModel() override;

    const TUDataSource *Source() const { return FSource; }
    // A new or reloaded list: the model resets, keeping its sort and filters.
    void SetSource(const TUDataSource *Source);
    // The same source changed its content.
    void Refresh();
    // The kit's wildcard rule over the item titles (the title matches Pattern followed by "*",
    // ignoring case); "" shows all.
    void SetTitleFilter(const QString &Pattern);
    const QString &TitleFilter() const { return FMatch.Query(); }
    // Key filters; empty shows all.
    void SetItemFilter(std::function<bool(const TUDataItem *)> Filter);

    // The item of a row shown now; null outside the rows.
    TUDataItem *Item(int Row) const;
    TUDataItem *Item(const QModelIndex &Index) const;
    // Rows shown now.
    int ItemCount() const { return int(FRows.size()); }
    // The row that shows Item; -1 when it is not shown.
    int RowOf(const TUDataItem *Item) const;
    const std::vector<TUDataSourceColumn> &Columns() const { return FColumns; }
    // -1 while in the source's own order.
    int SortColumn() const { return FSortColumn; }
    Qt::SortOrder SortOrder() const { return FSortOrder; }
    // Some item of the source has a colour (the title column shows each item's own).
    bool HasColors() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // A column outside the table returns to the source's order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    // FOrder from the source in the current sort.
    void Rebuild();
    void SortOrderVector();
    // FRows from FOrder, or from the rows shown when the new filter only narrows them.
    void Filter(bool Narrow);
    std::vector<TUDataItem *> Filtered(bool Narrow) const;
    bool Accepts(const TUDataItem *Item) const;

    const TUDataSource *FSource;
    std::vector<TUDataSourceColumn> FColumns;
    // Every item of the source in the sort order; the rows are taken from it.
    std::vector<TUDataItem *> FOrder;
    std::vector<TUDataItem *> FRows;
    TUTitleMatch FMatch{QString()};
    std::function<bool(const TUDataItem *)> FItemFilter;
    int FSortColumn = -1;
    Qt::SortOrder FSortOrder = Qt::AscendingOrder;
};

// How the program's lists show a data-source model: whole rows selected, rows of one height and
// no row numbers, so that a filter's keystroke costs the view nothing per row; sorting by a
// header click, the list opening in its key order.
void PrepareDataSourceView(QTableView *View);

// The standard columns of a cache list: the title, and key columns shown as titles through
// TDataCache::GetTitle (a town's region, a client's manager, ...), the colour where the list has one.
std::vector<TUDataSourceColumn> DataCacheColumns(const TDataCache &Cache, TDataCacheType Type);
// The key filters the main window offers: towns by region, clients by manager. Empty (all items)
// for a cleared key and for the other lists.
std::function<bool(const TUDataItem *)> DataCacheKeyFilter(TDataCacheType Type, const TUDataKey &Key);
