#include "TestUtil.h"
#include "HTTPSender.h"
#include "UAPIData.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

#include <cctype>
#include <optional>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

using Cells = std::vector<QString>;
using Table = std::vector<Cells>;

// Every row exactly as stored, cell by cell.
Table RowsOf(const TAPIDataAnswer &answer)
{
    Table table;
    if (const TRecs<QString> *rows = answer.Data().Data())
        for (const TRec<QString> *row : *rows)
            table.emplace_back(row->begin(), row->end());
    return table;
}

QStringList NamesOf(const TAPIDataAnswer &answer)
{
    QStringList names;
    for (const TUAPIKey &key : answer.Field())
        names << key.ToString();
    return names;
}

void ExpectCleared(const TAPIDataAnswer &answer)
{
    EXPECT_EQ(answer.Error(), 4);
    EXPECT_FALSE(answer.IsGood());
    EXPECT_EQ(answer.DataType(), datNull);
    EXPECT_TRUE(answer.Field().IsEmpty());
    EXPECT_EQ(answer.Count(), 0);
    EXPECT_FALSE(answer.Data().IsLoaded());
    EXPECT_TRUE(answer.Raw().isUndefined());
}

struct EnvelopeCase {
    const char *name;
    QByteArray text;
    // Readable answers: code, shape, rows (nullopt: table not loaded).
    uint16_t code = 0;
    TAPIDataAnswerType type = datNull;
    std::optional<Table> rows;
    bool unreadable = false;
};

void PrintTo(const EnvelopeCase &c, std::ostream *os)
{
    *os << c.name;
}

EnvelopeCase Bad(const char *name, QByteArray text)
{
    return {name, std::move(text), 4, datNull, std::nullopt, true};
}

const QByteArray kLongName(40, 'n');

