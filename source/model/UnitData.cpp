#include "UnitData.h"

#include "UException.h"

#include <cmath>
#include <stdexcept>

// ---- Cell conversions
//
// The table's accessors read an absent column, row or cell as the empty text. Where an
// entity's rule differs from the accessor, the rule lives here once.

namespace {

// A count: a decimal integer that is not negative; 0 for anything else.
uint32_t ReadCount(const TAPIDataArray &Data, TDataFieldType Field, int Row)
{
    const int32_t value = Data.AsInt(Field, Row);
    return value > 0 ? uint32_t(value) : 0;
}

// A float held as an amount of ten-thousandths, rounded to the nearest; a value too large for
// an amount gives 0, as a cell that is no number does.
TMoney ReadCurrency(const TAPIDataArray &Data, TDataFieldType Field, int Row)
{
    try {
        return TMoney::FromDouble(Data.AsFloat(Field, Row));
    } catch (const std::overflow_error &) {
        return TMoney();
    }
}

// A price form code; a cell that is no code leaves the value as it was.
void ReadPriceType(const TAPIDataArray &Data, TDataFieldType Field, int Row, TUAPIPriceType &Value)
{
    SetCode(Value, Data.AsStr(Field, Row));
}

// A document type code; anything else is a custom document.
TUAPIDocType ReadDocType(const TAPIDataArray &Data, TDataFieldType Field, int Row)
{
    TUAPIDocType value = dtCustom;
    SetCode(value, Data.AsStr(Field, Row));
    return value;
}

// A factor and an extra amount, cleared first.
void ReadMargin(const TAPIDataArray &Data, TDataFieldType MarginField, TDataFieldType ExtraField, int Row,
                TUAPIPriceMargin &Value)
{
    Value.Clear();
    Value.SetData(Data.AsFloat(MarginField, Row), ReadCurrency(Data, ExtraField, Row));
}

void ReadStamp(const TAPIDataArray &Data, TDataFieldType UserField, TDataFieldType TimeField, int Row,
               TUAPIActionStamp &Value)
{
    Value.Clear();
    Value.User = Data.AsDataKey(UserField, Row);
    Value.TimeStamp = Data.AsDateTime(TimeField, Row);
}

} // namespace

// ---- TDataIDList

void TDataIDList::SetFrom(const QString &Str)
{
    TRecManager::Explode(Str, this, QStringLiteral(","));
}

QString TDataIDList::ToStr() const
{
    return TRecManager::Implode(this, QStringLiteral(","));
}

// ---- TUAPIDataItem

TColor TUAPIDataItem::DefaultColor() const
{
    return clNone;
}

void TUAPIDataItem::Load(const TAPIDataArray *Data, int Row)
{
    UAssert(Data != nullptr, QStringLiteral("Data must be assigned"));
    if (FIDField != dft_null && Data->IsSet(FIDField, Row))
        SetID(Data->AsDataKey(FIDField, Row));
    if (FTitleField != dft_null && Data->IsSet(FTitleField, Row))
        SetTitle(Data->AsStr(FTitleField, Row));
    if (FColorField != dft_null && Data->IsSet(FColorField, Row))
        SetColor(Data->AsColor(FColorField, Row, DefaultColor()));
}

void TUAPIDataItem::LoadClear(const TAPIDataArray *Data, int Row)
{
    SetDefault();
    Load(Data, Row);
}

void TUAPIDataItem::FieldsSetDefault()
{
    FIDField = dft_null;
    FTitleField = dft_title;
    FColorField = dft_color;
}

// ---- TDataHaveBoard, TDataHaveState

void TDataHaveBoard::Assign(const TPersistent &Source)
{
    TUAPIDataItem::Assign(Source);
    if (const auto *s = dynamic_cast<const TDataHaveBoard *>(&Source))
        FBoardCount = s->FBoardCount;
}

void TDataHaveBoard::SetDefault()
{
    TUAPIDataItem::SetDefault();
    FBoardCount = 0;
}

