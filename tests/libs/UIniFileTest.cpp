#include "TestUtil.h"
#include "UCodePage.h"
#include "UException.h"
#include "UIniFile.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <map>

namespace {

using Pairs = std::map<QString, QString>;

Pairs pairsOf(const TKeyValue<QString> &dict)
{
    Pairs r;
    for (const auto &[k, v] : dict)
        r[k] = v;
    return r;
}

struct TextCase {
    const char *name;
    QString text;
    Pairs expected;
};

} // namespace

TEST(UIniFile, LoadFromTextReadsKeysValuesAndSkipsWhatIsNoSetting)
{
    const TextCase cases[] = {
        {"three keys", QStringLiteral("api=server\nId = 17\nxid=abc"),
         {{"API", "server"}, {"ID", "17"}, {"XID", "abc"}}},
        {"short lines", QStringLiteral("a\nab\na=\na =\nb=1"), {{"A", ""}, {"B", "1"}}},
        {"comments, also indented", QStringLiteral("# x=1\n   #y=2\nz=3"), {{"Z", "3"}}},
        {"only comments", QStringLiteral("# one\n# two\r\n"), {}},
        {"split at the first sign", QStringLiteral("url = a=b=c"), {{"URL", "a=b=c"}}},
        {"line without sign", QStringLiteral("no sign here\nk=v"), {{"K", "v"}}},
        {"value case kept, key ASCII upper", QStringLiteral("ключ=Значение\nMiXed=CaSe"),
         {{"ключ", "Значение"}, {"MIXED", "CaSe"}}},
        {"CR LF, CR and LF", QStringLiteral("a1=1\r\na2=2\ra3=3\na4=4\r\n"), {{"A1", "1"}, {"A2", "2"}, {"A3", "3"}, {"A4", "4"}}},
        {"blanks and tabs trimmed", QStringLiteral(" \tkey \t=\t value with blanks \t"), {{"KEY", "value with blanks"}}},
    };
    for (const TextCase &c : cases) {
        SCOPED_TRACE(c.name);
        TKeyValue<QString> dict;
        dict.AddOrSetValue(QStringLiteral("STALE"), QStringLiteral("x"));
        EXPECT_TRUE(TUIniFile::LoadFromText(c.text, dict));
        EXPECT_EQ(pairsOf(dict), c.expected);
    }
}

TEST(UIniFile, EmptyTextGivesFalseAndRepeatedKeyRaises)
{
    TKeyValue<QString> dict;
    dict.AddOrSetValue(QStringLiteral("STALE"), QStringLiteral("x"));
    EXPECT_FALSE(TUIniFile::LoadFromText(QString(), dict));
    EXPECT_EQ(dict.Count(), 0);
    EXPECT_THROW(TUIniFile::LoadFromText(QStringLiteral("Key=1\nkey=2"), dict), EUError);
}

class UIniFileFile : public ::testing::Test {
protected:
    testutil::TempDir dir;
    QString path = dir.file(QStringLiteral("tessaplan.ini"));
    TKeyValue<QString> dict;
};

TEST_F(UIniFileFile, ReadsSingleByteCodePageWithEitherLineEnd)
{
    const QByteArray cyrillic = TUCodePage::FromUnicode(u"Сервер Москва");
    for (const QByteArray &eol : {QByteArray("\r\n"), QByteArray("\n")}) {
        SCOPED_TRACE(eol.size());
        testutil::writeFile(path, "# header" + eol + "API = " + cyrillic + eol + "id=7" + eol);
        ASSERT_TRUE(TUIniFile::LoadFromFile(path, dict));
        EXPECT_EQ(pairsOf(dict), (Pairs{{"API", "Сервер Москва"}, {"ID", "7"}}));
    }
}

TEST_F(UIniFileFile, FailsWithoutAUsableFile)
{
    dict.AddOrSetValue(QStringLiteral("STALE"), QStringLiteral("x"));
    EXPECT_FALSE(TUIniFile::LoadFromFile(QString(), dict));
    EXPECT_FALSE(TUIniFile::LoadFromFile(path, dict)) << "missing";
    EXPECT_EQ(dict.Count(), 0);

    ASSERT_TRUE(QDir().mkdir(path));
    EXPECT_FALSE(TUIniFile::LoadFromFile(path, dict)) << "a folder in its place";
    ASSERT_TRUE(QDir().rmdir(path));

    testutil::writeFile(path, QByteArray());
    EXPECT_TRUE(TUIniFile::LoadFromFile(path, dict)) << "empty file";
    EXPECT_EQ(dict.Count(), 0);
}

TEST_F(UIniFileFile, RepeatedKeyInOtherCaseFailsAndKeepsEarlierPairs)
{
    testutil::writeFile(path, "API=a\r\nID=1\r\nid=2\r\nXID=3\r\n");
    EXPECT_FALSE(TUIniFile::LoadFromFile(path, dict));
    EXPECT_EQ(pairsOf(dict), (Pairs{{"API", "a"}, {"ID", "1"}}));
}

TEST_F(UIniFileFile, UnopenableFileFails)
{
    // A name below a plain file cannot be opened by anybody, root included.
    testutil::writeFile(path, "API=a\r\n");
    EXPECT_FALSE(TUIniFile::LoadFromFile(path + QStringLiteral("/inner.ini"), dict));
}

TEST_F(UIniFileFile, SaveWritesCommentsEmptyLinesPairsAndClosingLine)
{
    TRecs<QString> rows;
    rows.AddOne(QStringLiteral("settings"));
    rows.AddOne(QString());
    rows.AddPair(QStringLiteral("API"), QStringLiteral("host"));
    rows.AddRow(); // no items: skipped
    TRec<QString> *three = rows.AddRow();
    three->AddRange({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    rows.AddPair(QStringLiteral("TITLE"), QStringLiteral("Рекламное агентство"));
    ASSERT_TRUE(TUIniFile::SaveToFile(path, rows));
    EXPECT_EQ(testutil::readFile(path),
              "# settings\r\n\r\nAPI = host\r\nTITLE = " + TUCodePage::FromUnicode(u"Рекламное агентство") + "\r\n\r\n");

    ASSERT_TRUE(TUIniFile::LoadFromFile(path, dict));
    EXPECT_EQ(pairsOf(dict), (Pairs{{"API", "host"}, {"TITLE", "Рекламное агентство"}}));
}

TEST_F(UIniFileFile, SaveIntoMissingFolderRaises)
{
    TRecs<QString> rows;
    rows.AddPair(QStringLiteral("A"), QStringLiteral("1"));
    EXPECT_THROW(TUIniFile::SaveToFile(dir.file(QStringLiteral("no/such/folder.ini")), rows), EUError);
}
