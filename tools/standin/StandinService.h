#pragma once

#include "StandinStore.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

class TStandinServer;

// One request as it reached the stand-in service, byte for byte.
struct TStandinRequest {
    QByteArray Method;
    QByteArray Path;
    QByteArray Query;                       // the raw query, without "?"
    QMap<QByteArray, QByteArray> Headers;   // names in lower case
    QByteArray Body;                        // empty for multipart posts: see Parts
    // Form or query parameters, decoded, in their order; multipart parts as sent (still encoded).
    QList<QPair<QString, QString>> Params;
    QList<QPair<QString, QByteArray>> Parts; // multipart: file name and Content-Type of each part
    QString RemoteAddr;                     // the peer's address

    QString Param(const QString &Name) const;
};

// The hosted service's scripts on a stand-in server: "connect.php", "query.php" and
// "filebase_get.php". Every answer is the service's JSON envelope echoing the parameters as one
// row; test parameters starting with "standin_" make it misbehave:
//   standin_code=N        "code": N
//   standin_status=N      HTTP status N, the envelope as the body
//   standin_text=T        T as the whole answer body instead of the envelope
//   standin_size=N        pads the answer with a "raw" text to at least N bytes
//   standin_charset=C     Content-Type names C; windows-1251 texts are sent in that code page
//   standin_encoding=E    Content-Encoding E with a gzip body (or the plain one with standin_raw=1)
//   standin_stall=1       sends the first half of the answer, then nothing until released
//   standin_cut=1         sends the first half of the answer and closes the connection
// Without standin_encoding, an answer is packed as gzip when the request accepts it.
// "filebase_get.php" streams the file added under the request's "fid" and "fhash", else 404.
// "query.php" with action "filebase_add" or "filebase_set" keeps the part "data" as a file of
// its store (under DataDir) and answers its row: "fid", "fhash" (the content's digest, so new
// content gets a new hash), "updated" and "ext" (from the part's file name when added).
//
// Connecting: "connect.php" checks the workstation's signature of its database and client
// identifiers and workstation identifier (code 11 when it is wrong or the pair is unknown), the
// program version (code 15 below the minimum) and the peer's address (code 14 when denied), and
// answers the organisation's settings as row 0 with the reference sets in "raw".
//
// Records: with a store, the session actions "SET_list", "SET_view", "SET_add", "SET_edit" and
// "SET_delete" read and change the stored set SET (the key parameter is named like the set,
// "login" for users), as far as the signed-in user's rights allow (code 30 otherwise, also for
// a change of a field blocked for the role). "SET_view" and "SET_edit" take several keys
// separated by commas and answer one row per record found.
//
// Accounts and sessions (see the README's protocol notes): "query.php" with action "login" and
// the parameters "login" and "password" signs a user in (code 13 when refused) and opens a
// session; every "query.php" request that carries "sidh" must name an open session (code 10
// otherwise), and action "disconnect" closes it. Requests without "sidh" are echoed as above.
// Passwords are kept only as salted PBKDF2 digests; recorded requests carry "password" as "***"
// and no body. Action "cache" in a session answers with the reference sets as its "raw" part.
class TStandinService {
public:
    // Adds the routes to Server, which must not have started yet.
    explicit TStandinService(TStandinServer &Server);
    // Releases stalled answers and stops the server (its handlers use this object).
    ~TStandinService();
    TStandinService(const TStandinService &) = delete;
    TStandinService &operator=(const TStandinService &) = delete;

