#pragma once

#include "UColor.h"
#include "UDataModule.h"
#include "UGraphics.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

class QTimer;

enum TGradientDirection : uint8_t { gdHorizontal, gdVertical };

// The colours of a block indicator. Every setter that changes a value tells the owner through
// OnChange; clNone leaves the part unpainted.
class TBlockAppearance : public TPersistent {
public:
    TBlockAppearance();

    // Copies every colour and the direction from another appearance; anything else is ignored.
    void Assign(const TPersistent &Source) override;

    int Steps() const { return FSteps; }
    TGradientDirection Direction() const { return FDirection; }
    void SetDirection(TGradientDirection Value);
    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor Value) { Change(FBorderColor, Value); }
    TColor BackGroundColor() const { return FBackGroundColor; }
    void SetBackGroundColor(TColor Value) { Change(FBackGroundColor, Value); }
    TColor BlockColor() const { return FBlockColor; }
    void SetBlockColor(TColor Value) { Change(FBlockColor, Value); }
    TColor BlockColorTo() const { return FBlockColorTo; }
    void SetBlockColorTo(TColor Value) { Change(FBlockColorTo, Value); }
    TColor BlockColorActive() const { return FBlockColorActive; }
    void SetBlockColorActive(TColor Value) { Change(FBlockColorActive, Value); }
    TColor BlockColorActiveTo() const { return FBlockColorActiveTo; }
    void SetBlockColorActiveTo(TColor Value) { Change(FBlockColorActiveTo, Value); }
    TColor BlockBorderColor() const { return FBlockBorderColor; }
    void SetBlockBorderColor(TColor Value) { Change(FBlockBorderColor, Value); }
    TColor BlockBorderColorActive() const { return FBlockBorderColorActive; }
    void SetBlockBorderColorActive(TColor Value) { Change(FBlockBorderColorActive, Value); }

    const std::function<void()> &OnChange() const { return FOnChange; }
    void SetOnChange(std::function<void()> Value) { FOnChange = std::move(Value); }

private:
    void Change(TColor &Field, TColor Value);
    void Changed();

    int FSteps = 64;
    TGradientDirection FDirection = gdHorizontal;
    std::function<void()> FOnChange;
    TColor FBorderColor = clNone;
    TColor FBackGroundColor = clNone;
    TColor FBlockColor = RGBToColor(0x00, 0xCF, 0xEE);
    TColor FBlockColorTo = clNone;
    TColor FBlockColorActive = clNone;
    TColor FBlockColorActiveTo = clNone;
    TColor FBlockBorderColor = clNone;
    TColor FBlockBorderColorActive = clNone;
};

// A busy indicator: a 3 x 3 grid of blocks in which one highlighted block travels clockwise
// around the outer ring. Column 0 is the rightmost, row 0 the bottom one. The timer runs
// exactly while the control is enabled (its own state and its parents'); a disabled
// indicator keeps drawing its blocks and resumes from where it stopped.
class TUWiiProgressBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int BlockCount = 3;

    explicit TUWiiProgressBar(QWidget *parent = nullptr);
    ~TUWiiProgressBar() override;

    TBlockAppearance &Appearance() { return *FAppearance; }
    const TBlockAppearance &Appearance() const { return *FAppearance; }
    // Copies the given appearance.
    void SetAppearance(const TBlockAppearance &Value);
    int Padding() const { return FPadding; }
    // 0 or less, or the current value, is ignored.
    void SetPadding(int Value);
    int Interval() const;
    void SetInterval(int Value);

    // Moves the highlight one position clockwise and repaints the two blocks concerned.
    void Step();
    // Puts the highlight on the top-left block and lets the timer follow the enabled state;
    // the constructor does this once.
    void Loaded();

    int Col() const { return FCol; }
    int Row() const { return FRow; }
    int BlockWidth() const { return FBlockWidth; }
    int BlockHeight() const { return FBlockHeight; }
    bool TimerActive() const;
    // The block at (ACol, ARow); (-1, -1, -1, -1) outside the grid.
    TRectL GetBlockRect(int ACol, int ARow) const;

    const std::function<void(QObject *)> &OnMouseEnter() const { return FOnMouseEnter; }
    void SetOnMouseEnter(std::function<void(QObject *)> Value) { FOnMouseEnter = std::move(Value); }
    const std::function<void(QObject *)> &OnMouseLeave() const { return FOnMouseLeave; }
    void SetOnMouseLeave(std::function<void(QObject *)> Value) { FOnMouseLeave = std::move(Value); }

    QSize sizeHint() const override { return QSize(50, 50); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void CalcBlocks();
    void UpdateTimer();
    void PaintBlock(class QPainter &p, const TRectL &r, TColor color, TColor colorTo, TColor border);
    void PaintGradient(class QPainter &p, const TRectL &r, TColor from, TColor to);

    std::function<void(QObject *)> FOnMouseLeave;
    std::function<void(QObject *)> FOnMouseEnter;
    std::unique_ptr<TBlockAppearance> FAppearance;
    int FPadding = 4;
    QTimer *FTimer; // child of this control
    int FBlockHeight = 0;
    int FBlockWidth = 0;
    int FCol = 0;
    int FRow = 0;
};
