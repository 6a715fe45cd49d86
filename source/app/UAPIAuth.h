#pragma once

#include "UAPITypes.h"
#include "URecs.h"

#include <QString>

// The workstation's credentials at the service: the configured database and client
// identifiers, and what the connect answer says about the organisation's databases.
struct TAPIAuth {
    TUDataKey StartXDB;  // the database as configured
    TUDataKey XDB;       // the database worked with: configured, then as the service names it
    TUDataKey XID;       // the client paired with the database
    TUDataKey MasterXDB; // the organisation's master database
    TUDataKey MasterXID; // the client within the master database
    TUAPIXDBType XDBType = xtNone;

    void Clear();
    bool IsSet() const;
    bool IsMasterSet() const;
    // Working with the master database, or configured for it.
    bool IsMasterConnect() const;
    // The signing key every client program carries and the service knows.
    static QString SecretHash();
    // Signature of a connect request: Encode(XDB + XID + CompID, SecretHash).
    QString GetConnectHash(const QString &CompID) const;
};
