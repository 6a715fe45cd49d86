// The stand-in hosted service as a program, for the demo and for trying a client by hand:
// answers the service's scripts on 127.0.0.1 with the data kept in a folder until stopped.
#include "Serve.h"
#include "StandinService.h"
#include "StandinStore.h"

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
    AddServeOptions(cmd);
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
    return Serve(app, server, cmd, "standin_service", QStringLiteral(" with the data in ") + store.Folder());
}
