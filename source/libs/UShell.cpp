#include "UShell.h"

#include <QFileInfo>
#include <QMutex>
#include <QProcess>

#ifdef Q_OS_WIN
#include <windows.h>
#include <shellapi.h>
#endif

namespace {

QMutex handlerLock; // guards handler()
TUShell::THandler &handler()
{
    static TUShell::THandler h;
    return h;
}

bool open(const QString &target, const QString &params, const QString &dir)
{
    if (target.isEmpty())
        return false;
    TUShell::THandler h;
    {
        QMutexLocker lock(&handlerLock);
        h = handler();
    }
    return h ? h(target, params, dir) : TUShell::PlatformOpen(target, params, dir);
}

} // namespace

bool TUShell::OpenFile(const QString &FileName, const QString &Params, const QString &Dir)
{
    return open(FileName, Params, Dir);
}

bool TUShell::OpenPath(const QString &Path) { return open(Path, {}, {}); }

bool TUShell::OpenURL(const QString &URL) { return open(URL, {}, {}); }

bool TUShell::OpenMailTo(const QString &Email, const QString &Subject, const QString &Body)
{
    if (Email.isEmpty())
        return false;
    QString target = QStringLiteral("mailto:") + Email;
    QChar sep = u'?';
    if (!Subject.isEmpty()) {
        target += sep + QStringLiteral("subject=") + Subject;
        sep = u'&';
    }
    if (!Body.isEmpty())
        target += sep + QStringLiteral("Body=") + Body;
    return open(target, {}, {});
}

TUShell::THandler TUShell::SetHandler(THandler Handler)
{
    QMutexLocker lock(&handlerLock);
    THandler old = std::move(handler());
    handler() = std::move(Handler);
    return old;
}

bool TUShell::PlatformOpen(const QString &Target, const QString &Params, const QString &Dir)
{
#ifdef Q_OS_WIN
    const auto r = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", reinterpret_cast<LPCWSTR>(Target.utf16()),
        Params.isEmpty() ? nullptr : reinterpret_cast<LPCWSTR>(Params.utf16()),
        Dir.isEmpty() ? nullptr : reinterpret_cast<LPCWSTR>(Dir.utf16()), SW_SHOW));
    return r > 32;
#else
    const QFileInfo fi(Target);
    if (fi.isFile() && fi.isExecutable()) {
        const QString workDir = Dir.isEmpty() ? fi.absolutePath() : Dir;
        return QProcess::startDetached(fi.absoluteFilePath(), QProcess::splitCommand(Params), workDir);
    }
    if (!Params.isEmpty() && fi.isFile())
        return false; // documents take no parameters
    return QProcess::startDetached(QStringLiteral("xdg-open"), {Target}, Dir);
#endif
}
