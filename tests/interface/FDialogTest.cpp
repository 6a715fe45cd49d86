// The task-bound forms against the stand-in service with real tasks over loopback.
#include "FDialog.h"
#include "FrProgressBase.h"
#include "StandinServer.h"
#include "StandinService.h"
#include "TestUtil.h"
#include "UAPIData.h"
#include "UAPIDataArray.h"
#include "UAPIDataLoader.h"
#include "UDebug.h"
#include "UDialogs.h"
#include "UFDialog.h"
#include "UWiiProgressBar.h"
#include "UnitComplex.h"

#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

using TParams = QList<QPair<QString, QString>>;

// A record editor as the client programs write them: the record comes in through the load
// task into Edit, and goes out through the process task. Every step is written to Calls.
class TRecordForm : public TFormDialog {
public:
    TRecordForm()
    {
        SetTaskActionLoad(QStringLiteral("record_get"));
        SetTaskActionProcess(QStringLiteral("record_set"));
        Edit = new QLineEdit(GBTop);
        Edit->setGeometry(8, 8, 200, 22);
        WatchChanges(Edit);
        SetFocus(Edit);
    }

    void ClearData() override
    {
        TFormDialog::ClearData();
        Calls << QStringLiteral("ClearData");
    }
    void PrepareLoad() override
    {
        TFormDialog::PrepareLoad();
        Calls << QStringLiteral("PrepareLoad");
        Submit(LoadParams);
    }
    void LoadData() override
    {
        Calls << QStringLiteral("LoadData");
        if (Task())
            Edit->setText(Task()->Answer()->Data().AsStr(dft_title, 0));
    }
    bool CheckData() override
    {
        Calls << QStringLiteral("CheckData");
        return DataValid;
    }
    void PrepareProcess() override
    {
        TFormDialog::PrepareProcess();
        Calls << QStringLiteral("PrepareProcess");
        Task()->ParamAdd(QStringLiteral("title"), Edit->text());
        Submit(ProcessParams);
    }
    bool CheckProcessAnswer(QString &Message) override
    {
        Calls << QStringLiteral("CheckProcessAnswer");
        if (!Task()) {
            Message = SkipAccepted ? QString() : QStringLiteral("refused");
            return SkipAccepted;
        }
        if (Task()->Answer()->Error() == 0)
            return true;
        Message = QStringLiteral("code %1").arg(Task()->Answer()->Error());
        return false;
    }
    void HandleProcessError(const QString &Msg, bool &CloseForm, QString &Message) override
    {
        Calls << QStringLiteral("HandleProcessError");
        TFormDialog::HandleProcessError(Msg, CloseForm, Message);
        CloseForm = CloseOnFailure;
    }

    // What Execute does before its modal loop, so a test can drive the form while it is shown.
    void Open()
    {
        SetIsEnabled(false);
        ClearData();
        show();
    }

    QLineEdit *Edit;
    TParams LoadParams{{QStringLiteral("title"), QStringLiteral("Щит 7")}};
    TParams ProcessParams;
    QStringList Calls;
    bool DataValid = true;
    bool SkipAccepted = true;
    bool CloseOnFailure = false;

private:
    void Submit(const TParams &Params)
    {
        for (const auto &[name, value] : Params)
            Task()->ParamAdd(name, value);
        // The core's own messages would hide whether the form showed one.
        Task()->SetSilent(true);
        TaskSubmit();
    }
};

const TParams kStall{{QStringLiteral("standin_stall"), QStringLiteral("1")}};