std::vector<EnvelopeCase> EnvelopeCases()
{
    using T = Table;
    return {
        {"no code is success", R"({"fields":["id","title"],"data":[{"id":"1","title":"Киев"}]})", 0,
         datJSONRows, T{{"1", u"Киев"_qs}}},
        {"code and count as sent, code cut to 16 bits",
         R"({"code":65537,"count":-3,"fields":["id"],"data":[]})", 1, datJSONRows, T{}},
        {"negative code", R"({"code":-1,"fields":[],"data":1})", 65535, datNull, std::nullopt},
        {"code as digits text", R"({"code":"7","fields":[],"data":{}})", 7, datJSONRow, T{{}}},
        {"null code counts as absent", R"({"code":null,"fields":[],"data":"x"})", 0, datNull, std::nullopt},
        Bad("code not a number", R"({"code":"busy","fields":[],"data":[]})"),
        Bad("fractional code", R"({"code":3.5,"fields":[],"data":[]})"),
        Bad("code true", R"({"code":true,"fields":[],"data":[]})"),
        Bad("no fields", R"({"code":0,"data":[]})"),
        Bad("null fields", R"({"fields":null,"data":[]})"),
        Bad("no data", R"({"fields":["id"]})"),
        Bad("null data", R"({"fields":["id"],"data":null})"),
        {"fields not an array leave no columns", R"({"fields":"id","data":{"id":"1"}})", 0, datJSONRow, T{{}}},
        {"data object is one row", R"({"fields":["id","title"],"data":{"title":"a","id":2}})", 0, datJSONRow,
         T{{"2", "a"}}},
        {"data number", R"({"fields":["id"],"data":12})", 0, datNull, std::nullopt},
        {"data string", R"({"fields":["id"],"data":"12"})", 0, datNull, std::nullopt},
        {"data false", R"({"fields":["id"],"data":false})", 0, datNull, std::nullopt},
        {"array rows keep their own length", R"({"fields":["id","title","color"],"data":[["1"],["2","b","c","d"],[]]})",
         0, datJSONRows, T{{"1"}, {"2", "b", "c", "d"}, {}}},
        {"object rows: missing and null read empty", R"({"fields":["id","title"],"data":[{"id":"1"},{"id":null,"title":"t"}]})",
         0, datJSONRows, T{{"1", ""}, {"", "t"}}},
        Bad("null cell in an array row", R"({"fields":["id"],"data":[["1",null]]})"),
        Bad("number element", R"({"fields":["id"],"data":[{"id":"1"},5]})"),
        Bad("string element", R"({"fields":["id"],"data":["1"]})"),
        Bad("null element", R"({"fields":["id"],"data":[null]})"),
        {"cells of every JSON kind", R"({"fields":["a","b","c","d","e","f","g","h"],"data":[[9007199254740993,-9223372036854775808,12.5,1e3,true,false,{"x":[1,"я"]},[]]]})",
         0, datJSONRows, T{{"9007199254740993", "-9223372036854775808", "12.5", "1000", "true", "false",
                             u"{\"x\":[1,\"я\"]}"_qs, "[]"}}},
        {"unknown and repeated names", R"({"fields":["id","bogus","id"],"data":[{"id":"7","bogus":"x"}]})", 0,
         datJSONRows, T{{"7", "x", "7"}}},
        {"long names are cut and looked up cut",
         "{\"fields\":[\"" + kLongName + "\"],\"data\":[{\"" + kLongName.left(32) + "\":\"cut\",\"" + kLongName +
             "\":\"full\"}]}",
         0, datJSONRows, T{{"cut"}}},
        {"text after the answer is ignored", R"({"fields":["id"],"data":[["1"]]} <br>Warning: x)", 0, datJSONRows,
         T{{"1"}}},
        {"an open text after the answer", "{\"fields\":[\"id\"],\"data\":[[\"1\"]]}\n\"<b>\xFF", 0, datJSONRows, T{{"1"}}},
        {"a second object after the answer", R"( {"code":3,"fields":[],"data":[]}{"code":0})", 3, datJSONRows, T{}},
        Bad("HTML error page", "<html><body><h1>502 Bad Gateway</h1></body></html>"),
        Bad("top value an array", R"([{"fields":[],"data":[]}])"),
        Bad("truncated", R"({"fields":["id"],"data":[{"id":"1"},{"id":)"),
        Bad("truncated inside a text", "{\"fields\":[\"id\"],\"data\":[[\"a}]}\\\"  "),
        Bad("invalid UTF-8", "{\"fields\":[\"id\"],\"data\":[[\"\xC0\xAF\"]]}"),
        Bad("deep nesting", "{\"fields\":[],\"data\":[[" + QByteArray(5000, '[') + QByteArray(5000, ']') + "]]}"),
        Bad("bare word", "null"),
        {"numbers read as the parser keeps them",
         R"({"code":2.0,"count":1e2,"fields":[],"data":[[1e18,9223372036854775808,-0.0,0.1,1e300,-12]]})", 2,
         datJSONRows, T{{"1000000000000000000", "9223372036854776000", "0", "0.1", "1e+300", "-12"}}},
        Bad("number too small for a double", R"({"fields":[],"data":[[1e-400]]})"),
        {"escapes", R"({"fields":[],"data":[["a\"b\\c\/d\n\u0416\ud83d\ude00\u0000"]]})", 0, datJSONRows,
         T{{u"a\"b\\c/d\nЖ😀"_qs + QChar(0)}}},
        {"lone low surrogate escape", R"({"fields":[],"data":[["\udc00"]]})", 0, datJSONRows, T{{QString(QChar(0xDC00))}}},
        {"object rows in any key order", R"({"fields":["a","b"],"data":[{"a":"1","b":"2"},{"b":"3","a":"4"},{"c":"x","a":"5"},{}]})",
         0, datJSONRows, T{{"1", "2"}, {"4", "3"}, {"5", ""}, {"", ""}}},
        {"a key given twice in a row: the later wins", R"({"fields":["id","t"],"data":[{"id":"1","t":"a","id":"2"},{"t":"b","t":null}]})",
         0, datJSONRows, T{{"2", "a"}, {"", ""}}},
        {"byte-order mark ahead", "\xEF\xBB\xBF{\"fields\":[\"id\"],\"data\":[[\"1\"]]}", 0, datJSONRows, T{{"1"}}},
        // A byte-order mark opening a text is one of its characters, raw or escaped, anywhere.
        {"byte-order marks opening cells",
         "{\"fields\":[\"a\",\"b\"],\"data\":[[\"\xEF\xBB\xBFx\",\"\\ufeffy\",\"\xEF\xBB\xBF\",\"z\xEF\xBB\xBF\"],"
         "{\"a\":\"\xEF\xBB\xBF\xEF\xBB\xBF\",\"b\":[\"\xEF\xBB\xBFw\"]}]}",
         0, datJSONRows,
         T{{u"\uFEFFx"_qs, u"\uFEFFy"_qs, u"\uFEFF"_qs, u"z\uFEFF"_qs}, {u"\uFEFF\uFEFF"_qs, u"[\"\uFEFFw\"]"_qs}}},
        {"byte-order mark opening a name", "{\"fields\":[\"\xEF\xBB\xBFid\",\"id\"],\"data\":{\"id\":\"1\",\"\xEF\xBB\xBFid\":\"2\"}}",
         0, datJSONRow, T{{"2", "1"}}},
        {"nesting as deep as the parser goes",
         "{\"fields\":[],\"data\":[],\"raw\":" + QByteArray(1023, '[') + QByteArray(1023, ']') + "}", 0, datJSONRows, T{}},
        Bad("one level deeper", "{\"fields\":[],\"data\":[],\"raw\":" + QByteArray(1024, '[') + QByteArray(1024, ']') + "}"),
        // Cells and keys met again down the rows are recognised by their JSON text, whatever form
        // an equal value is written in.
        {"values and keys repeated down the rows",
         R"({"fields":["id","t"],"data":[{"id":"1","t":"a\"b"},{"id":"1","t":"a\"b"},{"t":"a\u0022b","id":1},)"
         R"({"i\u0064":1.0,"t":"a\"b"},["1",1,"a\"b"],["1e0",true,"\u0061\"b"]]})",
         0, datJSONRows,
         T{{"1", u"a\"b"_qs}, {"1", u"a\"b"_qs}, {"1", u"a\"b"_qs}, {"1", u"a\"b"_qs}, {"1", "1", u"a\"b"_qs},
           {"1e0", "true", u"a\"b"_qs}}},
        Bad("invalid UTF-8 in an ignored member", "{\"fields\":[],\"data\":[],\"junk\":[\"\xED\xA0\x80\"]}"),
        Bad("invalid UTF-8 in an unknown key", "{\"fields\":[\"a\"],\"data\":[{\"\xFF\":1}]}"),
    };
}

