#include "UFile.h"

#include "UCodePage.h"
#include "UException.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace {

constexpr QDir::Filters AnyEntry = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

bool IsLink(const QFileInfo &Info)
{
    return Info.isSymLink() || Info.isJunction();
}

void RemoveLink(const QString &Path)
{
    // A link to a folder is a directory entry on some platforms and goes with rmdir there.
    if (!QFile::remove(Path))
        QDir().rmdir(Path);
}

void RemoveChars(QString &Text, QStringView Chars)
{
    Text.removeIf([Chars](QChar c) { return Chars.contains(c); });
}

// The characters a file name or a path must not hold (the path keeps its separators).
constexpr QStringView PathUnsafe = u"+=?*&^%$#\"'!~|:;<>";

} // namespace

void TUFile::ClearDir(const QString &Dir)
{
    // An empty name would mean the current folder.
    if (Dir.isEmpty())
        return;
    const QDir dir(Dir);
    const QFileInfoList entries = dir.entryInfoList(AnyEntry);
    for (const QFileInfo &entry : entries) {
        const QString path = entry.absoluteFilePath();
        if (IsLink(entry))
            RemoveLink(path);
        else if (!entry.isDir())
            QFile::remove(path);
        else if (!entry.fileName().startsWith(QLatin1Char('.'))) {
            ClearDir(path);
            dir.rmdir(entry.fileName());
        }
    }
}

bool TUFile::FileInfo(const QString &FileName, QFileInfo &SR)
{
    const QFileInfo target(FileName);
    const QString name = target.fileName();
    if (name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'))) {
        const QFileInfoList found = target.dir().entryInfoList({name}, AnyEntry, QDir::Name);
        if (found.isEmpty())
            return false;
        SR = found.first();
        return true;
    }
    // A dangling link is still an entry.
    if (!target.exists() && !target.isSymLink())
        return false;
    SR = target;
    return true;
}

qint64 TUFile::FileSize(const QString &FileName)
{
    QFileInfo info;
    if (!FileInfo(FileName, info) || info.isDir())
        return 0;
    return info.size();
}

QString TUFile::ReadAllFile(const QString &FileName, bool Enters)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EUError(file.errorString());
    QByteArray text;
    text.reserve(bytes.size() + (Enters ? bytes.size() / 16 : 0));
    qsizetype from = 0;
    while (from < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', from);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        if (end < 0)
            end = bytes.size();
        qsizetype lineEnd = end;
        if (lineEnd > from && bytes.at(lineEnd - 1) == '\r' && end < bytes.size())
            --lineEnd;
        text.append(bytes.constData() + from, lineEnd - from);
        if (Enters)
            text.append("\n\r");
        from = next;
    }
    return TUCodePage::ToUnicode(text);
}

QString TUFile::ExtractSimpleFileName(const QString &FileName)
{
    const qsizetype sep = std::max(FileName.lastIndexOf(QLatin1Char('/')), FileName.lastIndexOf(QLatin1Char('\\')));
    QString name = FileName.mid(sep + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return name;
}

QString TUFile::FileNamePrepare(const QString &FileName)
{
    QString name = FileName.trimmed();
    RemoveChars(name, PathUnsafe);
    RemoveChars(name, u"/\\");
    name.replace(QLatin1Char(' '), QLatin1Char('_'));
    return name;
}

QString TUFile::PathPrepare(const QString &Path)
{
    QString path = Path.trimmed();
    RemoveChars(path, PathUnsafe);
    // Either slash becomes the platform's separator, so the result stays a path here too.
    const QChar sep = QDir::separator();
    for (QChar &c : path)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            c = sep;
    return path;
}

void TUFile::Log(const QString &Str, const QString &FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        throw EUError(QStringLiteral("Cannot open file \"%1\": %2").arg(FileName, file.errorString()));
    const QByteArray line = TUCodePage::FromUnicode(Str) + "\r\n";
    if (file.write(line) != line.size() || !file.flush())
        throw EUError(file.errorString());
}
