#include "N_Blowfish_simple.h"

#include <array>
#include <cstdint>
#include <utility>

namespace {

using Word = std::uint32_t;
constexpr int kRounds = 16;
using PArray = std::array<Word, kRounds + 2>;

constexpr PArray kP0 = {0x243F6A88, 0x85A308D3, 0x13198A2E, 0x03707344, 0xA4093822, 0x299F31D0,
                        0x082EFA98, 0xEC4E6C89, 0x452821E6, 0x38D01377, 0xBE5466CF, 0x34E90C6C,
                        0xC0AC29B7, 0xC97C50DD, 0x3F84D5B5, 0xB5470917, 0x9216D5D9, 0x8979FB1B};

constexpr std::array<Word, 16> kS1 = {0xD1310BA6, 0x98DFB5AC, 0x2FFD72DB, 0xD01ADFB7, 0xB8E1AFED, 0x6A267E96,
                                      0xBA7C9045, 0xF12C7F99, 0x24A19947, 0xB3916CF7, 0x0801F2E2, 0x858EFC16,
                                      0x636920D8, 0x71574E69, 0xA458FEA3, 0xF4933D7E};
constexpr std::array<Word, 16> kS2 = {0x4B7A70E9, 0xB5B32944, 0xDB75092E, 0xC4192623, 0x1521B628, 0x29076170,
                                      0xECDD4775, 0x619F1510, 0xC5C43465, 0x713E38D8, 0x3D28F89E, 0xF16DFF20,
                                      0x153E21E7, 0x8FB03D4A, 0xE6E39F2B, 0xDB83ADF7};
constexpr std::array<Word, 16> kS3 = {0xE93D5A68, 0x948140F7, 0xF64C261C, 0x94692934, 0x411520F7, 0x7602D4F7,
                                      0xBCF46B2E, 0xD4A20068, 0x6FD5C7E7, 0x56E14EC4, 0x362ABFCE, 0xDDC6C837,
                                      0xD79A3234, 0x92638212, 0x670EFA8E, 0x406000E0};
constexpr std::array<Word, 16> kS4 = {0x3A39CE37, 0xD3FAF5CF, 0xABC27737, 0x5AC52D1B, 0x5CB0679E, 0x4FA33742,
                                      0xD3822740, 0x99BC9BBE, 0x90D4F869, 0xA65CDEA0, 0x3F09252D, 0xC208E69F,
                                      0xB74E6132, 0xCE77E25B, 0x578FDFE3, 0x3AC372E6};

inline Word F(Word x) {
    return ((kS1[(x >> 24) & 15] + kS2[(x >> 16) & 15]) ^ kS3[(x >> 8) & 15]) + kS4[x & 15];
}

void encipher(const PArray& p, Word& l, Word& r) {
    for (int i = 0; i < kRounds; ++i) {
        l ^= p[i];
        r ^= F(l);
        std::swap(l, r);
    }
    std::swap(l, r);
    r ^= p[16];
    l ^= p[17];
}

void decipher(const PArray& p, Word& l, Word& r) {
    for (int i = kRounds + 1; i >= 2; --i) {
        l ^= p[i];
        r ^= F(l);
        std::swap(l, r);
    }
    std::swap(l, r);
    r ^= p[1];
    l ^= p[0];
}

PArray keySchedule(const std::string& key) {
    const PArray words = BlowfishKeyWords(key);
    PArray p = kP0;
    for (std::size_t i = 0; i < p.size(); ++i)
        p[i] ^= words[i];
    Word l = 0, r = 0;
    for (std::size_t j = 0; j < p.size(); j += 2) {
        encipher(p, l, r);
        p[j] = l;
        p[j + 1] = r;
    }
    return p;
}

inline Word loadLE(const std::uint8_t* b) {
    return Word(b[0]) | (Word(b[1]) << 8) | (Word(b[2]) << 16) | (Word(b[3]) << 24);
}

inline void storeLE(std::uint8_t* b, Word w) {
    b[0] = static_cast<std::uint8_t>(w);
    b[1] = static_cast<std::uint8_t>(w >> 8);
    b[2] = static_cast<std::uint8_t>(w >> 16);
    b[3] = static_cast<std::uint8_t>(w >> 24);
}

template <typename Cipher> TByteArray process(const TByteArray& data, const std::string& key, Cipher cipher) {
    if (key.empty() || data.size() % 8 != 0)
        return {};
    const PArray p = keySchedule(key);
    TByteArray out(data);
    for (std::size_t off = 0; off < out.size(); off += 8) {
        Word l = loadLE(&out[off]);
        Word r = loadLE(&out[off + 4]);
        cipher(p, l, r);
        storeLE(&out[off], l);
        storeLE(&out[off + 4], r);
    }
    return out;
}

} // namespace

std::array<std::uint32_t, 18> BlowfishKeyWords(const std::string& key) {
    std::array<std::uint32_t, 18> words{};
    if (key.empty())
        return words;
    std::size_t pos = 0;
    for (auto& word : words) {
        for (int b = 0; b < 4; ++b) {
            word = (word << 8) | static_cast<std::uint8_t>(key[pos]);
            pos = (pos + 1) % key.size();
        }
    }
    return words;
}

TByteArray EncryptBuffer(const TByteArray& data, const std::string& key) {
    return process(data, key, [](const PArray& p, Word& l, Word& r) { encipher(p, l, r); });
}

TByteArray DecryptBuffer(const TByteArray& data, const std::string& key) {
    return process(data, key, [](const PArray& p, Word& l, Word& r) { decipher(p, l, r); });
}
