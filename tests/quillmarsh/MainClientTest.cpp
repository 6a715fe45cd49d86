// The main client driven as a person would: connect, sign in, browse and filter the lists, a
// town on the map, a reload, the session's end at the service, signing out.
#include "MainClientFixture.h"

#include "FClientCard.h"
#include "FDocuments.h"
#include "UComboSimple.h"
#include "UDataSourceModel.h"
#include "UFDialog.h"
#include "UnitData.h"

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>

using namespace Qt::Literals::StringLiterals;

namespace {

// The titles the table shows in its first column, top to bottom.
QStringList shownTitles(const TFMainWindow &w)
{
    QStringList titles;
    for (int row = 0; row < w.Model()->rowCount(); ++row)
        titles << w.Model()->Item(row)->Title();
    return titles;
}

void chooseKey(TUComboSimple *Combo, TUDataSource *Source, const TUDataKey &Key)
{
    TUDataItem *item = nullptr;
    ASSERT_TRUE(Source->TryGetValue(Key, item));
    const int row = Combo->RowOf(item);
    ASSERT_GE(row, 0);
    // As a person's pick: the list reports it as activated.
    Combo->Combo()->setCurrentIndex(row);
    emit Combo->Combo()->activated(row);
}

} // namespace

TEST_F(MainClientFixture, StartFailuresAreToldAndEndTheProgram)
{
    struct Case {
        const char *Name;
        QString XID;
        bool RemoveConfig, Unreachable;
        QString MinVersion, Box, Started;
    };
    const Case cases[] = {
        {"no settings file", {}, true, false, {}, u"Не найден файл настроек программы."_s, u"primer.exe"_s},
        {"workstation unknown to the service", u"nobody"_s, false, false, {}, u"Неверные настройки подключения..."_s,
         u"primer.exe"_s},
        {"program too old", u"demo"_s, false, false, u"9999"_s, u"Версия программы устарела..."_s, u"update.exe"_s},
        {"service unreachable", u"demo"_s, false, true, {}, u"Проблема с подключением к серверу..."_s, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        Boxes.clear();
        Opened.clear();
        service->SetMinVersion(c.MinVersion);
        if (c.RemoveConfig)
            QFile::remove(dir.file(u"tessaplan.ini"_s));
        else
            WriteConfig(u"17"_s, c.XID, c.Unreachable ? testutil::freeLoopbackPort() : 0);
        EXPECT_FALSE(client->Start());
        ASSERT_EQ(Boxes.size(), 1) << Boxes.join(u'|').toStdString();
        EXPECT_TRUE(Boxes.first().startsWith(c.Box)) << Boxes.first().toStdString();
        // The cure, where there is one, is started.
        ASSERT_EQ(Opened.size(), c.Started.isEmpty() ? 0 : 1);
        if (!c.Started.isEmpty()) {
            EXPECT_TRUE(Opened.first().endsWith(c.Started)) << Opened.first().toStdString();
        }
        EXPECT_EQ(client->SignInDialog(), nullptr);
    }
}

TEST_F(MainClientFixture, SignInRefusedInTheDialogThenAcceptedOpensTheWindowAndTheHelpOnce)
{
    testutil::writeFile(complex->Vars().RunOnceFile(), "");
    ASSERT_TRUE(client->Start());
    EXPECT_EQ(complex->Vars().Organization().Title, u"ООО «Щит-Медиа»"_s);
    client->ShowSignIn();
    TFSignIn *dialog = client->SignInDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->ButtonOk->isEnabled()); // nothing typed yet

    ASSERT_TRUE(SignIn(u"ivanov"_s, u"не тот"_s));
    EXPECT_EQ(client->SignInDialog(), dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->Failure(), u"Неверное имя пользователя или пароль."_s);
    EXPECT_TRUE(dialog->ePassword->text().isEmpty());
    EXPECT_FALSE(complex->IsSessionOpen());
    EXPECT_EQ(client->MainWindow(), nullptr);

    ASSERT_TRUE(SignIn(u"ivanov"_s, u"Щит2026"_s));
    ASSERT_TRUE(testutil::waitUntil([&] { return client->SignInDialog() == nullptr; }));
    ASSERT_TRUE(complex->IsSessionOpen());
    EXPECT_EQ(complex->User().Name(), u"Иванов Сергей Петрович"_s);
    TFMainWindow *w = client->MainWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->windowTitle().startsWith(u"ООО «Щит-Медиа»"_s)) << w->windowTitle().toStdString();
    EXPECT_TRUE(w->lUser->text().contains(u"Иванов"_s));
    EXPECT_TRUE(Opened.contains(complex->Vars().HelpFile()));
    EXPECT_FALSE(QFile::exists(complex->Vars().RunOnceFile()));
    EXPECT_TRUE(Boxes.isEmpty()) << Boxes.join(u'|').toStdString();
}

