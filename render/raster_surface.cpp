// Line rasterisation after GDI's rules as measured on Wine: width-1 lines
// step along the major axis and leave the end point out, dashes restart at
// every LineTo with white gaps, width-2 lines are a band with round caps.
#include "render/raster_surface.h"

static const uint32_t White = 0x00FFFFFF;   // default opaque background colour
static const int DashOn = 18;
static const int DashPeriod = 24;

// Before stepping a slanted thin line, GDI divides (toward zero) both
// coordinates of an end point by 8 when either reaches 2^28, to keep its
// 32-bit sums in range. The line it draws is the one between those points.
static const int64_t ShrinkLimit = (int64_t)1 << 28;

// The colour of the pixel t steps from a line's start: a dashed pen draws 18
// pixels and leaves 6 to the background, which is opaque white.
static uint32_t DashColour(bool dashed, int64_t t, uint32_t rgb)
{
    return !dashed || t % DashPeriod < DashOn ? rgb : White;
}

uint32_t RgbFromColour(PlotColour colour)
{
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

static int64_t Abs64(int64_t v)
{
    return v < 0 ? -v : v;
}
static int64_t Min64(int64_t a, int64_t b)
{
    return a < b ? a : b;
}
static int64_t Max64(int64_t a, int64_t b)
{
    return a > b ? a : b;
}

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

// ceil(t * d / h) for 0 <= t < h: where an edge of a wide band crosses a
// row. Vertices lie within one pixel of the int32 range, so |d| <= 2^32 + 1,
// and a row of the buffer is at most 2^32 - 1 below a vertex: t * |d| stays
// below 2^64, though well past 2^63.
static int64_t CrossingOffset(int64_t t, int64_t d, int64_t h)
{
    uint64_t ud = d < 0 ? 0 - (uint64_t)d : (uint64_t)d;
    uint64_t product = (uint64_t)t * ud;
    uint64_t q = product / (uint64_t)h, r = product % (uint64_t)h;
    return d < 0 ? -(int64_t)q : (int64_t)q + (r != 0);
}

// a^2 < 3 b^2 for |a|, |b| < 2^32, where 3 b^2 can pass 2^64.
static bool SquareBelowThreeSquares(int64_t a, int64_t b)
{
    uint64_t ua = (uint64_t)Abs64(a), ub = (uint64_t)Abs64(b);
    uint64_t a2 = ua * ua, b2 = ub * ub;
    return b2 > UINT64_MAX / 3 || a2 < 3 * b2;
}

static int64_t DividedBy8If(bool divide, int64_t v)
{
    return divide ? v / 8 : v;
}

RasterSurface::RasterSurface(int width, int height)
    : width_(width > 0 ? width : 0), height_(height > 0 ? height : 0), pixels_((size_t)width_ * (size_t)height_)
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
    if (pen.width == 2)
        WideLine(x0, y0, x1, y1, pen.rgb);
    else if (x0 == x1 || y0 == y1)
        AxisLine(x0, y0, x1, y1, pen);
    else
        CosmeticLine(x0, y0, x1, y1, pen);
}

void RasterSurface::Span(int64_t y, int64_t x0, int64_t x1, uint32_t rgb)
{
    if (y < 0 || y >= height_)
        return;
    x0 = Max64(x0, 0);
    x1 = Min64(x1, width_);
    uint32_t *row = &pixels_[Index(0, y)];
    for (int64_t x = x0; x < x1; x++)
        row[x] = rgb;
}

void RasterSurface::Block(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t rgb)
{
    for (int64_t y = Max64(y0, 0); y <= Min64(y1, (int64_t)height_ - 1); y++)
        Span(y, x0, x1 + 1, rgb);
}

