// The dialog facade's text, radio, list and folder dialogs, driven by keys and clicks.
#include "TestUtil.h"
#include "UComboSimple.h"
#include "UDialogs.h"
#include "UFDialogListSelect.h"
#include "UFDialogRadioSelect.h"
#include "UFDialogText.h"
#include "URadioGroup.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

std::unique_ptr<TUDataSource> Source(std::initializer_list<std::pair<uint32_t, const char *>> rows)
{
    auto src = std::make_unique<TUDataSource>();
    src->SetFreeItems(true);
    for (const auto &[key, title] : rows)
        src->Add(new TUDataItem(TUDataKey(key), QString::fromUtf8(title)));
    return src;
}

std::unique_ptr<TUDataKeyList> Keys(std::initializer_list<uint32_t> keys)
{
    auto list = std::make_unique<TUDataKeyList>();
    for (uint32_t k : keys)
        list->Add(TUDataKey(k));
    return list;
}

// Runs Script on the modal dialog as soon as it is on screen; a dialog the script left open is
// cancelled, so a failing test cannot hang.
void OnModal(std::function<void(QWidget *)> Script)
{
    QTimer::singleShot(0, [Script] {
        QWidget *w = QApplication::activeModalWidget();
        if (!w) {
            ADD_FAILURE() << "no modal dialog";
            return;
        }
        Script(w);
        if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget()); d == w)
            d->reject();
    });
}

class SelectDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        old = TUDialogs::SetHandler([this](const TUMessageBoxRequest &r) {
            Boxes << r.Msg;
            return mrOk;
        });
    }
    void TearDown() override { TUDialogs::SetHandler(old); }

    TUDialogs::THandler old;
    QStringList Boxes;
};

} // namespace

TEST_F(SelectDialogs, TextInput)
{
    enum Ending { ok, cancel, escape };
    const struct {
        const char *name;
        Ending ending;
        bool result;
        QString value;
    } cases[] = {
        {"OK", ok, true, QStringLiteral("first\nab\ncd")},
        {"ОТМЕНА", cancel, false, QString()},
        {"Escape", escape, false, QString()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QString value = QStringLiteral("first");
        OnModal([&](QWidget *w) {
            auto *form = static_cast<TUFormDialogText *>(w);
            EXPECT_EQ(form->windowTitle(), QStringLiteral("Ввод текста"));
            EXPECT_EQ(form->Promt(), QStringLiteral("Примечание"));
            EXPECT_EQ(form->focusWidget(), form->Memo);
            form->Memo->moveCursor(QTextCursor::End);
            // Enter in the text is a new line, not OK.
            QTest::keyClick(form->Memo, Qt::Key_Return);
            QTest::keyClicks(form->Memo, QStringLiteral("ab"));
            QTest::keyClick(form->Memo, Qt::Key_Return);
            QTest::keyClicks(form->Memo, QStringLiteral("cd"));
            ASSERT_TRUE(form->isVisible());
            if (c.ending == ok)
                QTest::mouseClick(form->ButtonOk, Qt::LeftButton);
            else if (c.ending == cancel)
                QTest::mouseClick(form->ButtonClose, Qt::LeftButton);
            else
                QTest::keyClick(form->Memo, Qt::Key_Escape);
        });
        EXPECT_EQ(TUDialogs::TextInput(nullptr, QStringLiteral("Примечание"), value), c.result);
        EXPECT_EQ(value, c.value);
    }

    for (const bool confirm : {true, false}) {
        SCOPED_TRACE(confirm ? "lines confirmed" : "lines cancelled");
        QStringList lines{QStringLiteral("один"), QStringLiteral("два")};
        OnModal([&](QWidget *w) {
            auto *form = static_cast<TUFormDialogText *>(w);
            EXPECT_EQ(form->Memo->toPlainText(), QStringLiteral("один\nдва"));
            QTest::keyClick(form, confirm ? Qt::Key_Return : Qt::Key_Escape);
        });
        EXPECT_EQ(TUDialogs::TextInput(nullptr, QStringLiteral("Строки"), lines), confirm);
        EXPECT_EQ(lines, (confirm ? QStringList{"один", "два"} : QStringList{}));
    }
}

TEST_F(SelectDialogs, RadioDialogHeightFollowsItsButtons)
{
    const struct {
        int count;
        int height;
    } cases[] = {{0, 180}, {1, 180}, {3, 180}, {4, 180}, {5, 200}, {6, 240}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.count);
        auto src = std::make_unique<TUDataSource>();
        src->SetFreeItems(true);
        for (int i = 1; i <= c.count; ++i)
            src->Add(new TUDataItem(TUDataKey(uint32_t(i)), QStringLiteral("Район %1").arg(i)));
        TUFormDialogRadioSelect form;
        EXPECT_EQ(form.size(), QSize(694, 164));
        form.SetDataSource(src.get());
        form.ClearData();
        form.LoadData();
        EXPECT_EQ(form.RG->Count(), c.count);
        EXPECT_EQ(form.height(), c.height);
    }
}