void TDataHaveBoard::Load(const TAPIDataArray *Data, int Row)
{
    TUAPIDataItem::Load(Data, Row);
    FBoardCount = ReadCount(*Data, dft_board_count, Row);
}

void TDataHaveState::Assign(const TPersistent &Source)
{
    TUAPIDataItem::Assign(Source);
    if (const auto *s = dynamic_cast<const TDataHaveState *>(&Source))
        FState = s->FState;
}

void TDataHaveState::SetDefault()
{
    TUAPIDataItem::SetDefault();
    FState = dsEnabled;
}

void TDataHaveState::Load(const TAPIDataArray *Data, int Row)
{
    TUAPIDataItem::Load(Data, Row);
    FState = Data->AsState(dft_state, Row);
}

// ---- TDataTown, TDataBoardFormat, TDataOperator

void TDataTown::Assign(const TPersistent &Source)
{
    TDataHaveBoard::Assign(Source);
    if (const auto *s = dynamic_cast<const TDataTown *>(&Source)) {
        FTownType = s->FTownType;
        FRegion = s->FRegion;
        FPopulation = s->FPopulation;
    }
}

void TDataTown::SetDefault()
{
    TDataHaveBoard::SetDefault();
    FTownType.Clear();
    FRegion.Clear();
    FPopulation = 0;
}

void TDataTown::Load(const TAPIDataArray *Data, int Row)
{
    TDataHaveBoard::Load(Data, Row);
    FTownType = Data->AsDataKey(dft_town_type, Row);
    FRegion = Data->AsDataKey(dft_region, Row);
    FPopulation = ReadCount(*Data, dft_population, Row);
}

void TDataTown::FieldsSetDefault()
{
    TDataHaveBoard::FieldsSetDefault();
    SetIDField(KeyField);
}

void TDataBoardFormat::Assign(const TPersistent &Source)
{
    TDataHaveBoard::Assign(Source);
    if (const auto *s = dynamic_cast<const TDataBoardFormat *>(&Source))
        FDesc = s->FDesc;
}

void TDataBoardFormat::SetDefault()
{
    TDataHaveBoard::SetDefault();
    FDesc.clear();
}

void TDataBoardFormat::Load(const TAPIDataArray *Data, int Row)
{
    TDataHaveBoard::Load(Data, Row);
    FDesc = Data->AsStr(dft_description, Row);
}

void TDataBoardFormat::FieldsSetDefault()
{
    TDataHaveBoard::FieldsSetDefault();
    SetIDField(KeyField);
}

void TDataOperator::Assign(const TPersistent &Source)
{
    TDataHaveBoard::Assign(Source);
    if (const auto *s = dynamic_cast<const TDataOperator *>(&Source)) {
        FState = s->FState;
        FIsOnline = s->FIsOnline;
        FIsRestricted = s->FIsRestricted;
        FPriceType = s->FPriceType;
        FKN = s->FKN;
        FMarginCash = s->FMarginCash;
        FMarginBank = s->FMarginBank;
    }
}

void TDataOperator::SetDefault()
{
    TDataHaveBoard::SetDefault();
    FState = dsNull;
    FIsOnline = false;
    FIsRestricted = false;
    FPriceType = ptBoth;
    FKN = 1.0;
    FMarginCash.Clear();
    FMarginBank.Clear();
}

void TDataOperator::Load(const TAPIDataArray *Data, int Row)
{
    TDataHaveBoard::Load(Data, Row);
    FState = Data->AsState(dft_state, Row);
    FKN = Data->AsFloat(dft_price_kn, Row);
    ReadPriceType(*Data, dft_price_type, Row, FPriceType);
    FIsOnline = Data->AsBoolean(dft_is_online, Row);
    FIsRestricted = Data->AsBoolean(dft_is_restricted, Row);
    ReadMargin(*Data, dft_price_mc, dft_price_ec, Row, FMarginCash);
    ReadMargin(*Data, dft_price_mb, dft_price_eb, Row, FMarginBank);
}

void TDataOperator::FieldsSetDefault()
{
    TDataHaveBoard::FieldsSetDefault();
    SetIDField(KeyField);
}

