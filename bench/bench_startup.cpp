// Start-up of the tool: time from process start until the main window is shown
// (offscreen unless a display platform is chosen), resident memory afterwards,
// and the cost of creating and destroying the main window.
//
//   build-bench/bin/bench_startup                 # figures, then the benchmark
//   build-bench/bin/bench_startup --startup-only  # figures only

#include "Main.h"
#include "N_About.h"
#include "SettingsStore.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

// Milliseconds since the process started (Linux: /proc; elsewhere -1).
double MsSinceProcessStart() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray statText = stat.readAll();
    // Fields after the command name (which may hold spaces) start after the last ')'.
    const QList<QByteArray> fields = statText.mid(statText.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 20)
        return -1;
    const double startTicks = fields.at(19).toDouble(); // field 22: starttime
    const double upSeconds = uptime.readAll().split(' ').value(0).toDouble();
    return (upSeconds - startTicks / double(sysconf(_SC_CLK_TCK))) * 1000.0;
}

long ResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

void BM_CreateMainWindow(benchmark::State& state) {
    for (auto _ : state) {
        TMainFormFrm window;
        benchmark::DoNotOptimize(&window);
    }
}
BENCHMARK(BM_CreateMainWindow)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Never touch the user's preferences.
    QTemporaryDir settings;
    SettingsStore::setFolder(settings.path());

    {
        TMainFormFrm window;
        CreateStartupAbout();
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            std::fprintf(stderr, "the window was not exposed\n");
        QCoreApplication::processEvents();
        std::printf("startup: process start to main window shown: %.0f ms\n", MsSinceProcessStart());
        std::printf("startup: resident memory with the window shown: %.1f MiB\n", ResidentKiB() / 1024.0);
        std::fflush(stdout);
    }

    bool startupOnly = false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--startup-only") == 0)
            startupOnly = true;
    if (startupOnly)
        return 0;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
