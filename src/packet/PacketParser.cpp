#include "PacketParser.h"

#include "HexDigit.h"
#include "N_Blowfish_simple.h"
#include "N_CRC16.h"

namespace {

constexpr std::uint8_t kIdentifier = 0x02;
constexpr std::uint8_t kLineEnd = 0x0A;
constexpr std::uint8_t kEndMark = 0x0D;
constexpr std::uint8_t kHiddenCode = 0x07;
constexpr std::size_t kHeaderSize = 8;

bool usesHiddenCode(const std::string& command) {
    const std::string head = command.substr(0, 2);
    return head == "F0" || head == "F1" || head == "FE" || head == "FF";
}

void append(TByteArray& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

} // namespace

TByteArray TPacketParser::Build(const TPacket& packet, const std::string& accessCode) const {
    std::string code = accessCode;
    if (code.size() < kCodeFieldLength)
        code.append(kCodeFieldLength - code.size(), '0');

    TByteArray plain;
    plain.reserve(16 + packet.Items.size() * 16);
    if (!packet.Command.empty() && packet.Command[0] == 'F') {
        append(plain, packet.Command.substr(0, 2));
        if (usesHiddenCode(packet.Command))
            plain.insert(plain.end(), kCodeFieldLength, kHiddenCode);
        else
            append(plain, code.substr(0, kCodeFieldLength));
    } else {
        append(plain, packet.Command);
    }
    plain.push_back(kLineEnd);
    for (const TPacketData& item : packet.Items) {
        append(plain, item.Id);
        append(plain, item.Value);
        plain.push_back(kLineEnd);
    }
    plain.push_back(kEndMark);
    // Always 1 to 8 bytes of padding: a text that is already a multiple of 8 gets 8.
    plain.insert(plain.end(), 8 - plain.size() % 8, 0);

    // The header holds the length in 16 bits; a longer payload would go out with
    // a header that lies about it, so refuse it instead.
    if (plain.size() > kMaxDataLength)
        throw EPacketError("ErrorPacketTooLong");

    const std::size_t length = plain.size();
    const std::uint16_t crc = Crc16(plain);
    const TByteArray cipher = EncryptBuffer(plain, kPacketKey);

    TByteArray out;
    out.reserve(kHeaderSize + cipher.size());
    out.push_back(kIdentifier);
    out.push_back(packet.PacketCount);
    out.push_back(packet.PacketNumber);
    out.push_back(0x00);
    out.push_back(static_cast<std::uint8_t>(length & 0xFF));
    out.push_back(static_cast<std::uint8_t>((length >> 8) & 0xFF));
    out.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    out.push_back(static_cast<std::uint8_t>(crc >> 8));
    out.insert(out.end(), cipher.begin(), cipher.end());
    return out;
}

TPacket TPacketParser::Parse(const TByteArray& bytes) const {
    if (bytes.size() < 16 || (bytes.size() - kHeaderSize) % 8 != 0)
        throw EPacketError("ErrorBadPacketSize");
    if (bytes[0] != kIdentifier)
        throw EPacketError("ErrorBadHeaderIdentifier");
    TPacket packet;
    packet.PacketCount = bytes[1];
    packet.PacketNumber = bytes[2];
    if (bytes[3] != 0x00)
        throw EPacketError("ErrorBadHeader");
    packet.DataLength = static_cast<std::uint16_t>(bytes[4] | (bytes[5] << 8));
    packet.Crc = static_cast<std::uint16_t>(bytes[6] | (bytes[7] << 8));
    if (bytes.size() - kHeaderSize != packet.DataLength)
        throw EPacketError("ErrorHeaderLength");

    const TByteArray plain = DecryptBuffer(TByteArray(bytes.begin() + kHeaderSize, bytes.end()), kPacketKey);
    if (Crc16(plain) != packet.Crc)
        throw EPacketError("ErrorBadCRC");

    std::size_t end = 0;
    while (end < plain.size() && plain[end] != kEndMark)
        ++end;
    bool first = true;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < end; ++i) {
        if (plain[i] != kLineEnd)
            continue;
        if (i > lineStart) {
            std::string line(plain.begin() + lineStart, plain.begin() + i);
            if (first) {
                packet.Command = line[0] == 'F' ? line.substr(0, 2) : line;
                first = false;
            } else {
                packet.Items.push_back({line.substr(0, 3), line.size() > 3 ? line.substr(3) : std::string()});
            }
        }
        lineStart = i + 1;
    }
    return packet;
}

TPacketParser& PacketParserInstance() {
    static TPacketParser instance;
    return instance;
}

TByteArray HexToBytes(const std::string& text) {
    TByteArray out;
    out.reserve(text.size() / 2);
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        const int hi = HexDigit(text[i]);
        const int lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0)
            throw EPacketError("ErrorInvalidHexNumber");
        out.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    return out;
}

std::string BytesToHex(const TByteArray& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}