std::string CaseName(const testing::TestParamInfo<EnvelopeCase> &info)
{
    std::string name;
    for (const char *p = info.param.name; *p; ++p)
        name += std::isalnum(uint8_t(*p)) ? *p : '_';
    return name;
}

class Envelope : public testing::TestWithParam<EnvelopeCase> {};

void Check(const EnvelopeCase &c, const TAPIDataAnswer &answer, uint16_t returned, const QString &text)
{
    EXPECT_EQ(returned, answer.Error());
    if (c.unreadable) {
        ExpectCleared(answer);
        EXPECT_EQ(answer.ErrorStr(), text);
        return;
    }
    EXPECT_EQ(answer.Error(), c.code);
    EXPECT_EQ(answer.IsGood(), c.code == 0);
    EXPECT_TRUE(answer.ErrorStr().isEmpty());
    EXPECT_EQ(answer.DataType(), c.type);
    EXPECT_EQ(answer.Data().IsLoaded(), c.rows.has_value());
    EXPECT_EQ(RowsOf(answer), c.rows.value_or(Table{}));
}

// Bytes that are no UTF-8 never reach a text, so the text form takes the other cases only.
class EnvelopeText : public Envelope {};

std::vector<EnvelopeCase> TextEnvelopeCases()
{
    std::vector<EnvelopeCase> cases;
    for (const EnvelopeCase &c : EnvelopeCases())
        if (QString::fromUtf8(c.text).toUtf8() == c.text)
            cases.push_back(c);
    return cases;
}

