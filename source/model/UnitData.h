#pragma once

#include "UAPIDataArray.h"
#include "UAPIDataFields.h"
#include "UAPITypes.h"
#include "UDataModule.h"

#include <QString>

#include <cstdint>
#include <memory>

// The business records of the service as data items. Each entity knows the answer columns it
// is read from and fills itself from one row of an answer table.
//
// Construction gives every class its own defaults and key column: each level's constructor
// applies its own part of SetDefault and FieldsSetDefault (a base constructor cannot reach the
// overrides of the class being built), so a new object equals one that had SetDefault and
// FieldsSetDefault called. Owned parts (contacts, requisites, key lists) are value members: they
// exist for the whole life of their entity.

// A key set with a text form: keys joined by ",".
class TDataIDList : public TUDataKeyList {
public:
    using TUDataKeyList::TUDataKeyList;

    // Clears, then adds every piece of Str between "," as a key.
    void SetFrom(const QString &Str);
    QString ToStr() const;
};

// A data item read from an answer row: the columns of its key, title and colour.
class TUAPIDataItem : public TUDataItem {
public:
    TUAPIDataItem() = default;

    TDataFieldType IDField() const { return FIDField; }
    void SetIDField(TDataFieldType Value) { FIDField = Value; }
    TDataFieldType TitleField() const { return FTitleField; }
    void SetTitleField(TDataFieldType Value) { FTitleField = Value; }
    TDataFieldType ColorField() const { return FColorField; }
    void SetColorField(TDataFieldType Value) { FColorField = Value; }

    // The colour an empty colour cell gives.
    virtual TColor DefaultColor() const;
    // Fills the fields from row Row of Data; a column the table lacks leaves the base fields as
    // they were and reads as the empty text for every other field. Nothing is reset first.
    // Data is required ("Data must be assigned").
    virtual void Load(const TAPIDataArray *Data, int Row);
    // SetDefault, then Load.
    void LoadClear(const TAPIDataArray *Data, int Row);
    // No key column, the title and colour columns; classes with a key column set it after.
    virtual void FieldsSetDefault();

private:
    TDataFieldType FIDField = dft_null;
    TDataFieldType FTitleField = dft_title;
    TDataFieldType FColorField = dft_color;
};

// Something that stands on boards: a count of them.
class TDataHaveBoard : public TUAPIDataItem {
public:
    TDataHaveBoard() = default;
    void Assign(const TPersistent &Source) override;
    void SetDefault() override;
    void Load(const TAPIDataArray *Data, int Row) override;

    uint32_t BoardCount() const { return FBoardCount; }
    void SetBoardCount(uint32_t Value) { FBoardCount = Value; }

private:
    uint32_t FBoardCount = 0;
};

// A record with a state; enabled when new.
class TDataHaveState : public TUAPIDataItem {
public:
    TDataHaveState() = default;
    void Assign(const TPersistent &Source) override;
    void SetDefault() override;
    void Load(const TAPIDataArray *Data, int Row) override;

    TUAPIDataState State() const { return FState; }
    void SetState(TUAPIDataState Value) { FState = Value; }

private:
    TUAPIDataState FState = dsEnabled;
};

class TDataTown : public TDataHaveBoard {
public:
    static constexpr TDataFieldType KeyField = dft_town;

    TDataTown() { SetIDField(KeyField); }
    void Assign(const TPersistent &Source) override;
    void SetDefault() override;
    void Load(const TAPIDataArray *Data, int Row) override;
    void FieldsSetDefault() override;

    const TUDataKey &TownType() const { return FTownType; }
    void SetTownType(const TUDataKey &Value) { FTownType = Value; }
    const TUDataKey &Region() const { return FRegion; }
    void SetRegion(const TUDataKey &Value) { FRegion = Value; }
    uint32_t Population() const { return FPopulation; }
    void SetPopulation(uint32_t Value) { FPopulation = Value; }

private:
    TUDataKey FTownType;
    TUDataKey FRegion;
    uint32_t FPopulation = 0;
};

class TDataBoardFormat : public TDataHaveBoard {
public:
    static constexpr TDataFieldType KeyField = dft_board_format;