class TaskForms : public ::testing::Test {
protected:
    void SetUp() override
    {
        oldLog = TUDebug::LogFile();
        TUDebug::SetLogFile(dir.file(QStringLiteral("debug.log")));
        oldBox = TUDialogs::SetHandler([this](const TUMessageBoxRequest &r) {
            Boxes << r.Msg;
            return r.Buttons.Contains(mbYes) ? Answer : mrOk;
        });
        ASSERT_TRUE(server.Start());
        complex = std::make_unique<TComplex>(dir.file(QStringLiteral("deskstart.exe")));
        Complex = complex.get();
        complex->Data().SetHost(server.BaseURL());
        service->AddUser(QStringLiteral("ivan"), QStringLiteral("pa55"), QStringLiteral("Иван"),
                         QStringLiteral("ivan@example.org"), QStringLiteral("manager"));
        const auto login = complex->TaskCreate(QStringLiteral("login"));
        login->ParamAdd(QStringLiteral("login"), QStringLiteral("ivan"));
        login->ParamAdd(QStringLiteral("password"), QStringLiteral("pa55"));
        ASSERT_NE(complex->Data().TaskRun(login.get()), nullptr);
        complex->UserInit(*login->Answer(), QStringLiteral("pa55"));
        ASSERT_TRUE(complex->IsSessionOpen());
    }
    void TearDown() override
    {
        service->ReleaseStalled();
        complex.reset();
        Complex = nullptr;
        TUDialogs::SetHandler(oldBox);
        TUDebug::SetLogFile(oldLog);
        QDir::setCurrent(savedDir);
    }

    static bool Idle(const TFormBase &form)
    {
        return testutil::waitUntil([&] { return !form.Loading(); });
    }
    // Until the stand-in holds Count answers stalled.
    bool Stalled(int Count)
    {
        return testutil::waitUntil([&] { return service->StalledCount() >= Count; });
    }
    // Until a task the form let go of has ended and freed itself.
    static bool Gone(const QPointer<TDataLoader> &task)
    {
        return testutil::waitUntil([&] { return task.isNull(); });
    }
    // The requests for an action that reached the service.
    int RequestsFor(const QString &action) const
    {
        int n = 0;
        const QList<TStandinRequest> requests = service->Requests();
        for (const TStandinRequest &r : requests)
            n += r.Param(QStringLiteral("action")) == action;
        return n;
    }
    // Types into the form's field, as a person does.
    static void Type(TRecordForm &form, const QString &text) { QTest::keyClicks(form.Edit, text); }
    // Shown, loaded, and the field replaced by text: a change waiting to be saved.
    static bool Edited(TRecordForm &form, const QString &text)
    {
        form.Open();
        if (!Idle(form))
            return false;
        form.Edit->clear();
        Type(form, text);
        return form.IsChanged() && form.ButtonOk->isEnabled();
    }

    QString savedDir = QDir::currentPath();
    QString oldLog;
    TUDialogs::THandler oldBox;
    TStandinServer server;
    std::unique_ptr<TStandinService> service = std::make_unique<TStandinService>(server);
    testutil::TempDir dir;
    std::unique_ptr<TComplex> complex;
    QStringList Boxes;
    TModalResult Answer = mrYes;
};

} // namespace

TEST_F(TaskForms, LoadOutcomes)
{
    const struct {
        const char *name;
        TParams params;
        bool terminate; // the task is stopped while the answer stalls
        bool loaded;
    } cases[] = {
        {"answered", {{QStringLiteral("title"), QStringLiteral("Щит 7")}}, false, true},
        {"error code", {{QStringLiteral("standin_code"), QStringLiteral("7")}}, false, false},
        {"cut short", {{QStringLiteral("standin_cut"), QStringLiteral("1")}}, false, false},
        {"stopped", kStall, true, false},
    };
    int stalled = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Boxes.clear();
        TRecordForm form;
        form.LoadParams = c.params;
        form.Open();
        EXPECT_TRUE(form.Loading());
        EXPECT_FALSE(form.IsEnabled());
        EXPECT_FALSE(form.ButtonClose->isEnabled());
        EXPECT_TRUE(form.FrameProgressBase->Progress->isEnabled()) << "the animation runs";
        if (c.terminate) {
            ASSERT_TRUE(Stalled(++stalled));
            form.Task()->Terminate();
        }
        ASSERT_TRUE(Idle(form));
        EXPECT_EQ(form.Calls.contains(QStringLiteral("LoadData")), c.loaded);
        EXPECT_EQ(form.isVisible(), c.loaded) << "a failed load closes the form";
        EXPECT_FALSE(form.FrameProgressBase->Progress->isEnabled());
        EXPECT_TRUE(Boxes.isEmpty()) << Boxes.join(u'|').toStdString();
        if (c.loaded) {
            EXPECT_EQ(form.Edit->text(), QStringLiteral("Щит 7"));
            EXPECT_TRUE(form.IsEnabled());
            EXPECT_TRUE(form.ButtonClose->isEnabled());
            EXPECT_FALSE(form.IsChanged()) << "filling from the answer is no change";
            EXPECT_FALSE(form.ButtonOk->isEnabled());
        } else {
            EXPECT_EQ(form.result(), QDialog::Rejected);
        }
    }
}

