#include "TestUtil.h"
#include "UComputer.h"
#include "UVariables.h"

#include <QDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

TEST(UVariables, ProgramFolderBecomesStartDirAndCurrentFolder)
{
    testutil::TempDir dir;
    const QString saved = QDir::currentPath();
    const TUVariables vars(dir.file(QStringLiteral("deskstart.exe")));
    const QString start = QDir::toNativeSeparators(QDir(dir.path()).absolutePath()) + QDir::separator();
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(dir.path()).canonicalPath());
    QDir::setCurrent(saved);

    EXPECT_EQ(vars.StartDir(), start);
    EXPECT_EQ(vars.MainExeFileName(), QStringLiteral("deskstart.exe"));
    EXPECT_EQ(vars.DefaultTempDir(), start + QStringLiteral("temp") + QDir::separator());
    EXPECT_EQ(vars.TempDir(), vars.DefaultTempDir());
    EXPECT_EQ(vars.TemplateDir(), start + QStringLiteral("template") + QDir::separator());
    EXPECT_EQ(vars.Version(), QStringLiteral("1000"));
    EXPECT_TRUE(vars.ConfirmOnExit());
    EXPECT_TRUE(vars.ConfigFileName().isEmpty());
    EXPECT_TRUE(vars.SecretKey().isEmpty());
    EXPECT_EQ(vars.Language(), lnRU);
    EXPECT_EQ(vars.Country(), clRU);
}

TEST(UVariables, RunningProgramIsFoundWithoutHelp)
{
    const QString saved = QDir::currentPath();
    const TUVariables vars;
    QDir::setCurrent(saved);
    EXPECT_TRUE(vars.MainExeFileName().startsWith(QStringLiteral("test_libs")));
}

TEST(UVariables, VersionBreak)
{
    testutil::TempDir dir;
    const QString saved = QDir::currentPath();
    TUVariables vars(dir.file(QStringLiteral("x.exe")));
    QDir::setCurrent(saved);
    for (const auto &[version, shown] : {std::pair{"4920", "4.9.2.0"}, {"", ""}, {"7", "7"}}) {
        SCOPED_TRACE(version);
        vars.SetVersion(QString::fromLatin1(version));
        EXPECT_EQ(vars.VersionBreak(), QString::fromLatin1(shown));
    }
}

TEST(UVariables, CodeLookupTrimsLowerCasesAndKeepsValueOnFailure)
{
    TLanguage language = lnUA;
    EXPECT_TRUE(LanguageFromCode(QStringLiteral(" EN "), language));
    EXPECT_EQ(language, lnEN);
    EXPECT_FALSE(LanguageFromCode(QStringLiteral("de"), language));
    EXPECT_EQ(language, lnEN);

    TCountry country = clRU;
    EXPECT_TRUE(CountryFromCode(QStringLiteral("By"), country));
    EXPECT_EQ(country, clBY);
    EXPECT_FALSE(CountryFromCode(QString(), country));
    EXPECT_EQ(ToCode(clKZ), QStringLiteral("kz"));
    EXPECT_EQ(ToCode(lnUA), QStringLiteral("ua"));
}

TEST(UComputer, IdentifiersHaveTheirFormsAndNeverFail)
{
    EXPECT_LE(TUComputer::WinComputerName().size(), 15);
    EXPECT_TRUE(TUComputer::HDDVolumeInfo(QString()).isEmpty());
    EXPECT_TRUE(TUComputer::HDDVolumeInfo(QStringLiteral("/no/such/volume/")).isEmpty());
    const QRegularExpression hex8(QStringLiteral("^([0-9A-F]{8})?$"));
    EXPECT_TRUE(hex8.match(TUComputer::HDDVolumeInfo(QDir::rootPath())).hasMatch());
    EXPECT_TRUE(hex8.match(TUComputer::MachineID()).hasMatch());
}
