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
