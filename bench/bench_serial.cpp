// A full read of a typical configuration ("dump") over a pseudo-terminal with the
// emulated device, unpaced and paced at 960 bytes/s (9600 baud), next to the time
// the bytes alone need on a 9600 baud line. Counters:
//   bytes    bytes on the line, both directions, per read
//   line_ms  the time those bytes need at 9600 baud (10 bits per byte), without the
//            closing acknowledge, which the read sends but does not wait for
//   ratio    measured time / line_ms: the overhead of the tool and the framing
#include "BenchCommon.h"
#include "ComPort.h"
#include "ComPortPty.h"
#include "DeviceEmulator.h"
#include "N_Common.h"
#include "WindowServices.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>

namespace {

void FullDump(benchmark::State& state) {
    const int pace = static_cast<int>(state.range(0));
    DeviceEmulator device(EmulatorFamily::N20D);
    TPtyEmulatorServer server(device);
    QString error;
    if (!server.Open(&error)) {
        state.SkipWithError(error.toStdString().c_str());
        return;
    }
    server.SetPace(pace);
    QuietWindow window;
    TComPort port;
    port.SetPortName(server.PortPath());
    std::size_t packets = 0;
    TDataCommunication comm(
        &port, [&](const TPacket&) { ++packets; }, &window);
    comm.LinkMode = TLinkMode::Serial;
    if (!port.Open()) {
        state.SkipWithError(port.ErrorString().toStdString().c_str());
        return;
    }
    PacketTimeout = 10000;
    qint64 bytes = 0;
    double measuredMs = 0;
    int reads = 0;
    for (auto _ : state) {
        const qint64 before = server.BytesIn() + server.BytesOut();
        QElapsedTimer clock;
        clock.start();
        if (!comm.ReadSettings(DeviceEmulator::kDefaultAccessCode, true, false)) {
            state.SkipWithError(("read failed: " + comm.StatusKey).c_str());
            return;
        }
        measuredMs += clock.nsecsElapsed() / 1e6;
        // The closing acknowledge is not awaited: let it cross the line before counting.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < (pace ? 100 : 5))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        bytes = server.BytesIn() + server.BytesOut() - before;
        ++reads;
    }
    // The read does not wait for its closing acknowledge (and the 0x00 after it) to
    // cross the line: those bytes are on the line but not in the measured time.
    const qint64 closing = static_cast<qint64>(BuildAcknowledge(1, 1).size()) + 1;
    const double lineMs = (bytes - closing) * 1000.0 / TPtyEmulatorServer::kBytesPerSecond9600;
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["packets"] = static_cast<double>(packets) / reads;
    state.counters["line_ms"] = lineMs;
    state.counters["dump_ms"] = measuredMs / reads;
    state.counters["ratio"] = (measuredMs / reads) / lineMs;
}

} // namespace

BENCHMARK(FullDump)->Arg(0)->Name("FullDump/unpaced")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FullDump)
    ->Arg(TPtyEmulatorServer::kBytesPerSecond9600)
    ->Name("FullDump/paced960")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
