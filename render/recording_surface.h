// A surface that draws nothing and records every call with its arguments,
// for tests and for the replay tool's listing of a repaint.
#pragma once

#include "render/plot_surface.h"

#include <stddef.h>
#include <stdint.h>
#include <vector>

enum PlotCallKind { CallCreatePen, CallSelectObject, CallMoveToEx, CallLineTo, CallDeleteObject };

struct PlotCall {
    PlotCallKind kind;
    int32_t x, y;        // MoveToEx and LineTo
    int style, width;    // CreatePen
    PlotColour colour;   // CreatePen
    PlotObject object;   // the argument of SelectObject and DeleteObject
    PlotObject result;   // what CreatePen and SelectObject returned
};

class RecordingSurface final : public PlotSurface {
public:
    RecordingSurface()
    {
        calls.reserve(1024);
        Clear();
    }
    void Clear();   // forgets the calls but keeps their storage

    PlotObject CreatePen(int style, int width, PlotColour colour) override;
    PlotObject SelectObject(PlotObject object) override;
    void MoveToEx(int32_t x, int32_t y) override;
    void LineTo(int32_t x, int32_t y) override;
    void DeleteObject(PlotObject object) override;

    std::vector<PlotCall> calls;
    PlotObject selected;   // currently selected object
    int livePens;          // created and not yet deleted
    int faults;            // selects of unknown objects, deletes of selected or dead pens

private:
    static constexpr int MaxTracked = 64;
    bool alive_[MaxTracked];
};
