#pragma once

#include "UAPITypes.h"
#include "UColor.h"
#include "UDateTime.h"
#include "UMoney.h"
#include "URecs.h"
#include "UVariables.h"

#include <QString>

#include <array>
#include <cstdint>

enum TOutdoorAppType : uint8_t { oatMain, oatStick };

// The organisation as the service describes it.
struct TOutdoorOrg {
    QString Title;
    QString Email;
    QString Phone1;
    QString Phone2;
    QString Phone3;
    TColor ColorFg = 0;        // black
    TColor ColorBg = 16777215; // white
    QString URL;
    QString Address1;
    QString Address2;
    bool HaveLogo = false;

    void Clear() { *this = TOutdoorOrg(); }
    void SetLogo() { HaveLogo = true; }
    void UnsetLogo() { HaveLogo = false; }
};

struct TOutdoorEmail {
    QString SystemEmail;
    QString AutoEmail;
    QString CopyEmail;

    void Clear() { *this = TOutdoorEmail(); }
};

struct TSMTPConfig {
    QString Host;
    QString UserName;
    QString Password;
    bool Auth = false;
    QString Email;
    uint16_t Port = 25;

    void Clear() { *this = TSMTPConfig(); }
};

struct TBoardPeriodStateRec {
    TColor Color = 12632256; // silver grey
    QString Title;

    void Clear() { *this = TBoardPeriodStateRec(); }
};

using TBoardPeriodStateRecs = std::array<TBoardPeriodStateRec, beQP + 1>;

struct TGeoCoord {
    double FLat = 0;
    double FLong = 0;

    void Clear() { *this = TGeoCoord(); }
    bool IsSet() const { return FLat != 0 || FLong != 0; }
    bool IsTheSame(const TGeoCoord &Other) const { return FLat == Other.FLat && FLong == Other.FLong; }
};

// The workstation's variables: the general ones, the organisation's settings that the service
// hands over at connection, and every file name, folder and web address the clients derive.
class TOutdoorVariables : public TUVariables {
public:
    TOutdoorVariables();
    explicit TOutdoorVariables(const QString &ExeFileName);

    const QString &LastVersion() const { return FLastVersion; }
    void SetLastVersion(const QString &Value) { FLastVersion = Value; }
    TLanguage DBLanguage() const { return FDBLang; }
    void SetDBLanguage(TLanguage Value) { FDBLang = Value; }
    const QString &URL() const { return FURL; }
    void SetURL(const QString &Value) { FURL = Value; }
    bool SkipWeekends() const { return FSkipWeekends; }
    void SetSkipWeekends(bool Value) { FSkipWeekends = Value; }
    uint8_t ActualPeriod() const { return FActualPeriod; }
    void SetActualPeriod(uint8_t Value) { FActualPeriod = Value; }
    TDateTime ActualDate() const { return FActualDate; }
    void SetActualDate(TDateTime Value) { FActualDate = Value; }
    const TOutdoorOrg &Organization() const { return FOrg; }
    TOutdoorOrg &Organization() { return FOrg; }
    void SetOrganization(const TOutdoorOrg &Value) { FOrg = Value; }
    bool QuillNets() const { return FQuillNets; }
    void SetQuillNets(bool Value) { FQuillNets = Value; }
    bool SortSaleBoardsByAdded() const { return FSortSaleBoardsByAdded; }
    void SetSortSaleBoardsByAdded(bool Value) { FSortSaleBoardsByAdded = Value; }
    const TUDataKey &SelfOperator() const { return FSelfOperator; }
    void SetSelfOperator(const TUDataKey &Value) { FSelfOperator = Value; }
    bool SelfAutoLoad() const { return FSelfAutoLoad; }
    void SetSelfAutoLoad(bool Value) { FSelfAutoLoad = Value; }
    uint8_t DefaultRSkipPeriod() const { return FDefaultRSkipPeriod; }
    void SetDefaultRSkipPeriod(uint8_t Value) { FDefaultRSkipPeriod = Value; }
    bool ShowLogo() const { return FShowLogo; }
    void SetShowLogo(bool Value) { FShowLogo = Value; }
    uint8_t RSkipRemind() const { return FRSkipRemind; }
    void SetRSkipRemind(uint8_t Value) { FRSkipRemind = Value; }
    bool UserBlock() const { return FUserBlock; }
    void SetUserBlock(bool Value) { FUserBlock = Value; }
    const QString &Config1C() const { return FConfig1C; }
    void SetConfig1C(const QString &Value) { FConfig1C = Value; }
    TBoardPeriodStateRec BoardPeriodState(TUAPIBoardPeriodStateExtra Index) const { return GetBoardPeriodState(Index); }
    TBoardPeriodStateRec GetBoardPeriodState(TUAPIBoardPeriodStateExtra Index) const;
    void SetBoardPeriodState(TUAPIBoardPeriodStateExtra Index, const TBoardPeriodStateRec &Value);
    TLanguage DocsLang() const { return FDocsLang; }
    void SetDocsLang(TLanguage Value) { FDocsLang = Value; }
    bool ZPhotoreport() const { return FZPhotoreport; }
    void SetZPhotoreport(bool Value) { FZPhotoreport = Value; }
    bool SelfUseBoardAsOperatorID() const { return FSelfUseBoardAsOperatorID; }
    void SetSelfUseBoardAsOperatorID(bool Value) { FSelfUseBoardAsOperatorID = Value; }
    const QString &CurrencyHi() const { return FCurrencyHi; }
    void SetCurrencyHi(const QString &Value) { FCurrencyHi = Value; }
    const QString &CurrencyLo() const { return FCurrencyLo; }
    void SetCurrencyLo(const QString &Value) { FCurrencyLo = Value; }
    bool SyncDefault() const { return FSyncDefault; }
    void SetSyncDefault(bool Value) { FSyncDefault = Value; }
    bool StatesVisible() const { return FStatesVisible; }
    void SetStatesVisible(bool Value) { FStatesVisible = Value; }
    TOutdoorAppType AppType() const { return FAppType; }
    void SetAppType(TOutdoorAppType Value) { FAppType = Value; }
    TUAPIStickFineMethod StickFineMethod() const { return FStickFineMethod; }
    void SetStickFineMethod(TUAPIStickFineMethod Value) { FStickFineMethod = Value; }
    TMoney StickFineAmount() const { return FStickFineAmount; }
    void SetStickFineAmount(TMoney Value) { FStickFineAmount = Value; }
    bool Pollination() const { return FPollination; }
    void SetPollination(bool Value) { FPollination = Value; }
    bool PriceSaleDefaultBase() const { return FPriceSaleDefaultBase; }
    void SetPriceSaleDefaultBase(bool Value) { FPriceSaleDefaultBase = Value; }
    bool SaleStateSimple() const { return FSaleStateSimple; }
    void SetSaleStateSimple(bool Value) { FSaleStateSimple = Value; }
    // The support service's mailbox, named in the message about a fault of the service.
    const QString &SupportEmail() const { return FSupportEmail; }
    void SetSupportEmail(const QString &Value) { FSupportEmail = Value; }