    TDataBoardFormat() { SetIDField(KeyField); }
    void Assign(const TPersistent &Source) override;
    void SetDefault() override;
    void Load(const TAPIDataArray *Data, int Row) override;
    void FieldsSetDefault() override;

    const QString &Description() const { return FDesc; }
    void SetDescription(const QString &Value) { FDesc = Value; }

private:
    QString FDesc;
};

// An advertising operator: its price form, factor and margins.
class TDataOperator : public TDataHaveBoard {
public:
    static constexpr TDataFieldType KeyField = dft_operator;

    TDataOperator() { SetIDField(KeyField); }
    void Assign(const TPersistent &Source) override;
    void SetDefault() override;
    void Load(const TAPIDataArray *Data, int Row) override;
    void FieldsSetDefault() override;

    TUAPIDataState State() const { return FState; }
    void SetState(TUAPIDataState Value) { FState = Value; }
    double KN() const { return FKN; }
    void SetKN(double Value) { FKN = Value; }
    TUAPIPriceType PriceType() const { return FPriceType; }
    void SetPriceType(TUAPIPriceType Value) { FPriceType = Value; }
    bool IsOnline() const { return FIsOnline; }
    void SetIsOnline(bool Value) { FIsOnline = Value; }
    bool IsRestricted() const { return FIsRestricted; }
    void SetIsRestricted(bool Value) { FIsRestricted = Value; }
    const TUAPIPriceMargin &MarginCash() const { return FMarginCash; }
    void SetMarginCash(const TUAPIPriceMargin &Value) { FMarginCash = Value; }
    const TUAPIPriceMargin &MarginBank() const { return FMarginBank; }
    void SetMarginBank(const TUAPIPriceMargin &Value) { FMarginBank = Value; }

private:
    TUAPIDataState FState = dsNull;
    bool FIsOnline = false;
    bool FIsRestricted = false;
    TUAPIPriceType FPriceType = ptBoth;
    double FKN = 1.0;
    TUAPIPriceMargin FMarginCash;
    TUAPIPriceMargin FMarginBank;
};

class TDataUser : public TDataHaveState {
public:
    static constexpr TDataFieldType KeyField = dft_login;

    TDataUser() { SetIDField(KeyField); }
    void Assign(const TPersistent &Source) override;
    void SetDefault() override;
    void Load(const TAPIDataArray *Data, int Row) override;
    void FieldsSetDefault() override;

    const TUDataKey &Role() const { return FRole; }
    void SetRole(const TUDataKey &Value) { FRole = Value; }

private:
    TUDataKey FRole;
};

// Filled by the reference cache, which names their key fields; no key column of their own.
class TDataRole : public TDataHaveState {};
class TDataStick : public TDataHaveState {};
class TDataStickRCPT : public TDataHaveState {};

// A kind of poster-work result; one of them is the default.
class TDataStickRC : public TDataHaveState {
public:
    static constexpr TDataFieldType KeyField = dft_stick_rc;

    TDataStickRC() { SetIDField(KeyField); }
    void Assign(const TPersistent &Source) override;
    void SetDefault() override;
    void Load(const TAPIDataArray *Data, int Row) override;
    void FieldsSetDefault() override;

    bool IsDefault() const { return FIsDefault; }
    void SetIsDefault(bool Value) { FIsDefault = Value; }

private:
    bool FIsDefault = false;
};

// How to reach a client or firm: eleven texts.
class TDataContact : public TUAPIDataItem {
public:
    static constexpr TDataFieldType KeyField = dft_contact;

    TDataContact() { SetIDField(KeyField); }
    void Assign(const TPersistent &Source) override;
    void SetDefault() override;
    void Load(const TAPIDataArray *Data, int Row) override;
    void FieldsSetDefault() override;

