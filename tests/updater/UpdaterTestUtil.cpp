#include "UpdaterTestUtil.h"

#include <QFile>
#include <QProcess>

#ifdef OC_UPDATE_EXE
int runUpdate(const QString &dir, const QStringList &args, QString *output)
{
    const QString exe = dir + QStringLiteral("update.exe");
    if (!QFile::exists(exe)) {
        if (!QFile::copy(QStringLiteral(OC_UPDATE_EXE), exe))
            return -100;
        QFile::setPermissions(exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(exe, args);
    if (!p.waitForStarted(10000)) {
        ADD_FAILURE() << p.errorString().toStdString();
        return -300;
    }
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return -200;
    }
    if (output)
        *output = QString::fromUtf8(p.readAll());
    return p.exitCode();
}
#endif
