#pragma once
// The packet codec: requests and replies between the tool and the device.
//
// On the wire: 0x02, PacketCount, PacketNumber, 0x00, DataLength (LE16), Crc (LE16),
// then the enciphered payload. The plaintext payload is a command line, one line
// per item (Id immediately followed by Value), the end mark 0x0D and 1 to 8 zero
// bytes of padding up to a multiple of 8.

#include "DataTypes.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// One configuration item. Ids are three characters in everything the device or
// the catalogue produces; an empty Id writes the Value alone.
struct TPacketData {
    std::string Id;
    std::string Value;
    bool operator==(const TPacketData&) const = default;
};

using TPacketDataArray = std::vector<TPacketData>;

struct TPacket {
    std::uint8_t PacketCount = 1;
    std::uint8_t PacketNumber = 1;
    std::uint16_t DataLength = 0;
    std::uint16_t Crc = 0;
    std::string Command;
    TPacketDataArray Items;
    bool operator==(const TPacket&) const = default;
};

using TPacketArray = std::vector<TPacket>;

// A failure of the packet layer. what() is the message key ("ErrorBadCRC" ...),
// which callers translate or turn into a link state.
class EPacketError : public std::runtime_error {
public:
    explicit EPacketError(const std::string& key) : std::runtime_error(key) {}
    std::string key() const { return what(); }
};

// The key both directions encipher payloads with.
inline const std::string kPacketKey = "7130462958";

// Width of the code field of a request's command line.
constexpr std::size_t kCodeFieldLength = 6;

// The largest payload the 16-bit length field can describe (a multiple of 8).
constexpr std::size_t kMaxDataLength = 65528;

class TPacketParser {
public:
    // The finished packet (without the 0x00 the link appends when sending).
    // DataLength and Crc of the input are ignored and computed. Throws
    // EPacketError("ErrorPacketTooLong") when the padded payload would not fit
    // the 16-bit length field (more than kMaxDataLength bytes).
    TByteArray Build(const TPacket& packet, const std::string& accessCode) const;

    // Checks, in order: size, identifier, reserved byte, length, checksum.
    // Throws EPacketError with "ErrorBadPacketSize", "ErrorBadHeaderIdentifier",
    // "ErrorBadHeader", "ErrorHeaderLength" or "ErrorBadCRC".
    TPacket Parse(const TByteArray& bytes) const;
};

// The one parser of the process. It keeps no state between calls.
TPacketParser& PacketParserInstance();

// Pairs of hexadecimal digits (either case, no separators) to bytes; a trailing
// odd character is ignored. A pair that is not hexadecimal throws EPacketError
// with "ErrorInvalidHexNumber".
TByteArray HexToBytes(const std::string& text);

// Upper-case hexadecimal pairs without separators (the inverse of HexToBytes).
std::string BytesToHex(const TByteArray& bytes);
