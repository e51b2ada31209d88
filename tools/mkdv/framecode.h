// The frame number that the sample generator draws into every picture, as a
// row of black and white cells that survives DV compression, and its reader
// (used by tests on decoded pictures).
#pragma once

#include <cstdint>

namespace framecode {

constexpr int kBits = 20;
constexpr int kCellSize = 32;  // a multiple of the 8x8 DCT block
constexpr int kLeft = 40;
constexpr int kTop = 32;
constexpr uint8_t kLumaOne = 235;
constexpr uint8_t kLumaZero = 16;

// Reads the frame number from a luma plane (8-bit, one byte per pixel).
inline int Read(const uint8_t *luma, int stride)
{
    int value = 0;
    for (int bit = 0; bit < kBits; ++bit) {
        int sum = 0;
        const int x0 = kLeft + bit * kCellSize + kCellSize / 2 - 4;
        const int y0 = kTop + kCellSize / 2 - 4;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                sum += luma[(y0 + y) * stride + x0 + x];
        if (sum / 64 > (kLumaOne + kLumaZero) / 2)
            value |= 1 << (kBits - 1 - bit);
    }
    return value;
}

}  // namespace framecode
