#include "UFormHelper.h"

#include "UComboSimple.h"
#include "UConv.h"
#include "UDateTimePicker.h"
#include "UDrawButton.h"
#include "UGraphics.h"
#include "UWiiProgressBar.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <cmath>

const char *TUFormHelper::TagProperty = "Tag";

namespace {

// Labels and drawn controls have no window of their own and are left alone.
bool isWindowed(const QWidget *w)
{
    return !qobject_cast<const QLabel *>(w) && !qobject_cast<const TUDrawButton *>(w) &&
           !qobject_cast<const TUWiiProgressBar *>(w);
}

bool isEditField(const QWidget *w)
{
    return qobject_cast<const QLineEdit *>(w) || qobject_cast<const QTextEdit *>(w) ||
           qobject_cast<const QPlainTextEdit *>(w);
}

void setReadOnly(QWidget *w, bool value)
{
    if (auto *e = qobject_cast<QLineEdit *>(w))
        e->setReadOnly(value);
    else if (auto *t = qobject_cast<QTextEdit *>(w))
        t->setReadOnly(value);
    else if (auto *pt = qobject_cast<QPlainTextEdit *>(w))
        pt->setReadOnly(value);
}

// A control the user edits as one piece, although Qt builds some of them from child widgets.
bool isLeaf(const QWidget *w)
{
    if (qobject_cast<const TUCustomComboSimple *>(w) || qobject_cast<const QAbstractButton *>(w) ||
        qobject_cast<const QComboBox *>(w) || qobject_cast<const QAbstractSpinBox *>(w) ||
        qobject_cast<const QAbstractSlider *>(w) || qobject_cast<const QAbstractItemView *>(w) || isEditField(w))
        return true;
    return w->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).isEmpty();
}

QList<QWidget *> childControls(QWidget *parent)
{
    QList<QWidget *> r;
    for (QWidget *w : parent->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        if (!w->isWindow() && isWindowed(w))
            r << w;
    return r;
}

// Date-times as a picker keeps them: to the second.
bool sameMoment(TDateTime a, TDateTime b) { return std::abs(a.Value() - b.Value()) < 0.5 / 86400; }

} // namespace

// ---- texts and numbers ----

QString TUFormHelper::GetText(const QLineEdit *TextControl) const { return TUConv::Trim(TextControl->text()); }

QString TUFormHelper::GetText(const QLineEdit *TextControl, const QString &Default) const
{
    const QString text = GetText(TextControl);
    return text.isEmpty() ? Default : text;
}

int32_t TUFormHelper::GetInt(const QLineEdit *TextControl, int32_t Default) const
{
    bool ok = false;
    const int32_t v = GetText(TextControl).toInt(&ok, 10);
    return ok ? v : Default;
}

double TUFormHelper::GetFloat(const QLineEdit *TextControl, double Default) const
{
    return TUConv::StrToFloat(GetText(TextControl), Default);
}

void TUFormHelper::SetText(QLineEdit *TextControl, const QString &Value) const { TextControl->setText(Value); }

void TUFormHelper::SetInt(QLineEdit *TextControl, int32_t Value) const { TextControl->setText(QString::number(Value)); }

void TUFormHelper::SetFloat(QLineEdit *TextControl, double Value) const
{
    TextControl->setText(TUConv::FloatToStr(Value));
}

QString TUFormHelper::UnQuote(QLineEdit *TextControl, const QString &Default) const
{
    const QString v = GetText(TextControl, Default);
    SetText(TextControl, v);
    return v;
}

QString TUFormHelper::UnQuoteText(QLineEdit *TextControl) const
{
    const QString v = GetText(TextControl);
    SetText(TextControl, v);
    return v;
}

int32_t TUFormHelper::UnQuoteInt(QLineEdit *TextControl, int32_t Default) const
{
    const int32_t v = GetInt(TextControl, Default);
    SetInt(TextControl, v);
    return v;
}

double TUFormHelper::UnQuoteFloat(QLineEdit *TextControl, double Default) const
{
    const double v = GetFloat(TextControl, Default);
    SetFloat(TextControl, v);
    return v;
}

// ---- date pickers ----

TDateTime TUFormHelper::GetDateTime(const QDateTimeEdit *Control) const
{
    if (const auto *p = qobject_cast<const TUDateTimePicker *>(Control); p && p->ShowCheckbox() && !p->Checked())
        return TDateTime();
    return TDateTime::FromQDateTime(Control->dateTime());
}

