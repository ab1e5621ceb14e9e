// The five drawing operations the painter needs, shaped after the Windows
// graphics calls so that the GDI surface only forwards them. The device
// context is the surface itself.
#pragma once

#include <stdint.h>

typedef uintptr_t PlotObject;   // a pen, or whatever was selected before
typedef uint32_t PlotColour;    // 0x00BBGGRR, as a COLORREF

enum PlotPenStyle { PlotPenSolid = 0, PlotPenDash = 1 };   // PS_SOLID, PS_DASH

// What a fresh device context has selected, GDI's default pen (black, width
// 1), as the software surfaces name it: no pen they create has this value.
const PlotObject StockPen = 0x10000;

class PlotSurface {
public:
    virtual PlotObject CreatePen(int style, int width, PlotColour colour) = 0;
    virtual PlotObject SelectObject(PlotObject object) = 0;
    virtual void MoveToEx(int32_t x, int32_t y) = 0;
    virtual void LineTo(int32_t x, int32_t y) = 0;
    virtual void DeleteObject(PlotObject object) = 0;

protected:
    ~PlotSurface() {}
};
