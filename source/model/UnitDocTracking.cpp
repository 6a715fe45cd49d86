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

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#ifdef Q_OS_LINUX
#include <sys/stat.h>
#endif

namespace {

constexpr qint64 MSecsPerDay = 86400000;
// Passes delete unchanged copies older than this many whole days.
constexpr int KeepDays = 30;

// The copy's last modification time in milliseconds since the epoch; false when there is no
// such file.
bool fileStamp(const QString &name, qint64 &stamp)
{
    // One look-up of the entry: a missing file has no modification time.
#ifdef Q_OS_LINUX
    // The entry itself: the file-info class hands the time over as local time, and every
    // conversion there and back reads the time-zone file again.
    struct stat st;
    if (name.isEmpty() || ::stat(QFile::encodeName(name).constData(), &st) != 0)
        return false;
    stamp = qint64(st.st_mtim.tv_sec) * 1000 + qint64(st.st_mtim.tv_nsec) / 1000000;
    return true;
#else
    const QDateTime modified = QFileInfo(name).lastModified();
    if (!modified.isValid())
        return false;
    stamp = modified.toMSecsSinceEpoch();
    return true;
#endif
}

// The service form "yyyy-mm-dd hh:mm:ss" read straight; any other text goes to the general
// reader, which gives the same for this form.
TDateTime serviceDateTime(const QString &text)
{
    constexpr char16_t shape[] = u"dddd-dd-dd dd:dd:dd";
    if (text.size() != 19)
        return TDateTimeFormat::SQL().ParseDateTime(text);
    int digits[14];
    int n = 0;
    for (qsizetype i = 0; i < 19; ++i) {
        const char16_t c = text.at(i).unicode();
        if (shape[i] != u'd') {
            if (c != shape[i])
                return TDateTimeFormat::SQL().ParseDateTime(text);
        } else if (c >= u'0' && c <= u'9') {
            digits[n++] = c - u'0';
        } else {
            return TDateTimeFormat::SQL().ParseDateTime(text);
        }
    }
    const auto num = [&digits](int from, int count) {
        int v = 0;
        for (int i = from; i < from + count; ++i)
            v = v * 10 + digits[i];
        return v;
    };
    return TDateTime::Encode(num(0, 4), num(4, 2), num(6, 2), num(8, 2), num(10, 2), num(12, 2));
}

// A line exactly as SaveToFile writes it with plain ASCII texts without escapes:
// {"ext":"..","fhash":"..","fid":N,"updated":".."}. Read straight into AFile, as the JSON
// reader would read it; false for any other line, which then goes to the JSON reader.
bool readWrittenLine(QByteArrayView line, TUAPIFile &AFile)
{
    qsizetype pos = 0;
    const auto literal = [&](QByteArrayView text) {
        if (!line.sliced(pos).startsWith(text))
            return false;
        pos += text.size();
        return true;
    };
    const auto text = [&](QByteArrayView &out) {
        const qsizetype from = pos;
        while (pos < line.size() && line[pos] != '"') {
            const auto c = static_cast<unsigned char>(line[pos]);
            if (c < 0x20 || c > 0x7E || c == '\\')
                return false;
            ++pos;
        }
        out = line.sliced(from, pos - from);
        return pos < line.size();
    };
    QByteArrayView ext, hash, updated;
    if (!literal("{\"ext\":\"") || !text(ext) || !literal("\",\"fhash\":\"") || !text(hash) || !literal("\",\"fid\":"))
        return false;
    // A JSON integer: no sign, no leading zero; ten digits at most keep it exact.
    const qsizetype digitsFrom = pos;
    qint64 fid = 0;
    while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9' && pos - digitsFrom < 10)
        fid = fid * 10 + (line[pos++] - '0');
    const qsizetype digits = pos - digitsFrom;
    if (digits == 0 || (digits > 1 && line[digitsFrom] == '0'))
        return false;
    if (!literal(",\"updated\":\"") || !text(updated) || !literal("\"}") || pos != line.size())
        return false;
    AFile = TUAPIFile();
    AFile.FID = fid > 0 && fid <= qint64(std::numeric_limits<uint32_t>::max()) ? TUDataKey(uint32_t(fid)) : TUDataKey();
    // Plain ASCII is the same in the code page: the key keeps the first 32 characters.
    AFile.FHash = TUAPIKey::FromBytes(hash);
    AFile.Updated = serviceDateTime(QString::fromLatin1(updated));
    AFile.Ext = QString::fromLatin1(ext);
    return true;
}

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
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
    base = base.trimmed();
    // None is longer than seven characters, and upper case is never shorter.
    if (base.size() > 7)
        return false;
    const QString upper = base.toString().toUpper();
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
    char16_t previous = 0;
    for (const QChar qc : part) {
        const char16_t c = qc.unicode();
        if (c < 0x20 || c == 0x7F)
            return false;
        switch (c) {
        case u'/': case u'\\': case u':': case u'*': case u'?': case u'"': case u'<': case u'>': case u'|':
            return false;
        case u'.':
            if (previous == u'.')
                return false;
            break;
        default:
            break;
        }
        previous = c;
    }
    // Windows drops trailing dots and blanks, so "a." would be another file than the one named.
    return !part.endsWith(u'.') && !part.endsWith(u' ');
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

// Printable ASCII without quote and backslash: a JSON string holds it as it is, and it reads
// the same in the code page.
bool plainChar(char16_t c) { return c >= 0x20 && c <= 0x7E && c != u'"' && c != u'\\'; }

bool plainText(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return plainChar(static_cast<unsigned char>(c)); });
}