TEST_F(SelectDialogs, RadioSelect)
{
    const auto src = Source({{1, "Север"}, {2, "Юг"}, {3, "Запад"}});
    TUDataKey selected(2u);
    OnModal([&](QWidget *w) {
        auto *form = static_cast<TUFormDialogRadioSelect *>(w);
        EXPECT_EQ(form->Promt(), QStringLiteral("Район"));
        EXPECT_EQ(form->Selected(), TUDataKey(2u)) << "the caller's key is chosen at first";
        form->RG->RadioButton(2)->click();
        QTest::keyClick(form, Qt::Key_Return);
    });
    EXPECT_TRUE(TUDialogs::RadioSelect(nullptr, QStringLiteral("Район"), src.get(), selected));
    EXPECT_EQ(selected, TUDataKey(3u)) << "the third button in key order";

    OnModal([&](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_FALSE(TUDialogs::RadioSelect(nullptr, QStringLiteral("Район"), src.get(), selected));
    EXPECT_FALSE(selected.IsSet()) << "cancelled: the key is cleared";

    // Confirmed without a choice: told so, and the dialog stays until cancelled.
    bool stayed = false;
    OnModal([&](QWidget *w) {
        auto *form = static_cast<TUFormDialogRadioSelect *>(w);
        QTest::mouseClick(form->ButtonOk, Qt::LeftButton);
        stayed = form->isVisible();
        form->OnButtonCloseClick();
    });
    EXPECT_FALSE(TUDialogs::RadioSelect(nullptr, QString(), src.get(), selected));
    EXPECT_TRUE(stayed);
    EXPECT_EQ(Boxes, QStringList{"Item must be selected"});
}

namespace {

// Records in regions: the key's tens are the region.
class TByRegion : public TUDataSource::TEnumeratorFilterIndex {
public:
    bool Execute(const TUDataItem *Item) override
    {
        return IndexedValue().IsClear() || TUDataKey(Item->ID().Int() / 10) == IndexedValue();
    }
};

class ListDialog : public SelectDialogs {
protected:
    void SetUp() override
    {
        SelectDialogs::SetUp();
        form.SetDataSource(data.get());
        form.ClearData();
        form.LoadData();
        form.show();
    }
    QStringList Rows() const
    {
        QStringList out;
        for (int r = 0; r < form.List->count(); ++r)
            out << form.List->item(r)->text() + (form.List->item(r)->checkState() == Qt::Checked ? "+" : "");
        return out;
    }
    void Query(const QString &text)
    {
        form.EQuery->clear();
        QTest::keyClicks(form.EQuery, text);
        QTest::keyClick(form.EQuery, Qt::Key_Return);
    }
    QRect RowRect(int row) const { return form.List->visualItemRect(form.List->item(row)); }

    std::unique_ptr<TUDataSource> data =
        Source({{11, "Abc"}, {12, "xab"}, {21, "abd"}, {22, "AB"}, {31, "Бор"}, {32, "Cab"}});
    std::unique_ptr<TUDataSource> regions = Source({{1, "Первый"}, {2, "Второй"}, {3, "Третий"}});
    TFormDialogListSelect form;
};

} // namespace

TEST_F(ListDialog, NothingToChooseFromIsNotShown)
{
    TFormDialogListSelect none;
    EXPECT_FALSE(none.Execute());
    TUDataSource empty;
    none.SetDataSource(&empty);
    EXPECT_FALSE(none.Execute());
    EXPECT_FALSE(none.isVisible());
}

TEST_F(ListDialog, FiltersByPatternAndKeepsCheckedKeys)
{
    EXPECT_EQ(form.size(), QSize(716, 555));
    EXPECT_FALSE(form.CbFilter->isVisible()) << "no filter list given";
    EXPECT_EQ(Rows(), (QStringList{"Abc", "xab", "abd", "AB", "Бор", "Cab"}));
    QTest::mouseClick(form.List->viewport(), Qt::LeftButton, {}, RowRect(1).center()); // xab
    EXPECT_EQ(form.ESelected->text(), QStringLiteral("1"));

    const struct {
        QString query;
        QStringList rows;
    } cases[] = {
        {QStringLiteral("ab"), {"Abc", "abd", "AB"}},
        {QStringLiteral(" AB "), {"Abc", "abd", "AB"}},
        {QStringLiteral("*ab"), {"Abc", "xab+", "abd", "AB", "Cab"}},
        {QStringLiteral("a?d"), {"abd"}},
        {QStringLiteral("abcd"), {}},
        {QStringLiteral("zz"), {}},
        {QStringLiteral("б"), {"Бор"}},
        {QStringLiteral("БО"), {"Бор"}},
        {QString(), {"Abc", "xab+", "abd", "AB", "Бор", "Cab"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.query.toStdString());
        form.EQuery->setText(c.query);
        form.RefreshList();
        EXPECT_EQ(Rows(), c.rows);
        EXPECT_EQ(form.Selected().Count(), 1) << "xab stays checked while hidden";
    }
}

TEST_F(ListDialog, TypingWaitsForTheTimerAndEnterRefreshesAtOnce)
{
    QTest::keyClicks(form.EQuery, QStringLiteral("ab"));
    EXPECT_EQ(form.List->count(), 6) << "typing does not refresh";
    EXPECT_TRUE(form.TimerChange->isActive());
    EXPECT_EQ(form.TimerChange->interval(), 500);
    EXPECT_TRUE(testutil::waitUntil([&] { return form.List->count() == 3; }));
    EXPECT_FALSE(form.TimerChange->isActive());

    QTest::keyClick(form.EQuery, Qt::Key_C);
    QTest::keyClick(form.EQuery, Qt::Key_Return);
    EXPECT_EQ(Rows(), QStringList{"Abc"});
    EXPECT_FALSE(form.TimerChange->isActive());
    EXPECT_TRUE(form.isVisible()) << "Enter in the query is not OK";
}

TEST_F(ListDialog, ChecksByClickSpaceAndPlusMinus)
{
    Query(QStringLiteral("ab"));
    QTest::mouseClick(form.List->viewport(), Qt::LeftButton, {}, RowRect(0).center());
    EXPECT_EQ(Rows(), (QStringList{"Abc+", "abd", "AB"})) << "one click, one toggle";
    form.List->setFocus();
    form.List->setCurrentRow(2);
    QTest::keyClick(form.List, Qt::Key_Space);
    EXPECT_EQ(Rows(), (QStringList{"Abc+", "abd", "AB+"}));
    QTest::keyClick(form.List, Qt::Key_Space);
    EXPECT_EQ(Rows(), (QStringList{"Abc+", "abd", "AB"}));

    Query(QString());
    QTest::mouseClick(form.List->viewport(), Qt::LeftButton, {}, RowRect(5).center()); // Cab
    Query(QStringLiteral("ab"));
    QTest::mouseClick(form.bSelect, Qt::LeftButton);
    EXPECT_EQ(Rows(), (QStringList{"Abc+", "abd+", "AB+"}));
    EXPECT_EQ(form.ESelected->text(), QStringLiteral("4"));
    QTest::mouseClick(form.bUnselect, Qt::LeftButton);
    EXPECT_EQ(form.ESelected->text(), QStringLiteral("1")) << "only the rows shown are unchecked";
    EXPECT_TRUE(form.Selected().TheSame(Keys({32u}).get()));
}

TEST_F(ListDialog, KeyJumpsToTheFirstTitleWithThatLetter)
{
    form.List->setFocus();
    form.List->setCurrentRow(0);
    const struct {
        const char *name;
        QString key;
        int row;
    } cases[] = {
        {"lower case finds upper", "c", 5}, {"upper finds lower", "X", 1}, {"first of several", "a", 0},
        {"no such title", "q", 0}, {"Cyrillic does not jump", "б", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        form.List->setCurrentRow(0);
        // Typed as the character alone: the test's key table knows no Cyrillic.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, c.key);
        QApplication::sendEvent(form.List, &press);
        EXPECT_EQ(form.List->currentRow(), c.row);
    }
    EXPECT_EQ(form.Selected().Count(), 0) << "a jump checks nothing";
}

TEST_F(ListDialog, FilterKeyNarrowsTheList)
{
    TByRegion index;
    form.SetFilterSource(regions.get());
    form.SetFilterIndex(&index);
    form.ClearData();
    form.LoadData();
    EXPECT_TRUE(form.CbFilter->isVisible());
    EXPECT_EQ(form.List->count(), 6) << "\"Все\" lets every record through";
    EXPECT_EQ(form.CbFilter->Combo()->itemText(0), QStringLiteral("Все"));

    form.CbFilter->SetSelectedOneKey(TUDataKey(2u));
    EXPECT_EQ(Rows(), (QStringList{"abd", "AB"})) << "a change of the filter refreshes at once";
    Query(QStringLiteral("abd"));
    EXPECT_EQ(Rows(), QStringList{"abd"});
    form.CbFilter->ClearSelection();
    EXPECT_EQ(Rows(), QStringList{"abd"});
    Query(QString());
    EXPECT_EQ(form.List->count(), 6);
}

TEST_F(ListDialog, ListSelectReturnsTheCheckedKeys)
{
    std::unique_ptr<TFormDialogListSelect> dlg = TUDialogs::ListSelect(nullptr, QStringLiteral("Клиенты"));
    dlg->SetDataSource(data.get());
    dlg->SetSelected(*Keys({31u}));
    OnModal([&](QWidget *w) {
        auto *f = static_cast<TFormDialogListSelect *>(w);
        EXPECT_EQ(f->Promt(), QStringLiteral("Клиенты"));
        EXPECT_EQ(f->focusWidget(), f->EQuery);
        EXPECT_EQ(f->ESelected->text(), QStringLiteral("1"));
        EXPECT_EQ(f->List->item(4)->checkState(), Qt::Checked);
        QTest::mouseClick(f->List->viewport(), Qt::LeftButton, {}, f->List->visualItemRect(f->List->item(0)).center());
        QTest::mouseClick(f->ButtonOk, Qt::LeftButton);
    });
    EXPECT_TRUE(dlg->Execute());
    EXPECT_TRUE(dlg->Selected().TheSame(Keys({11u, 31u}).get()));
}

TEST(DirectoryDialog, ResultRule)
{
    const struct {
        QString folder, result;
    } cases[] = {
        {"C:/docs/report", "C:\\docs\\report\\"}, {"C:/docs/", "C:\\docs\\"},
        {"D:\\x", "D:\\x\\"}, {"\\\\srv\\share\\", "\\\\srv\\share\\"}, {"", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.folder.toStdString());
        EXPECT_EQ(TUDialogs::DirectoryResult(c.folder, u'\\'), c.result);
    }
}

TEST(DirectoryDialog, BrowserAnswerAndFocus)
{
    QWidget window;
    auto *edit = new QLineEdit(&window);
    auto *other = new QLineEdit(&window);
    window.show();
    other->setFocus();
    QStringList asked;
    QString answer = QStringLiteral("/home/user/docs");
    bool confirm = true;
    const auto old = TUDialogs::SetDirectoryBrowser([&](QWidget *, const QString &caption, const QString &root, QString &dir) {
        asked << caption << root << dir;
        dir = answer;
        return confirm;
    });
    const QString sep = QDir::separator();
    EXPECT_EQ(TUDialogs::SelectDirectoryDialog(edit, QStringLiteral("Папка"), QStringLiteral("/"), QStringLiteral("/tmp")),
              sep + "home" + sep + "user" + sep + "docs" + sep);
    EXPECT_EQ(asked, (QStringList{"Папка", "/", "/tmp"}));
    EXPECT_EQ(window.focusWidget(), edit);

    other->setFocus();
    confirm = false;
    EXPECT_EQ(TUDialogs::SelectDirectoryDialog(edit, QString(), QString(), QString()), QString());
    EXPECT_EQ(window.focusWidget(), other) << "cancelled: the focus stays";
    confirm = true;
    answer.clear();
    EXPECT_EQ(TUDialogs::SelectDirectoryDialog(nullptr, QString(), QString(), QString()), QString());
    TUDialogs::SetDirectoryBrowser(old);
}
