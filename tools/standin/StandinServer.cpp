#include "StandinServer.h"

#include "SGGzip.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <httplib.h>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <chrono>
#include <functional>

namespace {

struct TPemReader {
    explicit TPemReader(const QByteArray &Pem) : Bio(BIO_new_mem_buf(Pem.constData(), int(Pem.size()))) {}
    ~TPemReader() { BIO_free(Bio); }
    TPemReader(const TPemReader &) = delete;
    TPemReader &operator=(const TPemReader &) = delete;
    BIO *Bio;
};

QByteArray pemOf(const std::function<int(BIO *)> &Write)
{
    BIO *bio = BIO_new(BIO_s_mem());
    QByteArray pem;
    if (bio && Write(bio) == 1) {
        char *data = nullptr;
        const long n = BIO_get_mem_data(bio, &data);
        pem = QByteArray(data, qsizetype(n));
    }
    BIO_free(bio);
    return pem;
}

bool addExtension(X509 *Cert, int Nid, const char *Value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, Cert, Cert, nullptr, nullptr, 0);
    X509_EXTENSION *ext = X509V3_EXT_conf_nid(nullptr, &ctx, Nid, Value);
    const bool ok = ext && X509_add_ext(Cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return ok;
}

} // namespace

TStandinCertificate TStandinCertificate::SelfSigned()
{
    TStandinCertificate out;
    EVP_PKEY *key = EVP_EC_gen("P-256");
    X509 *cert = X509_new();
    X509_NAME *name = X509_NAME_new();
    const bool ok =
        key && cert && name && X509_set_version(cert, 2) == 1 && ASN1_INTEGER_set(X509_get_serialNumber(cert), 1) == 1 &&
        X509_gmtime_adj(X509_getm_notBefore(cert), -3600) && X509_gmtime_adj(X509_getm_notAfter(cert), 86400) &&
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char *>("127.0.0.1"), -1,
                                   -1, 0) == 1 &&
        X509_set_subject_name(cert, name) == 1 && X509_set_issuer_name(cert, name) == 1 &&
        X509_set_pubkey(cert, key) == 1 && addExtension(cert, NID_basic_constraints, "critical,CA:TRUE") &&
        addExtension(cert, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost") &&
        X509_sign(cert, key, EVP_sha256()) > 0;
    if (ok) {
        out.CertificatePem = pemOf([cert](BIO *b) { return PEM_write_bio_X509(b, cert); });
        out.KeyPem = pemOf([key](BIO *b) {
            return PEM_write_bio_PrivateKey(b, key, nullptr, nullptr, 0, nullptr, nullptr);
        });
    }
    X509_NAME_free(name);
    X509_free(cert);
    EVP_PKEY_free(key);
    return out;
}

TStandinServer::TStandinServer(const TStandinCertificate *Tls) : FTls(Tls != nullptr)
{
    if (Tls) {
        TPemReader certPem(Tls->CertificatePem), keyPem(Tls->KeyPem);
        X509 *cert = PEM_read_bio_X509(certPem.Bio, nullptr, nullptr, nullptr);
        EVP_PKEY *key = PEM_read_bio_PrivateKey(keyPem.Bio, nullptr, nullptr, nullptr);
        // The server's context keeps references of its own.
        FHttp = std::make_unique<httplib::SSLServer>(cert, key);
        X509_free(cert);
        EVP_PKEY_free(key);
    } else {
        FHttp = std::make_unique<httplib::Server>();
    }
    FHttp->set_pre_routing_handler([this](const httplib::Request &req, httplib::Response &res) {
        std::lock_guard lock(FLock);
        ++FRequests;
        const auto it = FStatus.find(QString::fromStdString(req.path));
        if (it == FStatus.end())
            return httplib::Server::HandlerResponse::Unhandled;
        res.status = it->second.first;
        res.set_content(it->second.second.toStdString(), "text/plain");
        return httplib::Server::HandlerResponse::Handled;
    });
}

TStandinServer::~TStandinServer() { Stop(); }

void TStandinServer::ServeFolder(const QString &Prefix, const QString &Folder)
{
    const std::string pattern = "/" + QRegularExpression::escape(Prefix).toStdString() + "/(.+)";
    FHttp->Get(pattern, [this, Folder](const httplib::Request &req, httplib::Response &res) {
        HandleFile(Folder, req, res);
    });
}

