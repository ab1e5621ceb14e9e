// Dragging the curve: which sample a press grabs, and how moves shift the
// samples around it by the pulse's shape and width.
#include "model/curve.h"
#include "model/drag.h"
#include "tests/harness/fresh_model.h"

#include <gtest/gtest.h>
#include <math.h>

namespace {

const double Gain = 0.009999999776482582;   // 0.01 held in single precision

TEST(Drag, PressGrabsTheLeftmostSampleWithinOneAndAHalfPixels)
{
    for (int x = 0; x <= 601; x++) {
        StartFresh();
        BeginDrag((uint16_t)x, 40);
        ASSERT_EQ(Drag.DragActive, 1) << "x " << x;
        EXPECT_EQ(Drag.AnchorIndex, x / 2) << "x " << x;   // odd x: the left one
        EXPECT_EQ(GrabbedSample((uint16_t)x), x / 2) << "x " << x;
        EXPECT_EQ(Drag.LastPointerY, 40);
    }
}

TEST(Drag, GrabIgnoresTheTruncatedDrawingColumn)
{
    // Sample 55 is drawn at column 109, yet x = 109 grabs sample 54.
    StartFresh();
    BeginDrag(109, 0);
    EXPECT_EQ(Drag.AnchorIndex, 54);
    BeginDrag(1, 0);
    EXPECT_EQ(Drag.AnchorIndex, 0);
    BeginDrag(601, 0);
    EXPECT_EQ(Drag.AnchorIndex, 300);
}

TEST(Drag, PressPastThePlotStartsNothingButRecordsY)
{
    for (int x : {602, 603, 1000, 65535}) {
        StartFresh();
        BeginDrag((uint16_t)x, 77);
        EXPECT_EQ(Drag.DragActive, 0) << x;
        EXPECT_EQ(Drag.AnchorIndex, 0) << x;
        EXPECT_EQ(Drag.LastPointerY, 77) << x;
        EXPECT_EQ(GrabbedSample((uint16_t)x), -1) << x;
        EXPECT_FALSE(ContinueDrag(90));
    }
    // During a drag a miss keeps the anchor and the drag but moves the reference.
    StartFresh();
    BeginDrag(200, 300);
    BeginDrag(700, 320);
    EXPECT_EQ(Drag.DragActive, 1);
    EXPECT_EQ(Drag.AnchorIndex, 100);
    EXPECT_EQ(Drag.LastPointerY, 320);
    EXPECT_TRUE(ContinueDrag(330));
    EXPECT_EQ(Curve.CurveValues[100], -10 * Gain);
}

TEST(Drag, TenPixelsDownLowersOneHundredAndOneSamples)
{
    StartFresh();
    BeginDrag(200, 300);
    EXPECT_EQ(Drag.AnchorIndex, 100);
    EXPECT_TRUE(ContinueDrag(310));
    for (int i = 0; i <= SampleCount; i++) {
        double expected = (i >= 50 && i <= 150) ? -0.09999999776482582 : 0.0;
        EXPECT_EQ(Curve.CurveValues[i], expected) << i;
    }
    EXPECT_EQ(Drag.LastPointerY, 310);
}

TEST(Drag, MovingBackRestoresTheSamplesExactly)
{
    StartFresh();
    BeginDrag(300, 100);
    ContinueDrag(120);
    EXPECT_EQ(Curve.CurveValues[150], -0.19999999552965164);
    EXPECT_EQ(Curve.CurveValues[100], -0.19999999552965164);
    EXPECT_EQ(Curve.CurveValues[99], 0.0);
    ContinueDrag(100);
    for (int i = 0; i <= SampleCount; i++)
        EXPECT_EQ(Curve.CurveValues[i], 0.0) << i;
}

TEST(Drag, PulseIsClippedAtBothEnds)
{
    struct Case {
        int x;
        int first;
        int last;
    };
    for (Case c : {Case{20, 0, 60}, Case{0, 0, 50}, Case{600, 250, 300}, Case{580, 240, 300}}) {
        StartFresh();
        BeginDrag((uint16_t)c.x, 10);
        ContinueDrag(9);   // one pixel up raises the plateau
        for (int i = 0; i <= SampleCount; i++) {
            double expected = (i >= c.first && i <= c.last) ? Gain : 0.0;
            EXPECT_EQ(Curve.CurveValues[i], expected) << "x " << c.x << " sample " << i;
        }
    }
}

TEST(Drag, MovesWithoutAPressChangeNothing)
{
    StartFresh();
    EXPECT_FALSE(ContinueDrag(500));
    EXPECT_EQ(Drag.LastPointerY, 0);
    BeginDrag(200, 10);
    ContinueDrag(20);
    EndDrag();
    double before = Curve.CurveValues[100];
    EXPECT_FALSE(ContinueDrag(65535));
    EXPECT_EQ(Curve.CurveValues[100], before);
    EXPECT_EQ(Drag.LastPointerY, 20);
}

TEST(Drag, ReleaseKeepsAnchorAndReference)
{
    StartFresh();
    BeginDrag(250, 60);
    ContinueDrag(65);
    EndDrag();
    EXPECT_EQ(Drag.DragActive, 0);
    EXPECT_EQ(Drag.AnchorIndex, 125);
    EXPECT_EQ(Drag.LastPointerY, 65);
}

TEST(Drag, AMoveThatDoesNotMoveStillAsksForARepaint)
{
    StartFresh();
    BeginDrag(100, 200);
    EXPECT_TRUE(ContinueDrag(200));
    for (int i = 0; i <= SampleCount; i++)
        EXPECT_EQ(Curve.CurveValues[i], 0.0);
}

TEST(Drag, SecondPressReanchorsAndMeasuresFromItsOwnY)
{
    StartFresh();
    BeginDrag(100, 100);
    ContinueDrag(110);     // samples 0..100 down by 10 steps
    BeginDrag(500, 400);   // no release in between
    EXPECT_EQ(Drag.AnchorIndex, 250);
    ContinueDrag(395);   // measured from 400, not from 110
    EXPECT_EQ(Curve.CurveValues[250], 5 * Gain);
    EXPECT_EQ(Curve.CurveValues[50], -10 * Gain);
    EXPECT_EQ(Curve.CurveValues[199], 0.0);
    EXPECT_EQ(Curve.CurveValues[200], 5 * Gain);
}

TEST(Drag, FullSpanStepsAreExactAndReversible)
{
    // The largest possible step, up and down the whole coordinate range.
    StartFresh();
    BeginDrag(300, 0);
    ContinueDrag(65535);
    EXPECT_EQ(Curve.CurveValues[150], -(65535 * Gain));
    ContinueDrag(0);
    EXPECT_EQ(Curve.CurveValues[150], 0.0);
}

// The weights by hand: the hill is (1 - t*t)^2 and the triangle 1 - |t|;
// just inside the reach, t = 1 - 2^-53 squares to 1 - 2^-52.
TEST(Pulse, WeightsAtTheCentreHalfwayAndJustInsideTheReach)
{
    const double edge = 1.0 - 0x1p-53;
    struct Case {
        int shape;
        double t, weight;
    };
    const Case cases[] = {
        {PulsePlateau, 0.0, 1.0},
        {PulsePlateau, 0.5, 1.0},
        {PulsePlateau, -edge, 1.0},
        {PulseHill, 0.0, 1.0},
        {PulseHill, 0.5, 0.5625},
        {PulseHill, -0.5, 0.5625},
        {PulseHill, edge, 0x1p-104},
        {PulseHill, -edge, 0x1p-104},
        {PulseTriangle, 0.0, 1.0},
        {PulseTriangle, 0.5, 0.5},
        {PulseTriangle, -0.5, 0.5},
        {PulseTriangle, edge, 0x1p-53},
        {PulseTriangle, -edge, 0x1p-53},
        {PulseWholeCurve, 0.0, 1.0},
        {PulseWholeCurve, 0.5, 1.0},
        {PulseWholeCurve, edge, 1.0},
        {-1, 0.0, 0.0},
        {PulseShapeCount, 0.0, 0.0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(PulseWeight(c.shape, c.t), c.weight) << "shape " << c.shape << " t " << c.t;
}

// One pixel up from the flat curve: the samples within reach rise by the
// gain times their weight, the others stay. Weights are (1 - (d/2.66w)^2)^2
// and 1 - |d|/2.66w in exact arithmetic, d the distance to the anchor.
TEST(Pulse, EachShapeMovesTheSamplesWithinReachByItsWeight)
{
    struct Sample {
        int index;
        double weight;
    };
    struct Case {
        int shape, width, x, first, last;
        Sample samples[3];
    };
    const Case cases[] = {
        {PulsePlateau, 19, 200, 50, 150, {{50, 1.0}, {100, 1.0}, {150, 1.0}}},
        {PulsePlateau, 1, 300, 148, 152, {{148, 1.0}, {150, 1.0}, {152, 1.0}}},
        {PulsePlateau, 60, 300, 0, 300, {{0, 1.0}, {150, 1.0}, {300, 1.0}}},
        {PulseHill, 19, 300, 100, 200, {{125, 0.5704988804617237}, {150, 1.0}, {200, 0.0004517772225221019}}},
        {PulseHill, 19, 0, 0, 50, {{0, 1.0}, {25, 0.5704988804617237}, {50, 0.0004517772225221019}}},
        {PulseHill, 19, 600, 250, 300, {{250, 0.0004517772225221019}, {275, 0.5704988804617237}, {300, 1.0}}},
        {PulseHill, 1, 0, 0, 2, {{0, 1.0}, {1, 0.7373128456293969}, {2, 0.188944022919014}}},
        {PulseHill, 1, 600, 298, 300, {{298, 0.188944022919014}, {299, 0.7373128456293969}, {300, 1.0}}},
        {PulseHill, 60, 300, 0, 300, {{0, 0.013614848781380725}, {150, 1.0}, {300, 0.013614848781380725}}},
        {PulseHill, 60, 0, 0, 159, {{0, 1.0}, {150, 0.013614848781380725}, {159, 5.631998048352212e-05}}},
        {PulseTriangle, 19, 300, 100, 200, {{100, 0.010684606252473288}, {175, 0.5053423031262366}, {150, 1.0}}},
        {PulseTriangle, 19, 600, 250, 300, {{250, 0.010684606252473288}, {275, 0.5053423031262366}, {300, 1.0}}},
        {PulseTriangle, 1, 300, 148, 152, {{149, 0.6240601503759399}, {150, 1.0}, {152, 0.24812030075187969}}},
        {PulseTriangle, 60, 600, 141, 300, {{141, 0.0037593984962406013}, {150, 0.06015037593984962}, {300, 1.0}}},
        {PulseWholeCurve, 1, 0, 0, 300, {{0, 1.0}, {150, 1.0}, {300, 1.0}}},
        {PulseWholeCurve, 60, 600, 0, 300, {{0, 1.0}, {150, 1.0}, {300, 1.0}}},
    };
    for (const Case &c : cases) {
        StartFresh();
        ASSERT_TRUE(SetPulse(c.shape, c.width));
        BeginDrag((uint16_t)c.x, 10);
        ContinueDrag(9);
        const std::string what =
            "shape " + std::to_string(c.shape) + " width " + std::to_string(c.width) + " x " + std::to_string(c.x);
        for (int i = 0; i <= SampleCount; i++) {
            const double f = Curve.CurveValues[i];
            if (i < c.first || i > c.last)
                EXPECT_EQ(f, 0.0) << what << " sample " << i;
            else
                EXPECT_GT(f, 0.0) << what << " sample " << i;
        }
        for (const Sample &s : c.samples)
            EXPECT_NEAR(Curve.CurveValues[s.index], Gain * s.weight, Gain * s.weight * 1e-12)
                << what << " sample " << s.index;
    }
}

// The preview is what the drag does: for every shape, width and some
// anchors, one pixel up from the flat curve gives each sample the gain
// times its previewed weight, to the bit.
TEST(Pulse, PreviewedWeightsAreWhatTheNextDragMoves)
{
    static double weights[SampleCount + 1];
    for (int shape = 0; shape < PulseShapeCount; shape++) {
        for (int width = MinPulseWidth; width <= MaxPulseWidth; width++) {
            for (int anchor : {0, 1, 150, 299, 300}) {
                StartFresh();
                ASSERT_TRUE(SetPulse(shape, width));
                const int moved = PulseWeights(Drag.NextPulse, anchor, weights);
                BeginDrag((uint16_t)(2 * anchor), 10);
                ASSERT_EQ(Drag.AnchorIndex, anchor);
                ContinueDrag(9);
                int rose = 0;
                for (int i = 0; i <= SampleCount; i++) {
                    rose += Curve.CurveValues[i] != 0.0;
                    ASSERT_EQ(Curve.CurveValues[i], Gain * weights[i])
                        << "shape " << shape << " width " << width << " anchor " << anchor << " sample " << i;
                }
                EXPECT_EQ(moved, rose) << "shape " << shape << " width " << width << " anchor " << anchor;
            }
        }
    }
    StartFresh();
    EXPECT_EQ(PulseWeights(Drag.NextPulse, 150, weights), 101);   // the program's own
    EXPECT_EQ(PulseWeights(Drag.NextPulse, 301, weights), 0);
    EXPECT_EQ(PulseWeights(Drag.NextPulse, -1, weights), 0);
}

// A pulse chosen while the button is held waits for the next press that
// grabs a sample; a press that misses keeps the drag and its pulse.
TEST(Pulse, AChoiceDuringADragWaitsForTheNextPress)
{
    StartFresh();
    BeginDrag(300, 100);
    ASSERT_TRUE(SetPulse(PulseWholeCurve, 1));
    ContinueDrag(99);
    EXPECT_EQ(Curve.CurveValues[0], 0.0);   // still the plateau of 101
    EXPECT_EQ(Curve.CurveValues[100], Gain);
    BeginDrag(700, 99);   // misses
    ContinueDrag(98);
    EXPECT_EQ(Curve.CurveValues[0], 0.0);
    EXPECT_EQ(Drag.DragPulse.Shape, PulsePlateau);
    EndDrag();
    BeginDrag(300, 98);
    EXPECT_EQ(Drag.DragPulse.Shape, PulseWholeCurve);
    ContinueDrag(97);
    EXPECT_EQ(Curve.CurveValues[0], Gain);
    EXPECT_EQ(Curve.CurveValues[150], Gain + Gain + Gain);
}

TEST(Pulse, OutOfRangeChoicesAreRefusedAndChangeNothing)
{
    StartFresh();
    ASSERT_TRUE(SetPulse(PulseTriangle, 7));
    const int bad[][2] = {{-1, 19}, {4, 19}, {0, 0}, {0, 61}, {3, -1}, {INT32_MIN, 19}, {0, INT32_MAX}};
    for (const auto &b : bad) {
        EXPECT_FALSE(SetPulse(b[0], b[1])) << b[0] << " " << b[1];
        EXPECT_EQ(Drag.NextPulse.Shape, PulseTriangle);
        EXPECT_EQ(Drag.NextPulse.Width, 7);
    }
    ResetPulse();
    EXPECT_EQ(Drag.NextPulse.Shape, PulsePlateau);
    EXPECT_EQ(Drag.NextPulse.Width, 19);
}

}   // namespace