    // Takes the settings, reference sets, workstations, accounts and files from Store, which
    // outlives this object, and keeps what is added later there.
    void UseStore(TStandinStore *Store);
    void AddFile(const QString &Fid, const QString &FHash, const QString &Path);
    // The file store's folder; a temporary one unless set before the first upload.
    void SetDataDir(const QString &Dir);
    // The stored content under Fid (empty when there is none).
    QByteArray FileContent(const QString &Fid) const;
    // How the next file answers misbehave: downloads end halfway; uploads answer Code, without
    // their row, or with Hash as the file's hash; Stall holds the next upload's answer (counted
    // in StalledCount) until ReleaseStalled.
    struct TFileFaults {
        bool CutDownloads = false;
        bool Stall = false;
        int Code = 0;
        bool NoRow = false;
        QString Hash;
    };
    void SetFileFaults(const TFileFaults &Faults);
    // An account; Raw is the "raw" part of its sign-in answer (field layouts, rights, layouts).
    void AddUser(const QString &Login, const QString &Password, const QString &Name, const QString &Email,
                 const QString &Role, const QJsonObject &Raw = {});
    // A database and client pair the service knows.
    void AddWorkstation(const QString &XDB, const QString &XID);
    // Without a store: row 0 of every accepted connect answer (texts by wire name).
    void SetConnectAnswer(const QJsonObject &Settings);
    // Programs older than Version ("1.2.3.4", compared number by number) are refused.
    void SetMinVersion(const QString &Version);
    void DenyAddress(const QString &Address);
    // Without a store: the reference sets that connect answers and the "cache" action send (a
    // small sample of every set until set); a "user" set, unless Sets has one, lists the accounts.
    void SetReference(const QJsonObject &Sets);
    // How long a session lives after its last request.
    void SetSessionLifetime(std::chrono::milliseconds Value);
    // Every open session ends as if its time were up.
    void ExpireSessions();
    int SessionCount() const;
    // Lets stalled answers end (by closing their connections).
    void ReleaseStalled();

    // The service's answer envelope: the code, one row (none when Row is empty) and Raw.
    static QByteArray Envelope(int Code, const QJsonArray &Fields = {}, const QJsonObject &Row = {},
                               const QJsonObject &Raw = {});

    QList<TStandinRequest> Requests() const;
    TStandinRequest LastRequest() const;
    // Answers have been stalled since the start (for tests that wait for a transfer to hang).
    int StalledCount() const;

private:
    TStandinServer &FServer;
    mutable std::mutex FLock; // guards all fields below
    std::condition_variable FRelease;
    bool FReleased = false;
    int FStalled = 0;
    QList<TStandinRequest> FRequests;
    QMap<QString, QPair<QString, QString>> FFiles; // fid -> fhash, path
    // The file store (StandinFiles.cpp).
    struct TStoredFile {
        QString Updated;
        QString Ext;
    };
    QByteArray FileAnswer(const TStandinRequest &Request, const QByteArray &Data, const QString &DataName);
    QString StoreDirLocked();
    QMap<QString, TStoredFile> FStored; // fid -> what the store answers besides the hash
    QString FDataDir;
    std::shared_ptr<void> FOwnDataDir;
    qint64 FNextFid = 1000;
    TFileFaults FFileFaults;

    using TAccount = TStandinStore::TAccount;
    using TClock = std::chrono::steady_clock;
    struct TSession {
        QString Login;
        TClock::time_point Expires;
    };
    // A file store answer kept in the store (FLock held).
    QByteArray StoreFileAnswer(const QString &Action, const QString &Fid, const QByteArray &Data,
                               const QString &DataName);
    // The answer of a record action of the signed-in Login (FLock held), or an empty text.
    QByteArray RecordAnswer(const TStandinRequest &Request, const QString &Login);
    // The answer of a connect request.
    QByteArray ConnectAnswer(const TStandinRequest &Request) const;
    TStandinStore *FStore = nullptr;
    QMap<QString, QString> FWorkstations; // database -> client
    QJsonObject FConnectSettings;
    QString FMinVersion;
    QList<QString> FDeniedAddresses;
    // The answer of a sign-in or session request, or an empty text for the plain echo.
    QByteArray SessionAnswer(const TStandinRequest &Request);
    // The reference sets of connect and "cache" answers; called with FLock held.
    QJsonObject ReferenceSets() const;
    // The answer of "cache"; called with FLock held.
    QByteArray CacheAnswer() const;
    static QJsonObject SampleReference();
    QJsonObject FReference = SampleReference();
    QMap<QString, TAccount> FAccounts;  // by login
    QMap<QString, TSession> FSessions;  // by session identifier
    std::chrono::milliseconds FLifetime{std::chrono::minutes(30)};
};
