// The plot painter. Every coordinate is computed in double precision in a
// fixed order and then truncated, so each pixel lands exactly where the
// arithmetic puts it; the order of operations is part of the picture.
#include "render/painter.h"

#include "model/curve.h"
#include "render/pixel.h"
#include "render/plot_scales.h"

static const int32_t PlotRight = (int32_t)PlotWidth;   // the column of sample N

static const PlotColour CurveColour = 0x000000FF;
static const PlotColour MeanColour = 0x0000FF00;
static const PlotColour IntegralColour = 0x0000FFFF;
static const PlotColour VerticalGridColour = 0x0014BEC8;
static const PlotColour HorizontalGridColour = 0x0000BEE6;

int32_t ToScreenX(int k)
{
    return PixelFromDouble(((double)k / (double)SampleCount) * (double)PlotWidth);
}

int32_t CurveY(double f)
{
    return PixelFromDouble(ZeroLevel - f * CurveScale);
}

int32_t IntegralY(double v)
{
    return PixelFromDouble(ZeroLevel - v * IntegralScale);
}

int32_t MeanLineY(double lastIntegral)
{
    return PixelFromDouble(ZeroLevel - lastIntegral * MeanScale * IntervalReciprocal);
}

static void Segment(PlotSurface &dc, int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    dc.MoveToEx(x0, y0);
    dc.LineTo(x1, y1);
}

void PaintPlot(PlotSurface &dc)
{
    const double *f = Curve.CurveValues;
    const double *v = Curve.IntegralValues;

    PlotObject pen = dc.CreatePen(PlotPenSolid, 2, CurveColour);
    PlotObject previous = dc.SelectObject(pen);
    for (int i = 0; i < SampleCount; i++)
        Segment(dc, ToScreenX(i), CurveY(f[i]), ToScreenX(i + 1), CurveY(f[i + 1]));
    dc.SelectObject(previous);
    dc.DeleteObject(pen);

    pen = dc.CreatePen(PlotPenSolid, 2, MeanColour);
    previous = dc.SelectObject(pen);
    int32_t meanY = MeanLineY(v[SampleCount]);
    Segment(dc, 0, meanY, PlotRight, meanY);
    dc.SelectObject(previous);
    dc.DeleteObject(pen);

    // V[k] is drawn at the column of sample k-1, undoing its index offset.
    pen = dc.CreatePen(PlotPenSolid, 2, IntegralColour);
    previous = dc.SelectObject(pen);
    for (int i = 0; i < SampleCount; i++)
        Segment(dc, ToScreenX(i - 1), IntegralY(v[i]), ToScreenX(i), IntegralY(v[i + 1]));
    dc.SelectObject(previous);
    dc.DeleteObject(pen);
}

void PaintGrid(PlotSurface &dc)
{
    PlotObject pen = dc.CreatePen(PlotPenDash, 1, VerticalGridColour);
    PlotObject previous = dc.SelectObject(pen);
    Segment(dc, 0, 0, 1, 500);   // the left line leans by one pixel
    Segment(dc, PlotRight / 3, 0, PlotRight / 3, 500);
    Segment(dc, 2 * PlotRight / 3, 0, 2 * PlotRight / 3, 500);
    Segment(dc, PlotRight, 0, PlotRight, 500);
    dc.SelectObject(previous);
    dc.DeleteObject(pen);

    pen = dc.CreatePen(PlotPenDash, 1, HorizontalGridColour);
    previous = dc.SelectObject(pen);
    Segment(dc, 0, 50, PlotRight, 50);
    Segment(dc, 0, 250, PlotRight, 250);
    Segment(dc, 0, 450, PlotRight, 450);
    dc.SelectObject(previous);
    dc.DeleteObject(pen);
}

void PaintContent(PlotSurface &dc)
{
    ComputeRunningIntegral();
    PaintPlot(dc);
    PaintGrid(dc);
}
