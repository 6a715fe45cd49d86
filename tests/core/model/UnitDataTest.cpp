#include "TestUtil.h"
#include "UnitData.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

using TCells = std::vector<std::pair<QString, QString>>;

// A table of one row: column names (wire names) with their cells.
std::unique_ptr<TAPIDataArray> OneRow(const TCells &cells)
{
    auto row = std::make_unique<TRec<QString>>();
    TUAPIKeyList names;
    for (const auto &[name, cell] : cells) {
        names.Add(TUAPIKey(name));
        row->Add(cell);
    }
    auto rows = std::make_unique<TRecs<QString>>();
    rows->Add(row.release());
    auto table = std::make_unique<TAPIDataArray>();
    table->LoadData(std::move(rows), names);
    return table;
}

// A row with a cell for every column any entity reads.
const TCells kFullRow = {
    {"title", u"Заголовок"_s}, {"color", "FF8000"}, {"board_count", "12"}, {"state", "disabled"},
    {"town", "5"}, {"town_type", "2"}, {"region", "7"}, {"population", "1000"},
    {"board_format", "bf"}, {"description", "6x3"},
    {"operator", "9"}, {"price_kn", "1.5"}, {"price_type", "c"}, {"is_online", "Y"}, {"is_restricted", "1"},
    {"price_mc", "1.2"}, {"price_ec", "12.34567"}, {"price_mb", "1.3"}, {"price_eb", "0.5"},
    {"login", "Ivanov"}, {"role", "3"}, {"stick_rc", "4"}, {"is_default", "ENABLED"},
    {"contact", "21"}, {"contact_person", "Пётр"}, {"contact_person_sale", "Анна"},
    {"contact_address", "Ленина 1"}, {"contact_phone", "123"}, {"contact_email", "c@x.ru"},
    {"contact_url", "x.ru"}, {"contact_skype", "sk"}, {"contact_icq", "42"}, {"contact_vk", "vk"},
    {"contact_fb", "fb"}, {"contact_description", "desc"},
    {"req", "22"}, {"req_type", "1"}, {"req_name_full", "ООО Ромашка"}, {"req_name_short", "Ромашка"},
    {"req_org_code", "oc"}, {"req_address", "ra"}, {"req_bank_name", "bn"}, {"req_bank_account", "ba"},
    {"req_bank_mfo", "mfo"}, {"req_inn", "inn"}, {"req_kpp", "kpp"}, {"req_nds_code", "nds"},
    {"req_director_name_full", "Иванов И.И."}, {"req_director_name_short", "Иванов"},
    {"req_phone", "rp"}, {"req_buh", "buh"}, {"req_bank_ks", "ks"}, {"req_okpo_ru", "okpo"},
    {"firm", "31"}, {"client", "41"}, {"manager", "8"},
    {"creator", "6"}, {"created", "2024-03-05 10:20:30"}, {"updater", "7"}, {"updated", "2024-04-01 08:00:00"},
    {"doc_agreement", "77"}, {"agreement_number", "A-1"}, {"agreement_date", "2023-12-31 00:00:00"},
    {"quill_email", "q@x.ru"},
    {"doc_template", "51"}, {"doc_type", "invoice_1c"},
    {"fid", "61"}, {"fhash", "0123456789abcdef0123456789abcdefEXTRA"}, {"ext", "rtf"},
    {"mail_template", "71"}, {"data_set", "self,photo"}, {"field_list", "title,color"},
    {"operator_list", "9,2"}, {"town_list", "5,3,5"}, {"board_format_list", "bf"},
    {"address", "mail@x.ru"}, {"offer", "81"},
};

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return TDateTime::Encode(y, mo, d, h, mi, s);
}

QString Key(const TUDataKey &key)
{
    return key.IntKey() ? u"#"_s + key.ToString() : key.ToString();
}

QString Stamp(const TUAPIActionStamp &s)
{
    return Key(s.User) + u'@' + QString::number(s.TimeStamp.Value(), 'g', 12);
}

