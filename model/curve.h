// The sampled curve, its running integral and mean level. Module-level state
// in fixed storage: nothing is ever allocated.
#pragma once

#include <stdint.h>

enum { SampleCount = 300 };   // N: intervals across the plot, N+1 samples

struct CurveState {
    double StepWidth;                         // abscissa step between samples
    double CurveValues[SampleCount + 1];      // F[0..N]
    double IntegralValues[SampleCount + 1];   // V[0..N], one index ahead
};

extern CurveState Curve;

// The interval is the program's own 2*pi, and its reciprocal is a constant
// of its own rather than a division, so the mean level matches to the bit.
const double IntervalLength = 6.283184;
const double IntervalReciprocal = 0.15915497620314795;

// The interval's width on screen, in pixels: sample i sits at column
// (i / N) * PlotWidth, for the grab under the pointer as for the painter.
// Held in single precision and widened exactly.
const float PlotWidth = 600.0f;

void ResetCurve();
// Every sample at once, as a link's state form holds them.
void SetCurveSamples(const double *samples);
void ComputeRunningIntegral();
double MeanLevel();
