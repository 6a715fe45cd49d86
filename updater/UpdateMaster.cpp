#include "UpdateMaster.h"

#include "UpdateApply.h"
#include "UpdateHTTP.h"
#include "UpdateTrust.h"

#include "SGGzip.h"
#include "UConv.h"
#include "UCurl.h"
#include "UException.h"
#include "UFile.h"
#include "UShell.h"

#include <QCoreApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <filesystem>

TUpdateMaster::TUpdateMaster() : fStop(std::make_unique<TUCurlStop>()) {}

TUpdateMaster::~TUpdateMaster() = default;

void TUpdateMaster::SetState(TUpdateMasterState Value)
{
    fState = Value;
    if (fUpdate)
        fUpdate(fState, 0, fTotalBytes);
}

void TUpdateMaster::Terminate()
{
    fTerminated = true;
    fStop->Stop();
}

void TUpdateMaster::HTTPWorkBegin(qint64 Total)
{
    fTotalBytes = static_cast<qint32>(Total);
    if (fUpdate)
        fUpdate(fState, 0, fTotalBytes);
}

void TUpdateMaster::HTTPWork(qint64 Count)
{
    if (fUpdate)
        fUpdate(fState, static_cast<qint32>(Count), fTotalBytes);
}

void TUpdateMaster::HTTPWorkEnd()
{
    fTotalBytes = 0;
    if (fUpdate)
        fUpdate(fState, 0, 0);
}

TUpdateHTTPResult TUpdateMaster::HTTPGet(const QString &URL, QIODevice &Sink)
{
    TUpdateHTTPHooks hooks;
    hooks.WorkBegin = [this](qint64 total) { HTTPWorkBegin(total); };
    hooks.Work = [this](qint64 count) { HTTPWork(count); };
    hooks.WorkEnd = [this] { HTTPWorkEnd(); };
    hooks.Idle = [] { QCoreApplication::processEvents(); };
    hooks.Aborted = [this] { return fTerminated.load(); };
    hooks.Stop = fStop.get();
    return UpdateHTTPGet(URL, Sink, fProxy, hooks);
}

QStringList TUpdateMaster::SplitDescriptor(const QString &Text)
{
    QString s = Text;
    s.remove(u';');
    s.replace(u'\r', u'\n');
    s.replace(QStringLiteral("\n\n"), QStringLiteral(";"));
    s.replace(u'\n', u';');
    s.replace(u'\\', u'/');
    if (s.isEmpty())
        return {};
    return s.split(u';');
}

void TUpdateMaster::ParseDescriptor(const QString &Text, QString &BaseURL, std::vector<TUpdateKeyLine> &KeyLines,
                                    QStringList &Files)
{
    BaseURL.clear();
    KeyLines.clear();
    Files.clear();
    const QStringList entries = SplitDescriptor(Text);
    if (entries.isEmpty())
        throw EUError(QStringLiteral("Обновление пусто!"));
    BaseURL = TUConv::Trim(entries.first());
    if (BaseURL.isEmpty())
        throw EUError(QStringLiteral("Не указан базовый URL обновления!"));
    for (qsizetype i = 1; i < entries.size(); ++i) {
        const QString &e = entries.at(i);
        const qsizetype eq = e.indexOf(u'=');
        if (eq >= 0)
            KeyLines.emplace_back(TUConv::UpperCaseAscii(TUConv::Trim(e.left(eq))), TUConv::Trim(e.mid(eq + 1)));
        else
            Files.append(TUConv::Trim(e));
    }
}

bool TUpdateMaster::GetUpdateInfo(QString &BaseURL, std::vector<TUpdateKeyLine> &KeyLines, QStringList &Files)
{
    BaseURL.clear();
    KeyLines.clear();
    Files.clear();
    fError.clear();
    fDescriptorBytes.clear();
    SetState(umsDownload);
    bool ok = false;
    try {
        if (fUpdateURL.isEmpty())
            throw EUError(QStringLiteral("Не указан URL для получения данных обновления."));
        QByteArray body;
        QBuffer sink(&body);
        sink.open(QIODevice::WriteOnly);
        const TUpdateHTTPResult r = HTTPGet(fUpdateURL, sink);
        if (r.Code != 200)
            throw EUError(UpdateHTTPStatusError(r, fProxy));
        fDescriptorBytes = body;
        ParseDescriptor(UpdateDecodeText(body, r.ContentType), BaseURL, KeyLines, Files);
        ok = true;
    } catch (...) {
        fError = UErrorText(std::current_exception());
        BaseURL.clear();
        KeyLines.clear();
        Files.clear();
    }
    SetState(umsNone);
    return ok;
}