// Every field of an entity as text, so two entities compare field by field. A document date
// within a minute of now reads "now" (new clients are dated at creation).
QString Dump(const TUDataItem &item)
{
    QStringList f;
    f << Key(item.ID()) << item.Title() << QString::number(item.Color(), 16);
    if (const auto *i = dynamic_cast<const TUAPIDataItem *>(&item))
        f << QString::number(i->IDField()) << QString::number(i->TitleField()) << QString::number(i->ColorField());
    if (const auto *i = dynamic_cast<const TDataHaveBoard *>(&item))
        f << QString::number(i->BoardCount());
    if (const auto *i = dynamic_cast<const TDataHaveState *>(&item))
        f << QString::number(i->State());
    if (const auto *i = dynamic_cast<const TDataTown *>(&item))
        f << Key(i->TownType()) << Key(i->Region()) << QString::number(i->Population());
    if (const auto *i = dynamic_cast<const TDataBoardFormat *>(&item))
        f << i->Description();
    if (const auto *i = dynamic_cast<const TDataOperator *>(&item))
        f << QString::number(i->State()) << QString::number(i->KN()) << QString::number(i->PriceType())
          << QString::number(i->IsOnline()) << QString::number(i->IsRestricted())
          << QString::number(double(i->MarginCash().Margin)) << QString::number(i->MarginCash().Extra.Raw())
          << QString::number(double(i->MarginBank().Margin)) << QString::number(i->MarginBank().Extra.Raw());
    if (const auto *i = dynamic_cast<const TDataUser *>(&item))
        f << Key(i->Role());
    if (const auto *i = dynamic_cast<const TDataStickRC *>(&item))
        f << QString::number(i->IsDefault());
    if (const auto *i = dynamic_cast<const TDataContact *>(&item))
        f << i->Person() << i->PersonSale() << i->Address() << i->Phone() << i->Email() << i->URL() << i->Skype()
          << i->ICQ() << i->VK() << i->FB() << i->Description();
    if (const auto *i = dynamic_cast<const TDataReq *>(&item))
        f << Key(i->ReqType()) << i->NameFull() << i->NameShort() << i->OrgCode() << i->Address() << i->BankName()
          << i->BankAccount() << i->BankMFO() << i->INN() << i->KPP() << i->NDSCode() << i->DirNameFull()
          << i->DirNameShort() << i->Phone() << i->Buh() << i->BankKS() << i->OKPORU();
    if (const auto *i = dynamic_cast<const TDataFirm *>(&item))
        f << u'[' + Dump(i->Contact()) + u']' << u'[' + Dump(i->Req()) + u']' << Stamp(i->Created())
          << Stamp(i->Updated());
    if (const auto *i = dynamic_cast<const TDataClient *>(&item)) {
        const double age = TDateTime::Now().Value() - i->AgreementReq().DocDate.Value();
        f << Key(i->Manager()) << u'[' + Dump(i->Contact()) + u']' << u'[' + Dump(i->Req()) + u']'
          << Stamp(i->Created()) << Stamp(i->Updated()) << Key(i->Agreement()) << i->AgreementReq().DocNumber
          << (age >= 0 && age < 1.0 / 1440 ? u"now"_s : QString::number(i->AgreementReq().DocDate.Value()))
          << i->QuillEmail() << i->ContactEmail();
    }
    if (const auto *i = dynamic_cast<const TDataDocCommon *>(&item))
        f << QString::number(i->DocType()) << Key(i->FileData().FID) << i->FileData().FHash.ToString()
          << QString::number(i->FileData().Updated.Value()) << i->FileData().Ext << Stamp(i->Created());
    if (const auto *i = dynamic_cast<const TDataMailTemplate *>(&item))
        f << QString::number(i->DataSet().Contains(mdSelf)) << QString::number(i->DataSet().Contains(mdPhoto))
          << i->FieldList().ToStr() << i->OperatorList().ToStr() << i->TownList().ToStr()
          << i->BoardFormatList().ToStr() << i->Address() << Key(i->Offer());
    if (const auto *i = dynamic_cast<const TDataMailTemplateField *>(&item))
        f << QString::number(i->OrderID());
    return f.join(u'|');
}

struct EntityClass {
    const char *name;
    std::function<std::unique_ptr<TUAPIDataItem>()> make;
    TDataFieldType keyField;
};

template <class T>
EntityClass Entity(const char *name, TDataFieldType keyField)
{
    return {name, [] { return std::make_unique<T>(); }, keyField};
}

const std::vector<EntityClass> &EntityClasses()
{
    static const std::vector<EntityClass> classes = {
        Entity<TDataHaveBoard>("HaveBoard", dft_null),
        Entity<TDataHaveState>("HaveState", dft_null),
        Entity<TDataTown>("Town", dft_town),
        Entity<TDataBoardFormat>("BoardFormat", dft_board_format),
        Entity<TDataOperator>("Operator", dft_operator),
        Entity<TDataUser>("User", dft_login),
        Entity<TDataRole>("Role", dft_null),
        Entity<TDataStick>("Stick", dft_null),
        Entity<TDataStickRC>("StickRC", dft_stick_rc),
        Entity<TDataStickRCPT>("StickRCPT", dft_null),
        Entity<TDataClient>("Client", dft_client),
        Entity<TDataDocCommon>("DocCommon", dft_null),
        Entity<TDataDocTemplate>("DocTemplate", dft_doc_template),
        Entity<TDataMailTemplate>("MailTemplate", dft_mail_template),
        Entity<TDataContact>("Contact", dft_contact),
        Entity<TDataReq>("Req", dft_req),
        Entity<TDataFirm>("Firm", dft_firm),
    };
    return classes;
}

} // namespace

