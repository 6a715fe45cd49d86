#include "UFDialogRadioSelect.h"

#include "UDialogs.h"
#include "URadioGroup.h"

#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

TUFormDialogRadioSelect::TUFormDialogRadioSelect(QWidget *parent) : TUFormDialog(parent)
{
    setFixedSize(694, 164);
    auto *layout = new QVBoxLayout(GBTop);
    layout->setContentsMargins(6, 6, 6, 6);
    LPromt->setParent(nullptr);
    LPromt->setParent(GBTop);
    layout->addWidget(LPromt);
    RG = new TURadioGroup(GBTop);
    RG->setObjectName(QStringLiteral("RG"));
    QFont f = KitFont();
    f.setBold(true);
    RG->setFont(f);
    layout->addWidget(RG, 1);
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
