#pragma once
// The value of one hexadecimal digit, shared by every parser of hex text (packets,
// firmware files, language sources). Plain C++ like the rest of the packet layer.

// 0-15 for '0'-'9', 'A'-'F' and 'a'-'f'; -1 for any other character.
constexpr int HexDigit(char32_t c) {
    if (c >= '0' && c <= '9')
        return static_cast<int>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<int>(c - 'A') + 10;
    if (c >= 'a' && c <= 'f')
        return static_cast<int>(c - 'a') + 10;
    return -1;
}