// A new entity is what SetDefault and FieldsSetDefault make of a loaded one, for every class;
// the key column is the class's own.
TEST(UnitData, EveryClassStartsFromItsOwnDefaultsAndKeyColumn)
{
    const auto table = OneRow(kFullRow);
    for (const EntityClass &c : EntityClasses()) {
        SCOPED_TRACE(c.name);
        const auto fresh = c.make();
        EXPECT_EQ(fresh->IDField(), c.keyField);
        EXPECT_EQ(fresh->TitleField(), dft_title);
        EXPECT_EQ(fresh->ColorField(), dft_color);
        EXPECT_TRUE(fresh->ID().IsClear());
        EXPECT_EQ(fresh->Color(), clNone);

        const auto reset = c.make();
        reset->Load(table.get(), 0);
        EXPECT_NE(Dump(*reset), Dump(*fresh));
        reset->SetIDField(dft_id);
        reset->SetTitleField(dft_name);
        reset->SetColorField(dft_null);
        reset->SetDefault();
        reset->FieldsSetDefault();
        EXPECT_EQ(Dump(*reset), Dump(*fresh));
    }
}

TEST(UnitData, DefaultsOfTheTellingClasses)
{
    const TDataClient client;
    EXPECT_EQ(client.State(), dsEnabled);
    EXPECT_EQ(client.Contact().IDField(), dft_contact);
    EXPECT_EQ(client.Req().IDField(), dft_req);
    EXPECT_TRUE(client.Contact().Person().isEmpty());
    EXPECT_TRUE(client.Req().NameFull().isEmpty());
    EXPECT_TRUE(client.AgreementReq().DocNumber.isEmpty());
    const double age = TDateTime::Now().Value() - client.AgreementReq().DocDate.Value();
    EXPECT_GE(age, 0);
    EXPECT_LT(age, 1.0 / 1440);

    const TDataOperator op;
    EXPECT_EQ(op.KN(), 1.0);
    EXPECT_EQ(op.State(), dsNull);
    EXPECT_EQ(op.PriceType(), ptBoth);
    for (const TUAPIPriceMargin &m : {op.MarginCash(), op.MarginBank()}) {
        EXPECT_EQ(m.Margin, 1.0L);
        EXPECT_EQ(m.Extra, TMoney());
    }

    EXPECT_EQ(TDataDocTemplate().DocType(), dtAgreement);
    EXPECT_EQ(TDataMailTemplate().DocType(), dtCustom);
    EXPECT_TRUE(TDataMailTemplate().TownList().IsEmpty());
    EXPECT_EQ(TDataRole().State(), dsEnabled);
}

