#include "UAPITypes.h"

#include "UCodePage.h"
#include "UConv.h"

#include <cmath>
#include <iterator>
#include <limits>
#include <stdexcept>

// ---- TUAPIKey

TUAPIKey::TUAPIKey(QStringView text)
{
    *this = FromBytes(TUCodePage::FromUnicode(text.left(MaxLength)));
}

TUAPIKey TUAPIKey::FromBytes(QByteArrayView bytes)
{
    TUAPIKey key;
    key.FLength = uint8_t(std::min<qsizetype>(bytes.size(), MaxLength));
    std::copy_n(bytes.data(), key.FLength, key.FData);
    return key;
}

QString TUAPIKey::ToString() const
{
    return TUCodePage::ToUnicode(Bytes());
}

// ---- Money

namespace {

// Rates and factors are reals, but people state them as decimals ("20", "7.5", "1.15"): taken
// back to decimals (percent to 9 places, factors to 12), the products and quotients below are
// exact and a tie is a true tie that goes to the even neighbour. Plain binary reals would push
// a decimal tie such as 0.0005 x 10 % to whichever side the binary value of 0.1 lies.
constexpr int64_t kRateScale = 100'000'000'000;    // a rate in units of 1e-11 (percent 1e-9)
constexpr int64_t kFactorScale = 1'000'000'000'000; // a factor in units of 1e-12
constexpr double kMaxPercent = 1e6;
constexpr long double kMaxFactor = 1e6L;

[[noreturn]] void Overflow()
{
    throw std::overflow_error("money amount out of range");
}

// Nearest integer to num/den (den != 0), ties to even.
int64_t DivRoundEven(__int128 num, __int128 den)
{
    if (den < 0) {
        num = -num;
        den = -den;
    }
    __int128 q = num / den;
    __int128 r = num % den;
    if (r < 0) {
        --q;
        r += den;
    }
    if (2 * r > den || (2 * r == den && (q & 1) != 0))
        ++q;
    if (q > std::numeric_limits<int64_t>::max() || q < std::numeric_limits<int64_t>::min())
        Overflow();
    return int64_t(q);
}

bool DecimalRate(double percent, int64_t &rate)
{
    if (!std::isfinite(percent) || std::fabs(percent) > kMaxPercent)
        return false;
    rate = std::llround(percent * 1e9);
    return true;
}

} // namespace

void TUAPIPriceTax::Clear()
{
    *this = TUAPIPriceTax();
}

void TUAPIPriceTaxValue::Clear()
{
    *this = TUAPIPriceTaxValue();
}

void TUAPIPriceTaxValue::Calk(TMoney amount, const TUAPIPriceTax &tax)
{
    Amount = amount;
    int64_t nds = 0;
    int64_t nr = 0;
    if (DecimalRate(tax.TaxNDS, nds) && DecimalRate(tax.TaxNR, nr)) {
        const __int128 kn = __int128(kRateScale) + nds + nr;
        if (kn == 0)
            Overflow();
        const int64_t sum = DivRoundEven(__int128(amount.Raw()) * kRateScale, kn);
        NDS = TMoney::FromRaw(DivRoundEven(__int128(sum) * nds, kRateScale));
        NR = TMoney::FromRaw(DivRoundEven(__int128(sum) * nr, kRateScale));
    } else {
        // Rates beyond any decimal reading: the money type's own real arithmetic (it throws
        // for a zero or non-finite factor).
        const TMoney sum = amount / tax.TaxKN();
        NDS = sum * tax.NDSValue();
        NR = sum * tax.NRValue();
    }
    Sum = Amount - NDS - NR;
}

TUAPIPriceTaxValue TUAPIPriceTaxValue::operator+(const TUAPIPriceTaxValue &other) const
{
    return {Amount + other.Amount, Sum + other.Sum, NDS + other.NDS, NR + other.NR};
}

TUAPIPriceTaxValue TUAPIPriceTaxValue::operator-(const TUAPIPriceTaxValue &other) const
{
    return {Amount - other.Amount, Sum - other.Sum, NDS - other.NDS, NR - other.NR};
}

TUAPIPrice TUAPIPrice::FromMoney(TMoney value)
{
    TUAPIPrice price;
    if (value.Raw() >= 0)
        price.FValue = value;
    return price;
}

TUAPIPrice TUAPIPrice::FromText(const QString &text)
{
    return FromMoney(TUConv::StrToMoney(text, 2, TMoney::FromInt(-1)));
}

QString TUAPIPrice::ToString() const
{
    return IsSet() ? TUConv::MoneyToStr(FValue, 2) : QString();
}

