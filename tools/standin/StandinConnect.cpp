// The service's "connect.php": who may connect, and the organisation's settings they get.
#include "StandinService.h"

#include "UEncode.h"

#include <QStringList>

#include <mutex>

namespace {

// The key genuine client programs sign their connect requests with; the service keeps a copy.
const QString kSigningKey = QStringLiteral("SunRise Harbor!1984");

// Versions compare number by number; a missing number counts as 0, and a text that is no
// number at all is older than every version.
int compareVersions(const QString &a, const QString &b)
{
    const QStringList x = a.split(u'.'), y = b.split(u'.');
    for (qsizetype i = 0; i < std::max(x.size(), y.size()); ++i) {
        bool okA = true, okB = true;
        const qlonglong va = i < x.size() ? x[i].trimmed().toLongLong(&okA) : 0;
        const qlonglong vb = i < y.size() ? y[i].trimmed().toLongLong(&okB) : 0;
        if (!okA || !okB)
            return okA - okB;
        if (va != vb)
            return va < vb ? -1 : 1;
    }
    return 0;
}

} // namespace

void TStandinService::AddWorkstation(const QString &XDB, const QString &XID)
{
    std::lock_guard lock(FLock);
    FWorkstations.insert(XDB, XID);
    if (FStore)
        FStore->PutWorkstation(XDB, XID);
}

void TStandinService::UseStore(TStandinStore *Store)
{
    std::lock_guard lock(FLock);
    FStore = Store;
    for (const auto &[xdb, xid] : Store->Workstations())
        FWorkstations.insert(xdb, xid);
    for (const TAccount &a : Store->Accounts())
        FAccounts.insert(a.Login, a);
}

void TStandinService::SetConnectAnswer(const QJsonObject &Settings)
{
    std::lock_guard lock(FLock);
    FConnectSettings = Settings;
}

void TStandinService::SetMinVersion(const QString &Version)
{
    std::lock_guard lock(FLock);
    FMinVersion = Version;
}

void TStandinService::DenyAddress(const QString &Address)
{
    std::lock_guard lock(FLock);
    FDeniedAddresses.append(Address);
}

QByteArray TStandinService::ConnectAnswer(const TStandinRequest &Request) const
{
    const QString xdb = Request.Param(QStringLiteral("xdb"));
    const QString xid = Request.Param(QStringLiteral("xid"));
    const QString compID = Request.Param(QStringLiteral("comp_id"));
    const QByteArray expected = TUEncode::Encode(xdb + xid + compID, kSigningKey).toLatin1();
    const QByteArray hash = Request.Param(QStringLiteral("hash")).toLatin1();
    std::lock_guard lock(FLock);
    const auto known = FWorkstations.constFind(xdb);
    if (xdb.isEmpty() || known == FWorkstations.constEnd() || *known != xid || hash != expected)
        return Envelope(11);
    if (FDeniedAddresses.contains(Request.RemoteAddr))
        return Envelope(14);
    if (!FMinVersion.isEmpty() && compareVersions(Request.Param(QStringLiteral("version")), FMinVersion) < 0)
        return Envelope(15);
    // The database worked with is the one connected to unless the settings name another.
    QJsonObject row = FStore ? FStore->Settings() : FConnectSettings;
    if (!row.contains(QStringLiteral("xdb")))
        row.insert(QStringLiteral("xdb"), xdb);
    return Envelope(0, QJsonArray::fromStringList(row.keys()), row, ReferenceSets());
}
