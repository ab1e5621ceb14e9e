// What every fuzzer checks of the model: the drag's fields and pulses in range,
// samples that stay finite, within what the pointer's motion allows and at
// zero wherever no drag could reach, and the running integral.
#pragma once

#include "model/curve.h"
#include "model/drag.h"

#include <math.h>
#include <stdio.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

// The checks are not part of what the fuzzers explore: keep coverage
// instrumentation out of them, or they would dominate the fuzzers' time.
#define NO_COVERAGE __attribute__((no_sanitize("coverage")))

namespace fuzz {

const double Gain = 0.009999999776482582;   // per pixel of pointer motion, 0.01f
const double GainSlack = 1.0000001;         // rounding of the steps as they add up

NO_COVERAGE inline void Check(bool ok, const char *what)
{
    if (!ok) {
        fprintf(stderr, "invariant broken: %s\n", what);
        abort();
    }
}

NO_COVERAGE inline void CheckDrag()
{
    Check(Drag.DragActive == 0 || Drag.DragActive == 1, "drag flag");
    Check(Drag.AnchorIndex >= 0 && Drag.AnchorIndex <= SampleCount, "anchor in range");
    Check(Drag.LastPointerY >= 0 && Drag.LastPointerY <= 65535, "pointer y in range");
    const Pulse pulses[] = {Drag.DragPulse, Drag.NextPulse};
    for (const Pulse &p : pulses)
        Check(p.Shape >= 0 && p.Shape <= 3 && p.Width >= 1 && p.Width <= 60, "pulse in range");
}

// bound: the sum of the sizes of all drag steps so far; touched: the samples
// within reach of an anchor some step may have used. Written so that it
// vectorises: it runs after every event.
__attribute__((no_sanitize("address", "undefined", "coverage"))) inline bool SamplesWithin(double bound,
                                                                                           const bool *touched)
{
    bool bad = false;
    for (int i = 0; i <= SampleCount; i++) {
        double f = Curve.CurveValues[i];
        bad |= !(fabs(f) <= bound) | (!touched[i] & (f != 0.0));   // NaN fails the first
    }
    return !bad;
}

NO_COVERAGE inline void CheckSamples(double bound, const bool *touched)
{
    Check(isfinite(bound), "the bound itself overflowed");
    if (SamplesWithin(bound, touched))
        return;
    for (int i = 0; i <= SampleCount; i++) {
        double f = Curve.CurveValues[i];
        Check(isfinite(f) && fabs(f) <= bound, "sample beyond what the drags allow");
        Check(touched[i] || f == 0.0, "a sample out of reach moved");
    }
    Check(false, "the samples' checks disagree");
}

// A step moves the samples closer to the anchor than 2.66 times the
// pulse's width, or every sample for the whole curve (shape 3), each by at
// most the step.
NO_COVERAGE inline void MarkReach(int anchor, const Pulse &pulse, bool *touched)
{
    for (int i = 0; i <= SampleCount; i++)
        if (pulse.Shape == 3 || fabs((double)(i - anchor)) < 2.66 * pulse.Width)
            touched[i] = true;
}

// What a run of events allows, followed from outside the model: call Step
// after every move that moved the curve, and Check after every event.
struct Allowance {
    double bound = 0.0;
    bool touched[SampleCount + 1] = {};

    NO_COVERAGE void Step(int32_t fromY, int32_t toY)
    {
        bound += fabs((double)(toY - fromY) * Gain) * GainSlack;
        MarkReach(Drag.AnchorIndex, Drag.DragPulse, touched);
    }

    NO_COVERAGE void Check() const
    {
        CheckDrag();
        CheckSamples(bound, touched);
    }
};

// The running integral against its definition with shared prefixes: V[k]
// sums StepWidth * F[j] for j = 0..k-2 in increasing j, so each entry is the
// one before plus one product, and must match to the bit.
NO_COVERAGE inline void CheckIntegral()
{
    double sum = 0.0;
    Check(Curve.IntegralValues[0] == 0.0 && Curve.IntegralValues[1] == 0.0, "running sum does not start at zero");
    for (int k = 2; k <= SampleCount; k++) {
        sum = sum + Curve.StepWidth * Curve.CurveValues[k - 2];
        Check(memcmp(&sum, &Curve.IntegralValues[k], sizeof sum) == 0, "running sum differs from the definition");
    }
}

}   // namespace fuzz
