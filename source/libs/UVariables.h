#pragma once

#include "UConv.h"
#include "URecs.h"

#include <QString>

#include <cstdint>

enum TCountry : uint8_t { clRU, clUA, clEN, clKZ, clBY };

// Text codes "ru", "ua", "en" and "ru", "ua", "en", "kz", "by".
QString ToCode(TLanguage value);
QString ToCode(TCountry value);
// The code is trimmed and lower-cased; false (and Value unchanged) when it names no value.
bool LanguageFromCode(const QString &Code, TLanguage &Value);
bool CountryFromCode(const QString &Code, TCountry &Value);

// The general variables of a program: its folder, version, working folders, signing key,
// language and country. Folder names end with the platform's separator.
class TUVariables {
public:
    // The running program's file; makes its folder the process's current folder.
    TUVariables();
    // As if ExeFileName were the running program (programs started from elsewhere, tests).
    explicit TUVariables(const QString &ExeFileName);
    virtual ~TUVariables() = default;
    TUVariables(const TUVariables &) = delete;
    TUVariables &operator=(const TUVariables &) = delete;

    bool ConfirmOnExit() const { return FConfirmOnExit; }
    void SetConfirmOnExit(bool Value) { FConfirmOnExit = Value; }
    const QString &DefaultTempDir() const { return FDefaultTempDir; }
    const QString &TempDir() const { return FTempDir; }
    void SetTempDir(const QString &Value) { FTempDir = Value; }
    const QString &TemplateDir() const { return FTemplateDir; }
    const QString &ComplexTitle() const { return FComplexTitle; }
    void SetComplexTitle(const QString &Value) { FComplexTitle = Value; }
    const QString &MainExeFileName() const { return FMainExeFileName; }
    const QString &StartDir() const { return FStartDir; }
    const QString &Version() const { return FVersion; }
    void SetVersion(const QString &Value) { FVersion = Value; }
    const QString &ConfigFileName() const { return FConfigFileName; }
    void SetConfigFileName(const QString &Value) { FConfigFileName = Value; }
    const QString &SecretKey() const { return FSecretKey; }
    void SetSecretKey(const QString &Value) { FSecretKey = Value; }
    TLanguage Language() const { return FLanguage; }
    void SetLanguage(TLanguage Value) { FLanguage = Value; }
    TCountry CountryLocale() const { return FCountryLocale; }
    void SetCountryLocale(TCountry Value) { FCountryLocale = Value; }
    TCountry Country() const { return FCountry; }
    void SetCountry(TCountry Value) { FCountry = Value; }

    bool ConfigFileLoad(const QString &FileName, TKeyValue<QString> &Dict) const;
    bool ConfigTextLoad(const QString &Lines, TKeyValue<QString> &Dict) const;
    bool ConfigFileWrite(const QString &FileName, const TRecs<QString> &Data) const;
    // "4920" -> "4.9.2.0".
    QString VersionBreak() const;

    // The running program's file with its folder.
    static QString RunningExeFile();

private:
    bool FConfirmOnExit = true;
    QString FDefaultTempDir;
    QString FTempDir;
    QString FTemplateDir;
    QString FComplexTitle;
    QString FMainExeFileName;
    QString FStartDir;
    QString FVersion = QStringLiteral("1000");
    QString FConfigFileName;
    QString FSecretKey;
    TLanguage FLanguage = lnRU;
    TCountry FCountryLocale = clRU;
    TCountry FCountry = clRU;
};
