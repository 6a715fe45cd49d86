#include "StandinServer.h"

#include "SGGzip.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <httplib.h>

#include <chrono>

TStandinServer::TStandinServer() : FHttp(std::make_unique<httplib::Server>())
{
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

QString TStandinServer::BaseURL() const { return QStringLiteral("http://127.0.0.1:%1/").arg(FPort); }

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
