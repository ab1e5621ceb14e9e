// The software surface's lines, pixel by pixel against the rules GDI
// follows, and whole repaints against golden images.
#include "model/curve.h"
#include "model/drag.h"
#include "tests/harness/fresh_model.h"
#include "render/painter.h"
#include "render/raster_surface.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#ifdef BRISQUAL_HAVE_PNG
#include "shell/replay/event_script.h"
#include "shell/replay/png_file.h"

#include <stdio.h>
#endif

namespace {

const uint32_t Green = 0x008000;   // background, as 0x00RRGGBB
const uint32_t White = 0xFFFFFF;
const uint32_t Pen = 0x123456;   // 0x00RRGGBB of the pen below
const PlotColour PenColour = 0x00563412;

// A raster surface with helpers for drawing one line and reading it back.
struct Surface {
    RasterSurface raster;

    Surface(int w = 64, int h = 64) : raster(w, h) {}
    operator PlotSurface &() { return raster; }

    PlotObject CreatePen(int style, int width, PlotColour colour) { return raster.CreatePen(style, width, colour); }
    PlotObject SelectObject(PlotObject object) { return raster.SelectObject(object); }
    void MoveToEx(int32_t x, int32_t y) { raster.MoveToEx(x, y); }
    void LineTo(int32_t x, int32_t y) { raster.LineTo(x, y); }
    void DeleteObject(PlotObject object) { raster.DeleteObject(object); }
    int Width() const { return raster.Width(); }
    int Height() const { return raster.Height(); }
    const uint32_t *Pixels() const { return raster.Pixels(); }
    uint32_t PixelAt(int x, int y) const { return raster.PixelAt(x, y); }

    void Draw(int style, int width, int32_t x0, int32_t y0, int32_t x1, int32_t y1)
    {
        PlotObject pen = CreatePen(style, width, PenColour);
        PlotObject previous = SelectObject(pen);
        MoveToEx(x0, y0);
        LineTo(x1, y1);
        SelectObject(previous);
        DeleteObject(pen);
    }

    int Count(uint32_t rgb) const
    {
        int n = 0;
        for (int i = 0; i < Width() * Height(); i++)
            n += Pixels()[i] == rgb;
        return n;
    }

    // Every pixel of row y from x0 to x1 inclusive is rgb.
    bool RowIs(int y, int x0, int x1, uint32_t rgb) const
    {
        for (int x = x0; x <= x1; x++)
            if (PixelAt(x, y) != rgb)
                return false;
        return true;
    }
};

TEST(RasterSurface, StartsFilledWithTheBackground)
{
    Surface s(7, 3);
    EXPECT_EQ(s.Count(Green), 21);
    EXPECT_EQ(RgbFromColour(0x0014BEC8), 0xC8BE14u);
}

TEST(RasterSurface, DashedHorizontalLineLeavesOutItsEndAndPaintsGapsWhite)
{
    Surface s(610, 60);
    s.Draw(PlotPenDash, 1, 0, 50, 600, 50);
    for (int x = 0; x < 600; x++)
        ASSERT_EQ(s.PixelAt(x, 50), x % 24 < 18 ? Pen : White) << x;
    EXPECT_EQ(s.PixelAt(600, 50), Green);
    EXPECT_EQ(s.Count(Green), 610 * 60 - 600);
}

TEST(RasterSurface, ReversedLinesCoverTheSpanShiftedByOne)
{
    Surface s;
    s.Draw(PlotPenSolid, 1, 10, 5, 0, 5);
    EXPECT_TRUE(s.RowIs(5, 1, 10, Pen));
    EXPECT_EQ(s.PixelAt(0, 5), Green);
    s.Draw(PlotPenDash, 1, 3, 40, 3, 10);   // upwards: dash counted from y = 40
    for (int y = 40; y > 10; y--)
        EXPECT_EQ(s.PixelAt(3, y), (40 - y) % 24 < 18 ? Pen : White) << y;
    EXPECT_EQ(s.PixelAt(3, 10), Green);
}

TEST(RasterSurface, LeaningGridLineStepsOverAtItsMiddle)
{
    Surface s(4, 520);
    s.Draw(PlotPenDash, 1, 0, 0, 1, 500);
    for (int y = 0; y < 500; y++) {
        uint32_t expected = y % 24 < 18 ? Pen : White;
        ASSERT_EQ(s.PixelAt(y <= 250 ? 0 : 1, y), expected) << y;
        ASSERT_EQ(s.PixelAt(y <= 250 ? 1 : 0, y), Green) << y;
    }
    EXPECT_EQ(s.PixelAt(1, 500), Green);
}

TEST(RasterSurface, SlantedThinLinesRoundTiesToTheSmallerCoordinate)
{
    Surface s;
    s.Draw(PlotPenSolid, 1, 0, 0, 4, 2);   // x-major, minor 0, .5, 1, 1.5
    EXPECT_EQ(s.PixelAt(0, 0), Pen);
    EXPECT_EQ(s.PixelAt(1, 0), Pen);
    EXPECT_EQ(s.PixelAt(2, 1), Pen);
    EXPECT_EQ(s.PixelAt(3, 1), Pen);
    EXPECT_EQ(s.Count(Pen), 4);

    Surface d;
    d.Draw(PlotPenSolid, 1, 10, 10, 13, 13);   // exact diagonal: y-major
    d.Draw(PlotPenSolid, 1, 30, 10, 27, 13);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(d.PixelAt(10 + i, 10 + i), Pen);
        EXPECT_EQ(d.PixelAt(30 - i, 10 + i), Pen);
    }
    EXPECT_EQ(d.Count(Pen), 6);
}

