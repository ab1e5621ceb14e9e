// The drag that deforms the curve: a press grabs the sample under the
// pointer, and each vertical move shifts the samples around it by the
// pulse's shape and width.
#pragma once

#include <stdint.h>

// How a drag step moves the samples around the anchor. A sample i moves
// when |i - anchor| < PulseReach * width, by the step times its weight at
// t = (i - anchor) / (PulseReach * width): 1 on the plateau, (1 - t*t)^2
// on the hill, 1 - |t| on the triangle. The whole curve moves every sample
// by the step, whatever the width.
enum PulseShape { PulsePlateau = 0, PulseHill = 1, PulseTriangle = 2, PulseWholeCurve = 3 };
enum { PulseShapeCount = 4, MinPulseWidth = 1, MaxPulseWidth = 60, DefaultPulseWidth = 19 };
const double PulseReach = 2.66;   // times the width, in samples

struct Pulse {
    int32_t Shape = PulsePlateau;        // a PulseShape
    int32_t Width = DefaultPulseWidth;   // MinPulseWidth..MaxPulseWidth
};

// Every member has its initial value here, so that the one DragState is
// constant-initialized, before any code runs, on every platform.
struct DragState {
    int32_t DragActive = 0;     // 1 while the left button holds the curve
    int32_t AnchorIndex = 0;    // sample grabbed by the last successful press
    int32_t LastPointerY = 0;   // pointer y at the last press or drag step
    Pulse DragPulse;            // the pulse of that press, which its moves follow
    Pulse NextPulse;            // the pulse the next successful press takes
};

extern DragState Drag;

// How far the curve moves, in its units, for each pixel the pointer moves.
extern const float DragGain;

void BeginDrag(uint16_t x, uint16_t y);
bool ContinueDrag(uint16_t y);   // true when the curve changed: repaint
void EndDrag();

// The sample a press at client x grabs, or -1 for none.
int32_t GrabbedSample(uint16_t x);

// Whether there is a pulse of that shape and width: the one check of a
// pulse, for every reader of events and the page.
bool ValidPulse(int32_t shape, int32_t width);

// Chooses the pulse of the drags to come; a drag in progress keeps its own.
// False, and nothing changes, for a shape or width out of range.
bool SetPulse(int32_t shape, int32_t width);
void ResetPulse();   // the program's own: the plateau of width 19

// The weight of the sample at t, |t| < 1, within the reach of a pulse of
// SHAPE; 0 for a shape out of range.
double PulseWeight(int32_t shape, double t);

// The weight with which a drag of PULSE at ANCHOR moves each sample, into
// WEIGHTS[0..SampleCount]: 0 for a sample that stays (a weight within reach
// is never 0). Returns how many samples move.
int32_t PulseWeights(const Pulse &pulse, int32_t anchor, double *weights);
