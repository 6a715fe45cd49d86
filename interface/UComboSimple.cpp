#include "UComboSimple.h"

#include "UDrawButton.h"
#include "UGraphics.h"

#include <QAbstractItemView>
#include <QAbstractListModel>
#include <QApplication>
#include <QCompleter>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QStylePainter>

namespace {

constexpr int MinHeight = 21;

// Offers each typed character to a handler before its target sees it.
class TKeyPressFilter : public QObject {
public:
    TKeyPressFilter(QWidget *target, TUKeyPressEvent handler) : QObject(target), FHandler(std::move(handler)) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (FRetyping || event->type() != QEvent::KeyPress)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        if (text.size() != 1)
            return false;
        const QChar original = text.at(0);
        if (original.unicode() < 32 && original.unicode() != 8)
            return false;
        QChar changed = original;
        FHandler(watched, changed);
        if (changed == original)
            return false;
        if (!changed.isNull()) {
            // The replacement goes to the target as if it had been typed.
            FRetyping = true;
            QKeyEvent again(QEvent::KeyPress, 0, key->modifiers(), QString(changed));
            QApplication::sendEvent(watched, &again);
            FRetyping = false;
        }
        return true;
    }

private:
    TUKeyPressEvent FHandler;
    bool FRetyping = false;
};

// Rows of the list: the zero row (no item behind it) when there is one, then the items.
// Holds the items' references only.
class TRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        p->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
        QColor color = selected ? option.palette.highlightedText().color() : option.palette.text().color();
        const QVariant fg = index.data(Qt::ForegroundRole);
        if (fg.isValid())
            color = fg.value<QColor>();
        p->setPen(color);
        p->drawText(option.rect.adjusted(2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, index.data().toString());
    }
};

} // namespace

class TUComboItemModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(FRows.size());
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= int(FRows.size()))
            return {};
        const TUDataItem *item = FRows[size_t(index.row())];
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return item ? item->Title() : FZeroTitle;
        case Qt::ForegroundRole:
            if (item && item->Color() != clNone)
                return ToQColor(item->Color());
            return {};
        default:
            return {};
        }
    }

    void Reset(std::vector<TUDataItem *> Rows, const QString &ZeroTitle)
    {
        beginResetModel();
        FRows = std::move(Rows);
        FZeroTitle = ZeroTitle;
        endResetModel();
    }
    TUDataItem *Item(int Row) const { return Row >= 0 && Row < int(FRows.size()) ? FRows[size_t(Row)] : nullptr; }
    int RowOf(const TUDataItem *Item) const
    {
        for (size_t i = 0; i < FRows.size(); ++i)
            if (FRows[i] == Item)
                return int(i);
        return -1;
    }

private:
    std::vector<TUDataItem *> FRows;
    QString FZeroTitle;
};

void InstallKeyPressFilter(QWidget *Target, TUKeyPressEvent Handler)
{
    Target->installEventFilter(new TKeyPressFilter(Target, std::move(Handler)));
}

void TUComboBox::hidePopup()
{
    QComboBox::hidePopup();
    emit closeUp();
}