// ---- TDataUser, TDataStickRC

void TDataUser::Assign(const TPersistent &Source)
{
    TDataHaveState::Assign(Source);
    if (const auto *s = dynamic_cast<const TDataUser *>(&Source))
        FRole = s->FRole;
}

void TDataUser::SetDefault()
{
    TDataHaveState::SetDefault();
    FRole.Clear();
}

void TDataUser::Load(const TAPIDataArray *Data, int Row)
{
    TDataHaveState::Load(Data, Row);
    FRole = Data->AsDataKey(dft_role, Row);
}

void TDataUser::FieldsSetDefault()
{
    TDataHaveState::FieldsSetDefault();
    SetIDField(KeyField);
}

void TDataStickRC::Assign(const TPersistent &Source)
{
    TDataHaveState::Assign(Source);
    if (const auto *s = dynamic_cast<const TDataStickRC *>(&Source))
        FIsDefault = s->FIsDefault;
}

void TDataStickRC::SetDefault()
{
    TDataHaveState::SetDefault();
    FIsDefault = false;
}

void TDataStickRC::Load(const TAPIDataArray *Data, int Row)
{
    TDataHaveState::Load(Data, Row);
    FIsDefault = Data->AsBoolean(dft_is_default, Row);
}

void TDataStickRC::FieldsSetDefault()
{
    TDataHaveState::FieldsSetDefault();
    SetIDField(KeyField);
}

// ---- TDataContact

void TDataContact::Assign(const TPersistent &Source)
{
    TUAPIDataItem::Assign(Source);
    if (const auto *s = dynamic_cast<const TDataContact *>(&Source)) {
        FPerson = s->FPerson;
        FPersonSale = s->FPersonSale;
        FAddress = s->FAddress;
        FPhone = s->FPhone;
        FEmail = s->FEmail;
        FURL = s->FURL;
        FSkype = s->FSkype;
        FICQ = s->FICQ;
        FVK = s->FVK;
        FFB = s->FFB;
        FDescription = s->FDescription;
    }
}

void TDataContact::SetDefault()
{
    TUAPIDataItem::SetDefault();
    for (QString *text : {&FPerson, &FPersonSale, &FAddress, &FPhone, &FEmail, &FURL, &FSkype, &FICQ, &FVK,
                          &FFB, &FDescription})
        text->clear();
}

void TDataContact::Load(const TAPIDataArray *Data, int Row)
{
    TUAPIDataItem::Load(Data, Row);
    FPerson = Data->AsStr(dft_contact_person, Row);
    FPersonSale = Data->AsStr(dft_contact_person_sale, Row);
    FAddress = Data->AsStr(dft_contact_address, Row);
    FPhone = Data->AsStr(dft_contact_phone, Row);
    FEmail = Data->AsStr(dft_contact_email, Row);
    FURL = Data->AsStr(dft_contact_url, Row);
    FSkype = Data->AsStr(dft_contact_skype, Row);
    FICQ = Data->AsStr(dft_contact_icq, Row);
    FVK = Data->AsStr(dft_contact_vk, Row);
    FFB = Data->AsStr(dft_contact_fb, Row);
    FDescription = Data->AsStr(dft_contact_description, Row);
}

void TDataContact::FieldsSetDefault()
{
    TUAPIDataItem::FieldsSetDefault();
    SetIDField(KeyField);
}

// ---- TDataReq

QString TDataReq::JurName() const
{
    if (!FNameFull.isEmpty())
        return FNameFull;
    if (!FNameShort.isEmpty())
        return FNameShort;
    return Title();
}

QString TDataReq::DirName() const
{
    return !FDirNameFull.isEmpty() ? FDirNameFull : FDirNameShort;
}

