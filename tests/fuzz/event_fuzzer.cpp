// libFuzzer target: input bytes become press, move, release and key events
// with arbitrary 16-bit coordinates. After every event the model is checked
// and a repaint is drawn into the recording and the raster surfaces.
#include "model/curve.h"
#include "model/drag.h"
#include "render/painter.h"
#include "render/raster_surface.h"
#include "render/recording_surface.h"
#include "tests/unit/reference_integral.h"

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// The checks are not part of what the fuzzer explores: keep coverage
// instrumentation out of them, or they would dominate its time.
#define NO_COVERAGE __attribute__((no_sanitize("coverage")))

namespace {

const double Gain = 0.009999999776482582;   // per pixel of pointer motion
const int Reach = 50;                         // samples moved on each side

NO_COVERAGE void Check(bool ok, const char *what)
{
    if (!ok) {
        fprintf(stderr, "invariant broken: %s\n", what);
        abort();
    }
}

NO_COVERAGE bool KnownColour(uint32_t rgb)
{
    static const uint32_t colours[] = {0x008000, 0xFF0000, 0x00FF00, 0xFFFF00,
                                       0xC8BE14, 0xE6BE00, 0xFFFFFF};
    for (uint32_t c : colours)
        if (rgb == c)
            return true;
    return false;
}

// Every event gets a recorded repaint; the slow checks (the integral by its
// definition, the raster and its colours) run on some events and at the end.
NO_COVERAGE void CheckRepaint(RecordingSurface &recording, RasterSurface &raster, bool thorough)
{
    recording.Clear();
    PaintContent(recording);
    if (thorough) {
        static double expected[SampleCount + 1];
        IntegralByDefinition(Curve, expected);
        Check(memcmp(expected, Curve.IntegralValues, sizeof expected) == 0,
              "running sum differs from the definition");
    }
    Check(recording.faults == 0, "a pen was selected or deleted wrongly");
    Check(recording.livePens == 0, "a pen was not deleted");
    Check(recording.selected == RecordingSurface::StockPen, "the original pen was not put back");
    Check(recording.calls.size() == 20 + 2 * 608, "a repaint is 5 passes and 608 lines");

    if (thorough) {
        raster.Clear();
        PaintContent(raster);
        for (int i = 0; i < raster.Width() * raster.Height(); i++)
            Check(KnownColour(raster.Pixels()[i]), "a pixel of a colour nobody draws");
    }
}

NO_COVERAGE void CheckSamples(double bound, const bool *touched)
{
    for (int i = 0; i <= SampleCount; i++) {
        double f = Curve.CurveValues[i];
        Check(isfinite(f) && fabs(f) <= bound, "sample beyond what the drags allow");
        Check(touched[i] || f == 0.0, "a sample out of reach moved");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static RecordingSurface recording;
    static RasterSurface raster(ClientWidth, ClientHeight);
    Curve = CurveState{};
    Drag = DragState{};
    ResetCurve();

    // What the events allow: no sample moves by more than the sum of all
    // steps, and a sample never within reach of an anchor stays at zero.
    double bound = 0.0;
    bool touched[SampleCount + 1] = {};

    size_t events = 0;
    for (size_t at = 0; at + 5 <= size; at += 5) {
        uint8_t kind = data[at] & 3;
        uint16_t x = (uint16_t)(data[at + 1] | data[at + 2] << 8);
        uint16_t y = (uint16_t)(data[at + 3] | data[at + 4] << 8);
        if (kind == 0) {
            BeginDrag(x, y);
        } else if (kind == 1) {
            int32_t last = Drag.LastPointerY;
            bool active = Drag.DragActive;
            bool changed = ContinueDrag(y);
            Check(changed == active, "a move reported a change without a drag, or none with one");
            if (changed) {
                bound += fabs((double)((int32_t)y - last) * Gain) * 1.0000001;
                for (int i = Drag.AnchorIndex - Reach; i <= Drag.AnchorIndex + Reach; i++)
                    if (i >= 0 && i <= SampleCount)
                        touched[i] = true;
            }
        } else if (kind == 2) {
            EndDrag();
        } else if (data[at + 1] == 27) {
            break;   // Esc ends the program
        }
        Check(Drag.DragActive == 0 || Drag.DragActive == 1, "drag flag");
        Check(Drag.AnchorIndex >= 0 && Drag.AnchorIndex <= SampleCount, "anchor in range");
        Check(Drag.LastPointerY >= 0 && Drag.LastPointerY <= 65535, "pointer y in range");
        CheckSamples(bound, touched);
        CheckRepaint(recording, raster, events % 64 == 63);
        events++;
    }
    CheckRepaint(recording, raster, true);
    return 0;
}
