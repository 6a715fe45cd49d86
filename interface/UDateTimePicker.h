#pragma once

#include <QDateTimeEdit>

class QCheckBox;

// A date picker that can show a check box in front of the date: unchecked means "no date".
class TUDateTimePicker : public QDateTimeEdit {
    Q_OBJECT
public:
    explicit TUDateTimePicker(QWidget *parent = nullptr);

    bool ShowCheckbox() const { return FShowCheckbox; }
    void SetShowCheckbox(bool Value);
    bool Checked() const;
    void SetChecked(bool Value);

signals:
    void checkedChanged(bool checked);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    bool FShowCheckbox = false;
    QCheckBox *FCheck; // child of this picker
};
