#include "HTTPSender.h"

#include "SGGzip.h"
#include "UCodePage.h"
#include "UConv.h"
#include "UException.h"
#include "UThrottle.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <curl/curl.h>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <exception>

namespace {

struct CurlDeleter {
    void operator()(CURL *c) const { curl_easy_cleanup(c); }
};
struct MimeDeleter {
    void operator()(curl_mime *m) const { curl_mime_free(m); }
};
struct SListDeleter {
    void operator()(curl_slist *l) const { curl_slist_free_all(l); }
};

// Progress goes to the owner's thread by a blocking hand-over, so it is throttled (TUThrottle);
// begin, end and the last count are always reported.

void closeSocket(curl_socket_t s)
{
#ifdef _WIN32
    closesocket(s);
#else
    ::close(s);
#endif
}

void dropSocket(intptr_t s)
{
#ifdef _WIN32
    shutdown(SOCKET(s), SD_BOTH);
#else
    ::shutdown(int(s), SHUT_RDWR);
#endif
}

// Characters 33..127 that are written as %XX all the same.
bool mustEscape(unsigned char c)
{
    if (c < 33 || c > 127)
        return true;
    switch (c) {
    case '*': case '<': case '>': case '#': case '%': case '"': case '{': case '}':
    case '|': case '\\': case '^': case '[': case ']': case '`': case '+':
        return true;
    default:
        return false;
    }
}

} // namespace

// One request in flight: the libcurl callbacks turn the library's events into OnWork notices.
// A failure raised by a handler cannot cross libcurl, so it is kept, the transfer is aborted,
// and the failure is raised again once libcurl has returned.
struct THTTPSender::TTransfer {
    THTTPSender *sender = nullptr;
    CURL *curl = nullptr;
    QIODevice *sink = nullptr;
    bool hasBody = false;
    bool upBegun = false, upEnded = false;
    bool downBegun = false;
    bool sinkFailed = false;
    qint64 lastUp = -1;
    qint64 received = 0;
    qint64 lastDown = -1;
    TUThrottle throttle;
    std::exception_ptr failure;
    QByteArray statusLine;

