// Dragging the curve: which sample a press grabs, and how moves shift the
// plateau of samples around it.
#include "model/curve.h"
#include "model/drag.h"
#include "tests/harness/fresh_model.h"

#include <gtest/gtest.h>

namespace {

const double Gain = 0.009999999776482582;   // 0.01 held in single precision

TEST(Drag, PressGrabsTheLeftmostSampleWithinOneAndAHalfPixels)
{
    for (int x = 0; x <= 601; x++) {
        StartFresh();
        BeginDrag((uint16_t)x, 40);
        ASSERT_EQ(Drag.DragActive, 1) << "x " << x;
        EXPECT_EQ(Drag.AnchorIndex, x / 2) << "x " << x;   // odd x: the left one
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

}   // namespace
