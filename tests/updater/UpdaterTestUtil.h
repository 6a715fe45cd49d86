#pragma once

#include "StandinServer.h"
#include "TestUtil.h"

#include <QDir>
#include <QStringList>
#include <gtest/gtest.h>

// A stand-in update server serving "site/" under "/u/", and a program folder "prog/" with its
// "update/" folder. A fixture adds routes of its own in Routes(), before the server starts.
class UpdateSiteTest : public ::testing::Test {
protected:
    // Tls: the server answers "https://" with it (not owned, read at construction).
    explicit UpdateSiteTest(const TStandinCertificate *tls = nullptr) : server(tls) {}

    void SetUp() override
    {
        prog = tmp.file(QStringLiteral("prog/"));
        site = tmp.file(QStringLiteral("site/"));
        QDir().mkpath(prog + QStringLiteral("update"));
        QDir().mkpath(site);
        server.ServeFolder(QStringLiteral("u"), site);
        Routes();
        ASSERT_TRUE(server.Start());
    }
    virtual void Routes() {}
    QString siteURL() const { return server.BaseURL() + QStringLiteral("u/"); }

    testutil::TempDir tmp;
    QString prog, site;
    TStandinServer server;
};

#ifdef OC_UPDATE_EXE
// Runs a copy of the update program in `dir` with `args`; returns its exit code.
int runUpdate(const QString &dir, const QStringList &args, QString *output = nullptr);
#endif