void TUComboBox::paintEvent(QPaintEvent *event)
{
    if (isEditable()) {
        QComboBox::paintEvent(event);
        return;
    }
    QStylePainter p(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    opt.currentIcon = QIcon();
    p.drawComplexControl(QStyle::CC_ComboBox, opt);
    const QRect text = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    if (currentIndex() < 0)
        return;
    QColor color = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text);
    const QVariant fg = itemData(currentIndex(), Qt::ForegroundRole);
    if (fg.isValid() && isEnabled())
        color = fg.value<QColor>();
    p.setPen(color);
    p.drawText(text.adjusted(2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, currentText());
}

TUCustomComboSimple::TUCustomComboSimple(QWidget *parent)
    : QFrame(parent), FSelected(std::make_unique<TUDataKeyList>())
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    FSelected->SetOnNotify([this](const TUDataKey &Item, TCollectionNotification Action) {
        DoSelectionChange(Item, Action);
    });

    FModel = new TUComboItemModel(this);
    FCombo = new TUComboBox(this);
    FCombo->setModel(FModel);
    FCombo->setItemDelegate(new TRowDelegate(FCombo));
    FCombo->setMaxVisibleItems(12);
    FCombo->setFocusPolicy(Qt::StrongFocus);
    FCombo->setInsertPolicy(QComboBox::NoInsert);
    connect(FCombo, &QComboBox::activated, this, [this] { DoComboChange(); });
    connect(FCombo, &TUComboBox::closeUp, this, [this] { DoComboCloseUp(); });
    InstallKeyPressFilter(FCombo, [this](QObject *, QChar &Key) { DoKeyPress(Key); });

    FEdit = new QLineEdit(this);
    FEdit->setReadOnly(true);
    FEdit->setFocusPolicy(Qt::StrongFocus);
    FEdit->installEventFilter(this);
    InstallKeyPressFilter(FEdit, [this](QObject *, QChar &Key) { DoKeyPress(Key); });

    auto makeButton = [this](const char *name, TUDrawButtonGlyph glyph, void (TUCustomComboSimple::*click)()) {
        auto *b = new TUDrawButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->SetDrawGlyph(glyph);
        connect(b, &QAbstractButton::clicked, this, [this, click] { (this->*click)(); });
        return b;
    };
    FBSelect = makeButton("ButtonSelect", dgEllipsis, &TUCustomComboSimple::DoSelect);
    FBSearch = makeButton("ButtonSearch", dgSearch, &TUCustomComboSimple::DoSearch);
    FBClear = makeButton("ButtonClear", dgCross, &TUCustomComboSimple::DoClear);

    auto nameChildren = [this] {
        FCombo->setObjectName(objectName() + QStringLiteral("ComboBox"));
        FEdit->setObjectName(objectName() + QStringLiteral("Edit"));
    };
    nameChildren();
    connect(this, &QObject::objectNameChanged, this, nameChildren);

    setMinimumHeight(MinHeight);
    resize(100, MinHeight);
    UpdateMode();
    UpdateButtonsVisible();
    CalcLayout();
}

TUCustomComboSimple::~TUCustomComboSimple()
{
    FOnSearch = nullptr;
    FOnSelect = nullptr;
    FOnSelectionChange = nullptr;
    FOnChange = nullptr;
    FOnKeyPress = nullptr;
    FOnLoadItem = nullptr;
    FSelected->SetOnNotify(nullptr);
    // The children go first, while the model they show is still there.
    FEdit->removeEventFilter(this);
    delete FCombo;
    delete FEdit;
}

TUDrawButton *TUCustomComboSimple::Button(TUComboButtons Which) const
{
    switch (Which) {
    case cbSelect:
        return FBSelect;
    case cbSearch:
        return FBSearch;
    case cbClear:
        return FBClear;
    }
    return nullptr;
}

// ---- filling ----

void TUCustomComboSimple::Clear()
{
    FModel->Reset({}, FZeroTitle);
    FCombo->setCurrentIndex(-1);
    FCombo->setEditText(QString());
    FEdit->clear();
    FSelected->Clear();
    UpdateButtons(isEnabled());
}

void TUCustomComboSimple::FillItems()
{
    std::vector<TUDataItem *> rows;
    rows.reserve(size_t(FDataSource->Count()) + 1);
    if (FUseZeroIndex)
        rows.push_back(nullptr);
    auto take = [&](TUDataSource::TItemEnumerator &e) {
        e.SetFilter(FEnumeratorFilter);
        while (e.MoveNext()) {
            TUDataItem *item = e.Current();
            if (FOnLoadItem && !FOnLoadItem(this, item))
                continue;
            rows.push_back(item);
        }
    };
    if (FSorted)
        take(*FDataSource->GetTitleEnumerator());
    else
        take(*FDataSource->GetEnumerator(FEnumeratorClass));
    FModel->Reset(std::move(rows), FZeroTitle);
    FCombo->setCurrentIndex(FUseZeroIndex ? 0 : -1);
}

void TUCustomComboSimple::LoadData()
{
    Clear();
    if (FMode != smMultiSelect && FDataSource)
        FillItems();
    if (FDefaultItem.IsSet())
        SetSelectedOneKey(FDefaultItem);
    else
        ShowSelection();
}

void TUCustomComboSimple::LoadData(const TUDataKey &Selection)
{
    LoadData();
    SetSelectedOneKey(Selection);
}

void TUCustomComboSimple::LoadData(const TUDataKeyList *Selection)
{
    // The selection may be this control's own, which LoadData empties.
    TUDataKeyList copy;
    if (Selection)
        copy.Assign(*Selection);
    LoadData();
    SetSelected(Selection ? &copy : nullptr);
}

void TUCustomComboSimple::LoadData(const TUDataItem *Selection)
{
    LoadData();
    SetSelectedOne(Selection);
}

void TUCustomComboSimple::Reload()
{
    LoadData(FSelected.get());
}

// ---- selection ----

