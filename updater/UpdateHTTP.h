#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>

class QIODevice;
class TUCurlStop;

struct TUpdateHTTPResult {
    long Code = 0;
    QString Text;          // the reason after the status code ("Not Found")
    QByteArray ContentType;
};

// What a transfer reports while it runs. Every slot may be empty. Work and Idle are called at
// most every few tens of milliseconds; Aborted on every check of the transfer.
struct TUpdateHTTPHooks {
    std::function<void(qint64 Total)> WorkBegin; // first body bytes (or the end): expected size, 0 unknown
    std::function<void(qint64 Count)> Work;      // bytes received so far
    std::function<void()> WorkEnd;               // after a transfer that began, whatever its outcome
    std::function<void()> Idle;                  // nothing arrived for a while
    std::function<bool()> Aborted;               // true: drop the connection now
    TUCurlStop *Stop = nullptr;                  // not owned: its Stop drops the connection at once
    // Give up on a connection that cannot be made, or that has carried nothing for a minute.
    std::chrono::milliseconds ConnectTimeout = std::chrono::seconds(30);
    std::chrono::seconds IdleTimeout = std::chrono::seconds(60);
};

// One GET on a fresh connection, following redirects, through the proxy when one is named;
// the body streams into Sink. Failures of the connection, the transfer or the sink raise
// EUError with a readable text; any status code is returned, not raised.
TUpdateHTTPResult UpdateHTTPGet(const QString &URL, QIODevice &Sink, const QString &Proxy, int ProxyPort,
                                const TUpdateHTTPHooks &Hooks);

// The text of a fetched document: the charset the server names, else UTF-8 when the bytes are
// valid UTF-8, else the single-byte code page.
QString UpdateDecodeText(const QByteArray &Bytes, const QByteArray &ContentType);
