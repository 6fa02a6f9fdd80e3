// Feeds arbitrary bytes to the firmware file reader as a whole, through the
// stream path the loader uses, and in chunks whose size the input chooses: all
// three must agree, and an accepted file must meet the invariants.

#include "N_FirmwareReader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

bool IsUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFirmwareReader whole;
    whole.Feed(data, size);
    const bool valid = whole.Finish();

    if (valid) {
        Check(whole.Fault().Code == EFirmwareFault::None);
        Check(whole.VersionCode().size() == 4);
        for (char c : whole.VersionCode())
            Check(IsUpperHex(c));
        Check(!whole.Packets().empty());
        for (const TByteArray& packet : whole.Packets())
            Check(packet.size() == kFirmwarePacketSize);
    } else {
        Check(whole.Fault().Code != EFirmwareFault::None);
        Check(whole.Packets().empty());
        Check(whole.VersionCode().empty());
        Check(!FirmwareFaultText(whole.Fault()).empty());
    }

    // Chunk sizes from 1 to 16 picked by the first byte.
    const std::size_t chunk = size > 0 ? std::size_t(data[0] % 16) + 1 : 1;
    TFirmwareReader chunked;
    for (std::size_t at = 0; at < size; at += chunk) {
        if (!chunked.Feed(data + at, std::min(chunk, size - at)))
            break;
    }
    Check(chunked.Finish() == valid);
    Check(chunked.Fault().Code == whole.Fault().Code);
    Check(chunked.Fault().Column == whole.Fault().Column);
    Check(chunked.VersionCode() == whole.VersionCode());
    Check(chunked.Packets() == whole.Packets());

    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size), std::ios::binary);
    std::string versionCode;
    TArrayOfByteArray packets;
    TFirmwareFault fault;
    Check(ReadFirmware(in, versionCode, packets, fault) == valid);
    Check(fault.Code == whole.Fault().Code);
    Check(versionCode == whole.VersionCode());
    Check(packets == whole.Packets());
    return 0;
}
