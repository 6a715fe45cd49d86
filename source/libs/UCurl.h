#pragma once

#include "UThrottle.h"

#include <QByteArray>
#include <QString>

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <exception>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

class QIODevice;

// The one libcurl layer of the programs: the library's global set-up, easy and multipart handles
// that free themselves, capture of the answer's headers, throttled progress, failures of the
// caller's callbacks carried across the library, the stop that drops the connection, and the
// library's error texts. What a transfer does with its body and its progress is the caller's.
class TUCurl {
public:
    // Sets the library up once per process. Programs and test mains call it first thing, before
    // any thread starts; a transfer calls it too, so a forgotten call costs only that guarantee.
    static void GlobalInit();

    // "text: detail" from a result code and the error buffer of the transfer that gave it.
    static QString ErrorText(CURLcode Code, const char *Detail);

    // Quoted-printable form of Bytes with CR LF line ends and lines of at most 76 characters.
    // Done here rather than by the library's encoder so that the size of a multipart body is
    // known before sending and the request carries a Content-Length.
    static QByteArray QuotedPrintable(const QByteArray &Bytes);

    // Certificates of "https://" servers are checked as the library does by default, against
    // the system's authorities. Tests that run a server of their own may name the file (PEM) of
    // the authorities to trust instead; empty returns to the default.
    static void SetTrustedCertificates(const QString &PemFile);
    static QString TrustedCertificates();
};

// Stops transfers from any thread. Every socket a bound transfer opens is recorded (with IPv6 and
// IPv4 tried side by side there are several at once), and Stop shuts them all down, so a transfer
// blocked in the network fails at once instead of at its next progress check. Once stopped, it
// stays stopped: bound transfers abort and open no further sockets.
class TUCurlStop {
public:
    void Stop();
    bool Stopped() const { return FStopped.load(); }

    // From the socket callbacks of the bound transfers.
    void Opened(curl_socket_t Socket);
    void Closed(curl_socket_t Socket);

private:
    std::atomic<bool> FStopped{false};
    std::mutex FLock; // guards FSockets; a socket is closed only after leaving the list
    std::vector<curl_socket_t> FSockets;
};

// One transfer on a fresh easy handle. A caller derives from it, sets the options it needs and
// calls Perform; the body and progress come to its overrides. A failure raised by an override
// cannot cross the library: it is kept, the transfer aborts, and RethrowFailure raises it again.
class TUCurlTransfer {
public:
    // Stop: not owned, may be null; it must outlive the transfer.
    explicit TUCurlTransfer(TUCurlStop *Stop = nullptr);
    virtual ~TUCurlTransfer();
    TUCurlTransfer(const TUCurlTransfer &) = delete;
    TUCurlTransfer &operator=(const TUCurlTransfer &) = delete;

    CURL *Handle() const { return FCurl.get(); }
    // The options every transfer of the programs shares: URL, http and https only (redirects
    // too, and an "https://" transfer to "https://" only), no signals, a 256 KiB receive buffer, the callbacks of this class.
    void SetURL(const QString &URL);
    // An empty host means a direct connection, whatever the environment says (also the setting
    // a transfer starts with). Port 0 leaves the library's default.
    void SetProxy(const QString &Host, long Port, bool BasicAuth = false, const QString &UserName = {},
                  const QString &Password = {});
    // Gives up when no connection is made within Connect, or when nothing at all moves for Idle
    // (the library measures over its last few seconds, so a last burst counts a little longer).
    void SetTimeouts(std::chrono::milliseconds Connect, std::chrono::seconds Idle);
    void AddHeader(const QByteArray &Header);
    // A form body of known size; kept here while the handle points into it.
    void SetPostBody(const QByteArray &Body);

    // Makes the transfer post a multipart body (posted by Perform), empty until parts are added.
    // Text parts are sent quoted-printable, file parts as they are; every size is known beforehand.
    void BeginMultipart();
    void AddTextPart(const QString &Name, const QByteArray &Value);
    // Device: not owned, read from its start while sending; it must stay open until Perform ends.
    void AddFilePart(const QString &Name, const QString &FileName, QIODevice &Device);

    // Runs the transfer; the library's result. Never raises.
    CURLcode Perform();
    // Raises the failure an override raised during Perform, if any.
    void RethrowFailure();
    bool Failed() const { return bool(FFailure); }
    // Runs F as the callbacks run the overrides: a failure is kept for RethrowFailure. False
    // when F raised or an earlier failure is kept.
    template <typename F> bool Guarded(F &&f);
    // Runs F even after a failure (a closing step); a failure it raises is kept unless an
    // earlier one is.
    template <typename F> void Always(F &&f);
    // The text of Perform's result, with the library's detail.
    QString ErrorText(CURLcode Code) const { return TUCurl::ErrorText(Code, FErrorBuffer); }

    bool Stopped() const { return FStop && FStop->Stopped(); }
    // True at the first call and then at most once per throttle interval.
    bool Due() { return FThrottle.Due(); }

    long ResponseCode() const;
    // The status line and the headers of the last answer (after redirects and interim answers).
    const QByteArray &StatusLine() const { return FStatusLine; }
    // The reason after the status code ("Not Found").
    QByteArray StatusText() const;
    // The value of a header of the last answer, by its lower-case name; empty when absent.
    QByteArray Header(const QByteArray &LowerName) const;

protected:
    // Body bytes as they arrive; false aborts the transfer as a write failure.
    virtual bool OnBody(const char *Data, size_t Size) = 0;
    // A status line begins a new answer; its headers follow.
    virtual void OnStatus() {}
    // Each progress check of the library (at least about once a second while the transfer
    // runs); UpNow is the count of bytes sent so far. False aborts the transfer.
    virtual bool OnProgress(curl_off_t UpNow)
    {
        (void)UpNow;
        return true;
    }

private:
    static size_t WriteCallback(char *Data, size_t Size, size_t Count, void *User);
    static size_t HeaderCallback(char *Data, size_t Size, size_t Count, void *User);
    static int ProgressCallback(void *User, curl_off_t, curl_off_t, curl_off_t, curl_off_t UpNow);
    static curl_socket_t OpenSocketCallback(void *User, curlsocktype, curl_sockaddr *Address);
    static int CloseSocketCallback(void *User, curl_socket_t Socket);

    struct TCurlDeleter {
        void operator()(CURL *c) const { curl_easy_cleanup(c); }
    };
    struct TMimeDeleter {
        void operator()(curl_mime *m) const { curl_mime_free(m); }
    };
    struct TSListDeleter {
        void operator()(curl_slist *l) const { curl_slist_free_all(l); }
    };

    std::unique_ptr<CURL, TCurlDeleter> FCurl;
    std::unique_ptr<curl_mime, TMimeDeleter> FMime;
    std::unique_ptr<curl_slist, TSListDeleter> FHeaders;
    QByteArray FPostBody;
    TUCurlStop *FStop;
    TUThrottle FThrottle;
    std::exception_ptr FFailure;
    QByteArray FStatusLine;
    std::vector<std::pair<QByteArray, QByteArray>> FAnswerHeaders;
    char FErrorBuffer[CURL_ERROR_SIZE] = {};
};

template <typename F> bool TUCurlTransfer::Guarded(F &&f)
{
    if (FFailure)
        return false;
    try {
        f();
        return true;
    } catch (...) {
        FFailure = std::current_exception();
        return false;
    }
}

template <typename F> void TUCurlTransfer::Always(F &&f)
{
    try {
        f();
    } catch (...) {
        if (!FFailure)
            FFailure = std::current_exception();
    }
}
