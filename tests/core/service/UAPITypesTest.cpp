#include "TestUtil.h"
#include "UAPITypes.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TMoney M(int64_t raw) { return TMoney::FromRaw(raw); } // ten-thousandths
TMoney U(int64_t units) { return TMoney::FromInt(units); }

TUAPIPriceTax Tax(double nds, double nr)
{
    TUAPIPriceTax tax;
    tax.TaxNDS = nds;
    tax.TaxNR = nr;
    return tax;
}

} // namespace

TEST(UAPIKey, CutsTo32AndComparesByText)
{
    const TUAPIKey longKey(QString(40, u'x'));
    EXPECT_EQ(longKey.Length(), 32);
    EXPECT_EQ(longKey.ToString(), QString(32, u'x'));
    EXPECT_EQ(TUAPIKey(QStringLiteral("abc")), TUAPIKey::FromBytes("abc"));
    EXPECT_EQ(TUAPIKey::FromBytes(QByteArray(33, 'y')), TUAPIKey(QString(32, u'y')));
    EXPECT_NE(TUAPIKey(QStringLiteral("abc")), TUAPIKey(QStringLiteral("abd")));
    EXPECT_TRUE(TUAPIKey().IsEmpty());
    EXPECT_EQ(TUAPIKey(QStringLiteral("цвет")).ToString(), QStringLiteral("цвет"));
    EXPECT_EQ(TUAPIKey(QStringLiteral("цвет")).Length(), 4);
}

TEST(UAPIPrice, SetUnsetAndAddition)
{
    TUAPIPrice price;
    EXPECT_FALSE(price.IsSet());
    EXPECT_EQ(price.ToMoney(), TMoney());
    EXPECT_EQ(price.ToDouble(), 0.0);
    price.SetDefault();
    EXPECT_TRUE(price.IsSet()); // zero is set
    EXPECT_FALSE(TUAPIPrice::FromMoney(M(-1)).IsSet());
    EXPECT_TRUE(TUAPIPrice::FromMoney(M(0)).IsSet());

    const TUAPIPrice a = TUAPIPrice::FromMoney(M(15001));
    const TUAPIPrice b = TUAPIPrice::FromMoney(U(2));
    EXPECT_EQ((a + b).Value(), M(35001));
    EXPECT_FALSE((a + TUAPIPrice()).IsSet());
    EXPECT_FALSE((TUAPIPrice() + a).IsSet());
    price = a;
    price.Clear();
    EXPECT_FALSE(price.IsSet());

    // An unset price splits into zeros.
    EXPECT_EQ(TUAPIPrice().CalkTax(Tax(20, 5)), TUAPIPriceTaxValue());
    EXPECT_EQ(TUAPIPrice::FromMoney(U(120)).CalkTax(Tax(20, 0)),
              (TUAPIPriceTaxValue{U(120), U(100), U(20), M(0)}));
}

