#pragma once

#include "UGraphics.h"

#include <QImage>
#include <QRect>
#include <QWidget>

namespace kittest {

// The widget as it paints itself, on a white ground.
inline QImage grab(QWidget &w)
{
    QImage img(w.size(), QImage::Format_RGB32);
    img.fill(Qt::white);
    w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
}

// The box around every pixel of the given colour; a null rectangle when there is none.
inline QRect boundsOf(const QImage &img, TColor color)
{
    const QRgb want = ToQColor(color).rgb();
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == want)
                box |= QRect(x, y, 1, 1);
    return box;
}

inline TColor pixel(const QImage &img, int x, int y) { return FromQColor(QColor(img.pixel(x, y))); }

} // namespace kittest
