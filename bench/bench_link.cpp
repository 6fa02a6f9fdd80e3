// The data communication against the in-process device emulator:
//  - the tool's own cost of one exchange (request built, sent, reply received on the
//    event loop, parsed, classified, delivered), median over single exchanges;
//  - a full read of a 10-packet configuration;
//  - CPU time spent while waiting 5 s for a reply that never comes.

#include "BenchCommon.h"
#include "DeviceEmulator.h"
#include "EmulatorTransport.h"
#include "N_Common.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

// Answers every write with a reply prepared beforehand, on the event loop like the
// emulator transport, so the time measured is the tool's alone.
class ReplayTransport : public QObject, public ITransport {
public:
    TByteArray reply;
    void write(const TByteArray&) override {
        QTimer::singleShot(0, this, [this] { deliver(reply); });
    }
};

double medianMicros(std::vector<double>& samples) {
    if (samples.empty())
        return 0;
    std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(samples.size() / 2),
                     samples.end());
    return samples[samples.size() / 2];
}

template <typename Exchange> void timeExchanges(benchmark::State& state, Exchange&& exchange) {
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = exchange();
        const auto end = std::chrono::steady_clock::now();
        if (!ok)
            state.SkipWithError("exchange failed");
        samples.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    state.counters["median_us"] = medianMicros(samples);
}

// The tool's own overhead: status exchange against a transport that replays the
// emulator's status reply.
void BM_StatusExchange_ToolOverhead(benchmark::State& state) {
    DeviceEmulator device;
    ReplayTransport port;
    port.reply = device.StatusReply();
    QuietWindow window;
    int delivered = 0;
    TDataCommunication comm(
        &port, [&](const TPacket&) { ++delivered; }, &window);
    comm.LinkMode = TLinkMode::Serial;
    timeExchanges(state, [&] { return comm.QueryStatus(); });
    benchmark::DoNotOptimize(delivered);
}
BENCHMARK(BM_StatusExchange_ToolOverhead)->Unit(benchmark::kMicrosecond);

// The same exchange with the emulator playing the device (its decoding and encoding
// included).
void BM_StatusExchange_WithEmulator(benchmark::State& state) {
    DeviceEmulator device;
    EmulatorTransport port(&device);
    QuietWindow window;
    TDataCommunication comm(
        &port, [](const TPacket&) {}, &window);
    comm.LinkMode = TLinkMode::Serial;
    timeExchanges(state, [&] {
        device.clearRequests();
        return comm.QueryStatus();
    });
}
BENCHMARK(BM_StatusExchange_WithEmulator)->Unit(benchmark::kMicrosecond);

// A whole read: "F2", nine acknowledges answered, the closing acknowledge, ten
// packets delivered.
void BM_FullRead_10Packets(benchmark::State& state) {
    DeviceEmulator device(EmulatorFamily::N20D);
    EmulatorTransport port(&device);
    QuietWindow window;
    int delivered = 0;
    TDataCommunication comm(
        &port, [&](const TPacket&) { ++delivered; }, &window);
    comm.LinkMode = TLinkMode::Serial;
    timeExchanges(state, [&] {
        delivered = 0;
        device.clearRequests();
        return comm.ReadSettings(DeviceEmulator::kDefaultAccessCode, true, false) && delivered == 10;
    });
    state.counters["packets"] = delivered;
}
BENCHMARK(BM_FullRead_10Packets)->Unit(benchmark::kMicrosecond);

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Waiting for a reply that never comes, for the full time-out of 5 s.
void BM_WaitForSilentDevice_5s(benchmark::State& state) {
    DeviceEmulator device;
    device.setSilent(true);
    EmulatorTransport port(&device);
    QuietWindow window;
    TDataCommunication comm(
        &port, [](const TPacket&) {}, &window);
    comm.LinkMode = TLinkMode::Serial;
    const int saved = PacketTimeout;
    PacketTimeout = 5000;
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        const double before = cpuSeconds();
        if (comm.QueryStatus())
            state.SkipWithError("a silent device answered");
        cpu += cpuSeconds() - before;
        wall += static_cast<double>(clock.elapsed()) / 1000.0;
    }
    PacketTimeout = saved;
    state.counters["cpu_ms"] = cpu * 1000.0 / static_cast<double>(state.iterations());
    state.counters["cpu_percent_of_core"] = wall > 0 ? 100.0 * cpu / wall : 0;
}
BENCHMARK(BM_WaitForSilentDevice_5s)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
