#include "StandinServer.h"

#include "SGGzip.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <httplib.h>

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
    FHttp->Get(R"(/([^/]+)/(.+))", [this](const httplib::Request &req, httplib::Response &res) { HandleFile(req, res); });
}

TStandinServer::~TStandinServer() { Stop(); }

void TStandinServer::ServeFolder(const QString &Prefix, const QString &Folder)
{
    std::lock_guard lock(FLock);
    FFolders[Prefix] = Folder;
}

void TStandinServer::SetStatus(const QString &Path, int Code, const QByteArray &Body)
{
    std::lock_guard lock(FLock);
    FStatus[Path] = {Code, Body};
}

void TStandinServer::HandleFile(const httplib::Request &req, httplib::Response &res)
{
    QString folder;
    {
        std::lock_guard lock(FLock);
        const auto it = FFolders.find(QString::fromStdString(req.matches[1].str()));
        if (it != FFolders.end())
            folder = it->second;
    }
    const QString rel = QString::fromStdString(req.matches[2].str());
    if (folder.isEmpty() || rel.split(u'/').contains(QStringLiteral(".."))) {
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
    FHttp->wait_until_ready();
    return true;
}

void TStandinServer::Stop()
{
    if (!FThread.joinable())
        return;
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
