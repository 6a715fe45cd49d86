#include "TestUtil.h"
#include "UnitDataCache.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <typeinfo>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

QJsonValue Parse(const char *json)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << json;
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}

const TDataCacheType kServiceSets[] = {ctRegion, ctBoardFormat, ctRole, ctTown, ctUser, ctFirm, ctOperator, ctClient,
                                       ctStick, ctStickRC, ctStickRCPT, ctTownType, ctReqType, ctBoardExtra,
                                       ctDocTemplate, ctMailTemplate};

struct TShown {
    QString Key;
    QString Title;
    TColor Color;
    bool operator==(const TShown &) const = default;
};
void PrintTo(const TShown &s, std::ostream *os) { *os << s.Key.toStdString() << "|" << s.Title.toStdString() << "|" << s.Color; }

std::vector<TShown> Shown(const TUDataSource &list)
{
    std::vector<TShown> out;
    for (const TUDataItem *item : list)
        out.push_back({item->ID().ToString(), item->Title(), item->Color()});
    return out;
}

std::vector<QString> Keys(const TUDataSource &list)
{
    std::vector<QString> out;
    for (const TUDataItem *item : list)
        out.push_back(item->ID().ToString());
    return out;
}

template <class T>
const T &Item(const TDataCache &cache, TDataCacheType type, const TUDataKey &id)
{
    T *item = nullptr;
    if (!cache.GetData(type)->TryGetValue(id, item))
        throw std::runtime_error("no item " + id.ToString().toStdString());
    return *item;
}

} // namespace

// Each list is a source of its own class, owning items of its own class.
TEST(UnitDataCache, EveryListHasItsSourceClassAndOwnsItsItems)
{
    struct Case {
        TDataCacheType type;
        const std::type_info &source;
    };
    const Case cases[] = {
        {ctState, typeid(TDataStateSource)}, {ctPriceType, typeid(TDataPriceTypeSource)},
        {ctSyncPriceType, typeid(TDataSyncPriceTypeSource)}, {ctSaleStateType, typeid(TDataSaleStateTypeSource)},
        {ctKeysValue, typeid(TDataKeysValueSource)}, {ctDocType, typeid(TDataDocTypeSource)},
        {ctRole, typeid(TDataRoleSource)}, {ctBoardFormat, typeid(TDataBoardFormatSource)},
        {ctRegion, typeid(TDataRegionSource)}, {ctTown, typeid(TDataTownSource)}, {ctUser, typeid(TDataUserSource)},
        {ctFirm, typeid(TDataFirmSource)}, {ctOperator, typeid(TDataOperatorSource)},
        {ctClient, typeid(TDataClientSource)}, {ctStick, typeid(TDataStickSource)},
        {ctStickRC, typeid(TDataStickRCSource)}, {ctStickRCPT, typeid(TDataStickRCPTSource)},
        {ctTownType, typeid(TDataTownTypeSource)}, {ctReqType, typeid(TDataReqTypeSource)},
        {ctBoardExtra, typeid(TDataBoardExtraSource)}, {ctDocTemplate, typeid(TDataDocTemplateSource)},
        {ctMailTemplate, typeid(TDataMailTemplateSource)}, {ctMailTemplateField, typeid(TDataMailTemplateFieldSource)},
        {ctStickType, typeid(TDataStickTypeSource)}, {ctStickTypeShort, typeid(TDataStickTypeSource)},
        {ctStickFineMethod, typeid(TDataStickFineMethodSource)},
    };
    ASSERT_EQ(std::size(cases), size_t(DataCacheTypeCount));
    const TDataCache cache;
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.type));
        const TUDataSource *list = cache.GetData(c.type);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(typeid(*list), c.source);
        EXPECT_TRUE(list->FreeItems());
        EXPECT_EQ(cache.Data(c.type), list);
    }
    EXPECT_THROW(cache.GetData(TDataCacheType(DataCacheTypeCount)), EArgumentOutOfRange);

    // The item classes of the service sets, through one loaded item of each.
    const TDataFieldType setNames[] = {dft_region, dft_board_format, dft_role, dft_town, dft_user, dft_firm,
                                       dft_operator, dft_client, dft_stick, dft_stick_rc, dft_stick_rcpt,
                                       dft_town_type, dft_req_type, dft_board_extra, dft_doc_template,
                                       dft_mail_template};
    QJsonObject raw;
    for (size_t i = 0; i < std::size(kServiceSets); ++i)
        raw.insert(ToName(setNames[i]),
                   QJsonArray{QJsonObject{{ToName(kServiceSets[i] == ctUser ? dft_login : setNames[i]), "1"}}});
    TDataCache loaded;
    ASSERT_TRUE(loaded.LoadSet(raw));
    const std::vector<std::pair<TDataCacheType, const std::type_info *>> items = {
        {ctRegion, &typeid(TDataRegion)}, {ctBoardFormat, &typeid(TDataBoardFormat)}, {ctRole, &typeid(TDataRole)},
        {ctTown, &typeid(TDataTown)}, {ctUser, &typeid(TDataUser)}, {ctFirm, &typeid(TDataFirm)},
        {ctOperator, &typeid(TDataOperator)}, {ctClient, &typeid(TDataClient)}, {ctStick, &typeid(TDataStick)},
        {ctStickRC, &typeid(TDataStickRC)}, {ctStickRCPT, &typeid(TDataStickRCPT)},
        {ctTownType, &typeid(TDataTownType)}, {ctReqType, &typeid(TDataReqType)},
        {ctBoardExtra, &typeid(TDataBoardExtra)}, {ctDocTemplate, &typeid(TDataDocTemplate)},
        {ctMailTemplate, &typeid(TDataMailTemplate)},
    };
    for (const auto &[type, cls] : items) {
        SCOPED_TRACE(int(type));
        ASSERT_EQ(loaded.GetData(type)->Count(), 1);
        EXPECT_EQ(typeid(*loaded.GetData(type)->First()), *cls);
    }
}

