#include "StandinStore.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QSaveFile>

#include <openssl/evp.h>
#include <sqlite3.h>

namespace {

constexpr int kDigestIterations = 10000;

// One prepared statement, finalised with the object; texts bound and read as UTF-8.
class TStatement {
public:
    TStatement(sqlite3 *Db, const char *Sql) { sqlite3_prepare_v2(Db, Sql, -1, &FStmt, nullptr); }
    ~TStatement() { sqlite3_finalize(FStmt); }
    TStatement(const TStatement &) = delete;
    TStatement &operator=(const TStatement &) = delete;

    TStatement &Bind(int I, const QString &Value)
    {
        const QByteArray utf8 = Value.toUtf8();
        sqlite3_bind_text(FStmt, I, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        return *this;
    }
    TStatement &Bind(int I, const QByteArray &Value)
    {
        sqlite3_bind_blob(FStmt, I, Value.constData(), int(Value.size()), SQLITE_TRANSIENT);
        return *this;
    }
    bool Step() { return FStmt && sqlite3_step(FStmt) == SQLITE_ROW; }
    bool Run() { return FStmt && sqlite3_step(FStmt) == SQLITE_DONE; }
    QString Text(int Col) const
    {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(FStmt, Col)),
                                 sqlite3_column_bytes(FStmt, Col));
    }
    QByteArray Blob(int Col) const
    {
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(FStmt, Col)), sqlite3_column_bytes(FStmt, Col));
    }
    QJsonObject Object(int Col) const { return QJsonDocument::fromJson(Text(Col).toUtf8()).object(); }

private:
    sqlite3_stmt *FStmt = nullptr;
};

QString compact(const QJsonObject &Value) { return QString::fromUtf8(QJsonDocument(Value).toJson(QJsonDocument::Compact)); }

QJsonDocument readJson(const QString &Path)
{
    QFile f(Path);
    return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()) : QJsonDocument();
}

// A member as the text the service sends: strings as they are, numbers by their digits.
QString textOf(const QJsonValue &Value)
{
    return Value.isDouble() ? QString::number(Value.toDouble(), 'g', 17) : Value.toString();
}

} // namespace

QByteArray StandinPasswordDigest(const QString &Password, const QByteArray &Salt)
{
    const QByteArray utf8 = Password.toUtf8();
    QByteArray digest(32, Qt::Uninitialized);
    PKCS5_PBKDF2_HMAC(utf8.constData(), int(utf8.size()), reinterpret_cast<const unsigned char *>(Salt.constData()),
                      int(Salt.size()), kDigestIterations, EVP_sha256(), int(digest.size()),
                      reinterpret_cast<unsigned char *>(digest.data()));
    return digest;
}

TStandinStore::TStandinStore(const QString &Folder, const QString &Seed) : FFolder(QDir(Folder).absolutePath())
{
    if (!QDir().mkpath(FFolder + QStringLiteral("/files"))) {
        FError = QStringLiteral("cannot make the data folder ") + FFolder;
        return;
    }
    const QString file = FFolder + QStringLiteral("/service.sqlite");
    const bool made = !QFileInfo::exists(file);
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &FDb,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
        FError = QStringLiteral("cannot open ") + file;
        return;
    }
    sqlite3_busy_timeout(FDb, 5000);
    Exec("PRAGMA journal_mode=WAL;"
         "CREATE TABLE IF NOT EXISTS settings(name TEXT PRIMARY KEY, value TEXT);"
         "CREATE TABLE IF NOT EXISTS records(kind TEXT, key TEXT, body TEXT, PRIMARY KEY(kind, key));"
         "CREATE TABLE IF NOT EXISTS workstations(xdb TEXT PRIMARY KEY, xid TEXT);"
         "CREATE TABLE IF NOT EXISTS accounts(login TEXT PRIMARY KEY, salt BLOB, digest BLOB, name TEXT, email TEXT,"
         " role TEXT, raw TEXT);"
         "CREATE TABLE IF NOT EXISTS files(fid INTEGER PRIMARY KEY, hash TEXT, ext TEXT, updated TEXT);");
    if (made && FError.isEmpty() && !Seed.isEmpty())
        this->Seed(Seed);
}

