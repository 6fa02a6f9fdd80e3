#pragma once
// The device link: request builders (and, beside them, the data communication).

#include "PacketParser.h"

#include <cstdint>
#include <string>

// Request builders. Each returns a finished wire packet made by PacketParserInstance().
TByteArray BuildStatusRequest();                                   // "F0", 1 of 1
TByteArray BuildReadRequest(const std::string& accessCode);        // "F2", 1 of 1
TByteArray BuildRestoreRequest(const std::string& accessCode);     // "F5", 1 of 1
TByteArray BuildWritePacket(const std::string& accessCode, const TPacketDataArray& items, std::uint8_t number,
                            std::uint8_t count);                   // "F4", number of count
TByteArray BuildFirmwareRequest(const std::string& accessCode, const std::string& version); // "FA"
TByteArray BuildRestartRequest(const std::string& accessCode);     // "FB", 1 of 1
TByteArray BuildRepeatRequest(std::uint8_t count, std::uint8_t number); // "FE"
TByteArray BuildAcknowledge(std::uint8_t count, std::uint8_t number);   // "FF"
