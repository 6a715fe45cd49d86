#pragma once

#include "UDataModule.h"
#include "UFDialog.h"

#include <memory>
#include <vector>

class QLineEdit;
class QListWidget;
class QTimer;
class QToolButton;
class TUComboSimple;

// Many records checked in a list filtered by a title pattern (and by a filter key when a filter
// list and an index are given). Checked keys are kept in Selected whatever the filter hides.
// The caller sets the sources and the selection, runs Execute and reads Selected.
class TFormDialogListSelect : public TUFormDialog {
    Q_OBJECT
public:
    explicit TFormDialogListSelect(QWidget *parent = nullptr);
    ~TFormDialogListSelect() override;

    const TUDataKeyList &Selected() const { return *FSelected; }
    void SetSelected(const TUDataKeyList &Value);
    TUDataSource *DataSource() const { return FData; }
    void SetDataSource(TUDataSource *Value) { FData = Value; }
    TUDataSource::TItemEnumeratorClass DataEnumeratorClass() const { return FDataEnumeratorClass; }
    void SetDataEnumeratorClass(TUDataSource::TItemEnumeratorClass Value) { FDataEnumeratorClass = Value; }
    TUDataSource::TEnumeratorFilter *DataEnumeratorFilter() const { return FDataEnumeratorFilter; }
    void SetDataEnumeratorFilter(TUDataSource::TEnumeratorFilter *Value) { FDataEnumeratorFilter = Value; }
    TUDataSource *FilterSource() const { return FFilter; }
    void SetFilterSource(TUDataSource *Value) { FFilter = Value; }
    TUDataSource::TItemEnumeratorClass FilterEnumeratorClass() const { return FFilterEnumeratorClass; }
    void SetFilterEnumeratorClass(TUDataSource::TItemEnumeratorClass Value) { FFilterEnumeratorClass = Value; }
    TUDataSource::TEnumeratorFilter *FilterEnumeratorFilter() const { return FFilterEnumeratorFilter; }
    void SetFilterEnumeratorFilter(TUDataSource::TEnumeratorFilter *Value) { FFilterEnumeratorFilter = Value; }
    TUDataSource::TEnumeratorFilterIndex *FilterIndex() const { return FFilterIndex; }
    void SetFilterIndex(TUDataSource::TEnumeratorFilterIndex *Value) { FFilterIndex = Value; }

    // False at once, without showing, when there is nothing to choose from.
    bool Execute() override;
    void ClearData() override;
    void LoadData() override;
    void UpdateEnabled() override;
    // The rows of the records that pass the filter key and whose titles match the query.
    void RefreshList();
    // Checks ("+") or unchecks ("-") every row the list shows.
    void CheckAll(bool Checked);
    // Checks or unchecks one row, as a click or the space key does.
    void ToggleRow(int Row);
    // The record behind a row; none outside the list.
    TUDataItem *RowItem(int Row) const;

    TUComboSimple *CbFilter;
    QLineEdit *EQuery;
    QListWidget *List;
    QToolButton *bSelect;
    QToolButton *bUnselect;
    QLabel *Label2;
    QLineEdit *ESelected;
    QTimer *TimerChange;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SetRowChecked(int Row, bool Checked);
    void UpdateCount();
    // Moves to the first row whose title begins with Key; false for keys that do not jump.
    bool JumpTo(QChar Key);

    std::unique_ptr<TUDataKeyList> FSelected;
    // The record behind each row of List, in its order; only RefreshList and ClearData fill
    // or empty the list, and it is never sorted.
    std::vector<TUDataItem *> FRows;
    TUDataSource *FData = nullptr;
    TUDataSource::TItemEnumeratorClass FDataEnumeratorClass = nullptr;
    TUDataSource::TEnumeratorFilter *FDataEnumeratorFilter = nullptr;
    TUDataSource *FFilter = nullptr;
    TUDataSource::TItemEnumeratorClass FFilterEnumeratorClass = nullptr;
    TUDataSource::TEnumeratorFilter *FFilterEnumeratorFilter = nullptr;
    TUDataSource::TEnumeratorFilterIndex *FFilterIndex = nullptr;
};
