#include "UAPIAuth.h"

#include "UEncode.h"

void TAPIAuth::Clear()
{
    StartXDB.Clear();
    XDB.Clear();
    XID.Clear();
    MasterXDB.Clear();
    MasterXID.Clear();
    XDBType = xtNone;
}

bool TAPIAuth::IsSet() const { return XDB.IsSet() && XID.IsSet(); }

bool TAPIAuth::IsMasterSet() const { return MasterXDB.IsSet() && MasterXID.IsSet(); }

bool TAPIAuth::IsMasterConnect() const
{
    // Two cleared keys are equal too, but say nothing about the master database.
    return XDBType == xtMaster || (StartXDB.IsSet() && StartXDB.TheSame(MasterXDB));
}

QString TAPIAuth::SecretHash() { return QStringLiteral("SunRise Harbor!1984"); }

QString TAPIAuth::GetConnectHash(const QString &CompID) const
{
    return TUEncode::Encode(XDB.ToString() + XID.ToString() + CompID, SecretHash());
}
