#include "N_CRC16.h"

#include <array>

namespace {

constexpr std::array<std::uint16_t, 256> makeTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned n = 0; n < 256; ++n) {
        std::uint16_t value = static_cast<std::uint16_t>(n);
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 1u) ? static_cast<std::uint16_t>((value >> 1) ^ 0x8408u)
                                 : static_cast<std::uint16_t>(value >> 1);
        table[n] = value;
    }
    // The device's table differs from the published one in this single entry.
    table[0x5F] = 0x0072;
    return table;
}

constexpr std::array<std::uint16_t, 256> kTable = makeTable();
static_assert(kTable[1] == 0x1189 && kTable[0x80] == 0x8408 && kTable[0xFF] == 0x0F78);

} // namespace

std::uint16_t Crc16TableEntry(std::uint8_t n) {
    return kTable[n];
}

std::uint16_t Crc16(const std::uint8_t* data, std::size_t size) {
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < size; ++i)
        crc = static_cast<std::uint16_t>(kTable[(crc ^ data[i]) & 0xFFu] ^ (crc >> 8));
    return crc;
}

std::uint16_t Crc16(const TByteArray& data) {
    return Crc16(data.data(), data.size());
}
