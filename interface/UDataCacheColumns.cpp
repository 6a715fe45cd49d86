// The columns and key filters of the cache's lists, as the main window shows them.
#include "UDataSourceModel.h"

#include "UAPITypes.h"
#include "UGraphics.h"

#include <QColor>

namespace {

using TColumns = std::vector<TUDataSourceColumn>;

// The lambdas hold the cache by pointer: it outlives every list shown from it.
template <class T, class Key>
TUDataSourceColumn keyColumn(const TDataCache &Cache, const QString &Header, TDataCacheType List, Key KeyOf)
{
    const TDataCache *cache = &Cache;
    return {Header, [cache, List, KeyOf](const TUDataItem *Item) {
                const auto *item = dynamic_cast<const T *>(Item);
                return item ? cache->GetTitle(List, KeyOf(*item)) : QString();
            }};
}

template <class T>
TUDataSourceColumn stateColumn(const TDataCache &Cache)
{
    return keyColumn<T>(Cache, QStringLiteral("Состояние"), ctState,
                        [](const T &Item) { return TUDataKey(ToCode(Item.State())); });
}

template <class T, class Number>
TUDataSourceColumn numberColumn(const QString &Header, Number NumberOf)
{
    TUDataSourceColumn column{Header, [NumberOf](const TUDataItem *Item) {
                                  const auto *item = dynamic_cast<const T *>(Item);
                                  return item ? QString::number(NumberOf(*item)) : QString();
                              }};
    column.Compare = [NumberOf](const TUDataItem *Left, const TUDataItem *Right) {
        const auto *l = dynamic_cast<const T *>(Left);
        const auto *r = dynamic_cast<const T *>(Right);
        const auto a = l ? NumberOf(*l) : 0, b = r ? NumberOf(*r) : 0;
        return (a > b) - (a < b);
    };
    column.Data = [](const TUDataItem *, int Role) {
        return Role == Qt::TextAlignmentRole ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    };
    return column;
}

template <class T>
TUDataSourceColumn textColumn(const QString &Header, const QString &(T::*TextOf)() const)
{
    return {Header, [TextOf](const TUDataItem *Item) {
                const auto *item = dynamic_cast<const T *>(Item);
                return item ? (item->*TextOf)() : QString();
            }};
}

// The cell painted in the item's colour, its digits in black or white, whichever reads.
TUDataSourceColumn colorColumn()
{
    TUDataSourceColumn column{QStringLiteral("Цвет"), [](const TUDataItem *Item) {
                                  return Item->Color() == clNone ? QString() : Item->ColorRGBHex();
                              }};
    column.Compare = [](const TUDataItem *Left, const TUDataItem *Right) {
        const TColor a = Left->Color(), b = Right->Color();
        return (a > b) - (a < b);
    };
    column.Data = [](const TUDataItem *Item, int Role) -> QVariant {
        if (Item->Color() == clNone)
            return {};
        const QColor color = ToQColor(Item->Color());
        if (Role == Qt::BackgroundRole)
            return color;
        if (Role == Qt::ForegroundRole)
            return color.lightness() < 128 ? QColor(Qt::white) : QColor(Qt::black);
        return {};
    };
    return column;
}

bool hasColors(const TUDataSource &List)
{
    for (int i = 0; i < List.Count(); ++i)
        if (List[i]->Color() != clNone)
            return true;
    return false;
}

} // namespace

TColumns DataCacheColumns(const TDataCache &Cache, TDataCacheType Type)
{
    TColumns columns;
    columns.push_back({QStringLiteral("Наименование"), [](const TUDataItem *Item) { return Item->Title(); }});
    switch (Type) {
    case ctTown:
        columns.push_back(keyColumn<TDataTown>(Cache, QStringLiteral("Регион"), ctRegion,
                                               [](const TDataTown &Town) { return Town.Region(); }));
        columns.push_back(keyColumn<TDataTown>(Cache, QStringLiteral("Тип"), ctTownType,
                                               [](const TDataTown &Town) { return Town.TownType(); }));
        columns.push_back(numberColumn<TDataTown>(QStringLiteral("Население"),
                                                  [](const TDataTown &Town) { return Town.Population(); }));
        columns.push_back(numberColumn<TDataTown>(QStringLiteral("Плоскостей"),
                                                  [](const TDataTown &Town) { return Town.BoardCount(); }));
        break;
    case ctClient:
        columns.push_back(keyColumn<TDataClient>(Cache, QStringLiteral("Менеджер"), ctUser,
                                                 [](const TDataClient &Client) { return Client.Manager(); }));
        columns.push_back(textColumn<TDataClient>(QStringLiteral("E-mail"), &TDataClient::GetQuillEmail));
        columns.push_back(stateColumn<TDataClient>(Cache));
        break;
    case ctUser:
        columns.push_back({QStringLiteral("Логин"), [](const TUDataItem *Item) { return Item->ID().ToString(); }});
        columns.push_back(keyColumn<TDataUser>(Cache, QStringLiteral("Роль"), ctRole,
                                               [](const TDataUser &User) { return User.Role(); }));
        columns.push_back(stateColumn<TDataUser>(Cache));
        break;
    case ctBoardFormat:
        columns.push_back(textColumn<TDataBoardFormat>(QStringLiteral("Описание"), &TDataBoardFormat::Description));
        columns.push_back(numberColumn<TDataBoardFormat>(QStringLiteral("Плоскостей"),
                                                         [](const TDataBoardFormat &F) { return F.BoardCount(); }));
        break;
    case ctOperator:
        columns.push_back(numberColumn<TDataOperator>(QStringLiteral("Плоскостей"),
                                                      [](const TDataOperator &O) { return O.BoardCount(); }));
        break;
    case ctDocTemplate:
    case ctMailTemplate:
        columns.push_back(keyColumn<TDataDocCommon>(Cache, QStringLiteral("Вид документа"), ctDocType,
                                                    [](const TDataDocCommon &Doc) {
                                                        return TUDataKey(ToCode(Doc.DocType()));
                                                    }));
        columns.push_back(stateColumn<TDataDocCommon>(Cache));
        break;
    case ctRole:
    case ctStick:
    case ctStickRC:
    case ctStickRCPT:
        columns.push_back(stateColumn<TDataHaveState>(Cache));
        break;
    default:
        break;
    }
    if (hasColors(*Cache.GetData(Type)))
        columns.push_back(colorColumn());
    return columns;
}

std::function<bool(const TUDataItem *)> DataCacheKeyFilter(TDataCacheType Type, const TUDataKey &Key)
{
    if (Key.IsClear())
        return {};
    switch (Type) {
    case ctTown:
        return [Key](const TUDataItem *Item) {
            const auto *town = dynamic_cast<const TDataTown *>(Item);
            return town && town->Region() == Key;
        };
    case ctClient:
        return [Key](const TUDataItem *Item) {
            const auto *client = dynamic_cast<const TDataClient *>(Item);
            return client && client->Manager() == Key;
        };
    default:
        return {};
    }
}
