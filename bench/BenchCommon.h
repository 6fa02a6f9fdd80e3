#pragma once
// Shared by the benchmarks that drive the link without a window: window services
// that show nothing, and a main() with a QCoreApplication for the whole run.

#include "WindowServices.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

// Window services that show nothing: no debug trace, no messages, keys as texts.
class QuietWindow final : public IWindowServices {
public:
    bool DebugVisible() const override { return false; }
    void AddDebugLine(const std::string&) override {}
    void PostMessageText(const QString&) override {}
    void HandleAbort() override {}
    QString Lookup(const QString& key) override { return key; }
};

inline int RunQtBenchmarks(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
