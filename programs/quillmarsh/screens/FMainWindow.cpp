#include "FMainWindow.h"

#include "FClientCard.h"
#include "FDocuments.h"
#include "FrProgressBase.h"
#include "UComboSimple.h"
#include "UDataSourceModel.h"
#include "UGraphics.h"
#include "UnitComplex.h"
#include "UnitData.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Chooser rows carry their list in this role; headings carry none.
constexpr int kTypeRole = Qt::UserRole + 1;

TDataCache &cache() { return Complex->Cache(); }

} // namespace

const QList<TFMainWindow::TListEntry> &TFMainWindow::ServiceLists()
{
    static const QList<TListEntry> lists = {
        {ctClient, QStringLiteral("Клиенты")},
        {ctTown, QStringLiteral("Города")},
        {ctRegion, QStringLiteral("Регионы")},
        {ctBoardFormat, QStringLiteral("Форматы щитов")},
        {ctOperator, QStringLiteral("Операторы")},
        {ctFirm, QStringLiteral("Фирмы")},
        {ctUser, QStringLiteral("Пользователи")},
        {ctDocTemplate, QStringLiteral("Шаблоны документов")},
    };
    return lists;
}

const QList<TFMainWindow::TListEntry> &TFMainWindow::FixedLists()
{
    static const QList<TListEntry> lists = {
        {ctState, QStringLiteral("Состояния")},
        {ctPriceType, QStringLiteral("Формы цен")},
        {ctSaleStateType, QStringLiteral("Состояния продаж")},
        {ctDocType, QStringLiteral("Виды документов")},
        {ctKeysValue, QStringLiteral("Ключи щитов")},
        {ctStickType, QStringLiteral("Виды поклейки")},
        {ctStickFineMethod, QStringLiteral("Штрафы за поклейку")},
    };
    return lists;
}

