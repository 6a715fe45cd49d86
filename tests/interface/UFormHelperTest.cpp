#include "TestUtil.h"
#include "UComboSimple.h"
#include "UDateTimePicker.h"
#include "UFormHelper.h"
#include "UWiiProgressBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

const char *tagName(TTagValue t)
{
    static const char *names[] = {"tvUndefined", "tvSet", "tvDifferent", "tvNoChange"};
    return names[t];
}

// Shows three records in one control the way a multi-record dialog does and reports what the
// control holds afterwards with its tag.
template <class Show, class Read>
std::pair<QString, TTagValue> threeRecords(TUFormHelper &h, QWidget *control, Show show, Read read)
{
    h.SetTag(control, tvUndefined);
    for (int r = 0; r < 3; ++r)
        show(r);
    return {read(), h.GetTag(control)};
}

TEST(UFormHelper, SetTagedOverThreeRecords)
{
    QWidget owner;
    TUFormHelper h(&owner);
    auto *edit = new QLineEdit(&owner);
    auto *label = new QLabel(&owner);
    auto *check = new QCheckBox(&owner);
    auto *combo = new QComboBox(&owner);
    combo->addItems({"a", "b", "c"});
    auto src = std::make_unique<TUDataSource>();
    src->SetFreeItems(true);
    for (uint32_t k = 1; k <= 3; ++k)
        src->Add(new TUDataItem(k, QStringLiteral("T%1").arg(k)));
    auto *simple = new TUComboSimple(&owner);
    simple->SetDataSource(src.get());
    simple->LoadData();

    struct Case {
        const char *name;
        QWidget *control;
        std::function<void(int record)> show;
        std::function<QString()> read;
        QString want;
        TTagValue tag;
    };
    auto text = [edit] { return edit->text(); };
    auto state = [check] { return QString::number(int(check->checkState())); };
    auto key = [simple] { return simple->SelectedOneKey().ToString(); };
    const char *aab[] = {"A", "A", "B"};
    const std::vector<Case> cases = {
        {"texts A A A", edit, [&](int) { h.SetTaged(edit, QStringLiteral("A"), QStringLiteral("?")); }, text, "A", tvNoChange},
        {"texts A A B", edit, [&](int r) { h.SetTaged(edit, QString(aab[r]), QStringLiteral("?")); }, text, "?", tvDifferent},
        {"texts differ case", edit, [&](int r) { h.SetTaged(edit, r ? QStringLiteral("a") : QStringLiteral("A"), QString()); }, text, "", tvDifferent},
        {"label A A B", label, [&](int r) { h.SetTaged(label, QString(aab[r]), QStringLiteral("-")); }, [label] { return label->text(); }, "-", tvDifferent},
        {"ints 7 7 7", edit, [&](int) { h.SetTaged(edit, int32_t(7)); }, text, "7", tvNoChange},
        {"ints 7 7 8", edit, [&](int r) { h.SetTaged(edit, int32_t(r == 2 ? 8 : 7)); }, text, "", tvDifferent},
        {"reals within 0.0001", edit, [&](int r) { h.SetTaged(edit, r ? 1.00009 : 1.00001); }, text, "1.00001", tvNoChange},
        {"reals beyond 0.0001", edit, [&](int r) { h.SetTaged(edit, r ? 1.0002 : 1.0); }, text, "", tvDifferent},
        {"checked, checked, not", check, [&](int r) { h.SetTaged(check, r < 2); }, state, "1", tvDifferent},
        {"unchecked x3", check, [&](int) { h.SetTaged(check, false); }, state, "0", tvNoChange},
        {"states", check, [&](int r) { h.SetTaged(check, r ? Qt::Checked : Qt::Unchecked); }, state, "1", tvDifferent},
        {"index 1 1 1", combo, [&](int) { h.SetTaged(combo, 1, 2); }, [combo] { return QString::number(combo->currentIndex()); }, "1", tvNoChange},
        {"index 1 2 -", combo, [&](int r) { h.SetTaged(combo, r + 1, 5); }, [combo] { return QString::number(combo->currentIndex()); }, "-1", tvDifferent},
        {"index out of range ignored", combo, [&](int r) { h.SetTaged(combo, r == 1 ? 9 : 2, 0); }, [combo] { return QString::number(combo->currentIndex()); }, "2", tvNoChange},
        {"keys 2 2 2", simple, [&](int) { h.SetTaged(simple, TUDataKey(2u)); }, key, "2", tvNoChange},
        {"keys 2 2 3", simple, [&](int r) { h.SetTaged(simple, TUDataKey(r == 2 ? 3u : 2u)); }, key, "", tvDifferent},
        {"items", simple, [&](int) { h.SetTaged(simple, (*src)[0]); }, key, "1", tvNoChange},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const auto [value, tag] = threeRecords(h, c.control, c.show, c.read);
        EXPECT_EQ(value, c.want);
        EXPECT_STREQ(tagName(tag), tagName(c.tag));
    }
    // The greyed state is the neutral value of a check box.
    EXPECT_EQ(check->checkState(), Qt::PartiallyChecked);
}

