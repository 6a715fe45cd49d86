// dialogshot: one dialog of the interface kit, filled with sample records, at the top left of
// the screen, for a person (or a picture) to look at.
//
//   dialogshot NAME [--ready FILE] [--quit-after MS]
//
// NAME is text, radio, list, record (a task-bound form while it loads) or primer. --ready
// writes the dialog's size ("WxH") to FILE once it has been painted; --quit-after closes it.
#include "FDialog.h"
#include "FPrimer.h"
#include "UComboSimple.h"
#include "UFDialogListSelect.h"
#include "UFDialogRadioSelect.h"
#include "UFDialogText.h"
#include "URadioGroup.h"

#include <QApplication>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

std::unique_ptr<TUDataSource> makeSource(std::initializer_list<std::pair<uint32_t, const char *>> rows)
{
    auto src = std::make_unique<TUDataSource>();
    src->SetFreeItems(true);
    for (const auto &[key, title] : rows)
        src->Add(new TUDataItem(TUDataKey(key), QString::fromUtf8(title)));
    return src;
}

// Towns keyed by region: the key's hundreds are the region.
class TByRegion : public TUDataSource::TEnumeratorFilterIndex {
public:
    bool Execute(const TUDataItem *Item) override
    {
        return IndexedValue().IsClear() || TUDataKey(Item->ID().Int() / 100) == IndexedValue();
    }
};

// A record editor caught while its record loads: disabled, the animation running.
class TLoadingForm : public TFormDialog {
public:
    TLoadingForm()
    {
        setWindowTitle(QStringLiteral("Рекламная конструкция"));
        auto *form = new QFormLayout(GBTop);
        auto add = [form](const char *label, const char *text) {
            auto *e = new QLineEdit(QString::fromUtf8(text));
            form->addRow(QString::fromUtf8(label), e);
        };
        add("Название:", "Щит 3x6, ул. Ленина, 12");
        add("Город:", "Новосибирск");
        add("Оператор:", "Сибирь Медиа");
        add("Сторона:", "A");
        SetTaskActionLoad(QStringLiteral("board_get"));
    }
    void StartLoad() override
    {
        SetIsEnabled(false);
        ProgressStart();
    }
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    QString name, ready;
    int quitAfter = 0;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--ready") && i + 1 < args.size())
            ready = args[++i];
        else if (args[i] == QLatin1String("--quit-after") && i + 1 < args.size())
            quitAfter = args[++i].toInt();
        else
            name = args[i];
    }

    auto regions = makeSource({{1, "Новосибирская область"}, {2, "Томская область"}, {3, "Алтайский край"},
                               {4, "Кемеровская область"}, {5, "Омская область"}});
    auto towns = makeSource({{101, "Новосибирск"}, {102, "Бердск"}, {103, "Искитим"}, {104, "Куйбышев"},
                             {105, "Карасук"}, {106, "Обь"}, {201, "Томск"}, {202, "Северск"},
                             {203, "Колпашево"}, {301, "Барнаул"}, {302, "Бийск"}, {303, "Камень-на-Оби"},
                             {401, "Кемерово"}, {402, "Новокузнецк"}, {403, "Киселёвск"}, {501, "Омск"},
                             {502, "Калачинск"}});
    TByRegion byRegion;
    TUDataKeyList checked;
    for (uint32_t k : {102u, 104u, 303u})
        checked.Add(TUDataKey(k));

    std::unique_ptr<QDialog> dialog;
    if (name == QLatin1String("text")) {
        auto d = std::make_unique<TUFormDialogText>();
        d->SetPromt(QStringLiteral("Комментарий к договору"));
        d->SetText(QStringLiteral("Размещение с 1 марта по 31 мая.\nМонтаж за счёт оператора."));
        dialog = std::move(d);
    } else if (name == QLatin1String("radio")) {
        auto d = std::make_unique<TUFormDialogRadioSelect>();
        d->setWindowTitle(QStringLiteral("Выбор региона"));
        d->SetPromt(QStringLiteral("Регион размещения"));
        d->SetDataSource(regions.get());
        d->SetSelectedStart(TUDataKey(2u));
        d->ClearData();
        d->LoadData();
        dialog = std::move(d);
    } else if (name == QLatin1String("list")) {
        auto d = std::make_unique<TFormDialogListSelect>();
        d->setWindowTitle(QStringLiteral("Выбор городов"));
        d->SetPromt(QStringLiteral("Города показа"));
        d->SetDataSource(towns.get());
        d->SetFilterSource(regions.get());
        d->SetFilterIndex(&byRegion);
        d->SetSelected(checked);
        d->ClearData();
        d->LoadData();
        d->EQuery->setText(QStringLiteral("К"));
        d->RefreshList();
        d->List->setCurrentRow(1);
        dialog = std::move(d);
    } else if (name == QLatin1String("record")) {
        dialog = std::make_unique<TLoadingForm>();
    } else if (name == QLatin1String("primer")) {
        auto d = std::make_unique<TFormPrimer>(QStringLiteral("/nonexistent/tessaplan.ini"));
        d->eAPI->setText(QStringLiteral("service.example:8080/api"));
        d->eID->setText(QStringLiteral("17"));
        d->eXID->setText(QStringLiteral("sibmedia"));
        dialog = std::move(d);
    } else {
        std::fprintf(stderr, "dialogshot: NAME is text, radio, list, record or primer\n");
        return 2;
    }
    dialog->move(0, 0);
    dialog->show();
    if (!ready.isEmpty())
        QTimer::singleShot(700, [ready, &dialog] {
            QFile f(ready);
            if (f.open(QIODevice::WriteOnly))
                f.write(QStringLiteral("%1x%2\n").arg(dialog->width()).arg(dialog->height()).toLatin1());
        });
    if (quitAfter > 0)
        QTimer::singleShot(quitAfter, &app, &QApplication::quit);
    QObject::connect(dialog.get(), &QDialog::finished, &app, &QApplication::quit);
    return app.exec();
}
