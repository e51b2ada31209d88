// Little-endian reads and writes over byte buffers, and four-character codes.
// Pure inline functions; the caller guarantees the offsets are in range.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

using ByteSpan = std::span<const uint8_t>;
using MutableByteSpan = std::span<uint8_t>;

// A four-character code: the first character is the low byte.
using FourCC = uint32_t;

constexpr FourCC MakeFourCC(char a, char b, char c, char d)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) | static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8
         | static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}

constexpr FourCC MakeFourCC(std::string_view text)
{
    return MakeFourCC(text.size() > 0 ? text[0] : '\0', text.size() > 1 ? text[1] : '\0',
                      text.size() > 2 ? text[2] : '\0', text.size() > 3 ? text[3] : '\0');
}

inline uint16_t ReadLE16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t ReadLE32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16
         | static_cast<uint32_t>(p[3]) << 24;
}
inline uint64_t ReadLE64(const uint8_t *p)
{
    return static_cast<uint64_t>(ReadLE32(p)) | static_cast<uint64_t>(ReadLE32(p + 4)) << 32;
}

inline void WriteLE16(uint8_t *p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void WriteLE32(uint8_t *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void WriteLE64(uint8_t *p, uint64_t v)
{
    WriteLE32(p, static_cast<uint32_t>(v));
    WriteLE32(p + 4, static_cast<uint32_t>(v >> 32));
}
