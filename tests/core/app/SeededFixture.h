#pragma once

#include "ComplexFixture.h"
#include "StandinService.h"
#include "StandinStore.h"

#include <QString>

// A core object of a workstation set up for the stand-in service, which serves its first data
// (the seed) from a store in a temporary folder.
class SeededFixture : public ComplexFixture {
protected:
    void SetUp() override
    {
        ComplexFixture::SetUp();
        svc.Service->UseStore(&store);
        complex->Vars().SetConfigFileName(QStringLiteral("tessaplan.ini"));
        testutil::writeFile(dir.file(QStringLiteral("tessaplan.ini")), "API=server\r\nID=17\r\nXID=demo\r\n");
        ASSERT_TRUE(complex->InitVarsFromConfig());
        complex->Data().SetHost(svc.Server.BaseURL());
        ASSERT_TRUE(complex->InitDirs());
    }

    // Signs Login in through the service's sign-in request; true when a session is open.
    bool SignIn(const QString &Login, const QString &Password)
    {
        auto login = complex->TaskCreate(QStringLiteral("login"));
        login->ParamAdd(QStringLiteral("login"), Login);
        login->ParamAdd(QStringLiteral("password"), Password);
        if (!complex->Data().TaskRun(login.get()) || !login->Answer() || login->Answer()->Error() != 0)
            return false;
        complex->UserInit(*login->Answer(), Password);
        return complex->IsSessionOpen();
    }

    testutil::TempDir data;
    TStandinStore store{data.path(), QStringLiteral(OC_STANDIN_SEED)};
};
