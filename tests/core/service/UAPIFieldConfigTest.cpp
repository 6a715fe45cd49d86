#include "TestUtil.h"
#include "UAPIIndex.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using Fields = std::vector<TDataFieldType>;
Fields F(const TDataFieldList &list) { return Fields(list.begin(), list.end()); }

QJsonValue Parse(const char *json)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << json;
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}

void ExpectCleared(const TDataObjectFieldConfig &config)
{
    EXPECT_EQ(config.FixedCount(), -1);
    EXPECT_EQ(config.DynStart(), -1);
    EXPECT_TRUE(config.Fields().IsEmpty());
    EXPECT_TRUE(config.DynFields().IsEmpty());
    EXPECT_TRUE(config.ExportDisabled().IsEmpty());
    for (const TDataFieldConfig &conf : config.DataArray())
        EXPECT_EQ(conf, (TDataFieldConfig{QString(), -1, false}));
}

// A layout with every part filled, export list included (only SetConfig fills that one).
void FillSample(TDataObjectFieldConfig &config)
{
    EXPECT_TRUE(config.SetConfig(Parse(R"({"fixed_count": 2, "dyn_start": 5,
        "fields": [], "dyn_fields": [], "export_disabled": [{"id": "phone"}, {"id": "email"}]})")));
    config.AddField(dft_title, {QStringLiteral("Название"), 120, true});
    config.AddField(dft_id, {QStringLiteral("Код"), 40, false});
    config.AddField(dft_town, {QStringLiteral("Город"), -1, true});
    config.AddDynField(dft_state_0, {QStringLiteral("Янв"), 30, true});
}

} // namespace

TEST(UAPIFieldConfig, FieldConfigClearAndVisibility)
{
    TDataFieldConfig conf{QStringLiteral("x"), 0, true};
    EXPECT_TRUE(conf.Visible());
    conf.Width = -1;
    EXPECT_FALSE(conf.Visible());
    conf = {QStringLiteral("x"), 10, false};
    EXPECT_FALSE(conf.Visible());
    conf.Clear();
    EXPECT_EQ(conf, (TDataFieldConfig{QString(), -1, false}));
}

TEST(UAPIFieldConfig, CreatedClearedAndAssignCopiesEverything)
{
    TDataObjectFieldConfig fresh;
    ExpectCleared(fresh);
    EXPECT_FALSE(fresh.IsSet());
    EXPECT_FALSE(fresh.IsDynSet());

    TDataObjectFieldConfig source;
    FillSample(source);
    EXPECT_TRUE(source.IsSet());
    EXPECT_TRUE(source.IsDynSet());
    TDataObjectFieldConfig copy;
    copy.Assign(source);
    EXPECT_EQ(copy.FixedCount(), 2);
    EXPECT_EQ(copy.DynStart(), 5);
    EXPECT_EQ(F(copy.Fields()), (Fields{dft_title, dft_id, dft_town}));
    EXPECT_EQ(F(copy.DynFields()), (Fields{dft_state_0}));
    EXPECT_EQ(F(copy.ExportDisabled()), (Fields{dft_phone, dft_email}));
    EXPECT_EQ(copy.DataArray(), source.DataArray());
    EXPECT_EQ(copy.GetData(dft_title).Title, QStringLiteral("Название"));

    copy.Clear();
    ExpectCleared(copy);
}

TEST(UAPIFieldConfig, FieldTypesOutsideTheEnumerationAreOutOfRange)
{
    TDataObjectFieldConfig config;
    const TDataFieldConfig conf{"x", 10, true};
    const auto bad = {TDataFieldType(DataFieldTypeCount), TDataFieldType(0xFFFF)};
    for (TDataFieldType field : bad) {
        EXPECT_TRUE(ToName(field).isEmpty());
        EXPECT_THROW(config.GetData(field), EArgumentOutOfRange);
        EXPECT_THROW(config.SetData(field, conf), EArgumentOutOfRange);
        EXPECT_THROW(config.AddField(field, conf), EArgumentOutOfRange);
        EXPECT_THROW(config.AddDynField(field, conf), EArgumentOutOfRange);
    }
    EXPECT_TRUE(config.Fields().IsEmpty());
    EXPECT_TRUE(config.DynFields().IsEmpty());
    TDataFieldIndex<int> index;
    EXPECT_THROW(index[TDataFieldType(DataFieldTypeCount)] = 1, EArgumentOutOfRange);
}

