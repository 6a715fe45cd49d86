#pragma once

#include "UFCustomGroup.h"

#include <QString>

#include <memory>

class TDataLoader;
class TFrameProgressBase;
class TUImageButton;

// A form that loads its data through one request task when shown: disabled, with the block
// animation running, until the task ends; "ЗАКРЫТЬ" abandons the task and closes.
//
// Order of the steps: Execute (disabled, ClearData, modal) -> shown -> StartLoad -> either
// LoadDone at once (SkipLoad) or BeginLoad -> PrepareLoad, which a descendant extends with its
// parameters and then TaskSubmit. The task's success reaches LoadData; its error, a non-zero
// answer code or its end by termination close the form without a message (error reporting is
// the task manager's owner's).
//
// At most one task is held. Cancelling only asks it to stop and forgets it; it still ends later
// and still reports, so every task handler first checks that the report comes from the task the
// form holds now, and a destroyed form hears nothing.
class TFormBase : public TUFormCustomGroup {
    Q_OBJECT
public:
    explicit TFormBase(QWidget *parent = nullptr);
    ~TFormBase() override;

    const QString &TaskActionLoad() const { return FTaskActionLoad; }
    void SetTaskActionLoad(const QString &Value) { FTaskActionLoad = Value; }
    bool Loading() const { return FTask != nullptr; }
    bool SkipLoad() const { return FTaskActionLoad.isEmpty() || FSkipLoad; }
    void SetSkipLoad(bool Value) { FSkipLoad = Value; }
    // The task in flight (or made and not yet submitted); none otherwise.
    TDataLoader *Task() const { return FTask; }

    void UpdateEnabled() override;

    // A task for Action made by the core's task factory, or for an empty action a bare task
    // whose script and parameters the descendant sets. Held in Task until it is submitted.
    virtual void CreateTask(const QString &Action);
    virtual bool CanSave() { return true; }
    virtual void ClearData() {}
    // CreateTask with the load action, bound to this form's load handlers, answer codes as
    // errors. A descendant that loads calls this first, adds its parameters, then TaskSubmit.
    virtual void PrepareLoad();
    // From the loaded answer (Task still holds it), or from local data when loading is skipped.
    virtual void LoadData() {}
    virtual void StartLoad();
    virtual bool Execute();

    // Hands the held task to the core's task manager, which runs it on a thread of its own; the
    // task frees itself when it ends. The only way a held task starts.
    void TaskSubmit();

    virtual void OnButtonCloseClick();
    void OnKeyEscPress(QObject *Sender, QChar &Key);
    // False keeps the form open: asked while a load runs.
    bool FormCloseQuery();
    void FormClose();

    TFrameProgressBase *FrameProgressBase;
    TUImageButton *ButtonClose;

protected:
    // Asks the held task to stop (a task never submitted is freed here) and forgets it.
    void CancelTask();
    // The task is forgotten without being stopped: it ends by itself and frees itself.
    void ForgetTask();
    // True when Sender is the task the form holds now.
    bool IsHeldTask(QObject *Sender) const;
    void ProgressStart();
    void ProgressStop();
    // Closes the form in the way its showing asks for: a modal one ends with Result.
    void CloseWith(int Result);

    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

public:
    void done(int Result) override;

private:
    void BeginLoad();
    void LoadDone();
    void LoadFailed();

    TDataLoader *FTask = nullptr;
    // The held task until TaskSubmit hands it over.
    std::unique_ptr<TDataLoader> FTaskUnsubmitted;
    QString FTaskActionLoad;
    bool FSkipLoad = false;
};
