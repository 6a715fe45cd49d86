#include "StandinService.h"

#include "StandinServer.h"
#include "StandinStore.h"
#include "UCodePage.h"

#include <QFile>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QJsonDocument>
#include <QJsonObject>

#include <httplib.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>
#include <chrono>
#include <memory>

namespace {

QString decodeFormPart(QByteArray part)
{
    part.replace('+', ' ');
    return QString::fromUtf8(QByteArray::fromPercentEncoding(part));
}

QList<QPair<QString, QString>> parseForm(const QByteArray &form)
{
    QList<QPair<QString, QString>> out;
    if (form.isEmpty())
        return out;
    for (const QByteArray &pair : form.split('&')) {
        const qsizetype eq = pair.indexOf('=');
        out.append({decodeFormPart(pair.left(eq < 0 ? pair.size() : eq)),
                    eq < 0 ? QString() : decodeFormPart(pair.mid(eq + 1))});
    }
    return out;
}

QByteArray randomBytes(int n)
{
    QByteArray out(n, Qt::Uninitialized);
    QRandomGenerator::system()->generate(out.begin(), out.end());
    return out;
}

bool hasParam(const TStandinRequest &r, const QString &name)
{
    return std::any_of(r.Params.begin(), r.Params.end(), [&](const auto &p) { return p.first == name; });
}

} // namespace

QByteArray TStandinService::Envelope(int code, const QJsonArray &fields, const QJsonObject &row, const QJsonObject &raw)
{
    QJsonObject e{{QStringLiteral("code"), code},
                  {QStringLiteral("count"), row.isEmpty() ? 0 : 1},
                  {QStringLiteral("fields"), fields},
                  {QStringLiteral("data"), row.isEmpty() ? QJsonArray() : QJsonArray{row}}};
    if (!raw.isEmpty())
        e.insert(QStringLiteral("raw"), raw);
    return QJsonDocument(e).toJson(QJsonDocument::Compact);
}

QString TStandinRequest::Param(const QString &Name) const
{
    for (const auto &p : Params)
        if (p.first == Name)
            return p.second;
    return {};
}