TFMainWindow::TFMainWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainWindow"));
    resize(1100, 680);

    auto *central = new QWidget;
    auto *outer = new QVBoxLayout(central);
    outer->setContentsMargins(6, 6, 6, 6);
    lOrganization = new QLabel;
    lOrganization->setObjectName(QStringLiteral("lOrganization"));
    lOrganization->setMargin(8);
    QFont big = font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    lOrganization->setFont(big);
    lOrganization->setAutoFillBackground(true);
    outer->addWidget(lOrganization);

    Tabs = new QTabWidget;
    Tabs->setObjectName(QStringLiteral("Tabs"));
    outer->addWidget(Tabs, 1);
    auto *splitter = new QSplitter;
    Tabs->addTab(splitter, QStringLiteral("Справочники"));

    Lists = new QListWidget;
    Lists->setObjectName(QStringLiteral("Lists"));
    auto addHeading = [this](const QString &Text) {
        auto *item = new QListWidgetItem(Text, Lists);
        QFont f = Lists->font();
        f.setBold(true);
        item->setFont(f);
        item->setFlags(Qt::ItemIsEnabled);
    };
    auto addEntries = [this](const QList<TListEntry> &Entries) {
        for (const TListEntry &entry : Entries) {
            auto *item = new QListWidgetItem(QStringLiteral("   ") + entry.Title, Lists);
            item->setData(kTypeRole, int(entry.Type));
        }
    };
    addHeading(QStringLiteral("Справочники"));
    addEntries(ServiceLists());
    addHeading(QStringLiteral("Постоянные списки"));
    addEntries(FixedLists());
    Lists->setMaximumWidth(240);
    splitter->addWidget(Lists);

    auto *right = new QWidget;
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    FFilterBar = new QWidget;
    auto *bar = new QHBoxLayout(FFilterBar);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->addWidget(new QLabel(QStringLiteral("Название:")));
    eFilter = new QLineEdit;
    eFilter->setObjectName(QStringLiteral("eFilter"));
    eFilter->setPlaceholderText(QStringLiteral("начало названия; * и ? — любые символы"));
    eFilter->setMinimumWidth(280);
    eFilter->setClearButtonEnabled(true);
    bar->addWidget(eFilter, 2);
    lKeyFilter = new QLabel;
    bar->addWidget(lKeyFilter);
    FKeyFilter = new TUComboSimple;
    FKeyFilter->setObjectName(QStringLiteral("KeyFilter"));
    FKeyFilter->SetButtons(ComboButton(cbClear));
    FKeyFilter->SetUseZeroIndex(true);
    FKeyFilter->SetZeroTitle(QStringLiteral("(все)"));
    FKeyFilter->setMinimumWidth(260);
    bar->addWidget(FKeyFilter, 1);
    bMap = new QPushButton(QStringLiteral("На карте"));
    bMap->setObjectName(QStringLiteral("bMap"));
    bar->addWidget(bMap);
    bCard = new QPushButton(QStringLiteral("Карточка клиента…"));
    bCard->setObjectName(QStringLiteral("bCard"));
    bar->addWidget(bCard);
    rightLayout->addWidget(FFilterBar);

    View = new QTableView;
    View->setObjectName(QStringLiteral("View"));
    View->setSortingEnabled(true);
    View->setSelectionBehavior(QAbstractItemView::SelectRows);
    View->setSelectionMode(QAbstractItemView::ExtendedSelection);
    View->setEditTriggers(QAbstractItemView::NoEditTriggers);
    View->setAlternatingRowColors(true);
    View->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    View->verticalHeader()->hide();
    View->horizontalHeader()->setStretchLastSection(true);
    rightLayout->addWidget(View, 1);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(central);

    Documents = new TFDocuments;
    Tabs->addTab(Documents, QStringLiteral("Документы"));

    TaskProgress = new TFrameProgressBase;
    lTasks = new QLabel;
    lTasks->setObjectName(QStringLiteral("lTasks"));
    lUser = new QLabel;
    lCount = new QLabel;
    lCount->setObjectName(QStringLiteral("lCount"));
    // Permanent: the passing messages of a reload must not hide them.
    statusBar()->addPermanentWidget(lCount);
    statusBar()->addPermanentWidget(TaskProgress);
    statusBar()->addPermanentWidget(lTasks);
    statusBar()->addPermanentWidget(lUser);

    BuildMenus();

    connect(Lists, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *Item) {
        if (Item && Item->data(kTypeRole).isValid())
            ShowList(TDataCacheType(Item->data(kTypeRole).toInt()));
    });
    connect(eFilter, &QLineEdit::textChanged, this, [this] { ApplyTitleFilter(); });
    FKeyFilter->SetOnChange([this](QObject *) { ApplyKeyFilter(); });
    connect(bMap, &QPushButton::clicked, this, &TFMainWindow::OpenOnMap);
    connect(bCard, &QPushButton::clicked, this, &TFMainWindow::OpenClientCard);
    connect(View, &QTableView::doubleClicked, this, &TFMainWindow::ItemActivated);

    Complex->SetOnTaskListChange([this](QObject *) { TaskListChanged(Complex->Data().Count()); });
    cache().SetOnSet([this](TDataCache *) { ReferenceLoaded(); });
    cache().SetOnError([this](TDataCache *) { ReferenceFailed(); });

    ApplyOrganization();
    TaskListChanged(Complex->Data().Count());
    ShowList(ctClient);
}

TFMainWindow::~TFMainWindow()
{
    Detach();
    View->setModel(nullptr);
}

void TFMainWindow::Detach()
{
    // A closed window waits for its deletion while the next one may have taken the notices.
    if (FDetached)
        return;
    FDetached = true;
    Complex->SetOnTaskListChange({});
    cache().SetOnSet({});
    cache().SetOnError({});
}

