#include "ComplexFixture.h"
#include "UException.h"
#include "UnitError.h"

#include <atomic>
#include <stdexcept>
#include <thread>

namespace {

const QString kConnectMsg = QStringLiteral("Проблема с подключением к серверу...\n\rПроверьте наличие Интернета!");
const QString kSystemMsg = QStringLiteral("Системная ошибка...\n\rОбратитесь в поддержку: support@quillmarsh.ru");
const QString kReconnectMsg = QStringLiteral("Сеанс закрыт. Требуется повторный вход!");
const QString kAuthMsg = QStringLiteral("Неверные настройки подключения...\n\rВыполните установку начальных параметров в следующем окне...");
const QString kIPMsg = QStringLiteral("Доступ запрещён для данного IP адреса!");
const QString kVersionMsg = QStringLiteral("Версия программы устарела...\n\rВыполнить обновление?");

using ErrorProcessing = ComplexFixture;

} // namespace

TEST(UnitError, CodeTable)
{
    const struct {
        int code;
        TOutdoorCloseReason reason;
    } cases[] = {
        {0, ocrNone}, {1, ocrSystem}, {2, ocrConnect}, {3, ocrSystem}, {4, ocrSystem}, {5, ocrNone},
        {10, ocrReconnect}, {11, ocrAuth}, {12, ocrNone}, {13, ocrAuthUser}, {14, ocrIPDenied},
        {15, ocrVersionOld}, {16, ocrNone}, {20, ocrReconnect}, {21, ocrSystem}, {22, ocrSystem},
        {23, ocrSystem}, {24, ocrNone}, {90, ocrSystem}, {91, ocrNone}, {-1, ocrNone}, {65535, ocrNone},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(CloseReasonOf(c.code), c.reason);
    }
}

TEST_F(ErrorProcessing, EachCodeLogsShowsStartsAndReports)
{
    const QString primer = complex->Vars().StartDir() + QStringLiteral("primer.exe");
    const QString update = complex->Vars().StartDir() + QStringLiteral("update.exe");
    const struct {
        int code;
        bool silent;
        TModalResult answer;
        QStringList log;
        QStringList boxes;
        QStringList opened;
        std::vector<TOutdoorCloseReason> errors;
    } cases[] = {
        {0, false, mrYes, {}, {}, {}, {}},
        {5, false, mrYes, {}, {}, {}, {}},
        {2, false, mrYes, {"ocrConnect"}, {kConnectMsg}, {}, {ocrConnect}},
        {2, true, mrYes, {"ocrConnect"}, {}, {}, {ocrConnect}},
        {1, false, mrYes, {"ocrSystem"}, {kSystemMsg}, {}, {ocrSystem}},
        {90, true, mrYes, {"ocrSystem"}, {}, {}, {ocrSystem}},
        {10, false, mrYes, {"ocrReconnect"}, {kReconnectMsg}, {}, {ocrReconnect}},
        {20, true, mrYes, {"ocrReconnect"}, {}, {}, {ocrReconnect}},
        {11, false, mrYes, {"ocrAuth"}, {kAuthMsg}, {primer}, {ocrAuth}},
        {11, true, mrYes, {"ocrAuth"}, {}, {primer}, {ocrAuth}},
        {13, false, mrYes, {}, {}, {}, {ocrAuthUser}},
        {14, false, mrYes, {"ocrIPDenied"}, {kIPMsg}, {}, {ocrIPDenied}},
        {15, false, mrNo, {"ocrVersionOld"}, {kVersionMsg}, {}, {ocrVersionOld}},
        {15, false, mrYes, {"ocrVersionOld"}, {kVersionMsg}, {update}, {ocrVersionOld}},
        {15, true, mrYes, {"ocrVersionOld"}, {}, {}, {ocrVersionOld}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << (c.silent ? " silent" : ""));
        QFile::remove(dir.file(QStringLiteral("debug.log")));
        Boxes.clear();
        Opened.clear();
        Errors.clear();
        Answer = c.answer;
        const auto task = Answered(c.code, c.silent);
        ASSERT_EQ(task->Answer()->Error(), c.code);
        Finished(task.get());
        EXPECT_EQ(LogLines(), c.log);
        EXPECT_EQ(BoxTexts(), c.boxes);
        EXPECT_EQ(Opened, c.opened);
        EXPECT_EQ(Errors, c.errors);
        EXPECT_NE(task->Answer(), nullptr) << "the task is left as it was";
    }
}

