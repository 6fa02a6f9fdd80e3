// Load time of firmware files of 1 MiB and 4 MiB images (about 3 and 12 MB of
// text). Peak memory: run nconfig-cli firmware info under /usr/bin/time -v.

#include "N_Firmware.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace {

// Writes a firmware file with an image of the given size once per process.
std::string FirmwareFile(std::size_t imageSize) {
    static std::map<std::size_t, std::string> files;
    if (auto it = files.find(imageSize); it != files.end())
        return it->second;
    const auto path = std::filesystem::temp_directory_path() /
                      ("nconfig_bench_firmware_" + std::to_string(imageSize) + ".prg");
    std::ofstream out(path, std::ios::binary);
    out << "01.0A\r\n";
    static const char digits[] = "0123456789ABCDEF";
    std::string line;
    line.reserve(imageSize * 3);
    for (std::size_t i = 0; i < imageSize; ++i) {
        const unsigned b = unsigned(i * 37 + 11) & 0xFF;
        line += digits[b >> 4];
        line += digits[b & 0x0F];
        line += ' ';
    }
    out << line << "\r\n";
    files[imageSize] = path.string();
    return path.string();
}

void BM_LoadFirmware(benchmark::State& state) {
    // Rounded up to whole 520-byte packets: 2017 packets for 1 MiB, 8066 for 4 MiB.
    const std::size_t mib = std::size_t(state.range(0)) * 1024 * 1024;
    const std::size_t imageSize = (mib + kFirmwarePacketSize - 1) / kFirmwarePacketSize * kFirmwarePacketSize;
    const std::string path = FirmwareFile(imageSize);
    TFirmware firmware;
    for (auto _ : state) {
        if (!firmware.LoadFirmware(path))
            state.SkipWithError("the benchmark file was refused");
        benchmark::DoNotOptimize(firmware.PacketCount());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(imageSize) * 3);
    state.counters["packets"] = firmware.PacketCount();
}

} // namespace

BENCHMARK(BM_LoadFirmware)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
