#include "UGraphics.h"

QColor ToQColor(TColor value)
{
    const TColor rgb = ColorToRGB(value);
    return QColor(ColorRed(rgb), ColorGreen(rgb), ColorBlue(rgb));
}

TColor FromQColor(const QColor &value)
{
    return RGBToColor(uint8_t(value.red()), uint8_t(value.green()), uint8_t(value.blue()));
}
