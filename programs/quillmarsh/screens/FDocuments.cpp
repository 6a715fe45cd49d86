#include "FDocuments.h"

#include "FrProgressBase.h"
#include "UDialogs.h"
#include "UEvent.h"
#include "UException.h"
#include "UFCustom.h"
#include "UFDialog.h"
#include "UShell.h"
#include "UnitComplex.h"
#include "UnitData.h"
#include "UnitDataCache.h"
#include "UnitDocManager.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum TColumn { colTitle, colType, colCopy };

// The item's role that holds the template's key.
constexpr int kKeyRole = Qt::UserRole;

QString moment(const QDateTime &At)
{
    if (At.date() == QDate::currentDate())
        return At.toString(QStringLiteral("HH:mm:ss"));
    return At.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

TDocManager &docs() { return Complex->DocManager(); }

} // namespace

TFDocuments::TFDocuments(QWidget *parent) : QWidget(parent)
{
    UAssert(Complex != nullptr, QStringLiteral("Complex must be assigned"));
    setFont(KitFont());
    auto *layout = new QVBoxLayout(this);
    auto *title = new QLabel(QStringLiteral("Шаблоны документов"));
    QFont bold = KitFont();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);

    List = new QTreeWidget;
    List->setRootIsDecorated(false);
    List->setUniformRowHeights(true);
    List->setHeaderLabels({QStringLiteral("Название"), QStringLiteral("Тип"), QStringLiteral("Копия на рабочем месте")});
    List->header()->setSectionResizeMode(colTitle, QHeaderView::Stretch);
    List->header()->setStretchLastSection(false);
    layout->addWidget(List, 1);

    auto *bar = new QHBoxLayout;
    ButtonOpen = new TUImageButton(QStringLiteral("ОТКРЫТЬ"), style()->standardIcon(QStyle::SP_DialogOpenButton), 13);
    ButtonOpen->setFixedSize(130, 36);
    bar->addWidget(ButtonOpen);
    Progress = new TFrameProgressBase;
    Progress->setFixedSize(36, 36);
    bar->addWidget(Progress);
    LabelProgress = new QLabel;
    bar->addWidget(LabelProgress, 1);
    layout->addLayout(bar);

    LabelTracking = new QLabel;
    LabelTracking->setWordWrap(true);
    layout->addWidget(LabelTracking);

    connect(ButtonOpen, &QPushButton::clicked, this, &TFDocuments::OpenSelected);
    connect(List, &QTreeWidget::itemActivated, this, [this] { OpenSelected(); });
    connect(List, &QTreeWidget::currentItemChanged, this, [this] { UpdateButtons(); });

    // Counters already there belong to earlier work: only what happens from now on is told.
    FSeen = docs().Tracking().Stat();
    FTimer = new QTimer(this);
    FTimer->setInterval(2000);
    connect(FTimer, &QTimer::timeout, this, &TFDocuments::RefreshTracking);
    FTimer->start();

    Reload();
    RefreshTracking();
}

TFDocuments::~TFDocuments() = default;

void TFDocuments::SetRefreshInterval(int Milliseconds) { FTimer->setInterval(Milliseconds); }

void TFDocuments::Reload()
{
    const TUDataKey current = List->currentItem() ? TUDataKey(List->currentItem()->data(colTitle, kKeyRole).toString())
                                                  : TUDataKey();
    List->clear();
    const TUDataSource *source = Complex->Cache().GetData(ctDocTemplate);
    for (const TUDataItem *item : *source) {
        const auto *tpl = static_cast<const TDataDocTemplate *>(item);
        if (tpl->State() == dsRemoved)
            continue;
        auto *row = new QTreeWidgetItem(List);
        row->setText(colTitle, tpl->Title());
        row->setText(colType, ToText(tpl->DocType()));
        row->setData(colTitle, kKeyRole, tpl->ID().ToString());
        if (tpl->ID().TheSame(current))
            List->setCurrentItem(row);
    }
    if (!List->currentItem() && List->topLevelItemCount() > 0)
        List->setCurrentItem(List->topLevelItem(0));
    List->resizeColumnToContents(colType);
    List->resizeColumnToContents(colCopy);
    UpdateCopies();
    UpdateButtons();
}

TUAPIFile TFDocuments::CurrentFile(const TDataDocTemplate &Template)
{
    TUAPIFile file = Template.FileData();
    if (!file.IsSet())
        return file;
    const TDocTrackingRow row = docs().Tracking().Row(file.FID);
    if (row.FileData.IsSet() && row.FileData.Updated.Value() >= file.Updated.Value())
        file = row.FileData;
    return file;
}

void TFDocuments::OpenSelected()
{
    if (const QTreeWidgetItem *item = List->currentItem())
        Open(TUDataKey(item->data(colTitle, kKeyRole).toString()));
}

