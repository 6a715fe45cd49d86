#pragma once

#include "UAPIIndex.h"
#include "UnitRole.h"

#include <QString>

#include <array>
#include <memory>

// The signed-in user: his texts, his role's rights, and per object kind the service's column
// layout and his own saved one. The role and the 63 + 63 layouts live as long as the user.
class TOutdoorUser {
public:
    TOutdoorUser();
    ~TOutdoorUser();
    TOutdoorUser(const TOutdoorUser &) = delete;
    TOutdoorUser &operator=(const TOutdoorUser &) = delete;

    const QString &Login() const { return FLogin; }
    void SetLogin(const QString &Value) { FLogin = Value; }
    const QString &Password() const { return FPassword; }
    void SetPassword(const QString &Value) { FPassword = Value; }
    const QString &Name() const { return FName; }
    void SetName(const QString &Value) { FName = Value; }
    const QString &Email() const { return FEmail; }
    void SetEmail(const QString &Value) { FEmail = Value; }
    TOutdoorRole &Role() { return *FRole; }
    const TOutdoorRole &Role() const { return *FRole; }

    // Login, name, mail and the rights and layouts go; the password typed last stays.
    void Clear();
    bool IsSet() const { return !FLogin.isEmpty() && FRole->IsSet(); }

    // The layouts of a kind; a kind out of range gets dot_null's.
    TDataObjectFieldConfig &GetObjectConfig(TDataObjectType IObj);
    const TDataObjectFieldConfig &GetObjectConfig(TDataObjectType IObj) const;
    TDataObjectFieldConfig &GetObjectConfigCustom(TDataObjectType IObj);
    const TDataObjectFieldConfig &GetObjectConfigCustom(TDataObjectType IObj) const;

private:
    using TConfigs = std::array<std::unique_ptr<TDataObjectFieldConfig>, DataObjectTypeCount>;

    QString FLogin;
    QString FPassword;
    QString FName;
    std::unique_ptr<TOutdoorRole> FRole;
    QString FEmail;
    TConfigs FObjectConfig;
    TConfigs FObjectConfigCustom;
};
