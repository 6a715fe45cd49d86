#include "TestUtil.h"
#include "UComboSimple.h"
#include "UDrawButton.h"
#include "URadioGroup.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// A key-ordered source owning N items "Item 00001".. with key = number; every tenth in red.
std::unique_ptr<TUDataSource> makeSource(int n)
{
    auto src = std::make_unique<TUDataSource>();
    src->SetFreeItems(true);
    for (int i = n; i >= 1; --i)
        src->Add(new TUDataItem(uint32_t(i), QStringLiteral("Item %1").arg(i, 5, 10, QChar('0')),
                                i % 10 == 0 ? RGBToColor(255, 0, 0) : clNone));
    return src;
}

// Towns with titles out of key order, for the title-ordered list.
std::unique_ptr<TUDataSource> towns()
{
    auto src = std::make_unique<TUDataSource>();
    src->SetFreeItems(true);
    src->Add(new TUDataItem(1u, QStringLiteral("Томск")));
    src->Add(new TUDataItem(2u, QStringLiteral("Абакан")));
    src->Add(new TUDataItem(3u, QStringLiteral("Москва")));
    return src;
}

// Types each character of text, as a keyboard would (QTest's own typing knows Latin only).
void typeText(QWidget *w, const QString &text)
{
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &release);
    }
}

struct Events {
    QStringList log;
    void attach(TUCustomComboSimple &c)
    {
        c.SetOnSelectionChange([this](TUCustomComboSimple *, const TUDataKey &k, TCollectionNotification a) {
            log << QStringLiteral("%1%2").arg(a == cnAdded ? "+" : "-").arg(k.ToString());
        });
        c.SetOnChange([this](QObject *) { log << QStringLiteral("change"); });
    }
};

TEST(UComboSimple, FillsInTitleOrderOrSourceOrderWithFilterAndLoadItem)
{
    auto src = towns();
    TUComboSimple c;
    c.SetDataSource(src.get());
    c.LoadData();
    ASSERT_EQ(c.Combo()->count(), 3);
    EXPECT_EQ(c.Combo()->itemText(0), QStringLiteral("Абакан"));
    EXPECT_EQ(c.Combo()->itemText(2), QStringLiteral("Томск"));
    EXPECT_EQ(c.Combo()->currentIndex(), -1);

    c.SetSorted(false); // reloads
    EXPECT_EQ(c.Combo()->itemText(0), QStringLiteral("Томск"));

    c.SetOnLoadItem([](TUCustomComboSimple *, TUDataItem *item) { return item->ID() != TUDataKey(3u); });
    c.LoadData();
    EXPECT_EQ(c.Combo()->count(), 2);

    struct NotTwo : TUDataSource::TEnumeratorFilter {
        bool Execute(const TUDataItem *item) override { return item->ID() != TUDataKey(2u); }
    } filter;
    c.SetOnLoadItem(nullptr);
    c.SetEnumeratorFilter(&filter);
    c.LoadData();
    ASSERT_EQ(c.Combo()->count(), 2);
    EXPECT_EQ(c.RowItem(1)->ID(), TUDataKey(3u));
}

TEST(UComboSimple, ZeroRowStandsForNoChoice)
{
    auto src = towns();
    TUComboSimple c;
    c.SetDataSource(src.get());
    c.SetZeroTitle(QStringLiteral("(нет)"));
    c.SetUseZeroIndex(true);
    c.LoadData(TUDataKey(3u));
    ASSERT_EQ(c.Combo()->count(), 4);
    EXPECT_EQ(c.Combo()->currentText(), QStringLiteral("Москва"));

    c.ClearSelection();
    EXPECT_EQ(c.Combo()->currentIndex(), 0);
    EXPECT_EQ(c.Combo()->currentText(), QStringLiteral("(нет)"));

    // The user picks the zero row: nothing is selected.
    c.SetSelectedOneKey(TUDataKey(1u));
    c.Combo()->setCurrentIndex(0);
    emit c.Combo()->activated(0);
    EXPECT_TRUE(c.Selected().IsEmpty());
    EXPECT_TRUE(c.SelectedOneKey().IsClear());
}

TEST(UComboSimple, ChoosingARowReplacesTheSelectionWithTwoPairsOfEvents)
{
    auto src = towns();
    TUComboSimple c;
    c.SetDataSource(src.get());
    c.LoadData(TUDataKey(1u));
    Events ev;
    ev.attach(c);
    c.Combo()->setCurrentIndex(0); // Абакан
    emit c.Combo()->activated(0);
    EXPECT_EQ(ev.log, (QStringList{"-1", "change", "+2", "change"}));
    EXPECT_EQ(c.SelectedOneKey(), TUDataKey(2u));
    EXPECT_EQ(c.SelectedOne(), c.RowItem(0));
}

