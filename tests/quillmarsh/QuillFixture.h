#pragma once

#include "SeededFixture.h"
#include "UnitComplex.h"
#include "UnitDocManager.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QWidget>

// The seeded stand-in service with a connected workstation whose core is the process's core
// object, as the main client has it; screens are then driven as a person would.
class QuillFixture : public SeededFixture {
protected:
    void SetUp() override
    {
        SeededFixture::SetUp();
        if (HasFatalFailure())
            return;
        // Short pauses between tracking passes, so that a changed document goes back soon.
        complex->DocManager().TrackingThread().SetSleepTimeMs(50);
        ASSERT_TRUE(complex->Start()) << LogLines().join(QStringLiteral("\n")).toStdString();
        Complex = complex.get();
    }
    void TearDown() override
    {
        Complex = nullptr;
        SeededFixture::TearDown();
    }

    // An account of the service whose role may see clients but change nothing.
    void AddViewer()
    {
        const QJsonObject raw{
            {"role_object", QJsonArray{QJsonObject{{"obj_id", "client"}, {"obj_owner_test", "N"}}}},
            {"role_object_action",
             QJsonArray{QJsonObject{{"obj_id", "client"}, {"action_id", "view"}, {"obj_owner_test", "N"}}}},
        };
        svc.Service->AddUser(QStringLiteral("viewer"), QStringLiteral("viewer"), QStringLiteral("Смотрящий Пётр"),
                             QString(), QStringLiteral("9"), raw);
    }

    // With OC_SHOT_DIR set (under a virtual screen), the widget's picture goes there as Name.
    static void Shot(QWidget &Widget, const QString &Name)
    {
        const QString dir = qEnvironmentVariable("OC_SHOT_DIR");
        if (dir.isEmpty())
            return;
        QDir().mkpath(dir);
        Widget.grab().save(QDir(dir).filePath(Name));
    }
};
