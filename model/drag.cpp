// Turns left-button drags into a pulse of samples that follows the pointer.
// The pointer's height never matters for which sample is grabbed.
#include "model/drag.h"

#include "model/curve.h"

#include <math.h>

static const double GrabToleranceTimesN = 450.0;   // N times 3/4 of a column step
const float DragGain = 0.01f;                      // held in single precision

DragState Drag;

bool ValidPulse(int32_t shape, int32_t width)
{
    return shape >= 0 && shape < PulseShapeCount && width >= MinPulseWidth && width <= MaxPulseWidth;
}

double PulseWeight(int32_t shape, double t)
{
    switch (shape) {
    case PulsePlateau:
    case PulseWholeCurve:
        return 1.0;
    case PulseHill: {
        const double u = 1.0 - t * t;
        return u * u;
    }
    case PulseTriangle:
        return 1.0 - fabs(t);
    }
    return 0.0;
}

// One loop a shape, so that the plateau and the whole curve subtract the
// step itself, as they always have, and no sample pays for a switch.
static void ApplyPulse(double step)
{
    const Pulse pulse = Drag.DragPulse;
    const int32_t a = Drag.AnchorIndex;
    const double reach = PulseReach * (double)pulse.Width;
    double *f = Curve.CurveValues;
    switch (pulse.Shape) {
    case PulsePlateau:
        for (int i = 0; i <= SampleCount; i++)
            if (fabs((double)(i - a)) < reach)
                f[i] = f[i] - step;
        break;
    case PulseHill:
        for (int i = 0; i <= SampleCount; i++) {
            if (fabs((double)(i - a)) < reach) {
                const double t = (double)(i - a) / reach;
                const double u = 1.0 - t * t;
                f[i] = f[i] - step * (u * u);
            }
        }
        break;
    case PulseTriangle:
        for (int i = 0; i <= SampleCount; i++) {
            if (fabs((double)(i - a)) < reach) {
                const double t = (double)(i - a) / reach;
                f[i] = f[i] - step * (1.0 - fabs(t));
            }
        }
        break;
    case PulseWholeCurve:
        for (int i = 0; i <= SampleCount; i++)
            f[i] = f[i] - step;
        break;
    }
}

int32_t PulseWeights(const Pulse &pulse, int32_t anchor, double *weights)
{
    int32_t moved = 0;
    const bool valid = ValidPulse(pulse.Shape, pulse.Width) && anchor >= 0 && anchor <= SampleCount;
    const double reach = PulseReach * (double)pulse.Width;
    for (int i = 0; i <= SampleCount; i++) {
        const bool within = pulse.Shape == PulseWholeCurve || fabs((double)(i - anchor)) < reach;
        weights[i] = valid && within ? PulseWeight(pulse.Shape, (double)(i - anchor) / reach) : 0.0;
        moved += weights[i] != 0.0;
    }
    return moved;
}

bool SetPulse(int32_t shape, int32_t width)
{
    if (!ValidPulse(shape, width))
        return false;
    Drag.NextPulse.Shape = shape;
    Drag.NextPulse.Width = width;
    return true;
}

void ResetPulse()
{
    Drag.NextPulse = Pulse();
}

int32_t GrabbedSample(uint16_t x)
{
    const double tolerance = GrabToleranceTimesN / (double)SampleCount;
    const double n = (double)(float)SampleCount;
    const double px = (double)(float)x;
    for (int i = 0; i <= SampleCount; i++) {
        double column = ((double)i / n) * (double)PlotWidth;
        if (fabs(column - px) < tolerance)
            return i;
    }
    return -1;
}

// A press that misses keeps a drag in progress, its anchor and its pulse.
void BeginDrag(uint16_t x, uint16_t y)
{
    const int32_t grabbed = GrabbedSample(x);
    if (grabbed >= 0) {
        Drag.DragActive = 1;
        Drag.AnchorIndex = grabbed;
        Drag.DragPulse = Drag.NextPulse;
    }
    Drag.LastPointerY = y;
}

bool ContinueDrag(uint16_t y)
{
    if (!Drag.DragActive)
        return false;
    int32_t dy = (int32_t)y - Drag.LastPointerY;
    Drag.LastPointerY = y;
    double step = (double)dy * (double)DragGain;
    ApplyPulse(step);
    return true;   // even a zero step asks for a repaint
}

void EndDrag()
{
    Drag.DragActive = 0;
}
