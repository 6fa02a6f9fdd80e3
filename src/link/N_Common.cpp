#include "N_Common.h"

namespace {

TByteArray build(const std::string& command, const std::string& accessCode, std::uint8_t count = 1,
                 std::uint8_t number = 1, TPacketDataArray items = {})
{
    TPacket packet;
    packet.PacketCount = count;
    packet.PacketNumber = number;
    packet.Command = command;
    packet.Items = std::move(items);
    return PacketParserInstance().Build(packet, accessCode);
}

} // namespace

TByteArray BuildStatusRequest() { return build("F0", ""); }

TByteArray BuildReadRequest(const std::string& accessCode) { return build("F2", accessCode); }

TByteArray BuildRestoreRequest(const std::string& accessCode) { return build("F5", accessCode); }

TByteArray BuildWritePacket(const std::string& accessCode, const TPacketDataArray& items, std::uint8_t number,
                            std::uint8_t count)
{
    return build("F4", accessCode, count, number, items);
}

TByteArray BuildFirmwareRequest(const std::string& accessCode, const std::string& version)
{
    return build("FA", accessCode, 1, 1, {{"", version}});
}

TByteArray BuildRestartRequest(const std::string& accessCode) { return build("FB", accessCode); }

TByteArray BuildRepeatRequest(std::uint8_t count, std::uint8_t number) { return build("FE", "", count, number); }

TByteArray BuildAcknowledge(std::uint8_t count, std::uint8_t number) { return build("FF", "", count, number); }
