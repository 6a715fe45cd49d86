#include "TestUtil.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

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

TempDir::TempDir()
{
    if (!FDir.isValid())
        throw std::runtime_error("cannot create a temporary folder");
}

} // namespace testutil