void TUCustomComboSimple::SetSelectedOneKey(const TUDataKey &Value)
{
    const TUDataKey key = Value.IsSet() || FDefaultItem.IsClear() ? Value : FDefaultItem;
    if (key.IsSet()) {
        if (FMode == smMultiSelect) {
            FSelected->Add(key);
        } else {
            FSelected->Clear();
            FSelected->Add(key);
        }
    } else {
        FSelected->Clear();
    }
    ShowSelection();
}

void TUCustomComboSimple::SetSelectedOne(const TUDataItem *Value)
{
    if (Value)
        SetSelectedOneKey(Value->ID());
}

void TUCustomComboSimple::SetSelected(const TUDataKeyList *Value)
{
    if (!Value)
        return;
    if (FMode == smMultiSelect) {
        if (Value != FSelected.get())
            FSelected->Assign(*Value);
    } else {
        const TUDataKey first = Value->IsEmpty() ? TUDataKey() : Value->First();
        FSelected->Clear();
        if (first.IsSet()) {
            SetSelectedOneKey(first);
            return;
        }
    }
    ShowSelection();
}

void TUCustomComboSimple::ClearSelection()
{
    FSelected->Clear();
    ShowSelection();
}

TUDataKey TUCustomComboSimple::GetSelectedOneKey() const
{
    return FSelected->IsEmpty() ? TUDataKey() : FSelected->First();
}

TUDataItem *TUCustomComboSimple::GetSelectedOne() const
{
    TUDataItem *item = nullptr;
    if (!FDataSource || FSelected->IsEmpty())
        return nullptr;
    return FDataSource->TryGetValue(FSelected->First(), item) ? item : nullptr;
}

int TUCustomComboSimple::RowOf(const TUDataItem *Item) const { return Item ? FModel->RowOf(Item) : -1; }

TUDataItem *TUCustomComboSimple::RowItem(int Row) const { return FModel->Item(Row); }

void TUCustomComboSimple::ShowSelection()
{
    if (FMode == smMultiSelect) {
        QString titles;
        GetSelectedTitles(titles);
        FEdit->setText(QStringLiteral("(%1) %2").arg(FSelected->Count()).arg(titles));
        FEdit->setCursorPosition(0); // the count and the first titles stay in view
    } else {
        int row = FUseZeroIndex && FModel->rowCount() > 0 ? 0 : -1;
        if (TUDataItem *item = GetSelectedOne()) {
            const int found = FModel->RowOf(item);
            if (found >= 0)
                row = found;
        }
        FCombo->setCurrentIndex(row);
        if (row < 0 && FCombo->isEditable())
            FCombo->setEditText(QString());
    }
    UpdateButtons(isEnabled());
}

void TUCustomComboSimple::GetSelectedTitles(QString &Titles) const
{
    Titles.clear();
    if (!FDataSource || FSelected->IsEmpty())
        return;
    const int maxLength = FEdit->maxLength();
    // The field's own limit counts only when one was set (Qt's default means none).
    const int limit = maxLength > 0 && maxLength < 32767 ? maxLength : 255;
    const int last = FSelected->High();
    bool started = false;
    for (int i = 0; i <= last; ++i) {
        TUDataItem *item = nullptr;
        if (!FDataSource->TryGetValue(FSelected->Items(i), item))
            continue;
        if (!started) {
            Titles = item->Title();
            started = true;
            continue;
        }
        if (Titles.size() >= limit && i != last) {
            Titles += QStringLiteral(", ...");
            return;
        }
        Titles += QStringLiteral(", ");
        Titles += item->Title();
    }
}

// ---- user actions ----

void TUCustomComboSimple::DoComboChange()
{
    int row = -1;
    if (FMode == smDropDownList)
        row = FCombo->currentIndex();
    else if (FMode == smDropDownText)
        row = FCombo->findText(FCombo->currentText(), Qt::MatchFixedString);
    FSelected->Clear();
    TUDataItem *item = FModel->Item(row);
    if (item) {
        FSelected->Add(item->ID());
    } else if (FMode == smDropDownText && row < 0) {
        if (FDefaultItem.IsSet()) {
            SetSelectedOneKey(FDefaultItem);
        } else if (FUseZeroIndex && FModel->rowCount() > 0) {
            FCombo->setCurrentIndex(0);
            FCombo->setEditText(FCombo->itemText(0));
        }
    }
    UpdateButtons(isEnabled());
}