    bool due() { return throttle.Due(); }
    void begin(qint64 count)
    {
        count = std::max<qint64>(count, 0);
        sender->OnWork.DoStart(count);
        if (count > 0)
            sender->FStat.TransferBytes = count;
    }
    void update(qint64 count) { sender->OnWork.DoUpdate(std::max<qint64>(count, 0)); }
    void upBegin()
    {
        if (!hasBody || upBegun)
            return;
        upBegun = true;
        curl_off_t total = 0;
        curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_UPLOAD_T, &total);
        begin(total);
    }
    void upEnd()
    {
        upBegin();
        if (!upBegun || upEnded)
            return;
        upEnded = true;
        curl_off_t sent = 0;
        curl_easy_getinfo(curl, CURLINFO_SIZE_UPLOAD_T, &sent);
        if (sent != lastUp)
            update(sent);
        sender->OnWork.DoEnd();
    }
    void downBegin()
    {
        if (downBegun)
            return;
        upEnd();
        downBegun = true;
        curl_off_t len = -1;
        curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &len);
        begin(len);
    }
    void downEnd()
    {
        if (received != lastDown)
            update(received);
        sender->OnWork.DoEnd();
    }
    bool errorStatus() const
    {
        long code = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
        return code >= 400;
    }
    template <typename F> bool guarded(F &&f)
    {
        if (failure)
            return false;
        try {
            f();
            return true;
        } catch (...) {
            failure = std::current_exception();
            return false;
        }
    }

    static size_t onWrite(char *data, size_t size, size_t n, void *user)
    {
        auto *t = static_cast<TTransfer *>(user);
        const qint64 len = qint64(size * n);
        // The body of an error answer is not the answer the caller asked for.
        if (t->errorStatus())
            return size * n;
        const bool ok = t->guarded([&] {
            t->downBegin();
            if (t->sink->write(data, len) != len) {
                t->sinkFailed = true;
                return;
            }
            t->received += len;
            if (t->due()) {
                t->lastDown = t->received;
                t->update(t->received);
            }
        });
        return ok && !t->sinkFailed ? size * n : 0;
    }

    static size_t onHeader(char *data, size_t size, size_t n, void *user)
    {
        auto *t = static_cast<TTransfer *>(user);
        const QByteArray line = QByteArray(data, qsizetype(size * n)).trimmed();
        if (line.startsWith("HTTP/")) {
            // A later status line (after a redirect or "100 Continue") replaces the earlier one.
            t->statusLine = line;
            t->sender->FContentType.clear();
            t->sender->FContentEncoding.clear();
            return t->guarded([t] { t->upEnd(); }) ? size * n : 0;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) {
            const QByteArray name = line.left(colon).trimmed().toLower();
            if (name == "content-type")
                t->sender->FContentType = line.mid(colon + 1).trimmed();
            else if (name == "content-encoding")
                t->sender->FContentEncoding = line.mid(colon + 1).trimmed();
        }
        return size * n;
    }

    static int onProgress(void *user, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow)
    {
        auto *t = static_cast<TTransfer *>(user);
        if (t->sender->FTerminated)
            return 1;
        const bool ok = t->guarded([&] {
            if (t->hasBody && !t->upEnded && ulnow > 0) {
                t->upBegin();
                if (ulnow != t->lastUp && t->due()) {
                    t->lastUp = ulnow;
                    t->update(ulnow);
                }
            }
        });
        return ok && !t->sender->FTerminated ? 0 : 1;
    }

    static curl_socket_t onOpenSocket(void *user, curlsocktype, curl_sockaddr *address)
    {
        auto *t = static_cast<TTransfer *>(user);
        if (t->sender->FTerminated)
            return CURL_SOCKET_BAD;
        const curl_socket_t s = socket(address->family, address->socktype, address->protocol);
        if (s != CURL_SOCKET_BAD)
            t->sender->SocketOpened(intptr_t(s));
        return s;
    }

    static int onCloseSocket(void *user, curl_socket_t s)
    {
        static_cast<TTransfer *>(user)->sender->SocketClosed(intptr_t(s));
        closeSocket(s);
        return 0;
    }
};

THTTPSender::THTTPSender()
    : FUserAgent(QStringLiteral("Mozilla/5.0 (Windows NT 6.1; rv:19.0) Gecko/20100101 Firefox/19.0")),
      FAcceptCharSet(QStringLiteral("windows-1251,utf-8;q=0.7,*;q=0.7"))
{
    static std::once_flag curlInit;
    std::call_once(curlInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    FProxy.Clear();
    FProxy.Port = 0;
}

THTTPSender::~THTTPSender() { Terminate(); }

void THTTPSender::ParamAdd(const QString &Param, const QString &Value)
{
    for (auto &p : FParams)
        if (p.first == Param) {
            p.second = Value;
            return;
        }
    FParams.emplace_back(Param, Value);
}

void THTTPSender::ParamAdd(const QString &Param, int Value) { ParamAdd(Param, QString::number(Value)); }

void THTTPSender::ParamAdd(const QString &Param, double Value) { ParamAdd(Param, TUConv::FloatToStr(Value)); }

bool THTTPSender::ParamValue(const QString &Param, QString &Value) const
{
    for (const auto &p : FParams)
        if (p.first == Param) {
            Value = p.second;
            return true;
        }
    Value.clear();
    return false;
}

QString THTTPSender::URLEncode(const QString &Str)
{
    static const char hex[] = "0123456789ABCDEF";
    const QByteArray utf8 = Str.toUtf8();
    QString out;
    out.reserve(utf8.size() * 3);
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '&')
            out += QLatin1String("%26");
        else if (mustEscape(c)) {
            out += QLatin1Char('%');
            out += QLatin1Char(hex[c >> 4]);
            out += QLatin1Char(hex[c & 15]);
        } else
            out += QLatin1Char(char(c));
    }
    return out;
}