TEST(UComboSimple, DefaultItemFillsInForAnUnsetKey)
{
    auto src = towns();
    TUComboSimple c;
    c.SetDataSource(src.get());
    c.SetDefaultItem(TUDataKey(3u));
    c.LoadData();
    EXPECT_EQ(c.SelectedOneKey(), TUDataKey(3u));
    c.SetSelectedOneKey(TUDataKey(1u));
    EXPECT_EQ(c.SelectedOneKey(), TUDataKey(1u));
    c.SetSelectedOneKey(TUDataKey());
    EXPECT_EQ(c.SelectedOneKey(), TUDataKey(3u));
    EXPECT_EQ(c.Combo()->currentText(), QStringLiteral("Москва"));
}

TEST(UComboSimple, TypedTextSnapsOnCloseUp)
{
    struct Case {
        bool zero;
        const char *typed;
        const char *want;
        int key;
    } cases[] = {
        {false, "xyz", "", 0},          // no match, no zero row: the text is emptied
        {true, "xyz", "(нет)", 0},      // no match with a zero row: snaps to it
        {false, "москва", "москва", 3}, // a match, any case, selects while typing
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.typed);
        auto src = towns();
        TUComboSimple c;
        c.SetMode(smDropDownText);
        c.SetDataSource(src.get());
        c.SetZeroTitle(QStringLiteral("(нет)"));
        c.SetUseZeroIndex(k.zero);
        c.LoadData();
        c.show();
        c.Combo()->setFocus();
        QLineEdit *line = c.Combo()->lineEdit();
        ASSERT_NE(line, nullptr);
        line->selectAll();
        typeText(line, QString::fromUtf8(k.typed));
        if (k.key == 0)
            c.Combo()->hidePopup(); // closing the list snaps the text
        EXPECT_EQ(c.Combo()->currentText(), QString::fromUtf8(k.want));
        EXPECT_EQ(uint32_t(c.SelectedOneKey()), uint32_t(k.key));
    }
}

TEST(UComboSimple, ButtonsFollowTheSelectionAndTheHandlers)
{
    auto src = towns();
    TUComboSimple c;
    c.SetDataSource(src.get());
    c.LoadData();
    auto *sel = c.Button(cbSelect), *search = c.Button(cbSearch), *clear = c.Button(cbClear);
    EXPECT_FALSE(sel->isEnabled()); // no handler
    EXPECT_FALSE(clear->isEnabled()); // nothing selected
    c.SetOnSelect([](TUCustomComboSimple *, TUDataKeyList &) { return false; });
    c.SetOnSearch([](TUCustomComboSimple *, std::unique_ptr<TUDataItem> &) { return false; });
    EXPECT_TRUE(sel->isEnabled());
    EXPECT_FALSE(search->isEnabled());
    c.SetSelectedOneKey(TUDataKey(1u));
    EXPECT_TRUE(search->isEnabled());
    EXPECT_TRUE(clear->isEnabled());

    // The default item cannot be cleared away in a single mode.
    c.SetDefaultItem(TUDataKey(1u));
    c.SetSelectedOneKey(TUDataKey(1u));
    EXPECT_FALSE(clear->isEnabled());

    c.setEnabled(false);
    EXPECT_FALSE(sel->isEnabled());
    c.setEnabled(true);
    EXPECT_TRUE(sel->isEnabled());

    // Two keys: no search.
    c.SetMode(smMultiSelect);
    TUDataKeyList two{1u, 2u};
    c.SetSelected(&two);
    EXPECT_FALSE(search->isEnabled());
    EXPECT_TRUE(clear->isEnabled());

    // A hidden button is never enabled.
    c.SetButtons(ComboButton(cbSearch) | ComboButton(cbClear));
    EXPECT_FALSE(sel->isEnabled());
}

