#include "UnitDocTracking.h"

#include "UCodePage.h"
#include "UDebug.h"
#include "UException.h"
#include "UHandOver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QSaveFile>

#include <cmath>
#include <condition_variable>
#include <limits>
#include <vector>

namespace {

constexpr qint64 MSecsPerDay = 86400000;
// Passes delete unchanged copies older than this many whole days.
constexpr int KeepDays = 30;

// The copy's last modification time in milliseconds since the epoch; false when there is no
// such file.
bool fileStamp(const QString &name, qint64 &stamp)
{
    // One look-up of the entry: a missing file has no modification time.
    const QDateTime modified = QFileInfo(name).lastModified();
    if (!modified.isValid())
        return false;
    stamp = modified.toMSecsSinceEpoch();
    return true;
}

// The local date-time of a stamp. The offset from UTC changes only at whole hours, and reading
// it means a time-zone look-up, so each thread keeps the offset of the hour it last converted.
TDateTime dateOfStamp(qint64 stamp)
{
    constexpr qint64 MSecsPerHour = 3600000;
    thread_local qint64 cachedHour = std::numeric_limits<qint64>::min();
    thread_local qint64 offsetMSecs = 0;
    const qint64 hour = stamp >= 0 ? stamp / MSecsPerHour : (stamp - MSecsPerHour + 1) / MSecsPerHour;
    if (hour != cachedHour) {
        offsetMSecs = qint64(QDateTime::fromMSecsSinceEpoch(stamp).offsetFromUtc()) * 1000;
        cachedHour = hour;
    }
    const qint64 local = stamp + offsetMSecs;
    const qint64 day = local >= 0 ? local / MSecsPerDay : (local - MSecsPerDay + 1) / MSecsPerDay;
    // Days since 1899-12-30 (the epoch is day 25569), then the time of day, as TDateTime makes them.
    constexpr qint64 EpochDays = 25569;
    if (day + EpochDays < 0)
        return TDateTime::FromQDateTime(QDateTime::fromMSecsSinceEpoch(stamp));
    return TDateTime(double(day + EpochDays) + double(local - day * MSecsPerDay) / double(MSecsPerDay));
}

bool sameFile(const TUAPIFile &a, const TUAPIFile &b)
{
    return a.FID.TheSame(b.FID) && a.FHash == b.FHash && a.Updated == b.Updated && a.Ext == b.Ext;
}

void logLine(const QString &line)
{
    try {
        TUDebug::Log(line);
    } catch (...) {
        qWarning("%s", qPrintable(line));
    }
}

// Names Windows keeps for devices, whatever extension follows.
bool deviceName(QStringView base)
{
    static const QStringList names{QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                   QStringLiteral("NUL"), QStringLiteral("CONIN$"), QStringLiteral("CONOUT$")};
    const QString upper = base.trimmed().toString().toUpper();
    if (names.contains(upper))
        return true;
    // COM1..COM9 and LPT1..LPT9, also with the superscript digits Windows accepts.
    if (upper.size() == 4 && (upper.startsWith(u"COM") || upper.startsWith(u"LPT"))) {
        const QChar d = upper.at(3);
        return (d >= u'0' && d <= u'9') || d == QChar(0x00B9) || d == QChar(0x00B2) || d == QChar(0x00B3);
    }
    return false;
}

// Parts of a file name that stay inside their folder on every platform.
bool safePart(const QString &part, bool mayBeEmpty)
{
    if (part.isEmpty())
        return mayBeEmpty;
    for (const QChar c : part) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringView(u"/\\:*?\"<>|").contains(c))
            return false;
    }
    // Windows drops trailing dots and blanks, so "a." would be another file than the one named.
    return !part.endsWith(u'.') && !part.endsWith(u' ') && !part.contains(QStringLiteral(".."));
}