TEST(UnitDataCache, FixedListsHoldTheProtocolsItemsInKeyOrder)
{
    const TColor blue = 0x800000, grey = 0x808080, navy = 0x000080, purple = 0x800080;
    struct Case {
        TDataCacheType type;
        std::vector<TShown> items; // in the list's order
        const std::type_info &item;
    };
    const Case cases[] = {
        {ctState,
         {{"disabled", u"неактивно"_s, grey}, {"enabled", u"активно"_s, blue}, {"removed", u"удалено"_s, 0xC0C0C0},
          {"system", u"система"_s, 0x008000}},
         typeid(TDataState)},
        {ctPriceType,
         {{"b", u"Форма 1 (с налогами)"_s, purple}, {"c", u"Форма 2 (без налогов)"_s, 0x808000},
          {"cb", u"Форма 1 и 2"_s, navy}},
         typeid(TDataPriceType)},
        {ctSyncPriceType, {{"b", u"Форма 1 (с налогами)"_s, purple}, {"c", u"Форма 2 (без налогов)"_s, 0x808000}},
         typeid(TDataSyncPriceType)},
        {ctSaleStateType,
         {{"r", u"только резервы/подтверждения"_s, 0}, {"s", u"только брони"_s, 0}, {"sr", u"все плоскости"_s, 0}},
         typeid(TDataSaleStateType)},
        {ctDocType,
         {{"act", u"акт"_s, 0}, {"agreement", u"договор"_s, 0}, {"app", u"приложение к договору"_s, 0},
          {"grant", u"гарантийное письмо"_s, 0}, {"invoice", u"счёт"_s, 0}, {"invoice_1c", u"счёт 1C"_s, 0},
          {"tax", u"налоговая накладная"_s, 0}, {"xml", u"выгрузка XML"_s, 0}},
         typeid(TDataDocType)},
        {ctKeysValue,
         {{"k", u"Код"_s, 0xFF}, {"ka", u"Код,Адрес"_s, 0xFF}, {"kas", u"Код,Адрес,Сторона"_s, 0xFF},
          {"kf", u"Код,Тип"_s, 0xFF}, {"kfs", u"Код,Тип,Сторона"_s, 0xFF},
          {"kfst", u"Код,Тип,Сторона,Город"_s, 0xFF}, {"kft", u"Код,Тип,Город"_s, 0xFF},
          {"ks", u"Код,Сторона"_s, 0xFF}, {"kt", u"Код,Город"_s, 0xFF}, {"kts", u"Код,Город,Сторона"_s, 0xFF}},
         typeid(TDataKeysValue)},
        {ctStickType,
         {{"c", u"переклейка"_s, navy}, {"f", u"поклейка"_s, blue}, {"n", u"ремонт"_s, purple},
          {"p", u"доп.фотоотчет"_s, grey}, {"r", u"подклейка"_s, purple}},
         typeid(TDataStickType)},
        {ctStickTypeShort,
         {{"c", u"переклейка"_s, navy}, {"n", u"ремонт"_s, purple}, {"p", u"доп.фотоотчет"_s, grey},
          {"r", u"подклейка"_s, purple}},
         typeid(TDataStickType)},
        {ctStickFineMethod,
         {{"fixed", u"фиксированная сумма за просрочку"_s, navy}, {"none", u"без штрафов"_s, 0},
          {"perday", u"сумма за каждый день просрочки"_s, blue}},
         typeid(TDataStickFineMethod)},
    };
    const TDataCache cache;
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.type));
        EXPECT_EQ(Shown(*cache.GetData(c.type)), c.items);
        for (const TUDataItem *item : *cache.GetData(c.type))
            EXPECT_EQ(typeid(*item), c.item);
    }
    for (const TDataCacheType type : kServiceSets)
        EXPECT_TRUE(cache.GetData(type)->IsEmpty()) << int(type);
    EXPECT_TRUE(cache.GetData(ctMailTemplateField)->IsEmpty());

    EXPECT_EQ(cache.GetTitle(ctState, TUDataKey(u"ENABLED"_s)), u"активно"_s);
    EXPECT_EQ(cache.GetTitle(ctState, TUDataKey(u"enabled"_s)), u"активно"_s);
    EXPECT_EQ(cache.GetTitle(ctState, TUDataKey(u"null"_s)), QString());
    EXPECT_EQ(cache.GetTitle(ctState, TUDataKey()), QString());
    EXPECT_EQ(cache.GetTitle(ctTown, TUDataKey(5)), QString());
}

