#pragma once
// The main() of the benchmarks that drive Qt objects without a window: a
// QCoreApplication for the whole run, then Google Benchmark on the command line.

#include <QCoreApplication>

#include <benchmark/benchmark.h>

inline int RunQtBenchmarks(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
