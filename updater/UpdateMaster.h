#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "UpdateHTTP.h"

class QIODevice;
class TUCurlStop;
struct TUpdateManifest;

enum TUpdateMasterState : quint8 { umsNone, umsDownload, umsExtract, umsClear, umsRun };

struct TUpdateMasterKeys {
    QString LogoURL;
    QString Title;
    QString URL;
    QString WhatsNewURL;
};

using TUpdateMasterUpdate = std::function<void(TUpdateMasterState state, qint32 bytes, qint32 maxbytes)>;
using TUpdateMasterUpdateKeys = std::function<void()>;
using TUpdateKeyLine = std::pair<QString, QString>;

// The update engine: fetches the update descriptor, downloads the listed files into "update/"
// below the program folder (unpacking gzip files), copies them over the program folder, empties
// "update/" and starts the main program. No public operation lets a failure escape, whatever was
// raised (by a callback too): each keeps its message in Error() and returns false. Everything
// runs in the calling thread; progress callbacks let a window stay responsive and call
// Terminate(), which also drops the connection of a transfer in progress.
class TUpdateMaster {
public:
    TUpdateMaster();
    ~TUpdateMaster();
    TUpdateMaster(const TUpdateMaster &) = delete;
    TUpdateMaster &operator=(const TUpdateMaster &) = delete;

    void SetCallback(TUpdateMasterUpdate Callback) { fUpdate = std::move(Callback); }
    void SetOnKeysChange(TUpdateMasterUpdateKeys OnKeysChange) { fUpdateKeys = std::move(OnKeysChange); }

    const QString &ExeName() const { return fExeName; }
    void SetExeName(const QString &Value) { fExeName = Value; }
    const QString &UpdateURL() const { return fUpdateURL; }
    void SetUpdateURL(const QString &Value) { fUpdateURL = Value; }
    const QString &Dir() const { return fDir; }
    void SetDir(const QString &Value) { fDir = Value; }
    const QString &Proxy() const { return fProxy.Host; }
    void SetProxy(const QString &Value) { fProxy.Host = Value; }
    int ProxyPort() const { return fProxy.Port; }
    void SetProxyPort(int Value) { fProxy.Port = Value; }
    // A non-empty user name signs in to the proxy (Basic).
    const QString &ProxyUser() const { return fProxy.UserName; }
    void SetProxyUser(const QString &Value) { fProxy.UserName = Value; }
    const QString &ProxyPassword() const { return fProxy.Password; }
    void SetProxyPassword(const QString &Value) { fProxy.Password = Value; }
    const TUpdateProxy &ProxySettings() const { return fProxy; }
    TUpdateMasterState State() const { return fState; }
    void SetState(TUpdateMasterState Value);
    const QString &Error() const { return fError; }
    const TUpdateMasterKeys &Keys() const { return fKeys; }
    void SetKeys(const TUpdateMasterKeys &Value) { fKeys = Value; }
    bool Terminated() const { return fTerminated; }
    // The update site's Ed25519 public key (32 raw bytes). When set, an update is taken only with
    // a manifest signed by it, published at UpdateURL + ".manifest"; empty: no signature asked.
    const QByteArray &PublicKey() const { return fPublicKey; }
    void SetPublicKey(const QByteArray &Value) { fPublicKey = Value; }
    // Files of the last signed download that the program folder already held and were not fetched.
    int SkippedFiles() const { return fSkipped; }

    bool DownloadUpdate();
    bool DoUpdate();
    // Completes or rolls back a copy that a killed process left half done (see TUpdateApply);
    // the updater runs it first thing at every start. False (with Error) when it could not.
    bool RecoverApply();
    // Whether the copy flushes the new files to the disk before putting them in place.
    void SetDurable(bool Value) { fDurable = Value; }
    void ClearUpdate();
    void RunMainProgram();
    // Safe to call from a progress callback: the running transfer stops and its partial file goes.
    void Terminate();

    // Helpers with no state, public for the updater's tests.
    static QStringList SplitDescriptor(const QString &Text);
    // The descriptor's base URL, key lines and file entries; raises EUError when it is empty or
    // its base URL is.
    static void ParseDescriptor(const QString &Text, QString &BaseURL, std::vector<TUpdateKeyLine> &KeyLines,
                                QStringList &Files);
    static bool IsGZipFile(const QString &Name);
    static QString GetRelativeName(const QString &Base, const QString &FullName);
    static void ForceFileDirs(const QString &RelName, const QString &BaseDir);
    static QStringList GetFileList(const QString &Folder);
    // A descriptor entry may only name a file below the update folder.
    static bool IsSafeRelativeName(const QString &Name);
    // The name under which a descriptor entry lands in the program folder (a ".gz" unpacked).
    static QString LandingName(const QString &Entry);
    // Where the manifest of the last signed download is kept, inside the update folder; a
    // dot-folder, so it is neither copied nor emptied with the update's files.
    static QString StateDirName() { return QStringLiteral(".apply/"); }

private:
    // Runs a public operation so that nothing escapes: whatever it raises becomes Error.
    bool Guarded(const std::function<bool()> &Operation);
    bool DownloadSteps();
    bool CopySteps();
    bool GetUpdateInfo(QString &BaseURL, std::vector<TUpdateKeyLine> &KeyLines, QStringList &Files);
    bool DownloadSigned(const QString &BaseURL, const QStringList &Files);
    bool Refuse(const QString &Message);
    bool LoadStoredManifest(TUpdateManifest &Manifest);
    void ClearStoredManifest();
    // Hashes of program-folder files as the updater last saw them, with the size and the
    // modification time they had then, in "update/.apply/known".
    struct TKnownHash {
        QByteArray Hash;
        qint64 Size = 0;
        qint64 Stamp = 0;
    };
    using TKnownHashes = std::map<QString, TKnownHash>;
    TKnownHashes LoadKnownHashes() const;
    void SaveKnownHashes(const TKnownHashes &Known) const;
    static qint64 FileStamp(const QString &FileName);
    QString StoredManifestName() const { return UpdateDir() + StateDirName() + QStringLiteral("manifest"); }
    void ApplyKeys(const std::vector<TUpdateKeyLine> &KeyLines);
    bool DownloadFile(const QString &URL, const QString &LocalName);
    bool ExtractFile(const QString &FileName);
    QString UpdateDir() const { return fDir + QStringLiteral("update/"); }

    // HTTP GET into `Sink`; returns the status code and reason text, raises EUError on failures
    // of the connection, the transfer or the sink.
    TUpdateHTTPResult HTTPGet(const QString &URL, QIODevice &Sink);
    void HTTPWorkBegin(qint64 Total);
    void HTTPWork(qint64 Count);
    void HTTPWorkEnd();

    TUpdateMasterState fState = umsNone;
    qint32 fTotalBytes = 0;
    TUpdateMasterUpdate fUpdate;
    TUpdateMasterUpdateKeys fUpdateKeys;
    QString fError;
    std::atomic<bool> fTerminated{false};
    std::unique_ptr<TUCurlStop> fStop; // Terminate's drop of the transfer in progress
    QString fUpdateURL;
    QString fExeName;
    QString fDir;
    TUpdateMasterKeys fKeys;
    TUpdateProxy fProxy;
    QByteArray fPublicKey;
    QByteArray fDescriptorBytes; // the descriptor as served, for its signed hash
    int fSkipped = 0;
    bool fDurable = true;
};