void TUCustomComboSimple::DoComboCloseUp()
{
    if (FMode != smDropDownText || !FSelected->IsEmpty())
        return;
    int row = FCombo->findText(FCombo->currentText(), Qt::MatchFixedString);
    if (FUseZeroIndex) {
        if (row < 0)
            row = 0;
        if (FCombo->currentIndex() < 0)
            FCombo->setCurrentIndex(row);
        FCombo->setEditText(FCombo->itemText(row));
    } else if (row < 0) {
        FCombo->setEditText(QString());
    } else {
        FCombo->setCurrentIndex(row);
        FCombo->setEditText(FCombo->itemText(row));
    }
}

void TUCustomComboSimple::DoSelect()
{
    if (!FOnSelect)
        return;
    TUDataKeyList copy;
    copy.Assign(*FSelected);
    if (FOnSelect(this, copy))
        SetSelected(&copy);
}

void TUCustomComboSimple::DoSearch()
{
    if (!FOnSearch || FSelected->IsEmpty())
        return;
    auto item = std::make_unique<TUDataItem>();
    if (TUDataItem *current = GetSelectedOne())
        item->Assign(*current);
    if (FOnSearch(this, item))
        Reload();
}

void TUCustomComboSimple::DoClear()
{
    SetSelectedOneKey(FDefaultItem);
}

void TUCustomComboSimple::DoEditDblClick()
{
    if (FBSelect->isEnabled())
        FBSelect->click();
}

bool TUCustomComboSimple::DoEditKeyPress(QChar Key)
{
    if (Key.unicode() != 13 || !FBSelect->isEnabled())
        return false;
    FBSelect->click();
    return true;
}

void TUCustomComboSimple::DoKeyPress(QChar &Key)
{
    if (FOnKeyPress)
        FOnKeyPress(this, Key);
}

void TUCustomComboSimple::DoSelectionChange(const TUDataKey &Item, TCollectionNotification Action)
{
    if (FOnSelectionChange)
        FOnSelectionChange(this, Item, Action);
    if (FOnChange)
        FOnChange(this);
}

bool TUCustomComboSimple::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FEdit) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            DoEditDblClick();
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && DoEditKeyPress(QChar(13)))
                return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

// ---- buttons ----

bool TUCustomComboSimple::CanSelect() const
{
    return isEnabled() && (FButtons & ComboButton(cbSelect)) && FOnSelect;
}

bool TUCustomComboSimple::CanSearch() const
{
    return isEnabled() && (FButtons & ComboButton(cbSearch)) && FSelected->Count() == 1 && FOnSearch;
}

bool TUCustomComboSimple::CanClear() const
{
    if (!isEnabled() || !(FButtons & ComboButton(cbClear)) || FSelected->IsEmpty())
        return false;
    if (FMode != smMultiSelect && FDefaultItem.IsSet())
        return !FSelected->First().TheSame(FDefaultItem);
    return true;
}

void TUCustomComboSimple::UpdateButtons(bool Enabled)
{
    FBSelect->setEnabled(Enabled && CanSelect());
    FBSearch->setEnabled(Enabled && CanSearch());
    FBClear->setEnabled(Enabled && CanClear());
}

void TUCustomComboSimple::UpdateButtonsVisible()
{
    FBSelect->setVisible(FButtons & ComboButton(cbSelect));
    FBSearch->setVisible(FButtons & ComboButton(cbSearch));
    FBClear->setVisible(FButtons & ComboButton(cbClear));
    UpdateButtons(isEnabled());
}

void TUCustomComboSimple::SetButtons(TUComboButtonsSet Value)
{
    Value &= cbAll;
    if (Value == FButtons)
        return;
    FButtons = Value;
    UpdateButtonsVisible();
    CalcLayout();
}

// ---- mode and properties ----

void TUCustomComboSimple::UpdateMode()
{
    switch (FMode) {
    case smDropDownList:
        FCombo->setEditable(false);
        FCombo->setVisible(true);
        FEdit->setVisible(false);
        break;
    case smDropDownText:
        FCombo->setEditable(true);
        FCombo->setInsertPolicy(QComboBox::NoInsert);
        FCombo->completer()->setCompletionMode(QCompleter::InlineCompletion);
        FCombo->completer()->setCaseSensitivity(Qt::CaseInsensitive);
        connect(FCombo->lineEdit(), &QLineEdit::textEdited, this, [this] { DoComboChange(); });
        InstallKeyPressFilter(FCombo->lineEdit(), [this](QObject *, QChar &Key) { DoKeyPress(Key); });
        FCombo->setVisible(true);
        FEdit->setVisible(false);
        break;
    case smMultiSelect:
        FCombo->setEditable(false);
        FCombo->setVisible(false);
        FEdit->setVisible(true);
        break;
    }
}

