// The stand-in service's file store: uploads kept as files, answered with their rows.
#include "StandinService.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

#include <utility>

namespace {

// A file store answer: the file's row when there is one, always its four columns.
QByteArray fileEnvelope(int code, const QJsonObject &row)
{
    return TStandinService::Envelope(code,
                                     QJsonArray{QStringLiteral("fid"), QStringLiteral("fhash"), QStringLiteral("updated"),
                                                QStringLiteral("ext")},
                                     row);
}

QByteArray fileRow(const QString &Fid, const QString &Hash, const QString &Updated, const QString &Ext)
{
    return fileEnvelope(0, QJsonObject{{QStringLiteral("fid"), Fid},
                                       {QStringLiteral("fhash"), Hash},
                                       {QStringLiteral("updated"), Updated},
                                       {QStringLiteral("ext"), Ext}});
}

} // namespace

void TStandinService::SetDataDir(const QString &Dir)
{
    std::lock_guard lock(FLock);
    FDataDir = Dir;
}

void TStandinService::SetFileFaults(const TFileFaults &Faults)
{
    std::lock_guard lock(FLock);
    FFileFaults = Faults;
}

QByteArray TStandinService::FileContent(const QString &Fid) const
{
    QString path;
    {
        std::lock_guard lock(FLock);
        path = FFiles.value(Fid).second;
        if (path.isEmpty() && FStore)
            if (const auto stored = FStore->File(Fid))
                path = stored->Path;
    }
    QFile file(path);
    return !path.isEmpty() && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString TStandinService::StoreDirLocked()
{
    if (FDataDir.isEmpty()) {
        auto dir = std::make_shared<QTemporaryDir>();
        FDataDir = dir->path();
        FOwnDataDir = dir;
    }
    return FDataDir;
}

QByteArray TStandinService::FileAnswer(const TStandinRequest &Request, const QByteArray &Data, const QString &DataName)
{
    const QString action = Request.Param(QStringLiteral("action"));
    std::unique_lock lock(FLock);
    // Faults of uploads are for the next answer only.
    TFileFaults next;
    next.CutDownloads = FFileFaults.CutDownloads;
    const TFileFaults faults = std::exchange(FFileFaults, next);
    if (faults.Stall) {
        ++FStalled;
        FRelease.wait_for(lock, std::chrono::seconds(10), [this] { return FReleased; });
    }
    if (faults.Code != 0 || faults.NoRow)
        return fileEnvelope(faults.Code, {});

    if (FStore)
        return StoreFileAnswer(action, Request.Param(QStringLiteral("fid")), Data, DataName);
    QString fid;
    TStoredFile stored;
    if (action == QStringLiteral("filebase_add")) {
        fid = QString::number(FNextFid++);
        stored.Ext = QFileInfo(DataName).suffix();
    } else if (action == QStringLiteral("filebase_set")) {
        fid = Request.Param(QStringLiteral("fid"));
        if (!FFiles.contains(fid))
            return fileEnvelope(5, {});
        stored = FStored.value(fid);
    } else {
        return fileEnvelope(5, {});
    }
    const QString hash = faults.Hash.isEmpty()
                             ? QString::fromLatin1(QCryptographicHash::hash(Data, QCryptographicHash::Md5).toHex())
                             : faults.Hash;
    const QString path = QDir(StoreDirLocked()).filePath(fid + QStringLiteral(".bin"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(Data) != Data.size())
        return fileEnvelope(1, {});
    stored.Updated = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    FStored.insert(fid, stored);
    FFiles.insert(fid, {hash, path});
    return fileRow(fid, hash, stored.Updated, stored.Ext);
}

QByteArray TStandinService::StoreFileAnswer(const QString &Action, const QString &Fid, const QByteArray &Data,
                                            const QString &DataName)
{
    const bool add = Action == QStringLiteral("filebase_add");
    if (!add && Action != QStringLiteral("filebase_set"))
        return fileEnvelope(5, {});
    std::optional<TStandinStore::TFile> old;
    if (!add && !(old = FStore->File(Fid)))
        return fileEnvelope(5, {});
    const auto stored = FStore->PutFile(add ? QString() : Fid, Data, add ? QFileInfo(DataName).suffix() : old->Ext);
    if (!stored)
        return fileEnvelope(1, {});
    // The templates made of this file name its new version from now on.
    for (const QString &set : {QStringLiteral("doc_template"), QStringLiteral("mail_template")}) {
        for (const QJsonValue v : FStore->Set(set)) {
            QJsonObject record = v.toObject();
            if (record.value(QStringLiteral("fid")).toVariant().toString() != stored->Fid)
                continue;
            record.insert(QStringLiteral("fhash"), stored->Hash);
            record.insert(QStringLiteral("updated"), stored->Updated);
            FStore->PutRecord(set, record.value(set).toVariant().toString(), record);
        }
    }
    return fileRow(stored->Fid, stored->Hash, stored->Updated, stored->Ext);
}