void TUAPIPrice::Clear()
{
    FValue = TMoney::FromInt(-1);
}

TUAPIPriceTaxValue TUAPIPrice::CalkTax(const TUAPIPriceTax &tax) const
{
    TUAPIPriceTaxValue value;
    if (IsSet())
        value.Calk(FValue, tax);
    return value;
}

TUAPIPrice TUAPIPrice::operator+(const TUAPIPrice &other) const
{
    if (!IsSet() || !other.IsSet())
        return TUAPIPrice();
    return FromMoney(FValue + other.FValue);
}

void TUAPIPriceMargin::Clear()
{
    *this = TUAPIPriceMargin();
}

void TUAPIPriceMargin::SetData(long double margin, TMoney extra)
{
    Margin = margin;
    Extra = extra;
}

TUAPIPrice TUAPIPriceMargin::Calc(const TUAPIPrice &price, long double addMarginPrice) const
{
    if (!price.IsSet())
        return TUAPIPrice();
    const long double factor = Margin * addMarginPrice;
    TMoney result;
    if (std::isfinite(factor) && std::fabs(factor) <= kMaxFactor) {
        // One rounding of the whole sum: rounding the product before adding Extra would move
        // a tie (0.00015 + 0.0001 must give 0.0002, not 0.0003).
        const int64_t scaled = std::llroundl(factor * kFactorScale);
        const __int128 sum = __int128(price.Value().Raw()) * scaled + __int128(Extra.Raw()) * kFactorScale;
        result = TMoney::FromRaw(DivRoundEven(sum, kFactorScale));
    } else {
        result = price.Value() * double(factor) + Extra;
    }
    return TUAPIPrice::FromMoney(result);
}

// ---- Files, documents, stamps

void TUAPIFile::Clear()
{
    *this = TUAPIFile();
}

QString TUAPIFile::FileName() const
{
    const QString hash = FHash.ToString();
    return Ext.isEmpty() ? hash : hash + u'.' + Ext;
}

void TUAPIFile::SetData(const TUDataKey &fid, QStringView fhash, TDateTime updated, const QString &ext)
{
    FID = fid;
    FHash = TUAPIKey(fhash);
    Updated = updated;
    Ext = ext;
}

void TUAPIDocReq::Clear()
{
    DocNumber.clear();
    DocDate = TDateTime::Now();
}

void TUAPIDocReq::SetFrom(const QString &docNumber, TDateTime docDate)
{
    DocNumber = docNumber;
    DocDate = docDate;
}

void TUAPIActionStamp::Clear()
{
    *this = TUAPIActionStamp();
}

// ---- Coded enumerations

