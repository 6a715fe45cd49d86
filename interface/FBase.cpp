#include "FBase.h"

#include "FrProgressBase.h"
#include "UAPIData.h"
#include "UAPIDataLoader.h"
#include "UFDialog.h"
#include "UException.h"
#include "UMessageBox.h"
#include "UnitComplex.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPointer>

TFormBase::TFormBase(QWidget *parent) : TUFormCustomGroup(parent)
{
    setFixedSize(747, 293);
    FrameProgressBase = new TFrameProgressBase(GBBottom);
    FrameProgressBase->setGeometry(2, 2, 36, 36);
    ButtonClose = new TUImageButton(QStringLiteral("ЗАКРЫТЬ"), KitGlyphCancel(), 13, GBBottom);
    ButtonClose->setGeometry(615, 2, 130, 36);
    connect(ButtonClose, &QPushButton::clicked, this, [this] { OnButtonCloseClick(); });
}

TFormBase::~TFormBase() { CancelTask(); }

void TFormBase::UpdateEnabled() { ButtonClose->setEnabled(IsEnabled()); }

void TFormBase::CreateTask(const QString &Action)
{
    CancelTask();
    if (Action.isEmpty()) {
        FTaskUnsubmitted = std::make_unique<TDataLoader>();
    } else {
        UAssert(Complex != nullptr, QStringLiteral("Complex must be assigned"));
        FTaskUnsubmitted = Complex->TaskCreate(Action);
    }
    FTask = FTaskUnsubmitted.get();
}

void TFormBase::PrepareLoad()
{
    CreateTask(FTaskActionLoad);
    const QPointer<TFormBase> self(this);
    FTask->OnWork.OnSuccess = [self](QObject *Sender) {
        if (self && self->IsHeldTask(Sender))
            self->LoadDone();
    };
    FTask->OnWork.OnError = [self](QObject *Sender, const QString &) {
        if (self && self->IsHeldTask(Sender))
            self->LoadFailed();
    };
    FTask->OnWork.OnTerminate = [self](QObject *Sender) {
        if (self && self->IsHeldTask(Sender))
            self->LoadFailed();
    };
    FTask->SetHandleAnswerErrorAsCommon(true);
}

void TFormBase::StartLoad()
{
    if (SkipLoad())
        LoadDone();
    else
        BeginLoad();
}

bool TFormBase::Execute()
{
    SetIsEnabled(false);
    ClearData();
    return exec() == QDialog::Accepted;
}

void TFormBase::TaskSubmit()
{
    if (!FTaskUnsubmitted)
        return;
    UAssert(Complex != nullptr, QStringLiteral("Complex must be assigned"));
    Complex->Data().TaskAdd(FTaskUnsubmitted.release(), true);
}

void TFormBase::BeginLoad()
{
    SetIsEnabled(false);
    ProgressStart();
    PrepareLoad();
}

void TFormBase::LoadDone()
{
    ProgressStop();
    if (!SkipLoad() && !(FTask && FTask->Answer() && FTask->Answer()->Error() == 0)) {
        // Nothing usable came: the form closes as after a failed load.
        LoadFailed();
        return;
    }
    LoadData();
    ForgetTask();
    SetIsEnabled(true);
    TryFocus(Focus());
}

void TFormBase::LoadFailed()
{
    ProgressStop();
    ForgetTask();
    CloseWith(QDialog::Rejected);
}

void TFormBase::OnButtonCloseClick()
{
    CancelTask();
    close();
}

void TFormBase::OnKeyEscPress(QObject *, QChar &Key)
{
    if (Key == QChar(27))
        ButtonClose->ClickIfAvailable();
}

bool TFormBase::FormCloseQuery()
{
    if (!Loading())
        return true;
    return TUMessageBox::YesNo(QStringLiteral("Выполняется загрузка данных. Закрыть форму всё равно?"));
}

void TFormBase::FormClose() { CancelTask(); }

void TFormBase::CancelTask()
{
    if (FTaskUnsubmitted)
        FTaskUnsubmitted.reset(); // never started: nothing else would free it
    else if (FTask)
        FTask->Terminate();
    FTask = nullptr;
}

void TFormBase::ForgetTask()
{
    FTask = nullptr;
    FTaskUnsubmitted.reset();
}

bool TFormBase::IsHeldTask(QObject *Sender) const { return Sender && Sender == FTask; }

void TFormBase::ProgressStart() { FrameProgressBase->Start(); }

void TFormBase::ProgressStop() { FrameProgressBase->Stop(); }

void TFormBase::CloseWith(int Result) { done(Result); }

void TFormBase::done(int Result)
{
    FormClose();
    TUFormCustomGroup::done(Result);
}

void TFormBase::showEvent(QShowEvent *event)
{
    TUFormCustomGroup::showEvent(event);
    if (!event->spontaneous())
        StartLoad();
}

void TFormBase::closeEvent(QCloseEvent *event)
{
    if (isVisible() && !FormCloseQuery()) {
        event->ignore();
        return;
    }
    TUFormCustomGroup::closeEvent(event);
}

void TFormBase::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        QChar key(27);
        OnKeyEscPress(this, key);
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return; // no default button: Enter means nothing here
    TUFormCustomGroup::keyPressEvent(event);
}
