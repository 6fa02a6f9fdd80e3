#pragma once
// Plain value types shared by the packet layer, the firmware file and everything
// above them. Strings are 8-bit byte strings: one character is one byte.

#include <cstdint>
#include <vector>

using TByteArray = std::vector<std::uint8_t>;

// The firmware file keeps its finished wire packets, in sending order, in such a list.
using TArrayOfByteArray = std::vector<TByteArray>;
