#pragma once

#include "HTTPProxy.h"
#include "UAPIAuth.h"
#include "UnitVariables.h"

#include <QString>

#include <memory>

// The application core: settings, credentials and the workstation's working folders. A process
// holds one, in Complex; its destruction empties and removes the per-run temporary folder, and
// what runs that died left in "temp" once it is more than a day old.
class TComplex {
public:
    // The running program's folder becomes the program folder and the current folder.
    TComplex();
    // As if ExeFileName were the running program.
    explicit TComplex(const QString &ExeFileName);
    ~TComplex();
    TComplex(const TComplex &) = delete;
    TComplex &operator=(const TComplex &) = delete;

    TOutdoorVariables &Vars() { return *FVars; }
    const TOutdoorVariables &Vars() const { return *FVars; }
    const TAPIAuth &APIAuth() const { return FAPIAuth; }
    const QString &SIDH() const { return FSIDH; }
    // The service's base address and proxy from the configuration, for the task manager.
    const QString &Host() const { return FHost; }
    const THTTPProxy &Proxy() const { return FProxy; }

    // Credentials cleared and no session.
    void Clear();
    // Vars.Language from the program's interface-language code.
    void InitLanguage();
    // Loads Vars.StartDir + Vars.ConfigFileName: the service address, proxy and credentials.
    // False, with nothing changed, when the file cannot be loaded.
    bool InitVarsFromConfig();
    // Makes "temp" with a per-run folder in it (Vars.TempDir), "cache" and "docs"; false when
    // one of them cannot be made.
    bool InitDirs();

private:
    void Create();

    std::unique_ptr<TOutdoorVariables> FVars;
    TAPIAuth FAPIAuth;
    QString FSIDH;
    // Held here until the task manager takes them over.
    QString FHost;
    THTTPProxy FProxy;
};

// The process's core object; the program that owns it sets it before its body runs.
extern TComplex *Complex;

// The program's interface-language code.
QString InterfaceLanguageCode();
