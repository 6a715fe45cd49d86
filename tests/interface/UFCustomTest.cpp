#include "FrProgressBase.h"
#include "TestUtil.h"
#include "UComboSimple.h"
#include "UFCustom.h"
#include "UFCustomGroup.h"
#include "UFrProgress.h"
#include "UWiiProgressBar.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct FilterCase {
    const char *text;
    int caret;
    char key;
    char want; // 0: rejected
};

void runFilter(TUFormCustom::TKeyFilter filter, const char *name, std::initializer_list<FilterCase> cases)
{
    TUFormCustom form;
    QLineEdit edit(&form);
    for (const FilterCase &c : cases) {
        SCOPED_TRACE(testing::Message() << name << " on '" << c.text << "' at " << c.caret << " key '" << c.key << "'");
        edit.setText(QString::fromLatin1(c.text));
        edit.setCursorPosition(c.caret);
        QChar key = QLatin1Char(c.key);
        (form.*filter)(&edit, key);
        EXPECT_EQ(key, c.want ? QChar(QLatin1Char(c.want)) : QChar());
    }
}

TEST(UFormCustom, KeyFiltersByTextAndCaret)
{
    runFilter(&TUFormCustom::KeyPressForDigitalEdit, "digits",
              {{"", 0, '5', '5'}, {"12", 1, 'a', 0}, {"12", 2, '-', 0}, {"12", 2, '.', 0}, {"12", 2, '\b', '\b'}});
    runFilter(&TUFormCustom::KeyPressForFloatEdit, "float",
              {{"", 0, '.', 0},
               {"", 0, ',', 0},
               {"12", 2, ',', '.'},
               {"12", 0, '.', '.'}, // judged on the text, not the caret
               {"1.5", 3, '.', 0},
               {"1.5", 3, '7', '7'},
               {"1", 1, '-', 0},
               {"1", 1, 'e', 0},
               {"1.5", 3, '\b', '\b'}});
    runFilter(&TUFormCustom::KeyPressForFloatEditWNV, "negative float",
              {{"", 0, '-', '-'},
               {"12", 0, '-', '-'},
               {"12", 1, '-', 0},
               {"-12", 0, '-', 0},
               {"-12", 3, ',', '.'},
               {"-", 1, '.', '.'}});
    runFilter(&TUFormCustom::KeyPressForDigitalEditWithList, "list",
              {{"", 0, ',', 0},
               {"12", 0, ',', 0},
               {"12", 2, ',', ','},
               {"12", 2, '.', ','},
               {"12,", 3, ',', 0},
               {"12,", 3, '.', 0},
               {"12,3", 4, ',', ','},
               {"12,3", 3, ',', 0}, // right after another ","
               {"12", 2, ' ', 0},
               {"12", 2, '4', '4'}});
}

TEST(UFormCustom, AttachedFilterActsOnTypedKeys)
{
    TUFormCustom form;
    auto *edit = new QLineEdit(&form);
    form.AttachKeyFilter(edit, &TUFormCustom::KeyPressForFloatEditWNV);
    form.show();
    QTest::keyClicks(edit, QStringLiteral("-1a2,5.-3"));
    EXPECT_EQ(edit->text(), QStringLiteral("-12.53"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), QStringLiteral("-12.5"));
}

class CountingForm : public TUFormCustom {
public:
    int updates = 0;
    void UpdateEnabled() override { ++updates; }
};

TEST(UFormCustom, EnabledFlagCallsTheHookOnlyOnChange)
{
    CountingForm form;
    EXPECT_TRUE(form.IsEnabled());
    form.SetIsEnabled(true);
    EXPECT_EQ(form.updates, 0);
    form.SetIsEnabled(false);
    EXPECT_EQ(form.updates, 1);
    EXPECT_TRUE(form.isEnabled()); // the window itself is untouched
    form.SetEnabled(true);
    EXPECT_EQ(form.updates, 2);
    form.SetEnabled(false);
    EXPECT_FALSE(form.isEnabled());
    EXPECT_EQ(form.updates, 3);
}