TEST_P(EnvelopeText, ReadsAsText)
{
    const EnvelopeCase &c = GetParam();
    const QString text = QString::fromUtf8(c.text);
    TAPIDataAnswer answer;
    const uint16_t code = answer.Parse(text);
    Check(c, answer, code, text);
}

TEST_P(Envelope, ReadsAsBytesAlike)
{
    const EnvelopeCase &c = GetParam();
    TAPIDataAnswer answer;
    const uint16_t code = answer.ParseUtf8(c.text);
    Check(c, answer, code, QString::fromUtf8(c.text));
}

// Everything an answer holds, for comparing two readings of one text.
void ExpectSameAnswer(const TAPIDataAnswer &a, const TAPIDataAnswer &b)
{
    EXPECT_EQ(a.Error(), b.Error());
    EXPECT_EQ(a.ErrorStr(), b.ErrorStr());
    EXPECT_EQ(a.DataType(), b.DataType());
    EXPECT_EQ(a.Count(), b.Count());
    EXPECT_EQ(NamesOf(a), NamesOf(b));
    EXPECT_EQ(a.Data().IsLoaded(), b.Data().IsLoaded());
    EXPECT_EQ(RowsOf(a), RowsOf(b));
    EXPECT_EQ(a.Raw(), b.Raw());
    for (int f = 0; f < DataFieldTypeCount; ++f)
        EXPECT_EQ(a.Data().Conv()[TDataFieldType(f)], b.Data().Conv()[TDataFieldType(f)]);
}

// The one-pass reader reads every well-formed answer of the table by itself, exactly as the tree
// reader does, and declines every unreadable one.
TEST_P(Envelope, StreamReaderAgreesWithTheTree)
{
    const EnvelopeCase &c = GetParam();
    TAPIDataAnswer stream;
    TAPIDataAnswer tree;
    stream.ParseUtf8(c.text, TAPIDataAnswer::TReader::Stream);
    tree.ParseUtf8(c.text, TAPIDataAnswer::TReader::Tree);
    ExpectSameAnswer(stream, tree);
}

INSTANTIATE_TEST_SUITE_P(Answers, Envelope, testing::ValuesIn(EnvelopeCases()),
                         CaseName);

INSTANTIATE_TEST_SUITE_P(Answers, EnvelopeText, testing::ValuesIn(TextEnvelopeCases()),
                         CaseName);

