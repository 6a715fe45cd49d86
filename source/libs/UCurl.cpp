#include "UCurl.h"

#include "UException.h"

#include <QFile>
#include <QIODevice>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>

namespace {

void closeSocket(curl_socket_t s)
{
#ifdef _WIN32
    closesocket(s);
#else
    ::close(s);
#endif
}

// Wakes whatever waits on the socket with an error; the number stays ours until closed.
void dropSocket(curl_socket_t s)
{
#ifdef _WIN32
    shutdown(s, SD_BOTH);
#else
    ::shutdown(s, SHUT_RDWR);
#endif
}

} // namespace

void TUCurl::GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

QString TUCurl::ErrorText(CURLcode Code, const char *Detail)
{
    QString msg = QString::fromUtf8(curl_easy_strerror(Code));
    if (Detail && Detail[0])
        msg += QStringLiteral(": ") + QString::fromUtf8(Detail).trimmed();
    return msg;
}

QByteArray TUCurl::QuotedPrintable(const QByteArray &Bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    constexpr int kLine = 76;
    QByteArray out;
    out.reserve(Bytes.size() + Bytes.size() / 8 + 16);
    int column = 0;
    const qsizetype n = Bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(Bytes[i]);
        if (c == '\r' && i + 1 < n && Bytes[i + 1] == '\n') {
            out += "\r\n";
            column = 0;
            ++i;
            continue;
        }
        // Blanks stay readable unless they would end a line, where transports may strip them.
        const bool lineEnds = i + 1 == n || (Bytes[i + 1] == '\r' && i + 2 < n && Bytes[i + 2] == '\n');
        const bool literal = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !lineEnds);
        const int width = literal ? 1 : 3;
        // A soft break ("=" at the end of a line) keeps every line within the limit.
        if (column + width > kLine - 1) {
            out += "=\r\n";
            column = 0;
        }
        if (literal) {
            out += char(c);
        } else {
            out += '=';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
        column += width;
    }
    return out;
}

void TUCurlStop::Stop()
{
    FStopped = true;
    std::lock_guard lock(FLock);
    for (const curl_socket_t s : FSockets)
        dropSocket(s);
}

void TUCurlStop::Opened(curl_socket_t Socket)
{
    std::lock_guard lock(FLock);
    FSockets.push_back(Socket);
    // Stop may have run between the transfer's check and here.
    if (FStopped)
        dropSocket(Socket);
}

void TUCurlStop::Closed(curl_socket_t Socket)
{
    std::lock_guard lock(FLock);
    const auto it = std::find(FSockets.begin(), FSockets.end(), Socket);
    if (it != FSockets.end())
        FSockets.erase(it);
}

TUCurlTransfer::TUCurlTransfer(TUCurlStop *Stop) : FStop(Stop)
{
    TUCurl::GlobalInit();
    FCurl.reset(curl_easy_init());
    if (!FCurl)
        throw EUError(QStringLiteral("HTTP client could not be started"));
    CURL *c = FCurl.get();
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, FErrorBuffer);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, 256L * 1024);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &TUCurlTransfer::WriteCallback);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &TUCurlTransfer::HeaderCallback);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &TUCurlTransfer::ProgressCallback);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    if (FStop) {
        curl_easy_setopt(c, CURLOPT_OPENSOCKETFUNCTION, &TUCurlTransfer::OpenSocketCallback);
        curl_easy_setopt(c, CURLOPT_OPENSOCKETDATA, this);
        curl_easy_setopt(c, CURLOPT_CLOSESOCKETFUNCTION, &TUCurlTransfer::CloseSocketCallback);
        curl_easy_setopt(c, CURLOPT_CLOSESOCKETDATA, this);
    }
    // No proxy from the environment: the programs' own settings decide.
    curl_easy_setopt(c, CURLOPT_PROXY, "");
}

// The easy handle goes first: it may still close sockets through the stop, and the multipart
// body it posts must outlive it.
TUCurlTransfer::~TUCurlTransfer() { FCurl.reset(); }

