// Connecting the core object to the service and taking over the organisation's settings; the
// help and map openers.
#include "UnitComplex.h"

#include "UAPIData.h"
#include "UAPIDataLoader.h"
#include "UAPIOperations.h"
#include "UComputer.h"
#include "UConv.h"
#include "UDateTime.h"
#include "UDebug.h"
#include "UShell.h"
#include "UnitDocManager.h"

#include <QFile>

#include <cmath>
#include <limits>

namespace {

// Reads the settings row of a connect answer by the conversion rules of each kind: a value
// that does not convert gives the default of its kind and never fails the connection.
class TSettingsRow {
public:
    explicit TSettingsRow(const TAPIDataArray &Data) : FData(Data) {}

    QString Text(TDataFieldType Field) const { return FData.AsStr(Field, 0); }
    // Only these three spellings, letter case as written.
    bool Flag(TDataFieldType Field) const
    {
        const QString t = Text(Field);
        return t == u"Y" || t == u"1" || t == u"ENABLED";
    }
    // A whole number that fits the setting's width; anything else (also a number the width
    // cannot hold, which would otherwise wrap) gives 0.
    template <typename T>
    T Integer(TDataFieldType Field) const
    {
        bool ok = false;
        const qlonglong v = Text(Field).trimmed().toLongLong(&ok);
        if (!ok || v < qlonglong(std::numeric_limits<T>::min()) || v > qlonglong(std::numeric_limits<T>::max()))
            return 0;
        return T(v);
    }
    double Real(TDataFieldType Field) const { return TUConv::StrToFloat(Text(Field), 0); }
    TMoney Currency(TDataFieldType Field) const
    {
        const double v = Real(Field) * TMoney::Scale;
        if (!std::isfinite(v) || std::fabs(v) >= 9.2e18)
            return {};
        return TMoney::FromRaw(int64_t(std::nearbyint(v))); // the default rounding mode: ties to even
    }
    TUDataKey Key(TDataFieldType Field) const { return TUDataKey(Text(Field)); }
    TDateTime Date(TDataFieldType Field) const { return TDateTimeStr::CreateSQL(Text(Field)).DateOf(); }
    TColor Colour(TDataFieldType Field, TColor Default) const
    {
        const QString t = Text(Field);
        return t.isEmpty() ? Default : TUConv::RGBHexToColor(t);
    }
    TLanguage Language(TDataFieldType Field) const
    {
        TLanguage value = lnRU;
        return LanguageFromCode(Text(Field), value) ? value : lnRU;
    }
    TCountry Country(TDataFieldType Field) const
    {
        TCountry value = clRU;
        return CountryFromCode(Text(Field), value) ? value : clRU;
    }

private:
    const TAPIDataArray &FData;
};

} // namespace

bool TComplex::Start()
{
    const QString compID = TOutdoorVariables::GetCompID();
    auto task = std::make_unique<TDataLoader>();
    task->SetHost(QString::fromLatin1(TAPIOperations::ScriptConnect));
    const auto name = [](TDataFieldType Field) { return QString(ToName(Field)); };
    task->ParamAdd(name(dft_xdb), FAPIAuth.XDB.ToString());
    task->ParamAdd(name(dft_xid), FAPIAuth.XID.ToString());
    task->ParamAdd(name(dft_comp_id), compID);
    task->ParamAdd(name(dft_comp_name), TUComputer::WinComputerName());
    task->ParamAdd(name(dft_version), FVars->Version());
    task->ParamAdd(name(dft_hash), FAPIAuth.GetConnectHash(compID));

    // The answer's codes have been through error processing when the run returns.
    TAPIDataAnswer *answer = FData->TaskRun(task.get());
    if (!answer) {
        TUDebug::Log(QStringLiteral("Connect answer is null"));
        ProcessError(task.get(), ocrConnect);
        return false;
    }
    if (answer->Error() != 0) {
        TUDebug::Log(QStringLiteral("Connect answer is not OK: ") + QString::number(answer->Error()));
        return false;
    }
    TakeSettings(answer->Data());
    // Document tracking starts with the first connection and stays on.
    FDocManager->SetActive(true);
    // The reference sets go over to the cache, not shared: a large answer is freed as it loads.
    return FCache->LoadSet(answer->TakeRaw());
}