    const QString &Person() const { return FPerson; }
    void SetPerson(const QString &Value) { FPerson = Value; }
    const QString &PersonSale() const { return FPersonSale; }
    void SetPersonSale(const QString &Value) { FPersonSale = Value; }
    const QString &Address() const { return FAddress; }
    void SetAddress(const QString &Value) { FAddress = Value; }
    const QString &Phone() const { return FPhone; }
    void SetPhone(const QString &Value) { FPhone = Value; }
    const QString &Email() const { return FEmail; }
    void SetEmail(const QString &Value) { FEmail = Value; }
    const QString &URL() const { return FURL; }
    void SetURL(const QString &Value) { FURL = Value; }
    const QString &Skype() const { return FSkype; }
    void SetSkype(const QString &Value) { FSkype = Value; }
    const QString &ICQ() const { return FICQ; }
    void SetICQ(const QString &Value) { FICQ = Value; }
    const QString &VK() const { return FVK; }
    void SetVK(const QString &Value) { FVK = Value; }
    const QString &FB() const { return FFB; }
    void SetFB(const QString &Value) { FFB = Value; }
    const QString &Description() const { return FDescription; }
    void SetDescription(const QString &Value) { FDescription = Value; }

private:
    QString FPerson;
    QString FPersonSale;
    QString FAddress;
    QString FPhone;
    QString FEmail;
    QString FURL;
    QString FSkype;
    QString FICQ;
    QString FVK;
    QString FFB;
    QString FDescription;
};

// Legal requisites of a client or firm.
class TDataReq : public TUAPIDataItem {
public:
    static constexpr TDataFieldType KeyField = dft_req;

    TDataReq() { SetIDField(KeyField); }
    void Assign(const TPersistent &Source) override;
    void SetDefault() override;
    void Load(const TAPIDataArray *Data, int Row) override;
    void FieldsSetDefault() override;

    // The full name, else the short one, else the title.
    QString JurName() const;
    // The director's full name, else the short one.
    QString DirName() const;

    const TUDataKey &ReqType() const { return FReqType; }
    void SetReqType(const TUDataKey &Value) { FReqType = Value; }
    const QString &NameFull() const { return FNameFull; }
    void SetNameFull(const QString &Value) { FNameFull = Value; }
    const QString &NameShort() const { return FNameShort; }
    void SetNameShort(const QString &Value) { FNameShort = Value; }
    const QString &OrgCode() const { return FOrgCode; }
    void SetOrgCode(const QString &Value) { FOrgCode = Value; }
    const QString &Address() const { return FAddress; }
    void SetAddress(const QString &Value) { FAddress = Value; }
    const QString &BankName() const { return FBankName; }
    void SetBankName(const QString &Value) { FBankName = Value; }
    const QString &BankAccount() const { return FBankAccount; }
    void SetBankAccount(const QString &Value) { FBankAccount = Value; }
    const QString &BankMFO() const { return FBankMFO; }
    void SetBankMFO(const QString &Value) { FBankMFO = Value; }
    const QString &INN() const { return FINN; }
    void SetINN(const QString &Value) { FINN = Value; }
    const QString &KPP() const { return FKPP; }
    void SetKPP(const QString &Value) { FKPP = Value; }
    const QString &NDSCode() const { return FNDSCode; }
    void SetNDSCode(const QString &Value) { FNDSCode = Value; }
    const QString &DirNameFull() const { return FDirNameFull; }
    void SetDirNameFull(const QString &Value) { FDirNameFull = Value; }
    const QString &DirNameShort() const { return FDirNameShort; }
    void SetDirNameShort(const QString &Value) { FDirNameShort = Value; }
    const QString &Phone() const { return FPhone; }
    void SetPhone(const QString &Value) { FPhone = Value; }
    const QString &Buh() const { return FBuh; }
    void SetBuh(const QString &Value) { FBuh = Value; }
    const QString &BankKS() const { return FBankKS; }
    void SetBankKS(const QString &Value) { FBankKS = Value; }
    const QString &OKPORU() const { return FOKPORU; }
    void SetOKPORU(const QString &Value) { FOKPORU = Value; }

private:
    TUDataKey FReqType;
    QString FNameFull;
    QString FNameShort;
    QString FOrgCode;
    QString FAddress;
    QString FBankName;
    QString FBankAccount;
    QString FBankMFO;
    QString FINN;
    QString FKPP;
    QString FNDSCode;
    QString FDirNameFull;
    QString FDirNameShort;
    QString FPhone;
    QString FBuh;
    QString FBankKS;
    QString FOKPORU;
};