TEST(UAPIPrice, TextForms)
{
    struct Case {
        const char *text;
        bool set;
        int64_t raw;
        const char *back;
    };
    const Case cases[] = {
        {"12.5", true, 125000, "12.50"},
        {" 0 ", true, 0, "0.00"},
        {"1234.5678", true, 12345678, "1234.57"},
        {"-0.0001", false, 0, ""},
        {"-5", false, 0, ""},
        {"abc", false, 0, ""},
        {"", false, 0, ""},
        {"12,5", false, 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        const TUAPIPrice price = TUAPIPrice::FromText(QString::fromUtf8(c.text));
        EXPECT_EQ(price.IsSet(), c.set);
        if (c.set) {
            EXPECT_EQ(price.Value().Raw(), c.raw);
        }
        EXPECT_EQ(price.ToString(), QString::fromUtf8(c.back));
    }
}

TEST(UAPIPrice, TaxRecordAccessors)
{
    TUAPIPriceTax tax = Tax(20, 5);
    tax.NCB = 3;
    EXPECT_DOUBLE_EQ(tax.NDSValue(), 0.2);
    EXPECT_DOUBLE_EQ(tax.NRValue(), 0.05);
    EXPECT_DOUBLE_EQ(tax.TaxKN(), 1.25);
    tax.Clear();
    EXPECT_EQ(tax.NCB, 1.0);
    EXPECT_EQ(tax.TaxNDS, 0.0);
    EXPECT_EQ(tax.TaxNR, 0.0);
    EXPECT_EQ(TUAPIPriceTax::Default().NCB, 1.0);
}

TEST(UAPIPrice, TaxSplitTable)
{
    struct Case {
        TMoney amount;
        double nds, nr;
        TMoney sum, vat, nr_;
    };
    const Case cases[] = {
        {U(120), 20, 0, U(100), U(20), M(0)},
        // 100 / 1.25 = 80; 16 + 4; parts add up.
        {U(100), 20, 5, U(80), U(16), U(4)},
        // 100 / 1.2 = 83.33333.. -> 83.3333; NDS 16.66666 -> 16.6667; Sum = 100 - 16.6667.
        {U(100), 20, 0, M(833333), M(166667), M(0)},
        // 0.0165 / 1.1 = 0.015; NDS 0.0015.
        {M(165), 10, 0, M(150), M(15), M(0)},
        {M(0), 20, 5, M(0), M(0), M(0)},
        {U(7), 0, 0, U(7), M(0), M(0)},
        // Credit amounts split the same way.
        {U(-120), 20, 0, U(-100), U(-20), M(0)},
        // 16.67 % is read as the decimal it is written as.
        {U(11667), 16.67, 0, U(10000), U(1667), M(0)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.amount.Raw() << " " << c.nds << " " << c.nr);
        TUAPIPriceTaxValue value;
        value.Calk(c.amount, Tax(c.nds, c.nr));
        EXPECT_EQ(value.Amount, c.amount);
        EXPECT_EQ(value.NDS.Raw(), c.vat.Raw());
        EXPECT_EQ(value.NR.Raw(), c.nr_.Raw());
        EXPECT_EQ(value.Sum.Raw(), c.sum.Raw());
    }
}

TEST(UAPIPrice, TaxTiesRoundToEven)
{
    TUAPIPriceTaxValue value;
    // Sum: 0.0005 / 2 = 0.00025 -> 0.0002 (half-up would give 0.0003); each tax 0.0001.
    value.Calk(M(5), Tax(50, 50));
    EXPECT_EQ(value, (TUAPIPriceTaxValue{M(5), M(3), M(1), M(1)}));
    // Sum: 0.0005 / 1.1 -> 0.0005; NR 0.00005 -> 0 (even).
    value.Calk(M(5), Tax(0, 10));
    EXPECT_EQ(value, (TUAPIPriceTaxValue{M(5), M(5), M(0), M(0)}));
    // Sum: 0.0016 / 1.1 -> 0.0015; NDS 0.00015 -> 0.0002 (even).
    value.Calk(M(16), Tax(10, 0));
    EXPECT_EQ(value, (TUAPIPriceTaxValue{M(16), M(14), M(2), M(0)}));
}

TEST(UAPIPrice, TaxPartsAlwaysAddUpToTheGrossAmount)
{
    std::mt19937_64 random(7);
    std::uniform_int_distribution<int64_t> amounts(-100'000'000'000, 100'000'000'000);
    const TUAPIPriceTax taxes[] = {Tax(20, 0), Tax(20, 5), Tax(18, 1.5), Tax(7, 0), Tax(16.67, 3.33)};
    for (int i = 0; i < 20000; ++i) {
        const TUAPIPriceTax &tax = taxes[i % std::size(taxes)];
        TUAPIPriceTaxValue value;
        value.Calk(M(amounts(random)), tax);
        ASSERT_EQ(value.Sum + value.NDS + value.NR, value.Amount);
        // The net sum stays within a few ten-thousandths of amount / TaxKN.
        ASSERT_NEAR(value.Sum.ToDouble(), value.Amount.ToDouble() / tax.TaxKN(),
                    1e-6 * std::abs(value.Amount.ToDouble()) + 0.0003);
    }
}

TEST(UAPIPrice, TaxValuesAddAndSubtractFieldByField)
{
    const TUAPIPriceTaxValue a{U(120), U(100), U(20), M(0)};
    const TUAPIPriceTaxValue b{U(10), U(8), U(1), U(1)};
    EXPECT_EQ(a + b, (TUAPIPriceTaxValue{U(130), U(108), U(21), U(1)}));
    EXPECT_EQ(a - b, (TUAPIPriceTaxValue{U(110), U(92), U(19), U(-1)}));
    TUAPIPriceTaxValue c = a;
    c.Clear();
    EXPECT_EQ(c, TUAPIPriceTaxValue());
}

TEST(UAPIPrice, ImpossibleTaxRatesThrowInsteadOfInventingASplit)
{
    TUAPIPriceTaxValue value;
    EXPECT_THROW(value.Calk(U(100), Tax(-100, 0)), std::overflow_error); // TaxKN = 0
    EXPECT_THROW(value.Calk(U(100), Tax(std::nan(""), 0)), std::overflow_error);
}

TEST(UAPIPrice, MarginTable)
{
    TUAPIPriceMargin margin;
    EXPECT_EQ(margin.Margin, 1.0L);
    EXPECT_EQ(margin.Extra, TMoney());
    margin.SetMarginPr(15);
    EXPECT_NEAR(double(margin.MarginPr()), 15.0, 1e-12);
    EXPECT_NEAR(double(margin.Margin), 1.15, 1e-15);

    struct Case {
        long double margin;
        TMoney extra;
        TUAPIPrice price;
        long double add;
        TUAPIPrice want;
    };
    const TUAPIPrice unset;
    auto P = [](TMoney m) { return TUAPIPrice::FromMoney(m); };
    const Case cases[] = {
        {1.15L, M(0), P(U(100)), 1, P(U(115))},
        {1.0L, U(5), P(U(100)), 1, P(U(105))},
        {1.0L, U(5), unset, 1, unset},
        {1.0L, M(0), P(M(0)), 1, P(M(0))},
        {2.0L, M(0), P(U(10)), 1.5L, P(U(30))},
        // Ties to even: 0.0001 x 2.5 = 0.00025 -> 0.0002; 0.0003 x 1.5 = 0.00045 -> 0.0004;
        // 0.0001 x 1.15 x 5 = 0.000575 -> 0.0006.
        {2.5L, M(0), P(M(1)), 1, P(M(2))},
        {1.5L, M(0), P(M(3)), 1, P(M(4))},
        {1.15L, M(0), P(M(1)), 5, P(M(6))},
        {1.1L, M(0), P(M(5)), 1, P(M(6))}, // 0.00055 -> 0.0006
        {1.1L, M(0), P(M(15)), 1, P(M(16))}, // 0.00165 -> 0.0016 (even)
        // The sum is rounded once: 0.0001 x 1.5 + 0.0001 = 0.00025 -> 0.0002, not 0.0003.
        {1.5L, M(1), P(M(1)), 1, P(M(2))},
        {1.5L, M(-1), P(M(3)), 1, P(M(4))}, // 0.00045 - 0.0001 = 0.00035 -> 0.0004
        // A negative result is unset; exactly zero is set.
        {1.0L, U(-200), P(U(100)), 1, unset},
        {1.0L, U(-100), P(U(100)), 1, P(M(0))},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << double(c.margin) << " " << c.price.Value().Raw());
        TUAPIPriceMargin m;
        m.SetData(c.margin, c.extra);
        const TUAPIPrice got = m.Calc(c.price, c.add);
        EXPECT_EQ(got.IsSet(), c.want.IsSet());
        if (c.want.IsSet()) {
            EXPECT_EQ(got.Value().Raw(), c.want.Value().Raw());
        }
    }
    margin.SetMarginPr(15);
    EXPECT_EQ(margin.Calc(P(U(100)), 1).Value(), U(115));
    margin.Clear();
    EXPECT_EQ(margin.Margin, 1.0L);
}

