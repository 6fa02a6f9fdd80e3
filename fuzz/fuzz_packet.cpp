// libFuzzer target for the packet codec: arbitrary bytes as a received packet,
// the same bytes as hexadecimal text (the debug parse path), and the cipher.
//
// Besides "no crash, no sanitizer report" it checks two properties:
// - a packet that parses builds back into a packet that parses to the same
//   numbers, command and items (except the one-character command "F", which
//   the code field extends);
// - deciphering an enciphered buffer gives the buffer back.

#include "N_Blowfish_simple.h"
#include "N_CRC16.h"
#include "PacketParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void checkRebuild(const TPacket& packet) {
    if (packet.Command == "F")
        return;
    const TByteArray wire = PacketParserInstance().Build(packet, "1234");
    const TPacket again = PacketParserInstance().Parse(wire);
    if (again.Command != packet.Command || again.Items != packet.Items ||
        again.PacketCount != packet.PacketCount || again.PacketNumber != packet.PacketNumber ||
        again.DataLength != wire.size() - 8)
        std::abort();
}

void parse(const TByteArray& bytes) {
    TPacket packet;
    try {
        packet = PacketParserInstance().Parse(bytes);
    } catch (const EPacketError&) {
        return;
    }
    checkRebuild(packet);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const TByteArray bytes(data, data + size);
    parse(bytes);

    // Most random inputs fail the checksum: give the body a valid header too, so
    // the line splitting sees every kind of plaintext.
    if (size >= 8 && size % 8 == 0 && size <= kMaxDataLength) {
        const TByteArray plain = bytes;
        TByteArray wrapped{0x02, 1, 1, 0, std::uint8_t(size), std::uint8_t(size >> 8), 0, 0};
        const std::uint16_t crc = Crc16(plain);
        wrapped[6] = std::uint8_t(crc);
        wrapped[7] = std::uint8_t(crc >> 8);
        const TByteArray cipher = EncryptBuffer(plain, kPacketKey);
        if (DecryptBuffer(cipher, kPacketKey) != plain)
            std::abort();
        wrapped.insert(wrapped.end(), cipher.begin(), cipher.end());
        parse(wrapped);
    }

    try {
        parse(HexToBytes(std::string(reinterpret_cast<const char*>(data), size)));
    } catch (const EPacketError&) {
    }
    return 0;
}