TStandinService::TStandinService(TStandinServer &Server) : FServer(Server)
{
    auto record = [this](const httplib::Request &req, const std::string &rawBody,
                         const httplib::MultipartFormDataItems &parts) {
        TStandinRequest r;
        r.Method = QByteArray::fromStdString(req.method);
        r.Path = QByteArray::fromStdString(req.path);
        const auto q = req.target.find('?');
        if (q != std::string::npos)
            r.Query = QByteArray::fromStdString(req.target.substr(q + 1));
        for (const auto &[name, value] : req.headers)
            r.Headers.insert(QByteArray::fromStdString(name).toLower(), QByteArray::fromStdString(value));
        r.Body = QByteArray::fromStdString(rawBody);
        r.RemoteAddr = QString::fromStdString(req.remote_addr);
        const QByteArray type = r.Headers.value("content-type");
        if (type.startsWith("multipart/form-data")) {
            for (const auto &part : parts) {
                r.Params.append({QString::fromStdString(part.name), QString::fromStdString(part.content)});
                r.Parts.append({QString::fromStdString(part.filename), QByteArray::fromStdString(part.content_type)});
            }
        } else if (r.Method == "POST") {
            r.Params = parseForm(r.Query) + parseForm(r.Body);
        } else {
            r.Params = parseForm(r.Query);
        }
        TStandinRequest kept = r;
        if (hasParam(kept, QStringLiteral("password"))) {
            kept.Body.clear();
            for (auto &p : kept.Params)
                if (p.first == QStringLiteral("password"))
                    p.second = QStringLiteral("***");
        }
        std::lock_guard lock(FLock);
        FRequests.append(kept);
        return r;
    };

    auto answer = [this, record](const httplib::Request &req, httplib::Response &res, const std::string &rawBody,
                                 const httplib::MultipartFormDataItems &parts) {
        const TStandinRequest r = record(req, rawBody, parts);
        QJsonArray fields;
        QJsonObject row;
        for (const auto &[name, value] : r.Params) {
            if (name.startsWith(QStringLiteral("standin_")))
                continue;
            fields.append(name);
            row.insert(name, value);
        }
        QJsonObject envelope{{QStringLiteral("code"), r.Param(QStringLiteral("standin_code")).toInt()},
                             {QStringLiteral("count"), 1},
                             {QStringLiteral("fields"), fields},
                             {QStringLiteral("data"), QJsonArray{row}}};
        const int size = r.Param(QStringLiteral("standin_size")).toInt();
        if (size > 0)
            envelope.insert(QStringLiteral("raw"), QString(size, u'r'));
        QByteArray body = QJsonDocument(envelope).toJson(QJsonDocument::Compact);
        if (r.Path == "/connect.php")
            body = ConnectAnswer(r);
        if (r.Path == "/query.php") {
            QByteArray session = SessionAnswer(r);
            if (!session.isEmpty()) {
                body = std::move(session);
            } else if (r.Param(QStringLiteral("action")).startsWith(QStringLiteral("filebase_"))) {
                const auto data = std::find_if(parts.begin(), parts.end(), [](const auto &p) { return p.name == "data"; });
                body = data == parts.end() ? FileAnswer(r, {}, {})
                                           : FileAnswer(r, QByteArray::fromStdString(data->content),
                                                        QString::fromStdString(data->filename));
            }
        }
        if (r.Params.end() != std::find_if(r.Params.begin(), r.Params.end(),
                                           [](const auto &p) { return p.first == QStringLiteral("standin_text"); }))
            body = r.Param(QStringLiteral("standin_text")).toUtf8();

        QString charset = r.Param(QStringLiteral("standin_charset"));
        if (charset.isEmpty())
            charset = QStringLiteral("utf-8");
        if (charset.compare(QStringLiteral("windows-1251"), Qt::CaseInsensitive) == 0)
            body = TUCodePage::FromUnicode(QString::fromUtf8(body));
        const std::string contentType = "application/json; charset=" + charset.toStdString();

        const QString encoding = r.Param(QStringLiteral("standin_encoding"));
        if (!encoding.isEmpty()) {
            res.set_header("Content-Encoding", encoding.toStdString());
            if (r.Param(QStringLiteral("standin_raw")) != QStringLiteral("1"))
                body = StandinGzip(body);
        } else if (r.Headers.value("accept-encoding").contains("gzip")) {
            res.set_header("Content-Encoding", "gzip");
            body = StandinGzip(body);
        }
        const int status = r.Param(QStringLiteral("standin_status")).toInt();
        if (status > 0)
            res.status = status;

        const bool stall = r.Param(QStringLiteral("standin_stall")) == QStringLiteral("1");
        const bool cut = r.Param(QStringLiteral("standin_cut")) == QStringLiteral("1");
        auto shared = std::make_shared<QByteArray>(body);
        // Always through a provider with a length: the server library then leaves the bytes as
        // they are instead of packing them on its own.
        res.set_content_provider(size_t(body.size()), contentType,
            [this, shared, stall, cut](size_t offset, size_t length, httplib::DataSink &sink) {
                const qsizetype half = (stall || cut) ? shared->size() / 2 : shared->size();
                if (qsizetype(offset) < half) {
                    const qsizetype n = std::min<qsizetype>(qsizetype(length), half - qsizetype(offset));
                    return sink.write(shared->constData() + offset, size_t(n));
                }
                if (stall) {
                    std::unique_lock lock(FLock);
                    ++FStalled;
                    FRelease.wait_for(lock, std::chrono::seconds(10), [this] { return FReleased; });
                }
                return false;
            });
    };
    // Form posts keep their body byte for byte; multipart ones their parts in order.
    auto post = [answer](const httplib::Request &req, httplib::Response &res, const httplib::ContentReader &reader) {
        std::string body;
        httplib::MultipartFormDataItems parts;
        if (req.is_multipart_form_data()) {
            reader(
                [&parts](const httplib::MultipartFormData &header) {
                    parts.push_back(header);
                    return true;
                },
                [&parts](const char *data, size_t length) {
                    parts.back().content.append(data, length);
                    return true;
                });
        } else {
            reader([&body](const char *data, size_t length) {
                body.append(data, length);
                return true;
            });
        }
        answer(req, res, body, parts);
    };
    Server.Http().Post("/connect.php", post);
    Server.Http().Post("/query.php", post);
    Server.Http().Get("/query.php", [answer](const httplib::Request &req, httplib::Response &res) {
        answer(req, res, {}, {});
    });

    Server.Http().Get("/filebase_get.php", [this, record](const httplib::Request &req, httplib::Response &res) {
        const TStandinRequest r = record(req, {}, {});
        QString path;
        {
            std::lock_guard lock(FLock);
            const auto it = FFiles.constFind(r.Param(QStringLiteral("fid")));
            if (it != FFiles.constEnd() && it->first == r.Param(QStringLiteral("fhash")))
                path = it->second;
        }
        if (path.isEmpty() && FStore) {
            const auto stored = FStore->File(r.Param(QStringLiteral("fid")));
            if (stored && stored->Hash == r.Param(QStringLiteral("fhash")))
                path = stored->Path;
        }
        auto file = std::make_shared<QFile>(path);
        if (path.isEmpty() || !file->open(QIODevice::ReadOnly)) {
            res.status = 404;
            return;
        }
        bool cut = false;
        {
            std::lock_guard lock(FLock);
            cut = FFileFaults.CutDownloads;
        }
        const size_t end = cut ? size_t(file->size()) / 2 : size_t(file->size());
        res.set_content_provider(size_t(file->size()), "application/octet-stream",
            [file, end](size_t offset, size_t length, httplib::DataSink &sink) {
                if (offset >= end)
                    return false;
                length = std::min(length, end - offset);
                QByteArray chunk(qsizetype(std::min<size_t>(length, 256 * 1024)), Qt::Uninitialized);
                if (!file->seek(qint64(offset)))
                    return false;
                const qint64 n = file->read(chunk.data(), chunk.size());
                return n > 0 && sink.write(chunk.constData(), size_t(n));
            });
    });
}

