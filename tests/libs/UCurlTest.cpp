#include "UCurl.h"

#include <QByteArrayList>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// The reading side of quoted-printable, as a receiving script applies it.
QByteArray decodeQuotedPrintable(const QByteArray &text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            out += text[i];
        } else if (text.mid(i + 1, 2) == "\r\n") {
            i += 2; // soft line break
        } else {
            out += char(text.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        }
    }
    return out;
}

TEST(UCurlQuotedPrintable, EscapesWhatMustBeAndKeepsLinesShort)
{
    const struct {
        QByteArray in;
        QByteArray out;
    } cases[] = {
        {"", ""},
        {"plain text", "plain text"},
        {"a=b", "a=3Db"},
        {"\xc3\xa9\x01\x7f", "=C3=A9=01=7F"},
        {"two\r\nlines", "two\r\nlines"},
        {"lone\rcr\nlf", "lone=0Dcr=0Alf"},
        {"end \r\nnext\t", "end=20\r\nnext=09"},
        {QByteArray(80, 'x'), QByteArray(75, 'x') + "=\r\n" + QByteArray(5, 'x')},
        // An escape is never split by a soft break.
        {QByteArray(74, 'x') + "=", QByteArray(74, 'x') + "=\r\n=3D"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.in.toStdString());
        EXPECT_EQ(TUCurl::QuotedPrintable(c.in), c.out);
    }
}

TEST(UCurlQuotedPrintable, AnyBytesComeBackWithLinesOfAtMost76)
{
    QRandomGenerator random(7);
    for (int round = 0; round < 200; ++round) {
        QByteArray in(qsizetype(random.bounded(400)), Qt::Uninitialized);
        for (char &ch : in)
            ch = "ab =\t\r\n\xff\x00"[random.bounded(9)];
        const QByteArray out = TUCurl::QuotedPrintable(in);
        SCOPED_TRACE(in.toHex().toStdString());
        // Hard breaks (CR LF of the text) survive; decoding gives the bytes back.
        EXPECT_EQ(decodeQuotedPrintable(out), in);
        for (const QByteArray &line : out.split('\n')) {
            EXPECT_LE(QByteArray(line).replace('\r', "").size(), 76);
            const QByteArray l = line.endsWith('\r') ? line.chopped(1) : line;
            EXPECT_FALSE(l.endsWith(' ') || l.endsWith('\t')) << "a blank at a line end";
        }
    }
}

// Whether the peer of a socket has seen it shut down.
bool peerSeesEnd(int peer)
{
    char c;
    return ::recv(peer, &c, 1, MSG_DONTWAIT) == 0;
}

TEST(UCurlStop, DropsEverySocketOpenAtTheStopAndEveryLaterOne)
{
    // Two connections at once, as when IPv6 and IPv4 are tried side by side, and one already
    // closed, whose number the system may hand to another file.
    int a[2], b[2], closed[2], late[2];
    for (int *p : {a, b, closed, late})
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, p), 0);
    TUCurlStop stop;
    stop.Opened(a[0]);
    stop.Opened(closed[0]);
    stop.Opened(b[0]);
    stop.Closed(closed[0]);
    EXPECT_FALSE(stop.Stopped());
    EXPECT_FALSE(peerSeesEnd(a[1]));

    stop.Stop();
    EXPECT_TRUE(stop.Stopped());
    EXPECT_TRUE(peerSeesEnd(a[1]));
    EXPECT_TRUE(peerSeesEnd(b[1]));
    EXPECT_FALSE(peerSeesEnd(closed[1]));

    stop.Opened(late[0]);
    EXPECT_TRUE(peerSeesEnd(late[1]));
    for (int *p : {a, b, closed, late}) {
        ::close(p[0]);
        ::close(p[1]);
    }
}

} // namespace
