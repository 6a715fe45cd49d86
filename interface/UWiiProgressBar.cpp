#include "UWiiProgressBar.h"

#include <QEvent>
#include <QPainter>
#include <QTimer>

#include <cmath>

namespace {

// Halves go to the even neighbour (the default rounding mode of the floating-point unit).
int roundEven(double v) { return int(std::nearbyint(v)); }

// Filled and outlined in one colour: every pixel of r.
void fillRect(QPainter &p, const TRectL &r, TColor color)
{
    if (!r.IsEmpty())
        p.fillRect(r.ToQRect(), ToQColor(color));
}

// A one-pixel outline along the inner edge of r.
void frameRect(QPainter &p, const TRectL &r, TColor color)
{
    if (r.IsEmpty())
        return;
    p.setPen(QPen(ToQColor(color), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
}

} // namespace

TBlockAppearance::TBlockAppearance() = default;

void TBlockAppearance::Assign(const TPersistent &Source)
{
    const auto *src = dynamic_cast<const TBlockAppearance *>(&Source);
    if (!src || src == this)
        return;
    FSteps = src->FSteps;
    FDirection = src->FDirection;
    FBorderColor = src->FBorderColor;
    FBackGroundColor = src->FBackGroundColor;
    FBlockColor = src->FBlockColor;
    FBlockColorTo = src->FBlockColorTo;
    FBlockColorActive = src->FBlockColorActive;
    FBlockColorActiveTo = src->FBlockColorActiveTo;
    FBlockBorderColor = src->FBlockBorderColor;
    FBlockBorderColorActive = src->FBlockBorderColorActive;
    Changed();
}

void TBlockAppearance::SetDirection(TGradientDirection Value)
{
    if (Value == FDirection)
        return;
    FDirection = Value;
    Changed();
}

void TBlockAppearance::Change(TColor &Field, TColor Value)
{
    if (Field == Value)
        return;
    Field = Value;
    Changed();
}

void TBlockAppearance::Changed()
{
    if (FOnChange)
        FOnChange();
}

TUWiiProgressBar::TUWiiProgressBar(QWidget *parent)
    : QWidget(parent), FAppearance(std::make_unique<TBlockAppearance>()), FTimer(new QTimer(this))
{
    FTimer->setInterval(120);
    connect(FTimer, &QTimer::timeout, this, &TUWiiProgressBar::Step);
    FAppearance->SetOnChange([this] {
        CalcBlocks();
        update();
    });
    resize(50, 50);
    CalcBlocks();
    Loaded();
}

TUWiiProgressBar::~TUWiiProgressBar()
{
    FTimer->stop();
    FAppearance->SetOnChange(nullptr);
}

void TUWiiProgressBar::SetAppearance(const TBlockAppearance &Value)
{
    FAppearance->Assign(Value);
}

void TUWiiProgressBar::SetPadding(int Value)
{
    if (Value <= 0 || Value == FPadding)
        return;
    FPadding = Value;
    CalcBlocks();
    update();
}

int TUWiiProgressBar::Interval() const { return FTimer->interval(); }

void TUWiiProgressBar::SetInterval(int Value) { FTimer->setInterval(Value); }

bool TUWiiProgressBar::TimerActive() const { return FTimer->isActive(); }

void TUWiiProgressBar::Loaded()
{
    FCol = BlockCount - 1;
    FRow = BlockCount - 1;
    CalcBlocks();
    UpdateTimer();
    update();
}

void TUWiiProgressBar::UpdateTimer()
{
    if (isEnabled())
        FTimer->start();
    else
        FTimer->stop();
}

void TUWiiProgressBar::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        UpdateTimer();
    QWidget::changeEvent(event);
}

void TUWiiProgressBar::resizeEvent(QResizeEvent *event)
{
    CalcBlocks();
    QWidget::resizeEvent(event);
}

void TUWiiProgressBar::enterEvent(QEnterEvent *event)
{
    if (FOnMouseEnter)
        FOnMouseEnter(this);
    QWidget::enterEvent(event);
}

void TUWiiProgressBar::leaveEvent(QEvent *event)
{
    if (FOnMouseLeave)
        FOnMouseLeave(this);
    QWidget::leaveEvent(event);
}

// The area inside a 2-pixel margin (3 with a border) shared by the blocks and their gaps.
void TUWiiProgressBar::CalcBlocks()
{
    const int inset = FAppearance->BorderColor() != clNone ? 3 : 2;
    const int w = width() - 2 * inset;
    const int h = height() - 2 * inset;
    FBlockWidth = (w - (BlockCount - 1) * FPadding) / BlockCount;
    FBlockHeight = (h - (BlockCount - 1) * FPadding) / BlockCount;
}

TRectL TUWiiProgressBar::GetBlockRect(int ACol, int ARow) const
{
    if (ACol < 0 || ACol >= BlockCount || ARow < 0 || ARow >= BlockCount)
        return {-1, -1, -1, -1};
    const int inset = FAppearance->BorderColor() != clNone ? 3 : 2;
    const int areaRight = width() - inset;
    const int areaBottom = height() - inset;
    TRectL r;
    r.Left = areaRight - ACol * FPadding - (ACol + 1) * FBlockWidth;
    r.Right = r.Left + FBlockWidth;
    r.Top = areaBottom - ARow * FPadding - (ARow + 1) * FBlockHeight;
    r.Bottom = r.Top + FBlockHeight;
    return r;
}

void TUWiiProgressBar::Step()
{
    constexpr int a = BlockCount - 1;
    const TRectL before = GetBlockRect(FCol, FRow);
    if (FRow == a) {
        if (FCol > 0)
            --FCol;
        else
            --FRow;
    } else if (FCol == 0) {
        if (FRow <= 0)
            ++FCol;
        else
            --FRow;
    } else if (FRow == 0) {
        if (FCol < a)
            ++FCol;
        else
            ++FRow;
    } else if (FCol == a) {
        ++FRow;
    }
    const TRectL after = GetBlockRect(FCol, FRow);
    if (!before.IsEmpty())
        update(before.ToQRect());
    if (!after.IsEmpty())
        update(after.ToQRect());
}

void TUWiiProgressBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const TBlockAppearance &ap = *FAppearance;
    const TRectL client = TRectL::FromQRect(rect());
    if (ap.BackGroundColor() != clNone)
        fillRect(p, client, ap.BackGroundColor());
    if (ap.BorderColor() != clNone)
        frameRect(p, client, ap.BorderColor());
    for (int col = 0; col < BlockCount; ++col)
        for (int row = 0; row < BlockCount; ++row) {
            const TRectL r = GetBlockRect(col, row);
            if (col == FCol && row == FRow)
                PaintBlock(p, r, ap.BlockColorActive(), ap.BlockColorActiveTo(), ap.BlockBorderColorActive());
            else
                PaintBlock(p, r, ap.BlockColor(), ap.BlockColorTo(), ap.BlockBorderColor());
        }
}

