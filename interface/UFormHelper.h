#pragma once

#include "UColor.h"
#include "UDateTime.h"
#include "URecs.h"

#include <QString>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QObject;
class QWidget;
class TUCustomComboSimple;
class TUDataItem;
class TUDateTimePicker;

// The multi-record state kept in each control's tag (the dynamic property "Tag").
enum TTagValue : uint8_t { tvUndefined, tvSet, tvDifferent, tvNoChange };

// Reads and writes typed values in the controls of one form or frame, enables control trees,
// and edits several records at once: SetTagedAll(tvUndefined), then one SetTaged per record
// and control; each control ends up showing the value all records share (tag tvNoChange) or a
// neutral value (tvDifferent), and one the user touched says tvSet.
class TUFormHelper {
public:
    explicit TUFormHelper(QWidget *AOwner) : FOwner(AOwner) {}

    QWidget *Owner() const { return FOwner; }

    // Texts, trimmed of characters up to code 32 at both ends.
    QString GetText(const QLineEdit *TextControl) const;
    QString GetText(const QLineEdit *TextControl, const QString &Default) const;
    int32_t GetInt(const QLineEdit *TextControl, int32_t Default) const;
    double GetFloat(const QLineEdit *TextControl, double Default) const;
    void SetText(QLineEdit *TextControl, const QString &Value) const;
    void SetInt(QLineEdit *TextControl, int32_t Value) const;
    void SetFloat(QLineEdit *TextControl, double Value) const;
    // The value read as above, written back into the control and returned.
    QString UnQuote(QLineEdit *TextControl, const QString &Default) const;
    QString UnQuoteText(QLineEdit *TextControl) const;
    int32_t UnQuoteInt(QLineEdit *TextControl, int32_t Default) const;
    double UnQuoteFloat(QLineEdit *TextControl, double Default) const;

    // The picker's value; null when it shows a check box that is not checked.
    TDateTime GetDateTime(const QDateTimeEdit *Control) const;
    TDateTime GetDateTimeDate(const QDateTimeEdit *Control) const;
    TDateTime GetDateTimeTime(const QDateTimeEdit *Control) const;
    // The first day of the month of GetDateTime, at midnight.
    TDateTime GetDateTimePeriod(const QDateTimeEdit *Control) const;
    // Value when it is positive, else DefDateTime; a check box is checked exactly for a
    // positive Value.
    void SetDateTime(QDateTimeEdit *Control, TDateTime Value, TDateTime DefDateTime) const;
    void SetDateTime(QDateTimeEdit *Control, TDateTime Value) const;
    void SetDateTimeTaged(QDateTimeEdit *Control, TDateTime Value) const;

    // Multi-record assignment, one overload per kind of control.
    void SetTaged(QLineEdit *Control, const QString &Str, const QString &DefaultStr) const;
    void SetTaged(QLabel *Control, const QString &Str, const QString &DefaultStr) const;
    void SetTaged(QLineEdit *Control, int32_t Value) const;
    void SetTaged(QLineEdit *Control, double Value) const;
    void SetTaged(QLabel *Control, TColor AColor, TColor DefaultColor) const;
    void SetTaged(QCheckBox *Control, bool AChecked) const;
    void SetTaged(QCheckBox *Control, Qt::CheckState AState) const;
    void SetTaged(QComboBox *Control, int Index, int DefaultIndex) const;
    void SetTaged(QDateTimeEdit *Control, TDateTime ADateTime, bool WithTime) const;
    void SetTaged(TUDateTimePicker *Control, TDateTime ADateTime, bool AChecked, bool WithTime) const;
    void SetTaged(TUCustomComboSimple *Control, const TUDataKey &Selected) const;
    void SetTaged(TUCustomComboSimple *Control, const TUDataItem *Selected) const;
    void SetTaged(TUCustomComboSimple *Control, const TUDataKeyList *Selected) const;

    // Marks Sender, when it is a control, as changed by the user: a change handler.
    void SetTagedSet(QObject *Sender) const;
    // Every control below ARoot, at any depth.
    void SetTagedAll(QWidget *ARoot, TTagValue Value) const;
    TTagValue GetTag(const QObject *Control) const;
    void SetTag(QObject *Control, TTagValue ATagValue) const;

    // Enables or disables the input controls of a tree; containers stay enabled and pass it on.
    void SetEnabledValue(QWidget *Control, bool Value) const;
    // As SetEnabledValue, with edit fields made read-only where enabled but not editable.
    void SetEnabledReadOnlyValue(QWidget *Control, bool IsEnabled, bool IsEditable) const;

    // The name of the dynamic property that holds a control's tag.
    static const char *TagProperty;

private:
    // The tag rule shared by every overload: Equal tells whether the control already holds the
    // value, Put writes it, Neutral writes the neutral value.
    template <class Equal, class Put, class Neutral>
    void Taged(QObject *Control, Equal equal, Put put, Neutral neutral) const;

    QWidget *FOwner; // not owned
};
