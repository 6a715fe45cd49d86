#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>

class QIODevice;
class TUCurlStop;

// The proxy of every transfer: an empty host means a direct connection; a user name switches
// Basic authentication on, as in the client's settings file.
struct TUpdateProxy {
    QString Host;
    int Port = 0;
    QString UserName;
    QString Password;
};

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
// the body streams into Sink. "https://" URLs are taken only from a server whose certificate
// the system trusts for that name. Failures of the connection, the transfer or the sink raise
// EUError with a readable text (a refused certificate and a proxy that refused its sign-in say
// so); any status code of the server is returned, not raised.
TUpdateHTTPResult UpdateHTTPGet(const QString &URL, QIODevice &Sink, const TUpdateProxy &Proxy,
                                const TUpdateHTTPHooks &Hooks);

// "Response Code is <code>: <text>" for an answer other than 200; when a proxy is in use and the
// code asks for a sign-in, a second line points at the proxy's settings.
QString UpdateHTTPStatusError(const TUpdateHTTPResult &Result, const TUpdateProxy &Proxy);

// The text of a fetched document: the charset the server names, else UTF-8 when the bytes are
// valid UTF-8, else the single-byte code page.
QString UpdateDecodeText(const QByteArray &Bytes, const QByteArray &ContentType);
