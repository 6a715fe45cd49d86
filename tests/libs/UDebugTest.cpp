#include "TestUtil.h"
#include "UCodePage.h"
#include "UDebug.h"
#include "UException.h"

#include <QDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

class UDebugLog : public ::testing::Test {
protected:
    void SetUp() override { TUDebug::SetLogFile(dir.file(QStringLiteral("debug.log"))); }
    void TearDown() override { TUDebug::SetLogFile(saved); }

    testutil::TempDir dir;
    QString saved = TUDebug::LogFile();
};

TEST(UDebug, LogFileIsFixedInTheFolderCurrentAtLoad)
{
    EXPECT_TRUE(TUDebug::LogFile().endsWith(QStringLiteral("/debug.log")));
    EXPECT_TRUE(QFileInfo(TUDebug::LogFile()).isAbsolute());
}

TEST_F(UDebugLog, AppendsStampedLinesInCallOrder)
{
    TUDebug::Log(QStringLiteral("first"));
    TUDebug::Log(QStringLiteral("второе"));
    const QString text = TUCodePage::ToUnicode(testutil::readFile(TUDebug::LogFile()));
    const QRegularExpression form(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d: first\r\n"
                                                 "\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d: второе\r\n$"));
    EXPECT_TRUE(form.match(text).hasMatch()) << text.toStdString();
}

TEST_F(UDebugLog, UnwritableLogRaises)
{
    TUDebug::SetLogFile(dir.file(QStringLiteral("missing/debug.log")));
    EXPECT_THROW(TUDebug::Log(QStringLiteral("x")), EUError);
}