    TSMTPConfig SMTP;
    TUAPIPriceTax Price;
    TOutdoorEmail Email;

    // Files and folders in the program folder.
    QString DocManagerIniFile() const;
    QString CacheDir() const;
    QString CacheDocDir() const;
    QString ReportDir() const;
    QString HelpFile() const;
    QString RunOnceFile() const;
    QString TemplateMail() const;
    QString TemplateExcel() const;
    QString TemplateNet() const;
    // ReportDir + code_country.extension; empty for dtCustom.
    QString TemplateDefault(TUAPIDocType DocType) const;

    // Sibling programs by file name, the same on every platform.
    QString ExeInit() const;
    QString ExeMainClient() const;
    static QString ExeMainClient(TOutdoorAppType AP);
    static QString ExeUpdate();

    // Web addresses under the database's URL, which the service gives with a closing "/".
    QString BoardURL() const;
    QString OfferURL() const;
    QString PhotoreportURL() const;
    QString ModuleSiteURL() const;
    QString ModuleSiteBoardURL() const;
    QString PhotoURL() const;
    QString ZPhotoreportURL() const;
    // A public map whose search takes "?q=" and coordinates or an address.
    static QString MapSetURL();

    // The workstation identifier: 8 upper-case hexadecimal digits that stay the same from run to
    // run (the root volume's serial, else the machine's identifier); empty when neither reads.
    static QString GetCompID();

private:
    void Init();

    QString FLastVersion;
    TLanguage FDBLang = lnRU;
    QString FURL;
    bool FSkipWeekends = false;
    uint8_t FActualPeriod = 3;
    TDateTime FActualDate;
    TOutdoorOrg FOrg;
    bool FQuillNets = false;
    bool FSortSaleBoardsByAdded = false;
    TUDataKey FSelfOperator;
    bool FSelfAutoLoad = true;
    uint8_t FDefaultRSkipPeriod = 5;
    bool FShowLogo = true;
    uint8_t FRSkipRemind = 0;
    bool FUserBlock = true;
    QString FConfig1C;
    TBoardPeriodStateRecs FBoardPeriodState;
    TLanguage FDocsLang = lnRU;
    bool FZPhotoreport = false;
    bool FSelfUseBoardAsOperatorID = false;
    QString FCurrencyHi;
    QString FCurrencyLo;
    bool FSyncDefault = true;
    bool FStatesVisible = true;
    TOutdoorAppType FAppType = oatMain;
    TUAPIStickFineMethod FStickFineMethod = sfmNone;
    TMoney FStickFineAmount;
    bool FPollination = false;
    bool FPriceSaleDefaultBase = false;
    bool FSaleStateSimple = true;
    QString FSupportEmail = QStringLiteral("support@quillmarsh.ru");
};
