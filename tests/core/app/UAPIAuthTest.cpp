#include "TestUtil.h"
#include "UAPIAuth.h"
#include "UEncode.h"

#include <gtest/gtest.h>

TEST(UAPIAuth, IsSetNeedsBothKeys)
{
    const struct {
        const char *name;
        TUDataKey xdb, xid;
        bool set;
    } cases[] = {
        {"both", TUDataKey(17u), TUDataKey(QStringLiteral("abc")), true},
        {"only XDB", TUDataKey(17u), TUDataKey(), false},
        {"only XID", TUDataKey(), TUDataKey(5u), false},
        {"number 0", TUDataKey(0u), TUDataKey(5u), false},
        {"empty text", TUDataKey(QString()), TUDataKey(5u), false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TAPIAuth auth;
        auth.XDB = c.xdb;
        auth.XID = c.xid;
        EXPECT_EQ(auth.IsSet(), c.set);
        auth.Clear();
        EXPECT_FALSE(auth.IsSet());
    }
}

TEST(UAPIAuth, ClearResetsEveryField)
{
    TAPIAuth auth;
    auth.StartXDB = auth.XDB = auth.XID = auth.MasterXDB = auth.MasterXID = TUDataKey(3u);
    auth.XDBType = xtBuying;
    EXPECT_TRUE(auth.IsMasterSet());
    auth.Clear();
    for (const TUDataKey &k : {auth.StartXDB, auth.XDB, auth.XID, auth.MasterXDB, auth.MasterXID})
        EXPECT_TRUE(k.IsClear());
    EXPECT_EQ(auth.XDBType, xtNone);
    EXPECT_FALSE(auth.IsMasterSet());
}

TEST(UAPIAuth, IsMasterConnect)
{
    TAPIAuth auth;
    EXPECT_FALSE(auth.IsMasterConnect()) << "nothing known yet is no master database";
    auth.XDBType = xtMaster;
    EXPECT_TRUE(auth.IsMasterConnect()) << "master type without a master key";
    auth.XDBType = xtOperator;
    auth.StartXDB = TUDataKey(QStringLiteral("base"));
    auth.MasterXDB = TUDataKey(QStringLiteral("base"));
    EXPECT_TRUE(auth.IsMasterConnect()) << "configured for the master database";
    auth.MasterXDB = TUDataKey(QStringLiteral("other"));
    EXPECT_FALSE(auth.IsMasterConnect());
}

TEST(UAPIAuth, ConnectHashSignsTheThreeIdentifiers)
{
    TAPIAuth auth;
    auth.XDB = TUDataKey(17u);
    auth.XID = TUDataKey(QStringLiteral("ABC"));
    EXPECT_EQ(TAPIAuth::SecretHash().size(), 19);
    const QString hash = auth.GetConnectHash(QStringLiteral("C0FFEE11"));
    EXPECT_EQ(hash, QStringLiteral("438d9eca4403eab54e8c5bbc82dd9089")); // over "17abcC0FFEE11"
    EXPECT_EQ(hash, TUEncode::Encode(QStringLiteral("17abcC0FFEE11"), TAPIAuth::SecretHash()));

    TAPIAuth other = auth;
    other.XDB = TUDataKey(18u);
    EXPECT_NE(other.GetConnectHash(QStringLiteral("C0FFEE11")), hash);
    other = auth;
    other.XID = TUDataKey(QStringLiteral("abd"));
    EXPECT_NE(other.GetConnectHash(QStringLiteral("C0FFEE11")), hash);
    EXPECT_NE(auth.GetConnectHash(QStringLiteral("C0FFEE12")), hash);
}