TEST(UFormHelper, UserChangeKeepsTakingValuesAndDifferentStays)
{
    QWidget owner;
    TUFormHelper h(&owner);
    auto *edit = new QLineEdit(&owner);
    h.SetTagedAll(&owner, tvUndefined);
    h.SetTaged(edit, QStringLiteral("A"), QString());
    h.SetTagedSet(edit);
    h.SetTaged(edit, QStringLiteral("B"), QString());
    EXPECT_EQ(edit->text(), QStringLiteral("B"));
    EXPECT_EQ(h.GetTag(edit), tvSet);
    h.SetTag(edit, tvDifferent);
    h.SetTaged(edit, QStringLiteral("C"), QString());
    EXPECT_EQ(edit->text(), QStringLiteral("B"));
    edit->setProperty(TUFormHelper::TagProperty, 17); // unknown numbers read as undefined
    EXPECT_EQ(h.GetTag(edit), tvUndefined);
    h.SetTagedSet(nullptr);
}

TEST(UFormHelper, KeyListsAndLabelColours)
{
    QWidget owner;
    TUFormHelper h(&owner);
    TUComboSimple simple(&owner);
    simple.SetMode(smMultiSelect);
    TUDataKeyList ab{1u, 2u}, ba{2u, 1u}, abc{1u, 2u, 3u};
    h.SetTag(&simple, tvUndefined);
    h.SetTaged(&simple, &ab);
    h.SetTaged(&simple, &ba); // the same keys
    EXPECT_EQ(h.GetTag(&simple), tvNoChange);
    h.SetTaged(&simple, static_cast<const TUDataKeyList *>(nullptr)); // nothing
    EXPECT_EQ(simple.Selected().Count(), 2);
    h.SetTaged(&simple, &abc);
    EXPECT_EQ(h.GetTag(&simple), tvDifferent);
    EXPECT_TRUE(simple.Selected().IsEmpty());

    QLabel label(&owner);
    const TColor red = RGBToColor(255, 0, 0), grey = RGBToColor(128, 128, 128);
    h.SetTag(&label, tvUndefined);
    h.SetTaged(&label, red, grey);
    h.SetTaged(&label, red, grey);
    EXPECT_EQ(h.GetTag(&label), tvNoChange);
    h.SetTaged(&label, RGBToColor(0, 0, 255), grey);
    EXPECT_EQ(FromQColor(label.palette().color(QPalette::WindowText)), grey);
}

TEST(UFormHelper, DatePickers)
{
    QWidget owner;
    TUFormHelper h(&owner);
    TUDateTimePicker picker(&owner);
    const TDateTime d1 = TDateTime::Encode(2024, 3, 15, 10, 30);
    const TDateTime d2 = TDateTime::Encode(2024, 3, 15, 18, 0);

    h.SetDateTime(&picker, d1);
    EXPECT_EQ(h.GetDateTime(&picker), d1);
    EXPECT_EQ(h.GetDateTimeDate(&picker), TDateTime::Encode(2024, 3, 15));
    EXPECT_NEAR(h.GetDateTimeTime(&picker).Value(), 10.5 / 24, 1e-9);
    EXPECT_EQ(h.GetDateTimePeriod(&picker), TDateTime::Encode(2024, 3, 1));

    picker.SetShowCheckbox(true);
    h.SetDateTime(&picker, TDateTime(), d2);
    EXPECT_FALSE(picker.Checked());
    EXPECT_TRUE(h.GetDateTime(&picker).IsNull());
    h.SetDateTime(&picker, d1);
    EXPECT_TRUE(picker.Checked());

    // Without the time only the day counts: two times of one day are the same date.
    QDateTimeEdit plain(&owner);
    h.SetTag(&plain, tvUndefined);
    h.SetTaged(&plain, d1, false);
    h.SetTaged(&plain, d2, false);
    EXPECT_EQ(h.GetTag(&plain), tvNoChange);
    h.SetTaged(&plain, d2, true);
    EXPECT_EQ(h.GetTag(&plain), tvDifferent);

    // With a check box: the records disagree, so the box is cleared.
    h.SetTag(&picker, tvUndefined);
    h.SetDateTimeTaged(&picker, d1);
    EXPECT_TRUE(picker.Checked());
    h.SetDateTimeTaged(&picker, d1);
    EXPECT_EQ(h.GetTag(&picker), tvNoChange);
    h.SetDateTimeTaged(&picker, TDateTime());
    EXPECT_EQ(h.GetTag(&picker), tvDifferent);
    EXPECT_FALSE(picker.Checked());
}

