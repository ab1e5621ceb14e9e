// The painter's drawing, read back from a recording surface: the pixel
// mappings, the exact call sequence of a repaint, and pictures of states.
#include "model/curve.h"
#include "model/drag.h"
#include "tests/harness/fresh_model.h"
#include "render/painter.h"
#include "render/recording_surface.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct Line {
    int32_t x0, y0, x1, y1;
};

struct Pass {
    int style, width;
    PlotColour colour;
    std::vector<Line> lines;
};

// Paints one repaint and splits it into passes, checking on the way that
// every pass is create, select, draw, select back, delete.
std::vector<Pass> Repaint()
{
    RecordingSurface dc;
    PaintContent(dc);
    EXPECT_EQ(dc.faults, 0);
    EXPECT_EQ(dc.livePens, 0);
    EXPECT_EQ(dc.selected, StockPen);

    std::vector<Pass> passes;
    size_t i = 0;
    const std::vector<PlotCall> &c = dc.calls;
    while (i < c.size()) {
        Pass pass;
        EXPECT_EQ(c[i].kind, CallCreatePen);
        pass.style = c[i].style;
        pass.width = c[i].width;
        pass.colour = c[i].colour;
        PlotObject pen = c[i].result;
        i++;
        EXPECT_EQ(c[i].kind, CallSelectObject);
        EXPECT_EQ(c[i].object, pen);
        PlotObject previous = c[i].result;
        i++;
        while (i + 1 < c.size() && c[i].kind == CallMoveToEx) {
            EXPECT_EQ(c[i + 1].kind, CallLineTo);
            pass.lines.push_back(Line{c[i].x, c[i].y, c[i + 1].x, c[i + 1].y});
            i += 2;
        }
        EXPECT_EQ(c[i].kind, CallSelectObject);
        EXPECT_EQ(c[i].object, previous);
        EXPECT_EQ(c[i + 1].kind, CallDeleteObject);
        EXPECT_EQ(c[i + 1].object, pen);
        i += 2;
        passes.push_back(pass);
    }
    return passes;
}

// The column of sample k (k = -1 .. N) as the Windows program draws it: 2k,
// except where dividing by N before multiplying by 600 falls just short of
// the integer and truncation takes one pixel off.
int32_t Column(int k)
{
    for (int lower : {55, 79, 97, 110, 123, 158, 171, 194, 207, 220, 233, 246})
        if (k == lower)
            return 2 * k - 1;
    return 2 * k;
}

TEST(Painter, ColumnsComeFromDividingBeforeMultiplying)
{
    for (int k = -1; k <= SampleCount; k++)
        EXPECT_EQ(ToScreenX(k), Column(k)) << k;
}

TEST(Painter, HeightsTruncateTowardZero)
{
    EXPECT_EQ(CurveY(0.0), 250);
    EXPECT_EQ(CurveY(0.001), 249);
    EXPECT_EQ(CurveY(-0.001), 250);
    EXPECT_EQ(CurveY(-0.09999999776482582), 264);
    EXPECT_EQ(CurveY(1.67), 0);   // 250 - 250.5 = -0.5, truncated up to 0
    EXPECT_EQ(CurveY(2.0), -50);
    EXPECT_EQ(IntegralY(1.0), 179);
    EXPECT_EQ(IntegralY(5.0), -102);   // 70.5999984741211, not 70.6 (which gives -103)
    EXPECT_EQ(IntegralY(-0.21153385660518334), 264);
    EXPECT_EQ(MeanLineY(-0.21153385660518334), 254);
    EXPECT_EQ(CurveY(1e300), INT32_MIN);
    EXPECT_EQ(CurveY(-1e300), INT32_MAX);
}