void TComplex::TakeSettings(const TAPIDataArray &Data)
{
    const TSettingsRow row(Data);
    TOutdoorVariables &v = *FVars;
    FAPIAuth.XDB = row.Key(dft_xdb);
    FAPIAuth.MasterXDB = row.Key(dft_master_xdb);
    FAPIAuth.MasterXID = row.Key(dft_master_xid);
    TUAPIXDBType xdbType = xtNone;
    SetCode(xdbType, row.Text(dft_xdb_type).toUpper());
    FAPIAuth.XDBType = xdbType;
    v.SetCountry(row.Country(dft_country));
    v.SetLastVersion(row.Text(dft_last_version));
    v.SetDBLanguage(row.Language(dft_language));
    v.SetURL(row.Text(dft_xdb_url));
    v.SetSkipWeekends(row.Flag(dft_skip_weekends));
    v.SetActualPeriod(row.Integer<uint8_t>(dft_actual_period));
    v.SetActualDate(row.Date(dft_actual_date));
    v.SMTP.Host = row.Text(dft_smtp_host);
    v.SMTP.UserName = row.Text(dft_smtp_user);
    v.SMTP.Password = row.Text(dft_smtp_password);
    v.SMTP.Auth = row.Flag(dft_smtp_auth);
    v.SMTP.Email = row.Text(dft_smtp_email);
    v.SMTP.Port = row.Integer<uint16_t>(dft_smtp_port);

    // The organisation is stored as a whole once its last field is read.
    TOutdoorOrg org;
    org.Title = row.Text(dft_organization);
    org.ColorFg = row.Colour(dft_org_color, 0);
    org.ColorBg = row.Colour(dft_org_color_bg, 16777215);
    org.Email = row.Text(dft_org_email);
    org.Phone1 = row.Text(dft_org_phone1);
    org.Phone2 = row.Text(dft_org_phone2);
    org.Phone3 = row.Text(dft_org_phone3);
    org.URL = row.Text(dft_org_url);
    org.Address1 = row.Text(dft_org_address1);
    org.Address2 = row.Text(dft_org_address2);
    org.HaveLogo = row.Flag(dft_org_logo);
    v.SetOrganization(org);

    v.Price.NCB = row.Real(dft_cash_bank_up);
    v.Price.TaxNDS = row.Real(dft_tax_nds);
    v.Price.TaxNR = row.Real(dft_tax_nr);
    v.Email.SystemEmail = row.Text(dft_system_email);
    v.Email.AutoEmail = row.Text(dft_auto_email);
    v.Email.CopyEmail = row.Text(dft_copy_email);
    v.SetQuillNets(row.Flag(dft_quill_nets));
    v.SetSortSaleBoardsByAdded(row.Flag(dft_sort_sale_boards_by_added));
    v.SetSelfOperator(row.Key(dft_self_operator));
    v.SetSelfAutoLoad(row.Flag(dft_self_autoload));
    v.SetDefaultRSkipPeriod(row.Integer<uint8_t>(dft_default_rskip_period));
    v.SetShowLogo(row.Flag(dft_show_logo));
    v.SetRSkipRemind(row.Integer<uint8_t>(dft_rskip_remind));
    v.SetUserBlock(row.Flag(dft_user_block));
    v.SetConfig1C(row.Text(dft_config_1c));
    v.SetZPhotoreport(row.Flag(dft_zphotoreport));
    v.SetSelfUseBoardAsOperatorID(row.Flag(dft_self_use_board_as_operator_id));
    v.SetDocsLang(row.Language(dft_docs_lang));
    v.SetCurrencyHi(row.Text(dft_currency_hi));
    v.SetCurrencyLo(row.Text(dft_currency_lo));
    v.SetSyncDefault(row.Flag(dft_sync_default));
    v.SetStatesVisible(row.Flag(dft_states_visible));
    // An unknown or absent method leaves the one set before.
    TUAPIStickFineMethod method = v.StickFineMethod();
    SetCode(method, row.Text(dft_stick_fine_method).toUpper());
    v.SetStickFineMethod(method);
    v.SetStickFineAmount(row.Currency(dft_stick_fine_amount));
    v.SetPollination(row.Flag(dft_pollination));
    v.SetPriceSaleDefaultBase(row.Flag(dft_price_sale_default_base));
    v.SetSaleStateSimple(row.Flag(dft_sale_state_simple));
}

void TComplex::OpenHelp() { TUShell::OpenFile(FVars->HelpFile()); }

void TComplex::OpenHelpIfNeeded()
{
    const QString marker = FVars->RunOnceFile();
    if (!QFile::exists(marker))
        return;
    OpenHelp();
    QFile::remove(marker);
}

void TComplex::OpenMapSet(const TGeoCoord &Coord, const QString &Address)
{
    QString url = TOutdoorVariables::MapSetURL() + QStringLiteral("?q=");
    if (Coord.IsSet())
        url += TUConv::FloatToStr(Coord.FLat) + u',' + TUConv::FloatToStr(Coord.FLong);
    else
        url += Address;
    TUShell::OpenURL(url);
}
