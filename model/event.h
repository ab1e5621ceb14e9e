// One input event as the model takes it: a press, move or release of the
// left button at client pixels, a key, the pulse of the drags to come, or
// the theorem's interval; or a whole curve's samples. Event scripts and links are read into these.
#pragma once

#include <stdint.h>

enum ScriptEventKind {
    EventDown,
    EventMove,
    EventUp,
    EventKey,
    EventPulse,      // x is the shape, y the width
    EventInterval,   // x and y are the samples a and b
    EventSamples,    // samples: every sample of a curve, as a link in its state form holds them
};

struct ScriptEvent {
    ScriptEventKind kind;
    uint16_t x, y;   // EventInterval: the samples a and b of [a, b]
    bool escape;     // EventKey: the Esc key, which ends the program
    // EventSamples: SampleCount + 1 finite values, held by whoever read
    // them for as long as it lives.
    const double *samples;
};
