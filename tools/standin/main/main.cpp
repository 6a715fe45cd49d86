// The stand-in server as a program, for the demo: serves a folder on 127.0.0.1 until stopped.
#include "Serve.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser cmd;
    cmd.setApplicationDescription(QStringLiteral("Stand-in update server (127.0.0.1 only)"));
    cmd.addHelpOption();
    cmd.addOption({QStringLiteral("folder"), QStringLiteral("Folder served under /update/."), QStringLiteral("dir")});
    AddServeOptions(cmd);
    cmd.process(app);

    TStandinServer server;
    if (cmd.isSet(QStringLiteral("folder")))
        server.ServeFolder(QStringLiteral("update"), cmd.value(QStringLiteral("folder")));
    return Serve(app, server, cmd, "standin");
}
