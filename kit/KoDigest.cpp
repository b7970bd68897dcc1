// MD5 texts (RFC 1321), computed here on every system: the digest names the program's working
// folder and its mutex, and a cryptography library would cost every start more than the digest.

#include "kit/KoClass.h"
#include "kit/Strings.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace quindle {
namespace {

std::uint32_t RotateLeft(std::uint32_t Value, int Bits) {
    return (Value << Bits) | (Value >> (32 - Bits));
}

// The sines of the algorithm: the integer part of 2^32 * |sin(i + 1)|.
const std::array<std::uint32_t, 64>& SineTable() {
    static const std::array<std::uint32_t, 64> table = [] {
        std::array<std::uint32_t, 64> t{};
        for (int i = 0; i < 64; ++i)
            t[std::size_t(i)] =
                std::uint32_t(std::floor(std::fabs(std::sin(double(i + 1))) * 4294967296.0));
        return t;
    }();
    return table;
}

constexpr int kShifts[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                             5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                             4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                             6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

} // namespace

std::string TKo::GetMD5(const std::string& Text) {
    // The empty text stands for the program file's path: the name of the program's own mutex.
    return MD5Hex(Text.empty() ? GetAppFileName() : Text);
}

std::string TKo::MD5Hex(const std::string& Text) {
    const auto& sines = SineTable();
    std::uint32_t state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};

    // The text, a one bit, zeros up to 56 bytes of the last block, and its length in bits.
    std::string message = Text;
    message.push_back(char(0x80));
    while (message.size() % 64 != 56)
        message.push_back('\0');
    const std::uint64_t bits = std::uint64_t(Text.size()) * 8;
    for (int i = 0; i < 8; ++i)
        message.push_back(char((bits >> (8 * i)) & 0xff));

    for (std::size_t block = 0; block < message.size(); block += 64) {
        std::uint32_t words[16];
        for (int i = 0; i < 16; ++i) {
            const auto byte = [&](int k) {
                return std::uint32_t(std::uint8_t(message[block + std::size_t(4 * i + k)]));
            };
            words[i] = byte(0) | (byte(1) << 8) | (byte(2) << 16) | (byte(3) << 24);
        }
        std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        for (int i = 0; i < 64; ++i) {
            std::uint32_t f;
            int g;
            if (i < 16) {
                f = (b & c) | (~b & d);
                g = i;
            } else if (i < 32) {
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
            } else if (i < 48) {
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
            } else {
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
            }
            f += a + sines[std::size_t(i)] + words[g];
            a = d;
            d = c;
            c = b;
            b += RotateLeft(f, kShifts[i]);
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
    }

    unsigned char digest[16];
    for (int i = 0; i < 16; ++i)
        digest[i] = static_cast<unsigned char>((state[i / 4] >> (8 * (i % 4))) & 0xff);
    return HexText(digest, 16);
}

} // namespace quindle
