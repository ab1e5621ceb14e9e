// The browser page's WebAssembly module: the curve model and the painter,
// unchanged, behind the few entry points the page calls, in the order the
// main window calls them. It imports nothing.
#include "model/curve.h"
#include "model/drag.h"
#include "render/client_area.h"
#include "render/painter.h"
#include "render/raster_surface.h"

#include <stdint.h>

#define PAGE_EXPORT(name) extern "C" __attribute__((export_name(name)))

// One surface for the whole run, as the window keeps one client area, and
// the canvas's pixels beside it: ImageData wants R, G, B, A bytes.
static RasterSurface *Surface;
static uint32_t CanvasPixels[ClientWidth * ClientHeight];

PAGE_EXPORT("width") int32_t PageWidth()
{
    return ClientWidth;
}
PAGE_EXPORT("height") int32_t PageHeight()
{
    return ClientHeight;
}

// Window creation.
PAGE_EXPORT("reset") void PageReset()
{
    if (!Surface)
        Surface = new RasterSurface(ClientWidth, ClientHeight);
    ResetCurve();
}

// Coordinates are client pixels; the page passes them as the window's
// message would carry them, 16 bits each.
PAGE_EXPORT("press") void PagePress(int32_t x, int32_t y)
{
    BeginDrag((uint16_t)x, (uint16_t)y);
}
PAGE_EXPORT("move") int32_t PageMove(int32_t y)
{
    return ContinueDrag((uint16_t)y) ? 1 : 0;
}
PAGE_EXPORT("release") void PageRelease()
{
    EndDrag();
}

// One repaint: erase, paint, and hand back the pixels as RGBA bytes.
PAGE_EXPORT("paint") const uint32_t *PagePaint()
{
    Surface->Clear();
    PaintContent(*Surface);
    const uint32_t *from = Surface->Pixels();
    for (int i = 0; i < ClientWidth * ClientHeight; i++) {
        const uint32_t p = from[i];   // 0x00RRGGBB
        CanvasPixels[i] = 0xFF000000u | (p & 0xFFu) << 16 | (p & 0xFF00u) | (p >> 16 & 0xFFu);
    }
    return CanvasPixels;
}
