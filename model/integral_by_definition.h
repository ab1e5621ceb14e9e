// The running integral exactly as defined: every entry summed afresh from
// sample 0. Slow on purpose: the tests and fuzzers hold the model's running
// sum to it bit for bit, and the benchmarks time the two side by side.
#pragma once

#include "model/curve.h"

inline void IntegralByDefinition(const CurveState &curve, double *out)
{
    for (int k = 0; k <= SampleCount; k++)
        out[k] = 0.0;
    for (int k = 0; k <= SampleCount; k++) {
        double sum = 0.0;
        for (int j = 0; j <= k - 2; j++)
            sum = sum + curve.StepWidth * curve.CurveValues[j];
        out[k] = sum;
    }
}
