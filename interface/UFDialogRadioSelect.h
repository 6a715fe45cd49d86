#pragma once

#include "UDataModule.h"
#include "UFDialog.h"

class TURadioGroup;

// One record chosen from a source as a radio list; the dialog grows 40 pixels a button.
class TUFormDialogRadioSelect : public TUFormDialog {
    Q_OBJECT
public:
    explicit TUFormDialogRadioSelect(QWidget *parent = nullptr);

    TUDataKey Selected() const;
    TUDataSource *DataSource() const;
    void SetDataSource(TUDataSource *Value);
    const TUDataKey &SelectedStart() const { return FSelectedStart; }
    void SetSelectedStart(const TUDataKey &Value) { FSelectedStart = Value; }

    void ClearData() override;
    void LoadData() override;
    // Refuses, with "Item must be selected", while nothing is chosen.
    bool CheckData() override;

    TURadioGroup *RG;

private:
    TUDataKey FSelectedStart;
};
