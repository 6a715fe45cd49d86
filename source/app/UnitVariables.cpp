#include "UnitVariables.h"

#include "UComputer.h"

#include <QDir>

TOutdoorVariables::TOutdoorVariables() : TUVariables() { Init(); }

TOutdoorVariables::TOutdoorVariables(const QString &ExeFileName) : TUVariables(ExeFileName) { Init(); }

void TOutdoorVariables::Init()
{
    FDocsLang = FDBLang;
    FOrg.Clear();
    for (TBoardPeriodStateRec &rec : FBoardPeriodState)
        rec.Clear();
    SMTP.Clear();
    Price.Clear();
    Email.Clear();
}

TBoardPeriodStateRec TOutdoorVariables::GetBoardPeriodState(TUAPIBoardPeriodStateExtra Index) const
{
    if (Index >= FBoardPeriodState.size())
        RaiseArgumentOutOfRange();
    return FBoardPeriodState[Index];
}

void TOutdoorVariables::SetBoardPeriodState(TUAPIBoardPeriodStateExtra Index, const TBoardPeriodStateRec &Value)
{
    if (Index >= FBoardPeriodState.size())
        RaiseArgumentOutOfRange();
    FBoardPeriodState[Index] = Value;
}

QString TOutdoorVariables::DocManagerIniFile() const { return StartDir() + QStringLiteral("docs.ini"); }
QString TOutdoorVariables::CacheDir() const { return StartDir() + QStringLiteral("cache") + QDir::separator(); }
QString TOutdoorVariables::CacheDocDir() const { return StartDir() + QStringLiteral("docs") + QDir::separator(); }
QString TOutdoorVariables::ReportDir() const { return StartDir() + QStringLiteral("report") + QDir::separator(); }
QString TOutdoorVariables::HelpFile() const { return StartDir() + QStringLiteral("help.chm"); }
QString TOutdoorVariables::RunOnceFile() const { return StartDir() + QStringLiteral("runonce"); }
QString TOutdoorVariables::TemplateMail() const { return TemplateDir() + QStringLiteral("mail.html"); }
QString TOutdoorVariables::TemplateExcel() const { return ReportDir() + QStringLiteral("template0.xls"); }
QString TOutdoorVariables::TemplateNet() const { return ReportDir() + QStringLiteral("net.xls"); }

QString TOutdoorVariables::TemplateDefault(TUAPIDocType DocType) const
{
    if (DocType == dtCustom)
        return {};
    return ReportDir() + ToCode(DocType).toLower() + u'_' + ToCode(Country()) + u'.' + ToCode(FileType(DocType));
}

QString TOutdoorVariables::ExeInit() const
{
    return FAppType == oatStick ? QStringLiteral("primerstick.exe") : QStringLiteral("primer.exe");
}

QString TOutdoorVariables::ExeMainClient() const { return ExeMainClient(FAppType); }

QString TOutdoorVariables::ExeMainClient(TOutdoorAppType AP)
{
    return AP == oatStick ? QStringLiteral("quillstick.exe") : QStringLiteral("quillmarsh.exe");
}

QString TOutdoorVariables::ExeUpdate() { return QStringLiteral("update.exe"); }

QString TOutdoorVariables::BoardURL() const { return FURL + QStringLiteral("system/board.php"); }
QString TOutdoorVariables::OfferURL() const { return FURL + QStringLiteral("system/offer.php"); }
QString TOutdoorVariables::PhotoreportURL() const { return FURL + QStringLiteral("system/photoreport.php"); }
QString TOutdoorVariables::ModuleSiteURL() const { return FURL + QStringLiteral("base.php"); }
QString TOutdoorVariables::ModuleSiteBoardURL() const { return FURL + QStringLiteral("board/"); }
QString TOutdoorVariables::PhotoURL() const { return FURL + QStringLiteral("photo/"); }
QString TOutdoorVariables::ZPhotoreportURL() const { return FURL + QStringLiteral("zph/"); }
QString TOutdoorVariables::MapSetURL() { return QStringLiteral("https://maps.google.com/maps"); }

QString TOutdoorVariables::GetCompID()
{
    const QString serial = TUComputer::HDDVolumeInfo(QDir::toNativeSeparators(QDir::rootPath())).left(8);
    return serial.isEmpty() ? TUComputer::MachineID() : serial;
}