// Texts the one-pass reader leaves to the tree reader: JSON the tree reader is lenient about, and
// answers where a member given again replaces the earlier one.
TEST(APIDataAnswer, DeclinedTextsAreReadByTheTree)
{
    struct Case {
        const char *name;
        QByteArray text;
        Table rows;
    };
    const std::vector<Case> cases = {
        {"raw tab in a text", "{\"fields\":[],\"data\":[[\"a\tb\"]]}", {{"a\tb"}}},
        {"number ending in a point", R"({"fields":[],"data":[[1.]]})", {{"1"}}},
        {"unknown escape", R"({"fields":[],"data":[["\x"]]})", {{"x"}}},
        {"lone high surrogate escape", R"({"fields":[],"data":[["\ud800x"]]})", {{QChar(0xD800) + u"x"_qs}}},
        {"unknown escape in an ignored member", R"({"fields":[],"data":[["1"]],"junk":{"k":"\x"}})", {{"1"}}},
        {"raw tab in a key", "{\"fields\":[\"a\"],\"data\":[{\"a\tb\":\"2\",\"a\":\"1\"}]}", {{"1"}}},
        {"data given twice", R"({"fields":[],"data":[["1"]],"data":[["2"]]})", {{"2"}}},
        {"code given twice", R"({"code":"busy","fields":[],"data":[["1"]],"code":0})", {{"1"}}},
        {"object rows ahead of the columns", R"({"data":[{"id":"1"}],"fields":["id"]})", {{"1"}}},
        {"columns given again after the rows", R"({"fields":["x"],"data":{"id":"1"},"fields":["id"]})", {{"1"}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TAPIDataAnswer stream;
        TAPIDataAnswer tree;
        TAPIDataAnswer answer;
        EXPECT_EQ(stream.ParseUtf8(c.text, TAPIDataAnswer::TReader::Stream), 4);
        tree.ParseUtf8(c.text, TAPIDataAnswer::TReader::Tree);
        EXPECT_EQ(answer.ParseUtf8(c.text), 0);
        EXPECT_EQ(RowsOf(answer), c.rows);
        ExpectSameAnswer(answer, tree);
    }
}

TEST(APIDataAnswer, ColumnsCountAndLookupByField)
{
    const TAPIDataAnswer answer(QStringLiteral(
        R"({"code":0,"count":120,"fields":["title","id","nonsense","xdb_title"],
            "data":[["Одесса","15","?","main"],{"id":"16","title":"Львов"}]})"));
    ASSERT_TRUE(answer.IsGood());
    EXPECT_EQ(answer.Count(), 120);
    EXPECT_EQ(NamesOf(answer), QStringList({"title", "id", "nonsense", "xdb_title"}));
    const TAPIDataArray &data = answer.Data();
    ASSERT_EQ(data.RowCount(), 2);
    EXPECT_EQ(data.AsStr(dft_title, 0), u"Одесса"_qs);
    EXPECT_EQ(data.AsInt(dft_id, 1), 16);
    EXPECT_EQ(data.AsStr(dft_xdb_title, 0), "main");
    EXPECT_EQ(data.AsStr(dft_xdb_title, 1), QString()); // the object row had no such key
    EXPECT_EQ(data.Conv()[dft_title], 0);
    EXPECT_EQ(data.Conv()[dft_xdb_title], 3);
}

TEST(APIDataAnswer, RawIsSharedAndOptional)
{
    const TAPIDataAnswer with(QStringLiteral(R"({"fields":[],"data":[],"raw":{"towns":[{"id":1}],"v":"2"}})"));
    ASSERT_TRUE(with.IsGood());
    const QJsonValue copy = with.Raw();
    EXPECT_EQ(copy.toObject().value(u"towns").toArray().at(0).toObject().value(u"id").toInteger(), 1);
    EXPECT_EQ(copy.toObject().value(u"v").toString(), "2");

    const TAPIDataAnswer without(QStringLiteral(R"({"fields":[],"data":[]})"));
    EXPECT_TRUE(without.Raw().isUndefined());
    const TAPIDataAnswer nullRaw(QStringLiteral(R"({"fields":[],"data":[],"raw":null})"));
    EXPECT_TRUE(nullRaw.Raw().isNull());

    // Keys and texts inside it keep a byte-order mark that opens them, whichever reader took it.
    const QByteArray marked = "{\"fields\":[],\"data\":[],\"raw\":{\"\xEF\xBB\xBFk\":[\"\xEF\xBB\xBFv\"]}}";
    for (const auto reader : {TAPIDataAnswer::TReader::Stream, TAPIDataAnswer::TReader::Tree}) {
        TAPIDataAnswer answer;
        ASSERT_EQ(answer.ParseUtf8(marked, reader), 0);
        EXPECT_EQ(answer.Raw().toObject().value(u"\uFEFFk"_qs).toArray().at(0).toString(), u"\uFEFFv"_qs);
    }
}

TEST(APIDataAnswer, ServiceErrorKeepsRowsAndRaw)
{
    const TAPIDataAnswer answer(QStringLiteral(R"({"code":12,"fields":["msg"],"data":{"msg":"нет прав"},"raw":[1]})"));
    EXPECT_EQ(answer.Error(), 12);
    EXPECT_TRUE(answer.ErrorStr().isEmpty());
    EXPECT_EQ(answer.Data().AsStr(dft_msg, 0), u"нет прав"_qs);
    EXPECT_TRUE(answer.Raw().isArray());
}

TEST(APIDataAnswer, ReparsingReplacesOrClearsAndEmptyTextChangesNothing)
{
    const QString good = QStringLiteral(R"({"count":2,"fields":["id"],"data":[["1"],["2"]],"raw":5})");
    const QString bad = QStringLiteral(R"({"fields":["id"],"data":[["1"],7]})");

    TAPIDataAnswer answer(good);
    ASSERT_TRUE(answer.IsGood());
    EXPECT_EQ(answer.Parse(QString()), 4);
    EXPECT_TRUE(answer.IsGood()); // untouched
    EXPECT_EQ(answer.Data().RowCount(), 2);
    EXPECT_EQ(answer.ParseUtf8(QByteArray()), 4);
    EXPECT_TRUE(answer.IsGood());

    EXPECT_EQ(answer.Parse(bad), 4);
    ExpectCleared(answer);
    EXPECT_EQ(answer.ErrorStr(), bad);

    EXPECT_EQ(answer.Parse(good), 0);
    EXPECT_TRUE(answer.ErrorStr().isEmpty());
    EXPECT_EQ(answer.Data().RowCount(), 2);

    // Clear leaves the text of a failure in place.
    answer.Parse(bad);
    answer.Clear();
    EXPECT_EQ(answer.ErrorStr(), bad);
}

TEST(APIDataAnswer, CreatedEmptyAndSuccess)
{
    const TAPIDataAnswer empty;
    ExpectCleared(empty);
    EXPECT_TRUE(empty.ErrorStr().isEmpty());
    const TAPIDataAnswer fromEmpty{QString()};
    ExpectCleared(fromEmpty);

    const auto success = TAPIDataAnswer::CreateSuccess();
    EXPECT_TRUE(success->IsGood());
    EXPECT_EQ(success->DataType(), datNull);
    EXPECT_FALSE(success->Data().IsLoaded());
    EXPECT_TRUE(success->ErrorStr().isEmpty());
}

// The cells of a row share their memory: each must still behave as a text of its own.
TEST(APIDataAnswer, CellsAreIndependentTexts)
{
    auto answer = std::make_unique<TAPIDataAnswer>(
        QStringLiteral(R"({"fields":["id","title","comment"],"data":[["12","Киев","x"],{"id":"13","title":"","comment":"yz"}]})"));
    ASSERT_TRUE(answer->IsGood());
    TAPIDataArray &data = answer->Data();

    QString title = data.GetData(dft_title, 0);
    QString id = data.GetData(dft_id, 0);
    EXPECT_EQ(title.utf16()[title.size()], 0); // terminated like any text
    title += QStringLiteral("-Центр");
    id.replace(0, 1, u'9');
    EXPECT_EQ(data.AsStr(dft_title, 0), u"Киев"_qs);
    EXPECT_EQ(data.AsStr(dft_id, 0), "12");
    EXPECT_EQ(data.AsStr(dft_comment, 0), "x");

    data.SetData(dft_id, 0, QStringLiteral("77"));
    EXPECT_EQ(data.AsStr(dft_id, 0), "77");
    EXPECT_EQ(data.AsStr(dft_title, 0), u"Киев"_qs);

    // A cell kept after the answer is gone, then grown while it is the last one holding the row.
    QString comment = data.GetData(dft_comment, 1);
    QString kept = data.GetData(dft_title, 0);
    answer.reset();
    EXPECT_EQ(kept, u"Киев"_qs);
    kept.clear();
    comment.append(QString(100, u'!'));
    EXPECT_EQ(comment, "yz" + QString(100, u'!'));
    EXPECT_EQ(title, u"Киев-Центр"_qs);
    EXPECT_EQ(id, "92");
}

// Many rows of every shape: the rows come out in answer order whatever the build order.
TEST(APIDataAnswer, ManyRowsKeepTheirOrder)
{
    QByteArray text = R"({"fields":["id","title"],"data":[)";
    for (int i = 0; i < 3000; ++i) {
        if (i)
            text += ',';
        text += i % 2 ? QByteArray(R"({"id":)") + QByteArray::number(i) + R"(,"title":"т)" + QByteArray::number(i) + "\"}"
                      : QByteArray(R"([")") + QByteArray::number(i) + R"(","т)" + QByteArray::number(i) + "\"]";
    }
    text += "]}";
    TAPIDataAnswer answer;
    ASSERT_EQ(answer.ParseUtf8(text), 0);
    ASSERT_EQ(answer.Data().RowCount(), 3000);
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(answer.Data().AsInt(dft_id, i), i);
        ASSERT_EQ(answer.Data().AsStr(dft_title, i), u"т"_qs + QString::number(i));
    }
}

