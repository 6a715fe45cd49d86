#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class TComplex;
class TFMainWindow;
class TFSignIn;

// The main client's course: the workstation's checks and the connection (the block indicator
// on screen meanwhile), then the sign-in dialog, then the main window; signing out, or the
// service closing the session, leads back to the sign-in dialog. Closing the main window or
// cancelling the sign-in ends the course with Finished.
class TMainClient : public QObject {
    Q_OBJECT
public:
    explicit TMainClient(TComplex &AComplex, QObject *parent = nullptr);
    ~TMainClient() override;

    // Version, product title and configuration file name, as deskstart has them.
    static void InitVars(TComplex &AComplex);
    // The checks of deskstart, then the connection. Failures have been shown through error
    // processing (with the set-up program or the update question where they are the cure);
    // false means the program ends.
    bool Start();
    // The sign-in dialog, not modal to the program's event loop; the main window follows an
    // accepted sign-in.
    void ShowSignIn();
    // Ends the session (telling the service) and shows the sign-in dialog again.
    void SignOut();
    // The session is gone at the service: it is forgotten here without a request, once however
    // many requests reported it, and the sign-in dialog comes back.
    void SessionLost();

    TFSignIn *SignInDialog() const;
    TFMainWindow *MainWindow() const;
    // Sign-ins accepted so far.
    int SignInCount() const { return FSignInCount; }

signals:
    void Finished();

private:
    void SignedIn();
    void CloseMainWindow();
    void MainWindowClosed();

    TComplex &FComplex;
    QPointer<TFSignIn> FSignIn;
    QPointer<TFMainWindow> FMainWindow;
    int FSignInCount = 0;
    bool FSessionLostPending = false;
    // The login of the last session, offered again.
    QString FLastLogin;
};
