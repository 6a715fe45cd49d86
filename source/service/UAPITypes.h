#pragma once

#include "UColor.h"
#include "UDateTime.h"
#include "UMoney.h"
#include "URecs.h"

#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>

#include <cstdint>

// A text of at most 32 one-byte characters held inline (answer column names, file hashes);
// longer texts are cut. Characters are in the system's single-byte code page.
class TUAPIKey {
public:
    static constexpr int MaxLength = 32;

    TUAPIKey() = default;
    explicit TUAPIKey(QStringView text);
    static TUAPIKey FromBytes(QByteArrayView bytes);

    int Length() const { return FLength; }
    bool IsEmpty() const { return FLength == 0; }
    QByteArrayView Bytes() const { return QByteArrayView(FData, FLength); }
    // For matching against the protocol's ASCII names (FromName).
    QLatin1StringView NameView() const { return QLatin1StringView(FData, FLength); }
    QString ToString() const;

    // Bytes past the length are always zero, so plain member comparison is text equality.
    bool operator==(const TUAPIKey &) const = default;

private:
    uint8_t FLength = 0;
    char FData[MaxLength] = {};
};

// Tax rates of a price: TaxNDS and TaxNR are percentages; NCB is carried, not interpreted here.
struct TUAPIPriceTax {
    double NCB = 1.0;
    double TaxNDS = 0;
    double TaxNR = 0;

    void Clear();
    static TUAPIPriceTax Default() { return {}; }
    double NDSValue() const { return TaxNDS / 100; }
    double NRValue() const { return TaxNR / 100; }
    double TaxKN() const { return NDSValue() + 1 + NRValue(); }
};

// A gross amount split into the net sum and the two taxes; the parts always add up to Amount.
struct TUAPIPriceTaxValue {
    TMoney Amount;
    TMoney Sum;
    TMoney NDS;
    TMoney NR;

    void Clear();
    // The tax split of `amount`, every step rounded to the ten-thousandth, ties to even.
    // Throws std::overflow_error when the rates make no split (total factor 0 or not finite).
    void Calk(TMoney amount, const TUAPIPriceTax &tax);
    TUAPIPriceTaxValue operator+(const TUAPIPriceTaxValue &other) const;
    TUAPIPriceTaxValue operator-(const TUAPIPriceTaxValue &other) const;
    bool operator==(const TUAPIPriceTaxValue &) const = default;
};

// A money amount that may be unset (any negative amount); zero is set.
class TUAPIPrice {
public:
    TUAPIPrice() { Clear(); }
    // The amount when it is not negative, otherwise unset.
    static TUAPIPrice FromMoney(TMoney value);
    // Two decimals; unreadable text gives an unset price.
    static TUAPIPrice FromText(const QString &text);

    TMoney Value() const { return FValue; }
    bool IsSet() const { return FValue.Raw() >= 0; }
    void Clear();
    void SetDefault() { FValue = TMoney(); }
    TUAPIPriceTaxValue CalkTax(const TUAPIPriceTax &tax) const;

    // Two decimals when set, the empty text otherwise.
    QString ToString() const;
    // The amount when set, otherwise 0.
    TMoney ToMoney() const { return IsSet() ? FValue : TMoney(); }
    double ToDouble() const { return ToMoney().ToDouble(); }

    // Unset when either side is unset.
    TUAPIPrice operator+(const TUAPIPrice &other) const;
    bool operator==(const TUAPIPrice &) const = default;

private:
    TMoney FValue;
};

// A price factor and an amount added after it.
struct TUAPIPriceMargin {
    long double Margin = 1.0L; // 1.0: no margin
    TMoney Extra;

    void Clear();
    void SetData(long double margin, TMoney extra);
    // The margin in per cent.
    long double MarginPr() const { return (Margin - 1) * 100; }
    void SetMarginPr(long double value) { Margin = value / 100 + 1; }
    // price x Margin x addMarginPrice + Extra, rounded to the ten-thousandth (ties to even);
    // unset for an unset price or a negative result.
    TUAPIPrice Calc(const TUAPIPrice &price, long double addMarginPrice) const;
};

// A file in the service's file store.
struct TUAPIFile {
    TUDataKey FID;
    TUAPIKey FHash;
    TDateTime Updated;
    QString Ext; // without the dot

    void Clear();
    bool IsSet() const { return FID.IsSet() && !FHash.IsEmpty(); }
    // FHash + "." + Ext, or FHash alone when there is no extension.
    QString FileName() const;
    void SetData(const TUDataKey &fid, QStringView fhash, TDateTime updated, const QString &ext);
};

// Number and date of a document to produce.
struct TUAPIDocReq {
    QString DocNumber;
    TDateTime DocDate;

    // No number, dated now.
    void Clear();
    bool IsSet() const { return !DocNumber.isEmpty(); }
    void SetFrom(const QString &docNumber, TDateTime docDate);
};