TEST(UAPICodes, CodesTextsAndColours)
{
    EXPECT_EQ(ToCode(dsEnabled), QStringLiteral("ENABLED"));
    EXPECT_EQ(ToText(dsRemoved), QStringLiteral("удалено"));
    EXPECT_EQ(ToColor(dsEnabled), RGBToColor(0, 0, 0x80));
    EXPECT_EQ(ToColor(dsSystem), TColor(0x008000));
    EXPECT_EQ(ToCode(dsNull), QString());
    EXPECT_EQ(ToText(ptCash), QStringLiteral("Форма 2 (без налогов)"));
    EXPECT_EQ(ToColor(ptBank), RGBToColor(0x80, 0, 0x80));
    EXPECT_EQ(ToCode(ptBoth), QStringLiteral("CB"));
    EXPECT_EQ(DefaultPriceType(), ptBoth);
    EXPECT_EQ(ToCode(xtOperator), QStringLiteral("S"));
    EXPECT_EQ(ToText(dtInvoice), QStringLiteral("счёт"));
    EXPECT_EQ(ToCode(dtInvoice_1C), QStringLiteral("INVOICE_1C"));
    const TUAPIDocFileType kinds[] = {dfNone, dfRtf, dfRtf, dfRtf, dfXls, dfXls, dfRtf, dfNone, dfXml};
    for (int i = dtCustom; i <= dtXml; ++i)
        EXPECT_EQ(FileType(TUAPIDocType(i)), kinds[i]) << i;
    EXPECT_EQ(ToCode(dfXls), QStringLiteral("xls"));
    EXPECT_EQ(ToCode(mdPrice), QStringLiteral("PRICE"));
    EXPECT_EQ(ToText(sfmPerday), QStringLiteral("сумма за каждый день просрочки"));
    EXPECT_EQ(ToColor(sfmFixed), RGBToColor(0x80, 0, 0));
    EXPECT_EQ(ToCode(stRepair), QStringLiteral("N"));
    EXPECT_EQ(ToText(stPhoto), QStringLiteral("доп.фотоотчет"));
    EXPECT_EQ(ToColor(stPhoto), RGBToColor(0x80, 0x80, 0x80));
    EXPECT_FALSE(IsFollowUp(stStick));
    for (TUAPIStickType t : {stRestick, stPatch, stRepair, stPhoto})
        EXPECT_TRUE(IsFollowUp(t));
    EXPECT_EQ(ToCode(sstAll), QStringLiteral("SR"));
    EXPECT_EQ(ToText(sstReserve), QStringLiteral("только резервы/подтверждения"));
    EXPECT_EQ(ToColor(sstSale), TColor(0));
    EXPECT_EQ(ToCode(kvKFST), QStringLiteral("KFST"));
    EXPECT_EQ(ToText(kvKAS), QStringLiteral("Код,Адрес,Сторона"));
    EXPECT_EQ(ToColor(kvK), TColor(0x0000FF));
    EXPECT_EQ(int(beQP), 11);
}