void TUpdateMaster::ApplyKeys(const std::vector<TUpdateKeyLine> &KeyLines)
{
    fKeys = {};
    for (const auto &[key, value] : KeyLines) {
        if (key == QLatin1String("LOGOURL"))
            fKeys.LogoURL = value;
        else if (key == QLatin1String("URL"))
            fKeys.URL = value;
        else if (key == QLatin1String("WHATSNEWURL"))
            fKeys.WhatsNewURL = value;
        else if (key == QLatin1String("TITLE"))
            fKeys.Title = value;
    }
    if (fUpdateKeys)
        fUpdateKeys();
}

bool TUpdateMaster::IsSafeRelativeName(const QString &Name)
{
    if (Name.isEmpty())
        return true; // skipped anyway
    if (Name.startsWith(u'/') || Name.startsWith(u'\\'))
        return false;
    if (Name.size() >= 2 && Name.at(1) == u':')
        return false; // drive prefix
    const QStringList parts = QString(Name).replace(u'\\', u'/').split(u'/');
    for (const QString &p : parts)
        if (TUConv::Trim(p) == QLatin1String(".."))
            return false;
    return true;
}

bool TUpdateMaster::Guarded(const std::function<bool()> &Operation)
{
    try {
        return Operation();
    } catch (...) {
        // A callback or the system failed between the steps: reported like a step's failure.
        fError = UErrorText(std::current_exception());
        fState = umsNone;
        return false;
    }
}

bool TUpdateMaster::DownloadUpdate()
{
    return Guarded([this] { return DownloadSteps(); });
}

bool TUpdateMaster::DownloadSteps()
{
    fError.clear();
    if (fTerminated)
        return false;
    QString baseURL;
    std::vector<TUpdateKeyLine> keyLines;
    QStringList files;
    GetUpdateInfo(baseURL, keyLines, files);
    ApplyKeys(keyLines);
    if (files.isEmpty())
        return false;
    // Refuse the whole update before anything is written when one entry would land outside
    // the update folder.
    for (const QString &f : files)
        if (!IsSafeRelativeName(f)) {
            fError = QStringLiteral("Недопустимое имя файла в описании обновления: \"%1\"").arg(f);
            return false;
        }
    if (!fPublicKey.isEmpty())
        return DownloadSigned(baseURL, files);
    for (const QString &f : files) {
        if (fTerminated)
            return false;
        if (f.isEmpty())
            continue;
        ForceFileDirs(f, UpdateDir());
        if (!DownloadFile(baseURL + f, UpdateDir() + f))
            return false;
        if (IsGZipFile(f) && !ExtractFile(UpdateDir() + f))
            return false;
        QCoreApplication::processEvents();
    }
    return true;
}

QString TUpdateMaster::LandingName(const QString &Entry)
{
    return IsGZipFile(Entry) ? Entry.left(Entry.size() - 3) : Entry;
}

namespace {

const QString kRefused = QStringLiteral("Обновление отклонено: ");

} // namespace

bool TUpdateMaster::Refuse(const QString &Message)
{
    // Nothing of a refused update stays where a later copy could take it.
    fError = kRefused + Message;
    TUFile::ClearDir(UpdateDir());
    ClearStoredManifest();
    return false;
}

void TUpdateMaster::ClearStoredManifest()
{
    QFile::remove(StoredManifestName());
    QDir().rmdir(UpdateDir() + StateDirName()); // only when nothing else is kept there
}

bool TUpdateMaster::LoadStoredManifest(TUpdateManifest &Manifest)
{
    QFile f(StoredManifestName());
    QString detail;
    return f.open(QIODevice::ReadOnly) &&
           ReadSignedManifest(f.readAll(), fPublicKey, Manifest, detail) == TUpdateManifestCheck::Ok;
}

