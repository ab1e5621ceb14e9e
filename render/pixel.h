// The one conversion from a double to a pixel coordinate: truncation toward
// zero, defined for every input. Values beyond the int range saturate and
// NaN becomes 0, where a plain cast would be undefined behaviour.
#pragma once

#include <stdint.h>

inline int32_t PixelFromDouble(double value)
{
    if (!(value == value))
        return 0;
    if (value >= 2147483647.0)
        return INT32_MAX;
    if (value <= -2147483648.0)
        return INT32_MIN;
    return (int32_t)value;
}