TEST_F(MainClientFixture, ListsBrowseSortAndFilterByTitleAndKey)
{
    TFMainWindow *w = SignedIn();
    ASSERT_NE(w, nullptr);
    TDataCache &cache = complex->Cache();

    // Clients first, every one of the cache.
    EXPECT_EQ(w->CurrentList(), ctClient);
    EXPECT_EQ(w->Model()->ItemCount(), cache.GetData(ctClient)->Count());
    EXPECT_GT(w->Model()->columnCount(), 1);

    // The title filter with the kit's wildcards.
    typeText(w->eFilter, u"*банк*"_s);
    EXPECT_EQ(shownTitles(*w), QStringList{u"ПАО «Северный банк»"_s});
    w->eFilter->clear();
    EXPECT_EQ(w->Model()->ItemCount(), cache.GetData(ctClient)->Count());

    // Towns by region, sorted by title both ways.
    ASSERT_TRUE(w->ShowList(ctTown));
    ASSERT_TRUE(w->KeyFilter()->isVisibleTo(w));
    chooseKey(w->KeyFilter(), cache.GetData(ctRegion), TUDataKey(2u));
    EXPECT_EQ(shownTitles(*w).size(), 2);
    w->View->sortByColumn(0, Qt::AscendingOrder);
    const QStringList up = shownTitles(*w);
    w->View->sortByColumn(0, Qt::DescendingOrder);
    QStringList down = shownTitles(*w);
    std::reverse(down.begin(), down.end());
    EXPECT_EQ(up, down);
    EXPECT_TRUE(up.contains(u"Гатчина"_s) && up.contains(u"Санкт-Петербург"_s)) << up.join(u',').toStdString();

    // A fixed list has no key filter.
    ASSERT_TRUE(w->ShowList(ctState));
    EXPECT_FALSE(w->KeyFilter()->isVisibleTo(w));
    EXPECT_EQ(w->Model()->ItemCount(), cache.GetData(ctState)->Count());
}

TEST_F(MainClientFixture, TownOpensOnTheMapByNameAndRegion)
{
    TFMainWindow *w = SignedIn();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->ShowList(ctTown));
    typeText(w->eFilter, u"Химки"_s);
    ASSERT_EQ(w->Model()->ItemCount(), 1);
    EXPECT_FALSE(w->bMap->isEnabled());
    w->View->selectRow(0);
    ASSERT_TRUE(w->bMap->isEnabled());
    Opened.clear();
    QTest::mouseClick(w->bMap, Qt::LeftButton);
    ASSERT_EQ(Opened.size(), 1);
    EXPECT_EQ(Opened.first(), TOutdoorVariables::MapSetURL() + u"?q=Химки, Москва и Московская область"_s);
}

TEST_F(MainClientFixture, ReloadShowsWhatChangedAtTheService)
{
    TFMainWindow *w = SignedIn();
    ASSERT_NE(w, nullptr);
    store.PutRecord(u"client"_s, u"2"_s, QJsonObject{{"client", "2"}, {"title", "АО «СтройИнвест-Девелопмент»"}});
    w->aReload->trigger();
    ASSERT_TRUE(testutil::waitUntil([&] { return shownTitles(*w).contains(u"АО «СтройИнвест-Девелопмент»"_s); }));
    EXPECT_FALSE(shownTitles(*w).contains(u"АО «СтройИнвест»"_s));
    ASSERT_TRUE(testutil::waitUntil([&] { return complex->Data().Count() == 0; }));
    EXPECT_EQ(w->lTasks->text(), u"Готово"_s);
    EXPECT_TRUE(Boxes.isEmpty()) << Boxes.join(u'|').toStdString();
}