TEST_F(TaskForms, WithoutLoadingTheFormIsReadyAtOnce)
{
    const struct {
        const char *name;
        QString action;
        bool skip;
    } cases[] = {{"no action", QString(), false}, {"SkipLoad", QStringLiteral("record_get"), true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const int before = service->Requests().size();
        TRecordForm form;
        form.SetTaskActionLoad(c.action);
        form.SetSkipLoad(c.skip);
        form.Open();
        EXPECT_EQ(form.Calls, (QStringList{"ClearData", "LoadData"}));
        EXPECT_FALSE(form.Loading());
        EXPECT_TRUE(form.IsEnabled());
        EXPECT_TRUE(form.ButtonClose->isEnabled());
        EXPECT_EQ(service->Requests().size(), before);
    }
}

TEST_F(TaskForms, OkWhileTheLoadStallsAbandonsItAndItsLateEndTouchesNothing)
{
    TRecordForm form;
    form.LoadParams = kStall;
    form.ProcessParams = kStall;
    form.Open();
    ASSERT_TRUE(Stalled(1));
    const QPointer<TDataLoader> load = form.Task();
    Type(form, QStringLiteral("x"));
    EXPECT_FALSE(form.IsChanged()) << "no change counts while a task runs";

    form.OnButtonOkClick();
    const QPointer<TDataLoader> process = form.Task();
    ASSERT_NE(process, load);
    ASSERT_TRUE(Gone(load)) << "the abandoned load ends by itself";
    ASSERT_TRUE(Stalled(2));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.Task(), process) << "the load's end did not clear the process task";
    EXPECT_FALSE(form.IsEnabled());
    EXPECT_EQ(form.Calls, (QStringList{"ClearData", "PrepareLoad", "CheckData", "PrepareProcess"}));

    // The process is cut short when the stand-in lets go: a failure, shown, the form stays.
    service->ReleaseStalled();
    ASSERT_TRUE(Idle(form));
    EXPECT_EQ(form.Calls.mid(4), (QStringList{"HandleProcessError"}));
    EXPECT_EQ(Boxes.size(), 1);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.IsEnabled());
    EXPECT_EQ(RequestsFor(QStringLiteral("record_set")), 1);
}

