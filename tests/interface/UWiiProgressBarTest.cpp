#include "KitTestUtil.h"
#include "TestUtil.h"
#include "UWiiProgressBar.h"

#include <QImage>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

const TColor Block = RGBToColor(15, 97, 61);
const TColor Active = RGBToColor(134, 180, 92);

TEST(UWiiProgressBar, BlockGeometry)
{
    TUWiiProgressBar bar;
    bar.resize(36, 36);
    bar.SetPadding(2);
    EXPECT_EQ(bar.BlockWidth(), 9);
    EXPECT_EQ(bar.BlockHeight(), 9);
    // Area (2, 2)..(34, 34); column 0 on the right, row 0 at the bottom.
    EXPECT_EQ(bar.GetBlockRect(0, 0), (TRectL{25, 25, 34, 34}));
    EXPECT_EQ(bar.GetBlockRect(1, 0), (TRectL{14, 25, 23, 34}));
    EXPECT_EQ(bar.GetBlockRect(2, 2), (TRectL{3, 3, 12, 12}));
    EXPECT_EQ(bar.GetBlockRect(3, 0), (TRectL{-1, -1, -1, -1}));
    EXPECT_EQ(bar.GetBlockRect(0, -1), (TRectL{-1, -1, -1, -1}));

    // A border takes one more pixel on each side: (30 - 4) div 3.
    bar.Appearance().SetBorderColor(RGBToColor(0, 0, 0));
    EXPECT_EQ(bar.BlockWidth(), 8);
    EXPECT_EQ(bar.GetBlockRect(0, 0), (TRectL{25, 25, 33, 33}));
}

TEST(UWiiProgressBar, PaddingIgnoresNonPositiveValues)
{
    TUWiiProgressBar bar;
    EXPECT_EQ(bar.Padding(), 4);
    bar.SetPadding(0);
    bar.SetPadding(-3);
    EXPECT_EQ(bar.Padding(), 4);
    bar.SetPadding(1);
    EXPECT_EQ(bar.Padding(), 1);
    EXPECT_EQ(bar.BlockWidth(), (46 - 2) / 3);
}

TEST(UWiiProgressBar, HighlightTravelsClockwiseAndComesBack)
{
    TUWiiProgressBar bar;
    ASSERT_EQ(std::make_pair(bar.Col(), bar.Row()), std::make_pair(2, 2)); // top left
    const std::vector<std::pair<int, int>> want = {{1, 2}, {0, 2}, {0, 1}, {0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}};
    for (const auto &pos : want) {
        bar.Step();
        EXPECT_EQ(std::make_pair(bar.Col(), bar.Row()), pos);
    }
}

TEST(UWiiProgressBar, PaintsBlocksAndTheHighlight)
{
    TUWiiProgressBar bar;
    bar.resize(36, 36);
    bar.SetPadding(2);
    bar.Appearance().SetBlockColor(Block);
    bar.Appearance().SetBlockColorActive(Active);
    QImage img = kittest::grab(bar);
    EXPECT_EQ(kittest::boundsOf(img, Active), QRect(3, 3, 9, 9));
    EXPECT_EQ(kittest::boundsOf(img, Block), QRect(3, 3, 31, 31).adjusted(0, 0, 0, 0) & QRect(3, 3, 31, 31));
    EXPECT_EQ(kittest::pixel(img, 18, 18), Block); // centre block
    EXPECT_EQ(kittest::pixel(img, 12, 5), RGBToColor(255, 255, 255)); // the gap between blocks
    EXPECT_EQ(kittest::pixel(img, 2, 2), RGBToColor(255, 255, 255));

    // Without an active colour the highlighted block is a gap in the grid.
    bar.Appearance().SetBlockColorActive(clNone);
    bar.Step();
    img = kittest::grab(bar);
    EXPECT_EQ(kittest::pixel(img, 18, 5), RGBToColor(255, 255, 255));
    EXPECT_EQ(kittest::pixel(img, 7, 7), Block);
}

TEST(UWiiProgressBar, BackgroundBorderAndOutlines)
{
    TUWiiProgressBar bar;
    bar.resize(36, 36);
    bar.SetPadding(2);
    const TColor back = RGBToColor(200, 200, 200), border = RGBToColor(0, 0, 255), outline = RGBToColor(255, 0, 0);
    bar.Appearance().SetBackGroundColor(back);
    bar.Appearance().SetBorderColor(border);
    bar.Appearance().SetBlockColor(Block);
    bar.Appearance().SetBlockBorderColor(outline);
    const QImage img = kittest::grab(bar);
    EXPECT_EQ(kittest::pixel(img, 0, 0), border);
    EXPECT_EQ(kittest::pixel(img, 35, 35), border);
    EXPECT_EQ(kittest::pixel(img, 1, 1), back);
    const TRectL r = bar.GetBlockRect(0, 0); // (25, 25)..(33, 33)
    EXPECT_EQ(kittest::pixel(img, r.Left, r.Top), outline);
    EXPECT_EQ(kittest::pixel(img, r.Right - 1, r.Bottom - 1), outline);
    EXPECT_EQ(kittest::pixel(img, r.Left + 1, r.Top + 1), Block);
}

