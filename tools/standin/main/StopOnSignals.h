#pragma once

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <unistd.h>

// Ends App's event loop on SIGTERM or SIGINT (through a pipe: a signal handler may only write).
inline void StopOnSignals(QCoreApplication &App)
{
    static int quitPipe[2];
    if (::pipe(quitPipe) != 0)
        return;
    auto onSignal = [](int) { [[maybe_unused]] auto n = ::write(quitPipe[1], "q", 1); };
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    auto *notifier = new QSocketNotifier(quitPipe[0], QSocketNotifier::Read, &App);
    QObject::connect(notifier, &QSocketNotifier::activated, &App, &QCoreApplication::quit);
}