TEST_F(ErrorProcessing, ResultIsFalseOnlyForNoneAndRefusedSignIn)
{
    Answer = mrNo;
    for (int r = ocrNone; r <= ocrConnect; ++r) {
        const auto reason = TOutdoorCloseReason(r);
        SCOPED_TRACE(ToName(reason).data());
        Errors.clear();
        EXPECT_EQ(complex->ProcessError(nullptr, reason), reason != ocrNone && reason != ocrAuthUser);
        EXPECT_EQ(Errors.size(), reason == ocrNone ? 0u : 1u);
    }
}

TEST_F(ErrorProcessing, SameFailureWhileItsBoxIsOpenShowsNoSecondBox)
{
    const auto first = Answered(2);
    const auto second = Answered(2);
    OnBox = [&](const TUMessageBoxRequest &) {
        OnBox = nullptr;
        Finished(second.get()); // finishes while the first box is still open
    };
    Finished(first.get());
    EXPECT_EQ(BoxTexts(), QStringList{kConnectMsg});
    EXPECT_EQ(LogLines(), (QStringList{"ocrConnect", "ocrConnect"}));
    EXPECT_EQ(Events, (QStringList{"box after 1 log lines", "OnError ocrConnect", "OnError ocrConnect"}));

    // Once the box is closed the next failure is shown again.
    Finished(Answered(2).get());
    EXPECT_EQ(Boxes.size(), 2u);
}

TEST_F(ErrorProcessing, OtherReasonOnTopKeepsTheGuardOfTheBoxBelow)
{
    const auto system = Answered(1);
    const auto connectAgain = Answered(2);
    const auto systemAgain = Answered(3);
    int connectBoxes = 0;
    OnBox = [&](const TUMessageBoxRequest &r) {
        if (r.Msg == kConnectMsg && ++connectBoxes == 1) {
            Finished(system.get());       // the service fault's box opens over the connection box
            Finished(connectAgain.get()); // the fault's box is closed again, the connection box is not
        } else if (r.Msg == kSystemMsg) {
            Finished(systemAgain.get());
        }
    };
    Finished(Answered(2).get());
    EXPECT_EQ(BoxTexts(), (QStringList{kConnectMsg, kSystemMsg}));
    EXPECT_EQ(LogLines(), (QStringList{"ocrConnect", "ocrSystem", "ocrSystem", "ocrConnect"}));
    EXPECT_EQ(Errors, (std::vector<TOutdoorCloseReason>{ocrSystem, ocrSystem, ocrConnect, ocrConnect}));
}

TEST_F(ErrorProcessing, TransportFailuresAndOtherSendersAreNotProcessed)
{
    auto task = std::make_unique<TDataLoader>();
    task->SetHost(QStringLiteral("http://127.0.0.1:%1/query.php").arg(FreeLoopbackPort()));
    task->Query(false);
    ASSERT_EQ(task->Answer(), nullptr);
    Finished(task.get());
    QObject other;
    Finished(&other);
    Finished(nullptr);
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_TRUE(Boxes.empty());
    EXPECT_TRUE(Errors.empty());
}

