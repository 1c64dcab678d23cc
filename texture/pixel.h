// Pixel words and the number conversions the operators share.
#pragma once
#include <cmath>
#include <cstdint>

#include "core/numeric.h"

// Channel c of a pixel word: 0 blue, 1 green, 2 red, 3 alpha.
inline uint32_t channelOf(uint32_t word, int c) { return (word >> (8 * c)) & 0xFFu; }

// alpha x 2^24 + red x 2^16 + green x 2^8 + blue, with 32-bit wrap-around:
// a value outside 0..255 spills into the neighbouring channel, as packing
// does in the data.
inline uint32_t packWord(int32_t alpha, int32_t red, int32_t green, int32_t blue)
{
    return (static_cast<uint32_t>(alpha) << 24) + (static_cast<uint32_t>(red) << 16) +
           (static_cast<uint32_t>(green) << 8) + static_cast<uint32_t>(blue);
}

// Four channel results (blue, green, red, alpha), each kept to 8 bits.
inline uint32_t packChannels(const uint32_t c[4])
{
    return (c[0] & 0xFFu) | ((c[1] & 0xFFu) << 8) | ((c[2] & 0xFFu) << 16) | ((c[3] & 0xFFu) << 24);
}

inline uint32_t clampByte(int64_t v) { return v < 0 ? 0u : v > 255 ? 255u : static_cast<uint32_t>(v); }

// Rounded to the nearest integer, ties to even (the default rounding mode);
// INT32_MIN for NaN and for results outside int32, like truncToInt32.
inline int32_t roundToInt32(float value) { return truncToInt32(std::nearbyint(value)); }
inline int32_t roundToInt32(long double value)
{
    const long double r = std::nearbyint(value);
    if (!(r > -2147483649.0L && r < 2147483648.0L)) return INT32_MIN;
    return static_cast<int32_t>(r);
}

// Integer division rounding down (toward minus infinity) by a positive divisor.
inline int64_t floorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