TStandinStore::~TStandinStore() { sqlite3_close(FDb); }

void TStandinStore::Exec(const char *Sql)
{
    char *message = nullptr;
    if (sqlite3_exec(FDb, Sql, nullptr, nullptr, &message) != SQLITE_OK && FError.isEmpty())
        FError = QString::fromUtf8(message ? message : "database error");
    sqlite3_free(message);
}

void TStandinStore::Seed(const QString &Seed)
{
    std::lock_guard lock(FLock);
    Exec("BEGIN");
    const QJsonObject settings = readJson(Seed + QStringLiteral("/settings.json")).object();
    for (auto it = settings.begin(); it != settings.end(); ++it)
        SetSetting(it.key(), textOf(it.value()));
    for (const QJsonValue w : readJson(Seed + QStringLiteral("/workstations.json")).array())
        PutWorkstation(textOf(w[QStringLiteral("xdb")]), textOf(w[QStringLiteral("xid")]));
    for (const QJsonValue a : readJson(Seed + QStringLiteral("/accounts.json")).array()) {
        TAccount account;
        account.Login = a[QStringLiteral("login")].toString();
        account.Salt.resize(16);
        QRandomGenerator::system()->generate(account.Salt.begin(), account.Salt.end());
        account.Digest = StandinPasswordDigest(a[QStringLiteral("password")].toString(), account.Salt);
        account.Name = a[QStringLiteral("user_name")].toString();
        account.Email = a[QStringLiteral("user_email")].toString();
        account.Role = textOf(a[QStringLiteral("role")]);
        account.Raw = a[QStringLiteral("raw")].toObject();
        PutAccount(account);
    }
    // Sets in file-name order; a template's "file" becomes a stored file and its file columns.
    const QFileInfoList sets = QDir(Seed + QStringLiteral("/sets")).entryInfoList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    for (const QFileInfo &set : sets) {
        const QString name = set.completeBaseName();
        for (const QJsonValue v : readJson(set.absoluteFilePath()).array()) {
            QJsonObject record = v.toObject();
            const QString source = record.take(QStringLiteral("file")).toString();
            if (!source.isEmpty()) {
                QFile f(Seed + QStringLiteral("/files/") + source);
                const auto stored = f.open(QIODevice::ReadOnly)
                                        ? PutFile(textOf(record[QStringLiteral("fid")]), f.readAll(), record[QStringLiteral("ext")].toString())
                                        : std::nullopt;
                if (stored) {
                    record[QStringLiteral("fid")] = stored->Fid;
                    record[QStringLiteral("fhash")] = stored->Hash;
                    record[QStringLiteral("updated")] = stored->Updated;
                    record[QStringLiteral("ext")] = stored->Ext;
                }
            }
            const QString key = textOf(record.value(name == QStringLiteral("user") ? QStringLiteral("login") : name));
            PutRecord(name, key, record);
        }
    }
    Exec("COMMIT");
}

QJsonObject TStandinStore::Settings() const
{
    std::lock_guard lock(FLock);
    QJsonObject out;
    TStatement q(FDb, "SELECT name, value FROM settings");
    while (q.Step())
        out.insert(q.Text(0), q.Text(1));
    return out;
}

void TStandinStore::SetSetting(const QString &Name, const QString &Value)
{
    std::lock_guard lock(FLock);
    TStatement(FDb, "INSERT OR REPLACE INTO settings(name, value) VALUES(?, ?)").Bind(1, Name).Bind(2, Value).Run();
}

QJsonArray TStandinStore::Set(const QString &Name) const
{
    std::lock_guard lock(FLock);
    QJsonArray out;
    TStatement q(FDb, "SELECT body FROM records WHERE kind = ? ORDER BY rowid");
    q.Bind(1, Name);
    while (q.Step())
        out.append(q.Object(0));
    return out;
}

QJsonObject TStandinStore::Sets() const
{
    std::lock_guard lock(FLock);
    QJsonObject out;
    TStatement q(FDb, "SELECT DISTINCT kind FROM records ORDER BY kind");
    while (q.Step())
        out.insert(q.Text(0), Set(q.Text(0)));
    return out;
}