void TDataReq::Assign(const TPersistent &Source)
{
    TUAPIDataItem::Assign(Source);
    if (const auto *s = dynamic_cast<const TDataReq *>(&Source)) {
        FReqType = s->FReqType;
        FNameFull = s->FNameFull;
        FNameShort = s->FNameShort;
        FOrgCode = s->FOrgCode;
        FAddress = s->FAddress;
        FBankName = s->FBankName;
        FBankAccount = s->FBankAccount;
        FBankMFO = s->FBankMFO;
        FINN = s->FINN;
        FKPP = s->FKPP;
        FNDSCode = s->FNDSCode;
        FDirNameFull = s->FDirNameFull;
        FDirNameShort = s->FDirNameShort;
        FPhone = s->FPhone;
        FBuh = s->FBuh;
        FBankKS = s->FBankKS;
        FOKPORU = s->FOKPORU;
    }
}

void TDataReq::SetDefault()
{
    TUAPIDataItem::SetDefault();
    FReqType.Clear();
    for (QString *text : {&FNameFull, &FNameShort, &FOrgCode, &FAddress, &FBankName, &FBankAccount, &FBankMFO,
                          &FINN, &FKPP, &FNDSCode, &FDirNameFull, &FDirNameShort, &FPhone, &FBuh, &FBankKS,
                          &FOKPORU})
        text->clear();
}

void TDataReq::Load(const TAPIDataArray *Data, int Row)
{
    TUAPIDataItem::Load(Data, Row);
    FReqType = Data->AsDataKey(dft_req_type, Row);
    FNameFull = Data->AsStr(dft_req_name_full, Row);
    FNameShort = Data->AsStr(dft_req_name_short, Row);
    FOrgCode = Data->AsStr(dft_req_org_code, Row);
    FAddress = Data->AsStr(dft_req_address, Row);
    FBankName = Data->AsStr(dft_req_bank_name, Row);
    FBankAccount = Data->AsStr(dft_req_bank_account, Row);
    FBankMFO = Data->AsStr(dft_req_bank_mfo, Row);
    FINN = Data->AsStr(dft_req_inn, Row);
    FKPP = Data->AsStr(dft_req_kpp, Row);
    FNDSCode = Data->AsStr(dft_req_nds_code, Row);
    FDirNameFull = Data->AsStr(dft_req_director_name_full, Row);
    FDirNameShort = Data->AsStr(dft_req_director_name_short, Row);
    FPhone = Data->AsStr(dft_req_phone, Row);
    FBuh = Data->AsStr(dft_req_buh, Row);
    FBankKS = Data->AsStr(dft_req_bank_ks, Row);
    FOKPORU = Data->AsStr(dft_req_okpo_ru, Row);
}

void TDataReq::FieldsSetDefault()
{
    TUAPIDataItem::FieldsSetDefault();
    SetIDField(KeyField);
}

// ---- TDataFirm

void TDataFirm::Assign(const TPersistent &Source)
{
    TUAPIDataItem::Assign(Source);
    if (const auto *s = dynamic_cast<const TDataFirm *>(&Source)) {
        FContact.Assign(s->FContact);
        FReq.Assign(s->FReq);
        FCreated = s->FCreated;
        FUpdated = s->FUpdated;
    }
}

void TDataFirm::SetDefault()
{
    TUAPIDataItem::SetDefault();
    FContact.SetDefault();
    FReq.SetDefault();
    FCreated.Clear();
    FUpdated.Clear();
}

void TDataFirm::Load(const TAPIDataArray *Data, int Row)
{
    TUAPIDataItem::Load(Data, Row);
    FContact.Load(Data, Row);
    FReq.Load(Data, Row);
    ReadStamp(*Data, dft_creator, dft_created, Row, FCreated);
    ReadStamp(*Data, dft_updater, dft_updated, Row, FUpdated);
}

void TDataFirm::FieldsSetDefault()
{
    TUAPIDataItem::FieldsSetDefault();
    SetIDField(KeyField);
}

// ---- TDataClient

TDataClient::TDetails::TDetails(bool Dated)
{
    if (Dated)
        AgreementReq.Clear();
}

void TDataClient::TDetails::SetDefault()
{
    Contact.SetDefault();
    Req.SetDefault();
    Created.Clear();
    Updated.Clear();
    Agreement.Clear();
    AgreementReq.Clear();
}