bool TUpdateMaster::DownloadSigned(const QString &BaseURL, const QStringList &Files)
{
    fSkipped = 0;
    TKnownHashes known = LoadKnownHashes();
    // A fresh start: files and manifest of an earlier download are not mixed with this one.
    TUFile::ClearDir(UpdateDir());
    ClearStoredManifest();

    const QString manifestURL = fUpdateURL + QStringLiteral(".manifest");
    QByteArray text;
    SetState(umsDownload);
    try {
        QBuffer sink(&text);
        sink.open(QIODevice::WriteOnly);
        const TUpdateHTTPResult r = HTTPGet(manifestURL, sink);
        if (r.Code != 200)
            throw EUError(UpdateHTTPStatusError(r, fProxy));
    } catch (...) {
        const QString why = UErrorText(std::current_exception());
        SetState(umsNone);
        if (fTerminated)
            return false;
        return Refuse(QStringLiteral("не получен подписанный список файлов \"%1\" (%2).").arg(manifestURL, why));
    }
    SetState(umsNone);

    TUpdateManifest manifest;
    QString detail;
    switch (ReadSignedManifest(text, fPublicKey, manifest, detail)) {
    case TUpdateManifestCheck::Damaged:
        return Refuse(QStringLiteral("подписанный список файлов \"%1\" повреждён (%2).").arg(manifestURL, detail));
    case TUpdateManifestCheck::BadSignature:
        return Refuse(QStringLiteral("подпись списка файлов \"%1\" неверна.").arg(manifestURL));
    case TUpdateManifestCheck::Ok:
        break;
    }
    if (TUSha256::Hex(fDescriptorBytes) != manifest.DescriptorHash)
        return Refuse(QStringLiteral("описание обновления \"%1\" не совпадает с подписанным.").arg(fUpdateURL));

    // The descriptor and the manifest name the same files.
    QSet<QString> landing;
    for (const QString &f : Files) {
        if (f.isEmpty())
            continue;
        const QString name = LandingName(f);
        if (!manifest.Find(name))
            return Refuse(QStringLiteral("файл \"%1\" не подписан.").arg(f));
        landing.insert(name);
    }
    for (const TUpdateManifestFile &m : manifest.Files)
        if (!landing.contains(m.Name))
            return Refuse(QStringLiteral("файл \"%1\" подписан, но его нет в описании обновления.").arg(m.Name));

    for (const QString &f : Files) {
        if (fTerminated)
            return false;
        if (f.isEmpty())
            continue;
        const QString name = LandingName(f);
        const TUpdateManifestFile &m = *manifest.Find(name);
        // A file the program folder already holds as signed is not fetched again. A file that
        // has not changed since the updater last saw its hash is not hashed again either.
        const QFileInfo installed(fDir + name);
        QByteArray hash;
        if (installed.isFile() && installed.size() == m.Size) {
            const qint64 stamp = FileStamp(installed.filePath());
            const auto k = known.find(name);
            const bool seen = k != known.end() && k->second.Size == m.Size && k->second.Stamp == stamp;
            if (seen ? k->second.Hash == m.Hash : TUSha256::File(installed.filePath(), hash) && hash == m.Hash) {
                known[name] = {m.Hash, m.Size, stamp};
                ++fSkipped;
                continue;
            }
        }
        ForceFileDirs(f, UpdateDir());
        if (!DownloadFile(BaseURL + f, UpdateDir() + f))
            return false;
        if (IsGZipFile(f) && !ExtractFile(UpdateDir() + f))
            return false;
        if (!TUSha256::File(UpdateDir() + name, hash) || hash != m.Hash)
            return Refuse(QStringLiteral("файл \"%1\" не совпадает с подписанным.").arg(f));
        QCoreApplication::processEvents();
    }

    // Kept for the copy, which checks every file again against it.
    QDir().mkpath(UpdateDir() + StateDirName());
    SaveKnownHashes(known);
    QSaveFile keep(StoredManifestName());
    if (!keep.open(QIODevice::WriteOnly) || keep.write(text) != text.size() || !keep.commit()) {
        fError = QStringLiteral("Не удалось сохранить файл %1").arg(StoredManifestName());
        return false;
    }
    return true;
}

