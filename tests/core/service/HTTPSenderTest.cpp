#include "HTTPSender.h"

#include "TestUtil.h"
#include "TransportTestUtil.h"
#include "UCodePage.h"
#include "UException.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>
#include <httplib.h>

#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <thread>

namespace {

TEST(HTTPSenderEncode, URLEncodeKeepsOnlyTheSafeCharacters)
{
    const struct {
        QString in;
        QString out;
    } cases[] = {
        {QStringLiteral(" &=+é"), QStringLiteral("%20%26=%2B%C3%A9")},
        {QStringLiteral("*<>#%\"{}|\\^[]`+"), QStringLiteral("%2A%3C%3E%23%25%22%7B%7D%7C%5C%5E%5B%5D%60%2B")},
        {QStringLiteral("az09=?/:;,@!$'()-._~"), QStringLiteral("az09=?/:;,@!$'()-._~")},
        {QString::fromUtf8("\t\r\n\x7f"), QStringLiteral("%09%0D%0A\x7f")},
        {QString::fromUtf8("Жж"), QStringLiteral("%D0%96%D0%B6")},
        {QString::fromUtf8("\xF0\x9F\x98\x80"), QStringLiteral("%F0%9F%98%80")}, // a surrogate pair
        {QStringLiteral("a&b&&"), QStringLiteral("a%26b%26%26")},
        {QString(), QString()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.in.toStdString());
        EXPECT_EQ(THTTPSender::URLEncode(c.in), c.out);
    }
}

TEST(HTTPSenderEncode, ParametersKeepTheirOrderAndReplaceByExactName)
{
    THTTPSender s;
    s.ParamAdd(QStringLiteral("b"), QStringLiteral("1"));
    s.ParamAdd(QStringLiteral("a"), -42);
    s.ParamAdd(QStringLiteral("B"), 2.5);
    s.ParamAdd(QStringLiteral("b"), QStringLiteral("x y"));
    EXPECT_EQ(s.ParamCount(), 3);
    EXPECT_EQ(s.FormString(false), QStringLiteral("b=x%20y&a=-42&B=2.5"));
    EXPECT_EQ(s.FormString(true), QStringLiteral("?b=x%20y&a=-42&B=2.5"));
    QString v = QStringLiteral("stale");
    EXPECT_FALSE(s.ParamValue(QStringLiteral("c"), v));
    EXPECT_TRUE(v.isEmpty());
    EXPECT_TRUE(s.ParamValue(QStringLiteral("B"), v));
    EXPECT_EQ(v, QStringLiteral("2.5"));
    s.ParamClear();
    EXPECT_EQ(s.FormString(true), QString());
}

class HTTPSenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        svc.Server.SetStatus(QStringLiteral("/missing.php"), 404, "no such script");
        svc.Server.SetStatus(QStringLiteral("/broken.php"), 500, "it broke");
        svc.Server.ServeStalled(QStringLiteral("/stalled.bin"), 1000000, 1000);
        svc.Server.ServeCut(QStringLiteral("/cut.bin"), QByteArray(100000, 'c'), 5000);
        svc.Server.Http().Get("/moved.php", [](const httplib::Request &, httplib::Response &res) {
            res.set_redirect("/query.php?from=moved");
        });
        ASSERT_TRUE(svc.Start());
        sender.OnWork = log.Handlers();
    }
    QString url(const char *script) const { return svc.URL(QString::fromLatin1(script)); }

    TServiceFixture svc;
    TEventLog log; // outlives the sender, whose destruction still reports "terminate"
    THTTPSender sender;
};