TEST(UFormCustom, FocusOnShowAndTryFocus)
{
    TUFormCustom form;
    auto *a = new QLineEdit(&form);
    auto *b = new QLineEdit(&form);
    auto *hidden = new QLineEdit(&form);
    auto *disabled = new QLineEdit(&form);
    hidden->hide();
    disabled->setEnabled(false);
    form.SetFocus(b);
    form.show();
    QApplication::setActiveWindow(&form);
    EXPECT_EQ(QApplication::focusWidget(), b);
    form.TryFocus(nullptr);
    form.TryFocus(hidden);
    form.TryFocus(disabled);
    EXPECT_EQ(QApplication::focusWidget(), b);
    form.TryFocus(a);
    EXPECT_EQ(QApplication::focusWidget(), a);
}

TEST(UFormCustom, LookAndContextMenus)
{
    TUFormCustom form;
    EXPECT_EQ(form.size(), QSize(644, 312));
    EXPECT_EQ(form.font().pixelSize(), 12);
    TUFormCustomGroup group;
    EXPECT_EQ(group.size(), QSize(644, 272));
    group.show();
    EXPECT_EQ(group.GBBottom->height(), 40);
    EXPECT_EQ(group.GBTop->height(), 232);

    auto *edit = new QLineEdit(&form);
    form.AttachDropPopup(edit);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(1, 1), QPoint(1, 1));
    EXPECT_TRUE(QApplication::sendEvent(edit, &menu)); // swallowed by the form: no menu
}

TEST(UFormCustom, CloseUpTextSearchSnapsToAnItem)
{
    TUFormCustom form;
    QComboBox combo(&form);
    combo.setEditable(true);
    form.ComboOnCloseUpTextSearch(&combo); // no items: nothing
    EXPECT_EQ(combo.currentText(), QString());
    combo.addItems({QStringLiteral("Абакан"), QStringLiteral("Москва")});
    combo.setCurrentIndex(-1);
    combo.setEditText(QStringLiteral("москва"));
    form.ComboOnCloseUpTextSearch(&combo);
    EXPECT_EQ(combo.currentIndex(), 1);
    EXPECT_EQ(combo.currentText(), QStringLiteral("Москва"));
    combo.setEditText(QStringLiteral("нет такого"));
    form.ComboOnCloseUpTextSearch(&combo);
    EXPECT_EQ(combo.currentText(), QStringLiteral("Абакан"));
}

TEST(UFrameProgress, LooksAndStartStop)
{
    TUFrameProgress frame;
    EXPECT_EQ(frame.size(), QSize(50, 50));
    EXPECT_EQ(frame.Progress->Padding(), 4);
    EXPECT_EQ(frame.Progress->Interval(), 48);
    EXPECT_EQ(frame.Progress->Appearance().BlockColor(), RGBToColor(128, 0, 0));
    EXPECT_EQ(frame.Progress->Appearance().BlockColorActive(), 0xEECF00u);
    EXPECT_FALSE(frame.Progress->TimerActive());
    frame.Start();
    EXPECT_TRUE(frame.Progress->TimerActive());
    ASSERT_TRUE(testutil::waitUntil([&] { return frame.Progress->Col() != 2 || frame.Progress->Row() != 2; }));
    frame.Stop();
    EXPECT_FALSE(frame.Progress->TimerActive());

    TFrameProgressBase base;
    base.show();
    EXPECT_EQ(base.size(), QSize(36, 36));
    EXPECT_EQ(base.Progress->size(), QSize(36, 36));
    EXPECT_EQ(base.Progress->BlockWidth(), 9);
    EXPECT_EQ(base.Progress->Appearance().BlockColor(), 0x3D610Fu);
    EXPECT_EQ(base.Progress->Appearance().BlockColorActive(), 0x5CB486u);
    EXPECT_EQ(base.Progress->Interval(), 48);
}

} // namespace
