// The sampled curve, its running integral and mean level, and the drag that
// deforms it. Module-level state in fixed storage: nothing is ever allocated.
#pragma once

#include <stdint.h>

enum { SampleCount = 300 };  // N: intervals across the plot, N+1 samples

struct CurveState {
    double StepWidth;                         // abscissa step between samples
    double CurveValues[SampleCount + 1];      // F[0..N]
    double IntegralValues[SampleCount + 1];   // V[0..N], one index ahead
};

struct DragState {
    int32_t DragActive;     // 1 while the left button holds the curve
    int32_t AnchorIndex;    // sample grabbed by the last successful press
    int32_t LastPointerY;   // pointer y at the last press or drag step
};

extern CurveState Curve;
extern DragState Drag;

// The interval is the program's own 2*pi, and its reciprocal is a constant
// of its own rather than a division, so the mean level matches to the bit.
const double IntervalLength = 6.283184;
const double IntervalReciprocal = 0.15915497620314795;

void ResetCurve();
void ComputeRunningIntegral();
double MeanLevel();

void BeginDrag(uint16_t x, uint16_t y);
bool ContinueDrag(uint16_t y);
void EndDrag();
void ApplyPulse(double step);
