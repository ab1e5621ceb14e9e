// The painter's drawing operations on a Windows device context: each one
// forwards to the GDI call of the same name. It also keeps a count of the
// pens it made that GDI has not yet deleted, so a soak test can see a leak.
#pragma once

#include "plot_surface.h"

#include <windows.h>

class GdiSurface : public PlotSurface {
public:
    explicit GdiSurface(HDC dc) : dc_(dc) {}

    PlotObject CreatePen(int style, int width, PlotColour colour) override
    {
        HPEN pen = ::CreatePen(style, width, (COLORREF)colour);
        if (pen) {
            LivePens++;
            PensCreated++;
        }
        return (PlotObject)pen;
    }
    PlotObject SelectObject(PlotObject object) override
    {
        return (PlotObject)::SelectObject(dc_, (HGDIOBJ)object);
    }
    void MoveToEx(int32_t x, int32_t y) override { ::MoveToEx(dc_, x, y, NULL); }
    void LineTo(int32_t x, int32_t y) override { ::LineTo(dc_, x, y); }
    void DeleteObject(PlotObject object) override
    {
        if (::DeleteObject((HGDIOBJ)object))
            LivePens--;
    }

    static inline long LivePens = 0;      // pens created and not deleted
    static inline long PensCreated = 0;   // all pens ever created

private:
    HDC dc_;
};