QByteArray rowLine(const TDocTrackingRow &row)
{
    const TUAPIFile &f = row.FileData;
    const QJsonObject o{{QStringLiteral("fid"), qint64(f.FID.IntKey() ? f.FID.Int() : 0)},
                        {QStringLiteral("fhash"), f.FHash.ToString()},
                        {QStringLiteral("updated"), f.Updated.IsNull() ? QString() : TDateTimeStr(f.Updated).Data},
                        {QStringLiteral("ext"), f.Ext}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

// A number key from "fid": a JSON integer, or a text of decimal digits as the service sends in
// its answers; anything else is no key.
TUDataKey fidOf(const QJsonValue &v)
{
    qint64 n = 0;
    if (v.isDouble()) {
        const double d = v.toDouble();
        if (d != std::floor(d))
            return {};
        n = qint64(d);
    } else if (v.isString()) {
        bool ok = false;
        n = v.toString().toLongLong(&ok);
        if (!ok)
            return {};
    } else {
        return {};
    }
    if (n <= 0 || n > qint64(std::numeric_limits<uint32_t>::max()))
        return {};
    return TUDataKey(uint32_t(n));
}

} // namespace

// ---- TDocTracking

TDocTracking::TDocTracking() = default;

TDocTracking::~TDocTracking()
{
    try {
        Sync();
        SaveToFile();
    } catch (...) {
        logLine(QStringLiteral("Docs tracking: ") + UErrorText(std::current_exception()));
    }
}

QString TDocTracking::IniFile() const
{
    std::lock_guard lock(FLock);
    return FIniFile;
}

void TDocTracking::SetIniFile(const QString &Value)
{
    std::lock_guard lock(FLock);
    FIniFile = Value;
}

QString TDocTracking::CachePath() const
{
    std::lock_guard lock(FLock);
    return FCachePath;
}

void TDocTracking::SetCachePath(const QString &Value)
{
    std::lock_guard lock(FLock);
    FCachePath = Value;
    if (!FCachePath.isEmpty() && !FCachePath.endsWith(u'/') && !FCachePath.endsWith(QDir::separator()))
        FCachePath += QDir::separator();
}

bool TDocTracking::Active() const
{
    std::lock_guard lock(FLock);
    return FActive;
}

void TDocTracking::SetActive(bool Value)
{
    std::lock_guard lock(FLock);
    FActive = Value;
}

TDocTrackingStat TDocTracking::Stat() const
{
    std::lock_guard lock(FLock);
    return FSyncStat;
}

int TDocTracking::Count() const
{
    std::lock_guard lock(FLock);
    return FList.Count();
}

void TDocTracking::SetOnDocumentModify(TDocumentModifyEvent Value)
{
    std::lock_guard lock(FLock);
    FOnDocumentModify = std::move(Value);
}

TDocTrackingRow TDocTracking::Row(const TUDataKey &FID) const
{
    std::lock_guard lock(FLock);
    return FList.GetKeyValue(FID);
}

bool TDocTracking::SafeFileName(const TUAPIFile &AFile)
{
    const QString hash = AFile.FHash.ToString();
    if (!safePart(hash, false) || !safePart(AFile.Ext, true) || hash.startsWith(u' '))
        return false;
    // The device check looks at what comes before the first dot of the whole name.
    const QString name = AFile.FileName();
    return !deviceName(QStringView(name).left(name.indexOf(u'.') < 0 ? name.size() : name.indexOf(u'.')));
}

QString TDocTracking::GetFileNameLocked(const TUAPIFile &AFile) const
{
    if (!SafeFileName(AFile))
        return {};
    return FCachePath + AFile.FileName();
}

QString TDocTracking::GetFileName(const TUAPIFile &AFile) const
{
    std::lock_guard lock(FLock);
    return GetFileNameLocked(AFile);
}

bool TDocTracking::InCache(const TUAPIFile &AFile) const
{
    if (!AFile.IsSet())
        return false;
    const QString name = GetFileName(AFile);
    return !name.isEmpty() && QFileInfo::exists(name);
}

bool TDocTracking::IsLastVersion(const TUAPIFile &AFile) const
{
    if (!InCache(AFile))
        return false;
    std::lock_guard lock(FLock);
    const TDocTrackingRow *row = FList.Find(AFile.FID);
    return row && row->FileData.IsSet() && AFile.Updated <= row->FileData.Updated;
}

bool TDocTracking::Replace(const TUAPIFile &AFile)
{
    if (!AFile.IsSet())
        return false;
    std::lock_guard lock(FLock);
    return UpdateRowLocked(AFile);
}

bool TDocTracking::Remove(const TUAPIFile &AFile, bool RemoveFile)
{
    if (!AFile.IsSet())
        return false;
    std::lock_guard lock(FLock);
    FList.Remove(AFile.FID);
    const QString name = GetFileNameLocked(AFile);
    if (RemoveFile && !name.isEmpty())
        QFile::remove(name);
    return true;
}

bool TDocTracking::UpdateRow(const TUAPIFile &AFile)
{
    std::lock_guard lock(FLock);
    return UpdateRowLocked(AFile);
}

bool TDocTracking::UpdateRowLocked(const TUAPIFile &AFile)
{
    // A row nobody could look up again, or whose file has no safe name, is never taken over.
    const QString name = GetFileNameLocked(AFile);
    qint64 stamp = 0;
    if (!AFile.IsSet() || name.isEmpty() || !fileStamp(name, stamp))
        return false;
    TDocTrackingRow row = FList.GetKeyValue(AFile.FID);
    row.FileData = AFile;
    row.ModifyStamp = stamp;
    row.ModifyDate = dateOfStamp(stamp);
    FList.SetKeyValue(AFile.FID, row);
    return true;
}

bool TDocTracking::DoDocumentModify(const TUAPIFile &AFile)
{
    TLock lock(FLock);
    qint64 stamp = 0;
    const QString name = GetFileNameLocked(AFile);
    if (name.isEmpty() || !fileStamp(name, stamp))
        stamp = 0;
    return DocumentModifyLocked(lock, AFile, stamp);
}

bool TDocTracking::DocumentModifyLocked(TLock &Lock, const TUAPIFile &AFile, qint64 ModifyStamp)
{
    if (!FOnDocumentModify)
        return false;
    ++FSyncStat.DocModifyCount;
    const TDocumentModifyEvent handler = FOnDocumentModify;
    TUAPIFile sent = AFile;
    bool accepted = false;
    Lock.unlock();
    try {
        accepted = handler(this, sent);
    } catch (...) {
        logLine(QStringLiteral("Docs tracking: ") + UErrorText(std::current_exception()));
    }
    Lock.lock();
    if (!accepted)
        return false;
    ++FSyncStat.DocModifySuccessCount;
    SentBackLocked(AFile, sent, ModifyStamp);
    return true;
}

qint64 TDocTracking::CopyStamp(const TUAPIFile &AFile) const
{
    std::lock_guard lock(FLock);
    const QString name = GetFileNameLocked(AFile);
    qint64 stamp = 0;
    if (name.isEmpty() || !fileStamp(name, stamp))
        return 0;
    return stamp;
}

void TDocTracking::SentBack(const TUAPIFile &Sent, const TUAPIFile &Answered, qint64 StampBefore)
{
    std::lock_guard lock(FLock);
    SentBackLocked(Sent, Answered, StampBefore);
}

void TDocTracking::SentBackLocked(const TUAPIFile &Sent, TUAPIFile Answered, qint64 StampBefore)
{
    if (!Sent.IsSet())
        return;
    if (!Answered.IsSet())
        Answered = Sent;
    // Taken over unless the main thread gave the row other file data meanwhile.
    const TDocTrackingRow *row = FList.Find(Sent.FID);
    if (row && !sameFile(row->FileData, Sent))
        return;
    const QString oldName = GetFileNameLocked(Sent);
    const QString newName = GetFileNameLocked(Answered);
    if (oldName.isEmpty())
        return;
    if (newName.isEmpty()) {
        // The service's version cannot be named in the cache: it is not tracked any more.
        logLine(QStringLiteral("Docs tracking: refused file name from the service for ") + Answered.FID.ToString());
        FList.Remove(Sent.FID);
        return;
    }
    if (newName != oldName) {
        // A new hash: the copy moves to its new name and its row follows it.
        if (QFileInfo::exists(newName))
            QFile::remove(newName);
        if (!QFile::rename(oldName, newName)) {
            logLine(QStringLiteral("Docs tracking: cannot rename ") + oldName + QStringLiteral(" to ") + newName);
            Answered = Sent;
        }
    }
    if (!QFileInfo::exists(GetFileNameLocked(Answered))) {
        FList.Remove(Sent.FID);
        return;
    }
    // The time seen before the upload: a save made while it ran is still newer and goes next.
    TDocTrackingRow updated;
    updated.FileData = Answered;
    updated.ModifyStamp = StampBefore;
    updated.ModifyDate = StampBefore ? dateOfStamp(StampBefore) : TDateTime();
    if (!Answered.FID.TheSame(Sent.FID))
        FList.Remove(Sent.FID);
    FList.SetKeyValue(Answered.FID, updated);
}

bool TDocTracking::Sync()
{
    std::lock_guard pass(FPassLock);
    TLock lock(FLock);
    if (!FActive)
        return false;
    ++FSyncStat.SyncCount;

    // The start of the current day, KeepDays + 1 whole days back: a copy last changed at or
    // before it lies more than KeepDays whole days before today.
    const QDateTime cutoff(QDate::currentDate().addDays(-(KeepDays + 1)), QTime(0, 0));
    const qint64 cutoffStamp = cutoff.toMSecsSinceEpoch();

    struct TModified {
        TUAPIFile File;
        qint64 Stamp;
    };
    std::vector<TUDataKey> forget;
    std::vector<TModified> modified;
    for (const auto &[key, row] : FList) {
        const QString name = GetFileNameLocked(row.FileData);
        qint64 stamp = 0;
        if (name.isEmpty() || !fileStamp(name, stamp)) {
            forget.push_back(key);
        } else if (stamp > row.ModifyStamp) {
            modified.push_back({row.FileData, stamp});
        } else if (stamp != 0 && stamp <= cutoffStamp) {
            forget.push_back(key);
            QFile::remove(name);
        }
    }
    bool changed = false;
    for (const TUDataKey &key : forget)
        FList.Remove(key);
    // At most one accepted document per pass; a refused one leaves the next its turn.
    for (const TModified &m : modified) {
        if (DocumentModifyLocked(lock, m.File, m.Stamp)) {
            changed = true;
            break;
        }
    }
    if (!forget.empty())
        changed = true;
    ++FSyncStat.SyncSuccessCount;
    return changed;
}

bool TDocTracking::LoadFromFile()
{
    std::lock_guard lock(FLock);
    FList.Clear();
    if (FIniFile.isEmpty())
        return false;
    QFile file(FIniFile);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString text = TUCodePage::ToUnicode(file.readAll());
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QJsonDocument doc = QJsonDocument::fromJson(line.toUtf8());
        if (!doc.isObject())
            continue;
        const QJsonObject o = doc.object();
        TUAPIFile f;
        f.FID = fidOf(o.value(QLatin1StringView("fid")));
        // TUAPIKey keeps the first 32 characters.
        f.FHash = TUAPIKey(o.value(QLatin1StringView("fhash")).toString());
        f.Updated = TDateTimeFormat::SQL().ParseDateTime(o.value(QLatin1StringView("updated")).toString());
        f.Ext = o.value(QLatin1StringView("ext")).toString();
        UpdateRowLocked(f);
    }
    return true;
}