void TUWiiProgressBar::PaintBlock(QPainter &p, const TRectL &r, TColor color, TColor colorTo, TColor border)
{
    if (colorTo != clNone)
        PaintGradient(p, r, color, colorTo);
    else if (color != clNone)
        fillRect(p, r, color);
    if (border != clNone)
        frameRect(p, r, border);
}

// Bands of equal width from one colour towards the other; the last band stops one step short
// of the end colour.
void TUWiiProgressBar::PaintGradient(QPainter &p, const TRectL &r, TColor from, TColor to)
{
    const int steps = FAppearance->Steps() > 0 ? FAppearance->Steps() : 1;
    const bool horizontal = FAppearance->Direction() == gdHorizontal;
    const double band = horizontal ? double(r.Right - 1 - r.Left) / steps : double(r.Bottom - 1 - r.Top) / steps;
    const TColor a = ColorToRGB(from);
    const TColor b = ColorToRGB(to);
    auto channel = [steps](int n, uint8_t ca, uint8_t cb) {
        return uint8_t(ca + roundEven(double(n) * (int(cb) - int(ca)) / steps));
    };
    for (int n = 0; n < steps; ++n) {
        const TColor c = RGBToColor(channel(n, ColorRed(a), ColorRed(b)), channel(n, ColorGreen(a), ColorGreen(b)),
                                    channel(n, ColorBlue(a), ColorBlue(b)));
        const int offset = uint16_t(roundEven(n * band));
        const int extent = roundEven(band) + 1;
        TRectL rb = horizontal ? TRectL{r.Left + offset, r.Top, r.Left + offset + extent, r.Bottom}
                               : TRectL{r.Left, r.Top + offset, r.Right, r.Top + offset + extent};
        fillRect(p, rb, c);
    }
}
