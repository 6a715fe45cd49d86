// The list selection dialog next to bare Qt: RefreshList over 50,000 records with a query that
// keeps a tenth of them, against a bare QListWidget given the same matching titles with check
// boxes; and one keystroke in the query field while those 50,000 records are behind the list.
#include "BenchWidgets.h"
#include "UFDialogListSelect.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kItems = 50000;
const QString kWords[] = {
    QStringLiteral("Щит"), QStringLiteral("Призма"), QStringLiteral("Пилон"), QStringLiteral("Брандмауэр"),
    QStringLiteral("Сити-формат"), QStringLiteral("Перетяжка"), QStringLiteral("Суперсайт"),
    QStringLiteral("Тумба"), QStringLiteral("Экран"), QStringLiteral("Указатель"),
};
// Matches the titles of one word in ten, whatever its case.
const QString kQuery = QStringLiteral("пилон");

std::unique_ptr<TUDataSource> makeSource()
{
    auto src = std::make_unique<TUDataSource>();
    src->SetFreeItems(true);
    for (int i = 0; i < kItems; ++i)
        src->Add(new TUDataItem(uint32_t(i + 1), QStringLiteral("%1 %2, ул. Ленина").arg(kWords[i % 10]).arg(i)));
    return src;
}

struct TDialog {
    TDialog() : src(makeSource())
    {
        form.SetDataSource(src.get());
        form.ClearData();
        form.EQuery->setText(kQuery);
    }
    std::unique_ptr<TUDataSource> src;
    TFormDialogListSelect form;
};

void BM_RefreshList(benchmark::State &state)
{
    TDialog d;
    for (auto _ : state) {
        d.form.RefreshList();
        benchmark::DoNotOptimize(d.form.List->count());
    }
    state.counters["rows"] = d.form.List->count();
}
BENCHMARK(BM_RefreshList)->Unit(benchmark::kMillisecond);

// The anchor: the titles RefreshList shows, as check-box rows of a bare list.
void BM_QListWidgetCheckRows(benchmark::State &state)
{
    TDialog d;
    d.form.RefreshList();
    QStringList titles;
    for (int r = 0; r < d.form.List->count(); ++r)
        titles << d.form.List->item(r)->text();
    QListWidget list;
    for (auto _ : state) {
        list.clear();
        // Each row complete before it joins the list, so the list hears of it once.
        for (const QString &title : titles) {
            auto *row = new QListWidgetItem(title);
            row->setCheckState(Qt::Unchecked);
            list.addItem(row);
        }
        benchmark::DoNotOptimize(list.count());
    }
    state.counters["rows"] = list.count();
}
BENCHMARK(BM_QListWidgetCheckRows)->Unit(benchmark::kMillisecond);

// One character typed into the query: it only restarts the timer, the list waits for it.
void BM_TypeKey(benchmark::State &state)
{
    TDialog d;
    d.form.EQuery->clear();
    d.form.RefreshList();
    const int rows = d.form.List->count();
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(d.form.EQuery, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(d.form.EQuery, &release);
        if (d.form.EQuery->text().size() > 20)
            d.form.EQuery->clear();
    }
    if (d.form.List->count() != rows || !d.form.TimerChange->isActive())
        state.SkipWithError("typing refreshed the list");
}
BENCHMARK(BM_TypeKey)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) { return RunWidgetBenchmarks(argc, argv); }
