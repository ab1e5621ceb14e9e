// The mean value theorem for integrals, worked out on the curve as drawn:
// the straight segments between the samples. Over an interval of samples
// [a, b] it gives the integral, the mean, every point c where the curve
// meets its mean, and the areas between the curve and its mean. Separate
// from MeanLevel, which keeps the program's own rule for the classic view.
#pragma once

#include "model/curve.h"

#include <stdint.h>

// At most one point c a sample of [a, b]: a c at a sample is that sample,
// and a c inside the segment from k to k+1 needs sample k+1 off the mean,
// so it can be counted against sample k+1. A stretch holds at least two
// samples of its own. So N+1 of each always suffices.
enum { MaxMeanPoints = SampleCount + 1, MaxMeanStretches = SampleCount + 1 };

// A value of the curve within this much of its scale, the largest |F| over
// [a, b], is on the mean. The mean's rounding grows with the size of the
// samples summed, not with the mean, which can be 0 for a curve of large
// values; so the scale is the samples', and a flat curve's is 0, which is
// exact.
const double OnMeanTolerance = 1e-9;
// At a and at b, the wider tolerance of what the plot can show: an end
// within this much of the scale is drawn on the mean (under a tenth of a
// pixel for any curve inside the plot), and is its c, alike at either end.
// Inside, two samples that near the mean hold a crossing of their own,
// so the rounding tolerance stays there.
const double OnMeanAtEndTolerance = 1.0 / 4096;

struct TheoremState {
    int32_t First, Last;   // the interval [a, b], in samples
    double Integral;       // over [a*StepWidth, b*StepWidth]
    double Mean;           // Integral over the interval's length
    int32_t PointCount;
    double Points[MaxMeanPoints];           // abscissas c, increasing
    double PointPositions[MaxMeanPoints];   // the same in samples: c / StepWidth
    double PointIntegrals[MaxMeanPoints];   // the running integral at each c
    int32_t StretchCount;
    double Stretches[MaxMeanStretches][2];   // [from, to] abscissas, increasing
    int32_t StretchSamples[MaxMeanStretches][2];
    double StretchIntegrals[MaxMeanStretches][2];
    double AreaAbove, AreaBelow;   // between the curve and its mean
    // The running integral from a, at each sample a..b (0 elsewhere):
    // RunningIntegral[b] is Integral.
    double RunningIntegral[SampleCount + 1];
};

extern TheoremState Theorem;

// The whole curve, [0, N]: where a new run starts.
void ResetTheorem();
// Sets [a, b] when 0 <= a < b <= N; otherwise keeps the interval and says no.
bool SetTheoremInterval(int32_t first, int32_t last);
bool TheoremIntervalValid(int32_t first, int32_t last);
// Works out Theorem over its interval from the current curve.
void ComputeTheorem();
// The same for any curve and interval (which must be valid).
void ComputeTheoremOf(const CurveState &curve, int32_t first, int32_t last, TheoremState &out);
