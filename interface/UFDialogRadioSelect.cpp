#include "UFDialogRadioSelect.h"

#include "UDialogs.h"
#include "URadioGroup.h"

#include <QGroupBox>
#include <QLabel>

TUFormDialogRadioSelect::TUFormDialogRadioSelect(QWidget *parent) : TUFormDialog(parent)
{
    setFixedSize(694, 164);
    RG = new TURadioGroup(GBTop);
    RG->setObjectName(QStringLiteral("RG"));
    PlaceUnderPromt(RG);
    SetFocus(RG);
}

TUDataKey TUFormDialogRadioSelect::Selected() const { return RG->SelectedOneKey(); }

TUDataSource *TUFormDialogRadioSelect::DataSource() const { return RG->DataSource(); }

void TUFormDialogRadioSelect::SetDataSource(TUDataSource *Value) { RG->SetDataSource(Value); }

void TUFormDialogRadioSelect::ClearData() { RG->Clear(); }

void TUFormDialogRadioSelect::LoadData()
{
    RG->LoadData(FSelectedStart);
    setFixedHeight(std::max(180, 40 * RG->Count()));
}

bool TUFormDialogRadioSelect::CheckData()
{
    if (Selected().IsSet())
        return true;
    TUDialogs::Error(QStringLiteral("Item must be selected"));
    RG->setFocus();
    return false;
}