bool TDocTracking::SaveToFile()
{
    std::lock_guard lock(FLock);
    if (FIniFile.isEmpty())
        return false;
    QByteArray utf8 = QByteArrayLiteral("# QUILLMARSH\r\n# Docs tracking file.\r\n# Do not edit manually!\r\n");
    utf8.reserve(utf8.size() + qsizetype(FList.Count()) * 100);
    for (const auto &[key, row] : FList) {
        utf8 += rowLine(row);
        utf8 += "\r\n";
    }
    // The old file stays whole until the new one is complete.
    QSaveFile file(FIniFile);
    if (!file.open(QIODevice::WriteOnly))
        throw EUError(QStringLiteral("Cannot create file ") + FIniFile);
    const QByteArray bytes = TUCodePage::FromUnicode(QString::fromUtf8(utf8));
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw EUError(QStringLiteral("Cannot write file ") + FIniFile);
    return true;
}

// ---- TDocTrackingThread

struct TDocTrackingThread::TState {
    TState(TDocTracking *tracking, QObject *owner) : Tracking(tracking), HandOver(owner) {}

    TDocTracking *const Tracking;
    THandOver HandOver;
    std::mutex Lock; // guards SleepMs and Terminated
    std::condition_variable Wake;
    uint32_t SleepMs = 30000;
    bool Terminated = false;
    bool Started = false; // owner's thread only

