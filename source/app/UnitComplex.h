#pragma once

#include "HTTPProxy.h"
#include "UAPIAuth.h"
#include "UnitDataCache.h"
#include "UnitDataManager.h"
#include "UnitError.h"
#include "UnitUser.h"
#include "UnitVariables.h"

#include <QString>

#include <memory>

class QObject;
class TAPIDataAnswer;
class TAPIDataArray;
class TDataLoader;
class TDocManager;
class THandOver;

// The application core: settings, credentials, the task manager, the user's session and the
// workstation's working folders. A process holds one, in Complex; its destruction empties and
// removes the per-run temporary folder, and what runs that died left in "temp" once it is more
// than a day old.
//
// Members are made in the order Vars, Data, User, Cache, DocManager, and freed in the order
// DocManager, (per-run temporary folder emptied and removed), Cache, User, Data, Vars: the
// document manager still writes into the temporary folder, and everything below the user
// may still send requests through Data.
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
    TDataManager &Data() { return *FData; }
    const TAPIAuth &APIAuth() const { return FAPIAuth; }
    TOutdoorUser &User() { return *FUser; }
    const TOutdoorUser &User() const { return *FUser; }
    TDataCache &Cache() { return *FCache; }
    const TDataCache &Cache() const { return *FCache; }
    TDocManager &DocManager() { return *FDocManager; }
    const QString &SIDH() const { return FSIDH; }
    const TComplexError &OnError() const { return FOnError; }
    void SetOnError(TComplexError Value) { FOnError = std::move(Value); }
    // The service's base address and proxy from the configuration, as the task manager has them.
    const QString &Host() const { return FData->Host(); }
    const THTTPProxy &Proxy() const { return FData->Proxy(); }

    // Credentials cleared and the session closed.
    void Clear();
    // Vars.Language from the program's interface-language code.
    void InitLanguage();
    // Loads Vars.StartDir + Vars.ConfigFileName: the service address, proxy and credentials.
    // False, with nothing changed, when the file cannot be loaded.
    bool InitVarsFromConfig();
    // Makes "temp" with a per-run folder in it (Vars.TempDir), "cache" and "docs"; false when
    // one of them cannot be made.
    bool InitDirs();

    // Acts on a close reason once for the whole program: a debug-log line, a message unless
    // Task is silent, the set-up program or the updater where that is the remedy, then OnError.
    // True when the reason was handled here; False for ocrNone and ocrAuthUser. Errors of the
    // debug log and of OnError reach the caller. Called from another thread, it runs in the main
    // thread while the caller waits (and does nothing, with False, once the core is going away).
    bool ProcessError(TDataLoader *Task, TOutdoorCloseReason Err);

    // Takes over a successful sign-in answer and the password typed for it: the session
    // identifier, the user's texts, the field layouts, the role's rights and the saved layouts.
    // Raises EUError with an empty message when the answer has no session identifier (nothing
    // is taken over then), and "wrong type data" when its "raw" part is not an object (the
    // identifier and the user's texts are taken over by then). Adds to an earlier session's
    // rights and layouts when that one was not closed. Last, the cache's mail-template fields
    // are rebuilt from the new layouts.
    void UserInit(const TAPIDataAnswer &Answer, const QString &Password);
    // Tells the service that the session ends (a synchronous "disconnect" whose failure is not
    // reported) when one is open, then forgets the user and the session identifier.
    void UserClose();
    bool IsSessionOpen() const { return !FSIDH.isEmpty() && FUser->IsSet(); }
    // A new, not yet started request to "query.php" for Action in the current session; answer
    // codes reach the success handler and are processed by error processing. The caller adds
    // its parameters, runs it and frees it.
    std::unique_ptr<TDataLoader> TaskCreate(const QString &Action) const;

    // Introduces the workstation to the service with a signed, synchronous "connect.php" request
    // and takes over the organisation's settings from its answer; then switches the document
    // tracking on and loads the reference data the answer brought. True when the connection
    // succeeded and the reference data were loaded; failures have been processed and logged.
    bool Start();
    // The help file, opened by the platform.
    void OpenHelp();
    // The help once after an installation: when Vars.RunOnceFile exists, the help opens and the
    // marker goes.
    void OpenHelpIfNeeded();
    // The place on the web map: by its coordinates when they are set, else by the address.
    void OpenMapSet(const TGeoCoord &Coord, const QString &Address);
    // Called when the set of running tasks changes.
    const TNotifyEvent &OnTaskListChange() const { return FData->OnTaskListChange(); }
    void SetOnTaskListChange(TNotifyEvent Value) { FData->SetOnTaskListChange(std::move(Value)); }

private:
    void Create();
    // The task manager's report of every finished task.
    void TaskDone(QObject *Sender);
    bool ProcessErrorInMain(TDataLoader *Task, TOutdoorCloseReason Err);
    // Shows a message for Err unless that reason's message is already on screen.
    void ShowOnce(TOutdoorCloseReason Err, bool Silent, const QString &Msg);
    void LoadObjectFields(const TAPIDataAnswer &Answer);
    void LoadRoleRights(const TAPIDataAnswer &Answer);
    void LoadUserConfig(const TAPIDataAnswer &Answer);
    // The settings row of a connect answer, every setting in its turn.
    void TakeSettings(const TAPIDataArray &Data);

    std::unique_ptr<TOutdoorVariables> FVars;
    std::unique_ptr<TDataManager> FData;
    TAPIAuth FAPIAuth;
    std::unique_ptr<TOutdoorUser> FUser;
    std::unique_ptr<TDataCache> FCache;
    // The document manager follows the cache here.
    QString FSIDH;
    TComplexError FOnError;
    // The reason whose message is on screen (ocrSystem or ocrConnect), ocrNone otherwise: a
    // modal box keeps serving events, so further failures can arrive while it is open.
    TOutdoorCloseReason FLastError = ocrNone;
    // The way of other threads into error processing: FMainThread lives in the thread that
    // made the core.
    std::unique_ptr<QObject> FMainThread;
    std::unique_ptr<THandOver> FHandOver;
    std::unique_ptr<TDocManager> FDocManager;
};

// The process's core object; the program that owns it sets it before its body runs.
extern TComplex *Complex;

// The base address of the service's scripts for the configured address API.
QString ServiceBaseURL(const QString &API);

// The program's interface-language code.
QString InterfaceLanguageCode();
