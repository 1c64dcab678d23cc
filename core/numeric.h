// Float-to-integer conversion as the x86 truncating conversion does it:
// toward zero, and the "integer indefinite" 0x80000000 for NaN and for
// values outside int32. Project data and modules may hold any float, and a
// plain C++ cast of an out-of-range value is undefined.
#pragma once
#include <cstdint>

inline int32_t truncToInt32(float value)
{
    if (!(value > -2147483904.0f && value < 2147483648.0f)) return INT32_MIN;
    return static_cast<int32_t>(value);
}

inline int32_t truncToInt32(double value)
{
    if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
    return static_cast<int32_t>(value);
}

// Degrees to radians with the constant the data was made with, in this
// order in float32: degrees x 3.14159 x 2 / 360.
inline float radians(float degrees) { return degrees * 3.14159f * 2.0f / 360.0f; }

// The one 15-bit random generator (texture steps and particles, each with
// its own seed): seed = (seed x 15625 + 1) mod 32768; returns seed / 32678,
// not 32768, so results run slightly above 1. Only the low 15 bits of the
// product matter, so the 32-bit wrap-around (done unsigned) is exact.
inline float random15(int32_t& seed)
{
    seed = static_cast<int32_t>((static_cast<uint32_t>(seed) * 15625u + 1u) & 0x7FFFu);
    return static_cast<float>(seed) / 32678.0f;
}
