#include "UDrawButton.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

TUDrawButton::TUDrawButton(QWidget *parent) : QAbstractButton(parent)
{
    QFont f = font();
    f.setPointSize(10);
    setFont(f);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    resize(21, 21);
}

void TUDrawButton::SetDrawGlyph(TUDrawButtonGlyph Value)
{
    if (Value == FDrawGlyph)
        return;
    FDrawGlyph = Value;
    update();
}

void TUDrawButton::SetGlyphColorDisabled(TColor Value)
{
    if (Value == FGlyphColorDisabled)
        return;
    FGlyphColorDisabled = Value;
    update();
}

void TUDrawButton::SetGlyphMargin(uint8_t Value)
{
    if (Value == FGlyphMargin)
        return;
    FGlyphMargin = Value;
    update();
}

TRectL TUDrawButton::GlyphRect(const TRectL &Client, uint8_t Margin)
{
    TRectL r = Client;
    if (Margin != 0) {
        r.Left += Margin - 1;
        r.Top += Margin - 1;
        r.Right -= Margin;
        r.Bottom -= Margin;
    }
    const int w = r.Width();
    const int h = r.Height();
    if (w > h) {
        r.Left += (w - h) / 2;
        r.Right -= (w - h) / 2;
    } else if (h > w) {
        r.Top += (h - w) / 2;
        r.Bottom -= (h - w) / 2;
    }
    return r;
}

void TUDrawButton::enterEvent(QEnterEvent *event)
{
    FHot = true;
    update();
    QAbstractButton::enterEvent(event);
}

void TUDrawButton::leaveEvent(QEvent *event)
{
    FHot = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void TUDrawButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    PaintFace(p);
    const QColor color = ToQColor(isEnabled() ? FGlyphColor : FGlyphColorDisabled);
    PaintGlyph(p, GlyphRect(TRectL::FromQRect(rect()), FGlyphMargin), color);
}

// A flat face: plain until the mouse is over it, then raised, and sunk while pressed.
void TUDrawButton::PaintFace(QPainter &p)
{
    const QRect r = rect();
    p.fillRect(r, palette().button());
    const bool down = isDown() || isChecked();
    if (!isEnabled() || (!down && !FHot))
        return;
    const QColor light = palette().light().color();
    const QColor dark = palette().dark().color();
    p.setPen(down ? dark : light);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(down ? light : dark);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

void TUDrawButton::PaintGlyph(QPainter &p, const TRectL &r, const QColor &color)
{
    const int w = r.Width();
    const int h = r.Height();
    // A 2-pixel stroke is two 1-pixel lines side by side; both end on the corner pixels of r,
    // so a glyph never reaches beyond its square.
    auto thickLine = [&p, &color](QPoint a, QPoint b) {
        p.setPen(QPen(color, 1));
        p.drawLine(a, b);
        const QPoint side(a.x() < b.x() ? 1 : -1, 0);
        p.drawLine(a + side, b + QPoint(0, a.y() < b.y() ? -1 : 1));
    };
    p.setRenderHint(QPainter::Antialiasing, false);

    switch (FDrawGlyph) {
    case dgNone:
        break;
    case dgCross:
        thickLine(QPoint(r.Left, r.Top), QPoint(r.Right, r.Bottom));
        thickLine(QPoint(r.Right, r.Top), QPoint(r.Left, r.Bottom));
        break;
    case dgSearch: {
        thickLine(QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2), QPoint(r.Left, r.Bottom));
        const int a = int(w * 0.9);
        p.setPen(QPen(color, 1));
        p.setBrush(palette().button());
        // The circle's box is (Right - a, Top) .. (Right, Top + a), its far edges outside.
        p.drawEllipse(QRect(r.Right - a, r.Top, a - 1, a - 1));
        p.setBrush(Qt::NoBrush);
        break;
    }
    case dgEllipsis: {
        QFont f = font();
        f.setBold(true);
        p.setFont(f);
        p.setPen(color);
        const QFontMetrics fm(f);
        const QString text = QStringLiteral("...");
        const int x = (r.Left + r.Right - fm.horizontalAdvance(text)) / 2;
        const int y = r.Top + int((h - fm.height()) * 0.7);
        p.drawText(x, y + fm.ascent(), text);
        break;
    }
    case dgDownTriangle:
    case dgUpTriangle: {
        const int th = int(h * 0.866);
        const int y0 = r.Top + (h - th) / 2;
        const int cx = (r.Left + r.Right) / 2;
        QPolygon poly;
        if (FDrawGlyph == dgDownTriangle)
            poly << QPoint(r.Left, y0) << QPoint(r.Right, y0) << QPoint(cx, y0 + th);
        else
            poly << QPoint(cx, y0) << QPoint(r.Left, y0 + th) << QPoint(r.Right, y0 + th);
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawPolygon(poly);
        p.setBrush(Qt::NoBrush);
        break;
    }
    }
}
