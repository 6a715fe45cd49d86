#pragma once

#include "FBase.h"

// A loading form whose "OK" sends the edited data through a second request task and judges
// the answer. "OK" is available only once the user changed something (and CanSave agrees).
//
// After "OK", always in this order: a running load is abandoned, CheckData, then either
// CheckProcessAnswer at once (SkipProcess) or PrepareProcess (a descendant extends it with its
// parameters and TaskSubmit) -> the task runs -> CheckProcessAnswer on its success,
// HandleProcessError on its failure. Answer codes of a named action reach CheckProcessAnswer.
class TFormDialog : public TFormBase {
    Q_OBJECT
public:
    explicit TFormDialog(QWidget *parent = nullptr);

    const QString &TaskActionProcess() const { return FTaskProcessLoad; }
    void SetTaskActionProcess(const QString &Value) { FTaskProcessLoad = Value; }
    bool SkipProcess() const { return FSkipProcess; }
    void SetSkipProcess(bool Value) { FSkipProcess = Value; }
    bool CloseOnProcessSuccess() const { return FCloseOnProcessSuccess; }
    void SetCloseOnProcessSuccess(bool Value) { FCloseOnProcessSuccess = Value; }
    bool PromtOnCloseChanged() const { return FPromtOnCloseChanged; }
    void SetPromtOnCloseChanged(bool Value) { FPromtOnCloseChanged = Value; }
    bool IsChanged() const { return FChanged; }
    void SetIsChanged(bool Value);
    bool IsChangedEvenOnce() const { return FChangedEvenOnce; }

    void UpdateEnabled() override;
    bool CanSave() override { return TFormBase::CanSave(); }
    void ClearData() override;

    // Validates the inputs; a refusing descendant shows its own message.
    virtual bool CheckData() { return true; }
    // CreateTask with the process action, bound to this form's process handlers.
    virtual void PrepareProcess();
    virtual void HandleProcessError(const QString &Msg, bool &CloseForm, QString &Message);
    // Judges a finished process (Task holds it, or nothing with SkipProcess); false with the
    // text to show.
    virtual bool CheckProcessAnswer(QString &Message);

    void OnButtonOkClick();
    // Change handlers for the input controls of a descendant.
    void OnChange(QObject *Sender);
    void OnChangeUpdate(QObject *Sender);
    void OnButtonCloseClick() override;
    void OnKeyReturnOrEscPress(QObject *Sender, QChar &Key);
    // Connects the control's change signal to OnChange.
    void WatchChanges(QWidget *Control);

    TUImageButton *ButtonOk;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void BeginProcess();
    void ProcessDone();
    void ProcessFailed(const QString &Msg);
    void ProcessTerminated();

    bool FChangedEvenOnce = false;
    bool FChanged = false;
    QString FTaskProcessLoad;
    bool FSkipProcess = false;
    bool FCloseOnProcessSuccess = true;
    bool FPromtOnCloseChanged = false;
};
