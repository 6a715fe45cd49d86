#include "ComplexFixture.h"
#include "StandinService.h"
#include "UCurl.h"

#include <QJsonArray>
#include <QJsonObject>

#include <httplib.h>

#include <QScopeGuard>

#include <functional>

namespace {

class Connecting : public ComplexFixture {
protected:
    void SetUp() override
    {
        ComplexFixture::SetUp();
        complex->Vars().SetConfigFileName(QStringLiteral("tessaplan.ini"));
        testutil::writeFile(dir.file(QStringLiteral("tessaplan.ini")), "API=server\r\nID=17\r\nXID=abc\r\n");
        ASSERT_TRUE(complex->InitVarsFromConfig());
        complex->Data().SetHost(svc.Server.BaseURL());
        svc.Service->AddWorkstation(QStringLiteral("17"), QStringLiteral("abc"));
    }
    // Connects with Settings as the answer's row 0.
    bool Connect(const QJsonObject &Settings)
    {
        svc.Service->SetConnectAnswer(Settings);
        return complex->Start();
    }
};

} // namespace

TEST_F(Connecting, PostsTheSignedParametersInOrderAndTakesTheSettings)
{
    ASSERT_TRUE(Connect(QJsonObject{
        {"xdb", "18"}, {"master_xdb", "1"}, {"master_xid", "m1"}, {"xdb_type", "s"}, {"country", "ua"},
        {"last_version", "2.0.1"}, {"language", "ua"}, {"xdb_url", "https://org.example/"}, {"skip_weekends", "Y"},
        {"actual_period", "12"}, {"actual_date", "2024-02-29"}, {"smtp_host", "mail.example"}, {"smtp_port", "587"},
        {"smtp_auth", "1"}, {"organization", "ООО «Щит»"}, {"org_color", "FF0000"}, {"org_logo", "ENABLED"},
        {"cash_bank_up", "1.5"}, {"tax_nds", "20"}, {"stick_fine_method", "perday"}, {"stick_fine_amount", "12.34567"},
        {"currency_hi", "руб."}, {"self_operator", "7"}}));

    const TStandinRequest r = svc.Service->LastRequest();
    EXPECT_EQ(r.Path, "/connect.php");
    QStringList names;
    for (const auto &p : r.Params)
        names << p.first;
    EXPECT_EQ(names, QStringList({"xdb", "xid", "comp_id", "comp_name", "version", "hash"}));
    EXPECT_EQ(r.Param("xdb"), "17");
    EXPECT_EQ(r.Param("comp_id"), TOutdoorVariables::GetCompID());

    const TOutdoorVariables &v = complex->Vars();
    EXPECT_EQ(complex->APIAuth().XDB.ToString(), "18");
    EXPECT_EQ(complex->APIAuth().MasterXID.ToString(), "m1");
    EXPECT_EQ(complex->APIAuth().XDBType, xtOperator); // letter case does not matter
    EXPECT_EQ(v.Country(), clUA);
    EXPECT_EQ(v.LastVersion(), "2.0.1");
    EXPECT_EQ(v.URL(), "https://org.example/");
    EXPECT_TRUE(v.SkipWeekends());
    EXPECT_EQ(v.ActualPeriod(), 12);
    EXPECT_EQ(v.ActualDate().Value(), TDateTime::FromDate(QDate(2024, 2, 29)).Value());
    EXPECT_EQ(v.SMTP.Host, "mail.example");
    EXPECT_EQ(v.SMTP.Port, 587);
    EXPECT_TRUE(v.SMTP.Auth);
    EXPECT_EQ(v.Organization().Title, "ООО «Щит»");
    EXPECT_EQ(v.Organization().ColorFg, TUConv::RGBHexToColor("FF0000"));
    EXPECT_EQ(v.Organization().ColorBg, TColor(16777215));
    EXPECT_TRUE(v.Organization().HaveLogo);
    EXPECT_DOUBLE_EQ(v.Price.NCB, 1.5);
    EXPECT_DOUBLE_EQ(v.Price.TaxNDS, 20);
    EXPECT_EQ(v.StickFineMethod(), sfmPerday);
    EXPECT_EQ(v.StickFineAmount().Raw(), 123457); // four decimals, rounded
    EXPECT_EQ(v.CurrencyHi(), "руб.");
    EXPECT_EQ(v.SelfOperator().ToString(), "7");
    EXPECT_TRUE(LogLines().isEmpty());
}