bool plainText(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return plainChar(c.unicode()); });
}

// The row's line in the code page, as the JSON writer makes it (members in name order); plain
// rows are written straight.
QByteArray rowBytes(const TDocTrackingRow &row)
{
    const TUAPIFile &f = row.FileData;
    const QByteArrayView hash = f.FHash.Bytes();
    const QString updated = f.Updated.IsNull() ? QString() : TDateTimeStr(f.Updated).Data;
    if (!plainText(hash) || !plainText(QStringView(f.Ext)) || !plainText(QStringView(updated)))
        return TUCodePage::FromUnicode(QString::fromUtf8(rowLine(row)));
    QByteArray line;
    line.reserve(64 + hash.size() + f.Ext.size());
    line += "{\"ext\":\"";
    line += f.Ext.toLatin1();
    line += "\",\"fhash\":\"";
    line += hash;
    line += "\",\"fid\":";
    line += QByteArray::number(qint64(f.FID.IntKey() ? f.FID.Int() : 0));
    line += ",\"updated\":\"";
    line += updated.toLatin1();
    line += "\"}";
    return line;
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

// Any other line of the tracking file in the code page: false when it is not a JSON object.
bool readJsonLine(QByteArrayView line, TUAPIFile &AFile)
{
    // The code page agrees with UTF-8 on plain ASCII.
    const QByteArray json = isAscii(line) ? QByteArray::fromRawData(line.data(), line.size())
                                          : TUCodePage::ToUnicode(line).toUtf8();
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    if (!doc.isObject())
        return false;
    const QJsonObject o = doc.object();
    AFile = TUAPIFile();
    AFile.FID = fidOf(o.value(QLatin1StringView("fid")));
    // TUAPIKey keeps the first 32 characters.
    AFile.FHash = TUAPIKey(o.value(QLatin1StringView("fhash")).toString());
    AFile.Updated = serviceDateTime(o.value(QLatin1StringView("updated")).toString());
    AFile.Ext = o.value(QLatin1StringView("ext")).toString();
    return true;
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
    if (!FUnchecked)
        return FList.Count();
    int n = 0;
    qint64 stamp = 0;
    for (const auto &[key, row] : FList) {
        if (!row.Unchecked || fileStamp(GetFileNameLocked(row.FileData), stamp))
            ++n;
    }
    return n;
}

void TDocTracking::SetOnDocumentModify(TDocumentModifyEvent Value)
{
    std::lock_guard lock(FLock);
    FOnDocumentModify = std::move(Value);
}

TDocTrackingRow TDocTracking::Row(const TUDataKey &FID) const
{
    std::lock_guard lock(FLock);
    TDocTrackingRow row = FList.GetKeyValue(FID);
    if (row.Unchecked) {
        qint64 stamp = 0;
        if (!fileStamp(GetFileNameLocked(row.FileData), stamp))
            return TDocTrackingRow();
        row.ModifyStamp = LoadedStampLocked(stamp);
        row.ModifyDate = dateOfStamp(row.ModifyStamp);
        row.Unchecked = false;
    }
    return row;
}

qint64 TDocTracking::LoadedStampLocked(qint64 Stamp) const
{
    return Stamp > FLoadStamp ? FLoadStamp : Stamp;
}

void TDocTracking::CheckLoadedLocked()
{
    if (!FUnchecked)
        return;
    std::vector<std::pair<TUDataKey, qint64>> seen;
    std::vector<TUDataKey> gone;
    for (const auto &[key, row] : FList) {
        if (!row.Unchecked)
            continue;
        qint64 stamp = 0;
        if (fileStamp(GetFileNameLocked(row.FileData), stamp))
            seen.emplace_back(key, LoadedStampLocked(stamp));
        else
            gone.push_back(key);
    }
    for (const TUDataKey &key : gone)
        FList.Remove(key);
    for (const auto &[key, stamp] : seen)
        SetInStepLocked(key, stamp);
    FUnchecked = false;
}

void TDocTracking::SetInStepLocked(const TUDataKey &Key, qint64 Stamp)
{
    TDocTrackingRow row = FList.GetKeyValue(Key);
    row.ModifyStamp = Stamp;
    row.ModifyDate = dateOfStamp(Stamp);
    row.Unchecked = false;
    FList.SetKeyValue(Key, row);
}

bool TDocTracking::SafeFileName(const TUAPIFile &AFile)
{
    const QString hash = AFile.FHash.ToString();
    if (!safePart(hash, false) || !safePart(AFile.Ext, true) || hash.startsWith(u' '))
        return false;
    // The device check looks at what comes before the first dot of the whole name, which is
    // within the hash when the hash has a dot.
    const qsizetype dot = hash.indexOf(u'.');
    return !deviceName(QStringView(hash).left(dot < 0 ? hash.size() : dot));
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
    row.Unchecked = false;
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
    // Rows read back from the tracking file take their copies' times in this pass.
    std::vector<std::pair<TUDataKey, qint64>> checked;
    for (const auto &[key, row] : FList) {
        const QString name = GetFileNameLocked(row.FileData);
        qint64 stamp = 0;
        if (name.isEmpty() || !fileStamp(name, stamp)) {
            forget.push_back(key);
            continue;
        }
        qint64 inStep = row.ModifyStamp;
        if (row.Unchecked) {
            inStep = LoadedStampLocked(stamp);
            checked.emplace_back(key, inStep);
        }
        if (stamp > inStep) {
            modified.push_back({row.FileData, stamp});
        } else if (stamp != 0 && stamp <= cutoffStamp) {
            forget.push_back(key);
            QFile::remove(name);
        }
    }
    bool changed = false;
    for (const auto &[key, inStep] : checked)
        SetInStepLocked(key, inStep);
    FUnchecked = false;
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
    FUnchecked = false;
    if (FIniFile.isEmpty())
        return false;
    QFile file(FIniFile);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Copies changed from now on are changes the next pass hands over.
    FLoadStamp = QDateTime::currentMSecsSinceEpoch();
    const QByteArray bytes = file.readAll();
    const char *next = bytes.constData();
    const char *const end = next + bytes.size();
    while (next < end) {
        const char *eol = static_cast<const char *>(std::memchr(next, '\n', size_t(end - next)));
        QByteArrayView line(next, (eol ? eol : end) - next);
        next = eol ? eol + 1 : end;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty() || line.front() == '#')
            continue;
        TUAPIFile f;
        if (!readWrittenLine(line, f) && !readJsonLine(line, f))
            continue;
        // A row nobody could look up again, or whose file has no safe name, is never taken over.
        if (!f.IsSet() || !SafeFileName(f))
            continue;
        // Of two lines for one document, a later one replaces the earlier only when its copy
        // exists.
        qint64 stamp = 0;
        if (FList.Find(f.FID) && !fileStamp(GetFileNameLocked(f), stamp))
            continue;
        TDocTrackingRow row;
        row.FileData = f;
        row.Unchecked = true;
        FList.SetKeyValue(f.FID, row);
        FUnchecked = true;
    }
    return true;
}

bool TDocTracking::SaveToFile()
{
    std::lock_guard lock(FLock);
    if (FIniFile.isEmpty())
        return false;
    // Rows whose copies went before any pass looked at them are not written back.
    CheckLoadedLocked();
    QByteArray bytes = QByteArrayLiteral("# QUILLMARSH\r\n# Docs tracking file.\r\n# Do not edit manually!\r\n");
    bytes.reserve(bytes.size() + qsizetype(FList.Count()) * 100);
    for (const auto &[key, row] : FList) {
        bytes += rowBytes(row);
        bytes += "\r\n";
    }
    // The old file stays whole until the new one is complete.
    QSaveFile file(FIniFile);
    if (!file.open(QIODevice::WriteOnly))
        throw EUError(QStringLiteral("Cannot create file ") + FIniFile);
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
