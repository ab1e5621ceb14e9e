// The model as a new run of the program has it: storage cleared, then the
// curve reset as the window's creation resets it. Tests start from here,
// whatever ran before them in the same process.
#pragma once

#include "model/curve.h"
#include "model/drag.h"
#include "model/theorem.h"

inline void StartFresh()
{
    Curve = CurveState{};
    Drag = DragState{};
    ResetCurve();
    ResetTheorem();
}
