#include "TestUtil.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

void PrintTo(const QByteArray &b, std::ostream *os)
{
    if (b.size() > 200)
        *os << "QByteArray(" << b.size() << " bytes)";
    else
        *os << "QByteArray(\"" << b.toStdString() << "\")";
}

namespace testutil {

bool waitUntil(const std::function<bool()> &cond, std::chrono::milliseconds timeout)
{
    QDeadlineTimer deadline(timeout);
    while (!cond()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return f.readAll();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(data) != data.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

void saveLater(const QString &path, const QByteArray &data, int secs)
{
    const QString part = path + QStringLiteral(".saving");
    writeFile(part, data);
    QFile f(part);
    if (!f.open(QIODevice::ReadWrite)
        || !f.setFileTime(QDateTime::currentDateTime().addSecs(secs), QFileDevice::FileModificationTime))
        throw std::runtime_error("cannot set the time of " + part.toStdString());
    f.close();
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(part).toStdString(), QFile::encodeName(path).toStdString(), error);
    if (error)
        throw std::runtime_error("cannot rename " + part.toStdString() + ": " + error.message());
}

TempDir::TempDir()
{
    if (!FDir.isValid())
        throw std::runtime_error("cannot create a temporary folder");
}

int freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    ::close(fd);
    return int(ntohs(a.sin_port));
}

TinyProxy::~TinyProxy()
{
    FProcess.terminate();
    FProcess.waitForFinished(5000);
}

bool TinyProxy::start(const QString &user, const QString &password)
{
    FPort = freeLoopbackPort();
    writeFile(FDir.file(QStringLiteral("tinyproxy.conf")),
              QStringLiteral("Port %1\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\n"
                             "Allow 127.0.0.1\nBasicAuth %2 %3\nLogLevel Critical\n"
                             "LogFile \"%4\"\nDisableViaHeader No\n")
                  .arg(FPort)
                  .arg(user, password, FDir.file(QStringLiteral("tinyproxy.log")))
                  .toUtf8());
    FProcess.start(QStringLiteral("tinyproxy"), {"-d", "-c", FDir.file(QStringLiteral("tinyproxy.conf"))});
    if (!FProcess.waitForStarted(5000))
        return false;
    return waitUntil([&] {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in p{};
        p.sin_family = AF_INET;
        p.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        p.sin_port = htons(uint16_t(FPort));
        const bool ok = ::connect(s, reinterpret_cast<sockaddr *>(&p), sizeof p) == 0;
        ::close(s);
        return ok;
    });
}

} // namespace testutil