TStandinService::~TStandinService()
{
    ReleaseStalled();
    FServer.Stop();
}

void TStandinService::AddFile(const QString &Fid, const QString &FHash, const QString &Path)
{
    std::lock_guard lock(FLock);
    FFiles.insert(Fid, {FHash, Path});
}

void TStandinService::AddUser(const QString &Login, const QString &Password, const QString &Name,
                              const QString &Email, const QString &Role, const QJsonObject &Raw)
{
    TStandinStore::TAccount a;
    a.Login = Login;
    a.Salt = randomBytes(16);
    a.Digest = StandinPasswordDigest(Password, a.Salt);
    a.Name = Name;
    a.Email = Email;
    a.Role = Role;
    a.Raw = Raw;
    std::lock_guard lock(FLock);
    FAccounts.insert(Login, a);
    if (FStore)
        FStore->PutAccount(a);
}

void TStandinService::SetSessionLifetime(std::chrono::milliseconds Value)
{
    std::lock_guard lock(FLock);
    FLifetime = Value;
}

void TStandinService::ExpireSessions()
{
    std::lock_guard lock(FLock);
    FSessions.clear();
}

int TStandinService::SessionCount() const
{
    std::lock_guard lock(FLock);
    return int(FSessions.size());
}

QByteArray TStandinService::SessionAnswer(const TStandinRequest &Request)
{
    const QString action = Request.Param(QStringLiteral("action"));
    std::lock_guard lock(FLock);
    const auto now = TClock::now();
    if (action == QStringLiteral("login")) {
        const QString login = Request.Param(QStringLiteral("login"));
        const auto it = FAccounts.constFind(login);
        if (it == FAccounts.constEnd() || login.isEmpty())
            return Envelope(13);
        const QByteArray digest = StandinPasswordDigest(Request.Param(QStringLiteral("password")), it->Salt);
        if (CRYPTO_memcmp(digest.constData(), it->Digest.constData(), size_t(digest.size())) != 0)
            return Envelope(13);
        const QString sidh = QString::fromLatin1(randomBytes(16).toHex());
        FSessions.insert(sidh, {login, now + FLifetime});
        const QJsonObject row{{QStringLiteral("sidh"), sidh},
                              {QStringLiteral("login"), login},
                              {QStringLiteral("user_name"), it->Name},
                              {QStringLiteral("user_email"), it->Email},
                              {QStringLiteral("role"), it->Role}};
        return Envelope(0, QJsonArray{QStringLiteral("sidh"), QStringLiteral("login"), QStringLiteral("user_name"),
                                      QStringLiteral("user_email"), QStringLiteral("role")},
                        row, it->Raw.isEmpty() ? QJsonObject{{QStringLiteral("user_config"), QJsonArray()}} : it->Raw);
    }
    if (!hasParam(Request, QStringLiteral("sidh")))
        return {};
    const auto session = FSessions.find(Request.Param(QStringLiteral("sidh")));
    if (session == FSessions.end() || session->Expires <= now) {
        if (session != FSessions.end())
            FSessions.erase(session);
        return Envelope(10);
    }
    if (action == QStringLiteral("disconnect")) {
        FSessions.erase(session);
        return Envelope(0);
    }
    session->Expires = now + FLifetime;
    if (action == QStringLiteral("cache"))
        return CacheAnswer();
    // The session is valid: a record action, or else the plain echo.
    return RecordAnswer(Request, session->Login);
}

void TStandinService::ReleaseStalled()
{
    {
        std::lock_guard lock(FLock);
        FReleased = true;
    }
    FRelease.notify_all();
}

QList<TStandinRequest> TStandinService::Requests() const
{
    std::lock_guard lock(FLock);
    return FRequests;
}

TStandinRequest TStandinService::LastRequest() const
{
    std::lock_guard lock(FLock);
    return FRequests.isEmpty() ? TStandinRequest() : FRequests.last();
}

int TStandinService::StalledCount() const
{
    std::lock_guard lock(FLock);
    return FStalled;
}