TEST(RasterSurface, ZeroLengthLinesDrawNothingThinAndACapWide)
{
    Surface s;
    s.Draw(PlotPenSolid, 1, 5, 5, 5, 5);
    s.Draw(PlotPenDash, 1, 6, 6, 6, 6);
    EXPECT_EQ(s.Count(Green), 64 * 64);
    s.Draw(PlotPenSolid, 2, 20, 20, 20, 20);
    EXPECT_EQ(s.Count(Pen), 4);
    EXPECT_TRUE(s.RowIs(19, 19, 20, Pen));
    EXPECT_TRUE(s.RowIs(20, 19, 20, Pen));
}

TEST(RasterSurface, WideAxisLinesAreTwoPixelBandsWithCaps)
{
    Surface s;
    s.Draw(PlotPenSolid, 2, 5, 30, 7, 30);
    EXPECT_TRUE(s.RowIs(29, 4, 7, Pen));
    EXPECT_TRUE(s.RowIs(30, 4, 7, Pen));
    EXPECT_EQ(s.Count(Pen), 8);

    Surface v;
    v.Draw(PlotPenSolid, 2, 10, 40, 10, 20);
    for (int y = 19; y <= 40; y++)
        EXPECT_TRUE(v.RowIs(y, 9, 10, Pen)) << y;
    EXPECT_EQ(v.Count(Pen), 44);
}

TEST(RasterSurface, WideSlantedLineMatchesGdiInEitherDirection)
{
    for (int reversed = 0; reversed < 2; reversed++) {
        Surface s(32, 140);
        if (reversed)
            s.Draw(PlotPenSolid, 2, 12, 130, 10, 100);
        else
            s.Draw(PlotPenSolid, 2, 10, 100, 12, 130);
        struct Row {
            int first, last, x0, x1;
        };
        const Row rows[] = {
            {99, 99, 9, 10}, {100, 100, 9, 11}, {101, 114, 10, 11}, {115, 115, 10, 12}, {116, 130, 11, 12}};
        int expected = 0;
        for (const Row &r : rows)
            for (int y = r.first; y <= r.last; y++) {
                EXPECT_TRUE(s.RowIs(y, r.x0, r.x1, Pen)) << "row " << y << " reversed " << reversed;
                expected += r.x1 - r.x0 + 1;
            }
        EXPECT_EQ(s.Count(Pen), expected) << "reversed " << reversed;
    }
}

TEST(RasterSurface, LinesAreClippedToTheBuffer)
{
    Surface s(20, 20);
    s.Draw(PlotPenSolid, 2, 0, 5, 3, 5);   // the left cap falls off at x = -1
    EXPECT_TRUE(s.RowIs(5, 0, 3, Pen));
    EXPECT_EQ(s.Count(Pen), 8);
    s.Draw(PlotPenSolid, 2, -50, -70, -40, -90);
    s.Draw(PlotPenDash, 1, 100, 3, 200, 3);
    s.Draw(PlotPenSolid, 2, 30, 30, 50, 70);
    EXPECT_EQ(s.Count(Pen), 8);
}

