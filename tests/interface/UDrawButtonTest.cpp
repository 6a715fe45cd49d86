#include "KitTestUtil.h"
#include "UDrawButton.h"

#include <QImage>
#include <QPalette>

#include <gtest/gtest.h>

namespace {

const TColor Red = RGBToColor(255, 0, 0);
const TColor Blue = RGBToColor(0, 0, 255);

struct GlyphCase {
    const char *name;
    TUDrawButtonGlyph glyph;
    QRect inside; // every glyph pixel lies in here
};

TEST(UDrawButton, GlyphRectFollowsMarginAndCentresASquare)
{
    struct Case {
        TRectL client;
        uint8_t margin;
        TRectL want;
    } cases[] = {
        {{0, 0, 20, 20}, 6, {5, 5, 14, 14}},
        {{0, 0, 20, 20}, 0, {0, 0, 20, 20}},
        {{0, 0, 30, 20}, 6, {10, 5, 19, 14}}, // wider: trimmed on both sides
        {{0, 0, 20, 31}, 6, {5, 10, 14, 20}}, // higher: (20 - 9) div 2 off top and bottom
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.client.Right << "x" << c.client.Bottom << " m" << int(c.margin));
        EXPECT_EQ(TUDrawButton::GlyphRect(c.client, c.margin), c.want);
    }
}

TEST(UDrawButton, GlyphsStayInsideTheirSquare)
{
    const GlyphCase cases[] = {
        {"cross", dgCross, QRect(5, 5, 10, 10)},
        {"search", dgSearch, QRect(5, 5, 10, 10)},
        {"down", dgDownTriangle, QRect(5, 5, 10, 10)},
        {"up", dgUpTriangle, QRect(5, 5, 10, 10)},
    };
    for (const GlyphCase &c : cases) {
        SCOPED_TRACE(c.name);
        TUDrawButton b;
        b.resize(20, 20);
        b.SetDrawGlyph(c.glyph);
        b.SetGlyphColor(Red);
        const QRect box = kittest::boundsOf(kittest::grab(b), Red);
        ASSERT_FALSE(box.isNull());
        EXPECT_TRUE(c.inside.contains(box)) << box.x() << "," << box.y() << " " << box.width() << "x" << box.height();
    }
}

TEST(UDrawButton, CrossReachesAllFourCorners)
{
    TUDrawButton b;
    b.resize(20, 20);
    b.SetDrawGlyph(dgCross);
    b.SetGlyphColor(Red);
    const QImage img = kittest::grab(b);
    EXPECT_EQ(kittest::boundsOf(img, Red), QRect(5, 5, 10, 10));
    for (QPoint corner : {QPoint(5, 5), QPoint(14, 5), QPoint(5, 14), QPoint(14, 14)})
        EXPECT_EQ(kittest::pixel(img, corner.x(), corner.y()), Red) << corner.x() << "," << corner.y();
    // The centre is where the strokes cross.
    EXPECT_EQ(kittest::pixel(img, 9, 9), Red);
}

TEST(UDrawButton, TrianglesPointTheirWay)
{
    for (TUDrawButtonGlyph g : {dgDownTriangle, dgUpTriangle}) {
        SCOPED_TRACE(int(g));
        TUDrawButton b;
        b.resize(20, 20);
        b.SetDrawGlyph(g);
        b.SetGlyphColor(Red);
        const QImage img = kittest::grab(b);
        auto rowWidth = [&](int y) {
            int n = 0;
            for (int x = 0; x < 20; ++x)
                n += kittest::pixel(img, x, y) == Red;
            return n;
        };
        const QRect box = kittest::boundsOf(img, Red);
        const int top = rowWidth(box.top()), bottom = rowWidth(box.bottom());
        if (g == dgDownTriangle)
            EXPECT_GT(top, bottom);
        else
            EXPECT_LT(top, bottom);
    }
}

TEST(UDrawButton, MagnifierHasAHandleAndAFacedLens)
{
    TUDrawButton b;
    b.resize(20, 20);
    b.SetDrawGlyph(dgSearch);
    b.SetGlyphColor(Red);
    const QImage img = kittest::grab(b);
    EXPECT_EQ(kittest::pixel(img, 5, 14), Red); // handle end at (Left, Bottom)
    // Lens: a = 9 * 0.9 = 8, box (6, 5)..(14, 13); its inside is the face colour.
    EXPECT_EQ(kittest::pixel(img, 10, 9), FromQColor(b.palette().button().color()));
    EXPECT_EQ(kittest::pixel(img, 13, 9), Red);
}

TEST(UDrawButton, EllipsisIsCentredText)
{
    TUDrawButton b;
    b.resize(21, 21);
    b.SetDrawGlyph(dgEllipsis);
    b.SetGlyphColor(Red);
    const QRect box = kittest::boundsOf(kittest::grab(b), Red);
    ASSERT_FALSE(box.isNull());
    EXPECT_GT(box.width(), box.height()); // three dots side by side
    EXPECT_LE(std::abs((box.left() + box.right()) - 20), 3);
}

TEST(UDrawButton, DisabledButtonUsesTheDisabledColour)
{
    TUDrawButton b;
    b.resize(20, 20);
    b.SetDrawGlyph(dgCross);
    b.SetGlyphColor(Red);
    b.SetGlyphColorDisabled(Blue);
    b.setEnabled(false);
    const QImage img = kittest::grab(b);
    EXPECT_TRUE(kittest::boundsOf(img, Red).isNull());
    EXPECT_EQ(kittest::boundsOf(img, Blue), QRect(5, 5, 10, 10));
}

TEST(UDrawButton, DefaultsAndNoGlyph)
{
    TUDrawButton b;
    EXPECT_EQ(b.DrawGlyph(), dgNone);
    EXPECT_EQ(b.GlyphColor(), RGBToColor(0, 0, 0));
    EXPECT_EQ(b.GlyphColorDisabled(), 0x808080u);
    EXPECT_EQ(b.GlyphMargin(), 6);
    EXPECT_EQ(b.font().pointSize(), 10);
    b.resize(20, 20);
    b.SetGlyphColor(Red);
    EXPECT_TRUE(kittest::boundsOf(kittest::grab(b), Red).isNull());
}

} // namespace
