#include "UFCustom.h"

#include "UComboSimple.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QLineEdit>
#include <QShowEvent>

namespace {

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
constexpr char16_t Backspace = 8;

// The text and caret of the field a key went to; an empty field when it is not one.
struct Field {
    QString text;
    int caret = 0;
};

Field fieldOf(QObject *sender)
{
    if (auto *e = qobject_cast<QLineEdit *>(sender))
        return {e->text(), e->cursorPosition()};
    if (auto *c = qobject_cast<QComboBox *>(sender); c && c->lineEdit())
        return {c->lineEdit()->text(), c->lineEdit()->cursorPosition()};
    return {};
}

} // namespace

QFont KitFont()
{
    QFont f;
    if (QFontDatabase::hasFamily(QStringLiteral("Tahoma")))
        f.setFamily(QStringLiteral("Tahoma"));
    f.setPixelSize(12);
    return f;
}

TUFormCustom::TUFormCustom(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      FHelper(std::make_unique<TUFormHelper>(this))
{
    setFont(KitFont());
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setFixedSize(644, 312);
}

TUFormCustom::~TUFormCustom() = default;

void TUFormCustom::SetIsEnabled(bool Value)
{
    if (Value == FIsEnabled)
        return;
    FIsEnabled = Value;
    UpdateEnabled();
}

void TUFormCustom::SetEnabled(bool Value)
{
    setEnabled(Value);
    SetIsEnabled(Value);
}

void TUFormCustom::TryFocus(QWidget *Win)
{
    if (Win && Win->isVisible() && Win->isEnabled() && Win->focusPolicy() != Qt::NoFocus)
        Win->setFocus();
}

void TUFormCustom::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    TryFocus(FFocus);
}

void TUFormCustom::DropPopup(QObject *, QPoint, bool &Handled) { Handled = true; }

void TUFormCustom::KeyPressForDigitalEdit(QObject *, QChar &Key)
{
    if (Key != Backspace && !isDigit(Key))
        Key = QChar();
}

void TUFormCustom::KeyPressForDigitalEditWithList(QObject *Sender, QChar &Key)
{
    if (Key == Backspace)
        return;
    if (Key == QLatin1Char('.'))
        Key = QLatin1Char(',');
    if (isDigit(Key))
        return;
    if (Key == QLatin1Char(',')) {
        const Field f = fieldOf(Sender);
        if (f.caret > 0 && f.caret <= f.text.size() && f.text.at(f.caret - 1) != QLatin1Char(','))
            return;
    }
    Key = QChar();
}

void TUFormCustom::KeyPressForFloatEdit(QObject *Sender, QChar &Key)
{
    if (Key == Backspace)
        return;
    if (Key == QLatin1Char(','))
        Key = QLatin1Char('.');
    if (isDigit(Key))
        return;
    if (Key == QLatin1Char('.')) {
        const Field f = fieldOf(Sender);
        if (!f.text.isEmpty() && !f.text.contains(QLatin1Char('.')))
            return;
    }
    Key = QChar();
}

void TUFormCustom::KeyPressForFloatEditWNV(QObject *Sender, QChar &Key)
{
    if (Key == QLatin1Char('-')) {
        const Field f = fieldOf(Sender);
        if (f.caret != 0 || f.text.contains(QLatin1Char('-')))
            Key = QChar();
        return;
    }
    KeyPressForFloatEdit(Sender, Key);
}

void TUFormCustom::ComboOnCloseUpTextSearch(QObject *Sender)
{
    auto *combo = qobject_cast<QComboBox *>(Sender);
    if (!combo || combo->count() == 0)
        return;
    int found = combo->findText(combo->currentText(), Qt::MatchFixedString);
    if (found < 0)
        found = 0;
    if (combo->currentIndex() < 0)
        combo->setCurrentIndex(found);
    if (combo->isEditable())
        combo->setEditText(combo->itemText(found));
}

void TUFormCustom::AttachKeyFilter(QLineEdit *Edit, TKeyFilter Filter)
{
    InstallKeyPressFilter(Edit, [this, Filter](QObject *Sender, QChar &Key) { (this->*Filter)(Sender, Key); });
}

void TUFormCustom::AttachCloseUpTextSearch(TUComboBox *Combo)
{
    connect(Combo, &TUComboBox::closeUp, this, [this, Combo] { ComboOnCloseUpTextSearch(Combo); });
}

void TUFormCustom::AttachDropPopup(QWidget *Control)
{
    Control->installEventFilter(this);
}

bool TUFormCustom::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ContextMenu) {
        bool handled = false;
        DropPopup(watched, static_cast<QContextMenuEvent *>(event)->globalPos(), handled);
        if (handled)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}