bool TUpdateMaster::DownloadFile(const QString &URL, const QString &LocalName)
{
    SetState(umsDownload);
    QFile file(LocalName);
    try {
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
            throw EUError(QStringLiteral("Не удалось создать файл %1: %2").arg(LocalName, file.errorString()));
        const TUpdateHTTPResult r = HTTPGet(URL, file);
        file.close();
        if (r.Code != 200)
            throw EUError(UpdateHTTPStatusError(r, fProxy));
    } catch (...) {
        file.close();
        QFile::remove(LocalName);
        fError = UErrorText(std::current_exception());
    }
    const bool exists = QFileInfo::exists(LocalName);
    SetState(umsNone);
    return exists;
}

bool TUpdateMaster::IsGZipFile(const QString &Name)
{
    const qsizetype dot = Name.lastIndexOf(u'.');
    return dot >= 0 && Name.mid(dot).toLower() == QLatin1String(".gz");
}

bool TUpdateMaster::ExtractFile(const QString &FileName)
{
    SetState(umsExtract);
    bool ok = false;
    try {
        TGZip gz;
        gz.UnCompress(FileName);
        if (!QFileInfo::exists(FileName.left(FileName.size() - 3)))
            throw EUError(QStringLiteral("Bad uncompress. File does not exists."));
        QFile::remove(FileName);
        ok = true;
    } catch (...) {
        fError = UErrorText(std::current_exception());
    }
    SetState(umsNone);
    return ok;
}

QString TUpdateMaster::GetRelativeName(const QString &Base, const QString &FullName)
{
    const QString b = QString(Base).replace(u'\\', u'/');
    const QString f = QString(FullName).replace(u'\\', u'/');
    return f.startsWith(b) ? f.mid(b.size()) : f;
}

void TUpdateMaster::ForceFileDirs(const QString &RelName, const QString &BaseDir)
{
    QStringList parts = RelName.isEmpty() ? QStringList() : RelName.split(u'/');
    if (!parts.isEmpty())
        parts.removeLast();
    QString prefix;
    QDir dir;
    for (const QString &p : parts) {
        dir.mkdir(BaseDir + prefix + p); // an existing folder is fine
        prefix += p + u'/';
    }
}

QStringList TUpdateMaster::GetFileList(const QString &Folder)
{
    QStringList result;
    const QFileInfoList entries = QDir(Folder).entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QFileInfo &fi : entries) {
        // Links are never followed: what they point at is not part of the update.
        if (fi.isSymLink())
            continue;
        const QString name = fi.fileName();
        if (fi.isDir()) {
            if (!name.startsWith(u'.'))
                result += GetFileList(Folder + name + u'/');
        } else if (fi.isFile()) {
            result.append(QString(Folder + name).replace(u'\\', u'/'));
        }
    }
    return result;
}

bool TUpdateMaster::RecoverApply()
{
    if (TUpdateApply::Recover(fDir))
        return true;
    fError = QStringLiteral("Не удалось завершить прерванное обновление (%1).").arg(TUpdateApply::JournalName(fDir));
    return false;
}

bool TUpdateMaster::DoUpdate()
{
    return Guarded([this] { return CopySteps(); });
}