// A large answer in one piece, and the same cut short before its end as a dropped connection
// leaves it.
TEST(APIDataAnswer, LargeAnswerWholeAndCut)
{
    const QByteArray row = R"(["Щит на Крещатике, 12","ул. Шевченко, 101-б","Киев","Печерский","A","Y","3x6",)"
                           R"("billboard","ООО \"Рекламный Мир\"","Смена постера, согласовано","2021-01-12 10:30:00",)";
    QByteArray text = R"({"code":0,"fields":["title","address","town_title","district","side","light","sizes",)"
                      R"("board_format","operator_title","comment","updated","id"],"data":[)";
    constexpr qsizetype Size = qsizetype(200) << 20;
    text.reserve(Size + 4096);
    int rows = 0;
    while (text.size() < Size) {
        if (rows)
            text += ',';
        text += row;
        text += QByteArray::number(rows++);
        text += ']';
    }
    text += "]}";

    TAPIDataAnswer answer;
    ASSERT_EQ(answer.ParseUtf8(text), 0);
    const TAPIDataArray &data = answer.Data();
    ASSERT_EQ(data.RowCount(), rows);
    EXPECT_EQ(data.AsStr(dft_title, 0), u"Щит на Крещатике, 12"_qs);
    EXPECT_EQ(data.AsStr(dft_operator_title, rows / 2), u"ООО \"Рекламный Мир\""_qs);
    EXPECT_EQ(data.AsInt(dft_id, rows - 1), rows - 1);

    text.chop(3);
    EXPECT_EQ(answer.ParseUtf8(text), 4);
    ExpectCleared(answer);
    EXPECT_EQ(answer.ErrorStr().size(), QString::fromUtf8(text).size());
}

} // namespace

