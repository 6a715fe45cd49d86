#include "URadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

TURadioGroup::TURadioGroup(QWidget *parent)
    : QGroupBox(parent), FGroup(new QButtonGroup(this)), FLayout(new QVBoxLayout(this))
{
    FLayout->setContentsMargins(6, 4, 6, 4);
    FLayout->setSpacing(2);
}

void TURadioGroup::Clear()
{
    for (QAbstractButton *b : FGroup->buttons()) {
        FGroup->removeButton(b);
        delete b;
    }
    FItems.clear();
}

void TURadioGroup::LoadData()
{
    Clear();
    if (!FDataSource)
        return;
    auto add = [this](TUDataItem *item) {
        auto *b = new QRadioButton(item->Title(), this);
        FGroup->addButton(b, int(FItems.size()));
        FLayout->addWidget(b);
        FItems.push_back(item);
    };
    const std::unique_ptr<TUDataSource::TItemEnumerator> items =
        FSorted ? FDataSource->GetTitleEnumerator() : FDataSource->GetEnumerator();
    for (TUDataItem *item : *items)
        add(item);
}

void TURadioGroup::LoadData(const TUDataKey &Selection)
{
    LoadData();
    SetSelectedOneKey(Selection);
}

void TURadioGroup::LoadData(const TUDataItem *Selection)
{
    LoadData();
    SetSelectedOne(Selection);
}

void TURadioGroup::SetSorted(bool Value)
{
    if (Value == FSorted)
        return;
    FSorted = Value;
    const TUDataKey selected = SelectedOneKey();
    LoadData(selected);
}

QRadioButton *TURadioGroup::RadioButton(int Index) const
{
    return static_cast<QRadioButton *>(FGroup->button(Index));
}

TUDataItem *TURadioGroup::SelectedOne() const
{
    const int id = FGroup->checkedId();
    if (!FDataSource || id < 0 || id >= int(FItems.size()))
        return nullptr;
    return FItems[size_t(id)];
}

TUDataKey TURadioGroup::SelectedOneKey() const
{
    const TUDataItem *item = SelectedOne();
    return item ? item->ID() : TUDataKey();
}

void TURadioGroup::SetSelectedOne(const TUDataItem *Value)
{
    if (Value)
        SetSelectedOneKey(Value->ID());
}

void TURadioGroup::SetSelectedOneKey(const TUDataKey &Value)
{
    // An exclusive group keeps one button checked; unchecking all needs it lifted for a moment.
    FGroup->setExclusive(false);
    for (QAbstractButton *b : FGroup->buttons())
        b->setChecked(false);
    FGroup->setExclusive(true);
    if (Value.IsClear())
        return;
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->ID().TheSame(Value)) {
            FGroup->button(int(i))->setChecked(true);
            return;
        }
}
