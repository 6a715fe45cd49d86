#include "TestUtil.h"
#include "UDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

QStringList buttonTexts(const QMessageBox &box)
{
    QStringList r;
    for (QAbstractButton *b : box.buttons())
        r << b->text();
    r.sort();
    return r;
}

// Acts on the next message box once it is on screen.
void onNextBox(std::function<void(QMessageBox *)> act)
{
    QTimer::singleShot(0, [act] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
                act(box);
                return;
            }
        onNextBox(act);
    });
}

QAbstractButton *buttonWithText(QMessageBox *box, const QString &text)
{
    for (QAbstractButton *b : box->buttons())
        if (b->text() == text)
            return b;
    return nullptr;
}

class UDialogs : public ::testing::Test {
protected:
    void TearDown() override
    {
        TUDialogs::Locale(captions);
        TUDialogs::Locale(buttons);
    }
    TUDialogsCaptions captions = {TUDialogs::Caption(mtWarning), TUDialogs::Caption(mtError),
                                  TUDialogs::Caption(mtInformation), TUDialogs::Caption(mtConfirmation), QString()};
    TUDialogButtonCaptions buttons = [] {
        TUDialogButtonCaptions b;
        for (int i = 0; i < int(b.size()); ++i)
            b[size_t(i)] = TUDialogs::ButtonCaption(TMsgDlgBtn(i));
        return b;
    }();
};

} // namespace

TEST_F(UDialogs, EachOperationBuildsItsTypeAndButtons)
{
    std::vector<TUMessageBoxRequest> seen;
    const auto old = TUDialogs::SetHandler([&](const TUMessageBoxRequest &r) {
        seen.push_back(r);
        return mrYes;
    });
    TUDialogs::Error(QStringLiteral("e"));
    TUDialogs::CriticalError(QStringLiteral("c"));
    TUDialogs::Info(QStringLiteral("i"));
    EXPECT_TRUE(TUDialogs::YesNo(QStringLiteral("q")));
    TUDialogs::SetHandler(old);

    const struct {
        TMsgDlgType type;
        QMessageBox::Icon icon;
        QStringList buttons;
    } expected[] = {
        {mtWarning, QMessageBox::Warning, {"OK"}},
        {mtError, QMessageBox::Critical, {"OK"}},
        {mtInformation, QMessageBox::Information, {"OK"}},
        {mtConfirmation, QMessageBox::Question, {"Да", "Нет"}},
    };
    ASSERT_EQ(seen.size(), std::size(expected));
    for (size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(seen[i].DlgType, expected[i].type);
        const auto box = TUDialogs::CreateBox(seen[i]);
        EXPECT_EQ(box->icon(), expected[i].icon);
        EXPECT_EQ(box->windowTitle(), TUDialogs::Caption(expected[i].type));
        EXPECT_EQ(buttonTexts(*box), expected[i].buttons);
    }
    EXPECT_NE(TUDialogs::Caption(mtWarning), TUDialogs::Caption(mtError)) << "Error is a warning, not an error box";
}

TEST_F(UDialogs, LineFeedCarriageReturnIsOneLineBreak)
{
    const auto box = TUDialogs::CreateBox({mtWarning, QStringLiteral("Ошибка записи на диск!\n\rПриложение будет закрыто!"), {mbOK}, mbOK});
    EXPECT_EQ(box->text(), QStringLiteral("Ошибка записи на диск!\nПриложение будет закрыто!"));
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
}

TEST_F(UDialogs, LocaleReplacesCaptionsAndOnlyNonEmptyButtonTexts)
{
    TUDialogs::Locale(TUDialogsCaptions{QStringLiteral("W"), QString(), QStringLiteral("I"), QStringLiteral("C"), QStringLiteral("unused")});
    EXPECT_EQ(TUDialogs::Caption(mtWarning), QStringLiteral("W"));
    EXPECT_EQ(TUDialogs::Caption(mtError), QString()) << "empty captions replace too";

    TUDialogButtonCaptions b;
    b[mbYes] = QStringLiteral("ДА");
    b[mbCancel] = QStringLiteral("ОТМЕНА");
    TUDialogs::Locale(b);
    const auto box = TUDialogs::CreateBox({mtCustom, QStringLiteral("m"), {mbYes, mbOK, mbCancel}, mbCancel});
    EXPECT_EQ(buttonTexts(*box), (QStringList{"OK", "ДА", "ОТМЕНА"}));
    EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("ОТМЕНА"));
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
}

TEST_F(UDialogs, ShowBoxReturnsTheChosenButtonAndClosingIsNoYes)
{
    onNextBox([](QMessageBox *box) { buttonWithText(box, QStringLiteral("Повтор"))->click(); });
    EXPECT_EQ(TUDialogs::ShowBox({mtError, QStringLiteral("m"), {mbAbort, mbRetry, mbIgnore}, mbRetry}), mrRetry);

    const auto old = TUDialogs::SetHandler(&TUDialogs::ShowBox);
    onNextBox([](QMessageBox *box) { box->close(); });
    EXPECT_FALSE(TUDialogs::YesNo(QStringLiteral("closed")));
    onNextBox([](QMessageBox *box) { buttonWithText(box, QStringLiteral("Да"))->click(); });
    EXPECT_TRUE(TUDialogs::YesNo(QStringLiteral("chosen")));
    TUDialogs::SetHandler(old);
}

TEST_F(UDialogs, WithoutAScreenNothingWaitsForAPerson)
{
    const auto old = TUDialogs::SetHandler({});
    TUDialogs::Install(); // offscreen: keeps the console output
    EXPECT_FALSE(TUDialogs::YesNo(QStringLiteral("nobody answers")));
    EXPECT_EQ(TUDialogs::Custom(QStringLiteral("x"), mtInformation, {mbOK}, mbOK), mrNone);
    TUDialogs::SetHandler(old);
}