namespace {
std::mutex trustLock; // guards trustedCertificates, read by every transfer's thread
QString trustedCertificates;
} // namespace

void TUCurl::SetTrustedCertificates(const QString &PemFile)
{
    std::lock_guard lock(trustLock);
    trustedCertificates = PemFile;
}

QString TUCurl::TrustedCertificates()
{
    std::lock_guard lock(trustLock);
    return trustedCertificates;
}

void TUCurlTransfer::SetURL(const QString &URL)
{
    curl_easy_setopt(FCurl.get(), CURLOPT_URL, URL.toUtf8().constData());
    // What began over "https://" is never redirected to plain HTTP.
    if (URL.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive))
        curl_easy_setopt(FCurl.get(), CURLOPT_REDIR_PROTOCOLS_STR, "https");
    // Only the set of trusted authorities can be replaced; the peer and its name are checked.
    const QString trusted = TUCurl::TrustedCertificates();
    if (!trusted.isEmpty())
        curl_easy_setopt(FCurl.get(), CURLOPT_CAINFO, QFile::encodeName(trusted).constData());
}

void TUCurlTransfer::SetProxy(const QString &Host, long Port, bool BasicAuth, const QString &UserName,
                              const QString &Password)
{
    CURL *c = FCurl.get();
    curl_easy_setopt(c, CURLOPT_PROXY, Host.toUtf8().constData());
    if (Host.isEmpty())
        return;
    if (Port > 0)
        curl_easy_setopt(c, CURLOPT_PROXYPORT, Port);
    if (BasicAuth) {
        curl_easy_setopt(c, CURLOPT_PROXYAUTH, long(CURLAUTH_BASIC));
        curl_easy_setopt(c, CURLOPT_PROXYUSERNAME, UserName.toUtf8().constData());
        curl_easy_setopt(c, CURLOPT_PROXYPASSWORD, Password.toUtf8().constData());
    }
}

void TUCurlTransfer::SetTimeouts(std::chrono::milliseconds Connect, std::chrono::seconds Idle)
{
    CURL *c = FCurl.get();
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, long(Connect.count()));
    // Below one byte a second for that long: nothing moved at all.
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, long(Idle.count()));
}

void TUCurlTransfer::AddHeader(const QByteArray &Header)
{
    FHeaders.reset(curl_slist_append(FHeaders.release(), Header.constData()));
}

void TUCurlTransfer::SetPostBody(const QByteArray &Body)
{
    FPostBody = Body;
    curl_easy_setopt(FCurl.get(), CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(FPostBody.size()));
    curl_easy_setopt(FCurl.get(), CURLOPT_POSTFIELDS, FPostBody.constData());
}

void TUCurlTransfer::BeginMultipart()
{
    if (!FMime)
        FMime.reset(curl_mime_init(FCurl.get()));
}

void TUCurlTransfer::AddTextPart(const QString &Name, const QByteArray &Value)
{
    BeginMultipart();
    curl_mimepart *part = curl_mime_addpart(FMime.get());
    curl_mime_name(part, Name.toUtf8().constData());
    const QByteArray encoded = TUCurl::QuotedPrintable(Value);
    curl_mime_data(part, encoded.constData(), size_t(encoded.size()));
    curl_mime_type(part, "text/plain");
    curl_mime_headers(part, curl_slist_append(nullptr, "Content-Transfer-Encoding: quoted-printable"), 1);
}

void TUCurlTransfer::AddFilePart(const QString &Name, const QString &FileName, QIODevice &Device)
{
    BeginMultipart();
    curl_mimepart *part = curl_mime_addpart(FMime.get());
    curl_mime_name(part, Name.toUtf8().constData());
    curl_mime_filename(part, FileName.toUtf8().constData());
    curl_mime_type(part, "application/octet-stream");
    curl_mime_encoder(part, "binary");
    curl_mime_data_cb(
        part, Device.size(),
        [](char *buf, size_t size, size_t n, void *arg) -> size_t {
            const qint64 got = static_cast<QIODevice *>(arg)->read(buf, qint64(size * n));
            return got < 0 ? CURL_READFUNC_ABORT : size_t(got);
        },
        [](void *arg, curl_off_t offset, int origin) -> int {
            return origin == SEEK_SET && static_cast<QIODevice *>(arg)->seek(offset) ? CURL_SEEKFUNC_OK
                                                                                     : CURL_SEEKFUNC_CANTSEEK;
        },
        nullptr, &Device);
}

