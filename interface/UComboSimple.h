#pragma once

#include "UColor.h"
#include "UDataModule.h"
#include "URecs.h"

#include <QComboBox>
#include <QFrame>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QLineEdit;
class TUDrawButton;
class TUComboItemModel;

enum TUComboButtons : uint8_t { cbSelect, cbSearch, cbClear };
// Bit 0 select, bit 1 search, bit 2 clear.
using TUComboButtonsSet = uint8_t;
constexpr TUComboButtonsSet ComboButton(TUComboButtons b) { return TUComboButtonsSet(1u << b); }
constexpr TUComboButtonsSet cbAll = ComboButton(cbSelect) | ComboButton(cbSearch) | ComboButton(cbClear);

enum TUComboSimpleMode : uint8_t { smDropDownList, smDropDownText, smMultiSelect };

class TUCustomComboSimple;

// The handler may change the item or put another one in its place; the control frees
// whatever the pointer holds afterwards. True reloads the list.
using TUComboSearchEvent = std::function<bool(TUCustomComboSimple *Sender, std::unique_ptr<TUDataItem> &Item)>;
// True makes the control take the (possibly changed) selection.
using TUComboSelectEvent = std::function<bool(TUCustomComboSimple *Sender, TUDataKeyList &Selection)>;
using TUComboSelectionChangeEvent =
    std::function<void(TUCustomComboSimple *Sender, const TUDataKey &Item, TCollectionNotification Action)>;
// False leaves the item out of the list.
using TUComboLoadItemEvent = std::function<bool(TUCustomComboSimple *Sender, TUDataItem *Item)>;
using TUNotifyEvent = std::function<void(QObject *Sender)>;
// A typed character; the handler may change it, or swallow it by making it null.
using TUKeyPressEvent = std::function<void(QObject *Sender, QChar &Key)>;

// Sends every typed character of Target through Handler first: a character made null is
// swallowed, a changed one is typed instead. Control characters (Enter, Escape, editing
// shortcuts) are not offered, so they keep working as the platform defines them; backspace is.
void InstallKeyPressFilter(QWidget *Target, TUKeyPressEvent Handler);

// A drop-down list that reports when its list closes.
class TUComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void hidePopup() override;

signals:
    void closeUp();

protected:
    // A fixed list draws its face as its rows: the text 2 pixels in, in the item's colour.
    void paintEvent(QPaintEvent *event) override;
};

// Picks records of a data source by key: a drop-down list (fixed or with a typed text) or a
// multiple selection shown as text, with up to three small buttons (select, search, clear).
// The sorted key list Selected is the only truth; the visible controls follow it.
//
// Events, in the order they come: every key added to or removed from the selection raises
// OnSelectionChange and then OnChange, so replacing one selected key gives two pairs.
// The control neither owns its data source nor copies its items: the list rows point at them,
// so the source must outlive the list's contents (LoadData or Clear after changing it).
class TUCustomComboSimple : public QFrame {
    Q_OBJECT
public:
    explicit TUCustomComboSimple(QWidget *parent = nullptr);
    ~TUCustomComboSimple() override;

    void LoadData();
    void LoadData(const TUDataKey &Selection);
    void LoadData(const TUDataKeyList *Selection);
    void LoadData(const TUDataItem *Selection);
    // Empties the list and the text field and clears the selection.
    void Clear();
    void ClearSelection();
    // The list when it can take the focus, else the text field, else the control itself.
    void SetFocus();

    TUDataSource *DataSource() const { return FDataSource; }
    void SetDataSource(TUDataSource *Value) { FDataSource = Value; }
    TUDataSource::TItemEnumeratorClass EnumeratorClass() const { return FEnumeratorClass; }
    void SetEnumeratorClass(TUDataSource::TItemEnumeratorClass Value) { FEnumeratorClass = Value; }
    TUDataSource::TEnumeratorFilter *EnumeratorFilter() const { return FEnumeratorFilter; }
    void SetEnumeratorFilter(TUDataSource::TEnumeratorFilter *Value) { FEnumeratorFilter = Value; }
    const TUDataKey &DefaultItem() const { return FDefaultItem; }
    void SetDefaultItem(const TUDataKey &Value) { FDefaultItem = Value; }

    const TUDataKeyList &Selected() const { return *FSelected; }
    void SetSelected(const TUDataKeyList *Value);
    TUDataItem *SelectedOne() const { return GetSelectedOne(); }
    void SetSelectedOne(const TUDataItem *Value);
    TUDataKey SelectedOneKey() const { return GetSelectedOneKey(); }
    void SetSelectedOneKey(const TUDataKey &Value);

    TUComboBox *Combo() const { return FCombo; }
    QLineEdit *Edit() const { return FEdit; }
    TUDrawButton *Button(TUComboButtons Which) const;