void TFDocuments::Open(const TUDataKey &Template)
{
    if (FLoading)
        return;
    TDataDocTemplate *tpl = nullptr;
    if (!Complex->Cache().GetData(ctDocTemplate)->TryGetValue(Template, tpl))
        return;
    const TUAPIFile file = CurrentFile(*tpl);
    const QString title = tpl->Title();
    if (!file.IsSet()) {
        TUDialogs::Error(QStringLiteral("У шаблона «%1» нет файла на сервере.").arg(title));
        return;
    }
    // A current copy may hold the person's edits that tracking has not sent yet: it is opened
    // as it is, never downloaded over.
    if (docs().IsLastVersion(file)) {
        OpenCopy(file, title);
        return;
    }

    const QPointer<TFDocuments> self(this);
    TWorkEvent events;
    events.OnStart = [self](qint64 Total) {
        if (self)
            self->FTotal = Total;
    };
    events.OnUpdate = [self](qint64 Current) {
        if (!self)
            return;
        if (self->FTotal > 0)
            self->LabelProgress->setText(
                QStringLiteral("Загрузка документа: %1%").arg(std::min<qint64>(100, Current * 100 / self->FTotal)));
        else
            self->LabelProgress->setText(QStringLiteral("Загрузка документа: %1 КБ").arg(Current / 1024));
    };
    events.OnSuccess = [self, file, title](QObject *) {
        if (!self)
            return;
        self->LoadEnded();
        self->OpenCopy(file, title);
        // The document manager takes the copy into tracking once this handler is done.
        QTimer::singleShot(0, self.data(), [self] {
            if (self)
                self->UpdateCopies();
        });
    };
    events.OnError = [self, title](QObject *, const QString &Msg) {
        if (!self)
            return;
        self->LoadEnded();
        TUDialogs::Error(QStringLiteral("Не удалось загрузить документ «%1»:\n\r%2").arg(title, Msg));
    };
    events.OnTerminate = [self](QObject *) {
        if (self)
            self->LoadEnded();
    };
    LoadStarted(title);
    docs().LoadToCache(file, events);
}

void TFDocuments::LoadStarted(const QString &Title)
{
    FLoading = true;
    FTotal = 0;
    LabelProgress->setText(QStringLiteral("Загрузка документа «%1»...").arg(Title));
    Progress->Start();
    UpdateButtons();
}

void TFDocuments::LoadEnded()
{
    FLoading = false;
    Progress->Stop();
    LabelProgress->clear();
    UpdateButtons();
}

void TFDocuments::OpenCopy(const TUAPIFile &File, const QString &Title)
{
    const QString path = docs().GetFilename(File);
    UpdateCopies();
    if (!TUShell::OpenFile(path))
        TUDialogs::Error(QStringLiteral("Не удалось открыть документ «%1» (%2).").arg(Title, path));
}

void TFDocuments::UpdateButtons() { ButtonOpen->setEnabled(!FLoading && List->currentItem() != nullptr); }

void TFDocuments::UpdateCopies()
{
    const TUDataSource *source = Complex->Cache().GetData(ctDocTemplate);
    for (int i = 0; i < List->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = List->topLevelItem(i);
        TUDataItem *item = nullptr;
        QString copy = QStringLiteral("нет");
        if (source->TryGetValue(TUDataKey(row->data(colTitle, kKeyRole).toString()), item))
            if (docs().IsLastVersion(CurrentFile(*static_cast<const TDataDocTemplate *>(item))))
                copy = QStringLiteral("есть");
        row->setText(colCopy, copy);
    }
}

void TFDocuments::RefreshTracking()
{
    const TDocTrackingStat stat = docs().Tracking().Stat();
    const QDateTime now = QDateTime::currentDateTime();
    if (stat.DocModifySuccessCount != FSeen.DocModifySuccessCount)
        FLastSent = now;
    const uint32_t failed = stat.DocModifyCount - stat.DocModifySuccessCount;
    const uint32_t failedBefore = FSeen.DocModifyCount - FSeen.DocModifySuccessCount;
    if (failed != failedBefore)
        FLastFailed = now;
    const bool changed = stat.DocModifyCount != FSeen.DocModifyCount;
    FSeen = stat;

    QString text;
    if (!docs().Active())
        text = QStringLiteral("Отслеживание изменённых документов выключено: оно начнётся после подключения к сервису.");
    else if (FLastFailed.isValid() && (!FLastSent.isValid() || FLastFailed > FLastSent))
        text = QStringLiteral("Не удалось отправить изменённый документ на сервер (%1); попытка повторится при "
                              "следующей проверке.")
                   .arg(moment(FLastFailed));
    else if (FLastSent.isValid())
        text = QStringLiteral("Изменённый документ отправлен на сервер в %1.").arg(moment(FLastSent));
    else
        text = QStringLiteral("Изменённые документы отправляются на сервер сами; с начала работы отправок не было.");
    if (FLastFailed.isValid() && FLastSent.isValid() && FLastFailed > FLastSent)
        text += QStringLiteral(" Последняя удачная отправка — в %1.").arg(moment(FLastSent));
    LabelTracking->setText(text);
    if (changed)
        UpdateCopies();
}