TEST(Painter, FlatCurveRepaintDrawsEveryPassInOrder)
{
    StartFresh();
    std::vector<Pass> passes = Repaint();
    ASSERT_EQ(passes.size(), 5u);

    const struct {
        int style, width;
        PlotColour colour;
        size_t lines;
    } expected[] = {
        {PlotPenSolid, 2, 0x000000FF, 300}, {PlotPenSolid, 2, 0x0000FF00, 1}, {PlotPenSolid, 2, 0x0000FFFF, 300},
        {PlotPenDash, 1, 0x0014BEC8, 4},    {PlotPenDash, 1, 0x0000BEE6, 3},
    };
    for (int p = 0; p < 5; p++) {
        EXPECT_EQ(passes[p].style, expected[p].style) << p;
        EXPECT_EQ(passes[p].width, expected[p].width) << p;
        EXPECT_EQ(passes[p].colour, expected[p].colour) << p;
        EXPECT_EQ(passes[p].lines.size(), expected[p].lines) << p;
    }
    for (int i = 0; i < SampleCount; i++) {
        const Line &red = passes[0].lines[i];
        EXPECT_EQ(red.x0, Column(i));
        EXPECT_EQ(red.x1, Column(i + 1));
        EXPECT_EQ(red.y0, 250);
        EXPECT_EQ(red.y1, 250);
        const Line &yellow = passes[2].lines[i];
        EXPECT_EQ(yellow.x0, Column(i - 1));
        EXPECT_EQ(yellow.x1, Column(i));
        EXPECT_EQ(yellow.y0, 250);
        EXPECT_EQ(yellow.y1, 250);
    }
    EXPECT_EQ(passes[0].lines.back().x1, 600);
    EXPECT_EQ(passes[2].lines[0].x0, -2);
    EXPECT_EQ(passes[2].lines.back().x1, 598);
    const Line mean = passes[1].lines[0];
    EXPECT_EQ(mean.x0, 0);
    EXPECT_EQ(mean.y0, 250);
    EXPECT_EQ(mean.x1, 600);
    EXPECT_EQ(mean.y1, 250);

    const Line vertical[] = {{0, 0, 1, 500}, {200, 0, 200, 500}, {400, 0, 400, 500}, {600, 0, 600, 500}};
    const Line horizontal[] = {{0, 50, 600, 50}, {0, 250, 600, 250}, {0, 450, 600, 450}};
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(passes[3].lines[i].x0, vertical[i].x0);
        EXPECT_EQ(passes[3].lines[i].y0, vertical[i].y0);
        EXPECT_EQ(passes[3].lines[i].x1, vertical[i].x1);
        EXPECT_EQ(passes[3].lines[i].y1, vertical[i].y1);
    }
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(passes[4].lines[i].x0, horizontal[i].x0);
        EXPECT_EQ(passes[4].lines[i].y0, horizontal[i].y0);
        EXPECT_EQ(passes[4].lines[i].x1, horizontal[i].x1);
        EXPECT_EQ(passes[4].lines[i].y1, horizontal[i].y1);
    }
}

TEST(Painter, DragExampleDrawsPlateauMeanAndIntegralWhereTruncationPutsThem)
{
    StartFresh();
    BeginDrag(200, 300);
    ContinueDrag(310);
    std::vector<Pass> passes = Repaint();
    EXPECT_EQ(Curve.IntegralValues[SampleCount], -0.21153385660518334);

    for (int i = 0; i < SampleCount; i++) {
        const Line &red = passes[0].lines[i];
        EXPECT_EQ(red.y0, i >= 50 && i <= 150 ? 264 : 250) << i;
        EXPECT_EQ(red.y1, i + 1 >= 50 && i + 1 <= 150 ? 264 : 250) << i;
    }
    EXPECT_EQ(passes[0].lines[50].x0, 100);
    EXPECT_EQ(passes[0].lines[149].x1, 300);
    EXPECT_EQ(passes[1].lines[0].y0, 254);
    EXPECT_EQ(passes[1].lines[0].y1, 254);
    EXPECT_EQ(passes[2].lines.back().y1, 264);
    EXPECT_EQ(passes[2].lines.back().x1, 598);
    // The integral starts falling only after the plateau begins.
    EXPECT_EQ(passes[2].lines[51].y1, 250);
    EXPECT_GT(passes[2].lines[60].y1, 250);
}

TEST(Painter, ConstantCurveSendsTheIntegralOffTheTop)
{
    StartFresh();
    for (int i = 0; i <= SampleCount; i++)
        Curve.CurveValues[i] = 1.0;
    std::vector<Pass> passes = Repaint();
    for (const Line &red : passes[0].lines) {
        EXPECT_EQ(red.y0, 100);
        EXPECT_EQ(red.y1, 100);
    }
    EXPECT_EQ(passes[1].lines[0].y0, 104);
    EXPECT_EQ(passes[2].lines.back().y1, -192);   // trunc(250 - 442.11...)
}

TEST(Painter, HugeValuesReachTheSurfaceSaturatedNotWrapped)
{
    StartFresh();
    for (int i = 0; i <= SampleCount; i++)
        Curve.CurveValues[i] = i % 2 ? 1e300 : -1e300;
    std::vector<Pass> passes = Repaint();
    EXPECT_EQ(passes[0].lines[0].y0, INT32_MAX);
    EXPECT_EQ(passes[0].lines[0].y1, INT32_MIN);
    // The integral alternates between -step*1e300 and exactly 0.
    for (int i = 0; i < SampleCount; i++) {
        int k = i + 1;
        EXPECT_EQ(passes[2].lines[i].y1, k >= 2 && k % 2 == 0 ? INT32_MAX : 250) << i;
    }
    EXPECT_EQ(passes[1].lines[0].y0, INT32_MAX);
    EXPECT_EQ(passes.size(), 5u);
}

}   // namespace