TEST_F(TaskForms, ProcessOutcomes)
{
    const struct {
        const char *name;
        TParams params;
        bool closeOnSuccess;
        bool closeOnFailure;
        QStringList calls; // after CheckData
        QStringList boxes;
        bool visible;
        int result;
    } cases[] = {
        {"saved and closed", {}, true, false, {"PrepareProcess", "CheckProcessAnswer"}, {}, false, QDialog::Accepted},
        {"saved, stays open", {}, false, false, {"PrepareProcess", "CheckProcessAnswer"}, {}, true, QDialog::Rejected},
        {"error code judged", {{QStringLiteral("standin_code"), QStringLiteral("7")}}, true, false,
         {"PrepareProcess", "CheckProcessAnswer", "HandleProcessError"}, {"code 7"}, true, QDialog::Rejected},
        {"failure closes when asked", {{QStringLiteral("standin_code"), QStringLiteral("7")}}, true, true,
         {"PrepareProcess", "CheckProcessAnswer", "HandleProcessError"}, {"code 7"}, false, QDialog::Rejected},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Boxes.clear();
        TRecordForm form;
        form.ProcessParams = c.params;
        form.SetCloseOnProcessSuccess(c.closeOnSuccess);
        form.CloseOnFailure = c.closeOnFailure;
        ASSERT_TRUE(Edited(form, QStringLiteral("Board 8")));
        form.Calls.clear();
        QTest::keyClick(form.Edit, Qt::Key_Return); // Enter means OK
        EXPECT_TRUE(form.Loading());
        EXPECT_FALSE(form.ButtonOk->isEnabled());
        EXPECT_FALSE(form.ButtonClose->isEnabled());
        ASSERT_TRUE(Idle(form));
        EXPECT_EQ(form.Calls, QStringList{"CheckData"} + c.calls);
        EXPECT_EQ(Boxes, c.boxes);
        EXPECT_EQ(form.isVisible(), c.visible);
        if (!c.visible) {
            EXPECT_EQ(form.result(), c.result);
        }
        EXPECT_EQ(service->LastRequest().Param(QStringLiteral("title")), QStringLiteral("Board 8"));
        if (c.visible) {
            EXPECT_TRUE(form.IsEnabled());
            EXPECT_EQ(form.Edit->text(), QStringLiteral("Board 8")) << "the inputs stay";
            EXPECT_TRUE(form.IsChangedEvenOnce());
            // Saved and kept open: nothing left to save until the next change.
            EXPECT_EQ(form.IsChanged(), !c.boxes.isEmpty());
            EXPECT_EQ(form.ButtonOk->isEnabled(), !c.boxes.isEmpty());
        }
    }
}

TEST_F(TaskForms, SkipProcessJudgesAtOnceWithoutATask)
{
    for (const bool accepted : {true, false}) {
        SCOPED_TRACE(accepted);
        Boxes.clear();
        TRecordForm form;
        form.SetSkipProcess(true);
        form.SkipAccepted = accepted;
        ASSERT_TRUE(Edited(form, QStringLiteral("y")));
        form.Calls.clear();
        QTest::mouseClick(form.ButtonOk, Qt::LeftButton);
        EXPECT_EQ(form.Calls, (accepted ? QStringList{"CheckData", "CheckProcessAnswer"}
                                        : QStringList{"CheckData", "CheckProcessAnswer", "HandleProcessError"}));
        EXPECT_EQ(RequestsFor(QStringLiteral("record_set")), 0);
        EXPECT_EQ(form.isVisible(), !accepted);
        EXPECT_EQ(Boxes, accepted ? QStringList{} : QStringList{"refused"});
    }
}

TEST_F(TaskForms, RefusedCheckDataSendsNothing)
{
    TRecordForm form;
    form.DataValid = false;
    ASSERT_TRUE(Edited(form, QStringLiteral("z")));
    form.Calls.clear();
    form.OnButtonOkClick();
    EXPECT_EQ(form.Calls, QStringList{"CheckData"});
    EXPECT_FALSE(form.Loading());
    EXPECT_TRUE(form.isVisible());
}

TEST_F(TaskForms, TerminatedProcessReenablesTheFormSilently)
{
    TRecordForm form;
    form.ProcessParams = kStall;
    ASSERT_TRUE(Edited(form, QStringLiteral("q")));
    form.OnButtonOkClick();
    ASSERT_TRUE(Stalled(1));
    form.Task()->Terminate();
    ASSERT_TRUE(Idle(form));
    EXPECT_TRUE(Boxes.isEmpty()) << Boxes.join(u'|').toStdString();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.IsEnabled());
    EXPECT_TRUE(form.ButtonOk->isEnabled()) << "the change is still unsaved";
}