std::optional<QJsonObject> TStandinStore::Record(const QString &Set, const QString &Key) const
{
    std::lock_guard lock(FLock);
    TStatement q(FDb, "SELECT body FROM records WHERE kind = ? AND key = ?");
    q.Bind(1, Set).Bind(2, Key);
    if (!q.Step())
        return std::nullopt;
    return q.Object(0);
}

void TStandinStore::PutRecord(const QString &Set, const QString &Key, const QJsonObject &Value)
{
    std::lock_guard lock(FLock);
    // An update keeps the record's place in its set.
    TStatement update(FDb, "UPDATE records SET body = ? WHERE kind = ? AND key = ?");
    update.Bind(1, compact(Value)).Bind(2, Set).Bind(3, Key).Run();
    if (sqlite3_changes(FDb) == 0)
        TStatement(FDb, "INSERT INTO records(kind, key, body) VALUES(?, ?, ?)").Bind(1, Set).Bind(2, Key).Bind(3, compact(Value)).Run();
}

QList<QPair<QString, QString>> TStandinStore::Workstations() const
{
    std::lock_guard lock(FLock);
    QList<QPair<QString, QString>> out;
    TStatement q(FDb, "SELECT xdb, xid FROM workstations");
    while (q.Step())
        out.append({q.Text(0), q.Text(1)});
    return out;
}

void TStandinStore::PutWorkstation(const QString &XDB, const QString &XID)
{
    std::lock_guard lock(FLock);
    TStatement(FDb, "INSERT OR REPLACE INTO workstations(xdb, xid) VALUES(?, ?)").Bind(1, XDB).Bind(2, XID).Run();
}

QList<TStandinStore::TAccount> TStandinStore::Accounts() const
{
    std::lock_guard lock(FLock);
    QList<TAccount> out;
    TStatement q(FDb, "SELECT login, salt, digest, name, email, role, raw FROM accounts");
    while (q.Step())
        out.append({q.Text(0), q.Blob(1), q.Blob(2), q.Text(3), q.Text(4), q.Text(5), q.Object(6)});
    return out;
}

void TStandinStore::PutAccount(const TAccount &A)
{
    std::lock_guard lock(FLock);
    TStatement(FDb, "INSERT OR REPLACE INTO accounts(login, salt, digest, name, email, role, raw) VALUES(?, ?, ?, ?, ?, ?, ?)")
        .Bind(1, A.Login).Bind(2, A.Salt).Bind(3, A.Digest).Bind(4, A.Name).Bind(5, A.Email).Bind(6, A.Role)
        .Bind(7, compact(A.Raw)).Run();
}

std::optional<TStandinStore::TFile> TStandinStore::File(const QString &Fid) const
{
    std::lock_guard lock(FLock);
    TStatement q(FDb, "SELECT fid, hash, ext, updated FROM files WHERE fid = ?");
    q.Bind(1, Fid);
    if (!q.Step())
        return std::nullopt;
    return TFile{q.Text(0), q.Text(1), q.Text(2), q.Text(3), FFolder + QStringLiteral("/files/") + q.Text(0)};
}

std::optional<TStandinStore::TFile> TStandinStore::PutFile(const QString &Fid, const QByteArray &Content, const QString &Ext)
{
    std::lock_guard lock(FLock);
    QString fid = Fid;
    if (fid.isEmpty()) {
        TStatement q(FDb, "SELECT COALESCE(MAX(fid), 0) + 1 FROM files");
        fid = q.Step() ? q.Text(0) : QStringLiteral("1");
    }
    bool numeric = false;
    if (fid.toLongLong(&numeric) <= 0 || !numeric)
        return std::nullopt;
    TFile file{fid, QString::fromLatin1(QCryptographicHash::hash(Content, QCryptographicHash::Md5).toHex()), Ext,
               QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
               FFolder + QStringLiteral("/files/") + fid};
    QSaveFile out(file.Path);
    if (!out.open(QIODevice::WriteOnly) || out.write(Content) != Content.size() || !out.commit())
        return std::nullopt;
    TStatement(FDb, "INSERT OR REPLACE INTO files(fid, hash, ext, updated) VALUES(?, ?, ?, ?)")
        .Bind(1, file.Fid).Bind(2, file.Hash).Bind(3, file.Ext).Bind(4, file.Updated).Run();
    return file;
}