TEST(UnitData, LoadsOneRowIntoEveryField)
{
    const auto table = OneRow(kFullRow);

    TDataTown town;
    town.Load(table.get(), 0);
    EXPECT_EQ(town.ID(), TUDataKey(5u));
    EXPECT_EQ(town.Title(), u"Заголовок"_s);
    EXPECT_EQ(town.Color(), RGBToColor(0xFF, 0x80, 0x00));
    EXPECT_EQ(town.BoardCount(), 12u);
    EXPECT_EQ(town.TownType(), TUDataKey(2u));
    EXPECT_EQ(town.Region(), TUDataKey(7u));
    EXPECT_EQ(town.Population(), 1000u);

    TDataOperator op;
    op.Load(table.get(), 0);
    EXPECT_EQ(op.ID(), TUDataKey(9u));
    EXPECT_EQ(op.State(), dsDisabled);
    EXPECT_EQ(op.KN(), 1.5);
    EXPECT_EQ(op.PriceType(), ptCash);
    EXPECT_TRUE(op.IsOnline());
    EXPECT_TRUE(op.IsRestricted());
    EXPECT_DOUBLE_EQ(double(op.MarginCash().Margin), 1.2);
    EXPECT_EQ(op.MarginCash().Extra.Raw(), 123457); // rounded to four decimals
    EXPECT_DOUBLE_EQ(double(op.MarginBank().Margin), 1.3);
    EXPECT_EQ(op.MarginBank().Extra.Raw(), 5000);

    TDataUser user;
    user.Load(table.get(), 0);
    EXPECT_EQ(user.ID(), TUDataKey(u"ivanov"_s));
    EXPECT_EQ(user.Role(), TUDataKey(3u));

    TDataStickRC rc;
    rc.Load(table.get(), 0);
    EXPECT_EQ(rc.ID(), TUDataKey(4u));
    EXPECT_TRUE(rc.IsDefault());

    TDataClient client;
    client.Load(table.get(), 0);
    EXPECT_EQ(client.ID(), TUDataKey(41u));
    EXPECT_EQ(client.State(), dsDisabled);
    EXPECT_EQ(client.Manager(), TUDataKey(8u));
    EXPECT_EQ(client.Contact().ID(), TUDataKey(21u));
    EXPECT_EQ(client.Contact().Title(), u"Заголовок"_s);
    EXPECT_EQ(client.Contact().Person(), u"Пётр"_s);
    EXPECT_EQ(client.Contact().Description(), "desc");
    EXPECT_EQ(client.Req().ID(), TUDataKey(22u));
    EXPECT_EQ(client.Req().ReqType(), TUDataKey(1u));
    EXPECT_EQ(client.Req().OKPORU(), "okpo");
    EXPECT_EQ(client.Created().User, TUDataKey(6u));
    EXPECT_EQ(client.Created().TimeStamp, At(2024, 3, 5, 10, 20, 30));
    EXPECT_EQ(client.Updated().User, TUDataKey(7u));
    EXPECT_EQ(client.Updated().TimeStamp, At(2024, 4, 1, 8));
    EXPECT_EQ(client.Agreement(), TUDataKey(77u));
    EXPECT_EQ(client.AgreementReq().DocNumber, "A-1");
    EXPECT_EQ(client.AgreementReq().DocDate, At(2023, 12, 31));
    EXPECT_EQ(client.QuillEmail(), "q@x.ru");
    EXPECT_EQ(client.ContactEmail(), "c@x.ru");

    TDataFirm firm;
    firm.Load(table.get(), 0);
    EXPECT_EQ(firm.ID(), TUDataKey(31u));
    EXPECT_EQ(firm.Contact().Phone(), "123");
    EXPECT_EQ(firm.Req().DirNameFull(), u"Иванов И.И."_s);
    EXPECT_EQ(firm.Created().TimeStamp, At(2024, 3, 5, 10, 20, 30));

    TDataDocTemplate doc;
    doc.Load(table.get(), 0);
    EXPECT_EQ(doc.ID(), TUDataKey(51u));
    EXPECT_EQ(doc.DocType(), dtInvoice_1C);
    EXPECT_EQ(doc.FileData().FID, TUDataKey(61u));
    EXPECT_EQ(doc.FileData().FHash.ToString(), "0123456789abcdef0123456789abcdef");
    EXPECT_EQ(doc.FileData().Updated, At(2024, 4, 1, 8));
    EXPECT_EQ(doc.FileData().Ext, "rtf");
    EXPECT_EQ(doc.Created().User, TUDataKey(6u));

    TDataMailTemplate mail;
    mail.Load(table.get(), 0);
    EXPECT_EQ(mail.ID(), TUDataKey(71u));
    EXPECT_EQ(mail.DataSet(), TUAPIMailDataSet({mdSelf, mdPhoto}));
    EXPECT_EQ(mail.FieldList().ToStr(), "color,title");
    EXPECT_EQ(mail.OperatorList().ToStr(), "2,9");
    EXPECT_EQ(mail.TownList().ToStr(), "3,5");
    EXPECT_EQ(mail.BoardFormatList().ToStr(), "bf");
    EXPECT_EQ(mail.Address(), "mail@x.ru");
    EXPECT_EQ(mail.Offer(), TUDataKey(81u));
}

