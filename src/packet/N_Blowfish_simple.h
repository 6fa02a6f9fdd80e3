#pragma once
#include "DataTypes.h"

#include <array>
#include <cstdint>
#include <string>

// The reduced Blowfish variant the device uses to encipher packet payloads:
// 16-word S-boxes indexed by 4-bit fields, a key schedule that replaces only the
// P-array, little-endian words, ECB blocks of 8 bytes. An empty key, or data
// whose length is not a multiple of 8, gives an empty result.
//
// Each call runs its own key schedule on a local P-array, so calls share no state
// and may run on any thread.
TByteArray EncryptBuffer(const TByteArray& data, const std::string& key);
TByteArray DecryptBuffer(const TByteArray& data, const std::string& key);

// The 18 words the key contributes to the P-array before the schedule's block
// encipherings: word i takes the 4 key bytes following those of word i-1, the
// first in the most significant byte, wrapping from the last key byte to the
// first. All zero for an empty key. Exposed so the wrap-around can be checked.
std::array<std::uint32_t, 18> BlowfishKeyWords(const std::string& key);
