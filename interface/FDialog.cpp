#include "FDialog.h"

#include "UAPIDataLoader.h"
#include "UDialogs.h"
#include "FrProgressBase.h"
#include "UFDialog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSpinBox>
#include <QTextEdit>

TFormDialog::TFormDialog(QWidget *parent) : TFormBase(parent)
{
    ButtonClose->setText(QStringLiteral("ОТМЕНА"));
    ButtonOk = new TUImageButton(QStringLiteral("OK"), KitGlyphOk(), 13, GBBottom);
    ButtonOk->setGeometry(485, 2, 130, 36);
    ButtonOk->setEnabled(false);
    setTabOrder(ButtonOk, ButtonClose);
    setTabOrder(ButtonClose, FrameProgressBase);
    connect(ButtonOk, &QPushButton::clicked, this, &TFormDialog::OnButtonOkClick);
}

void TFormDialog::SetIsChanged(bool Value)
{
    FChanged = Value;
    if (Value)
        FChangedEvenOnce = true;
    ButtonOk->setEnabled(Value && IsEnabled() && CanSave());
}

void TFormDialog::UpdateEnabled()
{
    TFormBase::UpdateEnabled();
    ButtonOk->setEnabled(IsEnabled() && FChanged && CanSave());
}

void TFormDialog::ClearData()
{
    TFormBase::ClearData();
    SetIsChanged(false);
    FChangedEvenOnce = false;
}

void TFormDialog::PrepareProcess()
{
    CreateTask(FTaskProcessLoad);
    const QPointer<TFormDialog> self(this);
    Task()->OnWork.OnSuccess = [self](QObject *Sender) {
        if (self && self->IsHeldTask(Sender))
            self->ProcessDone();
    };
    Task()->OnWork.OnError = [self](QObject *Sender, const QString &Msg) {
        if (self && self->IsHeldTask(Sender))
            self->ProcessFailed(Msg);
    };
    Task()->OnWork.OnTerminate = [self](QObject *Sender) {
        if (self && self->IsHeldTask(Sender))
            self->ProcessTerminated();
    };
}

void TFormDialog::HandleProcessError(const QString &Msg, bool &CloseForm, QString &Message)
{
    Message = Msg;
    CloseForm = false;
}

bool TFormDialog::CheckProcessAnswer(QString &Message)
{
    Message.clear();
    return true;
}

void TFormDialog::OnButtonOkClick()
{
    CancelTask();
    if (!CheckData())
        return;
    if (SkipProcess())
        ProcessDone();
    else
        BeginProcess();
}

void TFormDialog::BeginProcess()
{
    SetIsEnabled(false);
    ProgressStart();
    PrepareProcess();
}

void TFormDialog::ProcessDone()
{
    ProgressStop();
    QString message;
    if (!CheckProcessAnswer(message)) {
        ProcessFailed(message);
        return;
    }
    ForgetTask();
    if (CloseOnProcessSuccess()) {
        CloseWith(QDialog::Accepted);
        return;
    }
    SetIsChanged(false);
    SetIsEnabled(true);
    UpdateEnabled();
}

void TFormDialog::ProcessFailed(const QString &Msg)
{
    ProgressStop();
    bool closeForm = false;
    QString message;
    HandleProcessError(Msg, closeForm, message);
    if (!message.isEmpty())
        TUDialogs::Error(message);
    ForgetTask();
    if (closeForm) {
        CloseWith(QDialog::Rejected);
        return;
    }
    SetIsEnabled(true);
    UpdateEnabled();
}

void TFormDialog::ProcessTerminated() { ProcessFailed(QString()); }

void TFormDialog::OnChange(QObject *Sender)
{
    if (!isVisible() || Loading())
        return;
    if (auto *w = qobject_cast<QWidget *>(Sender); w && !w->isEnabled())
        return;
    Helper().SetTagedSet(Sender);
    SetIsChanged(true);
}

void TFormDialog::OnChangeUpdate(QObject *Sender)
{
    OnChange(Sender);
    UpdateEnabled();
}

void TFormDialog::OnButtonCloseClick()
{
    if (PromtOnCloseChanged() && FChanged && ButtonOk->isVisible() && ButtonOk->isEnabled()
        && TUDialogs::YesNo(QStringLiteral("Сохранить изменения перед выходом?"))) {
        OnButtonOkClick();
        return;
    }
    TFormBase::OnButtonCloseClick();
}

void TFormDialog::OnKeyReturnOrEscPress(QObject *Sender, QChar &Key)
{
    if (Key == QChar(13) && ButtonOk->isEnabled() && ButtonOk->isVisible())
        ButtonOk->click();
    else
        OnKeyEscPress(Sender, Key);
}

void TFormDialog::WatchChanges(QWidget *Control)
{
    auto changed = [this, Control] { OnChange(Control); };
    if (auto *e = qobject_cast<QLineEdit *>(Control))
        connect(e, &QLineEdit::textChanged, this, changed);
    else if (auto *m = qobject_cast<QPlainTextEdit *>(Control))
        connect(m, &QPlainTextEdit::textChanged, this, changed);
    else if (auto *t = qobject_cast<QTextEdit *>(Control))
        connect(t, &QTextEdit::textChanged, this, changed);
    else if (auto *c = qobject_cast<QComboBox *>(Control))
        connect(c, &QComboBox::currentIndexChanged, this, changed);
    else if (auto *b = qobject_cast<QAbstractButton *>(Control))
        connect(b, &QAbstractButton::toggled, this, changed);
    else if (auto *d = qobject_cast<QDateTimeEdit *>(Control))
        connect(d, &QDateTimeEdit::dateTimeChanged, this, changed);
    else if (auto *s = qobject_cast<QAbstractSpinBox *>(Control))
        connect(s, &QAbstractSpinBox::editingFinished, this, changed);
}

void TFormDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QChar key(13);
        OnKeyReturnOrEscPress(this, key);
        return;
    }
    TFormBase::keyPressEvent(event);
}