// A firm of the business itself, with its contact and requisites.
class TDataFirm : public TUAPIDataItem {
public:
    static constexpr TDataFieldType KeyField = dft_firm;

    TDataFirm() { SetIDField(KeyField); }
    void Assign(const TPersistent &Source) override;
    void SetDefault() override;
    void Load(const TAPIDataArray *Data, int Row) override;
    void FieldsSetDefault() override;

    TDataContact &Contact() { return FContact; }
    const TDataContact &Contact() const { return FContact; }
    TDataReq &Req() { return FReq; }
    const TDataReq &Req() const { return FReq; }
    const TUAPIActionStamp &Created() const { return FCreated; }
    void SetCreated(const TUAPIActionStamp &Value) { FCreated = Value; }
    const TUAPIActionStamp &Updated() const { return FUpdated; }
    void SetUpdated(const TUAPIActionStamp &Value) { FUpdated = Value; }

private:
    TDataContact FContact;
    TDataReq FReq;
    TUAPIActionStamp FCreated;
    TUAPIActionStamp FUpdated;
};

// A client of the business: its manager, contact, requisites, agreement and e-mail addresses.
//
// A client made with TListItem is a list entry: key, title, colour, state, manager and e-mail
// addresses. Its answer-table parts (contact, requisites, stamps, agreement) are not made until
// something writes to them, and read as their defaults (the agreement undated) until then; a
// source of a hundred thousand clients then takes a fraction of the memory.
class TDataClient : public TDataHaveState {
public:
    static constexpr TDataFieldType KeyField = dft_client;
    struct TListItem {};

private:
    struct TDetails {
        TDataContact Contact;
        TDataReq Req;
        TUAPIActionStamp Created;
        TUAPIActionStamp Updated;
        TUDataKey Agreement;
        TUAPIDocReq AgreementReq;

        // Dated: details made now are a new client's.
        explicit TDetails(bool Dated);
        void SetDefault();
    };

public:

    TDataClient();
    explicit TDataClient(TListItem);
    ~TDataClient() override;
    void Assign(const TPersistent &Source) override;
    void SetDefault() override;
    void Load(const TAPIDataArray *Data, int Row) override;
    void FieldsSetDefault() override;

    // The poster-work address when there is one, else the contact address.
    const QString &GetQuillEmail() const;
    // False for a list entry whose answer-table parts were never written.
    bool HasDetails() const { return FDetails != nullptr; }

    const TUDataKey &Manager() const { return FManager; }
    void SetManager(const TUDataKey &Value) { FManager = Value; }
    TDataContact &Contact() { return Details().Contact; }
    const TDataContact &Contact() const { return Peek().Contact; }
    TDataReq &Req() { return Details().Req; }
    const TDataReq &Req() const { return Peek().Req; }
    const TUAPIActionStamp &Created() const { return Peek().Created; }
    void SetCreated(const TUAPIActionStamp &Value) { Details().Created = Value; }
    const TUAPIActionStamp &Updated() const { return Peek().Updated; }
    void SetUpdated(const TUAPIActionStamp &Value) { Details().Updated = Value; }
    const TUDataKey &Agreement() const { return Peek().Agreement; }
    void SetAgreement(const TUDataKey &Value) { Details().Agreement = Value; }
    const TUAPIDocReq &AgreementReq() const { return Peek().AgreementReq; }
    void SetAgreementReq(const TUAPIDocReq &Value) { Details().AgreementReq = Value; }
    const QString &QuillEmail() const { return FQuillEmail; }
    void SetQuillEmail(const QString &Value) { FQuillEmail = Value; }
    const QString &ContactEmail() const { return FContactEmail; }
    void SetContactEmail(const QString &Value) { FContactEmail = Value; }

private:
    // Made on first use, with the defaults of a new client.
    TDetails &Details();
    // The client's own parts, or the defaults when it has none yet.
    const TDetails &Peek() const;

    std::unique_ptr<TDetails> FDetails;
    // Beside the parts: the lists show and filter clients by their manager.
    TUDataKey FManager;
    QString FQuillEmail;
    QString FContactEmail;
};

