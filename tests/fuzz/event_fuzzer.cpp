// libFuzzer target: input bytes become press, move, release and key events
// with arbitrary 16-bit coordinates, and pulses of any small shape and
// width. The model is checked after every event; repaints are checked on a
// schedule that always ends with the final state, and so is the theorem of
// the final curve.
#include "model/curve.h"
#include "model/drag.h"
#include "render/painter.h"
#include "render/raster_surface.h"
#include "render/recording_surface.h"
#include "tests/fuzz/model_checks.h"
#include "tests/harness/fresh_model.h"
#include "model/integral_by_definition.h"

#include <stdint.h>
#include <string.h>
#include <sys/stat.h>

using namespace fuzz;

namespace {

// The painter's calls for one repaint: five passes (curve, mean, integral,
// two grids) of create, select, select back and delete, and 608 segments.
const int PensPerRepaint = 5;
const int SegmentsPerRepaint = 608;

// How often the checks run. The painter draws from the curve alone, and the
// state after any event is also the final state of a shorter input, which
// the fuzzer reaches by its own mutations; so a repaint every 64 events and
// one at the end miss no state the fuzzer cannot find otherwise. The costly
// checks (the recording surface, the integral by its definition, and the
// raster of the whole client area, which costs more than most inputs) end a
// fixed share of the inputs, chosen by their content so that a finding
// repeats when its input is run again.
const int RepaintEvery = 64;
const uint32_t ThoroughShare = 64;

// Set when the fuzzer is given input files to run rather than a corpus to
// grow: every event is then repainted, and checked thoroughly every 64
// events and at the end.
bool Reproducing = false;

// Keeps the same account of pens as the recording surface and counts the
// calls by kind, without storing them.
class CountingSurface final : public PlotSurface {
public:
    NO_COVERAGE void Clear()
    {
        pens = selects = deletes = moves = lines = faults = livePens = 0;
        selected = StockPen;
        for (bool &alive : alive_)
            alive = false;
    }

    NO_COVERAGE PlotObject CreatePen(int, int, PlotColour) override
    {
        pens++;
        for (PlotObject slot = 1; slot < MaxTracked; slot++) {
            if (!alive_[slot]) {
                alive_[slot] = true;
                livePens++;
                return slot;
            }
        }
        return 0;
    }

    NO_COVERAGE PlotObject SelectObject(PlotObject object) override
    {
        selects++;
        if (object != StockPen && (object == 0 || object >= MaxTracked || !alive_[object])) {
            faults++;
            return 0;
        }
        PlotObject previous = selected;
        selected = object;
        return previous;
    }

    NO_COVERAGE void MoveToEx(int32_t, int32_t) override { moves++; }
    NO_COVERAGE void LineTo(int32_t, int32_t) override { lines++; }

    NO_COVERAGE void DeleteObject(PlotObject object) override
    {
        deletes++;
        if (object == 0 || object >= MaxTracked || !alive_[object] || object == selected) {
            faults++;
            return;
        }
        alive_[object] = false;
        livePens--;
    }

