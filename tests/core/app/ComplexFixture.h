#pragma once

#include "TestUtil.h"
#include "TransportTestUtil.h"
#include "UAPIData.h"
#include "UAPIDataLoader.h"
#include "UDebug.h"
#include "UMessageBox.h"
#include "UShell.h"
#include "UnitComplex.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

// A core object in a program folder of its own, with its debug log, message boxes, shell
// requests and OnError calls recorded, and the stand-in service for its requests.
class ComplexFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        FOldLog = TUDebug::LogFile();
        TUDebug::SetLogFile(dir.file(QStringLiteral("debug.log")));
        FOldBox = TUMessageBox::SetHandler([this](const TUMessageBoxRequest &r) {
            Boxes.push_back(r);
            Events << QStringLiteral("box after %1 log lines").arg(LogLines().size());
            // A copy: the hook may replace itself while it runs.
            if (const auto onBox = OnBox)
                onBox(r);
            return r.Buttons.Contains(mbYes) ? Answer : mrOk;
        });
        FOldShell = TUShell::SetHandler([this](const QString &target, const QString &, const QString &) {
            Opened << target;
            return true;
        });
        complex = std::make_unique<TComplex>(dir.file(QStringLiteral("deskstart.exe")));
        complex->SetOnError([this](TOutdoorCloseReason err) {
            Errors.push_back(err);
            Events << QStringLiteral("OnError ") + QString(ToName(err));
        });
        ASSERT_TRUE(svc.Start());
        complex->Data().SetHost(svc.Server.BaseURL());
    }
    void TearDown() override
    {
        complex.reset();
        TUMessageBox::SetHandler(FOldBox);
        TUShell::SetHandler(FOldShell);
        TUDebug::SetLogFile(FOldLog);
        QDir::setCurrent(FSavedDir);
    }

    // The debug log's messages, without their date and time.
    QStringList LogLines() const
    {
        QStringList lines;
        if (!QFile::exists(dir.file(QStringLiteral("debug.log"))))
            return lines;
        const QString text = QString::fromLatin1(testutil::readFile(dir.file(QStringLiteral("debug.log"))));
        for (const QString &line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
            lines << line.mid(line.indexOf(QStringLiteral(": ")) + 2);
        return lines;
    }
    QStringList BoxTexts() const
    {
        QStringList out;
        for (const auto &b : Boxes)
            out << b.Msg;
        return out;
    }
    // A synchronous request that the stand-in answers with Code, run outside the task manager.
    std::unique_ptr<TDataLoader> Answered(int Code, bool Silent = false)
    {
        auto task = std::make_unique<TDataLoader>();
        task->SetHost(svc.URL(QStringLiteral("query.php")));
        task->ParamAdd(QStringLiteral("standin_code"), Code);
        task->SetSilent(Silent);
        task->Query(false);
        EXPECT_NE(task->Answer(), nullptr) << task->Error().toStdString();
        return task;
    }
    // What the task manager does when a task has finished.
    void Finished(QObject *Task) { complex->Data().Callback()(Task); }

    testutil::TempDir dir;
    TServiceFixture svc;
    std::unique_ptr<TComplex> complex;
    std::vector<TUMessageBoxRequest> Boxes;
    std::function<void(const TUMessageBoxRequest &)> OnBox; // runs while the box is "open"
    TModalResult Answer = mrYes;
    QStringList Opened;
    std::vector<TOutdoorCloseReason> Errors;
    QStringList Events;

private:
    QString FOldLog;
    QString FSavedDir = QDir::currentPath();
    TUMessageBox::THandler FOldBox;
    TUShell::THandler FOldShell;
};