// Who did something and when.
struct TUAPIActionStamp {
    TUDataKey User;
    TDateTime TimeStamp;

    void Clear();
};

// Coded enumerations. Codes are read with the input upper-cased first (ASCII letters only,
// as the codes are ASCII); each reader states what an unknown code gives.

enum TUAPIDataState : uint8_t { dsNull, dsEnabled, dsDisabled, dsRemoved, dsSystem };
QString ToCode(TUAPIDataState value);
QString ToText(TUAPIDataState value);
TColor ToColor(TUAPIDataState value);
void SetCode(TUAPIDataState &value, QStringView code); // unknown: dsNull

enum TUAPIPriceType : uint8_t { ptCash, ptBank, ptBoth };
QString ToCode(TUAPIPriceType value);
QString ToText(TUAPIPriceType value);
TColor ToColor(TUAPIPriceType value);
void SetCode(TUAPIPriceType &value, QStringView code); // unknown: unchanged
TUAPIPriceType DefaultPriceType(); // the one coded "CB"

enum TUAPIXDBType : uint8_t { xtNone, xtMaster, xtOperator, xtBuying };
QString ToCode(TUAPIXDBType value);
void SetCode(TUAPIXDBType &value, QStringView code); // unknown: xtNone

enum TUAPIDocFileType : uint8_t { dfNone, dfRtf, dfDoc, dfXls, dfXml };
QString ToCode(TUAPIDocFileType value);

enum TUAPIDocType : uint8_t {
    dtCustom, dtAgreement, dtApp, dtAct, dtTax, dtInvoice, dtGrant, dtInvoice_1C, dtXml,
};
QString ToCode(TUAPIDocType value);
QString ToText(TUAPIDocType value);
TUAPIDocFileType FileType(TUAPIDocType value);
void SetCode(TUAPIDocType &value, QStringView code); // unknown: dtCustom

enum TUAPIMailData : uint8_t { mdSelf, mdEx, mdRedeem, mdBuying, mdPhoto, mdPrice };
QString ToCode(TUAPIMailData value);
void SetCode(TUAPIMailData &value, QStringView code); // unknown: unchanged

// A set of TUAPIMailData values.
class TUAPIMailDataSet {
public:
    TUAPIMailDataSet() = default;
    TUAPIMailDataSet(std::initializer_list<TUAPIMailData> values);
    // Comma-separated codes; pieces that are no code are skipped.
    static TUAPIMailDataSet FromCodes(const QString &text);

    bool Contains(TUAPIMailData value) const { return FBits & Bit(value); }
    void Include(TUAPIMailData value) { FBits |= Bit(value); }
    void Exclude(TUAPIMailData value) { FBits &= uint8_t(~Bit(value)); }
    bool IsEmpty() const { return FBits == 0; }
    bool operator==(const TUAPIMailDataSet &) const = default;

private:
    static uint8_t Bit(TUAPIMailData value) { return uint8_t(1u << value); }
    uint8_t FBits = 0;
};

enum TUAPIStickFineMethod : uint8_t { sfmNone, sfmFixed, sfmPerday };
QString ToCode(TUAPIStickFineMethod value);
QString ToText(TUAPIStickFineMethod value);
TColor ToColor(TUAPIStickFineMethod value);
void SetCode(TUAPIStickFineMethod &value, QStringView code); // unknown: unchanged
void Clear(TUAPIStickFineMethod &value);

// Kinds of poster work, in their coded order F, C, R, N, P.
enum TUAPIStickType : uint8_t { stStick, stRestick, stPatch, stRepair, stPhoto };
QString ToCode(TUAPIStickType value);
QString ToText(TUAPIStickType value);
TColor ToColor(TUAPIStickType value);
// Every kind but the first sticking: work on a poster that is already up.
bool IsFollowUp(TUAPIStickType value);

// Which sale states a list shows: S, R, SR.
enum TUAPISaleStateType : uint8_t { sstSale, sstReserve, sstAll };
QString ToCode(TUAPISaleStateType value);
QString ToText(TUAPISaleStateType value);
TColor ToColor(TUAPISaleStateType value);

// Which attributes make up a board's key text; named by their codes.
enum TUAPIKeysValue : uint8_t { kvK, kvKS, kvKT, kvKTS, kvKF, kvKFT, kvKFS, kvKFST, kvKA, kvKAS };
QString ToCode(TUAPIKeysValue value);
QString ToText(TUAPIKeysValue value);
TColor ToColor(TUAPIKeysValue value);

// Extra states of a board's period; their colours and titles are configuration.
enum TUAPIBoardPeriodStateExtra : uint8_t {
    beN, beU, beF, beR, beP, beV, beS, beSP, beT, beTP, beQ, beQP,
};