    TUComboSimpleMode Mode() const { return FMode; }
    void SetMode(TUComboSimpleMode Value);
    TUComboButtonsSet Buttons() const { return FButtons; }
    void SetButtons(TUComboButtonsSet Value);
    bool UseZeroIndex() const { return FUseZeroIndex; }
    void SetUseZeroIndex(bool Value);
    const QString &ZeroTitle() const { return FZeroTitle; }
    void SetZeroTitle(const QString &Value);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    TColor ErrorColor() const { return FErrorColor; }
    void SetErrorColor(TColor Value) { FErrorColor = Value; }

    TColor ColorWindow() const;
    void SetColorWindow(TColor Value);
    int DropDownCount() const;
    void SetDropDownCount(int Value);
    TColor ButtonsGlyphColor() const;
    void SetButtonsGlyphColor(TColor Value);
    TColor ButtonsGlyphColorDisabled() const;
    void SetButtonsGlyphColorDisabled(TColor Value);
    uint8_t GlyphMargin() const;
    void SetGlyphMargin(uint8_t Value);
    QString HintButtonSelect() const;
    void SetHintButtonSelect(const QString &Value);
    QString HintButtonSearch() const;
    void SetHintButtonSearch(const QString &Value);
    QString HintButtonClear() const;
    void SetHintButtonClear(const QString &Value);
    bool TabStop() const;
    void SetTabStop(bool Value);

    void SetOnSearch(TUComboSearchEvent Value) { FOnSearch = std::move(Value); UpdateButtons(isEnabled()); }
    void SetOnSelect(TUComboSelectEvent Value) { FOnSelect = std::move(Value); UpdateButtons(isEnabled()); }
    void SetOnSelectionChange(TUComboSelectionChangeEvent Value) { FOnSelectionChange = std::move(Value); }
    void SetOnChange(TUNotifyEvent Value) { FOnChange = std::move(Value); }
    void SetOnKeyPress(TUKeyPressEvent Value) { FOnKeyPress = std::move(Value); }
    void SetOnLoadItem(TUComboLoadItemEvent Value) { FOnLoadItem = std::move(Value); }

    // The row of the list that shows Item; -1 when none does.
    int RowOf(const TUDataItem *Item) const;
    // The item behind a row of the list; null for the zero row and outside the list.
    TUDataItem *RowItem(int Row) const;

    // What the text field shows in the multiple selection, without the count.
    virtual void GetSelectedTitles(QString &Titles) const;

    QSize sizeHint() const override { return QSize(100, 21); }

protected:
    virtual bool CanSelect() const;
    virtual bool CanSearch() const;
    virtual bool CanClear() const;
    virtual void DoEditDblClick();
    // True when the key was used.
    virtual bool DoEditKeyPress(QChar Key);
    virtual void DoSelect();
    virtual void DoSearch();
    virtual void DoComboChange();
    virtual void DoComboCloseUp();
    virtual void DoSelectionChange(const TUDataKey &Item, TCollectionNotification Action);
    virtual void DoClear();
    virtual void DoKeyPress(QChar &Key);

    void ShowSelection();
    void UpdateButtons(bool Enabled);
    void UpdateButtonsVisible();
    void UpdateMode();
    void CalcLayout();
    TUDataItem *GetSelectedOne() const;
    TUDataKey GetSelectedOneKey() const;

    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FillItems();
    void Reload();

    TUComboBox *FCombo;
    QLineEdit *FEdit;
    TUDrawButton *FBSelect;
    TUDrawButton *FBSearch;
    TUDrawButton *FBClear;
    TUComboButtonsSet FButtons = cbAll;
    std::unique_ptr<TUDataKeyList> FSelected;
    TUComboSimpleMode FMode = smDropDownList;
    TUComboSearchEvent FOnSearch;
    TUComboSelectEvent FOnSelect;
    TUComboSelectionChangeEvent FOnSelectionChange;
    TUNotifyEvent FOnChange;
    TUKeyPressEvent FOnKeyPress;
    QString FZeroTitle;
    bool FUseZeroIndex = false;
    bool FSorted = true;
    TColor FErrorColor = RGBToColor(255, 0, 0);
    TUDataKey FDefaultItem;
    TUComboLoadItemEvent FOnLoadItem;
    TUDataSource *FDataSource = nullptr;
    TUDataSource::TItemEnumeratorClass FEnumeratorClass = nullptr;
    TUDataSource::TEnumeratorFilter *FEnumeratorFilter = nullptr;
    TUComboItemModel *FModel; // child of this control
};

// The published form of the selection control.
class TUComboSimple : public TUCustomComboSimple {
    Q_OBJECT
public:
    using TUCustomComboSimple::TUCustomComboSimple;
};
