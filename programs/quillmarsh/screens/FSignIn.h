#pragma once

#include "FDialog.h"

#include <QString>

class QLabel;
class QLineEdit;

// The user's sign-in: login and password, sent as the session's "login" request. An accepted
// answer goes to the core (UserInit) and the dialog closes; a refusal or a failed request is
// shown in the dialog, which stays open for another try. The password lives only in its field
// and, after an accepted sign-in, in the core's user; the field is emptied once it is sent.
class TFSignIn : public TFormDialog {
    Q_OBJECT
public:
    explicit TFSignIn(QWidget *parent = nullptr);

    // The login offered at opening (the previous user's, say).
    void SetLogin(const QString &Login);
    // What the dialog says about the last attempt; empty before any.
    QString Failure() const;

    QLineEdit *eLogin;
    QLineEdit *ePassword;
    QLabel *lFailure;

    void UpdateEnabled() override;
    bool CanSave() override;
    void PrepareProcess() override;
    bool CheckProcessAnswer(QString &Message) override;
    void HandleProcessError(const QString &Msg, bool &CloseForm, QString &Message) override;

private:
    void ShowFailure(const QString &Text);

    // The password of the request in flight: UserInit takes it with the answer.
    QString FSentPassword;
};
