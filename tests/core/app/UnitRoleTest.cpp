#include "UnitRole.h"
#include "UnitUser.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

TEST(UnitRole, CreatedClearedForbidsEverythingWithoutOwnerTests)
{
    const auto role = std::make_unique<TOutdoorRole>();
    EXPECT_FALSE(role->IsSet());
    for (int o = 0; o < DataObjectTypeCount; ++o) {
        const auto obj = TDataObjectType(o);
        EXPECT_FALSE(role->GetObjectAllow(obj));
        EXPECT_TRUE(role->GetObjectOwnerAllow(obj));
        for (int a = 0; a < DataObjectActionTypeCount; ++a) {
            EXPECT_FALSE(role->GetObjectActionAllow(obj, TDataObjectActionType(a)));
            EXPECT_TRUE(role->GetObjectActionOwnerAllow(obj, TDataObjectActionType(a)));
        }
        for (int f = 0; f < DataFieldTypeCount; ++f) {
            EXPECT_FALSE(role->GetObjectFieldDisallow(obj, TDataFieldType(f)));
            EXPECT_FALSE(role->GetObjectExportFieldDisallow(obj, TDataFieldType(f)));
        }
    }
}

TEST(UnitRole, SettersWriteOneEntryAndIgnoreNullMembers)
{
    using TSet = std::function<void(TOutdoorRole &)>;
    using TGet = std::function<bool(const TOutdoorRole &)>;
    const struct {
        const char *name;
        TSet set;        // writes the entry named
        TSet setNull;    // the same with a null member
        TGet get;
        bool written;    // the value the entry gets
    } cases[] = {
        {"object", [](TOutdoorRole &r) { r.SetObjectAllow(dot_board, true); },
         [](TOutdoorRole &r) { r.SetObjectAllow(dot_null, true); },
         [](const TOutdoorRole &r) { return r.GetObjectAllow(dot_board); }, true},
        {"object owner", [](TOutdoorRole &r) { r.SetObjectOwnerAllow(dot_board, false); },
         [](TOutdoorRole &r) { r.SetObjectOwnerAllow(dot_null, false); },
         [](const TOutdoorRole &r) { return r.GetObjectOwnerAllow(dot_board); }, false},
        {"action", [](TOutdoorRole &r) { r.SetObjectActionAllow(dot_sale, doat_edit, true); },
         [](TOutdoorRole &r) {
             r.SetObjectActionAllow(dot_sale, doat_null, true);
             r.SetObjectActionAllow(dot_null, doat_edit, true);
         },
         [](const TOutdoorRole &r) { return r.GetObjectActionAllow(dot_sale, doat_edit); }, true},
        {"action owner", [](TOutdoorRole &r) { r.SetObjectActionOwnerAllow(dot_sale, doat_edit, false); },
         [](TOutdoorRole &r) {
             r.SetObjectActionOwnerAllow(dot_sale, doat_null, false);
             r.SetObjectActionOwnerAllow(dot_null, doat_edit, false);
         },
         [](const TOutdoorRole &r) { return r.GetObjectActionOwnerAllow(dot_sale, doat_edit); }, false},
        {"field", [](TOutdoorRole &r) { r.SetObjectFieldDisallow(dot_client, dft_shop_atb, true); },
         [](TOutdoorRole &r) {
             r.SetObjectFieldDisallow(dot_client, dft_null, true);
             r.SetObjectFieldDisallow(dot_null, dft_shop_atb, true);
         },
         [](const TOutdoorRole &r) { return r.GetObjectFieldDisallow(dot_client, dft_shop_atb); }, true},
        {"export field", [](TOutdoorRole &r) { r.SetObjectExportFieldDisallow(dot_proposal, dft_id, true); },
         [](TOutdoorRole &r) {
             r.SetObjectExportFieldDisallow(dot_proposal, dft_null, true);
             r.SetObjectExportFieldDisallow(dot_null, dft_id, true);
         },
         [](const TOutdoorRole &r) { return r.GetObjectExportFieldDisallow(dot_proposal, dft_id); }, true},
    };
    const auto cleared = std::make_unique<TOutdoorRole>();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        auto role = std::make_unique<TOutdoorRole>();
        c.setNull(*role);
        EXPECT_EQ(*role, *cleared) << "a null member writes nothing";
        c.set(*role);
        EXPECT_EQ(c.get(*role), c.written);
        EXPECT_FALSE(*role == *cleared);
        role->Clear();
        EXPECT_EQ(*role, *cleared);
    }
}

TEST(UnitRole, OutOfRangeMembersReadClearedAndWriteNothing)
{
    auto role = std::make_unique<TOutdoorRole>();
    const auto badObj = TDataObjectType(DataObjectTypeCount);
    const auto badAct = TDataObjectActionType(DataObjectActionTypeCount);
    const auto badField = TDataFieldType(DataFieldTypeCount);
    role->SetObjectAllow(badObj, true);
    role->SetObjectActionAllow(dot_board, badAct, true);
    role->SetObjectFieldDisallow(dot_board, badField, true);
    EXPECT_EQ(*role, TOutdoorRole());
    EXPECT_FALSE(role->GetObjectAllow(badObj));
    EXPECT_TRUE(role->GetObjectActionOwnerAllow(dot_board, badAct));
    EXPECT_FALSE(role->GetObjectExportFieldDisallow(badObj, dft_id));
}

TEST(UnitUser, ClearKeepsThePasswordAndEmptiesTheRest)
{
    TOutdoorUser user;
    EXPECT_FALSE(user.IsSet());
    user.SetLogin(QStringLiteral("ivan"));
    EXPECT_FALSE(user.IsSet()) << "no role yet";
    user.Role().SetID(QStringLiteral("manager"));
    EXPECT_TRUE(user.IsSet());
    user.SetPassword(QStringLiteral("secret"));
    user.SetName(QStringLiteral("Иван"));
    user.SetEmail(QStringLiteral("ivan@example.org"));
    user.Role().SetObjectAllow(dot_board, true);
    user.GetObjectConfig(dot_board).AddField(dft_title, TDataFieldConfig{QStringLiteral("Title"), 80, true});
    user.GetObjectConfigCustom(dot_sale).AddDynField(dft_state_1, TDataFieldConfig());
    EXPECT_FALSE(user.GetObjectConfig(dot_sale).IsSet()) << "one layout per kind";

    user.Clear();
    EXPECT_FALSE(user.IsSet());
    EXPECT_TRUE(user.Login().isEmpty());
    EXPECT_TRUE(user.Name().isEmpty());
    EXPECT_TRUE(user.Email().isEmpty());
    EXPECT_EQ(user.Password(), QStringLiteral("secret"));
    EXPECT_EQ(user.Role(), TOutdoorRole());
    EXPECT_FALSE(user.GetObjectConfig(dot_board).IsSet());
    EXPECT_EQ(user.GetObjectConfig(dot_board).GetData(dft_title), TDataFieldConfig());
    EXPECT_FALSE(user.GetObjectConfigCustom(dot_sale).IsDynSet());
}
