#include "UpdateHTTP.h"

#include "UCodePage.h"
#include "UException.h"
#include "UThrottle.h"

#include <QIODevice>
#include <QList>
#include <QStringDecoder>

#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <mutex>

namespace {

struct CurlDeleter {
    void operator()(CURL *c) const { curl_easy_cleanup(c); }
};

// The network hands over small pieces; the sink gets them in large writes.
constexpr qsizetype kSinkChunk = 256 * 1024;

struct Transfer {
    CURL *curl;
    QIODevice *sink;
    const TUpdateHTTPHooks *hooks;
    bool begun = false;
    bool sinkFailed = false;
    qint64 done = 0;
    TUThrottle throttle;
    QString statusText;
    QByteArray pending; // body bytes not yet handed to the sink

    bool due() { return throttle.Due(); }
    void begin()
    {
        if (begun)
            return;
        begun = true;
        curl_off_t len = -1;
        curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &len);
        if (hooks->WorkBegin)
            hooks->WorkBegin(len > 0 ? len : 0);
    }
    void work()
    {
        if (hooks->Work)
            hooks->Work(done);
    }
    bool aborted() const { return hooks->Aborted && hooks->Aborted(); }
    // Hands the gathered bytes to the sink; false (and sinkFailed) when it takes fewer.
    bool flush()
    {
        if (!pending.isEmpty() && sink->write(pending) != pending.size())
            sinkFailed = true;
        pending.resize(0);
        return !sinkFailed;
    }
};

size_t onWrite(char *data, size_t size, size_t n, void *user)
{
    auto *t = static_cast<Transfer *>(user);
    const qint64 len = qint64(size * n);
    t->begin();
    t->pending.append(data, len);
    if (t->pending.size() >= kSinkChunk && !t->flush())
        return 0;
    t->done += len;
    if (t->due())
        t->work();
    return size_t(len);
}

size_t onHeader(char *data, size_t size, size_t n, void *user)
{
    auto *t = static_cast<Transfer *>(user);
    const QByteArray line = QByteArray(data, qsizetype(size * n)).trimmed();
    if (line.startsWith("HTTP/")) {
        // "HTTP/1.1 404 Not Found"; the status line after a redirect replaces the earlier one.
        const qsizetype codeAt = line.indexOf(' ');
        const qsizetype textAt = codeAt < 0 ? -1 : line.indexOf(' ', codeAt + 1);
        t->statusText = textAt < 0 ? QString() : QString::fromLatin1(line.mid(textAt + 1));
    }
    return size * n;
}

int onProgress(void *user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto *t = static_cast<Transfer *>(user);
    if (t->aborted())
        return 1;
    if (t->due()) {
        if (t->begun)
            t->work();
        else if (t->hooks->Idle)
            t->hooks->Idle();
    }
    return t->aborted() ? 1 : 0;
}

} // namespace

TUpdateHTTPResult UpdateHTTPGet(const QString &URL, QIODevice &Sink, const QString &Proxy, int ProxyPort,
                                const TUpdateHTTPHooks &Hooks)
{
    static std::once_flag curlInit;
    std::call_once(curlInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl)
        throw EUError(QStringLiteral("HTTP client could not be started"));
    CURL *c = curl.get();
    Transfer t{c, &Sink, &Hooks, false, false, 0, TUThrottle(), {}, {}};
    t.pending.reserve(kSinkChunk + CURL_MAX_WRITE_SIZE);
    char errbuf[CURL_ERROR_SIZE] = {};
    const QByteArray url = URL.toUtf8();
    const QByteArray proxy = Proxy.toUtf8();

    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 15L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(c, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, 256L * 1024);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    // A dropped network must not hang the update for ever: give up on a connection that
    // cannot be made, or that has carried nothing for a minute.
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, 60L);
    // An empty proxy means a direct connection, whatever the environment says.
    curl_easy_setopt(c, CURLOPT_PROXY, proxy.constData());
    if (!Proxy.isEmpty() && ProxyPort > 0)
        curl_easy_setopt(c, CURLOPT_PROXYPORT, long(ProxyPort));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, onWrite);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);

    CURLcode rc = curl_easy_perform(c);
    if (rc == CURLE_OK && !t.flush())
        rc = CURLE_WRITE_ERROR;
    if (rc == CURLE_OK) {
        t.begin();
        t.work();
    }
    if (t.begun && Hooks.WorkEnd)
        Hooks.WorkEnd();

    if (rc != CURLE_OK) {
        if (t.sinkFailed)
            throw EUError(QStringLiteral("Ошибка записи файла: ") + Sink.errorString());
        if (rc == CURLE_ABORTED_BY_CALLBACK && t.aborted())
            throw EUError(QStringLiteral("Загрузка прервана."));
        QString msg = QString::fromUtf8(curl_easy_strerror(rc));
        if (errbuf[0])
            msg += QStringLiteral(": ") + QString::fromUtf8(errbuf).trimmed();
        throw EUError(msg);
    }
    TUpdateHTTPResult result;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &result.Code);
    const char *ct = nullptr;
    curl_easy_getinfo(c, CURLINFO_CONTENT_TYPE, &ct);
    result.ContentType = ct ? QByteArray(ct) : QByteArray();
    result.Text = t.statusText;
    return result;
}

QString UpdateDecodeText(const QByteArray &Bytes, const QByteArray &ContentType)
{
    if (std::optional<QString> text = TUCodePage::ToUnicodeAs(Bytes, ContentType))
        return *text;
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString s = utf8.decode(Bytes);
    if (!utf8.hasError())
        return s;
    return TUCodePage::ToUnicode(Bytes);
}
