#include "UDebug.h"

#include "UFile.h"

#include <QDateTime>
#include <QDir>
#include <QMutex>

#include <mutex>

namespace {

QMutex logFileLock; // guards logFile()
std::mutex writeLock; // one line at a time: worker threads log their own failures

QString &logFile()
{
    static QString path;
    return path;
}

// Fixed while the program loads, before any code changes the current folder.
const bool logFileFixed = [] {
    logFile() = QDir::current().filePath(QStringLiteral("debug.log"));
    return true;
}();

} // namespace

void TUDebug::Log(const QString &Msg)
{
    const QString file = LogFile();
    std::lock_guard lock(writeLock);
    // The time as well: the C library's time-zone set-up locks out of the race checker's sight.
    const QString line = QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")) + QStringLiteral(": ") + Msg;
    TUFile::Log(line, file);
}

QString TUDebug::LogFile()
{
    QMutexLocker lock(&logFileLock);
    return logFile();
}

void TUDebug::SetLogFile(const QString &FileName)
{
    QMutexLocker lock(&logFileLock);
    logFile() = FileName;
}