TEST(UAPIFieldConfig, ConfigRoundTripKeepsOrderMembershipAndWidthsOnly)
{
    TDataObjectFieldConfig source;
    FillSample(source);
    QJsonValue json;
    ASSERT_TRUE(source.GetConfig(json));
    const QJsonObject object = json.toObject();
    EXPECT_EQ(object.value(u"fields").toArray().at(0).toObject(),
              (QJsonObject{{"id", "title"}, {"title", QStringLiteral("Название")},
                           {"width", 120}, {"visible", "Y"}}));
    EXPECT_EQ(object.value(u"fields").toArray().at(1).toObject().value(u"visible"), QJsonValue("N"));
    EXPECT_EQ(object.value(u"export_disabled").toArray().at(0).toObject(),
              (QJsonObject{{"id", "phone"}}));

    // Through text, as the configuration is kept.
    const QByteArray text = QJsonDocument(object).toJson(QJsonDocument::Compact);
    TDataObjectFieldConfig read;
    ASSERT_TRUE(read.SetConfig(QJsonDocument::fromJson(text).object()));
    EXPECT_EQ(read.FixedCount(), 2);
    EXPECT_EQ(read.DynStart(), 5);
    EXPECT_EQ(F(read.Fields()), F(source.Fields()));
    EXPECT_EQ(F(read.DynFields()), F(source.DynFields()));
    EXPECT_EQ(F(read.ExportDisabled()), F(source.ExportDisabled()));
    EXPECT_EQ(read.GetData(dft_title), (TDataFieldConfig{QString(), 120, false}));
    EXPECT_EQ(read.GetData(dft_town), (TDataFieldConfig{QString(), -1, false}));
    EXPECT_EQ(read.GetData(dft_state_0).Width, 30);
    EXPECT_EQ(read.GetData(dft_name).Width, -1);
}

TEST(UAPIFieldConfig, SetConfigDefaultsAndSkipsUnknownIds)
{
    TDataObjectFieldConfig config;
    ASSERT_TRUE(config.SetConfig(Parse(R"({"fields": [{"id": "title"}, {"id": "no_such"},
        {"id": "Title", "width": 3}, {"width": 9}, 7, {"id": "id", "width": 15}],
        "dyn_fields": [], "export_disabled": [{"id": ""}, {"id": "sale"}, "sale"]})")));
    EXPECT_EQ(config.FixedCount(), 0);
    EXPECT_EQ(config.DynStart(), 0);
    EXPECT_EQ(F(config.Fields()), (Fields{dft_title, dft_id}));
    EXPECT_EQ(config.GetData(dft_title).Width, 0);
    EXPECT_EQ(config.GetData(dft_id).Width, 15);
    EXPECT_EQ(F(config.ExportDisabled()), (Fields{dft_sale}));
}

// The service's scripts send numbers as texts as often as not.
TEST(UAPIFieldConfig, SetConfigReadsNumbersGivenAsTexts)
{
    TDataObjectFieldConfig config;
    ASSERT_TRUE(config.SetConfig(Parse(R"({"fixed_count": "2", "dyn_start": " 3 ",
        "fields": [{"id": "id", "width": "15"}, {"id": "title", "width": "4e1"}],
        "dyn_fields": [], "export_disabled": []})")));
    EXPECT_EQ(config.FixedCount(), 2);
    EXPECT_EQ(config.DynStart(), 3);
    EXPECT_EQ(config.GetData(dft_id).Width, 15);
    EXPECT_EQ(config.GetData(dft_title).Width, 40);
}

TEST(UAPIFieldConfig, MalformedConfigFailsAndLeavesTheLayoutCleared)
{
    const char *cases[] = {
        "[]",
        R"({})",
        R"({"fields": [], "export_disabled": []})",
        R"({"fields": [], "dyn_fields": {}, "export_disabled": []})",
        R"({"fields": "x", "dyn_fields": [], "export_disabled": []})",
        R"({"fields": [], "dyn_fields": [], "export_disabled": null})",
        R"({"fixed_count": "two", "fields": [], "dyn_fields": [], "export_disabled": []})",
        R"({"fixed_count": "2.5", "fields": [], "dyn_fields": [], "export_disabled": []})",
        R"({"dyn_start": 1.5, "fields": [], "dyn_fields": [], "export_disabled": []})",
        R"({"dyn_start": 1e12, "fields": [], "dyn_fields": [], "export_disabled": []})",
        R"({"fields": [{"id": "id", "width": "wide"}], "dyn_fields": [], "export_disabled": []})",
        R"({"fields": [], "dyn_fields": [{"id": "id", "width": null}], "export_disabled": []})",
    };
    for (const char *json : cases) {
        SCOPED_TRACE(json);
        TDataObjectFieldConfig config;
        FillSample(config);
        EXPECT_FALSE(config.SetConfig(Parse(json)));
        ExpectCleared(config);
    }
    for (const QJsonValue &value : {QJsonValue(), QJsonValue(3), QJsonValue(QStringLiteral("x")), QJsonValue(true)}) {
        TDataObjectFieldConfig config;
        FillSample(config);
        EXPECT_FALSE(config.SetConfig(value));
        ExpectCleared(config);
    }
}