namespace {

struct TCodeRow {
    const char16_t *Code;
    const char16_t *Text;
    TColor Color;
};

constexpr TColor kBlack = RGBToColor(0, 0, 0);
constexpr TColor kNavy = RGBToColor(0x00, 0x00, 0x80);
constexpr TColor kGrey = RGBToColor(0x80, 0x80, 0x80);
constexpr TColor kSilver = RGBToColor(0xC0, 0xC0, 0xC0);
constexpr TColor kGreen = RGBToColor(0x00, 0x80, 0x00);
constexpr TColor kTeal = RGBToColor(0x00, 0x80, 0x80);
constexpr TColor kPurple = RGBToColor(0x80, 0x00, 0x80);
constexpr TColor kMaroon = RGBToColor(0x80, 0x00, 0x00);
constexpr TColor kRed = RGBToColor(0xFF, 0x00, 0x00);

const TCodeRow kDataStates[] = {
    {u"", u"", kBlack},
    {u"ENABLED", u"активно", kNavy},
    {u"DISABLED", u"неактивно", kGrey},
    {u"REMOVED", u"удалено", kSilver},
    {u"SYSTEM", u"система", kGreen},
};
const TCodeRow kPriceTypes[] = {
    {u"C", u"Форма 2 (без налогов)", kTeal},
    {u"B", u"Форма 1 (с налогами)", kPurple},
    {u"CB", u"Форма 1 и 2", kMaroon},
};
const TCodeRow kXDBTypes[] = {
    {u"", u"", kBlack}, {u"M", u"", kBlack}, {u"S", u"", kBlack}, {u"B", u"", kBlack},
};
const TCodeRow kDocFileTypes[] = {
    {u"", u"", kBlack}, {u"rtf", u"", kBlack}, {u"doc", u"", kBlack},
    {u"xls", u"", kBlack}, {u"xml", u"", kBlack},
};
const TCodeRow kDocTypes[] = {
    {u"CUSTOM", u"документ", kBlack},
    {u"AGREEMENT", u"договор", kBlack},
    {u"APP", u"приложение к договору", kBlack},
    {u"ACT", u"акт", kBlack},
    {u"TAX", u"налоговая накладная", kBlack},
    {u"INVOICE", u"счёт", kBlack},
    {u"GRANT", u"гарантийное письмо", kBlack},
    {u"INVOICE_1C", u"счёт 1C", kBlack},
    {u"XML", u"выгрузка XML", kBlack},
};
const TUAPIDocFileType kDocFileKinds[] = {dfNone, dfRtf, dfRtf, dfRtf, dfXls, dfXls, dfRtf, dfNone, dfXml};
const TCodeRow kMailData[] = {
    {u"SELF", u"", kBlack}, {u"EX", u"", kBlack}, {u"REDEEM", u"", kBlack},
    {u"BUYING", u"", kBlack}, {u"PHOTO", u"", kBlack}, {u"PRICE", u"", kBlack},
};
const TCodeRow kStickFineMethods[] = {
    {u"NONE", u"без штрафов", kBlack},
    {u"FIXED", u"фиксированная сумма за просрочку", kMaroon},
    {u"PERDAY", u"сумма за каждый день просрочки", kNavy},
};
const TCodeRow kStickTypes[] = {
    {u"F", u"поклейка", kNavy},
    {u"C", u"переклейка", kMaroon},
    {u"R", u"подклейка", kPurple},
    {u"N", u"ремонт", kPurple},
    {u"P", u"доп.фотоотчет", kGrey},
};
const TCodeRow kSaleStateTypes[] = {
    {u"S", u"только брони", kBlack},
    {u"R", u"только резервы/подтверждения", kBlack},
    {u"SR", u"все плоскости", kBlack},
};
const TCodeRow kKeysValues[] = {
    {u"K", u"Код", kRed},
    {u"KS", u"Код,Сторона", kRed},
    {u"KT", u"Код,Город", kRed},
    {u"KTS", u"Код,Город,Сторона", kRed},
    {u"KF", u"Код,Тип", kRed},
    {u"KFT", u"Код,Тип,Город", kRed},
    {u"KFS", u"Код,Тип,Сторона", kRed},
    {u"KFST", u"Код,Тип,Сторона,Город", kRed},
    {u"KA", u"Код,Адрес", kRed},
    {u"KAS", u"Код,Адрес,Сторона", kRed},
};

static_assert(std::size(kDataStates) == dsSystem + 1);
static_assert(std::size(kPriceTypes) == ptBoth + 1);
static_assert(std::size(kXDBTypes) == xtBuying + 1);
static_assert(std::size(kDocFileTypes) == dfXml + 1);
static_assert(std::size(kDocTypes) == dtXml + 1 && std::size(kDocFileKinds) == dtXml + 1);
static_assert(std::size(kMailData) == mdPrice + 1);
static_assert(std::size(kStickFineMethods) == sfmPerday + 1);
static_assert(std::size(kStickTypes) == stPhoto + 1);
static_assert(std::size(kSaleStateTypes) == sstAll + 1);
static_assert(std::size(kKeysValues) == kvKAS + 1);

// Out-of-range values (a cast from a bad ordinal) read as the first row rather than past the end.
template <std::size_t N>
const TCodeRow &Row(const TCodeRow (&rows)[N], int value)
{
    return rows[value >= 0 && std::size_t(value) < N ? value : 0];
}

// The row whose code equals `code` upper-cased (ASCII letters), or -1.
template <std::size_t N>
int FindCode(const TCodeRow (&rows)[N], QStringView code)
{
    for (std::size_t i = 0; i < N; ++i) {
        const QStringView rowCode(rows[i].Code);
        if (rowCode.size() != code.size())
            continue;
        bool same = true;
        for (qsizetype k = 0; k < code.size() && same; ++k) {
            char16_t c = code[k].unicode();
            if (c >= u'a' && c <= u'z')
                c = char16_t(c - (u'a' - u'A'));
            same = c == rowCode[k].unicode();
        }
        if (same)
            return int(i);
    }
    return -1;
}

template <typename E, std::size_t N>
void SetFromRows(const TCodeRow (&rows)[N], E &value, QStringView code)
{
    const int found = FindCode(rows, code);
    if (found >= 0)
        value = E(found);
}

template <typename E, std::size_t N>
void SetFromRowsOr(const TCodeRow (&rows)[N], E &value, QStringView code, E fallback)
{
    const int found = FindCode(rows, code);
    value = found >= 0 ? E(found) : fallback;
}

QString CodeOf(const TCodeRow &row) { return QString::fromUtf16(row.Code); }
QString TextOf(const TCodeRow &row) { return QString::fromUtf16(row.Text); }

} // namespace