// What document and mail templates share: the document type, the stored file and who made it.
class TDataDocCommon : public TDataHaveState {
public:
    TDataDocCommon() = default;
    void Assign(const TPersistent &Source) override;
    void SetDefault() override;
    void Load(const TAPIDataArray *Data, int Row) override;

    TUAPIDocType DocType() const { return FDocType; }
    // Every value is taken here; templates refuse some.
    virtual void SetDocType(TUAPIDocType Value);
    // The file's key, hash (cut to 32 characters), update time and extension from the row.
    virtual void LoadFileData(const TAPIDataArray *Data, int Row);

    const TUAPIFile &FileData() const { return FFileData; }
    void SetFileData(const TUAPIFile &Value) { FFileData = Value; }
    const TUAPIActionStamp &Created() const { return FCreated; }
    void SetCreated(const TUAPIActionStamp &Value) { FCreated = Value; }

protected:
    // Stores without the checks of SetDocType.
    void StoreDocType(TUAPIDocType Value) { FDocType = Value; }

private:
    TUAPIDocType FDocType = dtCustom;
    TUAPIFile FFileData;
    TUAPIActionStamp FCreated;
};

// A document template; always of a definite type, an agreement when new.
class TDataDocTemplate : public TDataDocCommon {
public:
    static constexpr TDataFieldType KeyField = dft_doc_template;

    TDataDocTemplate();
    void SetDefault() override;
    // A row whose type is unknown keeps the template's type: loading never fails.
    void Load(const TAPIDataArray *Data, int Row) override;
    void FieldsSetDefault() override;
    // dtCustom is refused ("Invalid document template type") and the type stays as it was.
    void SetDocType(TUAPIDocType Value) override;
};

// A mail template: which data it sends, and for which fields, operators, towns and formats.
class TDataMailTemplate : public TDataDocCommon {
public:
    static constexpr TDataFieldType KeyField = dft_mail_template;

    TDataMailTemplate() { SetIDField(KeyField); }
    void Assign(const TPersistent &Source) override;
    void SetDefault() override;
    void Load(const TAPIDataArray *Data, int Row) override;
    void FieldsSetDefault() override;

    const TUAPIMailDataSet &DataSet() const { return FDataSet; }
    void SetDataSet(const TUAPIMailDataSet &Value) { FDataSet = Value; }
    // The setters copy the given keys into the template's own list; the caller keeps Value.
    const TDataIDList &FieldList() const { return FFieldList; }
    void SetFieldList(const TUDataKeyList &Value);
    const TDataIDList &OperatorList() const { return FOperatorList; }
    void SetOperatorList(const TUDataKeyList &Value);
    const TDataIDList &TownList() const { return FTownList; }
    void SetTownList(const TUDataKeyList &Value);
    const TDataIDList &BoardFormatList() const { return FBoardFormatList; }
    void SetBoardFormatList(const TUDataKeyList &Value);
    const QString &Address() const { return FAddress; }
    void SetAddress(const QString &Value) { FAddress = Value; }
    const TUDataKey &Offer() const { return FOffer; }
    void SetOffer(const TUDataKey &Value) { FOffer = Value; }

private:
    TUAPIMailDataSet FDataSet;
    TDataIDList FFieldList;
    TDataIDList FOperatorList;
    TDataIDList FTownList;
    TDataIDList FBoardFormatList;
    QString FAddress;
    TUDataKey FOffer;
};

// A field a mail template can carry, keyed by the field's wire name, in configuration order.
class TDataMailTemplateField : public TUDataItem {
public:
    TDataMailTemplateField() = default;
    TDataMailTemplateField(TDataFieldType AField, const QString &ATitle, int32_t AOrderID);
    void Assign(const TPersistent &Source) override;
    void SetDefault() override;

    int32_t OrderID() const { return FOrderID; }
    void SetOrderID(int32_t Value) { FOrderID = Value; }

private:
    int32_t FOrderID = 0;
};