TEST(UnitDataCache, LoadSetReadsEachSetsMembers)
{
    TDataCache cache;
    ASSERT_TRUE(cache.LoadSet(Parse(R"({
        "town": [{"town": 5, "title": "X", "region": "7", "population": 1000, "town_type": "Village",
                  "board_count": "12", "color": "FF8000"},
                 {"town": "6", "title": 66, "region": 8, "population": "-5", "board_count": {"n": 1}}],
        "user": [{"login": "Ivanov", "user_name": "Иван", "title": "not this", "role": "3", "state": "disabled"},
                 {"login": "petrov", "user_name": "Пётр", "role": "admin"},
                 {"login": "sidorov", "role": 4.0, "state": "gone"}],
        "operator": [{"operator": 9, "title": "Op", "is_online": "1", "is_restricted": "Y", "price_kn": "1.5",
                      "price_type": "c", "price_mc": 1.2, "price_ec": "12.34567", "price_mb": "x", "price_eb": 0.5,
                      "state": "ENABLED", "board_count": 3},
                     {"operator": 10, "is_online": "Y", "price_type": "nonsense"}],
        "board_format": [{"board_format": "BF", "title": "3x6", "description": "щит", "board_count": 2}],
        "client": [{"client": 41, "title": "Кл", "quill_email": "q@x", "contact_email": "c@x", "state": "removed"}],
        "stick_rc": [{"stick_rc": 1, "is_default": "Y"}, {"stick_rc": 2, "is_default": "ENABLED"}],
        "doc_template": [{"doc_template": 1, "doc_type": "act", "fid": "77",
                          "fhash": "0123456789abcdef0123456789abcdefEXTRA", "updated": "2026-01-15 10:20:30",
                          "ext": "docx", "state": "enabled"},
                         {"doc_template": 2, "updated": "yesterday"}],
        "mail_template": [{"mail_template": 3, "doc_type": "nonsense", "fid": 5}]
    })")));

    const auto &x = Item<TDataTown>(cache, ctTown, 5);
    EXPECT_EQ(x.Title(), u"X"_s);
    EXPECT_TRUE(x.Region().IntKey());
    EXPECT_EQ(x.Region(), TUDataKey(7));
    EXPECT_EQ(x.TownType(), TUDataKey(u"village"_s));
    EXPECT_EQ(x.Population(), 1000u);
    EXPECT_EQ(x.BoardCount(), 12u);
    EXPECT_EQ(x.Color(), RGBToColor(0xFF, 0x80, 0x00));
    const auto &six = Item<TDataTown>(cache, ctTown, 6);
    EXPECT_EQ(six.Title(), u"66"_s) << "a number read as text gives its digits";
    EXPECT_EQ(six.Region(), TUDataKey(8));
    EXPECT_EQ(six.Population(), 0u);
    EXPECT_EQ(six.BoardCount(), 0u) << "an object read as a number gives 0";
    EXPECT_EQ(six.Color(), clNone);

    const auto &ivanov = Item<TDataUser>(cache, ctUser, TUDataKey(u"ivanov"_s));
    EXPECT_EQ(ivanov.Title(), u"Иван"_s);
    EXPECT_EQ(ivanov.Role(), TUDataKey(3));
    EXPECT_EQ(ivanov.State(), dsDisabled);
    EXPECT_EQ(Item<TDataUser>(cache, ctUser, TUDataKey(u"petrov"_s)).Role(), TUDataKey()) << "no number, no role";
    EXPECT_EQ(Item<TDataUser>(cache, ctUser, TUDataKey(u"sidorov"_s)).Role(), TUDataKey(4));
    EXPECT_EQ(Item<TDataUser>(cache, ctUser, TUDataKey(u"sidorov"_s)).State(), dsNull);

    const auto &op = Item<TDataOperator>(cache, ctOperator, 9);
    EXPECT_FALSE(op.IsOnline()) << "only Y counts";
    EXPECT_TRUE(op.IsRestricted());
    EXPECT_DOUBLE_EQ(op.KN(), 1.5);
    EXPECT_EQ(op.PriceType(), ptCash);
    EXPECT_DOUBLE_EQ(double(op.MarginCash().Margin), 1.2);
    EXPECT_EQ(op.MarginCash().Extra, TMoney::FromDouble(12.3457));
    EXPECT_DOUBLE_EQ(double(op.MarginBank().Margin), 0);
    EXPECT_EQ(op.MarginBank().Extra, TMoney::FromDouble(0.5));
    EXPECT_EQ(op.State(), dsEnabled);
    EXPECT_EQ(op.BoardCount(), 3u);
    const auto &op10 = Item<TDataOperator>(cache, ctOperator, 10);
    EXPECT_TRUE(op10.IsOnline());
    EXPECT_EQ(op10.PriceType(), ptBoth) << "an unknown form keeps the default";
    EXPECT_DOUBLE_EQ(op10.KN(), 0);
    EXPECT_EQ(op10.State(), dsNull);

    const auto &bf = Item<TDataBoardFormat>(cache, ctBoardFormat, TUDataKey(u"bf"_s));
    EXPECT_EQ(bf.Description(), u"щит"_s);
    EXPECT_EQ(bf.BoardCount(), 2u);
    const auto &client = Item<TDataClient>(cache, ctClient, 41);
    EXPECT_EQ(client.QuillEmail(), u"q@x"_s);
    EXPECT_EQ(client.ContactEmail(), u"c@x"_s);
    EXPECT_EQ(client.State(), dsRemoved);
    EXPECT_FALSE(client.HasDetails()) << "a list entry: no contact or requisites made";
    EXPECT_TRUE(Item<TDataStickRC>(cache, ctStickRC, 1).IsDefault());
    EXPECT_FALSE(Item<TDataStickRC>(cache, ctStickRC, 2).IsDefault());

    const auto &act = Item<TDataDocTemplate>(cache, ctDocTemplate, 1);
    EXPECT_EQ(act.DocType(), dtAct);
    EXPECT_EQ(act.State(), dsEnabled);
    EXPECT_EQ(act.FileData().FID, TUDataKey(77));
    EXPECT_EQ(act.FileData().FHash.ToString(), u"0123456789abcdef0123456789abcdef"_s);
    EXPECT_EQ(act.FileData().Updated, TDateTime::Encode(2026, 1, 15, 10, 20, 30));
    EXPECT_EQ(act.FileData().Ext, u"docx"_s);
    // A template without a known kind keeps its default, and the sets after it still load.
    const auto &plain = Item<TDataDocTemplate>(cache, ctDocTemplate, 2);
    EXPECT_EQ(plain.DocType(), dtAgreement);
    EXPECT_EQ(plain.FileData().Updated, TDateTime());
    const auto &mail = Item<TDataMailTemplate>(cache, ctMailTemplate, 3);
    EXPECT_EQ(mail.DocType(), dtCustom);
    EXPECT_EQ(mail.FileData().FID, TUDataKey(5));
}

TEST(UnitDataCache, KeysAsNumbersOrTextsAndTheFirstOfEqualKeysWins)
{
    struct Case {
        const char *set;
        std::vector<QString> keys;
        std::vector<QString> titles; // in key order
    };
    const Case cases[] = {
        {R"([{"region": 2, "title": "a"}, {"region": "2", "title": "b"}, {"region": 1, "title": "c"}])",
         {"1", "2"}, {"c", "a"}},
        {R"([{"region": "B", "title": "a"}, {"region": "b", "title": "b"}, {"region": "a", "title": "c"}])",
         {"a", "b"}, {"c", "a"}},
        {R"([{"region": 3, "title": "a"}, {"region": 3, "title": "b"}, {"region": 4, "title": "c"}])",
         {"3", "4"}, {"a", "c"}},
        {R"([{"region": 5, "title": "a"}, {"region": "x", "title": "b"}, {"region": -1, "title": "c"},
             {"region": 1.5, "title": "d"}, {"region": "5", "title": "e"}])",
         {"5", "4294967295", "1.5", "x"}, {"a", "c", "d", "b"}},
        // No member and "" give the empty text key, 0 the number key 0: two keys, neither set.
        {R"([{"title": "no key"}, {"region": "", "title": "empty"}, {"region": 0, "title": "zero"}])",
         {"", ""}, {"zero", "no key"}},
        {R"([7, "x", null, [], {"region": 9, "title": "kept"}, true])", {"9"}, {"kept"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.set);
        TDataCache cache;
        ASSERT_TRUE(cache.LoadSet(QJsonObject{{"region", Parse(c.set)}}));
        const TUDataSource &list = *cache.GetData(ctRegion);
        EXPECT_EQ(Keys(list), c.keys);
        std::vector<QString> titles;
        for (const TUDataItem *item : list)
            titles.push_back(item->Title());
        EXPECT_EQ(titles, c.titles);
    }
}

