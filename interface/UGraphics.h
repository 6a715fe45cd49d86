#pragma once

#include "UColor.h"

#include <QColor>
#include <QRect>

// The one conversion between the kit's colours (red in the low byte, system colours by index)
// and Qt's. "No colour" has no Qt form: callers test for clNone before converting.
QColor ToQColor(TColor value);
TColor FromQColor(const QColor &value);

// A rectangle as the drawing rules give it: Right and Bottom lie just outside, so the width
// is Right - Left. Qt's own QRect counts its right and bottom edges inside.
struct TRectL {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    // The pixels the rectangle covers.
    QRect ToQRect() const { return QRect(Left, Top, Width(), Height()); }
    static TRectL FromQRect(const QRect &r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

    friend bool operator==(const TRectL &, const TRectL &) = default;
};
