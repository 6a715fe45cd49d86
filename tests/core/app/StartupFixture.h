#pragma once

#include "TestUtil.h"
#include "UMessageBox.h"
#include "UShell.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include <vector>

// Makes a folder refuse new entries while it lives, also for root (the immutable attribute);
// Active() is false where neither binds, and the test skips.
class ReadOnlyDir {
public:
    explicit ReadOnlyDir(const QString &path) : FPath(path)
    {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                                        | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther);
        if (Writable())
            FImmutable = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0;
        FActive = !Writable();
    }
    ~ReadOnlyDir()
    {
        if (FImmutable)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), FPath});
        QFile::setPermissions(FPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    bool Active() const { return FActive; }

private:
    bool Writable() const
    {
        const QString probe = QDir(FPath).filePath(QStringLiteral(".probe"));
        if (!QDir().mkdir(probe))
            return false;
        QDir().rmdir(probe);
        return true;
    }
    QString FPath;
    bool FImmutable = false;
    bool FActive = false;
};

// Records the message boxes and shell requests of the code under test instead of showing or
// starting anything.
class StartupRecorder {
public:
    StartupRecorder()
    {
        FOldBox = TUMessageBox::SetHandler([this](const TUMessageBoxRequest &r) {
            Boxes.push_back(r);
            return Answer;
        });
        FOldShell = TUShell::SetHandler([this](const QString &target, const QString &, const QString &) {
            Opened << target;
            return true;
        });
    }
    ~StartupRecorder()
    {
        TUMessageBox::SetHandler(FOldBox);
        TUShell::SetHandler(FOldShell);
    }
    StartupRecorder(const StartupRecorder &) = delete;
    StartupRecorder &operator=(const StartupRecorder &) = delete;

    std::vector<TUMessageBoxRequest> Boxes;
    QStringList Opened;
    TModalResult Answer = mrOk;

private:
    TUMessageBox::THandler FOldBox;
    TUShell::THandler FOldShell;
};