    void Run()
    {
        std::unique_lock lock(Lock);
        while (!Terminated) {
            lock.unlock();
            try {
                if (Tracking->Sync())
                    Tracking->SaveToFile();
            } catch (...) {
                logLine(QStringLiteral("Docs tracking: ") + UErrorText(std::current_exception()));
            }
            lock.lock();
            const uint32_t pause = SleepMs;
            Wake.wait_for(lock, std::chrono::milliseconds(pause), [this] { return Terminated; });
        }
    }
};

TDocTrackingThread::TDocTrackingThread(TDocTracking *ATracking, QObject *Owner)
{
    UAssert(ATracking != nullptr, QStringLiteral("ATracking must be assigned"));
    FState = std::make_unique<TState>(ATracking, Owner);
}

TDocTrackingThread::~TDocTrackingThread() { WaitFor(); }

uint32_t TDocTrackingThread::SleepTime() const
{
    std::lock_guard lock(FState->Lock);
    return FState->SleepMs / 1000;
}

void TDocTrackingThread::SetSleepTime(uint32_t Seconds) { SetSleepTimeMs(Seconds * 1000); }

void TDocTrackingThread::SetSleepTimeMs(uint32_t Milliseconds)
{
    {
        std::lock_guard lock(FState->Lock);
        FState->SleepMs = Milliseconds;
    }
    FState->Wake.notify_all();
}

void TDocTrackingThread::Start()
{
    if (FState->Started)
        return;
    FState->Started = true;
    FState->HandOver.Start([state = FState.get()] { state->Run(); });
}

bool TDocTrackingThread::Started() const { return FState->Started; }

void TDocTrackingThread::Terminate()
{
    {
        std::lock_guard lock(FState->Lock);
        FState->Terminated = true;
    }
    FState->Wake.notify_all();
}

bool TDocTrackingThread::Terminated() const
{
    std::lock_guard lock(FState->Lock);
    return FState->Terminated;
}

void TDocTrackingThread::WaitFor()
{
    Terminate();
    FState->HandOver.Close();
    FState->HandOver.Join();
}

bool TDocTrackingThread::Send(const std::function<void()> &Call) { return FState->HandOver.Send(Call); }
