#include "UMainClient.h"

#include "DeskStart.h"
#include "FMainWindow.h"
#include "FSignIn.h"
#include "UFrProgress.h"
#include "UnitComplex.h"
#include "UWiiProgressBar.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>

#include <memory>

TMainClient::TMainClient(TComplex &AComplex, QObject *parent) : QObject(parent), FComplex(AComplex)
{
    FComplex.SetOnError([this](TOutdoorCloseReason Err) {
        if (Err == ocrReconnect)
            SessionLost();
    });
}

TMainClient::~TMainClient()
{
    FComplex.SetOnError({});
    delete FSignIn;
    delete FMainWindow;
}

TFSignIn *TMainClient::SignInDialog() const { return FSignIn; }

TFMainWindow *TMainClient::MainWindow() const { return FMainWindow; }

void TMainClient::InitVars(TComplex &AComplex) { DeskStart::InitVars(AComplex); }

bool TMainClient::Start()
{
    if (!DeskStart::Check(FComplex))
        return false;
    // The connection is one synchronous request: the indicator is drawn once before it and
    // stands for "busy" until the answer is in. Without a screen nobody would see it.
    const QString platform = QGuiApplication::platformName();
    std::unique_ptr<QWidget> splash;
    TUFrameProgress *progress = nullptr;
    if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal")) {
        // An ordinary window, so that a message of error processing comes above it.
        splash = std::make_unique<QWidget>(nullptr, Qt::Dialog);
        splash->setObjectName(QStringLiteral("ConnectSplash"));
        splash->setWindowTitle(FComplex.Vars().ComplexTitle());
        auto *layout = new QHBoxLayout(splash.get());
        progress = new TUFrameProgress;
        progress->setFixedSize(50, 50);
        layout->addWidget(progress);
        layout->addWidget(new QLabel(QStringLiteral("Подключение к сервису %1…").arg(FComplex.Host())));
        splash->show();
        progress->Start();
        progress->Progress->Step();
        QApplication::processEvents();
    }
    const bool connected = FComplex.Start();
    if (progress)
        progress->Stop();
    return connected;
}

void TMainClient::ShowSignIn()
{
    if (FSignIn) {
        FSignIn->raise();
        return;
    }
    FSignIn = new TFSignIn;
    FSignIn->setAttribute(Qt::WA_DeleteOnClose);
    FSignIn->setWindowModality(Qt::ApplicationModal);
    FSignIn->SetLogin(FLastLogin);
    connect(FSignIn, &QDialog::finished, this, [this](int Result) {
        // The closed dialog goes later; the next sign-in is a new one.
        FSignIn = nullptr;
        if (Result == QDialog::Accepted)
            SignedIn();
        else if (!FMainWindow)
            emit Finished();
    });
    // As Execute does it, without a nested event loop: disabled until shown, then cleared.
    FSignIn->SetIsEnabled(false);
    FSignIn->ClearData();
    FSignIn->show();
}

void TMainClient::SignedIn()
{
    ++FSignInCount;
    FLastLogin = FComplex.User().Login();
    if (FSignInCount == 1)
        FComplex.OpenHelpIfNeeded();
    FMainWindow = new TFMainWindow;
    FMainWindow->setAttribute(Qt::WA_DeleteOnClose);
    connect(FMainWindow, &TFMainWindow::SignOutRequested, this, &TMainClient::SignOut);
    connect(FMainWindow, &TFMainWindow::Closed, this, &TMainClient::MainWindowClosed);
    FMainWindow->show();
}

void TMainClient::CloseMainWindow()
{
    if (!FMainWindow)
        return;
    disconnect(FMainWindow, nullptr, this, nullptr);
    // A card still open over the window ends first: its loop must not outlive the window.
    for (QDialog *dialog : FMainWindow->findChildren<QDialog *>())
        if (dialog->isVisible())
            dialog->reject();
    FMainWindow->close();
    FMainWindow = nullptr;
}

void TMainClient::SignOut()
{
    CloseMainWindow();
    FComplex.UserClose();
    ShowSignIn();
}

void TMainClient::SessionLost()
{
    // Error processing calls back from inside a request's completion, and several requests
    // may report it: the sign-in comes back once, after the reports.
    if (FSessionLostPending)
        return;
    FSessionLostPending = true;
    QTimer::singleShot(0, this, [this] {
        FSessionLostPending = false;
        if (!FComplex.IsSessionOpen() && !FMainWindow)
            return;
        CloseMainWindow();
        // A disconnect would only be refused for the same reason, with its message again.
        FComplex.User().Clear();
        FComplex.UserClose();
        ShowSignIn();
    });
}

void TMainClient::MainWindowClosed()
{
    FMainWindow = nullptr;
    FComplex.UserClose();
    emit Finished();
}