void TFMainWindow::BuildMenus()
{
    aReload = new QAction(QStringLiteral("Обновить справочники"), this);
    aReload->setObjectName(QStringLiteral("aReload"));
    aReload->setShortcut(QKeySequence::Refresh);
    connect(aReload, &QAction::triggered, this, &TFMainWindow::ReloadReference);
    aSignOut = new QAction(QStringLiteral("Сменить пользователя…"), this);
    aSignOut->setObjectName(QStringLiteral("aSignOut"));
    connect(aSignOut, &QAction::triggered, this, &TFMainWindow::SignOutRequested);
    aQuit = new QAction(QStringLiteral("Выход"), this);
    aQuit->setShortcut(QKeySequence::Quit);
    connect(aQuit, &QAction::triggered, this, &QWidget::close);
    FMapAction = new QAction(QStringLiteral("Город на карте"), this);
    connect(FMapAction, &QAction::triggered, this, &TFMainWindow::OpenOnMap);
    FCardAction = new QAction(QStringLiteral("Карточка клиента…"), this);
    connect(FCardAction, &QAction::triggered, this, &TFMainWindow::OpenClientCard);

    QMenu *session = menuBar()->addMenu(QStringLiteral("&Сеанс"));
    session->addAction(aSignOut);
    session->addSeparator();
    session->addAction(aQuit);
    QMenu *data = menuBar()->addMenu(QStringLiteral("&Данные"));
    data->addAction(aReload);
    data->addSeparator();
    data->addAction(FMapAction);
    data->addAction(FCardAction);

    QToolBar *tools = addToolBar(QStringLiteral("Действия"));
    tools->setObjectName(QStringLiteral("Tools"));
    tools->setMovable(false);
    tools->addAction(aReload);
    tools->addAction(aSignOut);
}

void TFMainWindow::ApplyOrganization()
{
    const TOutdoorOrg &org = Complex->Vars().Organization();
    const QString title = Complex->Vars().ComplexTitle();
    setWindowTitle(org.Title.isEmpty() ? title : QStringLiteral("%1 — %2").arg(org.Title, title));
    lOrganization->setText(org.Title.isEmpty() ? title : org.Title);
    QPalette pal = lOrganization->palette();
    pal.setColor(QPalette::Window, ToQColor(org.ColorBg));
    pal.setColor(QPalette::WindowText, ToQColor(org.ColorFg));
    lOrganization->setPalette(pal);
    const TOutdoorUser &user = Complex->User();
    lUser->setText(user.Name().isEmpty() ? user.Login() : QStringLiteral("%1 (%2)").arg(user.Name(), user.Login()));
}

void TFMainWindow::TaskListChanged(int Running)
{
    if (Running > 0) {
        lTasks->setText(QStringLiteral("Выполняется запросов: %1").arg(Running));
        TaskProgress->Start();
    } else {
        lTasks->setText(QStringLiteral("Готово"));
        TaskProgress->Stop();
    }
}

bool TFMainWindow::ShowList(TDataCacheType Type)
{
    int row = -1;
    for (int i = 0; i < Lists->count(); ++i)
        if (Lists->item(i)->data(kTypeRole).isValid() && Lists->item(i)->data(kTypeRole).toInt() == int(Type))
            row = i;
    if (row < 0)
        return false;
    FType = Type;
    if (Lists->currentRow() != row) {
        const QSignalBlocker block(Lists);
        Lists->setCurrentRow(row);
    }
    // The table's old model goes after the view has let go of it.
    auto model = std::make_unique<TUDataSourceModel>(cache().GetData(Type), DataCacheColumns(cache(), Type));
    QItemSelectionModel *oldSelection = View->selectionModel();
    View->setModel(model.get());
    delete oldSelection;
    FModel = std::move(model);
    connect(View->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateActions(); });
    View->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    View->resizeColumnsToContents();
    {
        const QSignalBlocker block(eFilter);
        eFilter->clear();
    }
    SetupKeyFilter();
    ApplyFilters();
    return true;
}

void TFMainWindow::SetupKeyFilter()
{
    TUDataSource *source = nullptr;
    if (FType == ctTown) {
        source = cache().GetData(ctRegion);
        lKeyFilter->setText(QStringLiteral("Регион:"));
    } else if (FType == ctClient) {
        source = cache().GetData(ctUser);
        lKeyFilter->setText(QStringLiteral("Менеджер:"));
    }
    lKeyFilter->setVisible(source != nullptr);
    FKeyFilter->setVisible(source != nullptr);
    FKeyFilter->Clear();
    FKeyFilter->SetDataSource(source);
    if (source)
        FKeyFilter->LoadData();
}