TEST_F(ErrorProcessing, FailingCallbackReachesTheCallerAndLeavesTheGuardOpen)
{
    complex->SetOnError([](TOutdoorCloseReason) { throw EUError(QStringLiteral("callback")); });
    EXPECT_THROW(complex->ProcessError(nullptr, ocrConnect), EUError);
    OnBox = [](const TUMessageBoxRequest &) { throw std::runtime_error("box"); };
    EXPECT_THROW(complex->ProcessError(nullptr, ocrSystem), std::runtime_error);
    OnBox = nullptr;
    complex->SetOnError(nullptr);
    Boxes.clear();
    EXPECT_TRUE(complex->ProcessError(nullptr, ocrSystem));
    EXPECT_TRUE(complex->ProcessError(nullptr, ocrConnect));
    EXPECT_EQ(BoxTexts(), (QStringList{kSystemMsg, kConnectMsg}));
}

namespace {

// A synchronous request answered with Code, run by the task manager in the calling thread.
void RunFrom(TComplex &complex, int code)
{
    TDataLoader task;
    task.SetHost(QStringLiteral("query.php"));
    task.ParamAdd(QStringLiteral("standin_code"), code);
    complex.Data().TaskRun(&task);
}

} // namespace

TEST_F(ErrorProcessing, FailuresReportedFromAnotherThreadAreProcessedInTheMainThread)
{
    const std::thread::id mainThread = std::this_thread::get_id();
    std::vector<std::thread::id> threads; // of every box and OnError call, touched by the main thread only
    OnBox = [&](const TUMessageBoxRequest &) { threads.push_back(std::this_thread::get_id()); };
    complex->SetOnError([&](TOutdoorCloseReason err) {
        threads.push_back(std::this_thread::get_id());
        Errors.push_back(err);
    });
    int listChanges = 0;
    complex->Data().SetOnTaskListChange([&](QObject *) { ++listChanges; });

    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int code : {2, 2, 1, 0})
            RunFrom(*complex, code);
        done = true;
    });
    const bool finished = testutil::waitUntil([&] { return done.load(); });
    worker.join();
    ASSERT_TRUE(finished);

    EXPECT_EQ(LogLines(), (QStringList{"ocrConnect", "ocrConnect", "ocrSystem"}));
    EXPECT_EQ(BoxTexts(), (QStringList{kConnectMsg, kConnectMsg, kSystemMsg})) << "each box closed before the next";
    EXPECT_EQ(Errors, (std::vector<TOutdoorCloseReason>{ocrConnect, ocrConnect, ocrSystem}));
    EXPECT_EQ(threads.size(), 6u);
    for (std::thread::id id : threads)
        EXPECT_EQ(id, mainThread);
    EXPECT_EQ(complex->Data().Count(), 0);
    EXPECT_EQ(listChanges, 0) << "a synchronous run never touches the task list";
}

TEST_F(ErrorProcessing, FailureFromAnotherThreadWhileItsBoxIsOpenShowsNoSecondBox)
{
    std::atomic<bool> done{false};
    std::thread worker;
    OnBox = [&](const TUMessageBoxRequest &) {
        OnBox = nullptr;
        // The box serves events while it is open, as a modal one does.
        worker = std::thread([&] {
            RunFrom(*complex, 2);
            done = true;
        });
        EXPECT_TRUE(testutil::waitUntil([&] { return done.load(); }));
    };
    Finished(Answered(2).get());
    worker.join();
    EXPECT_EQ(BoxTexts(), QStringList{kConnectMsg});
    EXPECT_EQ(LogLines(), (QStringList{"ocrConnect", "ocrConnect"}));
    EXPECT_EQ(Events, (QStringList{"box after 1 log lines", "OnError ocrConnect", "OnError ocrConnect"}));
}

TEST_F(ErrorProcessing, FailureOfTheCallbackReachesTheOtherThread)
{
    complex->SetOnError([](TOutdoorCloseReason) { throw EUError(QStringLiteral("callback")); });
    std::atomic<bool> done{false};
    QString caught;
    std::thread worker([&] {
        try {
            complex->ProcessError(nullptr, ocrReconnect);
        } catch (const EUError &e) {
            caught = e.Message();
        }
        done = true;
    });
    const bool finished = testutil::waitUntil([&] { return done.load(); });
    worker.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(caught, QStringLiteral("callback"));
    EXPECT_EQ(BoxTexts(), QStringList{kReconnectMsg});
}