void TStandinServer::ServeStalled(const QString &Path, qint64 AnnouncedSize, qint64 SentBytes)
{
    FHttp->Get(Path.toStdString(), [this, AnnouncedSize, SentBytes](const httplib::Request &, httplib::Response &res) {
        res.set_content_provider(size_t(AnnouncedSize), "application/octet-stream",
            [this, SentBytes](size_t offset, size_t, httplib::DataSink &sink) {
                if (offset < size_t(SentBytes)) {
                    const QByteArray part(qsizetype(SentBytes - qint64(offset)), 'x');
                    return sink.write(part.constData(), size_t(part.size()));
                }
                for (int i = 0; i < 1000 && !FStopping; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                return false;
            });
    });
}

void TStandinServer::ServeCut(const QString &Path, const QByteArray &Body, qint64 SentBytes)
{
    FHttp->Get(Path.toStdString(), [Body, SentBytes](const httplib::Request &, httplib::Response &res) {
        res.set_content_provider(size_t(Body.size()), "application/octet-stream",
            [Body, SentBytes](size_t offset, size_t, httplib::DataSink &sink) {
                if (offset > 0)
                    return false;
                return sink.write(Body.constData(), size_t(std::min<qint64>(SentBytes, Body.size())));
            });
    });
}

void TStandinServer::SetStatus(const QString &Path, int Code, const QByteArray &Body)
{
    std::lock_guard lock(FLock);
    FStatus[Path] = {Code, Body};
}

void TStandinServer::HandleFile(const QString &folder, const httplib::Request &req, httplib::Response &res)
{
    const QString rel = QString::fromStdString(req.matches[1].str());
    if (rel.split(u'/').contains(QStringLiteral(".."))) {
        res.status = 404;
        return;
    }
    const QString path = QDir(folder).filePath(rel);
    if (QFileInfo(path).isFile()) {
        // Large files stream from disk in pieces instead of being read whole.
        auto file = std::make_shared<QFile>(path);
        if (!file->open(QIODevice::ReadOnly)) {
            res.status = 403;
            return;
        }
        const qint64 size = file->size();
        res.set_content_provider(size_t(size), "application/octet-stream",
            [file](size_t offset, size_t length, httplib::DataSink &sink) {
                QByteArray chunk(qsizetype(std::min<size_t>(length, 256 * 1024)), Qt::Uninitialized);
                if (!file->seek(qint64(offset)))
                    return false;
                const qint64 n = file->read(chunk.data(), chunk.size());
                if (n <= 0)
                    return false;
                return sink.write(chunk.constData(), size_t(n));
            });
        return;
    }
    if (rel.endsWith(QStringLiteral(".gz")) && QFileInfo(path.chopped(3)).isFile()) {
        QFile f(path.chopped(3));
        if (f.open(QIODevice::ReadOnly)) {
            const QByteArray packed = StandinGzip(f.readAll());
            res.set_content(packed.constData(), size_t(packed.size()), "application/gzip");
            return;
        }
    }
    res.status = 404;
}

bool TStandinServer::Start(int Port)
{
    if (FThread.joinable())
        return true;
    if (!FHttp->is_valid())
        return false;
    if (Port == 0)
        FPort = FHttp->bind_to_any_port("127.0.0.1");
    else
        FPort = FHttp->bind_to_port("127.0.0.1", Port) ? Port : -1;
    if (FPort <= 0)
        return false;
    FThread = std::thread([this] { FHttp->listen_after_bind(); });
    for (int i = 0; i < 5000 && !FHttp->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void TStandinServer::Stop()
{
    if (!FThread.joinable())
        return;
    FStopping = true;
    FHttp->stop();
    FThread.join();
}

QString TStandinServer::BaseURL() const
{
    return QStringLiteral("%1://127.0.0.1:%2/").arg(FTls ? QStringLiteral("https") : QStringLiteral("http")).arg(FPort);
}

int TStandinServer::RequestCount() const
{
    std::lock_guard lock(FLock);
    return FRequests;
}

QByteArray StandinGzip(const QByteArray &Data)
{
    QByteArray in = Data, out;
    QBuffer src(&in), dst(&out);
    src.open(QIODevice::ReadOnly);
    dst.open(QIODevice::WriteOnly);
    TGZip().Compress(src, dst);
    return out;
}
