#include "TestUtil.h"
#include "UnitVariables.h"

#include <QDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

class UnitVariables : public ::testing::Test {
protected:
    void TearDown() override { QDir::setCurrent(saved); }

    QString saved = QDir::currentPath();
    testutil::TempDir dir;
    TOutdoorVariables vars{dir.file(QStringLiteral("deskstart.exe"))};
    QString start = vars.StartDir();
    QChar sep = QDir::separator();
};

} // namespace

TEST_F(UnitVariables, ConstructorDefaults)
{
    EXPECT_EQ(vars.ActualPeriod(), 3);
    EXPECT_EQ(vars.DefaultRSkipPeriod(), 5);
    EXPECT_TRUE(vars.SelfAutoLoad() && vars.ShowLogo() && vars.UserBlock() && vars.SyncDefault()
                && vars.StatesVisible() && vars.SaleStateSimple());
    EXPECT_FALSE(vars.SkipWeekends() || vars.QuillNets() || vars.ZPhotoreport() || vars.Pollination());
    EXPECT_EQ(vars.AppType(), oatMain);
    EXPECT_EQ(vars.StickFineMethod(), sfmNone);
    EXPECT_EQ(vars.DocsLang(), vars.DBLanguage());
    EXPECT_TRUE(vars.SelfOperator().IsClear());
    EXPECT_EQ(vars.Organization().ColorBg, 16777215u);
    EXPECT_EQ(vars.BoardPeriodState(beQP).Color, 12632256u);
    EXPECT_EQ(vars.SMTP.Port, 25);
    EXPECT_EQ(vars.Price.NCB, 1.0);

    TBoardPeriodStateRec rec;
    rec.Title = QStringLiteral("резерв");
    vars.SetBoardPeriodState(beT, rec);
    EXPECT_EQ(vars.GetBoardPeriodState(beT).Title, QStringLiteral("резерв"));
    EXPECT_TRUE(vars.GetBoardPeriodState(beTP).Title.isEmpty());
}

TEST_F(UnitVariables, DerivedFilesFoldersAndAddresses)
{
    vars.SetURL(QStringLiteral("http://agency.example/"));
    const std::pair<QString, QString> cases[] = {
        {vars.DocManagerIniFile(), start + "docs.ini"},
        {vars.CacheDir(), start + "cache" + sep},
        {vars.CacheDocDir(), start + "docs" + sep},
        {vars.ReportDir(), start + "report" + sep},
        {vars.HelpFile(), start + "help.chm"},
        {vars.RunOnceFile(), start + "runonce"},
        {vars.TemplateMail(), start + "template" + sep + "mail.html"},
        {vars.TemplateExcel(), start + "report" + sep + "template0.xls"},
        {vars.TemplateNet(), start + "report" + sep + "net.xls"},
        {vars.BoardURL(), "http://agency.example/system/board.php"},
        {vars.OfferURL(), "http://agency.example/system/offer.php"},
        {vars.PhotoreportURL(), "http://agency.example/system/photoreport.php"},
        {vars.ModuleSiteURL(), "http://agency.example/base.php"},
        {vars.ModuleSiteBoardURL(), "http://agency.example/board/"},
        {vars.PhotoURL(), "http://agency.example/photo/"},
        {vars.ZPhotoreportURL(), "http://agency.example/zph/"},
        {vars.ExeUpdate(), "update.exe"},
    };
    for (const auto &[got, expected] : cases)
        EXPECT_EQ(got, expected);
}

TEST_F(UnitVariables, ProgramNamesFollowTheApplicationType)
{
    EXPECT_EQ(vars.ExeInit(), QStringLiteral("primer.exe"));
    EXPECT_EQ(vars.ExeMainClient(), QStringLiteral("quillmarsh.exe"));
    vars.SetAppType(oatStick);
    EXPECT_EQ(vars.ExeInit(), QStringLiteral("primerstick.exe"));
    EXPECT_EQ(vars.ExeMainClient(), QStringLiteral("quillstick.exe"));
    EXPECT_EQ(TOutdoorVariables::ExeMainClient(oatMain), QStringLiteral("quillmarsh.exe"));
}

TEST_F(UnitVariables, TemplateDefaultByDocumentTypeAndCountry)
{
    const QString report = vars.ReportDir();
    const struct {
        TUAPIDocType type;
        TCountry country;
        QString name;
    } cases[] = {
        {dtCustom, clRU, QString()},
        {dtAgreement, clRU, report + "agreement_ru.rtf"},
        {dtTax, clUA, report + "tax_ua.xls"},
        {dtInvoice_1C, clRU, report + "invoice_1c_ru."},
        {dtXml, clBY, report + "xml_by.xml"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.type));
        vars.SetCountry(c.country);
        EXPECT_EQ(vars.TemplateDefault(c.type), c.name);
    }
}

TEST(UnitVariablesCompID, StaysTheSameAndHasItsForm)
{
    const QString id = TOutdoorVariables::GetCompID();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^([0-9A-F]{8})?$")).match(id).hasMatch()) << id.toStdString();
    EXPECT_EQ(TOutdoorVariables::GetCompID(), id);
}