TEST_F(Connecting, ValuesThatDoNotConvertGiveTheDefaultsOfTheirKind)
{
    // Set before, so that a value left alone would show.
    complex->Vars().SetStickFineMethod(sfmFixed);
    complex->Vars().Price.TaxNDS = 18;
    complex->Vars().SetSkipWeekends(true);

    const struct {
        const char *name;
        QJsonObject settings;
        std::function<void(const TOutdoorVariables &)> check;
    } cases[] = {
        {"flags only in their three spellings", {{"skip_weekends", "y"}, {"show_logo", "true"}, {"user_block", "ENABLED"}},
         [](const TOutdoorVariables &v) {
             EXPECT_FALSE(v.SkipWeekends());
             EXPECT_FALSE(v.ShowLogo());
             EXPECT_TRUE(v.UserBlock());
         }},
        {"absent settings are overwritten, the fine method kept", {},
         [](const TOutdoorVariables &v) {
             EXPECT_EQ(v.StickFineMethod(), sfmFixed);
             EXPECT_EQ(v.Price.TaxNDS, 0);
             EXPECT_EQ(v.Organization().ColorFg, TColor(0));
             EXPECT_EQ(v.Organization().ColorBg, TColor(16777215));
             EXPECT_EQ(v.DBLanguage(), lnRU);
             EXPECT_EQ(v.Country(), clRU);
         }},
        {"no real day, no number, too wide a number, unknown method",
         {{"actual_date", "2020-02-30"}, {"actual_period", "300"}, {"smtp_port", "-1"}, {"rskip_remind", "x"},
          {"stick_fine_method", "weekly"}, {"stick_fine_amount", "lots"}, {"tax_nr", "1,5"}, {"org_color", "zz"}},
         [](const TOutdoorVariables &v) {
             EXPECT_TRUE(v.ActualDate().IsNull());
             EXPECT_EQ(v.ActualPeriod(), 0);
             EXPECT_EQ(v.SMTP.Port, 0);
             EXPECT_EQ(v.RSkipRemind(), 0);
             EXPECT_EQ(v.StickFineMethod(), sfmFixed);
             EXPECT_TRUE(v.StickFineAmount().IsZero());
             EXPECT_EQ(v.Organization().ColorFg, TUConv::RGBHexToColor("zz"));
         }},
        {"settings as JSON numbers", {{"actual_period", 5}, {"smtp_port", 2525}, {"tax_nds", 20}},
         [](const TOutdoorVariables &v) {
             EXPECT_EQ(v.ActualPeriod(), 5);
             EXPECT_EQ(v.SMTP.Port, 2525);
             EXPECT_DOUBLE_EQ(v.Price.TaxNDS, 20);
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Connect(c.settings));
        c.check(complex->Vars());
    }
}

TEST_F(Connecting, RefusedConnectionsAreProcessedAndLogged)
{
    const struct {
        const char *name;
        std::function<void(TStandinService &)> arrange, undo;
        QString log;
        QString opened; // the program started as the remedy, if any
    } cases[] = {
        {"unknown pair", [](TStandinService &s) { s.AddWorkstation("17", "other"); },
         [](TStandinService &s) { s.AddWorkstation("17", "abc"); }, "Connect answer is not OK: 11", "primer.exe"},
        {"old version", [](TStandinService &s) { s.SetMinVersion("999999"); },
         [](TStandinService &s) { s.SetMinVersion({}); }, "Connect answer is not OK: 15", "update.exe"},
        {"denied address", [](TStandinService &s) { s.DenyAddress("127.0.0.1"); }, [](TStandinService &) {},
         "Connect answer is not OK: 14", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Opened.clear();
        c.arrange(*svc.Service);
        EXPECT_FALSE(Connect({{"organization", "x"}}));
        EXPECT_TRUE(LogLines().contains(c.log)) << LogLines().join('|').toStdString();
        EXPECT_TRUE(complex->Vars().Organization().Title.isEmpty()); // nothing taken over
        if (!c.opened.isEmpty()) {
            ASSERT_FALSE(Opened.isEmpty());
            EXPECT_TRUE(Opened.last().endsWith(c.opened)) << Opened.last().toStdString();
        }
        c.undo(*svc.Service);
    }
}

TEST_F(Connecting, ServiceDownIsTheConnectionMessage)
{
    complex->Data().SetHost(QStringLiteral("http://127.0.0.1:1/"));
    EXPECT_FALSE(complex->Start());
    EXPECT_TRUE(LogLines().contains("Connect answer is null"));
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Msg, "Проблема с подключением к серверу...\n\rПроверьте наличие Интернета!");
    EXPECT_EQ(Errors, std::vector<TOutdoorCloseReason>{ocrConnect});
}

TEST_F(Connecting, HelpAndMapOpeners)
{
    const QString marker = complex->Vars().RunOnceFile();
    testutil::writeFile(marker, "");
    complex->OpenHelpIfNeeded();
    complex->OpenHelpIfNeeded();
    EXPECT_EQ(Opened, QStringList{complex->Vars().HelpFile()}); // once: the marker is gone
    EXPECT_FALSE(QFile::exists(marker));

    Opened.clear();
    const QString map = TOutdoorVariables::MapSetURL();
    complex->OpenMapSet({0, 0}, QStringLiteral("Тверская 1"));
    complex->OpenMapSet({0, 37.5}, QStringLiteral("Тверская 1"));
    complex->OpenMapSet({55.75, 37.62}, {});
    EXPECT_EQ(Opened, QStringList({map + "?q=Тверская 1", map + "?q=0,37.5", map + "?q=55.75,37.62"}));
}

TEST_F(Connecting, ConnectsToTheSeededServiceAndGetsItsReferenceSets)
{
    testutil::TempDir data;
    TStandinStore store(data.path(), QStringLiteral(OC_STANDIN_SEED));
    svc.Service->UseStore(&store);
    testutil::writeFile(dir.file(QStringLiteral("tessaplan.ini")), "API=server\r\nID=17\r\nXID=demo\r\n");
    ASSERT_TRUE(complex->InitVarsFromConfig());
    complex->Data().SetHost(svc.Server.BaseURL());

    ASSERT_TRUE(complex->Start());
    EXPECT_EQ(complex->Vars().Organization().Title, "ООО «Щит-Медиа»");
    EXPECT_EQ(complex->Vars().StickFineMethod(), sfmFixed);
    EXPECT_EQ(complex->Vars().StickFineAmount().Raw(), 15000000);
    EXPECT_EQ(complex->APIAuth().XDBType, xtMaster);
    EXPECT_EQ(complex->Vars().SMTP.Port, 587);
    // The reference sets came with the answer.
    EXPECT_EQ(complex->Cache().GetTitle(ctTown, TUDataKey(QStringLiteral("1"))), "Москва");
    EXPECT_EQ(complex->Cache().GetTitle(ctUser, TUDataKey(QStringLiteral("ivanov"))), "Иванов Сергей Петрович");
    EXPECT_EQ(complex->Cache().GetData(ctClient)->Count(), store.Set("client").size());
}

TEST_F(Connecting, ReferenceDataThatAreNoObjectFailTheConnection)
{
    svc.Service->SetReference({});
    // A reference part that is there but not an object: the settings are taken, the lists fail.
    TStandinServer odd;
    odd.Http().Post("/connect.php", [](const httplib::Request &, httplib::Response &res) {
        QByteArray body = TStandinService::Envelope(0, QJsonArray{"organization"}, QJsonObject{{"organization", "x"}});
        body.chop(1);
        res.set_content((body + R"(,"raw":[1,2]})").toStdString(), "application/json");
    });
    ASSERT_TRUE(odd.Start());
    complex->Data().SetHost(odd.BaseURL());
    EXPECT_FALSE(complex->Start());
    EXPECT_EQ(complex->Vars().Organization().Title, "x");
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(Connecting, SettingsOfTheWrongJSONTypeGiveDefaults)
{
    ASSERT_TRUE(Connect(QJsonObject{{"tax_nds", QJsonArray{20}}, {"skip_weekends", true},
                                    {"smtp_port", QJsonValue::Null}, {"actual_period", QJsonObject{{"n", 5}}}}));
    const TOutdoorVariables &v = complex->Vars();
    EXPECT_EQ(v.Price.TaxNDS, 0);
    EXPECT_FALSE(v.SkipWeekends());
    EXPECT_EQ(v.SMTP.Port, 0);
    EXPECT_EQ(v.ActualPeriod(), 0);
}

TEST_F(Connecting, AnAnswerCutShortIsNoAnswer)
{
    // A service that promises a whole settings row and closes the connection half-way.
    TStandinServer cutting;
    cutting.Http().Post("/connect.php", [](const httplib::Request &, httplib::Response &res) {
        const std::string body = TStandinService::Envelope(0, QJsonArray{"organization"}, QJsonObject{{"organization", "x"}})
                                     .toStdString();
        res.set_content_provider(body.size(), "application/json", [body](size_t offset, size_t, httplib::DataSink &sink) {
            return offset == 0 && sink.write(body.data(), body.size() / 2);
        });
    });
    ASSERT_TRUE(cutting.Start());
    complex->Data().SetHost(cutting.BaseURL());
    EXPECT_FALSE(complex->Start());
    EXPECT_TRUE(LogLines().contains("Connect answer is null")) << LogLines().join('|').toStdString();
    EXPECT_TRUE(complex->Vars().Organization().Title.isEmpty());
    EXPECT_EQ(Errors, std::vector<TOutdoorCloseReason>{ocrConnect});
}

TEST_F(Connecting, AnHttpsServiceIsReachedOnlyWithACertificateItsClientTrusts)
{
    const TStandinCertificate authority = TStandinCertificate::SelfSigned();
    ASSERT_FALSE(authority.CertificatePem.isEmpty());
    TStandinServer server(&authority);
    TStandinService service(server);
    service.AddWorkstation(QStringLiteral("17"), QStringLiteral("abc"));
    service.SetConnectAnswer(QJsonObject{{"organization", "ООО «Щит»"}});
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(server.BaseURL().startsWith("https://"));
    testutil::writeFile(dir.file(QStringLiteral("tessaplan.ini")),
                        ("API=" + server.BaseURL() + "\r\nID=17\r\nXID=abc\r\n").toUtf8());
    ASSERT_TRUE(complex->InitVarsFromConfig());
    EXPECT_EQ(complex->Host(), server.BaseURL());

    // Nobody vouches for the server's certificate: no connection.
    EXPECT_FALSE(complex->Start());
    EXPECT_TRUE(LogLines().contains("Connect answer is null"));
    EXPECT_EQ(Errors, std::vector<TOutdoorCloseReason>{ocrConnect});

    const QString pem = dir.file(QStringLiteral("authority.pem"));
    testutil::writeFile(pem, authority.CertificatePem);
    TUCurl::SetTrustedCertificates(pem);
    const auto untrust = qScopeGuard([] { TUCurl::SetTrustedCertificates({}); });
    EXPECT_TRUE(complex->Start());
    EXPECT_EQ(complex->Vars().Organization().Title, "ООО «Щит»");
    EXPECT_EQ(service.LastRequest().Path, "/connect.php");
}
