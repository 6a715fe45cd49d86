// The stand-in server as a program, for the demo: serves a folder on 127.0.0.1 until stopped.
#include "StandinServer.h"
#include "StopOnSignals.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser cmd;
    cmd.setApplicationDescription(QStringLiteral("Stand-in update server (127.0.0.1 only)"));
    cmd.addHelpOption();
    cmd.addOption({QStringLiteral("folder"), QStringLiteral("Folder served under /update/."), QStringLiteral("dir")});
    cmd.addOption({QStringLiteral("port"), QStringLiteral("Port (0: any free one)."), QStringLiteral("n"), QStringLiteral("0")});
    cmd.addOption({QStringLiteral("port-file"), QStringLiteral("Write the chosen port here."), QStringLiteral("file")});
    cmd.process(app);

    TStandinServer server;
    if (cmd.isSet(QStringLiteral("folder")))
        server.ServeFolder(QStringLiteral("update"), cmd.value(QStringLiteral("folder")));
    if (!server.Start(cmd.value(QStringLiteral("port")).toInt())) {
        std::fprintf(stderr, "standin: cannot listen on 127.0.0.1\n");
        return 1;
    }
    if (cmd.isSet(QStringLiteral("port-file"))) {
        QFile f(cmd.value(QStringLiteral("port-file")));
        if (f.open(QIODevice::WriteOnly))
            f.write(QByteArray::number(server.Port()) + '\n');
    }
    std::printf("standin: serving on %s\n", server.BaseURL().toUtf8().constData());
    std::fflush(stdout);

    StopOnSignals(app);
    const int rc = app.exec();
    server.Stop();
    return rc;
}
