#include "FSignIn.h"

#include "UAPIData.h"
#include "UAPIDataLoader.h"
#include "UException.h"
#include "UnitComplex.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <utility>

namespace {

// The service's answer code for a refused sign-in.
constexpr int kRefused = 13;

} // namespace

TFSignIn::TFSignIn(QWidget *parent) : TFormDialog(parent)
{
    setWindowTitle(QStringLiteral("Вход в систему"));
    // Two fields and a line for the refusal: the kit's full form height would stay mostly empty.
    setFixedSize(747, 200);
    SetTaskActionProcess(QStringLiteral("login"));
    // A refusal leaves the dialog open for the next try, and the person types from scratch.
    SetCloseOnProcessSuccess(true);

    auto *top = new QVBoxLayout(GBTop);
    auto *title = new QLabel;
    QFont bold = KitFont();
    bold.setBold(true);
    title->setFont(bold);
    if (Complex) {
        const QString org = Complex->Vars().Organization().Title;
        title->setText(org.isEmpty() ? QStringLiteral("Вход в систему")
                                     : QStringLiteral("Вход в систему: %1").arg(org));
    }
    top->addWidget(title);

    auto *form = new QFormLayout;
    eLogin = new QLineEdit;
    eLogin->setObjectName(QStringLiteral("eLogin"));
    form->addRow(QStringLiteral("Имя пользователя:"), eLogin);
    ePassword = new QLineEdit;
    ePassword->setObjectName(QStringLiteral("ePassword"));
    ePassword->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("Пароль:"), ePassword);
    top->addLayout(form);

    lFailure = new QLabel;
    lFailure->setObjectName(QStringLiteral("lFailure"));
    lFailure->setWordWrap(true);
    lFailure->setStyleSheet(QStringLiteral("color: #b00000;"));
    top->addWidget(lFailure);
    top->addStretch(1);

    WatchChanges(eLogin);
    WatchChanges(ePassword);
    SetFocus(eLogin);
    UpdateEnabled();
}

void TFSignIn::SetLogin(const QString &Login)
{
    eLogin->setText(Login);
    if (!Login.isEmpty())
        SetFocus(ePassword);
}

QString TFSignIn::Failure() const { return lFailure->text(); }

void TFSignIn::ShowFailure(const QString &Text) { lFailure->setText(Text); }

void TFSignIn::UpdateEnabled()
{
    TFormDialog::UpdateEnabled();
    eLogin->setEnabled(IsEnabled());
    ePassword->setEnabled(IsEnabled());
}

bool TFSignIn::CanSave() { return !eLogin->text().trimmed().isEmpty() && !ePassword->text().isEmpty(); }

void TFSignIn::PrepareProcess()
{
    TFormDialog::PrepareProcess();
    ShowFailure(QString());
    FSentPassword = ePassword->text();
    // Nothing of the password stays on screen while the request runs or after it.
    ePassword->clear();
    Task()->ParamAdd(QStringLiteral("login"), eLogin->text().trimmed());
    Task()->ParamAdd(QStringLiteral("password"), FSentPassword);
    TaskSubmit();
}

bool TFSignIn::CheckProcessAnswer(QString &Message)
{
    // The message of a failure goes into the dialog, never into a box of its own.
    Message.clear();
    const QString password = std::exchange(FSentPassword, QString());
    const TAPIDataAnswer *answer = Task() ? Task()->Answer() : nullptr;
    if (!answer) {
        ShowFailure(QStringLiteral("Сервис не ответил на запрос входа."));
        return false;
    }
    if (answer->Error() == kRefused) {
        ShowFailure(QStringLiteral("Неверное имя пользователя или пароль."));
        TryFocus(ePassword);
        return false;
    }
    if (answer->Error() != 0) {
        // Error processing has told the person what the code means.
        ShowFailure(QStringLiteral("Вход не выполнен (код ответа %1).").arg(answer->Error()));
        return false;
    }
    try {
        Complex->UserInit(*answer, password);
    } catch (const EUError &e) {
        // A half-taken answer must not leave a session behind.
        Complex->UserClose();
        ShowFailure(e.Message().isEmpty() ? QStringLiteral("Сервис не открыл сеанс.")
                                          : QStringLiteral("Ответ сервиса не прочитан: %1").arg(e.Message()));
        return false;
    }
    return true;
}

void TFSignIn::HandleProcessError(const QString &Msg, bool &CloseForm, QString &Message)
{
    FSentPassword.clear();
    CloseForm = false;
    Message.clear();
    // CheckProcessAnswer has said why already; a transport failure says it here.
    if (lFailure->text().isEmpty())
        ShowFailure(Msg.isEmpty() ? QStringLiteral("Вход прерван.")
                                  : QStringLiteral("Нет связи с сервисом: %1").arg(Msg));
}