QString ToCode(TUAPIDataState value) { return CodeOf(Row(kDataStates, value)); }
QString ToText(TUAPIDataState value) { return TextOf(Row(kDataStates, value)); }
TColor ToColor(TUAPIDataState value) { return Row(kDataStates, value).Color; }
void SetCode(TUAPIDataState &value, QStringView code) { SetFromRowsOr(kDataStates, value, code, dsNull); }

QString ToCode(TUAPIPriceType value) { return CodeOf(Row(kPriceTypes, value)); }
QString ToText(TUAPIPriceType value) { return TextOf(Row(kPriceTypes, value)); }
TColor ToColor(TUAPIPriceType value) { return Row(kPriceTypes, value).Color; }
void SetCode(TUAPIPriceType &value, QStringView code) { SetFromRows(kPriceTypes, value, code); }
TUAPIPriceType DefaultPriceType()
{
    TUAPIPriceType value = ptBoth;
    SetCode(value, u"CB");
    return value;
}

QString ToCode(TUAPIXDBType value) { return CodeOf(Row(kXDBTypes, value)); }
void SetCode(TUAPIXDBType &value, QStringView code) { SetFromRowsOr(kXDBTypes, value, code, xtNone); }

QString ToCode(TUAPIDocFileType value) { return CodeOf(Row(kDocFileTypes, value)); }

QString ToCode(TUAPIDocType value) { return CodeOf(Row(kDocTypes, value)); }
QString ToText(TUAPIDocType value) { return TextOf(Row(kDocTypes, value)); }
TUAPIDocFileType FileType(TUAPIDocType value)
{
    return value < std::size(kDocFileKinds) ? kDocFileKinds[value] : dfNone;
}
void SetCode(TUAPIDocType &value, QStringView code) { SetFromRowsOr(kDocTypes, value, code, dtCustom); }

QString ToCode(TUAPIMailData value) { return CodeOf(Row(kMailData, value)); }
void SetCode(TUAPIMailData &value, QStringView code) { SetFromRows(kMailData, value, code); }

TUAPIMailDataSet::TUAPIMailDataSet(std::initializer_list<TUAPIMailData> values)
{
    for (TUAPIMailData value : values)
        Include(value);
}

TUAPIMailDataSet TUAPIMailDataSet::FromCodes(const QString &text)
{
    TRec<QString> pieces;
    TRecManager::Explode(text, &pieces, QStringLiteral(","));
    TUAPIMailDataSet set;
    for (const QString &piece : pieces) {
        const int found = FindCode(kMailData, piece);
        if (found >= 0)
            set.Include(TUAPIMailData(found));
    }
    return set;
}

QString ToCode(TUAPIStickFineMethod value) { return CodeOf(Row(kStickFineMethods, value)); }
QString ToText(TUAPIStickFineMethod value) { return TextOf(Row(kStickFineMethods, value)); }
TColor ToColor(TUAPIStickFineMethod value) { return Row(kStickFineMethods, value).Color; }
void SetCode(TUAPIStickFineMethod &value, QStringView code) { SetFromRows(kStickFineMethods, value, code); }
void Clear(TUAPIStickFineMethod &value) { value = sfmNone; }

QString ToCode(TUAPIStickType value) { return CodeOf(Row(kStickTypes, value)); }
QString ToText(TUAPIStickType value) { return TextOf(Row(kStickTypes, value)); }
TColor ToColor(TUAPIStickType value) { return Row(kStickTypes, value).Color; }
bool IsFollowUp(TUAPIStickType value) { return value >= stRestick && value <= stPhoto; }

QString ToCode(TUAPISaleStateType value) { return CodeOf(Row(kSaleStateTypes, value)); }
QString ToText(TUAPISaleStateType value) { return TextOf(Row(kSaleStateTypes, value)); }
TColor ToColor(TUAPISaleStateType value) { return Row(kSaleStateTypes, value).Color; }

QString ToCode(TUAPIKeysValue value) { return CodeOf(Row(kKeysValues, value)); }
QString ToText(TUAPIKeysValue value) { return TextOf(Row(kKeysValues, value)); }
TColor ToColor(TUAPIKeysValue value) { return Row(kKeysValues, value).Color; }