bool TUpdateMaster::CopySteps()
{
    fError.clear();
    if (fTerminated)
        return false;
    // An earlier copy cut short is completed or undone before anything else is touched.
    if (!RecoverApply())
        return false;
    const QStringList files = GetFileList(UpdateDir());
    TUpdateManifest manifest;
    const bool isSigned = !fPublicKey.isEmpty();
    if (isSigned) {
        // Only files of the signed manifest, each exactly as signed, are copied.
        if (!LoadStoredManifest(manifest)) {
            fError = kRefused + QStringLiteral("нет подписанного списка файлов для файлов в папке update.");
            return false;
        }
        if (files.isEmpty())
            return true; // the program folder already held every file as signed
    }
    if (files.isEmpty())
        return false;

    const QString failed = QStringLiteral("Не удалось заменить файлы! Закройте все программы и попробуйте заново...");
    QStringList rels;
    for (const QString &full : files) {
        const QString rel = GetRelativeName(UpdateDir(), full);
        if (isSigned && !manifest.Find(rel)) {
            fError = kRefused + QStringLiteral("файл \"%1\" не подписан.").arg(rel);
            return false;
        }
        rels << rel;
    }
    const QString mainProgram =
        fExeName.isEmpty() ? QString() : QFileInfo(QDir(fDir), fExeName).absoluteFilePath();

    // Every new file is written beside its target first; the targets change only once all are
    // written, and all together.
    TUpdateApply apply(fDir);
    apply.SetDurable(fDurable);
    if (!apply.Begin(rels)) {
        fError = failed;
        return false;
    }
    for (qsizetype i = 0; i < rels.size(); ++i) {
        if (fTerminated) {
            apply.Abandon();
            return false;
        }
        const QString &rel = rels.at(i);
        ForceFileDirs(rel, fDir);
        const QString dest = fDir + rel;
        bool mismatch = false;
        if (!apply.Stage(i, UpdateDir() + rel, QFileInfo(dest).absoluteFilePath() == mainProgram,
                         isSigned ? manifest.Find(rel)->Hash : QByteArray(), mismatch)) {
            apply.Abandon();
            fError = mismatch ? kRefused + QStringLiteral("файл \"%1\" не совпадает с подписанным.").arg(rel) : failed;
            return false;
        }
        QCoreApplication::processEvents();
    }
    if (!apply.Commit()) {
        fError = failed;
        return false;
    }
    if (isSigned) {
        TKnownHashes known = LoadKnownHashes();
        for (const QString &rel : rels) {
            const TUpdateManifestFile &m = *manifest.Find(rel);
            known[rel] = {m.Hash, m.Size, FileStamp(fDir + rel)};
        }
        SaveKnownHashes(known);
    }
    return true;
}

qint64 TUpdateMaster::FileStamp(const QString &FileName)
{
    std::error_code ec;
    const auto t = std::filesystem::last_write_time(std::filesystem::path(FileName.toStdU16String()), ec);
    return ec ? -1 : static_cast<qint64>(t.time_since_epoch().count());
}

TUpdateMaster::TKnownHashes TUpdateMaster::LoadKnownHashes() const
{
    TKnownHashes known;
    QFile f(UpdateDir() + StateDirName() + QStringLiteral("known"));
    if (!f.open(QIODevice::ReadOnly))
        return known;
    // "hash size stamp name" per line; a line that does not read is ignored (hashed again).
    for (const QByteArray &line : f.readAll().split('\n')) {
        const QList<QByteArray> p = line.split(' ');
        if (p.size() < 4 || p.at(0).size() != 64)
            continue;
        bool ok1 = false, ok2 = false;
        const qint64 size = p.at(1).toLongLong(&ok1);
        const qint64 stamp = p.at(2).toLongLong(&ok2);
        if (ok1 && ok2)
            known[QString::fromUtf8(line.mid(p.at(0).size() + p.at(1).size() + p.at(2).size() + 3))] = {p.at(0), size, stamp};
    }
    return known;
}

void TUpdateMaster::SaveKnownHashes(const TKnownHashes &Known) const
{
    QByteArray text;
    for (const auto &[name, k] : Known)
        text += k.Hash + ' ' + QByteArray::number(k.Size) + ' ' + QByteArray::number(k.Stamp) + ' ' + name.toUtf8() + '\n';
    QDir().mkpath(UpdateDir() + StateDirName());
    // Only saves work: a lost or torn file costs a hash of the files it no longer vouches for,
    // so it is put in place whole but not flushed to the disk first.
    const QString name = UpdateDir() + StateDirName() + QStringLiteral("known");
    QFile f(name + QStringLiteral(".new"));
    const bool written = f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
    f.close();
    std::error_code ec;
    if (written)
        std::filesystem::rename(std::filesystem::path(f.fileName().toStdU16String()),
                                std::filesystem::path(name.toStdU16String()), ec);
    if (!written || ec)
        QFile::remove(f.fileName());
}

void TUpdateMaster::ClearUpdate()
{
    Guarded([this] {
        if (fTerminated)
            return false;
        SetState(umsClear);
        TUFile::ClearDir(UpdateDir());
        ClearStoredManifest();
        SetState(umsNone);
        return true;
    });
}

void TUpdateMaster::RunMainProgram()
{
    Guarded([this] {
        if (fTerminated || fExeName.isEmpty())
            return false;
        SetState(umsRun);
        // A relative name is taken from the program folder, which is also the program's own
        // working folder.
        TUShell::OpenFile(QFileInfo(QDir(fDir), fExeName).absoluteFilePath(), {}, {});
        SetState(umsNone);
        return true;
    });
}
