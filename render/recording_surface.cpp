// Records the painter's calls and keeps account of its pens, so tests can
// see both what was drawn and that every pen was put back and deleted.
#include "render/recording_surface.h"

void RecordingSurface::Clear()
{
    calls.clear();
    selected = StockPen;
    livePens = 0;
    faults = 0;
    for (bool &alive : alive_)
        alive = false;
}

PlotObject RecordingSurface::CreatePen(int style, int width, PlotColour colour)
{
    PlotObject pen = 0;
    for (PlotObject slot = 1; slot < (PlotObject)MaxTracked && !pen; slot++)
        if (!alive_[slot])
            pen = slot;
    if (pen) {
        alive_[pen] = true;
        livePens++;
    }
    calls.push_back(PlotCall{CallCreatePen, 0, 0, style, width, colour, 0, pen});
    return pen;
}

PlotObject RecordingSurface::SelectObject(PlotObject object)
{
    PlotObject previous = 0;
    if (object == StockPen || (object < MaxTracked && object != 0 && alive_[object])) {
        previous = selected;
        selected = object;
    } else {
        faults++;
    }
    calls.push_back(PlotCall{CallSelectObject, 0, 0, 0, 0, 0, object, previous});
    return previous;
}

void RecordingSurface::MoveToEx(int32_t x, int32_t y)
{
    calls.push_back(PlotCall{CallMoveToEx, x, y, 0, 0, 0, 0, 0});
}

void RecordingSurface::LineTo(int32_t x, int32_t y)
{
    calls.push_back(PlotCall{CallLineTo, x, y, 0, 0, 0, 0, 0});
}

void RecordingSurface::DeleteObject(PlotObject object)
{
    if (object != 0 && object < MaxTracked && alive_[object] && object != selected) {
        alive_[object] = false;
        livePens--;
    } else {
        faults++;
    }
    calls.push_back(PlotCall{CallDeleteObject, 0, 0, 0, 0, 0, object, 0});
}
