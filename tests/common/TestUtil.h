#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <ostream>

// Readable failures for Qt texts in gtest messages.
void PrintTo(const QString &s, std::ostream *os);
void PrintTo(const QByteArray &b, std::ostream *os);

namespace testutil {

// Waits until cond() holds, running the event loop meanwhile; false on time-out.
bool waitUntil(const std::function<bool()> &cond,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &data);
// A save as a person's program makes it, secs later than now: content and time land in one
// rename, so a tracking thread never sees the new content with the old time or the other way.
void saveLater(const QString &path, const QByteArray &data, int secs);

// A fresh temporary folder, removed with its contents at the end of the test.
class TempDir {
public:
    TempDir();
    QString path() const { return FDir.path(); }
    // Path of a name inside the folder.
    QString file(const QString &name) const { return FDir.filePath(name); }

private:
    QTemporaryDir FDir;
};

// A loopback port that was free a moment ago: nobody listens there until a test starts something.
int freeLoopbackPort();

// A real HTTP proxy (tinyproxy) on a free loopback port that asks for Basic authentication,
// stopped at the end. It announces itself on what it forwards ("Via").
class TinyProxy {
public:
    ~TinyProxy();
    // False when it does not listen within a few seconds.
    bool start(const QString &user, const QString &password);
    int port() const { return FPort; }

private:
    TempDir FDir;
    QProcess FProcess;
    int FPort = 0;
};

} // namespace testutil
