// A software surface: draws the painter's lines into a 32-bit pixel buffer
// (0x00RRGGBB, top-down rows) following the rules GDI uses for them, so a
// picture can be made without Windows.
#pragma once

#include "render/client_area.h"
#include "render/plot_surface.h"

#include <stddef.h>
#include <stdint.h>
#include <vector>

class RasterSurface final : public PlotSurface {
public:
    RasterSurface(int width, int height);

    // Erases the buffer to a COLORREF, as the class brush erases the window,
    // and restores the device context's defaults (stock pen, origin).
    void Clear(PlotColour background = BackgroundColour);

    int Width() const { return width_; }
    int Height() const { return height_; }
    const uint32_t *Pixels() const { return pixels_.data(); }
    uint32_t PixelAt(int x, int y) const { return pixels_[Index(x, y)]; }

    PlotObject CreatePen(int style, int width, PlotColour colour) override;
    PlotObject SelectObject(PlotObject object) override;
    void MoveToEx(int32_t x, int32_t y) override;
    void LineTo(int32_t x, int32_t y) override;
    void DeleteObject(PlotObject object) override;

private:
    struct Pen {
        bool used;
        int style;
        int width;
        uint32_t rgb;
    };
    enum { MaxPens = 8 };

    size_t Index(int64_t x, int64_t y) const { return (size_t)y * (size_t)width_ + (size_t)x; }   // inside only
    const Pen *SelectedPen() const;
    void Span(int64_t y, int64_t x0, int64_t x1, uint32_t rgb);                 // [x0, x1)
    void Block(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t rgb);   // inclusive
    void AxisLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, const Pen &pen);
    void CosmeticLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, const Pen &pen);
    void WideLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t rgb);

    int width_;
    int height_;
    std::vector<uint32_t> pixels_;
    Pen pens_[MaxPens];
    PlotObject selected_;
    int32_t currentX_;
    int32_t currentY_;
};

uint32_t RgbFromColour(PlotColour colour);
