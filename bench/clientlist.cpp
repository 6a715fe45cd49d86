// The main window's clients list over 100,000 cached clients next to bare Qt: opening it (model
// and table view shown and painted) against a QTableView over a minimal model reading a plain
// vector of the same rows, and typing in its title filter against a plain loop applying the same
// patterns with the same matcher to the same titles. The figures and their bounds are printed at
// the end, with the memory the open list adds to the cache's own (growth of the resident set).
#include "BenchRuns.h"
#include "UDataSourceModel.h"
#include "UTitleMatch.h"
#include "UnitDataCache.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonObject>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kClients = 100000;
constexpr int kManagers = 40;

// Russian company names as the service's clients carry them: a legal form, a word or two and
// now and then a number, so typed prefixes select from thousands of rows down to a few.
QString clientTitle(std::mt19937 &rng)
{
    static const char16_t *const forms[] = {u"ООО", u"ИП", u"АО", u"ЗАО", u"ПАО", u"ТОО"};
    static const char16_t *const words[] = {
        u"Ромашка", u"Рекламные системы", u"Вектор", u"Северный ветер", u"Альянс", u"Медиа-Групп",
        u"Уральские сети", u"Гранит", u"Светлый путь", u"Техносервис", u"Волга", u"Ёлочка", u"Заря",
        u"Прогресс", u"Сибирь", u"Меридиан", u"Стройинвест", u"Орбита", u"Кедр", u"Солнечный город",
        u"Радуга", u"Рассвет", u"Родник", u"Русский дом", u"Ростелеком-Сервис", u"Рубин", u"Рыбак"};
    QString title = QString::fromUtf16(forms[rng() % std::size(forms)]) + u" «"_s +
                    QString::fromUtf16(words[rng() % std::size(words)]);
    if (rng() % 3 == 0)
        title += u' ' + QString::fromUtf16(words[rng() % std::size(words)]);
    title += u'»';
    if (rng() % 2 == 0)
        title += u' ' + QString::number(rng() % 1000);
    return title;
}

// Users (the managers) and 100,000 clients keyed in random order, each with a manager and a state.
QJsonObject makeRaw()
{
    std::mt19937 rng(11);
    static const char16_t *const names[] = {u"Иванов", u"Петрова", u"Сидоров", u"Кузнецова", u"Смирнов",
                                            u"Попова", u"Васильев", u"Соколова"};
    QJsonArray users;
    for (int i = 0; i < kManagers; ++i)
        users.append(QJsonObject{{"login", QStringLiteral("m%1").arg(i)},
                                 {"user_name", QString::fromUtf16(names[i % std::size(names)]) +
                                                   QStringLiteral(" %1").arg(i)},
                                 {"role", "2"},
                                 {"state", "ENABLED"}});
    std::vector<int> keys(kClients);
    for (int i = 0; i < kClients; ++i)
        keys[size_t(i)] = i + 1;
    std::shuffle(keys.begin(), keys.end(), rng);
    QJsonArray clients;
    for (int k : keys)
        clients.append(QJsonObject{{"client", QString::number(k)},
                                   {"title", clientTitle(rng)},
                                   {"manager", QStringLiteral("m%1").arg(rng() % kManagers)},
                                   {"state", rng() % 5 ? "ENABLED" : "DISABLED"},
                                   {"contact_email", QStringLiteral("office%1@example.ru").arg(k)}});
    return QJsonObject{{"user", users}, {"client", clients}};
}

const QJsonObject &raw()
{
    static const QJsonObject value = makeRaw();
    return value;
}

// The cache the program holds, loaded once.
TDataCache &cache()
{
    static TDataCache *const value = [] {
        auto *c = new TDataCache();
        if (!c->LoadSet(raw()))
            std::abort();
        return c;
    }();
    return *value;
}

// ---- The anchor: a minimal model over a plain vector of the same rows

struct PlainRow {
    QString Title, Manager, Email, State;
};

std::vector<PlainRow> plainRows()
{
    std::vector<PlainRow> rows;
    const TDataCache &c = cache();
    const TUDataSource &clients = *c.GetData(ctClient);
    rows.reserve(size_t(clients.Count()));
    for (int i = 0; i < clients.Count(); ++i) {
        const auto *client = static_cast<const TDataClient *>(clients[i]);
        rows.push_back({client->Title(), c.GetTitle(ctUser, client->Manager()), client->GetQuillEmail(),
                        c.GetTitle(ctState, TUDataKey(ToCode(client->State())))});
    }
    return rows;
}