TEST_F(TaskForms, ClosingWhileLoadingAsksAndEscapeDoesNothing)
{
    TRecordForm form;
    form.LoadParams = kStall;
    form.Open();
    ASSERT_TRUE(Stalled(1));
    const QPointer<TDataLoader> load = form.Task();

    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible()) << "ЗАКРЫТЬ is disabled while loading";
    EXPECT_TRUE(Boxes.isEmpty());

    Answer = mrNo;
    form.close();
    EXPECT_EQ(Boxes, QStringList{"Выполняется загрузка данных. Закрыть форму всё равно?"});
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.Task(), load);

    Answer = mrYes;
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.Loading());
    EXPECT_TRUE(Gone(load)) << "the load was stopped";
    EXPECT_EQ(form.Calls, (QStringList{"ClearData", "PrepareLoad"}));
}

TEST_F(TaskForms, AFormDestroyedWhileItsTaskRunsHearsNothing)
{
    auto form = std::make_unique<TRecordForm>();
    form->LoadParams = kStall;
    form->Open();
    ASSERT_TRUE(Stalled(1));
    const QPointer<TDataLoader> load = form->Task();
    form.reset();
    EXPECT_TRUE(Gone(load));

    // A task made and never submitted goes with its form too.
    auto idle = std::make_unique<TRecordForm>();
    idle->CreateTask(QStringLiteral("record_get"));
    const QPointer<TDataLoader> made = idle->Task();
    idle.reset();
    EXPECT_TRUE(made.isNull());
}

TEST_F(TaskForms, CloseWithUnsavedChangesAsksToSave)
{
    const struct {
        const char *name;
        bool promt;
        TModalResult answer;
        QStringList boxes;
        bool saved;
    } cases[] = {
        {"yes saves", true, mrYes, {"Сохранить изменения перед выходом?"}, true},
        {"no closes", true, mrNo, {"Сохранить изменения перед выходом?"}, false},
        {"not asked", false, mrYes, {}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Boxes.clear();
        const int before = RequestsFor(QStringLiteral("record_set"));
        TRecordForm form;
        form.SetPromtOnCloseChanged(c.promt);
        ASSERT_TRUE(Edited(form, QStringLiteral("w")));
        Answer = c.answer;
        QTest::keyClick(form.Edit, Qt::Key_Escape);
        EXPECT_EQ(Boxes, c.boxes);
        ASSERT_TRUE(Idle(form));
        EXPECT_EQ(RequestsFor(QStringLiteral("record_set")) - before, c.saved ? 1 : 0);
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(form.result(), c.saved ? QDialog::Accepted : QDialog::Rejected);
    }
}

TEST_F(TaskForms, ExecuteRunsModallyAndEndsWithOk)
{
    TRecordForm form;
    bool typed = false;
    QTimer::singleShot(0, &form, [&] {
        if (!Idle(form))
            return form.done(QDialog::Rejected);
        Type(form, QStringLiteral("m"));
        typed = form.IsChanged();
        QTest::keyClick(form.Edit, Qt::Key_Return);
    });
    const bool ok = form.Execute();
    if (form.isVisible())
        form.done(QDialog::Rejected);
    EXPECT_TRUE(typed);
    EXPECT_TRUE(ok);
    EXPECT_EQ(form.Calls, (QStringList{"ClearData", "PrepareLoad", "LoadData", "CheckData", "PrepareProcess",
                                       "CheckProcessAnswer"}));
}

TEST_F(TaskForms, ChangesCountOnlyFromEnabledControlsOfAnIdleShownForm)
{
    TRecordForm form;
    form.OnChange(form.Edit);
    EXPECT_FALSE(form.IsChanged()) << "not shown";
    form.Open();
    ASSERT_TRUE(Idle(form));
    form.Edit->setEnabled(false);
    form.OnChange(form.Edit);
    EXPECT_FALSE(form.IsChanged()) << "a disabled control";
    form.Edit->setEnabled(true);
    form.OnChangeUpdate(form.Edit);
    EXPECT_TRUE(form.IsChanged());
    EXPECT_TRUE(form.ButtonOk->isEnabled());
    EXPECT_EQ(form.Helper().GetTag(form.Edit), tvSet);
}
