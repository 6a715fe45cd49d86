// UserInit of a full sign-in answer next to a plain walk of the same "raw" value that reads the
// same members. The answer: every object kind with every field in its layout, every right
// granted and blocked once, and a saved layout per kind.
#include "UAPIData.h"
#include "UnitComplex.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace {

QString name(TDataObjectType v) { return QString(ToName(v)); }
QString name(TDataFieldType v) { return QString(ToName(v)); }

QString FullAnswerText()
{
    QJsonArray fields, objects, actions, blocks, exportBlocks, configs;
    for (int o = 1; o < DataObjectTypeCount; ++o) {
        const auto obj = TDataObjectType(o);
        objects.append(QJsonObject{{"obj_id", name(obj)}, {"obj_owner_test", o % 2 ? "Y" : "N"}});
        for (int a = 1; a < DataObjectActionTypeCount; ++a)
            actions.append(QJsonObject{{"obj_id", name(obj)},
                                       {"action_id", QString(ToName(TDataObjectActionType(a)))},
                                       {"obj_owner_test", a % 2 ? "Y" : "N"}});
        QJsonArray saved;
        for (int f = 1; f < DataFieldTypeCount; ++f) {
            const auto field = TDataFieldType(f);
            fields.append(QJsonObject{{"obj_id", name(obj)}, {"field_id", name(field)}, {"title", "Поле " + name(field)},
                                      {"width", 40 + f % 100}, {"visible", f % 3 ? "Y" : "N"},
                                      {"is_dyn", f % 50 == 0 ? "Y" : "N"}});
            blocks.append(QJsonObject{{"obj_id", name(obj)}, {"field_id", name(field)}});
            exportBlocks.append(QJsonObject{{"obj_id", name(obj)}, {"field_id", name(field)}});
            if (f % 25 == 0)
                saved.append(QJsonObject{{"id", name(field)}, {"width", f}});
        }
        const QJsonObject layout{{"fixed_count", 3}, {"dyn_start", -1}, {"fields", saved}, {"dyn_fields", QJsonArray()},
                                 {"export_disabled", QJsonArray()}};
        configs.append(QJsonObject{{"obj_id", name(obj)},
                                   {"config", QString::fromUtf8(QJsonDocument(layout).toJson(QJsonDocument::Compact))}});
    }
    const QJsonObject raw{{"obj_field", fields},
                          {"role_object", objects},
                          {"role_object_action", actions},
                          {"role_object_field_block", blocks},
                          {"role_object_field_export_block", exportBlocks},
                          {"user_config", configs}};
    const QJsonObject row{{"sidh", "0123456789abcdef"}, {"login", "ivan"}, {"user_name", "Иван"},
                          {"user_email", "ivan@example.org"}, {"role", "manager"}};
    const QJsonObject envelope{{"code", 0}, {"count", 1}, {"fields", QJsonArray::fromStringList(row.keys())},
                               {"data", QJsonArray{row}}, {"raw", raw}};
    return QString::fromUtf8(QJsonDocument(envelope).toJson(QJsonDocument::Compact));
}

const TAPIDataAnswer &FullAnswer()
{
    static const auto answer = std::make_unique<TAPIDataAnswer>(FullAnswerText());
    return *answer;
}

struct Core {
    QTemporaryDir dir;
    std::unique_ptr<TComplex> complex = std::make_unique<TComplex>(dir.filePath(QStringLiteral("deskstart.exe")));
};

void BM_UserInit(benchmark::State &state)
{
    const TAPIDataAnswer &answer = FullAnswer();
    Core core;
    for (auto _ : state) {
        state.PauseTiming();
        core.complex->User().Clear();
        state.ResumeTiming();
        core.complex->UserInit(answer, QStringLiteral("p"));
    }
    state.counters["role_bytes"] = double(sizeof(TOutdoorRole));
    state.counters["layouts_bytes"] = double(2 * DataObjectTypeCount * sizeof(TDataObjectFieldConfig));
}
BENCHMARK(BM_UserInit)->Unit(benchmark::kMillisecond);

// The same members read from the same value, list by list, and nothing done with them.
void BM_PlainWalk(benchmark::State &state)
{
    const QJsonObject raw = FullAnswer().Raw().toObject();
    const struct {
        const char *list;
        std::vector<const char *> members;
    } lists[] = {
        {"obj_field", {"obj_id", "field_id", "width", "title", "visible", "is_dyn"}},
        {"role_object", {"obj_id", "obj_owner_test"}},
        {"role_object_action", {"obj_id", "action_id", "obj_owner_test"}},
        {"role_object_field_block", {"obj_id", "field_id"}},
        {"role_object_field_export_block", {"obj_id", "field_id"}},
        {"user_config", {"obj_id", "config"}},
    };
    for (auto _ : state) {
        for (const auto &l : lists) {
            for (const QJsonValueConstRef element : raw.value(QLatin1StringView(l.list)).toArray()) {
                const QJsonObject object = element.toObject();
                for (const char *member : l.members) {
                    const QJsonValue value = object.value(QLatin1StringView(member));
                    if (value.isString())
                        benchmark::DoNotOptimize(value.toString());
                    else
                        benchmark::DoNotOptimize(value.toDouble());
                }
            }
        }
    }
}
BENCHMARK(BM_PlainWalk)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