// From (0, 0, 0) to (255, 128, 64) over a 9-pixel block: 64 bands of 8/64 pixel, so each
// pixel shows the last band that reaches it.
TEST(UWiiProgressBar, GradientBandsRoundHalvesToEven)
{
    TUWiiProgressBar bar;
    bar.resize(36, 36);
    bar.SetPadding(2);
    bar.Appearance().SetBlockColor(RGBToColor(0, 0, 0));
    bar.Appearance().SetBlockColorTo(RGBToColor(255, 128, 64));
    bar.Appearance().SetBlockColorActive(clNone);
    const QImage img = kittest::grab(bar);
    const TRectL r = bar.GetBlockRect(0, 0); // left 25
    // Band n starts at round(n / 8); band n reaches x = left + k for n up to 8k + 4 (halves
    // to even: 8k + 4 rounds to k when k is even, to k + 1 when odd).
    auto band = [](int n) {
        auto ch = [n](int to) { return uint8_t(std::nearbyint(double(n) * to / 64)); };
        return RGBToColor(ch(255), ch(128), ch(64));
    };
    const int lastBand[] = {4, 11, 20, 27, 36, 43, 52, 59, 63};
    for (int k = 0; k < 9; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(kittest::pixel(img, r.Left + k, r.Top + 4), band(lastBand[k]));
    }
    // n = 2: 2 * 128 / 64 = 4 exactly; n = 1: 255 / 64 = 3.98 -> 4; 32 * 255 / 64 = 127.5 -> 128.
    EXPECT_EQ(ColorRed(band(32)), 128);

    // Vertical: the bands run down the block instead.
    bar.Appearance().SetDirection(gdVertical);
    const QImage v = kittest::grab(bar);
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(kittest::pixel(v, r.Left + 4, r.Top + k), band(lastBand[k])) << k;
}

TEST(UWiiProgressBar, TimerRunsExactlyWhileEnabled)
{
    TUWiiProgressBar bar;
    bar.SetInterval(5);
    EXPECT_TRUE(bar.TimerActive());
    ASSERT_TRUE(testutil::waitUntil([&] { return bar.Col() != 2 || bar.Row() != 2; }));

    bar.setEnabled(false);
    EXPECT_FALSE(bar.TimerActive());
    const auto stopped = std::make_pair(bar.Col(), bar.Row());
    EXPECT_FALSE(testutil::waitUntil([&] { return std::make_pair(bar.Col(), bar.Row()) != stopped; },
                                     std::chrono::milliseconds(60)));

    // A parent's state counts too.
    QWidget parent;
    TUWiiProgressBar child(&parent);
    parent.setEnabled(false);
    EXPECT_FALSE(child.TimerActive());
    parent.setEnabled(true);
    EXPECT_TRUE(child.TimerActive());

    bar.setEnabled(true);
    EXPECT_TRUE(bar.TimerActive());
    ASSERT_TRUE(testutil::waitUntil([&] { return std::make_pair(bar.Col(), bar.Row()) != stopped; }));
}

TEST(UWiiProgressBar, AppearanceAssignCopiesColoursAndRepaints)
{
    TBlockAppearance a;
    int changes = 0;
    a.SetOnChange([&] { ++changes; });
    a.SetBlockColor(Block);
    a.SetBlockColor(Block); // same value: no notification
    EXPECT_EQ(changes, 1);

    TUWiiProgressBar bar;
    bar.Appearance().SetBlockColorActive(Active);
    TBlockAppearance other;
    other.SetBlockColor(Active);
    other.SetDirection(gdVertical);
    bar.SetAppearance(other);
    EXPECT_EQ(bar.Appearance().BlockColor(), Active);
    EXPECT_EQ(bar.Appearance().BlockColorActive(), clNone);
    EXPECT_EQ(bar.Appearance().Direction(), gdVertical);
    // The bar still hears of later changes: its own notification was not copied over.
    EXPECT_TRUE(bar.Appearance().OnChange() != nullptr);
    TPersistent plain;
    bar.Appearance().Assign(plain); // any other source is ignored
    EXPECT_EQ(bar.Appearance().BlockColor(), Active);
}

} // namespace