TEST(UFormHelper, TextsAndNumbers)
{
    QWidget owner;
    TUFormHelper h(&owner);
    QLineEdit e(&owner);
    struct Case {
        const char *text;
        int32_t asInt;
        double asFloat;
    } cases[] = {
        {" 42 ", 42, 42},
        {"4x2", -1, -1},
        {"\t-7\n", -7, -7},
        {"2.5", -1, 2.5},
        {"", -1, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        e.setText(QString::fromLatin1(c.text));
        EXPECT_EQ(h.GetInt(&e, -1), c.asInt);
        EXPECT_DOUBLE_EQ(h.GetFloat(&e, -1), c.asFloat);
    }
    e.setText(QStringLiteral("  x  "));
    EXPECT_EQ(h.UnQuoteText(&e), QStringLiteral("x"));
    EXPECT_EQ(e.text(), QStringLiteral("x"));
    e.setText(QStringLiteral("   "));
    EXPECT_EQ(h.UnQuote(&e, QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(e.text(), QStringLiteral("d"));
    e.setText(QStringLiteral(" 12 "));
    EXPECT_EQ(h.UnQuoteInt(&e, 0), 12);
    EXPECT_EQ(e.text(), QStringLiteral("12"));
    h.SetFloat(&e, 0.25);
    EXPECT_EQ(e.text(), QStringLiteral("0.25"));
    EXPECT_DOUBLE_EQ(h.UnQuoteFloat(&e, 0), 0.25);
}

TEST(UFormHelper, EnablingControlTrees)
{
    QWidget root;
    TUFormHelper h(&root);
    auto *edit = new QLineEdit(&root);
    auto *label = new QLabel(&root);
    auto *bar = new TUWiiProgressBar(&root);
    auto *group = new QGroupBox(&root);
    auto *inner = new QLineEdit(group);
    auto *check = new QCheckBox(group);
    auto *simple = new TUComboSimple(group);
    group->setEnabled(false);

    h.SetEnabledValue(&root, false);
    EXPECT_FALSE(edit->isEnabled());
    EXPECT_TRUE(label->isEnabled()); // no window of its own: left alone
    EXPECT_TRUE(bar->isEnabled());
    EXPECT_TRUE(group->isEnabled()); // a container is enabled and passes the value on
    EXPECT_FALSE(inner->isEnabled());
    EXPECT_FALSE(check->isEnabled());
    EXPECT_FALSE(simple->isEnabled());
    EXPECT_TRUE(simple->Combo()->isEnabledTo(simple)); // the compound control counts as one

    h.SetEnabledReadOnlyValue(&root, true, false);
    EXPECT_TRUE(inner->isEnabled());
    EXPECT_TRUE(inner->isReadOnly());
    EXPECT_FALSE(check->isEnabled());
    EXPECT_FALSE(simple->isEnabled());
    h.SetEnabledReadOnlyValue(&root, false, false);
    EXPECT_FALSE(inner->isEnabled());
    EXPECT_FALSE(inner->isReadOnly()); // a disabled field is not made read-only
    h.SetEnabledReadOnlyValue(&root, true, true);
    EXPECT_FALSE(inner->isReadOnly());
    EXPECT_TRUE(check->isEnabled());
    EXPECT_TRUE(simple->isEnabled());

    h.SetTagedAll(&root, tvSet);
    EXPECT_EQ(h.GetTag(inner), tvSet);
    EXPECT_EQ(h.GetTag(simple->Combo()), tvSet);
}

} // namespace