TEST(UComboSimple, SelectSearchAndClearButtons)
{
    auto src = towns();
    TUComboSimple c;
    c.SetMode(smMultiSelect);
    c.SetDataSource(src.get());
    c.LoadData();
    c.SetOnSelect([](TUCustomComboSimple *, TUDataKeyList &s) {
        s.Add(TUDataKey(3u));
        s.Add(TUDataKey(1u));
        return true;
    });
    c.Button(cbSelect)->click();
    EXPECT_EQ(c.Edit()->text(), QStringLiteral("(2) Томск, Москва"));
    // A double-click in the text field is a click on the select button.
    c.SetOnSelect([](TUCustomComboSimple *, TUDataKeyList &s) {
        s.Add(TUDataKey(2u));
        return true;
    });
    QTest::mouseDClick(c.Edit(), Qt::LeftButton);
    EXPECT_EQ(c.Selected().Count(), 3);
    // A refusing handler changes nothing.
    c.SetOnSelect([](TUCustomComboSimple *, TUDataKeyList &s) {
        s.Clear();
        return false;
    });
    c.Button(cbSelect)->click();
    EXPECT_EQ(c.Selected().Count(), 3);

    // The clear button in the multiple selection adds the default item when there is one.
    c.ClearSelection();
    c.SetDefaultItem(TUDataKey(2u));
    c.SetSelectedOneKey(TUDataKey(1u));
    c.Button(cbClear)->click();
    EXPECT_EQ(c.Selected().Count(), 2);

    // Search gets a copy of the selected item; true rebuilds the list keeping the selection.
    TUComboSimple s;
    s.SetDataSource(src.get());
    s.LoadData(TUDataKey(3u));
    QString seen;
    s.SetOnSearch([&](TUCustomComboSimple *, std::unique_ptr<TUDataItem> &item) {
        seen = item->Title();
        src->Add(new TUDataItem(4u, QStringLiteral("Курск")));
        item = std::make_unique<TUDataItem>(); // replacing it is allowed
        return true;
    });
    s.Button(cbSearch)->click();
    EXPECT_EQ(seen, QStringLiteral("Москва"));
    EXPECT_EQ(s.Combo()->count(), 4);
    EXPECT_EQ(s.Combo()->currentText(), QStringLiteral("Москва"));
}

TEST(UComboSimple, MultiSelectTextCountsEveryKeyAndCutsLongLists)
{
    auto src = makeSource(3000);
    TUComboSimple c;
    c.SetMode(smMultiSelect);
    c.SetDataSource(src.get());
    c.LoadData();
    TUDataKeyList three{5u, 7u, 9u};
    c.SetSelected(&three);
    EXPECT_EQ(c.Edit()->text(), QStringLiteral("(3) Item 00005, Item 00007, Item 00009"));

    TUDataKeyList many;
    for (uint32_t k = 1; k <= 2000; ++k)
        many.Add(k);
    many.Add(999999u); // not in the source: skipped
    c.SetSelected(&many);
    const QString text = c.Edit()->text();
    EXPECT_TRUE(text.startsWith(QStringLiteral("(2001) Item 00001, Item 00002")));
    EXPECT_TRUE(text.endsWith(QStringLiteral(", ...")));
    QString titles;
    c.GetSelectedTitles(titles);
    // Titles are 10 characters + ", ": the first to reach 255 characters is the 22nd.
    EXPECT_EQ(titles.size(), 22 * 10 + 21 * 2 + 5);

    // The last key is appended even past the limit.
    TUDataKeyList exact;
    for (uint32_t k = 1; k <= 23; ++k)
        exact.Add(k);
    c.SetSelected(&exact);
    c.GetSelectedTitles(titles);
    EXPECT_TRUE(titles.endsWith(QStringLiteral("Item 00023")));
    for (uint32_t k = 24; k <= 24; ++k)
        exact.Add(k);
    c.SetSelected(&exact);
    c.GetSelectedTitles(titles);
    EXPECT_TRUE(titles.endsWith(QStringLiteral(", ...")));

    // The field's own length limit counts when set.
    c.Edit()->setMaxLength(30);
    c.GetSelectedTitles(titles);
    EXPECT_EQ(titles, QStringLiteral("Item 00001, Item 00002, Item 00003, ..."));
}