CURLcode TUCurlTransfer::Perform()
{
    CURL *c = FCurl.get();
    FFailure = nullptr;
    FStatusLine.clear();
    FAnswerHeaders.clear();
    FErrorBuffer[0] = 0;
    if (Stopped())
        return CURLE_ABORTED_BY_CALLBACK;
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, FHeaders.get());
    if (FMime)
        curl_easy_setopt(c, CURLOPT_MIMEPOST, FMime.get());
    return curl_easy_perform(c);
}

void TUCurlTransfer::RethrowFailure()
{
    if (FFailure)
        std::rethrow_exception(std::exchange(FFailure, nullptr));
}

long TUCurlTransfer::ResponseCode() const
{
    long code = 0;
    curl_easy_getinfo(FCurl.get(), CURLINFO_RESPONSE_CODE, &code);
    return code;
}

QByteArray TUCurlTransfer::StatusText() const
{
    // "HTTP/1.1 404 Not Found"
    const qsizetype codeAt = FStatusLine.indexOf(' ');
    const qsizetype textAt = codeAt < 0 ? -1 : FStatusLine.indexOf(' ', codeAt + 1);
    return textAt < 0 ? QByteArray() : FStatusLine.mid(textAt + 1);
}

QByteArray TUCurlTransfer::Header(const QByteArray &LowerName) const
{
    for (const auto &[name, value] : FAnswerHeaders)
        if (name == LowerName)
            return value;
    return {};
}

size_t TUCurlTransfer::WriteCallback(char *Data, size_t Size, size_t Count, void *User)
{
    auto *t = static_cast<TUCurlTransfer *>(User);
    bool taken = false;
    const bool ok = t->Guarded([&] { taken = t->OnBody(Data, Size * Count); });
    return ok && taken ? Size * Count : 0;
}

size_t TUCurlTransfer::HeaderCallback(char *Data, size_t Size, size_t Count, void *User)
{
    auto *t = static_cast<TUCurlTransfer *>(User);
    const QByteArray line = QByteArray(Data, qsizetype(Size * Count)).trimmed();
    if (line.startsWith("HTTP/")) {
        // A later status line (after a redirect or "100 Continue") starts the answer afresh.
        t->FStatusLine = line;
        t->FAnswerHeaders.clear();
        return t->Guarded([t] { t->OnStatus(); }) ? Size * Count : 0;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon > 0)
        t->FAnswerHeaders.emplace_back(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    return Size * Count;
}

int TUCurlTransfer::ProgressCallback(void *User, curl_off_t, curl_off_t, curl_off_t, curl_off_t UpNow)
{
    auto *t = static_cast<TUCurlTransfer *>(User);
    if (t->Stopped())
        return 1;
    bool go = false;
    const bool ok = t->Guarded([&] { go = t->OnProgress(UpNow); });
    return ok && go && !t->Stopped() ? 0 : 1;
}

curl_socket_t TUCurlTransfer::OpenSocketCallback(void *User, curlsocktype, curl_sockaddr *Address)
{
    auto *t = static_cast<TUCurlTransfer *>(User);
    if (t->Stopped())
        return CURL_SOCKET_BAD;
    const curl_socket_t s = socket(Address->family, Address->socktype, Address->protocol);
    if (s != CURL_SOCKET_BAD)
        t->FStop->Opened(s);
    return s;
}

int TUCurlTransfer::CloseSocketCallback(void *User, curl_socket_t Socket)
{
    // Out of the list first, so Stop never shuts down a number the system has handed out again.
    static_cast<TUCurlTransfer *>(User)->FStop->Closed(Socket);
    closeSocket(Socket);
    return 0;
}
