// Line rasterisation after GDI's rules as measured on Wine: width-1 lines
// step along the major axis and leave the end point out, dashes restart at
// every LineTo with white gaps, width-2 lines are a band with round caps.
#include "raster_surface.h"

#include <math.h>

// Exact integer arithmetic needs products of coordinate differences to fit
// in 64 bits. Segments reaching past this are clipped first; the buffer is
// far smaller, so only the unseen part of such a line is affected.
static const int64_t ExactLimit = (int64_t)1 << 28;
static const double ClipBox = (double)((int64_t)1 << 27);

static const uint32_t White = 0x00FFFFFF;   // default opaque background colour
static const int DashOn = 18;
static const int DashPeriod = 24;

uint32_t RgbFromColour(PlotColour colour)
{
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

static int64_t Abs64(int64_t v) { return v < 0 ? -v : v; }
static int64_t Min64(int64_t a, int64_t b) { return a < b ? a : b; }
static int64_t Max64(int64_t a, int64_t b) { return a > b ? a : b; }

// ceil(a / b) for b != 0, exact.
static int64_t CeilDiv(int64_t a, int64_t b)
{
    if (b < 0) {
        a = -a;
        b = -b;
    }
    int64_t q = a / b;
    if (a % b > 0)
        q++;
    return q;
}

// Clips (x0,y0)-(x1,y1) to the square |x|,|y| <= ClipBox (Liang-Barsky) and
// rounds the new ends. Returns false when the segment misses the square.
static bool ClipToBox(int64_t &x0, int64_t &y0, int64_t &x1, int64_t &y1)
{
    double ax = (double)x0, ay = (double)y0;
    double dx = (double)x1 - ax, dy = (double)y1 - ay;
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax + ClipBox, ClipBox - ax, ay + ClipBox, ClipBox - ay};
    for (int i = 0; i < 4; i++) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return false;
            continue;
        }
        double r = q[i] / p[i];
        if (p[i] < 0.0) {
            if (r > t1)
                return false;
            if (r > t0)
                t0 = r;
        } else {
            if (r < t0)
                return false;
            if (r < t1)
                t1 = r;
        }
    }
    x1 = (int64_t)floor(ax + t1 * dx + 0.5);
    y1 = (int64_t)floor(ay + t1 * dy + 0.5);
    x0 = (int64_t)floor(ax + t0 * dx + 0.5);
    y0 = (int64_t)floor(ay + t0 * dy + 0.5);
    return true;
}

RasterSurface::RasterSurface(int width, int height)
    : width_(width > 0 ? width : 0),
      height_(height > 0 ? height : 0),
      pixels_((size_t)width_ * (size_t)height_)
{
    Clear();
}

void RasterSurface::Clear(PlotColour background)
{
    uint32_t rgb = RgbFromColour(background);
    for (uint32_t &p : pixels_)
        p = rgb;
    for (Pen &pen : pens_)
        pen.used = false;
    selected_ = StockPen;
    currentX_ = 0;
    currentY_ = 0;
}

PlotObject RasterSurface::CreatePen(int style, int width, PlotColour colour)
{
    bool cosmetic = width <= 1 && (style == PlotPenSolid || style == PlotPenDash);
    bool wide = width == 2 && style == PlotPenSolid;
    if (!cosmetic && !wide)
        return 0;   // not a pen this surface can draw: fails as GDI does, with 0
    for (int i = 0; i < MaxPens; i++) {
        if (!pens_[i].used) {
            pens_[i].used = true;
            pens_[i].style = style;
            pens_[i].width = cosmetic ? 1 : 2;
            pens_[i].rgb = RgbFromColour(colour);
            return (PlotObject)(i + 1);
        }
    }
    return 0;
}

PlotObject RasterSurface::SelectObject(PlotObject object)
{
    bool pen = object >= 1 && object <= MaxPens && pens_[object - 1].used;
    if (!pen && object != StockPen)
        return 0;
    PlotObject previous = selected_;
    selected_ = object;
    return previous;
}

void RasterSurface::DeleteObject(PlotObject object)
{
    // A selected pen stays alive, as GDI will not free it from under a DC.
    if (object >= 1 && object <= MaxPens && object != selected_)
        pens_[object - 1].used = false;
}

void RasterSurface::MoveToEx(int32_t x, int32_t y)
{
    currentX_ = x;
    currentY_ = y;
}

const RasterSurface::Pen *RasterSurface::SelectedPen() const
{
    static const Pen stock = {true, PlotPenSolid, 1, 0x00000000};
    if (selected_ == StockPen)
        return &stock;
    return &pens_[selected_ - 1];
}

void RasterSurface::LineTo(int32_t x, int32_t y)
{
    int64_t x0 = currentX_, y0 = currentY_, x1 = x, y1 = y;
    currentX_ = x;
    currentY_ = y;
    const Pen &pen = *SelectedPen();

    int64_t phase = 0;
    if (Max64(Max64(Abs64(x0), Abs64(y0)), Max64(Abs64(x1), Abs64(y1))) > ExactLimit) {
        int64_t sx = x0, sy = y0;
        if (!ClipToBox(x0, y0, x1, y1))
            return;
        // Keep the dash pattern where it was, counted from the real start.
        phase = Abs64(x1 - x0) > Abs64(y1 - y0) ? Abs64(x0 - sx) : Abs64(y0 - sy);
        phase %= DashPeriod;
    }
    if (pen.width == 2)
        WideLine(x0, y0, x1, y1, pen.rgb);
    else
        CosmeticLine(x0, y0, x1, y1, phase, pen);
}

