#pragma once

#include "FMainWindow.h"
#include "FSignIn.h"
#include "StandinServer.h"
#include "StandinService.h"
#include "StandinStore.h"
#include "TestUtil.h"
#include "UDebug.h"
#include "UFDialog.h"
#include "UMainClient.h"
#include "UMessageBox.h"
#include "UShell.h"
#include "UnitComplex.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QPointer>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// Types Text into the widget a key at a time, as a keyboard would; QTest's own key clicks know
// only Latin letters.
inline void typeText(QWidget *Target, const QString &Text)
{
    for (const QChar ch : Text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(Target, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(Target, &release);
    }
}

// The main client in a workstation folder of its own, against the stand-in service with its
// first data on a loopback port: message boxes and shell requests recorded, the core set as
// the process's one.
class MainClientFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        FOldLog = TUDebug::LogFile();
        TUDebug::SetLogFile(dir.file(QStringLiteral("debug.log")));
        FOldBox = TUMessageBox::SetHandler([this](const TUMessageBoxRequest &r) {
            Boxes << r.Msg;
            // A question is answered "yes".
            return r.Buttons.Contains(mbYes) ? mrYes : mrOk;
        });
        FOldShell = TUShell::SetHandler([this](const QString &target, const QString &, const QString &) {
            Opened << target;
            return true;
        });
        service->UseStore(&store);
        ASSERT_TRUE(server.Start());
        complex = std::make_unique<TComplex>(dir.file(QStringLiteral("quillmarsh.exe")));
        Complex = complex.get();
        TMainClient::InitVars(*complex);
        WriteConfig(QStringLiteral("17"), QStringLiteral("demo"));
        client = std::make_unique<TMainClient>(*complex);
        QObject::connect(client.get(), &TMainClient::Finished, [this] { ++Finished; });
    }
    void TearDown() override
    {
        client.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Complex = nullptr;
        complex.reset();
        TUMessageBox::SetHandler(FOldBox);
        TUShell::SetHandler(FOldShell);
        TUDebug::SetLogFile(FOldLog);
        QDir::setCurrent(FSavedDir);
    }

    // The workstation's settings file for that database and client, at the stand-in.
    void WriteConfig(const QString &ID, const QString &XID, int Port = 0)
    {
        testutil::writeFile(dir.file(QStringLiteral("tessaplan.ini")),
                            QStringLiteral("API=127.0.0.1:%1\r\nID=%2\r\nXID=%3\r\n")
                                .arg(Port ? Port : server.Port()).arg(ID, XID).toLatin1());
    }

    // Types into the sign-in dialog and presses OK; true once a try has ended (the dialog
    // either closed or says why it did not).
    bool SignIn(const QString &Login, const QString &Password)
    {
        TFSignIn *dialog = client->SignInDialog();
        if (!dialog || !dialog->isVisible())
            return false;
        dialog->eLogin->clear();
        typeText(dialog->eLogin, Login);
        typeText(dialog->ePassword, Password);
        if (!dialog->ButtonOk->isEnabled())
            return false;
        const int before = client->SignInCount();
        QTest::mouseClick(dialog->ButtonOk, Qt::LeftButton);
        const QPointer<TFSignIn> watched(dialog);
        return testutil::waitUntil([&] {
            return client->SignInCount() > before || (watched && watched->IsEnabled() && !watched->Failure().isEmpty());
        });
    }
    // Connected and signed in, the main window on screen.
    TFMainWindow *SignedIn(const QString &Login = QStringLiteral("admin"), const QString &Password = QStringLiteral("admin"))
    {
        if (!client->Start())
            return nullptr;
        client->ShowSignIn();
        if (!SignIn(Login, Password))
            return nullptr;
        return client->MainWindow();
    }

    testutil::TempDir dir;
    testutil::TempDir data;
    TStandinStore store{data.path(), QStringLiteral(OC_STANDIN_SEED)};
    TStandinServer server;
    std::unique_ptr<TStandinService> service = std::make_unique<TStandinService>(server);
    std::unique_ptr<TComplex> complex;
    std::unique_ptr<TMainClient> client;
    QStringList Boxes;
    QStringList Opened;
    int Finished = 0;

private:
    QString FOldLog;
    QString FSavedDir = QDir::currentPath();
    TUMessageBox::THandler FOldBox;
    TUShell::THandler FOldShell;
};