QString THTTPSender::FormString(bool Query) const
{
    QString out;
    for (const auto &[name, value] : FParams) {
        out += out.isEmpty() ? (Query ? u"?" : u"") : u"&";
        out += URLEncode(name);
        out += QLatin1Char('=');
        out += URLEncode(value);
    }
    return out;
}

QByteArray THTTPSender::FormContentType() const
{
    QByteArray ct = "application/x-www-form-urlencoded";
    if (!FCharSet.isEmpty())
        ct += "; charset=" + FCharSet.toLatin1();
    return ct;
}

void THTTPSender::SocketOpened(intptr_t Socket)
{
    std::lock_guard lock(FSocketLock);
    FSocket = Socket;
    // Terminate may have run between the check in the open callback and here.
    if (FTerminated)
        dropSocket(Socket);
}

void THTTPSender::SocketClosed(intptr_t Socket)
{
    std::lock_guard lock(FSocketLock);
    if (FSocket == Socket)
        FSocket = -1;
}

void THTTPSender::Terminate()
{
    FTerminated = true;
    {
        // The socket stays open until libcurl's close callback has cleared FSocket under this
        // lock, so the number cannot belong to another file by now.
        std::lock_guard lock(FSocketLock);
        if (FSocket != -1)
            dropSocket(FSocket);
    }
    try {
        OnWork.DoTerminate(this);
    } catch (...) {
    }
}

