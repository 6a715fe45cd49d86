#include "UnitComplex.h"

#include "UConv.h"
#include "UFile.h"
#include "UHandOver.h"
#include "UnitDocManager.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QObject>

#include <algorithm>

TComplex *Complex = nullptr;

QString InterfaceLanguageCode() { return QStringLiteral("ru"); }

namespace {

// Made here, or by another instance starting at the same moment: either way it is there.
bool dirExistsOrMade(const QString &dir) { return QDir().mkdir(dir) || QFileInfo(dir).isDir(); }

// The last change anywhere in an entry of "temp": a live run keeps touching its folder's files.
QDateTime lastChange(const QFileInfo &entry)
{
    QDateTime last = entry.lastModified();
    if (entry.isDir() && !entry.isSymLink()) {
        QDirIterator it(entry.absoluteFilePath(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            last = std::max(last, it.fileInfo().lastModified());
        }
    }
    return last;
}

// What runs that died left in "temp" goes once nothing in it has changed for a day; the folders
// of runs still going stay.
void removeStaleRuns(const QString &temp, const QString &own)
{
    const QDateTime dayAgo = QDateTime::currentDateTime().addDays(-1);
    const QFileInfoList entries =
        QDir(temp).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo &entry : entries) {
        if (QDir::cleanPath(entry.absoluteFilePath()) == QDir::cleanPath(own) || lastChange(entry) >= dayAgo)
            continue;
        if (entry.isDir() && !entry.isSymLink()) {
            TUFile::ClearDir(entry.absoluteFilePath());
            QDir().rmdir(entry.absoluteFilePath());
        } else {
            QFile::remove(entry.absoluteFilePath());
        }
    }
}

} // namespace

TComplex::TComplex() : FVars(std::make_unique<TOutdoorVariables>()) { Create(); }

TComplex::TComplex(const QString &ExeFileName) : FVars(std::make_unique<TOutdoorVariables>(ExeFileName)) { Create(); }

void TComplex::Create()
{
    // The unique folder names draw from QRandomGenerator::global(), which seeds itself.
    FMainThread = std::make_unique<QObject>();
    FHandOver = std::make_unique<THandOver>(FMainThread.get());
    FData = std::make_unique<TDataManager>();
    FData->SetCallback([this](QObject *Sender) { TaskDone(Sender); });
    FUser = std::make_unique<TOutdoorUser>();
    FCache = std::make_unique<TDataCache>(this);
    Clear();
    FVars->SetSecretKey(TAPIAuth::SecretHash());
    FDocManager = std::make_unique<TDocManager>(*this);
    FDocManager->SetIniFile(FVars->DocManagerIniFile());
    FDocManager->SetCachePath(FVars->CacheDocDir());
}

TComplex::~TComplex()
{
    // Reports still waiting in other threads are let go unprocessed: the thread they wait for
    // may be about to join theirs.
    FHandOver->Close();
    // The document manager goes first, before its temporary files; its last uploads are no
    // longer processed as errors.
    FDocManager.reset();
    // Only this run's own folder: other instances may be running with theirs in "temp". Before
    // InitDirs made it there is none.
    const QString temp = FVars->DefaultTempDir();
    if (FVars->TempDir() != temp) {
        TUFile::ClearDir(FVars->TempDir());
        QDir().rmdir(FVars->TempDir());
    }
    if (QFileInfo(temp).isDir())
        removeStaleRuns(temp, FVars->TempDir());
    // The cache goes before the user; a reload it still runs is stopped. No request is sent
    // from here on: an open session is left to expire.
    FCache.reset();
    FUser.reset();
    FData.reset();
}

void TComplex::Clear()
{
    FAPIAuth.Clear();
    UserClose();
}

void TComplex::InitLanguage()
{
    TLanguage language = lnRU;
    LanguageFromCode(InterfaceLanguageCode(), language);
    FVars->SetLanguage(language);
}

QString ServiceBaseURL(const QString &API)
{
    // An address that names its scheme keeps it ("https://" checks the certificate); any other
    // is reached over plain HTTP. One "/" closes it, whether or not the setting had one.
    QString url = API.trimmed();
    if (!url.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive)
        && !url.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive))
        url.prepend(QStringLiteral("http://"));
    if (!url.endsWith(u'/'))
        url += u'/';
    return url;
}

bool TComplex::InitVarsFromConfig()
{
    TKeyValue<QString> dict;
    if (!FVars->ConfigFileLoad(FVars->StartDir() + FVars->ConfigFileName(), dict))
        return false;
    FData->SetHost(ServiceBaseURL(dict.GetKeyValue(QStringLiteral("API"))));

    FAPIAuth.XID = TUDataKey(dict.GetKeyValue(QStringLiteral("XID")));
    FAPIAuth.XDB = TUDataKey(dict.GetKeyValue(QStringLiteral("ID")));
    FAPIAuth.StartXDB = FAPIAuth.XDB;

    THTTPProxy proxy;
    proxy.Host = dict.GetKeyValue(QStringLiteral("PROXYHOST"));
    bool ok = false;
    const int port = dict.GetKeyValue(QStringLiteral("PROXYPORT")).toInt(&ok);
    // A port outside 16 bits is no port at all rather than a different one.
    proxy.Port = ok && port >= 0 && port <= 65535 ? uint16_t(port) : uint16_t(80);
    proxy.UserName = dict.GetKeyValue(QStringLiteral("PROXYUSER"));
    proxy.Password = dict.GetKeyValue(QStringLiteral("PROXYPASSWORD"));
    proxy.Auth = !proxy.UserName.isEmpty();
    FData->SetProxy(proxy);
    return true;
}

bool TComplex::InitDirs()
{
    const QString temp = FVars->DefaultTempDir();
    if (!dirExistsOrMade(temp))
        return false;
    // Programs started in the same millisecond may draw the same name: another name then.
    constexpr int attempts = 50;
    for (int i = 0;; ++i) {
        const QString run = temp + TUConv::GenerateUniqueID() + QDir::separator();
        if (QDir().mkdir(run)) {
            FVars->SetTempDir(run);
            break;
        }
        if (i + 1 == attempts || !QFileInfo::exists(run))
            return false;
    }
    const bool made = dirExistsOrMade(FVars->CacheDir()) && dirExistsOrMade(FVars->CacheDocDir());
    FData->SetTempDir(FVars->TempDir());
    return made;
}
