#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>

#include <mutex>
#include <optional>

struct sqlite3;

// The stand-in service's data in one SQLite file, "service.sqlite" in its data folder, so that
// they survive restarts: the organisation's settings, the reference sets as the service sends
// them, the workstations allowed to connect, the accounts, and the file store's index (the
// files themselves lie in the folder's "files"). A new data folder is filled from a seed folder
// (settings.json, workstations.json, accounts.json, sets/NAME.json, files/). Every operation
// takes the store's lock; it may be used from any thread.
class TStandinStore {
public:
    struct TAccount {
        QString Login;
        QByteArray Salt;
        QByteArray Digest; // salted PBKDF2 of the password
        QString Name, Email, Role;
        QJsonObject Raw; // the "raw" part of the sign-in answer
    };
    struct TFile {
        QString Fid;
        QString Hash;    // of the content: a new content has a new hash
        QString Ext;
        QString Updated; // service date-time "yyyy-mm-dd hh:mm:ss"
        QString Path;    // on disk
    };

    // Opens or makes Folder/"service.sqlite"; a store made now is filled from Seed (nothing
    // when Seed is empty). Error() tells what failed.
    TStandinStore(const QString &Folder, const QString &Seed = {});
    ~TStandinStore();
    TStandinStore(const TStandinStore &) = delete;
    TStandinStore &operator=(const TStandinStore &) = delete;

    bool IsOpen() const { return FDb != nullptr && FError.isEmpty(); }
    const QString &Error() const { return FError; }
    const QString &Folder() const { return FFolder; }

    QJsonObject Settings() const;
    void SetSetting(const QString &Name, const QString &Value);

    // The reference set Name in the order its records were first stored.
    QJsonArray Set(const QString &Name) const;
    // Every stored set by name.
    QJsonObject Sets() const;
    std::optional<QJsonObject> Record(const QString &Set, const QString &Key) const;
    // Replaces the record with that key, or adds it at the end of its set.
    void PutRecord(const QString &Set, const QString &Key, const QJsonObject &Value);

    QList<QPair<QString, QString>> Workstations() const;
    void PutWorkstation(const QString &XDB, const QString &XID);

    QList<TAccount> Accounts() const;
    void PutAccount(const TAccount &Account);

    std::optional<TFile> File(const QString &Fid) const;
    // Stores Content as the file Fid (a new identifier when empty) with a new hash and the
    // current time, written beside its place and renamed into it; nullopt when it cannot be written.
    std::optional<TFile> PutFile(const QString &Fid, const QByteArray &Content, const QString &Ext);

private:
    void Exec(const char *Sql);
    void Seed(const QString &Seed);

    QString FFolder;
    QString FError;
    sqlite3 *FDb = nullptr;
    mutable std::recursive_mutex FLock;
};

// A password's salted digest, as accounts keep it.
QByteArray StandinPasswordDigest(const QString &Password, const QByteArray &Salt);
