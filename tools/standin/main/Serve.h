#pragma once

#include "StandinServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <unistd.h>

// The options every stand-in program takes: the port and the file the chosen port is written to.
inline void AddServeOptions(QCommandLineParser &Cmd)
{
    Cmd.addOption({QStringLiteral("port"), QStringLiteral("Port (0: any free one)."), QStringLiteral("n"), QStringLiteral("0")});
    Cmd.addOption({QStringLiteral("port-file"), QStringLiteral("Write the chosen port here."), QStringLiteral("file")});
}

// Starts Server on the chosen port, tells where it listens, and serves until SIGTERM or SIGINT
// (through a pipe: a signal handler may only write). The program's exit code.
inline int Serve(QCoreApplication &App, TStandinServer &Server, const QCommandLineParser &Cmd, const char *Name,
                 const QString &What = {})
{
    if (!Server.Start(Cmd.value(QStringLiteral("port")).toInt())) {
        std::fprintf(stderr, "%s: cannot listen on 127.0.0.1\n", Name);
        return 1;
    }
    if (Cmd.isSet(QStringLiteral("port-file"))) {
        QFile f(Cmd.value(QStringLiteral("port-file")));
        if (f.open(QIODevice::WriteOnly))
            f.write(QByteArray::number(Server.Port()) + '\n');
    }
    std::printf("%s: serving on %s%s\n", Name, Server.BaseURL().toUtf8().constData(), What.toUtf8().constData());
    std::fflush(stdout);

    static int quitPipe[2];
    if (::pipe(quitPipe) == 0) {
        auto onSignal = [](int) { [[maybe_unused]] auto n = ::write(quitPipe[1], "q", 1); };
        std::signal(SIGTERM, onSignal);
        std::signal(SIGINT, onSignal);
        auto *notifier = new QSocketNotifier(quitPipe[0], QSocketNotifier::Read, &App);
        QObject::connect(notifier, &QSocketNotifier::activated, &App, &QCoreApplication::quit);
    }
    const int rc = App.exec();
    Server.Stop();
    return rc;
}
