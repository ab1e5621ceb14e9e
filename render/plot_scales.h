// The painter's vertical axes: where 0 sits and how many pixels a unit takes
// for the curve, its running integral and the program's mean line; and the
// value at a row, for labelling an axis with the painter's own mapping.
#pragma once

#include <stdint.h>

const double ZeroLevel = 250.0;
const double CurveScale = 150.0;                 // pixels per unit
const double IntegralScale = 70.5999984741211;   // 70.6 as a float
const double MeanScale = 146.0;

// The running integral's value at a client row, on the axis IntegralY draws.
inline double IntegralAtRow(int32_t row)
{
    return (ZeroLevel - (double)row) / IntegralScale;
}
