#include "UpdateHTTP.h"

#include "UCodePage.h"
#include "UCurl.h"
#include "UException.h"

#include <QIODevice>
#include <QStringDecoder>
#include <QUrl>


namespace {

QString proxyName(const TUpdateProxy &Proxy)
{
    return Proxy.Port > 0 ? QStringLiteral("%1:%2").arg(Proxy.Host).arg(Proxy.Port) : Proxy.Host;
}

QString proxySignInRefused(const TUpdateProxy &Proxy)
{
    return Proxy.UserName.isEmpty()
               ? QStringLiteral("Прокси-сервер %1 требует имя пользователя и пароль (PROXYUSER и PROXYPASSWORD "
                                "в update.ini).").arg(proxyName(Proxy))
               : QStringLiteral("Прокси-сервер %1 не принял имя пользователя и пароль (PROXYUSER и PROXYPASSWORD "
                                "в update.ini).").arg(proxyName(Proxy));
}

// The network hands over small pieces; the sink gets them in large writes.
constexpr qsizetype kSinkChunk = 256 * 1024;

struct Transfer : TUCurlTransfer {
    Transfer(QIODevice &Sink, const TUpdateHTTPHooks &Hooks) : TUCurlTransfer(Hooks.Stop), sink(&Sink), hooks(&Hooks)
    {
        pending.reserve(kSinkChunk + CURL_MAX_WRITE_SIZE);
    }

    QIODevice *sink;
    const TUpdateHTTPHooks *hooks;
    bool begun = false;
    bool sinkFailed = false;
    qint64 done = 0;
    QByteArray pending; // body bytes not yet handed to the sink

    void begin()
    {
        if (begun)
            return;
        begun = true;
        curl_off_t len = -1;
        curl_easy_getinfo(Handle(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &len);
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

    bool OnBody(const char *data, size_t size) override
    {
        begin();
        pending.append(data, qsizetype(size));
        if (pending.size() >= kSinkChunk && !flush())
            return false;
        done += qint64(size);
        if (Due())
            work();
        return true;
    }
    bool OnProgress(curl_off_t) override
    {
        if (aborted())
            return false;
        if (Due()) {
            if (begun)
                work();
            else if (hooks->Idle)
                hooks->Idle();
        }
        return !aborted();
    }
};

} // namespace

TUpdateHTTPResult UpdateHTTPGet(const QString &URL, QIODevice &Sink, const TUpdateProxy &Proxy,
                                const TUpdateHTTPHooks &Hooks)
{
    Transfer t(Sink, Hooks);
    CURL *c = t.Handle();
    t.SetURL(URL);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 15L);
    curl_easy_setopt(c, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(c, CURLOPT_FORBID_REUSE, 1L);
    // A dropped network must not hang the update for ever.
    t.SetTimeouts(Hooks.ConnectTimeout, Hooks.IdleTimeout);
    t.SetProxy(Proxy.Host, Proxy.Port > 0 ? long(Proxy.Port) : 0L, !Proxy.UserName.isEmpty(), Proxy.UserName,
               Proxy.Password);

    CURLcode rc = t.Perform();
    if (rc == CURLE_OK && !t.flush())
        rc = CURLE_WRITE_ERROR;
    if (rc == CURLE_OK) {
        t.Guarded([&] {
            t.begin();
            t.work();
        });
    }
    // WorkEnd closes what began, also when a hook raised.
    if (t.begun && Hooks.WorkEnd)
        t.Always(Hooks.WorkEnd);
    t.RethrowFailure();

    if (rc != CURLE_OK) {
        if (t.sinkFailed)
            throw EUError(QStringLiteral("Ошибка записи файла: ") + Sink.errorString());
        if (t.aborted() || t.Stopped())
            throw EUError(QStringLiteral("Загрузка прервана."));
        // An "https://" URL through a proxy: the proxy answers the tunnel's request itself.
        long connectCode = 0;
        curl_easy_getinfo(c, CURLINFO_HTTP_CONNECTCODE, &connectCode);
        if (!Proxy.Host.isEmpty() && (connectCode == 401 || connectCode == 407))
            throw EUError(proxySignInRefused(Proxy) + QStringLiteral(" (") + t.ErrorText(rc) + u')');
        if (rc == CURLE_PEER_FAILED_VERIFICATION)
            throw EUError(QStringLiteral("Сервер %1 не подтвердил свою подлинность: его сертификат не прошёл "
                                         "проверку, обновление с него не загружается (%2).")
                              .arg(QUrl(URL).host(), t.ErrorText(rc)));
        throw EUError(t.ErrorText(rc));
    }
    TUpdateHTTPResult result;
    result.Code = t.ResponseCode();
    result.ContentType = t.Header("content-type");
    result.Text = QString::fromLatin1(t.StatusText());
    return result;
}

QString UpdateHTTPStatusError(const TUpdateHTTPResult &Result, const TUpdateProxy &Proxy)
{
    QString text = QStringLiteral("Response Code is %1: %2").arg(Result.Code).arg(Result.Text);
    // 407 comes from a proxy only; a proxy may also refuse with 401, as a server would.
    if (!Proxy.Host.isEmpty() && Result.Code == 407)
        text += u'\n' + proxySignInRefused(Proxy);
    else if (!Proxy.Host.isEmpty() && Result.Code == 401)
        text += QStringLiteral("\nЕсли отказал прокси-сервер %1, проверьте PROXYUSER и PROXYPASSWORD в update.ini.")
                    .arg(proxyName(Proxy));
    return text;
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