// Each reader's fallback: "reads as" a fixed value, or "leaves the value as it was".
TEST(UAPICodes, ReadBackAndFallbacks)
{
    struct Case {
        const char16_t *code;
        TUAPIDataState state;
        TUAPIXDBType xdb;
        TUAPIDocType doc;
        TUAPIPriceType price;    // from ptCash
        TUAPIMailData mail;      // from mdEx
        TUAPIStickFineMethod fine; // from sfmFixed
    };
    const Case cases[] = {
        {u"enabled", dsEnabled, xtNone, dtCustom, ptCash, mdEx, sfmFixed},
        {u"ENABLED ", dsNull, xtNone, dtCustom, ptCash, mdEx, sfmFixed},
        {u"", dsNull, xtNone, dtCustom, ptCash, mdEx, sfmFixed},
        {u"Removed", dsRemoved, xtNone, dtCustom, ptCash, mdEx, sfmFixed},
        {u"s", dsNull, xtOperator, dtCustom, ptCash, mdEx, sfmFixed},
        {u"b", dsNull, xtBuying, dtCustom, ptBank, mdEx, sfmFixed},
        {u"cb", dsNull, xtNone, dtCustom, ptBoth, mdEx, sfmFixed},
        {u"invoice_1c", dsNull, xtNone, dtInvoice_1C, ptCash, mdEx, sfmFixed},
        {u"Xml", dsNull, xtNone, dtXml, ptCash, mdEx, sfmFixed},
        {u"photo", dsNull, xtNone, dtCustom, ptCash, mdPhoto, sfmFixed},
        {u"perday", dsNull, xtNone, dtCustom, ptCash, mdEx, sfmPerday},
        {u"none", dsNull, xtNone, dtCustom, ptCash, mdEx, sfmNone},
        // Only ASCII letters fold: the dotless i does not become "I".
        {u"d\u0131sabled", dsNull, xtNone, dtCustom, ptCash, mdEx, sfmFixed},
    };
    for (const Case &c : cases) {
        const QStringView code(c.code);
        SCOPED_TRACE(code.toString().toStdString());
        TUAPIDataState state = dsSystem;
        SetCode(state, code);
        EXPECT_EQ(state, c.state);
        TUAPIXDBType xdb = xtMaster;
        SetCode(xdb, code);
        EXPECT_EQ(xdb, c.xdb);
        TUAPIDocType doc = dtAct;
        SetCode(doc, code);
        EXPECT_EQ(doc, c.doc);
        TUAPIPriceType price = ptCash;
        SetCode(price, code);
        EXPECT_EQ(price, c.price);
        TUAPIMailData mail = mdEx;
        SetCode(mail, code);
        EXPECT_EQ(mail, c.mail);
        TUAPIStickFineMethod fine = sfmFixed;
        SetCode(fine, code);
        EXPECT_EQ(fine, c.fine);
    }
    TUAPIStickFineMethod fine = sfmPerday;
    Clear(fine);
    EXPECT_EQ(fine, sfmNone);
    // Every code reads back to its own value.
    for (int i = dsNull; i <= dsSystem; ++i) {
        TUAPIDataState v = dsNull;
        SetCode(v, ToCode(TUAPIDataState(i)));
        EXPECT_EQ(v, i);
    }
    for (int i = dtCustom; i <= dtXml; ++i) {
        TUAPIDocType v = dtCustom;
        SetCode(v, ToCode(TUAPIDocType(i)));
        EXPECT_EQ(v, i);
    }
}

