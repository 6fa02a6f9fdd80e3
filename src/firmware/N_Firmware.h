#pragma once
// The firmware file of the firmware update: a ".prg" file with the firmware's
// version code and its image, cut into the 520-byte packets that are sent to the
// device exactly as the file gives them.

#include "DataTypes.h"
#include "N_FirmwareReader.h"

#include <stdexcept>
#include <string>

// A request for a packet that does not exist. what() is the message key.
class EFirmwareError : public std::runtime_error {
public:
    explicit EFirmwareError(const std::string& key) : std::runtime_error(key) {}
    std::string key() const { return what(); }
};

inline const std::string kInvalidFirmwarePacketNumber = "InvalidFirmwarePacketNumber";

class TFirmware {
public:
    // Clears the object, then reads the file at path (UTF-8). True when it is a
    // valid firmware file. A refused file leaves the object fully cleared (no
    // packets, count 0, empty version code) and its reason in LastFault().
    // Never throws.
    bool LoadFirmware(const std::string& path);

    // Empties the packets and the version code; the count becomes 0 and the
    // last fault None.
    void ClearFirmware();

    // Copies packet number index (from 0) to out. Throws EFirmwareError with
    // "InvalidFirmwarePacketNumber" when index < 0 or index >= PacketCount().
    void GetFirmwarePacket(int index, TByteArray& out) const;

    // Number of 520-byte packets; 0 unless the last load succeeded.
    int PacketCount() const { return int(FPackets.size()); }

    // Major and minor version as four upper-case hex digits ("010A"); empty
    // unless the last load succeeded.
    std::string VersionCode() const { return FVersionCode; }

    // Why the last LoadFirmware returned false (Code None after a success).
    const TFirmwareFault& LastFault() const { return FLastFault; }

private:
    TArrayOfByteArray FPackets;
    std::string FVersionCode;
    TFirmwareFault FLastFault;
};
