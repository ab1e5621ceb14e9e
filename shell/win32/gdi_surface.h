// The painter's drawing operations on a Windows device context: each one
// forwards to the GDI call of the same name.
#pragma once

#include "render/plot_surface.h"

#include <windows.h>

class GdiSurface final : public PlotSurface {
public:
    explicit GdiSurface(HDC dc) : dc_(dc) {}

    PlotObject CreatePen(int style, int width, PlotColour colour) override
    {
        return (PlotObject)::CreatePen(style, width, (COLORREF)colour);
    }
    PlotObject SelectObject(PlotObject object) override { return (PlotObject)::SelectObject(dc_, (HGDIOBJ)object); }
    void MoveToEx(int32_t x, int32_t y) override { ::MoveToEx(dc_, x, y, NULL); }
    void LineTo(int32_t x, int32_t y) override { ::LineTo(dc_, x, y); }
    void DeleteObject(PlotObject object) override { ::DeleteObject((HGDIOBJ)object); }

private:
    HDC dc_;
};
