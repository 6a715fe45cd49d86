#include "UFDialogListSelect.h"

#include "UComboSimple.h"
#include "UConv.h"
#include "UTitleMatch.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace {

QFont fontOf(int pixels, bool bold)
{
    QFont f = KitFont();
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QToolButton *flatButton(const QString &caption, QWidget *parent, int left)
{
    auto *b = new QToolButton(parent);
    b->setText(caption);
    b->setAutoRaise(true);
    b->setFont(fontOf(24, true));
    b->setGeometry(left, 4, 32, 32);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

} // namespace

TFormDialogListSelect::TFormDialogListSelect(QWidget *parent)
    : TUFormDialog(parent), FSelected(std::make_unique<TUDataKeyList>())
{
    setFixedSize(716, 555);
    LPromt->setFixedWidth(716 - 16);

    EQuery = new QLineEdit(GBTop);
    EQuery->setObjectName(QStringLiteral("EQuery"));
    EQuery->setGeometry(6, 41, 350, 22);
    EQuery->setPlaceholderText(QStringLiteral("фильтр по названию"));
    EQuery->setToolTip(EQuery->placeholderText());
    EQuery->installEventFilter(this);

    CbFilter = new TUComboSimple(GBTop);
    CbFilter->setObjectName(QStringLiteral("CbFilter"));
    CbFilter->setGeometry(360, 41, 350, 22);
    CbFilter->SetButtons(ComboButton(cbClear));
    CbFilter->SetUseZeroIndex(true);
    CbFilter->SetZeroTitle(QStringLiteral("Все"));
    CbFilter->SetOnChange([this](QObject *) { RefreshList(); });

    List = new QListWidget(GBTop);
    List->setObjectName(QStringLiteral("List"));
    List->setGeometry(6, 68, 704, 441);
    List->setFont(fontOf(13, false));
    // Two columns: rows flow down and wrap into the next column.
    List->setFlow(QListView::TopToBottom);
    List->setWrapping(true);
    List->setResizeMode(QListView::Adjust);
    List->setUniformItemSizes(true);
    List->setGridSize(QSize((704 - 6) / 2, QFontMetrics(List->font()).height() + 4));
    List->setSelectionMode(QAbstractItemView::SingleSelection);
    List->installEventFilter(this);
    List->viewport()->installEventFilter(this);

    bSelect = flatButton(QStringLiteral("+"), GBBottom, 6);
    bUnselect = flatButton(QStringLiteral("-"), GBBottom, 39);
    connect(bSelect, &QToolButton::clicked, this, [this] { CheckAll(true); });
    connect(bUnselect, &QToolButton::clicked, this, [this] { CheckAll(false); });
    Label2 = new QLabel(QStringLiteral("Выбрано"), GBBottom);
    Label2->move(77, 12);
    Label2->adjustSize();
    ESelected = new QLineEdit(QStringLiteral("0"), GBBottom);
    ESelected->setObjectName(QStringLiteral("ESelected"));
    // Right of the label even where the face is wider than the form was drawn for.
    ESelected->setGeometry(std::max(132, Label2->geometry().right() + 6), 10, 80, 20);
    ESelected->setReadOnly(true);
    ESelected->setFrame(false);
    ESelected->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
    ESelected->setFont(fontOf(12, true));
    ESelected->setFocusPolicy(Qt::NoFocus);
    ButtonOk->move(466, 4);
    ButtonClose->move(590, 4);

    TimerChange = new QTimer(this);
    TimerChange->setInterval(500);
    TimerChange->setSingleShot(true);
    connect(TimerChange, &QTimer::timeout, this, &TFormDialogListSelect::RefreshList);
    // Only typing restarts the timer: clearing the field in code does not.
    connect(EQuery, &QLineEdit::textEdited, TimerChange, qOverload<>(&QTimer::start));
    SetFocus(EQuery);
}

TFormDialogListSelect::~TFormDialogListSelect() = default;

void TFormDialogListSelect::SetSelected(const TUDataKeyList &Value)
{
    FSelected->Assign(Value);
    UpdateCount();
}

bool TFormDialogListSelect::Execute()
{
    if (!FData || FData->Count() == 0)
        return false;
    return TUFormDialog::Execute();
}

void TFormDialogListSelect::ClearData()
{
    EQuery->clear();
    CbFilter->Clear();
    List->clear();
    FRows.clear();
}

void TFormDialogListSelect::LoadData()
{
    if (FFilter) {
        CbFilter->SetDataSource(FFilter);
        CbFilter->SetEnumeratorClass(FFilterEnumeratorClass);
        CbFilter->SetEnumeratorFilter(FFilterEnumeratorFilter);
        CbFilter->LoadData();
    }
    RefreshList();
    UpdateEnabled();
}

void TFormDialogListSelect::UpdateEnabled()
{
    CbFilter->setVisible(FFilter && FFilterIndex);
    Helper().SetEnabledValue(GBTop, IsEnabled());
    bSelect->setEnabled(IsEnabled());
    bUnselect->setEnabled(IsEnabled());
    UpdateCount();
}

void TFormDialogListSelect::RefreshList()
{
    TimerChange->stop();
    const TUTitleMatch matches(Helper().GetText(EQuery));
    List->setUpdatesEnabled(false);
    List->clear();
    FRows.clear();
    if (FData) {
        const bool byKey = FFilter && FFilterIndex;
        if (byKey)
            FFilterIndex->SetIndexedValue(CbFilter->SelectedOneKey());
        const std::unique_ptr<TUDataSource::TItemEnumerator> items = FData->GetEnumerator(FDataEnumeratorClass);
        items->SetFilter(FDataEnumeratorFilter);
        while (items->MoveNext()) {
            TUDataItem *item = items->Current();
            if (byKey && !FFilterIndex->Execute(item))
                continue;
            if (!matches(item->Title()))
                continue;
            auto *row = new QListWidgetItem(item->Title());
            row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            row->setCheckState(FSelected->FindFast(item->ID()) ? Qt::Checked : Qt::Unchecked);
            List->addItem(row);
            FRows.push_back(item);
        }
    }
    List->setUpdatesEnabled(true);
}

TUDataItem *TFormDialogListSelect::RowItem(int Row) const
{
    return Row >= 0 && size_t(Row) < FRows.size() ? FRows[size_t(Row)] : nullptr;
}

void TFormDialogListSelect::SetRowChecked(int Row, bool Checked)
{
    List->item(Row)->setCheckState(Checked ? Qt::Checked : Qt::Unchecked);
    if (Checked)
        FSelected->Add(FRows[size_t(Row)]->ID());
    else
        FSelected->RemoveFast(FRows[size_t(Row)]->ID());
}

void TFormDialogListSelect::ToggleRow(int Row)
{
    if (!RowItem(Row))
        return;
    SetRowChecked(Row, List->item(Row)->checkState() != Qt::Checked);
    UpdateCount();
}

void TFormDialogListSelect::CheckAll(bool Checked)
{
    for (int r = 0; r < int(FRows.size()); ++r)
        SetRowChecked(r, Checked);
    UpdateCount();
}

void TFormDialogListSelect::UpdateCount() { ESelected->setText(QString::number(FSelected->Count())); }

bool TFormDialogListSelect::JumpTo(QChar Key)
{
    const char16_t code = Key.unicode();
    if (!((code >= u'0' && code <= u'9') || (code >= 65 && code <= 122)))
        return false;
    const QChar want = Key.toUpper();
    for (int r = 0; r < List->count(); ++r) {
        const QString title = List->item(r)->text();
        if (!title.isEmpty() && title.at(0).toUpper() == want) {
            List->setCurrentRow(r);
            break;
        }
    }
    return true;
}

bool TFormDialogListSelect::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == EQuery && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            RefreshList();
            return true;
        }
    } else if (watched == List && event->type() == QEvent::KeyPress) {
        auto *ke = static_cast<QKeyEvent *>(event);
        if (ke->key() == Qt::Key_Space && ke->modifiers() == Qt::NoModifier) {
            ToggleRow(List->currentRow());
            return true;
        }
        // Printable keys either jump or do nothing: the view's own incremental search would
        // move on Cyrillic letters too.
        if (ke->text().size() == 1 && ke->text().at(0).isPrint()
            && !(ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            JumpTo(ke->text().at(0));
            return true;
        }
    } else if (watched == List->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() == Qt::LeftButton) {
            const QModelIndex index = List->indexAt(me->position().toPoint());
            if (index.isValid()) {
                List->setCurrentRow(index.row());
                ToggleRow(index.row());
                return true;
            }
        }
    }
    return TUFormDialog::eventFilter(watched, event);
}