void THTTPSender::Perform(const QString &URL, TBody Body, const QString &FileField, QIODevice *Upload,
                          const QString &UploadName, QIODevice &Sink, bool AskGZip)
{
    if (FTerminated)
        throw EUError(QString::fromUtf8(curl_easy_strerror(CURLE_ABORTED_BY_CALLBACK)));
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl)
        throw EUError(QStringLiteral("HTTP client could not be started"));
    CURL *c = curl.get();
    TTransfer t;
    t.sender = this;
    t.curl = c;
    t.sink = &Sink;
    char errbuf[CURL_ERROR_SIZE] = {};
    FResponseCode = 0;
    FContentType.clear();
    FContentEncoding.clear();

    const QByteArray url = URL.toUtf8();
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, FHandleRedirects ? 1L : 0L);
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, 256L * 1024);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &TTransfer::onWrite);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &TTransfer::onHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &TTransfer::onProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_OPENSOCKETFUNCTION, &TTransfer::onOpenSocket);
    curl_easy_setopt(c, CURLOPT_OPENSOCKETDATA, &t);
    curl_easy_setopt(c, CURLOPT_CLOSESOCKETFUNCTION, &TTransfer::onCloseSocket);
    curl_easy_setopt(c, CURLOPT_CLOSESOCKETDATA, &t);

    // An empty proxy means a direct connection, whatever the environment says.
    const QByteArray proxy = FProxy.IsClear() ? QByteArray() : FProxy.Host.toUtf8();
    const QByteArray proxyUser = FProxy.UserName.toUtf8(), proxyPassword = FProxy.Password.toUtf8();
    curl_easy_setopt(c, CURLOPT_PROXY, proxy.constData());
    if (!FProxy.IsClear()) {
        curl_easy_setopt(c, CURLOPT_PROXYPORT, long(FProxy.Port));
        if (FProxy.Auth) {
            curl_easy_setopt(c, CURLOPT_PROXYAUTH, long(CURLAUTH_BASIC));
            curl_easy_setopt(c, CURLOPT_PROXYUSERNAME, proxyUser.constData());
            curl_easy_setopt(c, CURLOPT_PROXYPASSWORD, proxyPassword.constData());
        }
    }

    std::unique_ptr<curl_slist, SListDeleter> headers;
    auto addHeader = [&headers](const QByteArray &h) { headers.reset(curl_slist_append(headers.release(), h.constData())); };
    addHeader("User-Agent: " + FUserAgent.toUtf8());
    addHeader("Accept-Charset: " + FAcceptCharSet.toUtf8());
    // A waiting "100 Continue" round trip only slows every post down.
    addHeader("Expect:");
    if (AskGZip)
        addHeader("Accept-Encoding: gzip");

    const QByteArray form = FormString(false).toLatin1();
    std::unique_ptr<curl_mime, MimeDeleter> mime;
    QList<QByteArray> keep; // texts the multipart parts point into
    if (Body == bodyMultipart) {
        mime.reset(curl_mime_init(c));
        if (Upload) {
            curl_mimepart *part = curl_mime_addpart(mime.get());
            keep << FileField.toUtf8() << UploadName.toUtf8();
            curl_mime_name(part, keep[keep.size() - 2].constData());
            curl_mime_filename(part, keep.last().constData());
            curl_mime_type(part, "application/octet-stream");
            curl_mime_encoder(part, "binary");
            curl_mime_data_cb(
                part, Upload->size(),
                [](char *buf, size_t size, size_t n, void *arg) -> size_t {
                    const qint64 got = static_cast<QIODevice *>(arg)->read(buf, qint64(size * n));
                    return got < 0 ? CURL_READFUNC_ABORT : size_t(got);
                },
                [](void *arg, curl_off_t offset, int origin) -> int {
                    return origin == SEEK_SET && static_cast<QIODevice *>(arg)->seek(offset)
                               ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_CANTSEEK;
                },
                nullptr, Upload);
        }
        for (const auto &[name, value] : FParams) {
            curl_mimepart *part = curl_mime_addpart(mime.get());
            curl_mime_name(part, name.toUtf8().constData());
            const QByteArray v = value.toUtf8();
            curl_mime_data(part, v.constData(), size_t(v.size()));
            curl_mime_type(part, "text/plain");
            curl_mime_encoder(part, "quoted-printable");
        }
        curl_easy_setopt(c, CURLOPT_MIMEPOST, mime.get());
        t.hasBody = true;
    } else {
        addHeader("Content-Type: " + FormContentType());
        if (Body == bodyForm) {
            curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(form.size()));
            curl_easy_setopt(c, CURLOPT_POSTFIELDS, form.constData());
            t.hasBody = !form.isEmpty();
        }
    }
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());

    const CURLcode rc = curl_easy_perform(c);
    long code = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &code);
    FResponseCode = int(code);
    if (t.downBegun || (rc == CURLE_OK && !t.failure && FResponseCode < 400)) {
        t.guarded([&] {
            t.downBegin();
            t.downEnd();
        });
    }
    if (t.failure)
        std::rethrow_exception(t.failure);
    if (t.sinkFailed)
        throw EUError(QStringLiteral("Cannot write the answer: ") + Sink.errorString());
    if (rc != CURLE_OK) {
        QString msg = QString::fromUtf8(curl_easy_strerror(rc));
        if (errbuf[0])
            msg += QStringLiteral(": ") + QString::fromUtf8(errbuf).trimmed();
        throw EUError(msg);
    }
    if (FResponseCode >= 400)
        throw EUError(QString::fromLatin1(t.statusLine));
}

bool THTTPSender::Run(const std::function<void()> &Body)
{
    bool result = false;
    QString error;
    try {
        OnWork.DoStart(0);
        Body();
        OnWork.DoSuccess(this);
        result = true;
    } catch (const EUError &e) {
        error = e.Message();
    } catch (const std::exception &e) {
        error = QString::fromUtf8(e.what());
    }
    if (!result) {
        try {
            OnWork.DoError(this, error);
        } catch (...) {
            OnWork.DoEnd();
            throw;
        }
    }
    OnWork.DoEnd();
    return result;
}