TEST(RasterSurface, HugeCoordinatesKeepTheVisiblePartAndTheDashPhase)
{
    Surface s(40, 40);
    s.Draw(PlotPenSolid, 2, 10, INT32_MIN, 10, INT32_MAX);
    for (int y = 0; y < 40; y++)
        EXPECT_TRUE(s.RowIs(y, 9, 10, Pen)) << y;
    EXPECT_EQ(s.Count(Pen), 80);

    // A dashed line from far left: its pattern still counts from its start.
    Surface d(40, 40);
    const int32_t start = -(1 << 30);
    d.Draw(PlotPenDash, 1, start, 7, 39, 7);
    for (int x = 0; x < 39; x++)
        EXPECT_EQ(d.PixelAt(x, 7), ((int64_t)x - start) % 24 < 18 ? Pen : White) << x;

    // Wide slanted lines with saturated ends neither crash nor spill. (GDI
    // under Wine cannot allocate bands this tall and draws only the caps.)
    Surface w(60, 60);
    w.Draw(PlotPenSolid, 2, 20, 30, 22, INT32_MIN);
    w.Draw(PlotPenSolid, 2, 40, 30, 38, INT32_MAX);
    w.Draw(PlotPenSolid, 2, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
    EXPECT_EQ(w.PixelAt(20, 30), Pen);
    EXPECT_EQ(w.PixelAt(20, 0), Pen);
    EXPECT_EQ(w.PixelAt(40, 59), Pen);
    EXPECT_EQ(w.PixelAt(30, 30), Pen);
    EXPECT_EQ(w.PixelAt(5, 50), Green);
}

// GDI divides an end point of a slanted thin line by 8 once a coordinate
// reaches 2^28, so the line on screen runs toward the divided point.
// Pixels as GDI under Wine draws them.
TEST(RasterSurface, ThinLinesToFarEndsRunTowardTheEndDividedByEight)
{
    Surface s(64, 48);
    s.Draw(PlotPenSolid, 1, 24, 20, 67108903, -268435456);   // toward (8388612, -33554432)
    for (int y = 0; y <= 20; y++)
        EXPECT_EQ(s.PixelAt(24 + (21 - y) / 4, y), Pen) << y;
    EXPECT_EQ(s.Count(Pen), 21);

    Surface both(64, 48);
    both.Draw(PlotPenDash, 1, -3, -536870912, 58, 268435480);   // (0, -2^26) to (7, 33554435)
    for (int y = 0; y < 48; y++)
        EXPECT_NE(both.PixelAt(5, y), Green) << y;
    EXPECT_EQ(both.Count(Green), 64 * 48 - 48);
}

// GDI finds the far side of a horizontal or vertical span as max + 1 in 32
// bits; at INT32_MAX that wraps and the span is empty.
TEST(RasterSurface, AxisLinesEndingAtIntMaxDrawWhatGdiDraws)
{
    Surface s(64, 48);
    s.Draw(PlotPenSolid, 1, 10, 5, INT32_MAX, 5);
    EXPECT_TRUE(s.RowIs(5, 10, 63, Pen));
    s.Draw(PlotPenSolid, 1, 7, 10, 7, INT32_MAX);
    EXPECT_EQ(s.Count(Pen), 54 + 38);

    Surface none(64, 48);
    none.Draw(PlotPenSolid, 1, INT32_MAX, 5, 10, 5);   // backwards from INT32_MAX
    none.Draw(PlotPenSolid, 1, 7, INT32_MAX, 7, 10);
    none.Draw(PlotPenDash, 1, 10, 6, INT32_MAX, 6);   // dashed: either way
    none.Draw(PlotPenDash, 1, INT32_MAX, 7, 10, 7);
    none.Draw(PlotPenDash, 1, 8, 10, 8, INT32_MAX);
    EXPECT_EQ(none.Count(Green), 64 * 48);

    Surface near(64, 48);
    near.Draw(PlotPenSolid, 1, INT32_MAX - 1, 5, 10, 5);
    near.Draw(PlotPenDash, 1, 10, INT32_MIN, 10, 40);   // the dash counts from INT32_MIN
    EXPECT_TRUE(near.RowIs(5, 11, 63, Pen));
    for (int y = 0; y < 40; y++)
        EXPECT_EQ(near.PixelAt(10, y), ((int64_t)y - INT32_MIN) % 24 < 18 ? Pen : White) << y;
}

// A band's edges are the same lines whatever the length of the segment, so
// a segment between int32 extremes shows the same pixels as a short one
// along it, although its products pass 2^63.
TEST(RasterSurface, WideBandsBetweenIntExtremesMatchShortOnesAlongThem)
{
    struct Pair {
        int32_t x0, y0, x1, y1, sx0, sy0, sx1, sy1;
    };
    const Pair pairs[] = {
        {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, -1000, -1000, 1000, 1000},
        {INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN, -1000, 999, 1000, -1001},   // x + y = -1
        {-700000000, -2100000000, 700000000, 2100000000, -100, -300, 100, 300},
        {2100000000, -700000000, -2100000000, 700000000, 300, -100, -300, 100},
        {INT32_MAX, INT32_MIN + 1, INT32_MIN + 1, INT32_MAX, 500, -500, -500, 500},
    };
    for (const Pair &p : pairs) {
        Surface big(64, 64), small(64, 64);
        big.Draw(PlotPenSolid, 2, p.x0, p.y0, p.x1, p.y1);
        small.Draw(PlotPenSolid, 2, p.sx0, p.sy0, p.sx1, p.sy1);
        EXPECT_GT(small.Count(Pen), 0);
        for (int i = 0; i < 64 * 64; i++)
            ASSERT_EQ(big.Pixels()[i], small.Pixels()[i]) << p.x0 << " " << p.y0 << " pixel " << i;
    }
}

TEST(RasterSurface, PensThatCannotBeDrawnFailAndDrawNothing)
{
    Surface s;
    EXPECT_EQ(s.CreatePen(PlotPenSolid, 3, PenColour), 0u);
    EXPECT_EQ(s.CreatePen(PlotPenDash, 2, PenColour), 0u);
    EXPECT_EQ(s.CreatePen(7, 1, PenColour), 0u);
    EXPECT_EQ(s.SelectObject(0), 0u);
    EXPECT_EQ(s.SelectObject(12345), 0u);
    PlotObject pen = s.CreatePen(PlotPenSolid, 2, PenColour);
    ASSERT_NE(pen, 0u);
    PlotObject stock = s.SelectObject(pen);
    s.DeleteObject(pen);   // still selected: must stay usable
    s.MoveToEx(3, 3);
    s.LineTo(3, 3);
    EXPECT_EQ(s.Count(Pen), 4);
    EXPECT_EQ(s.SelectObject(stock), pen);
}

TEST(RasterSurface, DefaultPenIsThinBlack)
{
    Surface s;
    s.MoveToEx(0, 0);
    s.LineTo(5, 0);
    EXPECT_TRUE(s.RowIs(0, 0, 4, 0x000000));
    EXPECT_EQ(s.PixelAt(5, 0), Green);
}

TEST(RasterSurface, EightPassesOfPensNeverRunOut)
{
    Surface s;
    for (int i = 0; i < 100; i++) {
        PlotObject pen = s.CreatePen(PlotPenSolid, 1, PenColour);
        ASSERT_NE(pen, 0u) << i;
        s.DeleteObject(pen);
    }
}

// Samples far beyond the window, up to 1e300, go through the painter and the
// raster surface: the plateau's sides run off the top or bottom, the mean
// line leaves the window, and the rest of the picture stays where it was.
TEST(RasterSurface, PlateausOfHugeValuesRunOffTheWindow)
{
    for (double value : {1e4, -1e4, 1e300, -1e300}) {
        StartFresh();
        for (int i = 50; i <= 150; i++)
            Curve.CurveValues[i] = value;
        Surface s(ClientWidth, ClientHeight);
        PaintContent(s);

        int greens = 0, edgeRows = 0;
        for (int y = 0; y < ClientHeight; y++) {
            for (int x = 0; x < ClientWidth; x++)
                greens += s.PixelAt(x, y) == 0x00FF00;
            bool up = value > 0;
            if ((up && y < 249) || (!up && y > 251 && y < 500)) {
                bool red = false;
                for (int x = 97; x <= 101; x++)
                    red = red || s.PixelAt(x, y) == 0xFF0000;
                edgeRows += red;
            }
        }
        EXPECT_EQ(greens, 0) << value;   // the mean line is off the window
        // The side at column 100 is red on every row it crosses, but for the
        // one row where the dashed grid line at y = 50 or 450 covers it.
        EXPECT_EQ(edgeRows, value > 0 ? 249 - 1 : 248 - 1) << value;
        EXPECT_EQ(s.PixelAt(60, 249), 0xFFFF00u) << value;   // the integral, 0 there, over the curve
        EXPECT_EQ(s.PixelAt(60, 250), 0xE6BE00u) << value;   // the grid over both
        EXPECT_EQ(s.PixelAt(200, 100), 0xC8BE14u) << value;
    }
}

#ifdef BRISQUAL_HAVE_PNG

// Compares a repaint of the current state with tests/data/golden/NAME.png. On a
// mismatch it writes NAME.actual.png and NAME.diff.png (differences in
// magenta over a dimmed picture) in the working directory.
void ExpectGolden(const std::string &name)
{
    RasterSurface surface(ClientWidth, ClientHeight);
    PaintContent(surface);

    std::vector<uint32_t> golden;
    int w = 0, h = 0;
    std::string error;
    std::string path = std::string(BRISQUAL_GOLDEN_DIR) + "/" + name + ".png";
    ASSERT_TRUE(ReadPngFile(path, golden, w, h, error)) << error;
    ASSERT_EQ(w, surface.Width());
    ASSERT_EQ(h, surface.Height());

    std::vector<uint32_t> diff(golden.size());
    size_t differing = 0;
    for (size_t i = 0; i < golden.size(); i++) {
        bool same = golden[i] == surface.Pixels()[i];
        differing += !same;
        diff[i] = same ? (surface.Pixels()[i] >> 2) & 0x3F3F3F : 0xFF00FF;
    }
    if (differing) {
        WritePngFile(name + ".actual.png", surface.Pixels(), w, h, error);
        WritePngFile(name + ".diff.png", diff.data(), w, h, error);
    }
    EXPECT_EQ(differing, 0u) << name << ": see " << name << ".actual.png and " << name << ".diff.png";
}

// Replays a kept event script (tests/data/events) from a fresh start.
void ReplayScript(const std::string &name)
{
    StartFresh();
    std::string path = std::string(BRISQUAL_EVENTS_DIR) + "/" + name + ".events";
    FILE *file = fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr) << path;
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, n);
    fclose(file);
    std::vector<ScriptEvent> events;
    ScriptError error;
    ASSERT_TRUE(ParseEventScript(text, events, error)) << path << ":" << error.line;
    ReplayEvents(events);
}

// The golden images of these scripts are the Windows program's client area
// under Wine, screenshot after the same events (see tests/data/golden/README.txt).
class RasterGoldenFromWine : public ::testing::TestWithParam<const char *> {};

TEST_P(RasterGoldenFromWine, RepaintEqualsTheWindowsProgram)
{
    ReplayScript(GetParam());
    ExpectGolden(GetParam());
}

INSTANTIATE_TEST_SUITE_P(KeptScripts, RasterGoldenFromWine,
                         ::testing::Values("flat", "drag-example", "steep-ends", "left-end", "right-end", "steep",
                                           "off-the-bottom", "many-small"),
                         [](const ::testing::TestParamInfo<const char *> &param) {
                             std::string name = param.param;
                             for (char &c : name)
                                 if (c == '-')
                                     c = '_';
                             return name;
                         });

// No pointer inside the window can reach y = 60000, so this state has no
// screenshot; its golden is the raster surface's own, and the GDI fidelity
// test shows GDI draws such states alike.
TEST(RasterGolden, PlateauFarOffTheTop)
{
    StartFresh();
    BeginDrag(400, 60000);
    ContinueDrag(0);
    ExpectGolden("off-the-top");
}

#endif

}   // namespace
