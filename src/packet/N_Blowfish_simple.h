#pragma once
#include "DataTypes.h"

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