TEST(UnitDataCache, OddDocumentsChangeOnlyWhatTheyCarry)
{
    const QJsonObject before{{"town", QJsonArray{QJsonObject{{"town", 1}, {"title", "Киев"}}}},
                             {"region", QJsonArray{QJsonObject{{"region", 1}, {"title", "Центр"}}}}};
    struct Case {
        const char *raw;
        bool result;
        std::vector<QString> towns, regions;
    };
    const Case cases[] = {
        {R"([{"town": [{"town": 2}]}])", false, {"1"}, {"1"}},
        {R"("town")", false, {"1"}, {"1"}},
        {R"(null)", false, {"1"}, {"1"}},
        {R"({})", true, {"1"}, {"1"}},
        {R"({"town": {}})", true, {"1"}, {"1"}},
        {R"({"town": "2", "region": null})", true, {"1"}, {"1"}},
        {R"({"town": [], "region": [{"region": 3}]})", true, {}, {"3"}},
        {R"({"TOWN": [{"town": 2}]})", true, {"1"}, {"1"}},
        {R"({"town": [{"town": 2}], "unknown": [{"x": 1}]})", true, {"2"}, {"1"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.raw);
        TDataCache cache;
        ASSERT_TRUE(cache.LoadSet(before));
        // Parse gives an object or array; the scalar documents are built by hand.
        QJsonValue raw;
        if (c.raw[0] == '{' || c.raw[0] == '[')
            raw = Parse(c.raw);
        else if (c.raw[0] == '"')
            raw = QJsonValue(u"town"_s);
        else
            raw = QJsonValue(QJsonValue::Null);
        EXPECT_EQ(cache.LoadSet(raw), c.result);
        EXPECT_EQ(Keys(*cache.GetData(ctTown)), c.towns);
        EXPECT_EQ(Keys(*cache.GetData(ctRegion)), c.regions);
        EXPECT_EQ(cache.GetData(ctState)->Count(), 4) << "the fixed lists never change";
    }
    TDataCache cache;
    EXPECT_FALSE(cache.LoadSet(QJsonValue()));
    EXPECT_FALSE(cache.LoadSet(QJsonValue(QJsonValue::Undefined)));
}

// A later load replaces a set as a whole, and a reload of the same set frees the old items.
TEST(UnitDataCache, EveryLoadReplacesTheSetsItCarries)
{
    TDataCache cache;
    ASSERT_TRUE(cache.LoadSet(Parse(R"({"client": [{"client": 1, "title": "a"}, {"client": 2, "title": "b"}],
                                        "firm": [{"firm": 1, "title": "f"}]})")));
    ASSERT_TRUE(cache.LoadSet(Parse(R"({"client": [{"client": 3, "title": "c"}]})")));
    EXPECT_EQ(Keys(*cache.GetData(ctClient)), (std::vector<QString>{"3"}));
    EXPECT_EQ(Keys(*cache.GetData(ctFirm)), (std::vector<QString>{"1"}));
    EXPECT_EQ(cache.GetTitle(ctClient, 3), u"c"_s);
    EXPECT_EQ(cache.GetTitle(ctClient, 1), QString());
}

TEST(UnitDataCache, MillionEmptyObjectsGiveOneKeylessItem)
{
    QJsonArray array;
    for (int i = 0; i < 1000000; ++i)
        array.append(QJsonObject());
    TDataCache cache;
    ASSERT_TRUE(cache.LoadSet(QJsonObject{{"client", array}, {"town", array}}));
    for (const TDataCacheType type : {ctClient, ctTown}) {
        const TUDataSource &list = *cache.GetData(type);
        ASSERT_EQ(list.Count(), 1);
        EXPECT_TRUE(list.First()->ID().IsClear());
        EXPECT_TRUE(list.First()->Title().isEmpty());
    }
}

// Loading in any order gives the list in key order, with exactly the distinct keys.
TEST(UnitDataCache, UnorderedLargeSetsComeOutSortedAndDistinct)
{
    QJsonArray array;
    const int n = 20000;
    for (int i = 0; i < n; ++i) {
        const int k = int((uint32_t(i) * 2654435761u) % uint32_t(n / 2)); // every key twice
        array.append(QJsonObject{{"town", (i % 2) ? QJsonValue(k) : QJsonValue(QString::number(k))},
                                 {"title", QString::number(i)}});
    }
    TDataCache cache;
    ASSERT_TRUE(cache.LoadSet(QJsonObject{{"town", array}}));
    const TUDataSource &list = *cache.GetData(ctTown);
    ASSERT_EQ(list.Count(), n / 2);
    std::vector<int> firstIndex(n / 2, -1);
    for (int i = 0; i < n; ++i) {
        const int k = int((uint32_t(i) * 2654435761u) % uint32_t(n / 2));
        if (firstIndex[size_t(k)] < 0)
            firstIndex[size_t(k)] = i;
    }
    for (int k = 0; k < n / 2; ++k) {
        const TUDataItem *item = list[k];
        ASSERT_EQ(item->ID(), TUDataKey(uint32_t(k)));
        ASSERT_EQ(item->Title(), QString::number(firstIndex[size_t(k)])) << "key " << k;
    }
}

// A value handed over is used up set by set; whoever still shares it keeps it whole, and the
// lists come out as from a value that is only read.
TEST(UnitDataCache, AValueHandedOverLoadsAsOneReadAndLeavesItsCopiesWhole)
{
    const char *text = R"({"client": [{"client": 2, "title": "b"}, 7, {"client": 1, "title": "a"}, {"client": 2}],
                           "firm": [{"firm": 1, "title": "f"}], "town": "not a set"})";
    const QJsonValue raw = Parse(text);
    QJsonValue given = raw;
    TDataCache moved, read;
    ASSERT_TRUE(moved.LoadSet(std::move(given)));
    ASSERT_TRUE(read.LoadSet(raw));
    EXPECT_TRUE(given.isUndefined());
    EXPECT_EQ(raw, Parse(text));
    for (const TDataCacheType type : kServiceSets)
        EXPECT_EQ(Shown(*moved.GetData(type)), Shown(*read.GetData(type))) << type;
    EXPECT_EQ(Shown(*moved.GetData(ctClient)), (std::vector<TShown>{{"1", "a", clNone}, {"2", "b", clNone}}));
    EXPECT_FALSE(moved.LoadSet(QJsonValue(QJsonArray{1})));
}