    int pens, selects, deletes, moves, lines, faults, livePens;
    PlotObject selected;

private:
    static constexpr PlotObject MaxTracked = 64;
    bool alive_[MaxTracked];
};

// Written so that it vectorises: no sanitizer checks in the loop.
__attribute__((no_sanitize("address", "undefined", "coverage"))) bool AllKnownColours(const uint32_t *pixels, int count)
{
    bool bad = false;
    for (int i = 0; i < count; i++) {
        uint32_t c = pixels[i];
        bad |= !((c == 0x008000) | (c == 0xFF0000) | (c == 0x00FF00) | (c == 0xFFFF00) | (c == 0xC8BE14) |
                 (c == 0xE6BE00) | (c == 0xFFFFFF));
    }
    return !bad;
}

NO_COVERAGE void CheckRepaint(bool thorough)
{
    static CountingSurface counting;
    counting.Clear();
    PaintContent(counting);
    CheckIntegral();
    Check(counting.faults == 0, "a pen was selected or deleted wrongly");
    Check(counting.livePens == 0, "a pen was not deleted");
    Check(counting.selected == StockPen, "the original pen was not put back");
    Check(counting.pens == PensPerRepaint && counting.selects == 2 * PensPerRepaint &&
              counting.deletes == PensPerRepaint,
          "a repaint is 5 passes of create, select, select back and delete");
    Check(counting.moves == SegmentsPerRepaint && counting.lines == SegmentsPerRepaint, "a repaint draws 608 segments");
    if (!thorough)
        return;

    static RecordingSurface recording;
    recording.Clear();
    PaintContent(recording);
    Check(recording.faults == 0 && recording.livePens == 0 && recording.selected == StockPen,
          "the recording surface's account of pens");
    Check(recording.calls.size() == 4 * PensPerRepaint + 2 * SegmentsPerRepaint,
          "a recorded repaint is 5 passes and 608 segments");

    static double expected[SampleCount + 1];
    IntegralByDefinition(Curve, expected);
    Check(memcmp(expected, Curve.IntegralValues, sizeof expected) == 0, "running sum differs from the definition");

    static RasterSurface raster(ClientWidth, ClientHeight);
    raster.Clear();
    PaintContent(raster);
    Check(AllKnownColours(raster.Pixels(), raster.Width() * raster.Height()), "a pixel of a colour nobody draws");
}

NO_COVERAGE uint32_t Fingerprint(const uint8_t *data, size_t size)
{
    uint32_t h = 2166136261u;   // FNV-1a
    for (size_t i = 0; i < size; i++)
        h = (h ^ data[i]) * 16777619u;
    return h;
}

}   // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    for (int i = 1; i < *argc; i++) {
        struct stat st;
        const char *arg = (*argv)[i];
        if (arg[0] != '-' && stat(arg, &st) == 0 && S_ISREG(st.st_mode))
            Reproducing = true;
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    StartFresh();
    const bool thorough = Reproducing || Fingerprint(data, size) % ThoroughShare == 0;
    const int repaintEvery = Reproducing ? 1 : RepaintEvery;

    // No sample moves by more than the sum of all steps, and a sample never
    // within reach of an anchor stays at zero.
    Allowance allowance;

    int events = 0;
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
            if (changed)
                allowance.Step(last, y);
        } else if (kind == 2) {
            EndDrag();
        } else if (data[at] & 4) {
            // A pulse, in range or not: taken for the next press only.
            const int32_t shape = (int8_t)data[at + 3], width = (int8_t)data[at + 4];
            const Pulse before = Drag.NextPulse, held = Drag.DragPulse;
            const bool valid = shape >= 0 && shape <= 3 && width >= 1 && width <= 60;
            Check(SetPulse(shape, width) == valid, "a pulse taken out of range, or refused in range");
            const Pulse now = Drag.NextPulse;
            Check(valid ? now.Shape == shape && now.Width == width :
                          now.Shape == before.Shape && now.Width == before.Width,
                  "the pulse chosen is not the one given, or a refused one changed it");
            Check(Drag.DragPulse.Shape == held.Shape && Drag.DragPulse.Width == held.Width,
                  "choosing a pulse changed the drag in progress");
        } else if (data[at + 1] == 27) {
            break;   // Esc ends the program
        }
        allowance.Check();
        events++;
        if (events % repaintEvery == 0)
            CheckRepaint(Reproducing && events % RepaintEvery == 0);
    }
    CheckRepaint(thorough);
    // The theorem of the final curve, over an interval the input's first
    // bytes choose.
    const int32_t a = size >= 2 ? (data[0] | data[1] << 8) % SampleCount : 0;
    const int32_t b = size >= 4 ? a + 1 + (data[2] | data[3] << 8) % (SampleCount - a) : SampleCount;
    CheckTheorem(a, b);
    return 0;
}