void TFMainWindow::ApplyFilters()
{
    ApplyKeyFilter();
    ApplyTitleFilter();
}

// A keystroke touches the title filter alone, so the model can narrow the rows it shows.
void TFMainWindow::ApplyTitleFilter()
{
    if (!FModel)
        return;
    FModel->SetTitleFilter(eFilter->text().trimmed());
    UpdateActions();
}

void TFMainWindow::ApplyKeyFilter()
{
    if (!FModel)
        return;
    const TUDataKey key = FKeyFilter->DataSource() ? FKeyFilter->SelectedOneKey() : TUDataKey();
    FModel->SetItemFilter(key.IsSet() ? DataCacheKeyFilter(FType, key) : std::function<bool(const TUDataItem *)>());
    UpdateActions();
}

void TFMainWindow::UpdateActions()
{
    const bool any = !SelectedItems().isEmpty();
    bMap->setVisible(FType == ctTown);
    bCard->setVisible(FType == ctClient);
    bMap->setEnabled(FType == ctTown && SelectedItems().size() == 1);
    bCard->setEnabled(FType == ctClient && any);
    FMapAction->setEnabled(bMap->isEnabled());
    FCardAction->setEnabled(bCard->isEnabled());
    lCount->setText(QStringLiteral("Записей: %1").arg(FModel ? FModel->ItemCount() : 0));
}

QList<TUDataItem *> TFMainWindow::SelectedItems() const
{
    QList<TUDataItem *> items;
    if (!FModel || !View->selectionModel())
        return items;
    QModelIndexList rows = View->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    for (const QModelIndex &index : rows)
        if (TUDataItem *item = FModel->Item(index))
            items << item;
    return items;
}

void TFMainWindow::ItemActivated(const QModelIndex &Index)
{
    if (!Index.isValid())
        return;
    if (FType == ctTown)
        OpenOnMap();
    else if (FType == ctClient)
        OpenClientCard();
}

void TFMainWindow::OpenOnMap()
{
    if (FType != ctTown)
        return;
    const QList<TUDataItem *> items = SelectedItems();
    if (items.size() != 1)
        return;
    const auto *town = static_cast<const TDataTown *>(items.first());
    const QString region = cache().GetTitle(ctRegion, town->Region());
    // The cache has no coordinates of a town: the map looks it up by name, in its region.
    const QString address = region.isEmpty() ? town->Title() : QStringLiteral("%1, %2").arg(town->Title(), region);
    Complex->OpenMapSet(TGeoCoord(), address);
}

void TFMainWindow::OpenClientCard()
{
    if (FType != ctClient)
        return;
    QList<TUDataKey> keys;
    for (const TUDataItem *item : SelectedItems())
        keys << item->ID();
    if (keys.isEmpty())
        return;
    TFClientCard::Execute(keys, this);
}

void TFMainWindow::ReloadReference()
{
    statusBar()->showMessage(QStringLiteral("Справочники обновляются…"));
    cache().Load();
}

void TFMainWindow::ReferenceLoaded()
{
    // The lists hold new items now: the table and the key filter read them again.
    const TUDataKey selected = FKeyFilter->SelectedOneKey();
    FModel->SetSource(cache().GetData(FType));
    FKeyFilter->Clear();
    if (FKeyFilter->DataSource())
        FKeyFilter->LoadData(selected);
    ApplyFilters();
    Documents->Reload();
    statusBar()->showMessage(QStringLiteral("Справочники обновлены"), 5000);
}

void TFMainWindow::ReferenceFailed()
{
    statusBar()->showMessage(QStringLiteral("Справочники не обновлены: сервис не прислал их"), 10000);
}

void TFMainWindow::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    if (!event->isAccepted())
        return;
    Detach();
    emit Closed();
}
