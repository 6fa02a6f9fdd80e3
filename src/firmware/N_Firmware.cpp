#include "N_Firmware.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

std::filesystem::path PathFromUtf8(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

} // namespace

bool TFirmware::LoadFirmware(const std::string& path) {
    ClearFirmware();
    try {
        const std::filesystem::path file = PathFromUtf8(path);
        std::error_code error;
        const auto status = std::filesystem::status(file, error);
        if (path.empty() || !std::filesystem::exists(status)) {
            FLastFault.Code = EFirmwareFault::FileNotFound;
            return false;
        }
        if (!std::filesystem::is_regular_file(status)) {
            FLastFault.Code = EFirmwareFault::NotAFile;
            return false;
        }
        std::ifstream in(file, std::ios::in | std::ios::binary);
        if (!in.is_open()) {
            FLastFault.Code = EFirmwareFault::CannotOpen;
            return false;
        }
        // The stream closes when it goes out of scope, whatever the outcome.
        return ReadFirmware(in, FVersionCode, FPackets, FLastFault);
    } catch (...) {
        // Only path conversion can get here (ReadFirmware never throws).
        ClearFirmware();
        FLastFault.Code = EFirmwareFault::CannotOpen;
        return false;
    }
}

void TFirmware::ClearFirmware() {
    TArrayOfByteArray().swap(FPackets); // give the memory back, not just the size
    FVersionCode.clear();
    FLastFault = {};
}

void TFirmware::GetFirmwarePacket(int index, TByteArray& out) const {
    if (index < 0 || index >= PacketCount())
        throw EFirmwareError(kInvalidFirmwarePacketNumber);
    out = FPackets[std::size_t(index)];
}
