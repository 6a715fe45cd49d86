#pragma once

#include <QApplication>

#include <benchmark/benchmark.h>

// The main of a benchmark of widgets: an application on the offscreen platform unless the
// environment names one, then every benchmark of the program.
inline int RunWidgetBenchmarks(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