bool THTTPSender::Post(const QString &Host, QIODevice &Output)
{
    QElapsedTimer timer;
    timer.start();
    return Run([&] {
        if (Host.isEmpty())
            throw EUError(QStringLiteral("Host is empty"));
        Perform(Host, bodyForm, {}, nullptr, {}, Output, FUseGZip);
        FStat.QueryTime = timer.elapsed();
        FStat.TransferBytes = Output.size();
        if (FContentEncoding == "gzip")
            UnpackInPlace(Output);
    });
}

void THTTPSender::UnpackInPlace(QIODevice &Output)
{
    QElapsedTimer timer;
    timer.start();
    QByteArray unpacked;
    QBuffer dst(&unpacked);
    dst.open(QIODevice::WriteOnly);
    try {
        TGZip().UnCompress(Output, dst);
    } catch (const EUError &) {
        // Not gzip after all: the caller gets the bytes as they came.
        return;
    }
    if (auto *buffer = qobject_cast<QBuffer *>(&Output)) {
        buffer->seek(0);
        buffer->buffer().clear();
    } else if (auto *file = qobject_cast<QFile *>(&Output)) {
        file->resize(0);
        file->seek(0);
    } else {
        Output.seek(0);
    }
    Output.write(unpacked);
    FStat.GZipTime = timer.elapsed();
    FStat.GZipBytes = unpacked.size();
}

QString THTTPSender::RunForText(const std::function<void(QIODevice &)> &Send)
{
    QElapsedTimer timer;
    timer.start();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QString result;
    Run([&] {
        Send(buffer);
        result = DecodeText(bytes, FContentType);
        FStat.QueryTime = timer.elapsed();
    });
    return result;
}

QString THTTPSender::Get(const QString &Host)
{
    return RunForText([&](QIODevice &buffer) {
        Perform(Host + FormString(true), bodyNone, {}, nullptr, {}, buffer, false);
    });
}

QString THTTPSender::SendFile(const QString &Host, const QString &FileField, const QString &FileName)
{
    FStat.Clear();
    return RunForText([&](QIODevice &buffer) {
        if (Host.isEmpty())
            throw EUError(QStringLiteral("Host is empty"));
        QFile file(FileName);
        const bool withFile = !FileField.isEmpty() && !FileName.isEmpty();
        if (withFile && !file.open(QIODevice::ReadOnly))
            throw EUError(QStringLiteral("Cannot open file ") + FileName + QStringLiteral(": ") + file.errorString());
        Perform(Host, bodyMultipart, FileField, withFile ? &file : nullptr, QFileInfo(FileName).fileName(), buffer,
                false);
    });
}

bool THTTPSender::ReceiveFile(const QString &Host, const QString &FileName, bool UsePost)
{
    FStat.Clear();
    QElapsedTimer timer;
    timer.start();
    return Run([&] {
        {
            // Unbuffered: libcurl hands over large pieces, a second copy would only cost time.
            QFile file(FileName);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
                throw EUError(QStringLiteral("Cannot create file ") + FileName);
            if (UsePost)
                Perform(Host, bodyMultipart, {}, nullptr, {}, file, false);
            else
                Perform(Host + FormString(true), bodyNone, {}, nullptr, {}, file, false);
        }
        FStat.QueryTime = timer.elapsed();
        if (!QFileInfo::exists(FileName))
            throw EUError(QStringLiteral("File not exists"));
    });
}

QString THTTPSender::DecodeText(const QByteArray &Bytes, const QByteArray &ContentType)
{
    if (std::optional<QString> text = TUCodePage::ToUnicodeAs(Bytes, ContentType))
        return *text;
    return QString::fromLatin1(Bytes);
}

QString THTTPSender::Post(const QString &Host)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadWrite);
    if (!Post(Host, buffer))
        return {};
    return DecodeText(bytes, FContentType);
}
