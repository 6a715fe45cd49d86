// The stand-in hosted service as a program, for the demo and for trying a client by hand:
// answers the service's scripts on 127.0.0.1 with the data kept in a folder until stopped.
#include "StandinServer.h"
#include "StopOnSignals.h"
#include "StandinService.h"
#include "StandinStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser cmd;
    cmd.setApplicationDescription(QStringLiteral("Stand-in hosted service (127.0.0.1 only)"));
    cmd.addHelpOption();
    cmd.addOption({QStringLiteral("data"), QStringLiteral("Folder of the service's data (made and filled on first use)."),
                   QStringLiteral("dir")});
    cmd.addOption({QStringLiteral("seed"), QStringLiteral("Folder the first data are read from."), QStringLiteral("dir"),
                   QStringLiteral(OC_STANDIN_SEED)});
    cmd.addOption({QStringLiteral("port"), QStringLiteral("Port (0: any free one)."), QStringLiteral("n"), QStringLiteral("0")});
    cmd.addOption({QStringLiteral("port-file"), QStringLiteral("Write the chosen port here."), QStringLiteral("file")});
    cmd.process(app);
    if (!cmd.isSet(QStringLiteral("data"))) {
        std::fprintf(stderr, "standin_service: --data DIR is needed\n");
        return 2;
    }

    TStandinStore store(cmd.value(QStringLiteral("data")), cmd.value(QStringLiteral("seed")));
    if (!store.IsOpen()) {
        std::fprintf(stderr, "standin_service: %s\n", store.Error().toUtf8().constData());
        return 1;
    }
    TStandinServer server;
    TStandinService service(server);
    service.UseStore(&store);
    if (!server.Start(cmd.value(QStringLiteral("port")).toInt())) {
        std::fprintf(stderr, "standin_service: cannot listen on 127.0.0.1\n");
        return 1;
    }
    if (cmd.isSet(QStringLiteral("port-file"))) {
        QFile f(cmd.value(QStringLiteral("port-file")));
        if (f.open(QIODevice::WriteOnly))
            f.write(QByteArray::number(server.Port()) + '\n');
    }
    std::printf("standin_service: serving on %s with the data in %s\n", server.BaseURL().toUtf8().constData(),
                store.Folder().toUtf8().constData());
    std::fflush(stdout);

    StopOnSignals(app);
    return app.exec();
}
