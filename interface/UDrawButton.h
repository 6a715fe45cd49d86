#pragma once

#include "UColor.h"
#include "UGraphics.h"

#include <QAbstractButton>

#include <cstdint>

enum TUDrawButtonGlyph : uint8_t { dgNone, dgCross, dgSearch, dgEllipsis, dgDownTriangle, dgUpTriangle };

// A flat button whose glyph is drawn by code, in a colour that follows the enabled state.
// It takes no keyboard focus, like the small buttons beside a list it serves.
class TUDrawButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TUDrawButton(QWidget *parent = nullptr);

    TUDrawButtonGlyph DrawGlyph() const { return FDrawGlyph; }
    void SetDrawGlyph(TUDrawButtonGlyph Value);
    TColor GlyphColor() const { return FGlyphColor; }
    // Only stored: the new colour shows at the next paint.
    void SetGlyphColor(TColor Value) { FGlyphColor = Value; }
    TColor GlyphColorDisabled() const { return FGlyphColorDisabled; }
    void SetGlyphColorDisabled(TColor Value);
    uint8_t GlyphMargin() const { return FGlyphMargin; }
    void SetGlyphMargin(uint8_t Value);

    // The square the glyph is drawn in, for a button of the given client rectangle.
    static TRectL GlyphRect(const TRectL &Client, uint8_t Margin);

    QSize sizeHint() const override { return QSize(21, 21); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void PaintFace(class QPainter &p);
    void PaintGlyph(class QPainter &p, const TRectL &r, const QColor &color);

    TUDrawButtonGlyph FDrawGlyph = dgNone;
    TColor FGlyphColor = RGBToColor(0, 0, 0);
    TColor FGlyphColorDisabled = RGBToColor(0x80, 0x80, 0x80);
    uint8_t FGlyphMargin = 6;
    bool FHot = false;
};
