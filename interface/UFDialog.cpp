#include "UFDialog.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

namespace {

QFont boldFont(int pixels)
{
    QFont f = KitFont();
    f.setPixelSize(pixels);
    f.setBold(true);
    return f;
}

// A tick or a cross, drawn so the buttons look the same on every platform.
QIcon glyph(bool tick)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(tick ? QColor(0x2e, 0x8b, 0x3c) : QColor(0xb0, 0x20, 0x20), 2.5, Qt::SolidLine, Qt::RoundCap));
    if (tick) {
        p.drawLine(QPointF(3, 8.5), QPointF(6.5, 12));
        p.drawLine(QPointF(6.5, 12), QPointF(13, 4));
    } else {
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
    }
    return QIcon(pm);
}

} // namespace

QIcon KitGlyphOk() { return glyph(true); }
QIcon KitGlyphCancel() { return glyph(false); }

TUImageButton::TUImageButton(const QString &Caption, const QIcon &Glyph, int FontPixels, QWidget *parent)
    : QPushButton(Glyph, Caption, parent)
{
    setFont(boldFont(FontPixels));
    setLayoutDirection(Qt::RightToLeft);
    setAutoDefault(false);
    // The gap between caption and glyph.
    setStyleSheet(QStringLiteral("QPushButton { padding-left: 10px; padding-right: 10px; }"));
    setIconSize(QSize(16, 16));
}

bool TUImageButton::ClickIfAvailable()
{
    if (!isEnabled() || !isVisible())
        return false;
    click();
    return true;
}

TUFormDialog::TUFormDialog(QWidget *parent) : TUFormCustomGroup(parent)
{
    LPromt = new QLabel(GBTop);
    LPromt->setObjectName(QStringLiteral("LPromt"));
    LPromt->setFont(boldFont(11));
    LPromt->setGeometry(8, 10, width() - 16, 16);

    ButtonOk = new TUImageButton(QStringLiteral("OK"), KitGlyphOk(), 12, GBBottom);
    ButtonOk->setGeometry(394, 5, 120, 32);
    ButtonClose = new TUImageButton(QStringLiteral("ОТМЕНА"), KitGlyphCancel(), 12, GBBottom);
    ButtonClose->setGeometry(518, 5, 120, 32);
    setTabOrder(ButtonOk, ButtonClose);
    connect(ButtonOk, &QPushButton::clicked, this, &TUFormDialog::OnButtonOkClick);
    connect(ButtonClose, &QPushButton::clicked, this, &TUFormDialog::OnButtonCloseClick);
}

void TUFormDialog::PlaceUnderPromt(QWidget *Control)
{
    auto *layout = new QVBoxLayout(GBTop);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(LPromt);
    layout->addWidget(Control, 1);
    QFont f = KitFont();
    f.setBold(true);
    Control->setFont(f);
}

QString TUFormDialog::Promt() const { return LPromt->text(); }

void TUFormDialog::SetPromt(const QString &Value) { LPromt->setText(Value); }

bool TUFormDialog::Execute()
{
    ClearData();
    LoadData();
    return exec() == QDialog::Accepted;
}

void TUFormDialog::OnButtonCloseClick() { done(QDialog::Rejected); }

void TUFormDialog::OnButtonOkClick()
{
    if (CheckData())
        done(QDialog::Accepted);
}

void TUFormDialog::OnKeyReturnOrEscPress(QObject *, QChar &Key)
{
    if (Key == QChar(13))
        ButtonOk->ClickIfAvailable();
    else if (Key == QChar(27))
        ButtonClose->ClickIfAvailable();
}

void TUFormDialog::OnKeyEscapeDown(QObject *, int Key)
{
    if (Key == 27)
        ButtonClose->ClickIfAvailable();
}

void TUFormDialog::keyPressEvent(QKeyEvent *event)
{
    // Keys the focused control left alone; the platform's own default-button and Escape
    // handling is replaced by the rule above.
    QChar key;
    switch (event->key()) {
    case Qt::Key_Return: case Qt::Key_Enter: key = QChar(13); break;
    case Qt::Key_Escape: key = QChar(27); break;
    default: TUFormCustomGroup::keyPressEvent(event); return;
    }
    OnKeyReturnOrEscPress(this, key);
}
