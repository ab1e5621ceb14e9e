// Turns left-button drags into a rigid plateau of samples that follows the
// pointer. The pointer's height never matters for which sample is grabbed.
#include "model/drag.h"

#include "model/curve.h"

#include <math.h>

enum { PulseWidth = 19 };
static const double PulseReach = 2.66;             // times PulseWidth, in samples
static const double GrabToleranceTimesN = 450.0;   // N times 3/4 of a column step
static const float DragGain = 0.01f;               // held in single precision

DragState Drag;

// Moves every sample within reach of the anchor by one step.
static void ApplyPulse(double step)
{
    const double reach = PulseReach * (double)PulseWidth;
    for (int i = 0; i <= SampleCount; i++) {
        if (fabs((double)(i - Drag.AnchorIndex)) < reach)
            Curve.CurveValues[i] = Curve.CurveValues[i] - step;
    }
}

void BeginDrag(uint16_t x, uint16_t y)
{
    const double tolerance = GrabToleranceTimesN / (double)SampleCount;
    const double n = (double)(float)SampleCount;
    const double px = (double)(float)x;
    for (int i = 0; i <= SampleCount; i++) {
        double column = ((double)i / n) * (double)PlotWidth;
        if (fabs(column - px) < tolerance) {
            Drag.DragActive = 1;
            Drag.AnchorIndex = i;
            break;
        }
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