void TUCustomComboSimple::SetMode(TUComboSimpleMode Value)
{
    if (Value == FMode)
        return;
    FMode = Value;
    FSelected->Clear();
    UpdateMode();
    UpdateButtons(isEnabled());
}

void TUCustomComboSimple::SetUseZeroIndex(bool Value)
{
    if (Value == FUseZeroIndex)
        return;
    FUseZeroIndex = Value;
    Reload();
}

void TUCustomComboSimple::SetZeroTitle(const QString &Value)
{
    if (Value == FZeroTitle)
        return;
    FZeroTitle = Value;
    Reload();
}

void TUCustomComboSimple::SetSorted(bool Value)
{
    if (Value == FSorted)
        return;
    FSorted = Value;
    Reload();
}

TColor TUCustomComboSimple::ColorWindow() const { return FromQColor(FCombo->palette().color(QPalette::Base)); }

void TUCustomComboSimple::SetColorWindow(TColor Value)
{
    for (QWidget *w : {static_cast<QWidget *>(FCombo), static_cast<QWidget *>(FEdit)}) {
        QPalette pal = w->palette();
        pal.setColor(QPalette::Base, ToQColor(Value));
        w->setPalette(pal);
    }
}

int TUCustomComboSimple::DropDownCount() const { return FCombo->maxVisibleItems(); }
void TUCustomComboSimple::SetDropDownCount(int Value) { FCombo->setMaxVisibleItems(Value); }

TColor TUCustomComboSimple::ButtonsGlyphColor() const { return FBSelect->GlyphColor(); }
void TUCustomComboSimple::SetButtonsGlyphColor(TColor Value)
{
    for (TUDrawButton *b : {FBSelect, FBSearch, FBClear}) {
        b->SetGlyphColor(Value);
        b->update();
    }
}
TColor TUCustomComboSimple::ButtonsGlyphColorDisabled() const { return FBSelect->GlyphColorDisabled(); }
void TUCustomComboSimple::SetButtonsGlyphColorDisabled(TColor Value)
{
    for (TUDrawButton *b : {FBSelect, FBSearch, FBClear})
        b->SetGlyphColorDisabled(Value);
}
uint8_t TUCustomComboSimple::GlyphMargin() const { return FBSelect->GlyphMargin(); }
void TUCustomComboSimple::SetGlyphMargin(uint8_t Value)
{
    for (TUDrawButton *b : {FBSelect, FBSearch, FBClear})
        b->SetGlyphMargin(Value);
}
QString TUCustomComboSimple::HintButtonSelect() const { return FBSelect->toolTip(); }
void TUCustomComboSimple::SetHintButtonSelect(const QString &Value) { FBSelect->setToolTip(Value); }
QString TUCustomComboSimple::HintButtonSearch() const { return FBSearch->toolTip(); }
void TUCustomComboSimple::SetHintButtonSearch(const QString &Value) { FBSearch->setToolTip(Value); }
QString TUCustomComboSimple::HintButtonClear() const { return FBClear->toolTip(); }
void TUCustomComboSimple::SetHintButtonClear(const QString &Value) { FBClear->setToolTip(Value); }

bool TUCustomComboSimple::TabStop() const { return FCombo->focusPolicy() & Qt::TabFocus; }
void TUCustomComboSimple::SetTabStop(bool Value)
{
    FCombo->setFocusPolicy(Value ? Qt::StrongFocus : Qt::ClickFocus);
    FEdit->setFocusPolicy(Value ? Qt::StrongFocus : Qt::ClickFocus);
}

void TUCustomComboSimple::SetFocus()
{
    if (FCombo->isVisible() && FCombo->isEnabled())
        FCombo->setFocus();
    else if (FEdit->isVisible() && FEdit->isEnabled())
        FEdit->setFocus();
    else
        setFocus();
}

// ---- layout ----

void TUCustomComboSimple::CalcLayout()
{
    if (height() < MinHeight) {
        resize(width(), MinHeight);
        return; // the resize comes back here
    }
    const int h = height();
    int x = width();
    for (TUDrawButton *b : {FBSelect, FBSearch, FBClear})
        if (!b->isHidden())
            x -= h;
    FCombo->setGeometry(0, 0, x, h);
    FEdit->setGeometry(0, 0, x, h);
    for (TUDrawButton *b : {FBSelect, FBSearch, FBClear})
        if (!b->isHidden()) {
            b->setGeometry(x, 0, h, h);
            x += h;
        }
}

void TUCustomComboSimple::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    CalcLayout();
}

void TUCustomComboSimple::changeEvent(QEvent *event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        UpdateButtons(isEnabled());
}
