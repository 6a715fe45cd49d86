// Pictures of the main client's screens for the README, taken on the screen the test runs on
// (shots.sh gives it a virtual one) when QUILLMARSH_SHOTS names the folder for them.
#include "MainClientFixture.h"

#include "UComboSimple.h"
#include "UDataSourceModel.h"

#include <QProcess>
#include <QScreen>
#include <QTableView>

using namespace Qt::Literals::StringLiterals;

namespace {

// The whole screen, as a person sees it, into Folder/quillmarsh-Name.png.
bool takePicture(const QString &Folder, const QString &Name, QWidget *Window)
{
    Window->raise();
    Window->activateWindow();
    // Let the window manager and the painting settle.
    testutil::waitUntil([] { return false; }, std::chrono::milliseconds(700));
    const QRect r = Window->frameGeometry();
    const QString crop = u"%1x%2+%3+%4"_s.arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
    const QString out = Folder + u"/quillmarsh-"_s + Name + u".png"_s;
    return QProcess::execute(u"import"_s, {u"-window"_s, u"root"_s, u"-crop"_s, crop, u"+repage"_s, out}) == 0;
}

} // namespace

TEST_F(MainClientFixture, Pictures)
{
    const QString folder = qEnvironmentVariable("QUILLMARSH_SHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "QUILLMARSH_SHOTS names no folder";
    ASSERT_TRUE(client->Start());
    client->ShowSignIn();
    TFSignIn *dialog = client->SignInDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(SignIn(u"ivanov"_s, u"не тот"_s));
    typeText(dialog->ePassword, u"Щит2026"_s);
    ASSERT_TRUE(takePicture(folder, u"signin"_s, dialog));

    QTest::mouseClick(dialog->ButtonOk, Qt::LeftButton);
    ASSERT_TRUE(testutil::waitUntil([&] { return client->MainWindow() != nullptr; }));
    TFMainWindow *w = client->MainWindow();
    w->move(0, 0);
    w->View->sortByColumn(1, Qt::AscendingOrder);
    w->View->selectRow(1);
    ASSERT_TRUE(takePicture(folder, u"clients"_s, w));

    ASSERT_TRUE(w->ShowList(ctTown));
    TUDataItem *region = nullptr;
    ASSERT_TRUE(complex->Cache().GetData(ctRegion)->TryGetValue(TUDataKey(1u), region));
    const int row = w->KeyFilter()->RowOf(region);
    w->KeyFilter()->Combo()->setCurrentIndex(row);
    emit w->KeyFilter()->Combo()->activated(row);
    w->View->selectRow(0);
    ASSERT_TRUE(takePicture(folder, u"towns"_s, w));

    ASSERT_TRUE(w->ShowList(ctState));
    ASSERT_TRUE(takePicture(folder, u"fixed"_s, w));
}