TDataClient::TDataClient() : FDetails(std::make_unique<TDetails>(true))
{
    SetIDField(KeyField);
}

TDataClient::TDataClient(TListItem)
{
    SetIDField(KeyField);
}

TDataClient::~TDataClient() = default;

TDataClient::TDetails &TDataClient::Details()
{
    if (!FDetails)
        FDetails = std::make_unique<TDetails>(true);
    return *FDetails;
}

const TDataClient::TDetails &TDataClient::Peek() const
{
    static const TDetails none(false);
    return FDetails ? *FDetails : none;
}

const QString &TDataClient::GetQuillEmail() const
{
    return !FQuillEmail.isEmpty() ? FQuillEmail : FContactEmail;
}

void TDataClient::Assign(const TPersistent &Source)
{
    TDataHaveState::Assign(Source);
    if (const auto *s = dynamic_cast<const TDataClient *>(&Source)) {
        if (s->FDetails) {
            TDetails &d = Details();
            d.Contact.Assign(s->FDetails->Contact);
            d.Req.Assign(s->FDetails->Req);
            d.Created = s->FDetails->Created;
            d.Updated = s->FDetails->Updated;
            d.Agreement = s->FDetails->Agreement;
            d.AgreementReq = s->FDetails->AgreementReq;
        } else if (s != this) {
            FDetails.reset();
        }
        FManager = s->FManager;
        FQuillEmail = s->FQuillEmail;
        FContactEmail = s->FContactEmail;
    }
}

void TDataClient::SetDefault()
{
    TDataHaveState::SetDefault();
    if (FDetails)
        FDetails->SetDefault();
    FManager.Clear();
    FQuillEmail.clear();
    FContactEmail.clear();
}

void TDataClient::Load(const TAPIDataArray *Data, int Row)
{
    TDataHaveState::Load(Data, Row);
    TDetails &d = Details();
    d.Contact.Load(Data, Row);
    d.Req.Load(Data, Row);
    FManager = Data->AsDataKey(dft_manager, Row);
    ReadStamp(*Data, dft_creator, dft_created, Row, d.Created);
    ReadStamp(*Data, dft_updater, dft_updated, Row, d.Updated);
    d.Agreement = Data->AsDataKey(dft_doc_agreement, Row);
    d.AgreementReq.SetFrom(Data->AsStr(dft_agreement_number, Row), Data->AsDateTime(dft_agreement_date, Row));
    FQuillEmail = Data->AsStr(dft_quill_email, Row);
    FContactEmail = Data->AsStr(dft_contact_email, Row);
}

void TDataClient::FieldsSetDefault()
{
    TDataHaveState::FieldsSetDefault();
    SetIDField(KeyField);
}

// ---- TDataDocCommon, TDataDocTemplate

void TDataDocCommon::Assign(const TPersistent &Source)
{
    TDataHaveState::Assign(Source);
    if (const auto *s = dynamic_cast<const TDataDocCommon *>(&Source)) {
        FDocType = s->FDocType;
        FFileData = s->FFileData;
        FCreated = s->FCreated;
    }
}

void TDataDocCommon::SetDefault()
{
    TDataHaveState::SetDefault();
    FDocType = dtCustom;
    FFileData.Clear();
    FCreated.Clear();
}

void TDataDocCommon::Load(const TAPIDataArray *Data, int Row)
{
    TDataHaveState::Load(Data, Row);
    FDocType = ReadDocType(*Data, dft_doc_type, Row);
    LoadFileData(Data, Row);
    ReadStamp(*Data, dft_creator, dft_created, Row, FCreated);
}

void TDataDocCommon::SetDocType(TUAPIDocType Value)
{
    FDocType = Value;
}

void TDataDocCommon::LoadFileData(const TAPIDataArray *Data, int Row)
{
    UAssert(Data != nullptr, QStringLiteral("Data must be assigned"));
    FFileData.SetData(Data->AsDataKey(dft_fid, Row), Data->AsStr(dft_fhash, Row), Data->AsDateTime(dft_updated, Row),
                      Data->AsStr(dft_ext, Row));
}

