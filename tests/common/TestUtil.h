#pragma once

#include <QByteArray>
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

} // namespace testutil