// A thin horizontal or vertical line covers the span from its start up to,
// not including, its end; reversed, the span shifts by one. Dashes count
// from the start. GDI computes the far edge of the span as max + 1 in 32
// bits, so a dashed line with an end at INT32_MAX, or a solid one running
// backwards from it, draws nothing.
void RasterSurface::AxisLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, const Pen &pen)
{
    bool horizontal = y0 == y1;
    int64_t from = horizontal ? x0 : y0, to = horizontal ? x1 : y1;
    int64_t at = horizontal ? y0 : x0;
    if (from == to || at < 0 || at >= (horizontal ? height_ : width_))
        return;
    bool dashed = pen.style == PlotPenDash;
    bool forward = from < to;
    if (dashed ? Max64(from, to) == INT32_MAX : !forward && from == INT32_MAX)
        return;
    int64_t first = forward ? from : to + 1, last = forward ? to - 1 : from;
    int64_t extent = horizontal ? width_ : height_;
    int64_t lo = Max64(first, 0), hi = Min64(last, extent - 1);
    for (int64_t p = lo; p <= hi; p++) {
        int64_t t = forward ? p - first : last - p;
        pixels_[horizontal ? Index(p, at) : Index(at, p)] = DashColour(dashed, t, pen.rgb);
    }
}

// One pixel per step along the major axis (x when |dx| > |dy|, so exact
// diagonals are y-major), the end point left out. The minor coordinate is
// ceil(exact - 1/2): ties go to the smaller coordinate.
void RasterSurface::CosmeticLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, const Pen &pen)
{
    bool dashed = pen.style == PlotPenDash;
    bool shrinkStart = Max64(Abs64(x0), Abs64(y0)) >= ShrinkLimit;
    bool shrinkEnd = Max64(Abs64(x1), Abs64(y1)) >= ShrinkLimit;
    x0 = DividedBy8If(shrinkStart, x0);
    y0 = DividedBy8If(shrinkStart, y0);
    x1 = DividedBy8If(shrinkEnd, x1);
    y1 = DividedBy8If(shrinkEnd, y1);
    // A dashed line whose end was shrunk keeps the new end point: GDI
    // compares the original end with the last pixel to leave it out.
    bool withEnd = dashed && shrinkEnd;

    // Now every coordinate is within 2^28: the products below fit easily.
    int64_t dx = x1 - x0, dy = y1 - y0;
    bool xMajor = Abs64(dx) > Abs64(dy);
    int64_t p0 = xMajor ? x0 : y0, q0 = xMajor ? y0 : x0;
    int64_t dp = xMajor ? dx : dy, dq = xMajor ? dy : dx;
    int64_t majorExtent = xMajor ? width_ : height_;
    int64_t minorExtent = xMajor ? height_ : width_;
    int64_t steps = Abs64(dp), sign = dp > 0 ? 1 : -1;
    if (steps == 0) {
        // Shrinking met the start: at most the one point is left.
        if (withEnd && x0 >= 0 && x0 < width_ && y0 >= 0 && y0 < height_)
            pixels_[Index(x0, y0)] = pen.rgb;
        return;
    }

    // Only the steps whose major coordinate falls inside the buffer.
    int64_t tFirst = sign > 0 ? -p0 : p0 - (majorExtent - 1);
    int64_t tLast = sign > 0 ? majorExtent - 1 - p0 : p0;
    tFirst = Max64(tFirst, 0);
    tLast = Min64(tLast, withEnd ? steps : steps - 1);
    for (int64_t t = tFirst; t <= tLast; t++) {
        int64_t q = q0 + CeilDiv(2 * t * dq - steps, 2 * steps);
        if (q < 0 || q >= minorExtent)
            continue;
        int64_t p = p0 + sign * t;
        pixels_[xMajor ? Index(p, q) : Index(q, p)] = DashColour(dashed, t, pen.rgb);
    }
}

// A width-2 segment is drawn on its own: a 2x2 cap at each end, joined by a
// band two pixels wide. Slanted bands are a parallelogram filled by rows.
// GDI under Wine builds a region with a rectangle for every row of the band
// and silently leaves the band out when it cannot allocate one (tens of
// millions of rows); here the band is always drawn.
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
    int64_t ax = SquareBelowThreeSquares(dx, dy) ? 1 : 0;
    int64_t ay = SquareBelowThreeSquares(dy, dx) ? 1 : 0;
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
            int upper = vy[i] < vy[j] ? i : j, lower = upper == i ? j : i;
            if (vy[i] == vy[j] || y < vy[upper] || y >= vy[lower])
                continue;
            cross[n++] = vx[upper] + CrossingOffset(y - vy[upper], vx[lower] - vx[upper], vy[lower] - vy[upper]);
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
