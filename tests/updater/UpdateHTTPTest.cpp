#include "UCurl.h"
#include "UException.h"
#include "UFile.h"
#include "UpdateHTTP.h"
#include "UpdateMaster.h"
#include "UpdaterTestUtil.h"

#include <QBuffer>
#include <QFile>
#include <gtest/gtest.h>
#include <httplib.h>

#include <mutex>

using testutil::readFile;
using testutil::writeFile;

namespace {

// One certificate for the whole run: making one takes a while.
const TStandinCertificate &certificate()
{
    static const TStandinCertificate c = TStandinCertificate::SelfSigned();
    return c;
}

// A site with one file "a.txt" behind the descriptor "desc.txt", served over "https://" with a
// self-signed certificate (parameter true) or over plain HTTP, and an engine pointed at it.
class UpdateTransportTest : public UpdateSiteTest, public ::testing::WithParamInterface<bool> {
protected:
    UpdateTransportTest() : UpdateSiteTest(GetParam() ? &certificate() : nullptr) {}
    void SetUp() override
    {
        ASSERT_FALSE(certificate().CertificatePem.isEmpty());
        ASSERT_NO_FATAL_FAILURE(UpdateSiteTest::SetUp());
        writeFile(site + QStringLiteral("a.txt"), "new a");
        writeFile(site + QStringLiteral("desc.txt"), (siteURL() + QStringLiteral("\r\na.txt\r\n")).toUtf8());
        um.SetDir(prog);
        um.SetUpdateURL(siteURL() + QStringLiteral("desc.txt"));
    }
    void TearDown() override { TUCurl::SetTrustedCertificates({}); }
    void trust(const TStandinCertificate *c)
    {
        if (!c)
            return TUCurl::SetTrustedCertificates({});
        const QString pem = tmp.file(QStringLiteral("trusted.pem"));
        writeFile(pem, c->CertificatePem);
        TUCurl::SetTrustedCertificates(pem);
    }
    bool downloaded() const
    {
        return QFile::exists(prog + QStringLiteral("update/a.txt")) &&
               readFile(prog + QStringLiteral("update/a.txt")) == "new a";
    }

    TUpdateMaster um;
};

using UpdateHttpsTest = UpdateTransportTest;

TEST_P(UpdateHttpsTest, TakesTheUpdateOnlyFromATrustedCertificate)
{
    const TStandinCertificate other = TStandinCertificate::SelfSigned();
    const struct {
        const char *name;
        const TStandinCertificate *trusted;
        bool ok;
    } cases[] = {
        {"the system's authorities only", nullptr, false},
        {"another certificate trusted", &other, false},
        {"this certificate trusted", &certificate(), true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        trust(c.trusted);
        TUFile::ClearDir(prog + QStringLiteral("update/"));
        const int before = server.RequestCount();
        EXPECT_EQ(um.DownloadUpdate(), c.ok) << um.Error().toStdString();
        EXPECT_EQ(downloaded(), c.ok);
        if (!c.ok) {
            EXPECT_TRUE(um.Error().startsWith(QStringLiteral("Сервер 127.0.0.1 не подтвердил свою подлинность")))
                << um.Error().toStdString();
            EXPECT_EQ(server.RequestCount(), before) << "nothing is asked of a server that is not trusted";
        }
    }
}

TEST_P(UpdateHttpsTest, NeverFollowsARedirectToPlainHTTP)
{
    trust(&certificate());
    TStandinServer plain;
    plain.Http().Get("/a.txt", [](const httplib::Request &, httplib::Response &res) { res.set_content("plain", "text/plain"); });
    TStandinServer secure(&certificate());
    const std::string target = (plain.BaseURL() + QStringLiteral("a.txt")).toStdString();
    secure.Http().Get("/moved", [target](const httplib::Request &, httplib::Response &res) { res.set_redirect(target); });
    ASSERT_TRUE(plain.Start());
    ASSERT_TRUE(secure.Start());
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    EXPECT_THROW(UpdateHTTPGet(secure.BaseURL() + QStringLiteral("moved"), sink, {}, {}), EUError);
    EXPECT_EQ(plain.RequestCount(), 0);
    EXPECT_TRUE(sink.data().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Https, UpdateHttpsTest, ::testing::Values(true));

// The same site behind a proxy that asks for a user name and password.
class UpdateProxyTest : public UpdateTransportTest {
protected:
    void Routes() override
    {
        server.Http().set_logger([this](const httplib::Request &req, const httplib::Response &) {
            std::lock_guard lock(viaLock);
            via = QString::fromStdString(req.get_header_value("Via"));
        });
    }
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(UpdateTransportTest::SetUp());
        ASSERT_TRUE(tinyproxy.start(QStringLiteral("agent"), QStringLiteral("s3cret")));
        trust(&certificate());
        um.SetProxy(QStringLiteral("127.0.0.1"));
        um.SetProxyPort(tinyproxy.port());
    }
    QString lastVia()
    {
        std::lock_guard lock(viaLock);
        return via;
    }

    testutil::TinyProxy tinyproxy;
    std::mutex viaLock; // guards via, written by the server's thread
    QString via;
};

TEST_P(UpdateProxyTest, SignsInToTheProxy)
{
    const QString proxy = QStringLiteral("127.0.0.1:%1").arg(tinyproxy.port());
    const struct {
        const char *user, *password;
        bool ok;
    } cases[] = {{"agent", "s3cret", true}, {"agent", "guess", false}, {"", "", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.user) + ":" + c.password);
        um.SetProxyUser(QString::fromUtf8(c.user));
        um.SetProxyPassword(QString::fromUtf8(c.password));
        TUFile::ClearDir(prog + QStringLiteral("update/"));
        const int before = server.RequestCount();
        EXPECT_EQ(um.DownloadUpdate(), c.ok) << um.Error().toStdString();
        EXPECT_EQ(downloaded(), c.ok);
        if (c.ok) {
            // A plain request carries the proxy's mark; a tunnel shows the server nothing of it.
            EXPECT_TRUE(GetParam() || lastVia().contains(QStringLiteral("tinyproxy"))) << lastVia().toStdString();
        } else {
            EXPECT_EQ(server.RequestCount(), before);
            // The proxy is named with the settings to look at.
            EXPECT_TRUE(um.Error().contains(proxy)) << um.Error().toStdString();
            EXPECT_TRUE(um.Error().contains(QStringLiteral("PROXYUSER и PROXYPASSWORD в update.ini")))
                << um.Error().toStdString();
        }
    }
}

#ifdef OC_UPDATE_EXE
// The program takes the proxy and its sign-in from "update.ini". What the tests trust is not
// trusted by the program: it takes nothing from the self-signed server.
TEST_P(UpdateProxyTest, TheProgramSignsInWithTheSettingsFile)
{
    writeFile(prog + QStringLiteral("update.ini"),
              QStringLiteral("HOST=%1desc.txt\r\nPROXY=127.0.0.1\r\nPROXYPORT=%2\r\nPROXYUSER=agent\r\n"
                             "PROXYPASSWORD=s3cret\r\n")
                  .arg(siteURL())
                  .arg(tinyproxy.port())
                  .toUtf8());
    EXPECT_EQ(runUpdate(prog, {QStringLiteral("-download")}), 0);
    EXPECT_EQ(downloaded(), !GetParam());
    EXPECT_TRUE(GetParam() || lastVia().contains(QStringLiteral("tinyproxy")));
}
#endif

INSTANTIATE_TEST_SUITE_P(HttpAndHttps, UpdateProxyTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool> &p) { return p.param ? "Https" : "Http"; });

} // namespace
