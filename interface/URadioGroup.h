#pragma once

#include "UDataModule.h"

#include <QGroupBox>

#include <vector>

class QButtonGroup;
class QRadioButton;
class QVBoxLayout;

// A radio-button group filled from a data source: one button per item, selecting one record
// by key. The buttons point at the source's items; the source is not owned.
class TURadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit TURadioGroup(QWidget *parent = nullptr);

    void LoadData();
    void LoadData(const TUDataKey &Selection);
    void LoadData(const TUDataItem *Selection);
    // Removes every button.
    void Clear();

    TUDataSource *DataSource() const { return FDataSource; }
    void SetDataSource(TUDataSource *Value) { FDataSource = Value; }
    bool Sorted() const { return FSorted; }
    // A change reloads the buttons and keeps the selected item.
    void SetSorted(bool Value);

    TUDataItem *SelectedOne() const;
    void SetSelectedOne(const TUDataItem *Value);
    TUDataKey SelectedOneKey() const;
    void SetSelectedOneKey(const TUDataKey &Value);

    int Count() const { return int(FItems.size()); }
    QRadioButton *RadioButton(int Index) const;
    TUDataItem *ButtonItem(int Index) const { return FItems.at(size_t(Index)); }

private:
    TUDataSource *FDataSource = nullptr;
    bool FSorted = false;
    QButtonGroup *FGroup; // child of this control
    QVBoxLayout *FLayout;
    std::vector<TUDataItem *> FItems; // by button id
};
