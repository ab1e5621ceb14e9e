// The drag that deforms the curve: a press grabs the sample under the
// pointer, and each vertical move shifts a plateau of samples around it.
#pragma once

#include <stdint.h>

struct DragState {
    int32_t DragActive;     // 1 while the left button holds the curve
    int32_t AnchorIndex;    // sample grabbed by the last successful press
    int32_t LastPointerY;   // pointer y at the last press or drag step
};

extern DragState Drag;

void BeginDrag(uint16_t x, uint16_t y);
bool ContinueDrag(uint16_t y);   // true when the curve changed: repaint
void EndDrag();