class PlainModel : public QAbstractTableModel {
public:
    explicit PlainModel(const std::vector<PlainRow> *Rows) : FRows(Rows) {}
    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(FRows->size());
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override { return parent.isValid() ? 0 : 4; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        const PlainRow &r = (*FRows)[size_t(index.row())];
        switch (index.column()) {
        case 0: return r.Title;
        case 1: return r.Manager;
        case 2: return r.Email;
        default: return r.State;
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const char *const headers[] = {"Наименование", "Менеджер", "E-mail", "Состояние"};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 4)
            return QString::fromUtf8(headers[section]);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    const std::vector<PlainRow> *FRows;
};

// The window's table as both sides show it: shown, laid out and painted once.
void showAndPaint(QTableView &view)
{
    view.resize(1000, 700);
    view.show();
    QCoreApplication::processEvents();
    view.viewport()->repaint();
}

void paintAgain(QTableView &view)
{
    QCoreApplication::processEvents();
    view.viewport()->repaint();
}

// ---- Opening the list

// As the program opens it: its columns, its view set up as its lists are.
void BM_OpenClientList(benchmark::State &state)
{
    TDataCache &c = cache();
    for (auto _ : state) {
        TUDataSourceModel model(c.GetData(ctClient), DataCacheColumns(c, ctClient));
        QTableView view;
        view.setModel(&model);
        PrepareDataSourceView(&view);
        showAndPaint(view);
        benchmark::DoNotOptimize(model.rowCount());
    }
}
BENCHMARK(BM_OpenClientList)->Unit(benchmark::kMillisecond);

// The same model in a view set up exactly as the anchor's.
void BM_OpenClientListBareView(benchmark::State &state)
{
    TDataCache &c = cache();
    for (auto _ : state) {
        TUDataSourceModel model(c.GetData(ctClient), DataCacheColumns(c, ctClient));
        QTableView view;
        view.setModel(&model);
        showAndPaint(view);
        benchmark::DoNotOptimize(model.rowCount());
    }
}
BENCHMARK(BM_OpenClientListBareView)->Unit(benchmark::kMillisecond);

void BM_OpenBareTable(benchmark::State &state)
{
    const std::vector<PlainRow> rows = plainRows();
    for (auto _ : state) {
        PlainModel model(&rows);
        QTableView view;
        view.setModel(&model);
        showAndPaint(view);
        benchmark::DoNotOptimize(model.rowCount());
    }
}
BENCHMARK(BM_OpenBareTable)->Unit(benchmark::kMillisecond);

// ---- Typing in the title filter

// A person typing a client's name, a slip and its correction, then clearing the field.
const std::vector<QString> &typed()
{
    static const std::vector<QString> value = {
        u"о"_s, u"оо"_s, u"ооо"_s, u"ооо "_s, u"ооо «"_s, u"ооо «р"_s, u"ооо «ру"_s, u"ооо «р"_s,
        u"ооо «ро"_s, u"ооо «ром"_s, u"ооо «рома"_s, u"*сиб"_s, u"*сибирь"_s, u""_s};
    return value;
}

// The patterns typed one after the other into the open list, each applied and painted.
void typeInto(benchmark::State &state, const std::vector<QString> &patterns)
{
    TDataCache &c = cache();
    TUDataSourceModel model(c.GetData(ctClient), DataCacheColumns(c, ctClient));
    QTableView view;
    view.setModel(&model);
    PrepareDataSourceView(&view);
    showAndPaint(view);
    for (auto _ : state) {
        for (const QString &pattern : patterns) {
            model.SetTitleFilter(pattern);
            paintAgain(view);
        }
        benchmark::DoNotOptimize(model.ItemCount());
    }
}

// The anchor: the same patterns applied by a plain loop over the titles.
void matchLoop(benchmark::State &state, const std::vector<QString> &patterns)
{
    const std::vector<PlainRow> rows = plainRows();
    for (auto _ : state) {
        int shown = 0;
        for (const QString &pattern : patterns) {
            const TUTitleMatch matches(pattern);
            shown = 0;
            for (const PlainRow &row : rows)
                shown += matches(row.Title);
        }
        benchmark::DoNotOptimize(shown);
    }
}

void BM_TypeInFilter(benchmark::State &state) { typeInto(state, typed()); }
BENCHMARK(BM_TypeInFilter)->Unit(benchmark::kMillisecond);

// Where the time of typing goes: the model's filtering alone, no view.
// The same typing without the wildcard patterns, whose general matcher costs the anchor most.
const std::vector<QString> &typedPrefixes()
{
    static const std::vector<QString> value = [] {
        std::vector<QString> v;
        for (const QString &p : typed())
            if (!p.contains(u'*'))
                v.push_back(p);
        return v;
    }();
    return value;
}

void BM_TypePrefixes(benchmark::State &state) { typeInto(state, typedPrefixes()); }
BENCHMARK(BM_TypePrefixes)->Unit(benchmark::kMillisecond);

void BM_MatchPrefixesLoop(benchmark::State &state) { matchLoop(state, typedPrefixes()); }
BENCHMARK(BM_MatchPrefixesLoop)->Unit(benchmark::kMillisecond);

void BM_FilterModelOnly(benchmark::State &state)
{
    TDataCache &c = cache();
    TUDataSourceModel model(c.GetData(ctClient), DataCacheColumns(c, ctClient));
    for (auto _ : state) {
        for (const QString &pattern : typed())
            model.SetTitleFilter(pattern);
        benchmark::DoNotOptimize(model.ItemCount());
    }
}
BENCHMARK(BM_FilterModelOnly)->Unit(benchmark::kMillisecond);

void BM_MatchLoop(benchmark::State &state) { matchLoop(state, typed()); }
BENCHMARK(BM_MatchLoop)->Unit(benchmark::kMillisecond);

// Sorting the open list by its title and by its manager's name, for the figures.
void BM_SortByTitle(benchmark::State &state)
{
    TDataCache &c = cache();
    TUDataSourceModel model(c.GetData(ctClient), DataCacheColumns(c, ctClient));
    bool up = true;
    for (auto _ : state) {
        model.sort(0, up ? Qt::AscendingOrder : Qt::DescendingOrder);
        up = !up;
    }
}
BENCHMARK(BM_SortByTitle)->Unit(benchmark::kMillisecond);

void BM_SortByManager(benchmark::State &state)
{
    TDataCache &c = cache();
    TUDataSourceModel model(c.GetData(ctClient), DataCacheColumns(c, ctClient));
    bool up = true;
    for (auto _ : state) {
        model.sort(1, up ? Qt::AscendingOrder : Qt::DescendingOrder);
        up = !up;
    }
}
BENCHMARK(BM_SortByManager)->Unit(benchmark::kMillisecond);

// ---- Memory

long residentBytes()
{
    malloc_trim(0);
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4096;
}

struct TMemory {
    long Cache = 0;
    long WithList = 0;
};

// Growth from loading the cache, then from opening the list over it. The window's first table
// (fonts, style) is up before, as it is in the program when a list opens.
TMemory measureMemory()
{
    (void)raw();
    {
        TDataCache small;
        TUDataSourceModel model(small.GetData(ctState), DataCacheColumns(small, ctState));
        QTableView view;
        view.setModel(&model);
        showAndPaint(view);
    }
    const long before = residentBytes();
    TMemory m;
    auto c = std::make_unique<TDataCache>();
    if (!c->LoadSet(raw()))
        std::abort();
    m.Cache = residentBytes() - before;
    auto model = std::make_unique<TUDataSourceModel>(c->GetData(ctClient), DataCacheColumns(*c, ctClient));
    auto view = std::make_unique<QTableView>();
    view->setModel(model.get());
    PrepareDataSourceView(view.get());
    showAndPaint(*view);
    for (const QString &pattern : typed()) {
        model->SetTitleFilter(pattern);
        paintAgain(*view);
    }
    m.WithList = residentBytes() - before;
    return m;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // First, before the benchmarks grow the heap.
    const TMemory memory = measureMemory();
    benchmark::Initialize(&argc, argv);
    TimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto ratio = [&](const char *ours, const char *anchor) { return reporter.Ratio(ours, anchor); };
    std::printf("\n%-60s %8s  %s\n", "100,000 clients", "ratio", "bound");
    std::printf("%-60s %8.2f  at most 1.5  (%.1f / %.1f ms)\n", "open the list / bare QTableView over a plain vector",
                ratio("BM_OpenClientList", "BM_OpenBareTable"), reporter.time["BM_OpenClientList"],
                reporter.time["BM_OpenBareTable"]);
    std::printf("%-60s %8.2f  (%.1f / %.1f ms)\n", "  the same model in a view set up as the bare one",
                ratio("BM_OpenClientListBareView", "BM_OpenBareTable"), reporter.time["BM_OpenClientListBareView"],
                reporter.time["BM_OpenBareTable"]);
    std::printf("%-60s %8.2f  at most 1.5  (%.1f / %.1f ms, %zu patterns)\n",
                "type in the title filter / plain match loop", ratio("BM_TypeInFilter", "BM_MatchLoop"),
                reporter.time["BM_TypeInFilter"], reporter.time["BM_MatchLoop"], typed().size());
    std::printf("%-60s %8.2f  (%.1f / %.1f ms)\n", "  the model's filtering alone, no view / plain match loop",
                ratio("BM_FilterModelOnly", "BM_MatchLoop"), reporter.time["BM_FilterModelOnly"],
                reporter.time["BM_MatchLoop"]);
    std::printf("%-60s %8.2f  (%.1f / %.1f ms, %zu patterns)\n", "  prefixes only (no wildcards) / plain match loop",
                ratio("BM_TypePrefixes", "BM_MatchPrefixesLoop"), reporter.time["BM_TypePrefixes"],
                reporter.time["BM_MatchPrefixesLoop"], typedPrefixes().size());
    std::printf("%-60s %8.2f  at most 1.5  (%.1f / %.1f MB)\n", "memory: cache and open list / cache alone",
                memory.Cache > 0 ? double(memory.WithList) / double(memory.Cache) : 0.0, memory.WithList / 1e6,
                memory.Cache / 1e6);
    std::printf("%-60s %8.1f ms\n", "sort by title", reporter.time["BM_SortByTitle"]);
    std::printf("%-60s %8.1f ms\n", "sort by manager", reporter.time["BM_SortByManager"]);
    return 0;
}