TDateTime TUFormHelper::GetDateTimeDate(const QDateTimeEdit *Control) const { return GetDateTime(Control).DatePart(); }

TDateTime TUFormHelper::GetDateTimeTime(const QDateTimeEdit *Control) const { return GetDateTime(Control).TimePart(); }

TDateTime TUFormHelper::GetDateTimePeriod(const QDateTimeEdit *Control) const
{
    const QDate d = GetDateTime(Control).ToDate();
    return d.isValid() ? TDateTime::Encode(d.year(), d.month(), 1) : TDateTime();
}

void TUFormHelper::SetDateTime(QDateTimeEdit *Control, TDateTime Value, TDateTime DefDateTime) const
{
    Control->setDateTime((Value.Value() > 0 ? Value : DefDateTime).ToQDateTime());
    if (auto *p = qobject_cast<TUDateTimePicker *>(Control); p && p->ShowCheckbox())
        p->SetChecked(Value.Value() > 0);
}

void TUFormHelper::SetDateTime(QDateTimeEdit *Control, TDateTime Value) const
{
    SetDateTime(Control, Value, TDateTime::Now());
}

void TUFormHelper::SetDateTimeTaged(QDateTimeEdit *Control, TDateTime Value) const
{
    if (auto *p = qobject_cast<TUDateTimePicker *>(Control); p && p->ShowCheckbox())
        SetTaged(p, Value, Value.Value() > 0, true);
    else
        SetTaged(Control, Value, true);
}

// ---- tags ----

TTagValue TUFormHelper::GetTag(const QObject *Control) const
{
    const int v = Control->property(TagProperty).toInt();
    return v >= tvUndefined && v <= tvNoChange ? TTagValue(v) : tvUndefined;
}

void TUFormHelper::SetTag(QObject *Control, TTagValue ATagValue) const
{
    Control->setProperty(TagProperty, int(ATagValue));
}

void TUFormHelper::SetTagedSet(QObject *Sender) const
{
    if (Sender && Sender->isWidgetType())
        SetTag(Sender, tvSet);
}

void TUFormHelper::SetTagedAll(QWidget *ARoot, TTagValue Value) const
{
    for (QWidget *w : ARoot->findChildren<QWidget *>())
        SetTag(w, Value);
}

template <class Equal, class Put, class Neutral>
void TUFormHelper::Taged(QObject *Control, Equal equal, Put put, Neutral neutral) const
{
    switch (GetTag(Control)) {
    case tvUndefined:
        put();
        SetTag(Control, tvNoChange);
        break;
    case tvSet:
        put();
        break;
    case tvNoChange:
        if (!equal()) {
            neutral();
            SetTag(Control, tvDifferent);
        }
        break;
    case tvDifferent:
        break;
    }
}

void TUFormHelper::SetTaged(QLineEdit *Control, const QString &Str, const QString &DefaultStr) const
{
    Taged(
        Control, [&] { return Control->text() == Str; }, [&] { Control->setText(Str); },
        [&] { Control->setText(DefaultStr); });
}

void TUFormHelper::SetTaged(QLabel *Control, const QString &Str, const QString &DefaultStr) const
{
    Taged(
        Control, [&] { return Control->text() == Str; }, [&] { Control->setText(Str); },
        [&] { Control->setText(DefaultStr); });
}

void TUFormHelper::SetTaged(QLineEdit *Control, int32_t Value) const
{
    Taged(
        Control, [&] { return GetInt(Control, 0) == Value; }, [&] { SetInt(Control, Value); },
        [&] { Control->clear(); });
}

void TUFormHelper::SetTaged(QLineEdit *Control, double Value) const
{
    Taged(
        Control, [&] { return std::abs(GetFloat(Control, 0) - Value) <= 0.0001; }, [&] { SetFloat(Control, Value); },
        [&] { Control->clear(); });
}

void TUFormHelper::SetTaged(QLabel *Control, TColor AColor, TColor DefaultColor) const
{
    auto paint = [Control](TColor c) {
        QPalette pal = Control->palette();
        pal.setColor(QPalette::WindowText, ToQColor(c));
        Control->setPalette(pal);
    };
    Taged(
        Control, [&] { return FromQColor(Control->palette().color(QPalette::WindowText)) == ColorToRGB(AColor); },
        [&] { paint(AColor); }, [&] { paint(DefaultColor); });
}

