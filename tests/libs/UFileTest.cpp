#include "TestUtil.h"
#include "UException.h"
#include "UFile.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using testutil::TempDir;

TEST(UFile, ClearDirEmptiesTheFolderButNeverFollowsLinks)
{
    TempDir root, outside;
    testutil::writeFile(outside.file("keep/precious.txt"), "keep");
    testutil::writeFile(outside.file("target.txt"), "keep");

    for (const QString &suffix : {QStringLiteral("/"), QString()}) {
        SCOPED_TRACE(suffix.isEmpty() ? "without a trailing separator" : "with a trailing separator");
        const QString dir = root.file("work");
        testutil::writeFile(dir + "/a.txt", "a");
        testutil::writeFile(dir + "/.hidden", "h");
        testutil::writeFile(dir + "/sub/deeper/b.txt", "b");
        testutil::writeFile(dir + "/.dotdir/c.txt", "c");
        ASSERT_TRUE(QFile::link(outside.file("keep"), dir + "/sub/folderlink"));
        ASSERT_TRUE(QFile::link(outside.file("target.txt"), dir + "/filelink"));
        ASSERT_TRUE(QFile::link(outside.file("nothing"), dir + "/dangling"));

        TUFile::ClearDir(dir + suffix);

        EXPECT_EQ(QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                  QStringList{".dotdir"});
        EXPECT_TRUE(QFile::exists(dir + "/.dotdir/c.txt"));
        EXPECT_EQ(testutil::readFile(outside.file("keep/precious.txt")), "keep");
        EXPECT_EQ(testutil::readFile(outside.file("target.txt")), "keep");
        QDir(dir).removeRecursively();
    }
}

TEST(UFile, FileInfoAndSize)
{
    TempDir dir;
    testutil::writeFile(dir.file("one.dat"), QByteArray(1234, 'x'));
    QDir().mkpath(dir.file("folder"));

    QFileInfo info;
    ASSERT_TRUE(TUFile::FileInfo(dir.file("one.dat"), info));
    EXPECT_EQ(info.fileName(), "one.dat");
    EXPECT_EQ(TUFile::FileSize(dir.file("one.dat")), 1234);
    ASSERT_TRUE(TUFile::FileInfo(dir.file("*.dat"), info));
    EXPECT_EQ(info.fileName(), "one.dat");
    EXPECT_TRUE(TUFile::FileInfo(dir.file("folder"), info));
    EXPECT_EQ(TUFile::FileSize(dir.file("folder")), 0);

    EXPECT_FALSE(TUFile::FileInfo(dir.file("missing"), info));
    EXPECT_FALSE(TUFile::FileInfo(dir.file("*.none"), info));
    EXPECT_EQ(TUFile::FileSize(dir.file("missing")), 0);
}

TEST(UFile, ReadAllFile)
{
    TempDir dir;
    const struct {
        const char *what;
        QByteArray bytes;
        QString plain, withEnters;
    } cases[] = {
        {"LF", "one\ntwo\n", "onetwo", "one\n\rtwo\n\r"},
        {"CR LF, no final break", "one\r\ntwo", "onetwo", "one\n\rtwo\n\r"},
        {"empty line", "a\n\nb\r\n", "ab", "a\n\r\n\rb\n\r"},
        {"code page", "\xcf\xf0\xe8\xe2\xe5\xf2\r\n", QStringLiteral("Привет"), QStringLiteral("Привет\n\r")},
        {"empty file", "", "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        testutil::writeFile(dir.file("f.txt"), c.bytes);
        EXPECT_EQ(TUFile::ReadAllFile(dir.file("f.txt"), false), c.plain);
        EXPECT_EQ(TUFile::ReadAllFile(dir.file("f.txt"), true), c.withEnters);
    }
    EXPECT_EQ(TUFile::ReadAllFile(dir.file("missing.txt"), true), QString());
}

TEST(UFile, NameHelpers)
{
    const struct {
        QString in, out;
    } simple[] = {
        {"/tmp/x/archive.tar.gz", "archive.tar"},
        {"C:\\prog\\update.exe", "update"},
        {"noext", "noext"},
        {"dir.d/noext", "noext"},
    };
    for (const auto &c : simple)
        EXPECT_EQ(TUFile::ExtractSimpleFileName(c.in), c.out) << c.in.toStdString();

    EXPECT_EQ(TUFile::FileNamePrepare(" my/file name "), "myfile_name");
    EXPECT_EQ(TUFile::FileNamePrepare("a\\b+=?*&^%$#\"'!~|:;<>c.txt"), "abc.txt");
    EXPECT_EQ(TUFile::FileNamePrepare(QStringLiteral("Отчёт за май")), QStringLiteral("Отчёт_за_май"));

    const QString sep = QDir::separator();
    EXPECT_EQ(TUFile::PathPrepare(" c:/docs\\a?b* c "), "c" + sep + "docs" + sep + "ab c");
}

TEST(UFile, LogAppendsCodePageLinesWithCrLf)
{
    TempDir dir;
    const QString log = dir.file("debug.log");
    TUFile::Log(QStringLiteral("первая"), log);
    TUFile::Log("second", log);
    EXPECT_EQ(testutil::readFile(log), QByteArray("\xef\xe5\xf0\xe2\xe0\xff\r\nsecond\r\n"));
    EXPECT_THROW(TUFile::Log("x", dir.file("no/such/folder/debug.log")), EUError);
}
