// Packet layer benchmarks: cipher throughput and the cost of building and
// parsing the packets the tool exchanges most (status request) and the
// largest it sends (520-byte firmware-sized packets).

#include "N_Blowfish_simple.h"
#include "N_Common.h"
#include "PacketParser.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <stdexcept>

namespace {

void BM_EncryptBuffer64KiB(benchmark::State& state) {
    TByteArray data(64 * 1024);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 131 + 7);
    for (auto _ : state) {
        TByteArray out = EncryptBuffer(data, kPacketKey);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(data.size()));
}
BENCHMARK(BM_EncryptBuffer64KiB);

void BM_DecryptBuffer64KiB(benchmark::State& state) {
    const TByteArray data = EncryptBuffer(TByteArray(64 * 1024, 0x5A), kPacketKey);
    for (auto _ : state) {
        TByteArray out = DecryptBuffer(data, kPacketKey);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(data.size()));
}
BENCHMARK(BM_DecryptBuffer64KiB);

void BM_BuildParseStatusRequest(benchmark::State& state) {
    for (auto _ : state) {
        const TByteArray wire = BuildStatusRequest();
        TPacket packet = PacketParserInstance().Parse(wire);
        benchmark::DoNotOptimize(packet.Command.data());
    }
}
BENCHMARK(BM_BuildParseStatusRequest);

// 38 item lines of 13 bytes after the 9-byte command line: 504 bytes of text,
// 8 of padding, 512 bytes of payload, 520 bytes on the wire.
TPacket Packet520() {
    TPacket packet;
    packet.Command = "F4";
    packet.PacketCount = 6;
    packet.PacketNumber = 3;
    for (int i = 0; i < 38; ++i) {
        char id[4];
        std::snprintf(id, sizeof id, "0%02d", i);
        packet.Items.push_back({id, "ABCDEFGHI"});
    }
    return packet;
}

void BM_BuildParse520BytePacket(benchmark::State& state) {
    const TPacket packet = Packet520();
    if (PacketParserInstance().Build(packet, "1234").size() != 520)
        throw std::logic_error("the benchmark packet must be 520 bytes on the wire");
    for (auto _ : state) {
        const TByteArray wire = PacketParserInstance().Build(packet, "1234");
        TPacket parsed = PacketParserInstance().Parse(wire);
        benchmark::DoNotOptimize(parsed.Items.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 520);
}
BENCHMARK(BM_BuildParse520BytePacket);

} // namespace

BENCHMARK_MAIN();