void TUFormHelper::SetTaged(QCheckBox *Control, bool AChecked) const
{
    Taged(
        Control, [&] { return (Control->checkState() == Qt::Checked) == AChecked; },
        [&] { Control->setCheckState(AChecked ? Qt::Checked : Qt::Unchecked); },
        [&] {
            Control->setTristate(true);
            Control->setCheckState(Qt::PartiallyChecked);
        });
}

void TUFormHelper::SetTaged(QCheckBox *Control, Qt::CheckState AState) const
{
    Taged(
        Control, [&] { return Control->checkState() == AState; },
        [&] {
            if (AState == Qt::PartiallyChecked)
                Control->setTristate(true);
            Control->setCheckState(AState);
        },
        [&] {
            Control->setTristate(true);
            Control->setCheckState(Qt::PartiallyChecked);
        });
}

void TUFormHelper::SetTaged(QComboBox *Control, int Index, int DefaultIndex) const
{
    const int last = Control->count() - 1;
    if (Index < 0 || Index > last)
        return;
    if (DefaultIndex < -1 || DefaultIndex > last)
        DefaultIndex = -1;
    Taged(
        Control, [&] { return Control->currentIndex() == Index; }, [&] { Control->setCurrentIndex(Index); },
        [&] { Control->setCurrentIndex(DefaultIndex); });
}

void TUFormHelper::SetTaged(QDateTimeEdit *Control, TDateTime ADateTime, bool WithTime) const
{
    TDateTime value = ADateTime.Value() > 0 ? ADateTime : TDateTime::Now();
    if (!WithTime)
        value = value.DatePart();
    Taged(
        Control, [&] { return sameMoment(TDateTime::FromQDateTime(Control->dateTime()), value); },
        [&] { Control->setDateTime(value.ToQDateTime()); },
        [&] { Control->setDateTime(TDateTime::Now().ToQDateTime()); });
}

void TUFormHelper::SetTaged(TUDateTimePicker *Control, TDateTime ADateTime, bool AChecked, bool WithTime) const
{
    SetTaged(static_cast<QDateTimeEdit *>(Control), ADateTime, WithTime);
    switch (GetTag(Control)) {
    case tvSet:
    case tvNoChange:
        Control->SetChecked(AChecked);
        break;
    case tvDifferent:
        Control->SetChecked(false);
        break;
    case tvUndefined:
        break;
    }
}

void TUFormHelper::SetTaged(TUCustomComboSimple *Control, const TUDataKey &Selected) const
{
    Taged(
        Control, [&] { return Control->SelectedOneKey().TheSame(Selected); },
        [&] { Control->SetSelectedOneKey(Selected); }, [&] { Control->ClearSelection(); });
}

void TUFormHelper::SetTaged(TUCustomComboSimple *Control, const TUDataItem *Selected) const
{
    if (Selected)
        SetTaged(Control, Selected->ID());
}

void TUFormHelper::SetTaged(TUCustomComboSimple *Control, const TUDataKeyList *Selected) const
{
    if (!Selected)
        return;
    Taged(
        Control, [&] { return Selected->TheSame(&Control->Selected()); }, [&] { Control->SetSelected(Selected); },
        [&] { Control->ClearSelection(); });
}

// ---- enabling ----

void TUFormHelper::SetEnabledValue(QWidget *Control, bool Value) const
{
    for (QWidget *w : childControls(Control)) {
        if (isLeaf(w)) {
            w->setEnabled(Value);
        } else {
            w->setEnabled(true);
            SetEnabledValue(w, Value);
        }
    }
}

void TUFormHelper::SetEnabledReadOnlyValue(QWidget *Control, bool IsEnabled, bool IsEditable) const
{
    for (QWidget *w : childControls(Control)) {
        if (isEditField(w)) {
            w->setEnabled(IsEnabled);
            setReadOnly(w, IsEnabled && !IsEditable);
        } else if (isLeaf(w)) {
            w->setEnabled(IsEnabled && IsEditable);
        } else {
            w->setEnabled(true);
            SetEnabledReadOnlyValue(w, IsEnabled, IsEditable);
        }
    }
}
