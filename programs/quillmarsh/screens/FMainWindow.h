#pragma once

#include "UnitDataCache.h"

#include <QList>
#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTableView;
class TFDocuments;
class TFrameProgressBase;
class TUComboSimple;
class TUDataItem;
class TUDataKey;
class TUDataSourceModel;

// The main window of a session: the organisation's title and colours, a chooser of the
// reference lists, the chosen list in a sortable table over the cache's own source, a title
// filter and, for towns and clients, a filter by region or by manager; a town opens on the web
// map, clients open in their card; the documents on a tab of their own. The status bar shows
// the running requests with the block indicator. Until it closes, the core's task-list notice
// and the cache's reload notices are the window's.
class TFMainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit TFMainWindow(QWidget *parent = nullptr);
    ~TFMainWindow() override;

    // One entry of the chooser.
    struct TListEntry {
        TDataCacheType Type;
        QString Title;
    };
    static const QList<TListEntry> &ServiceLists();
    static const QList<TListEntry> &FixedLists();

    // Shows that list; false when the chooser has no such entry.
    bool ShowList(TDataCacheType Type);
    TDataCacheType CurrentList() const { return FType; }
    // The key filter of the list shown (regions for towns, managers for clients); none for the
    // other lists.
    TUComboSimple *KeyFilter() const { return FKeyFilter; }
    // The items of the selected rows of the table, in the table's order.
    QList<TUDataItem *> SelectedItems() const;

    // The selected town on the web map.
    void OpenOnMap();
    // The selected clients in the client card, all at once.
    void OpenClientCard();
    // Asks the service for fresh reference lists; the table follows when they are in.
    void ReloadReference();
    // The core's notices (running requests, reloaded lists) stop reaching this window; done
    // when it closes.
    void Detach();

    QListWidget *Lists;
    QLineEdit *eFilter;
    QLabel *lKeyFilter;
    QTableView *View;
    QPushButton *bMap;
    QPushButton *bCard;
    QLabel *lOrganization;
    QLabel *lTasks;
    QLabel *lCount;
    QLabel *lUser;
    TFrameProgressBase *TaskProgress;
    // The reference lists and the documents, a tab each.
    QTabWidget *Tabs;
    TFDocuments *Documents;
    QAction *aReload;
    QAction *aSignOut;
    QAction *aQuit;
    TUDataSourceModel *Model() const { return FModel.get(); }

signals:
    void SignOutRequested();
    // The person closed the window.
    void Closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildMenus();
    void ApplyOrganization();
    void TaskListChanged(int Running);
    void ApplyFilters();
    void ApplyTitleFilter();
    void ApplyKeyFilter();
    void UpdateActions();
    void ItemActivated(const QModelIndex &Index);
    void ReferenceLoaded();
    void ReferenceFailed();
    // The key filter for that list: its source, the title of its label and the item's key.
    void SetupKeyFilter();

    TDataCacheType FType = ctClient;
    std::unique_ptr<TUDataSourceModel> FModel;
    TUComboSimple *FKeyFilter = nullptr;
    QWidget *FFilterBar = nullptr;
    // The menu's forms of the two buttons.
    QAction *FMapAction = nullptr;
    QAction *FCardAction = nullptr;
    bool FDetached = false;
};