// An answer as received reads exactly as its text decoded by the charset its Content-Type names,
// whether or not the bytes could be read where they lie; they are used up either way.
TEST(APIDataAnswer, ReceivedBytesReadAsTheirDecodedText)
{
    const QByteArray good = R"({"code":0,"fields":["title"],"data":[["Щит"]],"raw":{"town":[{"title":"Юг"}]}})";
    const struct {
        QByteArray bytes;
        QByteArray contentType;
    } cases[] = {
        {good, "application/json; charset=utf-8"},
        {good, "application/json; charset=\"UTF8\""},
        {good, "text/html"}, // no charset: byte by byte
        {"\xEF\xBB\xBF" + good, "application/json; charset=utf-8"},
        {QByteArray(good).replace("Юг", "\xFF\xFE"), "application/json; charset=utf-8"}, // not UTF-8
        {"{\"fields\":[\"t\"],\"data\":[[\"\xD9\xE8\xF2\"]]}", "text/plain; charset=windows-1251"},
        {"Fatal error: out of memory", "text/html; charset=utf-8"},
        {"{\"fields\":[\"t\"],\"data\":[[\"x\"]]", "application/json; charset=utf-8"},
        {QByteArray(), "application/json; charset=utf-8"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.bytes.toStdString() + " / " + c.contentType.toStdString());
        const TAPIDataAnswer expected(THTTPSender::DecodeText(c.bytes, c.contentType));
        TAPIDataAnswer answer;
        QByteArray bytes = c.bytes;
        const uint16_t code = answer.ParseReply(std::move(bytes), c.contentType);
        EXPECT_EQ(code, expected.Error());
        ExpectSameAnswer(answer, expected);
        EXPECT_TRUE(bytes.isEmpty());
    }
}