TEST(UComboSimple, ThousandsOfItemsSelectAndShowByKey)
{
    auto src = makeSource(20000);
    TUComboSimple c;
    c.SetDataSource(src.get());
    c.LoadData(TUDataKey(12345u));
    ASSERT_EQ(c.Combo()->count(), 20000);
    EXPECT_EQ(c.Combo()->currentText(), QStringLiteral("Item 12345"));
    EXPECT_EQ(c.Combo()->currentIndex(), 12344);
    // The row's colour is the item's.
    EXPECT_EQ(c.Combo()->itemData(9, Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    EXPECT_FALSE(c.Combo()->itemData(8, Qt::ForegroundRole).isValid());
    // A key the source lacks selects no row but stays the selection.
    c.SetSelectedOneKey(TUDataKey(777777u));
    EXPECT_EQ(c.Combo()->currentIndex(), -1);
    EXPECT_EQ(c.SelectedOneKey(), TUDataKey(777777u));
    EXPECT_EQ(c.SelectedOne(), nullptr);
}

TEST(UComboSimple, LayoutKeepsSquareButtonsBesideTheList)
{
    TUComboSimple c;
    c.show();
    c.resize(200, 15);
    EXPECT_EQ(c.height(), 21);
    c.SetButtons(ComboButton(cbSelect) | ComboButton(cbClear));
    EXPECT_EQ(c.Combo()->width(), 158);
    EXPECT_EQ(c.Button(cbSelect)->geometry(), QRect(158, 0, 21, 21));
    EXPECT_EQ(c.Button(cbClear)->geometry(), QRect(179, 0, 21, 21));
    c.resize(200, 30);
    EXPECT_EQ(c.Combo()->geometry(), QRect(0, 0, 140, 30));
    EXPECT_EQ(c.Edit()->width(), 140);
}

TEST(UComboSimple, ModesAndNames)
{
    TUComboSimple c;
    c.setObjectName(QStringLiteral("cbTown"));
    EXPECT_EQ(c.Combo()->objectName(), QStringLiteral("cbTownComboBox"));
    EXPECT_EQ(c.Edit()->objectName(), QStringLiteral("cbTownEdit"));
    EXPECT_EQ(c.Button(cbSelect)->DrawGlyph(), dgEllipsis);
    EXPECT_EQ(c.Button(cbSearch)->DrawGlyph(), dgSearch);
    EXPECT_EQ(c.Button(cbClear)->DrawGlyph(), dgCross);
    EXPECT_TRUE(c.Edit()->isReadOnly());
    EXPECT_EQ(c.DropDownCount(), 12);

    c.SetSelectedOneKey(TUDataKey(5u));
    c.SetMode(smMultiSelect); // clears the selection
    EXPECT_TRUE(c.Selected().IsEmpty());
    EXPECT_TRUE(c.Combo()->isHidden());
    EXPECT_FALSE(c.Edit()->isHidden());
    c.SetSelectedOneKey(TUDataKey(5u));
    c.SetSelectedOneKey(TUDataKey(2u)); // adds in order
    ASSERT_EQ(c.Selected().Count(), 2);
    EXPECT_EQ(c.Selected()[0], TUDataKey(2u));
    c.SetMode(smDropDownText);
    EXPECT_TRUE(c.Combo()->isEditable());
    EXPECT_TRUE(c.Edit()->isHidden());
}

TEST(UComboSimple, KeyPressesGoToTheHandlerWhichMayChangeThem)
{
    TUComboSimple c;
    c.SetMode(smDropDownText);
    c.SetOnKeyPress([](QObject *sender, QChar &key) {
        EXPECT_NE(qobject_cast<TUComboSimple *>(sender), nullptr);
        if (key == QLatin1Char('x'))
            key = QChar();
        else if (key == QLatin1Char('a'))
            key = QLatin1Char('b');
    });
    c.show();
    QTest::keyClicks(c.Combo()->lineEdit(), QStringLiteral("axc"));
    EXPECT_EQ(c.Combo()->lineEdit()->text(), QStringLiteral("bc"));
}

TEST(URadioGroup, FillsSelectsAndKeepsTheSelectionWhenReordered)
{
    auto src = towns();
    TURadioGroup g;
    g.LoadData(); // no source: nothing
    EXPECT_EQ(g.Count(), 0);
    g.SetDataSource(src.get());
    g.LoadData(TUDataKey(3u));
    ASSERT_EQ(g.Count(), 3);
    EXPECT_EQ(g.RadioButton(0)->text(), QStringLiteral("Томск"));
    EXPECT_EQ(g.SelectedOneKey(), TUDataKey(3u));
    EXPECT_TRUE(g.RadioButton(2)->isChecked());

    g.SetSorted(true);
    EXPECT_EQ(g.RadioButton(0)->text(), QStringLiteral("Абакан"));
    EXPECT_EQ(g.SelectedOneKey(), TUDataKey(3u));
    EXPECT_TRUE(g.RadioButton(1)->isChecked());

    g.SetSelectedOneKey(TUDataKey());
    EXPECT_EQ(g.SelectedOne(), nullptr);
    for (int i = 0; i < g.Count(); ++i)
        EXPECT_FALSE(g.RadioButton(i)->isChecked());
    g.SetSelectedOneKey(TUDataKey(42u)); // unknown: none
    EXPECT_TRUE(g.SelectedOneKey().IsClear());
    g.SetSelectedOne(g.ButtonItem(2));
    EXPECT_EQ(g.SelectedOneKey(), TUDataKey(1u));
}

} // namespace