TDataDocTemplate::TDataDocTemplate()
{
    SetIDField(KeyField);
    StoreDocType(dtAgreement);
}

void TDataDocTemplate::SetDefault()
{
    TDataDocCommon::SetDefault();
    SetDocType(dtAgreement);
}

void TDataDocTemplate::Load(const TAPIDataArray *Data, int Row)
{
    const TUAPIDocType before = DocType();
    TDataDocCommon::Load(Data, Row);
    if (DocType() == dtCustom)
        StoreDocType(before);
}

void TDataDocTemplate::FieldsSetDefault()
{
    TDataDocCommon::FieldsSetDefault();
    SetIDField(KeyField);
}

void TDataDocTemplate::SetDocType(TUAPIDocType Value)
{
    if (Value == dtCustom)
        throw EUError(QStringLiteral("Invalid document template type"));
    TDataDocCommon::SetDocType(Value);
}

// ---- TDataMailTemplate

void TDataMailTemplate::Assign(const TPersistent &Source)
{
    TDataDocCommon::Assign(Source);
    if (const auto *s = dynamic_cast<const TDataMailTemplate *>(&Source)) {
        FDataSet = s->FDataSet;
        FFieldList.Assign(s->FFieldList);
        FOperatorList.Assign(s->FOperatorList);
        FTownList.Assign(s->FTownList);
        FBoardFormatList.Assign(s->FBoardFormatList);
        FAddress = s->FAddress;
        FOffer = s->FOffer;
    }
}

void TDataMailTemplate::SetDefault()
{
    TDataDocCommon::SetDefault();
    FDataSet = TUAPIMailDataSet();
    FFieldList.Clear();
    FOperatorList.Clear();
    FTownList.Clear();
    FBoardFormatList.Clear();
    FAddress.clear();
    FOffer.Clear();
}

void TDataMailTemplate::Load(const TAPIDataArray *Data, int Row)
{
    TDataDocCommon::Load(Data, Row);
    FDataSet = TUAPIMailDataSet::FromCodes(Data->AsStr(dft_data_set, Row));
    FFieldList.SetFrom(Data->AsStr(dft_field_list, Row));
    FOperatorList.SetFrom(Data->AsStr(dft_operator_list, Row));
    FTownList.SetFrom(Data->AsStr(dft_town_list, Row));
    FBoardFormatList.SetFrom(Data->AsStr(dft_board_format_list, Row));
    FAddress = Data->AsStr(dft_address, Row);
    FOffer = Data->AsDataKey(dft_offer, Row);
}

void TDataMailTemplate::FieldsSetDefault()
{
    TDataDocCommon::FieldsSetDefault();
    SetIDField(KeyField);
}

void TDataMailTemplate::SetFieldList(const TUDataKeyList &Value)
{
    FFieldList.Assign(Value);
}

void TDataMailTemplate::SetOperatorList(const TUDataKeyList &Value)
{
    FOperatorList.Assign(Value);
}

void TDataMailTemplate::SetTownList(const TUDataKeyList &Value)
{
    FTownList.Assign(Value);
}

void TDataMailTemplate::SetBoardFormatList(const TUDataKeyList &Value)
{
    FBoardFormatList.Assign(Value);
}

// ---- TDataMailTemplateField

TDataMailTemplateField::TDataMailTemplateField(TDataFieldType AField, const QString &ATitle, int32_t AOrderID)
    : TUDataItem(TUDataKey(QString(ToName(AField))), ATitle, clNone), FOrderID(AOrderID)
{
}

void TDataMailTemplateField::Assign(const TPersistent &Source)
{
    TUDataItem::Assign(Source);
    if (const auto *s = dynamic_cast<const TDataMailTemplateField *>(&Source))
        FOrderID = s->FOrderID;
}

void TDataMailTemplateField::SetDefault()
{
    TUDataItem::SetDefault();
    FOrderID = 0;
}