TEST_F(HTTPSenderTest, PostSendsTheFormAndReportsEachDirection)
{
    // "=" passes unencoded, so only a value may hold it.
    const QString special = QStringLiteral(" &=+é*<>#%\"{}|\\^[]`'?/Жz\t");
    QString name = special;
    name.remove(u'=');
    sender.ParamAdd(QStringLiteral("zeta"), QStringLiteral("1"));
    sender.ParamAdd(name, special);
    sender.ParamAdd(QStringLiteral("alpha"), QStringLiteral("2"));
    const QString text = sender.Post(url("query.php"));
    ASSERT_FALSE(text.isEmpty());

    const TStandinRequest r = svc.Service->LastRequest();
    EXPECT_EQ(r.Method, "POST");
    EXPECT_EQ(r.Body, sender.FormString(false).toLatin1());
    ASSERT_EQ(r.Params.size(), 3);
    EXPECT_EQ(r.Params[0].first, QStringLiteral("zeta"));
    EXPECT_EQ(r.Params[1], qMakePair(name, special));
    EXPECT_EQ(r.Params[2].first, QStringLiteral("alpha"));
    EXPECT_EQ(r.Headers.value("content-type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(r.Headers.value("user-agent"), "Mozilla/5.0 (Windows NT 6.1; rv:19.0) Gecko/20100101 Firefox/19.0");
    EXPECT_EQ(r.Headers.value("accept-charset"), "windows-1251,utf-8;q=0.7,*;q=0.7");
    EXPECT_FALSE(r.Headers.contains("accept-encoding"));
    EXPECT_TRUE(text.contains(QStringLiteral("Жz"))) << text.toStdString();

    EXPECT_EQ(log.Shape(), (QStringList{"start 0", "start n", "update", "end", "start n", "update", "end",
                                        "success", "end"}));
    EXPECT_EQ(log.Lines()[1], QStringLiteral("start %1").arg(r.Body.size()));
    EXPECT_EQ(sender.Stat().TransferBytes, text.toUtf8().size());
}

TEST_F(HTTPSenderTest, NoParametersPostAnEmptyBodyAndGetTheBareURL)
{
    EXPECT_FALSE(sender.Post(url("query.php")).isEmpty());
    EXPECT_EQ(svc.Service->LastRequest().Body, QByteArray());
    // Without a body there is no sending run.
    EXPECT_EQ(log.Shape(), (QStringList{"start 0", "start n", "update", "end", "success", "end"}));

    EXPECT_FALSE(sender.Get(url("query.php")).isEmpty());
    EXPECT_EQ(svc.Service->LastRequest().Method, "GET");
    EXPECT_EQ(svc.Service->LastRequest().Query, QByteArray());
}

TEST_F(HTTPSenderTest, GetPutsTheParametersInTheQueryWithoutAskingForGZip)
{
    sender.SetUseGZip(true);
    sender.ParamAdd(QStringLiteral("fid"), QStringLiteral("a b&c"));
    sender.ParamAdd(QStringLiteral("x"), 7);
    EXPECT_FALSE(sender.Get(url("query.php")).isEmpty());
    const TStandinRequest r = svc.Service->LastRequest();
    EXPECT_EQ(r.Query, "fid=a%20b%26c&x=7");
    EXPECT_EQ(r.Param(QStringLiteral("fid")), QStringLiteral("a b&c"));
    EXPECT_FALSE(r.Headers.contains("accept-encoding"));
}

TEST_F(HTTPSenderTest, FailuresGoToOnErrorWithTheLibraryText)
{
    const int closedPort = FreeLoopbackPort();
    const struct {
        const char *name;
        QString url;
        QString error; // the start of the message
    } cases[] = {
        {"empty host", QString(), QStringLiteral("Host is empty")},
        {"host not found", QStringLiteral("http://no-such-host.invalid/query.php"), QStringLiteral("Couldn't resolve")},
        {"refused", QStringLiteral("http://127.0.0.1:%1/query.php").arg(closedPort), QStringLiteral("Couldn't connect")},
        {"404", url("missing.php"), QStringLiteral("HTTP/1.1 404 Not Found")},
        {"500", url("broken.php"), QStringLiteral("HTTP/1.1 500 Internal Server Error")},
        {"cut", url("query.php?standin_cut=1&standin_size=100000"), QStringLiteral("Transferred a partial file")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TEventLog l;
        THTTPSender s;
        s.OnWork = l.Handlers();
        EXPECT_EQ(s.Post(c.url), QString());
        const QStringList lines = l.Lines();
        ASSERT_GE(lines.size(), 3);
        EXPECT_EQ(lines.first(), QStringLiteral("start 0"));
        EXPECT_TRUE(lines[lines.size() - 2].startsWith(QStringLiteral("error ") + c.error)) << lines.join('|').toStdString();
        EXPECT_EQ(lines.last(), QStringLiteral("end"));
        EXPECT_FALSE(lines.contains(QStringLiteral("success")));
    }
}

TEST_F(HTTPSenderTest, AnOnErrorThatRaisesLeavesTheOperationAfterOnEnd)
{
    sender.OnWork.OnError = [](QObject *, const QString &m) { throw EUError(m); };
    EXPECT_THROW(sender.Post(QString()), EUError);
    EXPECT_EQ(log.Lines(), (QStringList{"start 0", "end"}));
}

TEST_F(HTTPSenderTest, OnlyAnExactGZipEncodingIsUnpacked)
{
    const QByteArray plain = [&] {
        THTTPSender s;
        s.ParamAdd(QStringLiteral("k"), QStringLiteral("v"));
        return s.Post(url("query.php")).toUtf8();
    }();
    const struct {
        const char *name;
        QString encoding; // empty: the service packs because the request asked
        bool raw;
        bool unpacked;
    } cases[] = {
        {"asked for", QString(), false, true},
        {"capitals", QStringLiteral("GZIP"), false, false},
        {"two codings", QStringLiteral("gzip, br"), false, false},
        {"marked but not gzip", QStringLiteral("gzip"), true, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        THTTPSender s;
        s.SetUseGZip(true);
        s.ParamAdd(QStringLiteral("k"), QStringLiteral("v"));
        if (!c.encoding.isEmpty())
            s.ParamAdd(QStringLiteral("standin_encoding"), c.encoding);
        if (c.raw)
            s.ParamAdd(QStringLiteral("standin_raw"), QStringLiteral("1"));
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::ReadWrite);
        ASSERT_TRUE(s.Post(url("query.php"), buffer));
        EXPECT_EQ(svc.Service->LastRequest().Headers.value("accept-encoding"), "gzip");
        if (c.unpacked) {
            EXPECT_EQ(out, plain);
            EXPECT_EQ(s.Stat().GZipBytes, plain.size());
            EXPECT_EQ(s.Stat().TransferBytes, StandinGzip(plain).size());
        } else {
            EXPECT_EQ(out, c.raw ? plain : StandinGzip(plain));
            if (!c.raw) {
                EXPECT_EQ(s.Stat().GZipBytes, 0);
            }
        }
    }
}

TEST_F(HTTPSenderTest, AnswerTextIsDecodedByItsCharset)
{
    const QString cyr = QString::fromUtf8("Пример");
    const struct {
        QString charset;
        QString expected;
    } cases[] = {
        {QStringLiteral("utf-8"), cyr},
        {QStringLiteral("windows-1251"), cyr},
        // Unknown: one character per byte.
        {QStringLiteral("x-no-such-charset"), QString::fromLatin1(cyr.toUtf8())},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.charset.toStdString());
        THTTPSender s;
        s.ParamAdd(QStringLiteral("standin_text"), cyr);
        s.ParamAdd(QStringLiteral("standin_charset"), c.charset);
        EXPECT_EQ(s.Post(url("query.php")), c.expected);
    }
    EXPECT_EQ(THTTPSender::DecodeText("\xC0\xE1", "text/plain"), QString::fromLatin1("\xC0\xE1"));
}

TEST_F(HTTPSenderTest, SendFilePostsTheFileThenQuotedPrintableParameters)
{
    testutil::TempDir dir;
    const QByteArray content("\x00\x01binary\r\n\xff", 11);
    testutil::writeFile(dir.file(QStringLiteral("scan.pdf")), content);
    sender.ParamAdd(QStringLiteral("action"), QStringLiteral("filebase_add"));
    sender.ParamAdd(QStringLiteral("note"), QStringLiteral("a=b é"));
    EXPECT_FALSE(sender.SendFile(url("query.php"), QStringLiteral("data"), dir.file(QStringLiteral("scan.pdf"))).isEmpty());

    const TStandinRequest r = svc.Service->LastRequest();
    EXPECT_TRUE(r.Headers.value("content-type").startsWith("multipart/form-data; boundary="));
    ASSERT_EQ(r.Params.size(), 3);
    EXPECT_EQ(r.Params[0].first, QStringLiteral("data"));
    EXPECT_EQ(r.Params[0].second, QString::fromUtf8(content)); // binary: unchanged
    EXPECT_EQ(r.Params[1], qMakePair(QStringLiteral("action"), QStringLiteral("filebase_add")));
    EXPECT_EQ(r.Params[2], qMakePair(QStringLiteral("note"), QStringLiteral("a=3Db =C3=A9")));
    ASSERT_EQ(r.Parts.size(), 3);
    EXPECT_EQ(r.Parts[0], qMakePair(QStringLiteral("scan.pdf"), QByteArray("application/octet-stream")));
    EXPECT_EQ(r.Parts[1], qMakePair(QString(), QByteArray("text/plain")));
    EXPECT_EQ(r.Parts[2], qMakePair(QString(), QByteArray("text/plain")));
    EXPECT_FALSE(r.Headers.contains("accept-encoding"));
}

TEST_F(HTTPSenderTest, SendFileWithoutAFieldPostsOnlyTheParameters)
{
    sender.ParamAdd(QStringLiteral("a"), QStringLiteral("1"));
    EXPECT_FALSE(sender.SendFile(url("query.php"), QString(), QStringLiteral("/no/such/file")).isEmpty());
    const TStandinRequest r = svc.Service->LastRequest();
    EXPECT_TRUE(r.Headers.value("content-type").startsWith("multipart/form-data"));
    EXPECT_EQ(r.Params, (QList<QPair<QString, QString>>{{"a", "1"}}));
}

TEST_F(HTTPSenderTest, SendFileOfAnUnreadableFileFailsBeforeSending)
{
    const int before = svc.Server.RequestCount();
    EXPECT_EQ(sender.SendFile(url("query.php"), QStringLiteral("data"), QStringLiteral("/no/such/file")), QString());
    EXPECT_EQ(svc.Server.RequestCount(), before);
    ASSERT_EQ(log.Lines().size(), 3);
    EXPECT_TRUE(log.Lines()[1].startsWith(QStringLiteral("error Cannot open file /no/such/file")));
}

TEST_F(HTTPSenderTest, ReceiveFileStreamsTheAnswerToDisk)
{
    testutil::TempDir dir;
    const QByteArray content(300000, 'q');
    testutil::writeFile(dir.file(QStringLiteral("src.bin")), content);
    svc.Service->AddFile(QStringLiteral("7"), QStringLiteral("h7"), dir.file(QStringLiteral("src.bin")));
    sender.ParamAdd(QStringLiteral("fhash"), QStringLiteral("h7"));
    sender.ParamAdd(QStringLiteral("fid"), QStringLiteral("7"));
    const QString target = dir.file(QStringLiteral("out.bin"));
    ASSERT_TRUE(sender.ReceiveFile(url("filebase_get.php"), target, false));
    EXPECT_EQ(testutil::readFile(target), content);
    EXPECT_EQ(svc.Service->LastRequest().Query, "fhash=h7&fid=7");
    EXPECT_EQ(sender.Stat().TransferBytes, content.size());
    EXPECT_EQ(log.Shape(), (QStringList{"start 0", "start n", "update", "end", "success", "end"}));
    EXPECT_EQ(log.Lines()[log.Lines().size() - 4], QStringLiteral("update 300000"));

    // By post: the parameters as multipart text parts.
    ASSERT_TRUE(sender.ReceiveFile(url("query.php"), target, true));
    EXPECT_TRUE(svc.Service->LastRequest().Headers.value("content-type").startsWith("multipart/form-data"));
    EXPECT_EQ(svc.Service->LastRequest().Param(QStringLiteral("fid")), QStringLiteral("7"));
}

TEST_F(HTTPSenderTest, ReceiveFileFailures)
{
    testutil::TempDir dir;
    const QString missingDir = dir.file(QStringLiteral("no/such/dir/out.bin"));
    EXPECT_FALSE(sender.ReceiveFile(url("filebase_get.php"), missingDir, false));
    EXPECT_EQ(log.Lines(), (QStringList{"start 0", "error Cannot create file " + missingDir, "end"}));

    // An error answer's body is not written into the file; the file stays.
    const QString target = dir.file(QStringLiteral("out.bin"));
    EXPECT_FALSE(sender.ReceiveFile(url("missing.php"), target, false));
    EXPECT_TRUE(QFileInfo::exists(target));
    EXPECT_EQ(QFileInfo(target).size(), 0);

    // A cut answer: what arrived stays on disk.
    EXPECT_FALSE(sender.ReceiveFile(url("cut.bin"), target, false));
    EXPECT_EQ(QFileInfo(target).size(), 5000);
}

TEST_F(HTTPSenderTest, TerminateFromAnotherThreadDropsAStalledTransferPromptly)
{
    std::atomic<bool> done{false};
    bool result = true;
    std::thread worker([&] {
        testutil::TempDir dir;
        result = sender.ReceiveFile(url("stalled.bin"), dir.file(QStringLiteral("x")), false);
        done = true;
    });
    ASSERT_TRUE(testutil::waitUntil([&] { return log.Lines().contains(QStringLiteral("update 1000")); }));
    QElapsedTimer t;
    t.start();
    sender.Terminate();
    const bool ended = testutil::waitUntil([&] { return done.load(); }, std::chrono::seconds(5));
    worker.join();
    EXPECT_TRUE(ended);
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_FALSE(result);
    const QStringList lines = log.Lines();
    EXPECT_TRUE(lines.contains(QStringLiteral("terminate")));
    // "terminate" comes from this thread, so it may land anywhere after the drop; the
    // sending thread takes its failure path and ends.
    QStringList sending = lines;
    sending.removeAll(QStringLiteral("terminate"));
    ASSERT_GE(sending.size(), 2);
    EXPECT_TRUE(sending[sending.size() - 2].startsWith(QStringLiteral("error ")));
    EXPECT_EQ(sending.last(), QStringLiteral("end"));

    // The sender stays stopped.
    EXPECT_EQ(sender.Post(url("query.php")), QString());
}

TEST_F(HTTPSenderTest, RedirectsAreFollowedUnlessSwitchedOff)
{
    EXPECT_TRUE(sender.Get(url("moved.php")).contains(QStringLiteral("moved")));
    EXPECT_EQ(svc.Service->LastRequest().Query, "from=moved");
    sender.SetHandleRedirects(false);
    EXPECT_EQ(sender.Get(url("moved.php")), QString());
    EXPECT_EQ(sender.ResponseCode(), 302);
}

TEST_F(HTTPSenderTest, AHundredMegabyteAnswer)
{
    sender.ParamAdd(QStringLiteral("standin_size"), 100 * 1000 * 1000);
    const QString text = sender.Post(url("query.php"));
    EXPECT_GT(text.size(), 100 * 1000 * 1000);
    EXPECT_TRUE(text.endsWith(QStringLiteral("rrr\"}")));
}

// A loopback server that answers "ok" to each request and keeps the last one byte for byte, the
// way a strict web server's script receives it. A chunked body is read up to its closing chunk.
class TRawServer {
public:
    TRawServer() : FThread([this] { Serve(); }) {}
    ~TRawServer()
    {
        ::shutdown(FListener.Socket(), SHUT_RDWR);
        FThread.join();
    }
    QString URL() const { return QStringLiteral("http://127.0.0.1:%1/raw.php").arg(FListener.Port()); }
    // Header names in lower case.
    QByteArray Header(const QByteArray &name) const
    {
        std::lock_guard lock(FLock);
        for (const QByteArray &line : FHead.split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == name)
                return line.mid(colon + 1).trimmed();
        }
        return {};
    }
    QByteArray Body() const
    {
        std::lock_guard lock(FLock);
        return FBody;
    }

private:
    void Serve()
    {
        for (;;) {
            const int c = ::accept(FListener.Socket(), nullptr, nullptr);
            if (c < 0)
                return;
            QByteArray in;
            char buf[65536];
            qsizetype headEnd = -1;
            const auto complete = [&] {
                headEnd = in.indexOf("\r\n\r\n");
                if (headEnd < 0)
                    return false;
                const QByteArray head = in.left(headEnd).toLower();
                const qsizetype at = head.indexOf("content-length:");
                if (at >= 0)
                    return in.size() - headEnd - 4 >= head.mid(at + 15, head.indexOf('\r', at) - at - 15).trimmed().toLongLong();
                return !head.contains("chunked") || in.endsWith("\r\n0\r\n\r\n");
            };
            while (!complete()) {
                const ssize_t n = ::recv(c, buf, sizeof buf, 0);
                if (n <= 0)
                    break;
                in.append(buf, qsizetype(n));
            }
            {
                std::lock_guard lock(FLock);
                FHead = headEnd < 0 ? in : in.left(headEnd);
                FBody = headEnd < 0 ? QByteArray() : in.mid(headEnd + 4);
            }
            const char answer[] = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";
            ::send(c, answer, sizeof answer - 1, MSG_NOSIGNAL);
            ::close(c);
        }
    }

    TLoopbackListener FListener{4};
    std::thread FThread;
    mutable std::mutex FLock; // guards FHead, FBody
    QByteArray FHead, FBody;
};

TEST_F(HTTPSenderTest, MultipartPostsCarryAContentLengthNotAChunkedBody)
{
    TRawServer server;
    const QString rawURL = server.URL();

    testutil::TempDir dir;
    const QByteArray content("\x00\x01 binary\r\n=\xff", 13);
    testutil::writeFile(dir.file(QStringLiteral("scan.pdf")), content);
    // Long enough for soft line breaks, with what quoted-printable must escape.
    const QString note = QStringLiteral("a=b é ") + QString(100, u'x') + QStringLiteral(" end ");
    const struct {
        const char *name;
        std::function<bool(THTTPSender &)> send;
        bool withFile;
    } cases[] = {
        {"SendFile", [&](THTTPSender &s) { return !s.SendFile(rawURL, QStringLiteral("data"), dir.file(QStringLiteral("scan.pdf"))).isEmpty(); }, true},
        {"SendFile without a file", [&](THTTPSender &s) { return !s.SendFile(rawURL, QString(), QString()).isEmpty(); }, false},
        {"ReceiveFile by post", [&](THTTPSender &s) { return s.ReceiveFile(rawURL, dir.file(QStringLiteral("out.txt")), true); }, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        THTTPSender s;
        s.ParamAdd(QStringLiteral("action"), QStringLiteral("filebase_add"));
        s.ParamAdd(QStringLiteral("note"), note);
        TEventLog l;
        s.OnWork = l.Handlers();
        ASSERT_TRUE(c.send(s)) << l.Lines().join('|').toStdString();
        s.OnWork = {};
        EXPECT_EQ(server.Header("transfer-encoding"), QByteArray());
        const QByteArray b = server.Body();
        EXPECT_EQ(server.Header("content-length"), QByteArray::number(b.size()));
        EXPECT_TRUE(server.Header("content-type").startsWith("multipart/form-data; boundary="));
        EXPECT_EQ(b.contains("filename=\"scan.pdf\"\r\nContent-Type: application/octet-stream\r\n"
                             "Content-Transfer-Encoding: binary\r\n\r\n" + content + "\r\n"),
                  c.withFile);
        EXPECT_TRUE(b.contains("name=\"action\"\r\nContent-Type: text/plain\r\n"
                               "Content-Transfer-Encoding: quoted-printable\r\n\r\nfilebase_add\r\n"));
        EXPECT_TRUE(b.contains("a=3Db =C3=A9 xxx")) << b.toStdString();
        EXPECT_TRUE(b.contains("x=\r\nxxx")) << "a soft line break";
        EXPECT_TRUE(b.contains(" end=20\r\n")) << "a closing blank is escaped";
    }
}

// A loopback port that takes no connection: its one-place queue is filled by a connection nobody
// accepts, so a further attempt waits for an answer that never comes.
class TUnansweredPort {
public:
    TUnansweredPort()
    {
        const sockaddr_in &a = FListener.Address();
        for (int i = 0; i < 8 && !FFull; ++i) {
            const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            FFillers.push_back(s);
            FFull = ::connect(s, reinterpret_cast<const sockaddr *>(&a), sizeof a) != 0 && errno == EINPROGRESS;
        }
    }
    ~TUnansweredPort()
    {
        for (const int s : FFillers)
            ::close(s);
    }
    // False where the system answers a full queue at once; the test is then meaningless.
    bool Full() const { return FFull; }
    int Port() const { return FListener.Port(); }

private:
    TLoopbackListener FListener{0};
    bool FFull = false;
    std::vector<int> FFillers;
};

// Runs a post on a worker thread; the sender is stopped if it is still running after Limit, so
// a broken time-out fails the test instead of hanging it.
struct TTimedPost {
    QStringList lines;
    bool result = true;
    bool endedInTime = false;

    TTimedPost(THTTPSender &s, const QString &url, std::chrono::milliseconds limit,
               const std::function<void()> &meanwhile = {})
    {
        TEventLog log;
        s.OnWork = log.Handlers();
        std::atomic<bool> done{false};
        std::thread worker([&] {
            result = !s.Post(url).isEmpty();
            done = true;
        });
        if (meanwhile)
            meanwhile();
        endedInTime = testutil::waitUntil([&] { return done.load(); }, limit);
        if (!endedInTime)
            s.Terminate();
        worker.join();
        s.OnWork = {};
        lines = log.Lines();
        lines.removeAll(QStringLiteral("terminate"));
    }
    QString error() const
    {
        for (const QString &l : lines)
            if (l.startsWith(QStringLiteral("error ")))
                return l.mid(6);
        return {};
    }
};

TEST(HTTPSenderTimeouts, ARequestGivesUpOnAServerThatNeverAnswers)
{
    EXPECT_EQ(THTTPSender::ConnectTimeout, std::chrono::seconds(30));
    EXPECT_EQ(THTTPSender::IdleTimeout, std::chrono::minutes(5));

    TUnansweredPort unanswered;
    if (!unanswered.Full())
        GTEST_SKIP() << "this system refuses at once when the queue is full";
    TLoopbackListener silent(16); // connections made, never a word
    const struct {
        const char *name;
        int port;
        QString error; // the start of the library's message
    } cases[] = {
        {"no connection", unanswered.Port(), QStringLiteral("Timeout was reached")},
        {"connected, nothing arrives", silent.Port(), QStringLiteral("Timeout was reached")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        THTTPSender s;
        s.SetTimeouts(std::chrono::milliseconds(300), std::chrono::seconds(1));
        const TTimedPost post(s, QStringLiteral("http://127.0.0.1:%1/connect.php").arg(c.port), std::chrono::seconds(20));
        EXPECT_TRUE(post.endedInTime);
        EXPECT_FALSE(post.result);
        EXPECT_TRUE(post.error().startsWith(c.error)) << post.lines.join('|').toStdString();
        EXPECT_EQ(post.lines.last(), QStringLiteral("end"));
    }
}

TEST(HTTPSenderTimeouts, TheStopWorksWhileConnectingAndWhileWaiting)
{
    TUnansweredPort unanswered;
    if (!unanswered.Full())
        GTEST_SKIP() << "this system refuses at once when the queue is full";
    TLoopbackListener silent(16); // connections made, never a word
    for (const int port : {unanswered.Port(), silent.Port()}) {
        SCOPED_TRACE(port);
        THTTPSender s; // the real limits: only the stop can end these requests in time
        const TTimedPost post(s, QStringLiteral("http://127.0.0.1:%1/connect.php").arg(port), std::chrono::seconds(10),
                              [&] {
                                  std::this_thread::sleep_for(std::chrono::milliseconds(200));
                                  s.Terminate();
                              });
        EXPECT_TRUE(post.endedInTime);
        EXPECT_FALSE(post.result);
        EXPECT_FALSE(post.error().isEmpty()) << post.lines.join('|').toStdString();
    }
}

// A real proxy with Basic authentication on a free loopback port, stopped at the end.
class HTTPSenderProxyTest : public HTTPSenderTest {
protected:
    void SetUp() override
    {
        HTTPSenderTest::SetUp();
        ASSERT_TRUE(tinyproxy.start(QStringLiteral("agent"), QStringLiteral("s3cret")));
        port = tinyproxy.port();
    }
    THTTPProxy Proxy(const QString &password) const
    {
        THTTPProxy p;
        p.Host = QStringLiteral("127.0.0.1");
        p.Port = uint16_t(port);
        p.Auth = true;
        p.UserName = QStringLiteral("agent");
        p.Password = password;
        return p;
    }

    testutil::TinyProxy tinyproxy;
    int port = 0;
};

TEST_F(HTTPSenderProxyTest, GoesThroughTheProxyWithBasicAuthentication)
{
    sender.SetProxy(Proxy(QStringLiteral("s3cret")));
    sender.ParamAdd(QStringLiteral("k"), QStringLiteral("v"));
    EXPECT_TRUE(sender.Post(url("query.php")).contains(QStringLiteral("\"k\"")));
    // The proxy announces itself on what it forwards.
    EXPECT_TRUE(svc.Service->LastRequest().Headers.value("via").contains("tinyproxy"));

    TEventLog l;
    THTTPSender wrong;
    wrong.SetProxy(Proxy(QStringLiteral("guess")));
    wrong.OnWork = l.Handlers();
    const int before = svc.Server.RequestCount();
    EXPECT_EQ(wrong.Post(url("query.php")), QString());
    // This proxy answers a wrong password with 401 rather than 407.
    EXPECT_TRUE(l.Lines().join('|').contains(QStringLiteral("error HTTP/1.0 40"))) << l.Lines().join('|').toStdString();
    EXPECT_EQ(svc.Server.RequestCount(), before);

    // A cleared setting (port 0) is a direct connection again.
    THTTPProxy cleared = Proxy(QStringLiteral("guess"));
    cleared.Port = 0;
    wrong.SetProxy(cleared);
    EXPECT_FALSE(wrong.Post(url("query.php")).isEmpty());
    EXPECT_FALSE(svc.Service->LastRequest().Headers.contains("via"));
}

} // namespace
