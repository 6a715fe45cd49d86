#pragma once

#include "HTTPProxy.h"

#include "UEvent.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QIODevice;
class TUCurlStop;

// Measurements of the last request: bytes and milliseconds.
struct THTTPStat {
    qint64 TransferBytes = 0;
    qint64 QueryTime = 0;
    qint64 GZipTime = 0;
    qint64 GZipBytes = 0;

    void Clear() { *this = THTTPStat(); }
};

// One set of named parameters sent to a full URL as a form post, a GET, a multipart upload or
// a download into a file. Failures never leave a send operation: they go to OnWork.DoError and
// the operation returns False or empty text (unless the OnError handler itself raises).
// Used by one thread at a time; Terminate is the one call allowed from another thread.
class THTTPSender : public QObject {
public:
    THTTPSender();
    ~THTTPSender() override;

    void ParamAdd(const QString &Param, const QString &Value);
    void ParamAdd(const QString &Param, int Value);
    void ParamAdd(const QString &Param, double Value);
    uint16_t ParamCount() const { return uint16_t(FParams.size()); }
    bool ParamValue(const QString &Param, QString &Value) const;
    void ParamClear() { FParams.clear(); }

    static QString URLEncode(const QString &Str);
    // "name=value&..." in the parameters' order; Query adds the leading "?" when not empty.
    QString FormString(bool Query) const;

    bool Post(const QString &Host, QIODevice &Output);
    QString Post(const QString &Host);
    QString Get(const QString &Host);
    QString SendFile(const QString &Host, const QString &FileField, const QString &FileName);
    bool ReceiveFile(const QString &Host, const QString &FileName, bool UsePost);
    // Drops the connection of a request running in another thread; later requests of this
    // sender fail at once. Then OnWork.DoTerminate, whose failure is ignored.
    void Terminate();

    // No request may hang for ever on a silent server (the connect request runs on the main
    // thread, where nobody can press a stop): it gives up when the connection cannot be made in
    // ConnectTimeout, or when nothing at all arrives for IdleTimeout. A slow report on the
    // service may legitimately keep it waiting for minutes.
    static constexpr std::chrono::seconds ConnectTimeout{30};
    static constexpr std::chrono::seconds IdleTimeout{300};
    // Other limits for this sender's later requests (the tests shorten them).
    void SetTimeouts(std::chrono::milliseconds Connect, std::chrono::seconds Idle);

    const THTTPProxy &Proxy() const { return FProxy; }
    void SetProxy(const THTTPProxy &Value) { FProxy = Value; }
    const THTTPStat &Stat() const { return FStat; }
    const QString &UserAgent() const { return FUserAgent; }
    void SetUserAgent(const QString &Value) { FUserAgent = Value; }
    const QString &AcceptCharSet() const { return FAcceptCharSet; }
    void SetAcceptCharSet(const QString &Value) { FAcceptCharSet = Value; }
    // Named in the request's Content-Type when set.
    const QString &CharSet() const { return FCharSet; }
    void SetCharSet(const QString &Value) { FCharSet = Value; }
    bool HandleRedirects() const { return FHandleRedirects; }
    void SetHandleRedirects(bool Value) { FHandleRedirects = Value; }
    bool UseGZip() const { return FUseGZip; }
    void SetUseGZip(bool Value) { FUseGZip = Value; }

    // Status line and headers of the last answer, as received.
    int ResponseCode() const { return FResponseCode; }
    const QByteArray &ResponseContentType() const { return FContentType; }
    const QByteArray &ResponseContentEncoding() const { return FContentEncoding; }

    // The answer text by the charset its Content-Type names; each byte as one character when
    // none is named or the name is unknown.
    static QString DecodeText(const QByteArray &Bytes, const QByteArray &ContentType);

    TWorkEvent OnWork;

    struct TTransfer; // one request in flight (HTTPSender.cpp)

private:
    enum TBody : uint8_t { bodyNone, bodyForm, bodyMultipart };
    // One exchange; raises EUError with the library's text on any failure.
    void Perform(const QString &URL, TBody Body, const QString &FileField, QIODevice *Upload,
                 const QString &UploadName, QIODevice &Sink, bool AskGZip);
    QByteArray FormContentType() const;
    // DoStart(0), Body, DoSuccess; a failure of any of them goes to DoError; DoEnd always.
    bool Run(const std::function<void()> &Body);
    // Run for an exchange whose answer is a text: Send writes the answer into a buffer, which
    // comes back decoded; the time taken goes into the statistics. Empty on failure.
    QString RunForText(const std::function<void(QIODevice &)> &Send);
    // Replaces Output's bytes by their unpacked form; keeps them when they are not gzip.
    void UnpackInPlace(QIODevice &Output);

    friend struct TTransfer;

    std::vector<std::pair<QString, QString>> FParams;
    THTTPProxy FProxy;
    bool FUseGZip = false;
    THTTPStat FStat;
    QString FUserAgent;
    QString FAcceptCharSet;
    QString FCharSet;
    bool FHandleRedirects = true;
    int FResponseCode = 0;
    QByteArray FContentType;
    QByteArray FContentEncoding;
    std::chrono::milliseconds FConnectTimeout = ConnectTimeout;
    std::chrono::seconds FIdleTimeout = IdleTimeout;
    // Terminate's way in from another thread; every socket of the request in flight.
    std::unique_ptr<TUCurlStop> FStop;
};