TEST(UAPICodes, MailDataListSkipsPiecesThatAreNoCode)
{
    struct Case {
        const char *text;
        TUAPIMailDataSet want;
    };
    const Case cases[] = {
        {"SELF,nothing,PHOTO", {mdSelf, mdPhoto}},
        {"", {}},
        {",", {}},
        {"price,Ex,", {mdPrice, mdEx}},
        {"SELF, PHOTO", {mdSelf}}, // pieces are not trimmed
        {"REDEEM,REDEEM,BUYING", {mdRedeem, mdBuying}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TUAPIMailDataSet::FromCodes(QString::fromUtf8(c.text)), c.want);
    }
    TUAPIMailDataSet set{mdEx};
    EXPECT_TRUE(set.Contains(mdEx));
    set.Exclude(mdEx);
    EXPECT_TRUE(set.IsEmpty());
}

TEST(UAPIRecords, FileDocumentAndStamp)
{
    TUAPIFile file;
    EXPECT_FALSE(file.IsSet());
    file.SetData(TUDataKey(42u), QString(40, u'a'), TDateTime(45000.5), QStringLiteral("pdf"));
    EXPECT_TRUE(file.IsSet());
    EXPECT_EQ(file.FHash.Length(), 32);
    EXPECT_EQ(file.FileName(), QString(32, u'a') + QStringLiteral(".pdf"));
    file.Ext.clear();
    EXPECT_EQ(file.FileName(), QString(32, u'a')); // no trailing dot
    file.FHash = TUAPIKey();
    EXPECT_FALSE(file.IsSet()); // a key without a hash is no file
    file.SetData(TUDataKey(), QStringLiteral("h"), TDateTime(), QString());
    EXPECT_FALSE(file.IsSet());
    file.Clear();
    EXPECT_FALSE(file.FID.IsSet());
    EXPECT_TRUE(file.FHash.IsEmpty());
    EXPECT_TRUE(file.Updated.IsNull());
    EXPECT_TRUE(file.Ext.isEmpty());

    TUAPIDocReq req;
    req.SetFrom(QStringLiteral("12/3"), TDateTime(1));
    EXPECT_TRUE(req.IsSet());
    const TDateTime before = TDateTime::Now();
    req.Clear();
    EXPECT_FALSE(req.IsSet());
    EXPECT_GE(req.DocDate, before);
    EXPECT_LE(req.DocDate, TDateTime::Now());

    TUAPIActionStamp stamp{TUDataKey(7u), TDateTime(2)};
    stamp.Clear();
    EXPECT_FALSE(stamp.User.IsSet());
    EXPECT_TRUE(stamp.TimeStamp.IsNull());
}