// Items of the fixed and small reference lists: a key, a title and a colour, nothing more.
class TDataState : public TUDataItem { public: using TUDataItem::TUDataItem; };
class TDataPriceType : public TUDataItem { public: using TUDataItem::TUDataItem; };
class TDataSyncPriceType : public TUDataItem { public: using TUDataItem::TUDataItem; };
class TDataSaleStateType : public TUDataItem { public: using TUDataItem::TUDataItem; };
class TDataRegion : public TUDataItem { public: using TUDataItem::TUDataItem; };
class TDataDocType : public TUDataItem { public: using TUDataItem::TUDataItem; };
class TDataTownType : public TUDataItem { public: using TUDataItem::TUDataItem; };
class TDataStickType : public TUDataItem { public: using TUDataItem::TUDataItem; };
class TDataStickFineMethod : public TUDataItem { public: using TUDataItem::TUDataItem; };
class TDataReqType : public TUDataItem { public: using TUDataItem::TUDataItem; };
class TDataBoardExtra : public TUDataItem { public: using TUDataItem::TUDataItem; };
class TDataKeysValue : public TUDataItem { public: using TUDataItem::TUDataItem; };

// The lists of each kind of item; they add nothing to a data source but its type.
class TDataStateSource : public TUDataSource { public: using TUDataSource::TUDataSource; };
class TDataPriceTypeSource : public TUDataSource { public: using TUDataSource::TUDataSource; };
class TDataSyncPriceTypeSource : public TUDataSource { public: using TUDataSource::TUDataSource; };
class TDataSaleStateTypeSource : public TUDataSource { public: using TUDataSource::TUDataSource; };
class TDataRegionSource : public TUDataSource { public: using TUDataSource::TUDataSource; };
class TDataDocTypeSource : public TUDataSource { public: using TUDataSource::TUDataSource; };
class TDataTownTypeSource : public TUDataSource { public: using TUDataSource::TUDataSource; };
class TDataStickTypeSource : public TUDataSource { public: using TUDataSource::TUDataSource; };
class TDataStickFineMethodSource : public TUDataSource { public: using TUDataSource::TUDataSource; };
class TDataReqTypeSource : public TUDataSource { public: using TUDataSource::TUDataSource; };
class TDataBoardExtraSource : public TUDataSource { public: using TUDataSource::TUDataSource; };
class TDataKeysValueSource : public TUDataSource { public: using TUDataSource::TUDataSource; };
class TDataMailTemplateFieldSource : public TUDataSource { public: using TUDataSource::TUDataSource; };
class TDataFirmSource : public TUDataSource { public: using TUDataSource::TUDataSource; };

class TDataHaveBoardSource : public TUDataSource { public: using TUDataSource::TUDataSource; };
class TDataTownSource : public TDataHaveBoardSource { public: using TDataHaveBoardSource::TDataHaveBoardSource; };
class TDataBoardFormatSource : public TDataHaveBoardSource { public: using TDataHaveBoardSource::TDataHaveBoardSource; };
class TDataOperatorSource : public TDataHaveBoardSource { public: using TDataHaveBoardSource::TDataHaveBoardSource; };

class TDataHaveStateSource : public TUDataSource { public: using TUDataSource::TUDataSource; };
class TDataRoleSource : public TDataHaveStateSource { public: using TDataHaveStateSource::TDataHaveStateSource; };
class TDataUserSource : public TDataHaveStateSource { public: using TDataHaveStateSource::TDataHaveStateSource; };
class TDataClientSource : public TDataHaveStateSource { public: using TDataHaveStateSource::TDataHaveStateSource; };
class TDataStickSource : public TDataHaveStateSource { public: using TDataHaveStateSource::TDataHaveStateSource; };
class TDataStickRCSource : public TDataHaveStateSource { public: using TDataHaveStateSource::TDataHaveStateSource; };
class TDataStickRCPTSource : public TDataHaveStateSource { public: using TDataHaveStateSource::TDataHaveStateSource; };
class TDataDocTemplateSource : public TDataHaveStateSource { public: using TDataHaveStateSource::TDataHaveStateSource; };
class TDataMailTemplateSource : public TDataHaveStateSource { public: using TDataHaveStateSource::TDataHaveStateSource; };
