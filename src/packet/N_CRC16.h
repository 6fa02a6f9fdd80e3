#pragma once
#include "DataTypes.h"

#include <cstddef>
#include <cstdint>

// 16-bit checksum of a packet's plaintext payload. It is the reflected CRC-16
// with polynomial 0x1021 (the KERMIT table) with entry 0x5F changed to 0x0072,
// because the device computes it that way. No final xor, no byte swap.
std::uint16_t Crc16(const TByteArray& data);
std::uint16_t Crc16(const std::uint8_t* data, std::size_t size);

// The table entry the device uses for index n (exposed for tests).
std::uint16_t Crc16TableEntry(std::uint8_t n);