TEST_F(MainClientFixture, SessionEndedAtTheServiceLeadsBackToTheSignInOnce)
{
    TFMainWindow *w = SignedIn();
    ASSERT_NE(w, nullptr);
    service->ExpireSessions();
    w->aReload->trigger();
    ASSERT_TRUE(testutil::waitUntil([&] { return client->SignInDialog() != nullptr; }));
    EXPECT_EQ(client->MainWindow(), nullptr);
    EXPECT_FALSE(complex->IsSessionOpen());
    // One message from error processing; forgetting the session asked nothing more.
    EXPECT_EQ(Boxes, QStringList{u"Сеанс закрыт. Требуется повторный вход!"_s});
    EXPECT_EQ(client->SignInDialog()->eLogin->text(), u"admin"_s);

    ASSERT_TRUE(SignIn(u"admin"_s, u"admin"_s));
    ASSERT_TRUE(testutil::waitUntil([&] { return client->MainWindow() != nullptr; }));
    EXPECT_TRUE(complex->IsSessionOpen());
    EXPECT_EQ(client->SignInCount(), 2);
}

TEST_F(MainClientFixture, SignOutTellsTheServiceAndCancellingTheSignInEnds)
{
    TFMainWindow *w = SignedIn();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(service->SessionCount(), 1);
    w->aSignOut->trigger();
    EXPECT_EQ(service->SessionCount(), 0);
    EXPECT_FALSE(complex->IsSessionOpen());
    ASSERT_NE(client->SignInDialog(), nullptr);
    EXPECT_EQ(client->MainWindow(), nullptr);
    EXPECT_EQ(Finished, 0);

    EXPECT_EQ(client->SignInDialog()->eLogin->text(), u"admin"_s);
    QTest::mouseClick(client->SignInDialog()->ButtonClose, Qt::LeftButton);
    EXPECT_EQ(Finished, 1);
    EXPECT_TRUE(Boxes.isEmpty()) << Boxes.join(u'|').toStdString();
}

TEST_F(MainClientFixture, ClosingTheWindowEndsTheSession)
{
    TFMainWindow *w = SignedIn();
    ASSERT_NE(w, nullptr);
    w->close();
    EXPECT_EQ(Finished, 1);
    EXPECT_EQ(service->SessionCount(), 0);
}

TEST_F(MainClientFixture, ClientsOfOneManagerOpenTogetherInTheCard)
{
    TFMainWindow *w = SignedIn(u"ivanov"_s, u"Щит2026"_s);
    ASSERT_NE(w, nullptr);
    const int all = w->Model()->ItemCount();
    chooseKey(w->KeyFilter(), complex->Cache().GetData(ctUser), TUDataKey(u"ivanov"_s));
    const int mine = w->Model()->ItemCount();
    ASSERT_GE(mine, 2);
    EXPECT_LT(mine, all);
    for (int row = 0; row < mine; ++row)
        EXPECT_EQ(static_cast<const TDataClient *>(w->Model()->Item(row))->Manager(), TUDataKey(u"ivanov"_s));

    w->View->selectRow(0);
    w->View->selectionModel()->select(w->Model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_TRUE(w->bCard->isEnabled());
    const QList<TUDataKey> chosen{w->Model()->Item(0)->ID(), w->Model()->Item(1)->ID()};
    // The card is modal: it is looked at, once loaded, from inside its own loop.
    QList<TUDataKey> shown;
    bool loaded = false;
    QTimer::singleShot(0, [&] {
        auto *card = qobject_cast<TFClientCard *>(QApplication::activeModalWidget());
        if (!card)
            return;
        loaded = testutil::waitUntil([&] { return card->IsEnabled(); });
        shown = card->Clients();
        card->ButtonClose->click();
    });
    QTest::mouseClick(w->bCard, Qt::LeftButton);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(shown, chosen);
    EXPECT_TRUE(Boxes.isEmpty()) << Boxes.join(u'|').toStdString();
}

TEST_F(MainClientFixture, DocumentsPanelOpensATemplateThroughTheShell)
{
    TFMainWindow *w = SignedIn();
    ASSERT_NE(w, nullptr);
    QTreeWidget *list = w->Documents->List;
    ASSERT_EQ(list->topLevelItemCount(), complex->Cache().GetData(ctDocTemplate)->Count());
    list->setCurrentItem(list->topLevelItem(0));
    Opened.clear();
    QTest::mouseClick(w->Documents->ButtonOpen, Qt::LeftButton);
    ASSERT_TRUE(testutil::waitUntil([&] { return !Opened.isEmpty() || !Boxes.isEmpty(); }));
    ASSERT_EQ(Opened.size(), 1) << Boxes.join(u'|').toStdString();
    EXPECT_TRUE(Opened.first().startsWith(complex->Vars().CacheDocDir())) << Opened.first().toStdString();
    EXPECT_TRUE(QFile::exists(Opened.first()));
}
