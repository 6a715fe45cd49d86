#include "HTTPSender.h"

#include "SGGzip.h"
#include "UCodePage.h"
#include "UConv.h"
#include "UException.h"
#include "UCurl.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <exception>

namespace {

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

// One request in flight: the library's events become OnWork notices. Progress goes to the owner's
// thread by a blocking hand-over, so it is throttled; begin, end and the last count are always
// reported.
struct THTTPSender::TTransfer : TUCurlTransfer {
    TTransfer(THTTPSender &Sender, QIODevice &Sink)
        : TUCurlTransfer(Sender.FStop.get()), sender(&Sender), sink(&Sink),
          blocks(qobject_cast<QFileDevice *>(&Sink) != nullptr)
    {
        if (blocks)
            block.reserve(BlockSize);
    }

    // The library hands the body over in pieces of 16 KiB; a file gets it in blocks of this
    // size, one system call each.
    static constexpr qsizetype BlockSize = 1024 * 1024;

    THTTPSender *sender;
    QIODevice *sink;
    bool hasBody = false;
    bool upBegun = false, upEnded = false;
    bool downBegun = false;
    bool sinkFailed = false;
    const bool blocks;
    QByteArray block;
    qint64 lastUp = -1;
    qint64 received = 0;
    qint64 lastDown = -1;

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
        curl_easy_getinfo(Handle(), CURLINFO_CONTENT_LENGTH_UPLOAD_T, &total);
        begin(total);
    }
    void upEnd()
    {
        upBegin();
        if (!upBegun || upEnded)
            return;
        upEnded = true;
        curl_off_t sent = 0;
        curl_easy_getinfo(Handle(), CURLINFO_SIZE_UPLOAD_T, &sent);
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
        curl_easy_getinfo(Handle(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &len);
        begin(len);
    }
    void downEnd()
    {
        if (received != lastDown)
            update(received);
        sender->OnWork.DoEnd();
    }

    bool OnBody(const char *data, size_t size) override
    {
        // The body of an error answer is not the answer the caller asked for.
        if (ResponseCode() >= 400)
            return true;
        const qint64 len = qint64(size);
        downBegin();
        if (blocks) {
            block.append(data, qsizetype(size));
            if (block.size() >= BlockSize && !flush())
                return false;
        } else if (sink->write(data, len) != len) {
            sinkFailed = true;
            return false;
        }
        received += len;
        if (Due()) {
            lastDown = received;
            update(received);
        }
        return true;
    }
    // Writes what is held back; false (and sinkFailed) when the sink refuses it.
    bool flush()
    {
        if (block.isEmpty() || sinkFailed)
            return !sinkFailed;
        if (sink->write(block.constData(), block.size()) != block.size())
            sinkFailed = true;
        block.resize(0);
        return !sinkFailed;
    }
    void OnStatus() override { upEnd(); }
    bool OnProgress(curl_off_t ulnow) override
    {
        if (hasBody && !upEnded && ulnow > 0) {
            upBegin();
            if (ulnow != lastUp && Due()) {
                lastUp = ulnow;
                update(ulnow);
            }
        }
        return true;
    }
};

THTTPSender::THTTPSender()
    : FUserAgent(QStringLiteral("Mozilla/5.0 (Windows NT 6.1; rv:19.0) Gecko/20100101 Firefox/19.0")),
      FAcceptCharSet(QStringLiteral("windows-1251,utf-8;q=0.7,*;q=0.7")), FStop(std::make_unique<TUCurlStop>())
{
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

void THTTPSender::SetTimeouts(std::chrono::milliseconds Connect, std::chrono::seconds Idle)
{
    FConnectTimeout = Connect;
    FIdleTimeout = Idle;
}

void THTTPSender::Terminate()
{
    FStop->Stop();
    try {
        OnWork.DoTerminate(this);
    } catch (...) {
    }
}

void THTTPSender::Perform(const QString &URL, TBody Body, const QString &FileField, QIODevice *Upload,
                          const QString &UploadName, QIODevice &Sink, bool AskGZip)
{
    FResponseCode = 0;
    FContentType.clear();
    FContentEncoding.clear();
    TTransfer t(*this, Sink);
    t.SetURL(URL);
    t.SetTimeouts(FConnectTimeout, FIdleTimeout);
    curl_easy_setopt(t.Handle(), CURLOPT_FOLLOWLOCATION, FHandleRedirects ? 1L : 0L);
    if (!FProxy.IsClear())
        t.SetProxy(FProxy.Host, long(FProxy.Port), FProxy.Auth, FProxy.UserName, FProxy.Password);

    t.AddHeader("User-Agent: " + FUserAgent.toUtf8());
    t.AddHeader("Accept-Charset: " + FAcceptCharSet.toUtf8());
    // A waiting "100 Continue" round trip only slows every post down.
    t.AddHeader("Expect:");
    if (AskGZip)
        t.AddHeader("Accept-Encoding: gzip");

    if (Body == bodyMultipart) {
        t.BeginMultipart();
        if (Upload)
            t.AddFilePart(FileField, UploadName, *Upload);
        for (const auto &[name, value] : FParams)
            t.AddTextPart(name, value.toUtf8());
        t.hasBody = true;
    } else {
        t.AddHeader("Content-Type: " + FormContentType());
        if (Body == bodyForm) {
            const QByteArray form = FormString(false).toLatin1();
            t.SetPostBody(form);
            t.hasBody = !form.isEmpty();
        }
    }

    const CURLcode rc = t.Perform();
    // Also after a failure: what arrived is in the sink, as it would be without the blocks.
    t.flush();
    FResponseCode = int(t.ResponseCode());
    FContentType = t.Header("content-type");
    FContentEncoding = t.Header("content-encoding");
    if (t.downBegun || (rc == CURLE_OK && !t.Failed() && FResponseCode < 400)) {
        t.Guarded([&] {
            t.downBegin();
            t.downEnd();
        });
    }
    t.RethrowFailure();
    if (t.sinkFailed)
        throw EUError(QStringLiteral("Cannot write the answer: ") + Sink.errorString());
    if (rc != CURLE_OK)
        throw EUError(t.ErrorText(rc));
    if (FResponseCode >= 400)
        throw EUError(QString::fromLatin1(t.StatusLine()));
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
    dst.close();
    const qint64 size = unpacked.size();
    if (auto *buffer = qobject_cast<QBuffer *>(&Output)) {
        // The unpacked bytes take the place of the packed ones, which go at once: a large answer
        // is not held twice.
        buffer->seek(0);
        buffer->buffer() = std::move(unpacked);
        buffer->seek(size);
    } else {
        if (auto *file = qobject_cast<QFile *>(&Output)) {
            file->resize(0);
            file->seek(0);
        } else {
            Output.seek(0);
        }
        Output.write(unpacked);
    }
    FStat.GZipTime = timer.elapsed();
    FStat.GZipBytes = size;
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
            // Unbuffered: the transfer writes in large blocks of its own.
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