void RasterSurface::Span(int64_t y, int64_t x0, int64_t x1, uint32_t rgb)
{
    if (y < 0 || y >= height_)
        return;
    x0 = Max64(x0, 0);
    x1 = Min64(x1, width_);
    uint32_t *row = &pixels_[(size_t)y * width_];
    for (int64_t x = x0; x < x1; x++)
        row[x] = rgb;
}

void RasterSurface::Block(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t rgb)
{
    for (int64_t y = Max64(y0, 0); y <= Min64(y1, (int64_t)height_ - 1); y++)
        Span(y, x0, x1 + 1, rgb);
}

// One pixel per step along the major axis (x when |dx| > |dy|, so exact
// diagonals are y-major), the end point left out. The minor coordinate is
// ceil(exact - 1/2): ties go to the smaller coordinate.
void RasterSurface::CosmeticLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1,
                                 int64_t phase, const Pen &pen)
{
    int64_t dx = x1 - x0, dy = y1 - y0;
    if (dx == 0 && dy == 0)
        return;
    bool xMajor = Abs64(dx) > Abs64(dy);
    int64_t p0 = xMajor ? x0 : y0, q0 = xMajor ? y0 : x0;
    int64_t dp = xMajor ? dx : dy, dq = xMajor ? dy : dx;
    int64_t majorExtent = xMajor ? width_ : height_;
    int64_t minorExtent = xMajor ? height_ : width_;
    int64_t steps = Abs64(dp), sign = dp > 0 ? 1 : -1;

    // Only the steps whose major coordinate falls inside the buffer.
    int64_t tFirst = sign > 0 ? -p0 : p0 - (majorExtent - 1);
    int64_t tLast = sign > 0 ? majorExtent - 1 - p0 : p0;
    tFirst = Max64(tFirst, 0);
    tLast = Min64(tLast, steps - 1);
    for (int64_t t = tFirst; t <= tLast; t++) {
        int64_t q = q0 + CeilDiv(2 * t * dq - steps, 2 * steps);
        if (q < 0 || q >= minorExtent)
            continue;
        int64_t p = p0 + sign * t;
        bool on = pen.style != PlotPenDash || (t + phase) % DashPeriod < DashOn;
        uint32_t rgb = on ? pen.rgb : White;
        if (xMajor)
            pixels_[(size_t)q * width_ + p] = rgb;
        else
            pixels_[(size_t)p * width_ + q] = rgb;
    }
}

// A width-2 segment is drawn on its own: a 2x2 cap at each end, joined by a
// band two pixels wide. Slanted bands are a parallelogram filled by rows.
void RasterSurface::WideLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t rgb)
{
    int64_t dx = x1 - x0, dy = y1 - y0;
    if (dx == 0 || dy == 0) {
        // Caps and band together make one rectangle.
        Block(Min64(x0, x1) - 1, Min64(y0, y1) - 1, Max64(x0, x1), Max64(y0, y1), rgb);
        return;
    }
    Block(x0 - 1, y0 - 1, x0, y0, rgb);
    Block(x1 - 1, y1 - 1, x1, y1, rgb);

    int64_t s = (dx > 0) == (dy > 0) ? 1 : -1;
    int64_t ax = dx * dx < 3 * dy * dy ? 1 : 0;
    int64_t ay = dy * dy < 3 * dx * dx ? 1 : 0;
    const int64_t vx[4] = {x0 + 1, x1 + 1, x1 - ax, x0 - ax};
    const int64_t vy[4] = {y0 - s, y1 - s, y1 + s * ay, y0 + s * ay};

    int64_t top = vy[0], bottom = vy[0];
    for (int i = 1; i < 4; i++) {
        top = Min64(top, vy[i]);
        bottom = Max64(bottom, vy[i]);
    }
    top = Max64(top, 0);
    bottom = Min64(bottom, height_);
    for (int64_t y = top; y < bottom; y++) {
        // Each edge covers the rows from its upper end up to, not including,
        // its lower end; the crossings pair up by the even-odd rule.
        int64_t cross[4];
        int n = 0;
        for (int i = 0; i < 4; i++) {
            int j = (i + 1) & 3;
            int64_t ya = vy[i], yb = vy[j];
            if (ya == yb || y < Min64(ya, yb) || y >= Max64(ya, yb))
                continue;
            cross[n++] = vx[i] + CeilDiv((y - ya) * (vx[j] - vx[i]), yb - ya);
        }
        for (int i = 1; i < n; i++)
            for (int k = i; k > 0 && cross[k - 1] > cross[k]; k--) {
                int64_t t = cross[k];
                cross[k] = cross[k - 1];
                cross[k - 1] = t;
            }
        for (int i = 0; i + 1 < n; i += 2)
            Span(y, cross[i], cross[i + 1], rgb);
    }
}
