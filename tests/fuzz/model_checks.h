// What every fuzzer checks of the model: the drag's fields and pulses in range,
// samples that stay finite, within what the pointer's motion allows and at
// zero wherever no drag could reach, the running integral, and the theorem
// over an interval.
#pragma once

#include "model/curve.h"
#include "model/drag.h"
#include "model/theorem.h"

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

// The theorem over [a, b] from outside: c's strictly increasing inside the
// interval, each where the curve as drawn is within rounding of the mean,
// stretches in order and clear of the c's, and two areas that balance
// within rounding of the curve's size; the running integral ends at the
// integral.
NO_COVERAGE inline void CheckTheorem(int32_t first, int32_t last)
{
    Check(SetTheoremInterval(first, last), "a valid interval refused");
    ComputeTheorem();
    const TheoremState &t = Theorem;
    const double *f = Curve.CurveValues, step = Curve.StepWidth;
    double scale = 0.0;
    for (int k = first; k <= last; k++)
        scale = fabs(f[k]) > scale ? fabs(f[k]) : scale;
    Check(t.PointCount >= 0 && t.PointCount <= last - first + 1, "more c's than samples");
    Check(t.StretchCount >= 0 && t.StretchCount <= (last - first + 1) / 2, "more stretches than pairs of samples");
    Check(t.RunningIntegral[last] == t.Integral, "the running integral does not end at the integral");
    Check(isfinite(t.Mean) && fabs(t.Mean) <= scale * (1 + 1e-12), "the mean outside the curve's range");
    const double lo = first * step, hi = last * step;
    double previous = -1.0;
    for (int i = 0; i < t.PointCount; i++) {
        const double c = t.Points[i];
        Check(c > previous && c >= lo && c <= hi * (1 + 1e-15), "c's not increasing inside the interval");
        previous = c;
        int k = (int)(c / step);
        k = k < first ? first : k >= last ? last - 1 : k;
        const double u = c / step - k, fc = f[k] + u * (f[k + 1] - f[k]);
        // a and b are c's within what the plot shows; inside, within rounding.
        const bool atEnd = t.PointPositions[i] == first || t.PointPositions[i] == last;
        Check(fabs(fc - t.Mean) <= (atEnd ? OnMeanAtEndTolerance * (1 + 1e-12) : 1e-7) * scale + 1e-300,
              "the curve is not at its mean at a c");
        for (int s = 0; s < t.StretchCount; s++)
            Check(c < t.Stretches[s][0] || c > t.Stretches[s][1], "a c inside a stretch");
    }
    for (int s = 0; s < t.StretchCount; s++) {
        Check(t.Stretches[s][0] < t.Stretches[s][1], "an empty stretch");
        Check(s == 0 || t.Stretches[s - 1][1] < t.Stretches[s][0], "stretches out of order or touching");
    }
    Check(t.AreaAbove >= 0.0 && t.AreaBelow >= 0.0, "a negative area");
    Check(fabs(t.AreaAbove - t.AreaBelow) <= 1e-12 * scale * (hi - lo) * 1000.0, "the areas do not balance");
}

}   // namespace fuzz