TEST(UnitData, CellConversions)
{
    struct Case {
        const char *column;
        QString cell;
        std::function<QString(const TAPIDataArray *)> read;
        QString expected;
    };
    const auto op = [](std::function<QString(const TDataOperator &)> get) {
        return [get](const TAPIDataArray *t) {
            TDataOperator o;
            o.SetPriceType(ptCash);
            o.Load(t, 0);
            return get(o);
        };
    };
    const auto town = [](std::function<QString(const TDataTown &)> get) {
        return [get](const TAPIDataArray *t) {
            TDataTown o;
            o.Load(t, 0);
            return get(o);
        };
    };
    const auto flag = op([](const TDataOperator &o) { return QString::number(o.IsOnline()); });
    const auto state = op([](const TDataOperator &o) { return QString::number(o.State()); });
    const auto priceType = op([](const TDataOperator &o) { return QString::number(o.PriceType()); });
    const auto extra = op([](const TDataOperator &o) { return QString::number(o.MarginCash().Extra.Raw()); });
    const auto kn = op([](const TDataOperator &o) { return QString::number(o.KN()); });
    const auto population = town([](const TDataTown &o) { return QString::number(o.Population()); });
    const auto id = town([](const TDataTown &o) { return Key(o.ID()); });
    const auto region = town([](const TDataTown &o) { return Key(o.Region()); });
    const auto docType = [](const TAPIDataArray *t) {
        TDataMailTemplate m;
        m.Load(t, 0);
        return QString::number(m.DocType());
    };
    const auto created = [](const TAPIDataArray *t) {
        TDataFirm f;
        f.Load(t, 0);
        return QString::number(f.Created().TimeStamp.Value(), 'g', 12);
    };

    const std::vector<Case> cases = {
        {"is_online", "Y", flag, "1"},
        {"is_online", "1", flag, "1"},
        {"is_online", "ENABLED", flag, "1"},
        {"is_online", "y", flag, "0"},
        {"is_online", "yes", flag, "0"},
        {"is_online", "", flag, "0"},
        {"state", "enabled", state, QString::number(dsEnabled)},
        {"state", "Removed", state, QString::number(dsRemoved)},
        {"state", "SYSTEM", state, QString::number(dsSystem)},
        {"state", "ARCHIVE", state, QString::number(dsNull)},
        {"price_type", "b", priceType, QString::number(ptBank)},
        {"price_type", "cb", priceType, QString::number(ptBoth)},
        {"price_type", "x", priceType, QString::number(ptCash)}, // unknown: unchanged
        {"price_type", "", priceType, QString::number(ptCash)},
        {"price_ec", "12.34567", extra, "123457"},
        {"price_ec", " 2.5 ", extra, "25000"},
        {"price_ec", "abc", extra, "0"},
        {"price_ec", "1e300", extra, "0"}, // beyond any amount
        {"price_kn", "x", kn, "0"},
        {"population", "42", population, "42"},
        {"population", "-5", population, "0"},
        {"population", "12abc", population, "0"},
        {"population", "99999999999", population, "0"},
        {"town", "5", id, "#5"},
        {"town", "Kiev", id, "kiev"},
        {"town", "", id, ""}, // the empty text key: not set
        {"region", "-1", region, "#4294967295"},
        {"doc_type", "agreement", docType, QString::number(dtAgreement)},
        {"doc_type", "Invoice_1C", docType, QString::number(dtInvoice_1C)},
        {"doc_type", "bogus", docType, QString::number(dtCustom)},
        {"created", "2024-03-05 10:20:30", created, QString::number(At(2024, 3, 5, 10, 20, 30).Value(), 'g', 12)},
        {"created", "05.03.2024", created, "0"},
        {"created", "garbage", created, "0"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(QString(u"%1 = '%2'"_s).arg(QLatin1String(c.column), c.cell).toStdString());
        const auto table = OneRow({{QLatin1String(c.column), c.cell}});
        EXPECT_EQ(c.read(table.get()), c.expected);
    }
}

TEST(UnitData, ColourCellAbsentEmptyOrSet)
{
    TDataTown town;
    town.SetColor(0x123456);
    town.Load(OneRow({{"title", "x"}}).get(), 0);
    EXPECT_EQ(town.Color(), 0x123456u); // no column: unchanged
    town.Load(OneRow({{"color", ""}}).get(), 0);
    EXPECT_EQ(town.Color(), clNone);
    town.Load(OneRow({{"color", "0000FF"}}).get(), 0);
    EXPECT_EQ(town.Color(), RGBToColor(0, 0, 0xFF));
}

// Load keeps base fields whose columns are missing, LoadClear starts from the defaults; the
// class levels' missing columns read as empty with either.
TEST(UnitData, LoadAgainstLoadClearOnMissingColumns)
{
    const auto full = OneRow(kFullRow);
    const auto sparse = OneRow({{"region", "9"}});
    for (const EntityClass &c : EntityClasses()) {
        SCOPED_TRACE(c.name);
        const auto viaLoad = c.make();
        viaLoad->Load(full.get(), 0);
        const TUDataKey id = viaLoad->ID();
        viaLoad->Load(sparse.get(), 0);
        EXPECT_EQ(viaLoad->ID(), id);
        EXPECT_EQ(viaLoad->Title(), u"Заголовок"_s);
        EXPECT_EQ(viaLoad->Color(), RGBToColor(0xFF, 0x80, 0x00));

        const auto viaClear = c.make();
        viaClear->Load(full.get(), 0);
        viaClear->LoadClear(sparse.get(), 0);
        EXPECT_TRUE(viaClear->ID().IsClear());
        EXPECT_TRUE(viaClear->Title().isEmpty());
        EXPECT_EQ(viaClear->Color(), clNone);

        // Past the base fields both agree.
        viaLoad->SetID(TUDataKey());
        viaLoad->SetTitle(QString());
        viaLoad->SetColor(clNone);
        // Contact and requisites keep their own base fields under Load too.
        if (auto *client = dynamic_cast<TDataClient *>(viaLoad.get())) {
            const auto &cleared = dynamic_cast<const TDataClient &>(*viaClear);
            client->Contact().TUDataItem::Assign(cleared.Contact());
            client->Req().TUDataItem::Assign(cleared.Req());
        }
        if (auto *firm = dynamic_cast<TDataFirm *>(viaLoad.get())) {
            const auto &cleared = dynamic_cast<const TDataFirm &>(*viaClear);
            firm->Contact().TUDataItem::Assign(cleared.Contact());
            firm->Req().TUDataItem::Assign(cleared.Req());
        }
        // A row without a type or price form keeps the old one.
        if (auto *doc = dynamic_cast<TDataDocTemplate *>(viaLoad.get()))
            doc->SetDocType(dtAgreement);
        if (auto *op = dynamic_cast<TDataOperator *>(viaLoad.get()))
            op->SetPriceType(ptBoth);
        EXPECT_EQ(Dump(*viaLoad), Dump(*viaClear));
    }

    // What the class levels read from nothing.
    TDataClient client;
    client.Load(full.get(), 0);
    client.Load(sparse.get(), 0);
    EXPECT_EQ(client.State(), dsNull);
    EXPECT_TRUE(client.Manager().IsClear());
    EXPECT_TRUE(client.Contact().Person().isEmpty());
    EXPECT_TRUE(client.AgreementReq().DocDate.IsNull());
    TDataOperator op;
    op.Load(sparse.get(), 0);
    EXPECT_EQ(op.KN(), 0);
    EXPECT_EQ(op.PriceType(), ptBoth);
    EXPECT_EQ(op.MarginCash().Margin, 0);
}

TEST(UnitData, RowOutOfRangeReadsNothing)
{
    const auto table = OneRow(kFullRow);
    TDataTown town;
    town.SetTitle("keep");
    town.SetPopulation(5);
    for (int row : {1, -1, 1000}) {
        SCOPED_TRACE(row);
        EXPECT_NO_THROW(town.Load(table.get(), row));
        EXPECT_EQ(town.Title(), "keep");
        EXPECT_EQ(town.Population(), 0u);
    }
}

TEST(UnitData, LoadWithoutTableIsAnAssertion)
{
    for (const EntityClass &c : EntityClasses()) {
        SCOPED_TRACE(c.name);
        const auto item = c.make();
        try {
            item->LoadClear(nullptr, 0);
            ADD_FAILURE() << "no assertion";
        } catch (const EUAssertion &e) {
            EXPECT_EQ(e.Message(), "Data must be assigned");
        }
    }
    TDataDocCommon doc;
    EXPECT_THROW(doc.LoadFileData(nullptr, 0), EUAssertion);
}

TEST(UnitData, DocumentTemplateRefusesCustomType)
{
    TDataDocTemplate doc;
    doc.SetDocType(dtAct);
    try {
        doc.SetDocType(dtCustom);
        ADD_FAILURE() << "dtCustom taken";
    } catch (const EUAssertion &) {
        ADD_FAILURE() << "a user error, not an assertion";
    } catch (const EUError &e) {
        EXPECT_EQ(e.Message(), "Invalid document template type");
    }
    EXPECT_EQ(doc.DocType(), dtAct);

    // Through the shared base too.
    TDataDocCommon &common = doc;
    EXPECT_THROW(common.SetDocType(dtCustom), EUError);
    EXPECT_EQ(doc.DocType(), dtAct);

    // A row with an unknown type neither fails nor makes the template custom.
    EXPECT_NO_THROW(doc.Load(OneRow({{"doc_type", "bogus"}}).get(), 0));
    EXPECT_EQ(doc.DocType(), dtAct);
    doc.LoadClear(OneRow({{"doc_type", "custom"}}).get(), 0);
    EXPECT_EQ(doc.DocType(), dtAgreement);

    // Other documents take any type.
    TDataMailTemplate mail;
    mail.SetDocType(dtAct);
    mail.SetDocType(dtCustom);
    EXPECT_EQ(mail.DocType(), dtCustom);
}

// Assign copies every field of the same class; owned parts are copied into the target's own
// objects, so later changes to the source do not reach the copy.
TEST(UnitData, AssignIsADeepCopy)
{
    const auto table = OneRow(kFullRow);
    for (const EntityClass &c : EntityClasses()) {
        SCOPED_TRACE(c.name);
        const auto source = c.make();
        source->Load(table.get(), 0);
        const auto target = c.make();
        target->Assign(*source);
        EXPECT_EQ(Dump(*target), Dump(*source));
    }

    TDataClient client;
    client.Load(table.get(), 0);
    TDataClient copy;
    copy.Assign(client);
    client.Contact().SetPerson("changed");
    client.Req().SetINN("changed");
    EXPECT_EQ(copy.Contact().Person(), u"Пётр"_s);
    EXPECT_EQ(copy.Req().INN(), "inn");

    TDataMailTemplate mail;
    mail.Load(table.get(), 0);
    TDataMailTemplate mailCopy;
    mailCopy.Assign(mail);
    mail.SetTownList(TUDataKeyList{1u});
    EXPECT_EQ(mailCopy.TownList().ToStr(), "3,5");

    // From a base or another branch only the shared part is copied.
    TDataTown town;
    town.Load(table.get(), 0);
    TDataOperator op;
    op.Assign(town);
    EXPECT_EQ(op.ID(), TUDataKey(5u));
    EXPECT_EQ(op.BoardCount(), 12u);
    EXPECT_EQ(op.IDField(), dft_operator);
    EXPECT_EQ(op.KN(), 1.0);
    TDataUser user;
    user.Assign(town);
    EXPECT_EQ(user.State(), dsEnabled);
    EXPECT_EQ(user.Title(), u"Заголовок"_s);
}

// A list entry reads as a new client without its parts, makes them when written, and copies to
// and from complete clients.
TEST(UnitData, ListEntryClientMakesItsPartsOnlyWhenWritten)
{
    const TDataClient entry{TDataClient::TListItem{}};
    EXPECT_FALSE(entry.HasDetails());
    EXPECT_EQ(entry.State(), dsEnabled);
    EXPECT_EQ(entry.IDField(), dft_client);
    EXPECT_EQ(entry.Contact().IDField(), dft_contact);
    EXPECT_TRUE(entry.Req().NameFull().isEmpty());
    EXPECT_TRUE(entry.Manager().IsClear());
    EXPECT_TRUE(entry.AgreementReq().DocDate.IsNull()) << "undated until made";

    TDataClient written{TDataClient::TListItem{}};
    written.Contact().SetPerson(u"Пётр"_s);
    ASSERT_TRUE(written.HasDetails());
    EXPECT_EQ(written.Contact().Person(), u"Пётр"_s);
    const double age = TDateTime::Now().Value() - written.AgreementReq().DocDate.Value();
    EXPECT_TRUE(age >= 0 && age < 1.0 / 1440) << "dated when made, as a new client is";

    TDataClient full;
    full.SetManager(7u);
    full.SetQuillEmail(u"q@x"_s);
    TDataClient copy{TDataClient::TListItem{}};
    copy.Assign(full);
    EXPECT_EQ(copy.Manager(), TUDataKey(7u));
    EXPECT_EQ(copy.QuillEmail(), u"q@x"_s);
    full.Assign(entry);
    EXPECT_TRUE(full.Manager().IsClear()) << "a list entry's parts are the defaults";
    EXPECT_TRUE(full.QuillEmail().isEmpty());
    full.Assign(full);

    const auto table = OneRow({{"client", "41"}, {"manager", "8"}, {"contact_person", u"Анна"_s}});
    TDataClient loaded{TDataClient::TListItem{}};
    loaded.Load(table.get(), 0);
    EXPECT_EQ(loaded.Manager(), TUDataKey(8u));
    EXPECT_EQ(loaded.Contact().Person(), u"Анна"_s);
    loaded.SetDefault();
    EXPECT_TRUE(loaded.Contact().Person().isEmpty());
}

TEST(UnitData, NamesAndAddressesWithFallbacks)
{
    struct Case {
        QString full, shortName, title, expected;
    };
    for (const Case &c : std::vector<Case>{{"F", "S", "T", "F"}, {"", "S", "T", "S"}, {"", "", "T", "T"}, {"", "", "", ""}}) {
        SCOPED_TRACE((c.full + u'/' + c.shortName + u'/' + c.title).toStdString());
        TDataReq req;
        req.SetNameFull(c.full);
        req.SetNameShort(c.shortName);
        req.SetTitle(c.title);
        EXPECT_EQ(req.JurName(), c.expected);
        req.SetDirNameFull(c.full);
        req.SetDirNameShort(c.shortName);
        EXPECT_EQ(req.DirName(), c.full.isEmpty() ? c.shortName : c.full);
    }

    TDataClient client;
    client.SetContactEmail("contact@x.ru");
    EXPECT_EQ(client.GetQuillEmail(), "contact@x.ru");
    client.SetQuillEmail("quill@x.ru");
    EXPECT_EQ(client.GetQuillEmail(), "quill@x.ru");
}

TEST(UnitData, MailTemplateListsAndFields)
{
    TDataIDList ids;
    ids.SetFrom("5,3,5");
    EXPECT_EQ(ids.ToStr(), "3,5");
    ids.SetFrom("");
    EXPECT_TRUE(ids.IsEmpty());
    ids.SetFrom("b,A,7");
    EXPECT_EQ(ids.ToStr(), "7,a,b");

    // The setters copy in key order; the caller's list stays its own.
    TDataMailTemplate mail;
    TUDataKeyList given{9u, 2u};
    mail.SetOperatorList(given);
    mail.SetFieldList(ids);
    given.Add(TUDataKey(1u));
    EXPECT_EQ(mail.OperatorList().ToStr(), "2,9");
    EXPECT_EQ(mail.FieldList().ToStr(), "7,a,b");
    mail.SetTownList(mail.TownList()); // from itself: nothing lost
    mail.SetBoardFormatList(TUDataKeyList{u"x"_s});
    mail.SetTownList(mail.BoardFormatList());
    EXPECT_EQ(mail.TownList().ToStr(), "x");
    mail.SetDefault();
    EXPECT_TRUE(mail.OperatorList().IsEmpty() && mail.FieldList().IsEmpty() && mail.TownList().IsEmpty());

    const TDataMailTemplateField field(dft_title, u"Название"_s, 3);
    EXPECT_FALSE(field.ID().IntKey());
    EXPECT_EQ(field.ID().ToString(), "title");
    EXPECT_EQ(field.Title(), u"Название"_s);
    EXPECT_EQ(field.Color(), clNone);
    EXPECT_EQ(field.OrderID(), 3);
    EXPECT_EQ(TDataMailTemplateField(dft_price_kn, "", 0).ID().ToString(), "price_kn");
    TDataMailTemplateField copy;
    copy.Assign(field);
    EXPECT_EQ(Dump(copy), Dump(field));
}

TEST(UnitData, SourcesOwnAndFindTheirEntities)
{
    TDataTownSource towns;
    towns.SetFreeItems(true);
    for (uint32_t k : {5u, 1u, 3u}) {
        auto town = std::make_unique<TDataTown>();
        town->SetID(k);
        town->SetTitle(QString::number(10 - k));
        ASSERT_GE(towns.Add(town.get()), 0);
        town.release(); // the source frees it
    }
    TDataTown *found = nullptr;
    ASSERT_TRUE(towns.TryGetValue(TUDataKey(3u), found));
    EXPECT_EQ(found->ID(), TUDataKey(3u));
    TDataOperator *wrongClass = nullptr;
    EXPECT_FALSE(towns.TryGetValue(TUDataKey(3u), wrongClass));
    EXPECT_EQ(wrongClass, nullptr);

    QStringList order;
    for (TUDataItem *item : towns)
        order << item->ID().ToString();
    EXPECT_EQ(order.join(u','), "1,3,5");
    order.clear();
    const auto byTitle = towns.GetTitleEnumerator();
    for (TUDataItem *item : *byTitle)
        order << item->Title();
    EXPECT_EQ(order.join(u','), "5,7,9");

    // Clients with their owned parts, freed by the source.
    TDataClientSource clients;
    clients.SetFreeItems(true);
    const auto table = OneRow(kFullRow);
    auto client = std::make_unique<TDataClient>();
    client->LoadClear(table.get(), 0);
    clients.Add(client.release());
    TDataClient *c = nullptr;
    ASSERT_TRUE(clients.TryGetValue(TUDataKey(41u), c));
    EXPECT_EQ(c->Contact().Person(), u"Пётр"_s);
    clients.Clear();
    EXPECT_EQ(clients.Count(), 0);
}
