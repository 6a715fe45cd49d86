#include "UpdateApply.h"

#include "UpdateTrust.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <io.h>
#endif

namespace fs = std::filesystem;

const QString TUpdateApply::NewSuffix = QStringLiteral(".update-new");
const QString TUpdateApply::OldSuffix = QStringLiteral(".update-old");

namespace {

fs::path pathOf(const QString &Name) { return fs::path(Name.toStdU16String()); }

// Also true for a link, whatever it points at.
bool present(const QString &Name)
{
    std::error_code ec;
    return fs::symlink_status(pathOf(Name), ec).type() != fs::file_type::not_found && !ec;
}

bool renameOver(const QString &From, const QString &To)
{
    std::error_code ec;
    fs::rename(pathOf(From), pathOf(To), ec);
    return !ec;
}

void removeFile(const QString &Name)
{
    std::error_code ec;
    fs::remove(pathOf(Name), ec);
}

// The journal goes, and its folder with it when nothing else is kept there.
void removeJournal(const QString &Name)
{
    removeFile(Name);
    removeFile(Name + QStringLiteral(".tmp"));
    QDir().rmdir(QFileInfo(Name).absolutePath());
}

bool syncHandle(int Handle)
{
#ifdef Q_OS_WIN
    return _commit(Handle) == 0;
#else
    return ::fsync(Handle) == 0;
#endif
}

// Writes Name whole beside itself and renames it over: a reader sees the old text or the new one.
// Durable: on the disk before the rename, and the rename itself too.
bool writeWhole(const QString &Name, const QByteArray &Text, bool Durable)
{
    const QString tmp = Name + QStringLiteral(".tmp");
    QFile f(tmp);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    bool ok = f.write(Text) == Text.size() && f.flush();
    if (ok && Durable)
        ok = syncHandle(f.handle());
    f.close();
    if (!ok || f.error() != QFileDevice::NoError || !renameOver(tmp, Name)) {
        removeFile(tmp);
        return false;
    }
#ifdef Q_OS_UNIX
    if (Durable) {
        const int fd = ::open(QFile::encodeName(QFileInfo(Name).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
    }
#endif
    return true;
}

// Flushes what was written below Dir to the disk.
void flushToDisk(const QString &Dir)
{
#if defined(Q_OS_LINUX)
    const int fd = ::open(QFile::encodeName(Dir).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::syncfs(fd);
        ::close(fd);
    }
#elif defined(Q_OS_UNIX)
    Q_UNUSED(Dir);
    ::sync();
#else
    Q_UNUSED(Dir); // each staged file is flushed as it is written
#endif
}

} // namespace

TUpdateApply::TUpdateApply(const QString &Dir) : FDir(Dir) {}

TUpdateApply::~TUpdateApply()
{
    if (FActive)
        Abandon();
}

QString TUpdateApply::JournalName(const QString &Dir) { return Dir + QStringLiteral("update/.apply/journal"); }

bool TUpdateApply::WriteJournal(const QString &Dir, TState State, const std::vector<TItem> &Items, bool Durable)
{
    QByteArray text = "state ";
    text += State == TState::Stage ? "stage" : State == TState::Commit ? "commit" : "rollback";
    text += '\n';
    for (const TItem &i : Items)
        text += (i.Existed ? "old " : "new ") + i.Rel.toUtf8() + '\n';
    text += "end\n";
    const QString name = JournalName(Dir);
    QDir().mkpath(QFileInfo(name).absolutePath());
    return writeWhole(name, text, Durable);
}

bool TUpdateApply::ReadJournal(const QString &Dir, TState &State, std::vector<TItem> &Items)
{
    Items.clear();
    QFile f(JournalName(Dir));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QList<QByteArray> lines = f.readAll().split('\n');
    if (lines.size() < 3 || lines.takeLast() != "" || lines.takeLast() != "end")
        return false;
    const QByteArray state = lines.takeFirst();
    if (state == "state stage")
        State = TState::Stage;
    else if (state == "state commit")
        State = TState::Commit;
    else if (state == "state rollback")
        State = TState::Rollback;
    else
        return false;
    for (const QByteArray &l : lines) {
        if (l.size() < 5 || !(l.startsWith("old ") || l.startsWith("new ")))
            return false;
        Items.push_back({QString::fromUtf8(l.mid(4)), l.startsWith("old ")});
    }
    return true;
}

void TUpdateApply::DropStaged(const QString &Dir, const std::vector<TItem> &Items)
{
    for (const TItem &i : Items)
        removeFile(Dir + i.Rel + NewSuffix);
}

void TUpdateApply::DropOld(const QString &Dir, const std::vector<TItem> &Items)
{
    for (const TItem &i : Items)
        removeFile(Dir + i.Rel + OldSuffix);
}

bool TUpdateApply::RollForward(const QString &Dir, const std::vector<TItem> &Items)
{
    for (const TItem &i : Items) {
        const QString target = Dir + i.Rel;
        if (!present(target + NewSuffix))
            continue; // already in place
        if (present(target) && !renameOver(target, target + OldSuffix))
            return false;
        if (!renameOver(target + NewSuffix, target))
            return false;
    }
    return true;
}

void TUpdateApply::RollBack(const QString &Dir, const std::vector<TItem> &Items)
{
    // The old files come back first and the staged ones go last, so a roll-back cut short can
    // still be completed either way.
    for (const TItem &i : Items) {
        const QString target = Dir + i.Rel;
        if (present(target + OldSuffix))
            renameOver(target + OldSuffix, target);
        else if (!i.Existed && !present(target + NewSuffix))
            removeFile(target); // a file the update added, already in place
    }
    DropStaged(Dir, Items);
}

bool TUpdateApply::Recover(const QString &Dir)
{
    const QString journal = JournalName(Dir);
    if (!present(journal)) {
        removeJournal(journal); // a first journal cut short: nothing was staged yet
        return true;
    }
    TState state = TState::Stage;
    std::vector<TItem> items;
    if (!ReadJournal(Dir, state, items))
        return false; // not ours to guess at; it stays for a person to look at
    switch (state) {
    case TState::Stage:
        DropStaged(Dir, items);
        break;
    case TState::Commit:
        if (RollForward(Dir, items)) {
            DropOld(Dir, items);
            break;
        }
        if (!WriteJournal(Dir, TState::Rollback, items, true))
            return false;
        RollBack(Dir, items);
        break;
    case TState::Rollback:
        RollBack(Dir, items);
        break;
    }
    removeJournal(journal);
    return !present(journal);
}

bool TUpdateApply::Begin(const QStringList &RelNames)
{
    FItems.clear();
    for (const QString &rel : RelNames) {
        const QString target = FDir + rel;
        if (QFileInfo(target).isDir())
            return false;
        FItems.push_back({rel, present(target)});
    }
    if (!WriteJournal(FDir, TState::Stage, FItems, FDurable)) {
        removeJournal(JournalName(FDir));
        return false;
    }
    FActive = true;
    return true;
}

bool TUpdateApply::Stage(qsizetype I, const QString &Source, bool MakeExecutable, const QByteArray &ExpectedHash,
                         bool &HashMismatch)
{
    HashMismatch = false;
    const TItem &item = FItems.at(static_cast<size_t>(I));
    const QString target = FDir + item.Rel;
    const QString staged = target + NewSuffix;
    QFile in(Source);
    QFile out(staged);
    removeFile(staged);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ||
        !out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    // Hashed as it is copied: what is checked is exactly what goes into place.
    TUSha256 hash;
    if (FBuffer.isEmpty())
        FBuffer.resize(1 << 20);
    for (;;) {
        const qint64 n = in.read(FBuffer.data(), FBuffer.size());
        if (n < 0)
            return false;
        if (n == 0)
            break;
        hash.Add(FBuffer.constData(), n);
        if (out.write(FBuffer.constData(), n) != n)
            return false;
    }
#ifdef Q_OS_WIN
    if (FDurable)
        _commit(out.handle());
#endif
    out.close();
    if (out.error() != QFileDevice::NoError)
        return false;
    if (!ExpectedHash.isEmpty() && hash.HexDigest() != ExpectedHash) {
        HashMismatch = true;
        removeFile(staged);
        return false;
    }
    // A replaced file keeps its permission bits; a new main program can run.
    const QFileInfo old(target);
    QFileDevice::Permissions perms = item.Existed ? old.permissions() : QFileInfo(Source).permissions();
    if (MakeExecutable && !item.Existed)
        perms |= QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther | QFileDevice::ExeUser;
    QFile::setPermissions(staged, perms);
    return true;
}

bool TUpdateApply::Commit()
{
    if (!FActive)
        return false;
    if (FDurable)
        flushToDisk(FDir);
    // From here on every new file is complete: an interrupted apply is completed.
    if (!WriteJournal(FDir, TState::Commit, FItems, FDurable)) {
        Abandon();
        return false;
    }
    FActive = false;
    if (!RollForward(FDir, FItems)) {
        WriteJournal(FDir, TState::Rollback, FItems, FDurable);
        RollBack(FDir, FItems);
        removeJournal(JournalName(FDir));
        return false;
    }
    DropOld(FDir, FItems);
    removeJournal(JournalName(FDir));
    return true;
}

void TUpdateApply::Abandon()
{
    FActive = false;
    DropStaged(FDir, FItems);
    removeJournal(JournalName(FDir));
}
