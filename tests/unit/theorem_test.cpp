// The theorem of the curve as drawn, against values worked out by hand for
// straight segments: integral, mean, every c, stretches and the two areas.
#include "model/drag.h"
#include "model/theorem.h"
#include "tests/harness/fresh_model.h"

#include <gtest/gtest.h>
#include <math.h>
#include <vector>

namespace {

const double D = 6.283184 / 300.0;       // the step, as ResetCurve makes it
const double V = -0.09999999776482582;   // ten pixels of drag: -10 * 0.01f

struct Row {
    const char *name;
    void (*shape)(double *f);
    int32_t a, b;
    double integral, mean;
    std::vector<double> c, cIntegral;   // each c, and the running integral there
    std::vector<std::pair<double, double>> stretches;
    double area;   // above, and so below
};

// The drag example: samples 50..150 at V, the mean 101 V / 300; it meets
// the curve 101/300 into the segment from 49 and 199/300 into the one
// from 150.
const double DragMean = 101.0 * V / 300.0;
const double DragT1 = 101.0 / 300.0, DragT2 = 199.0 / 300.0;
// A step from 1 (samples 0..150) to -1: the mean 1/300, crossed 299/600 of
// the way into the segment from 150.
const double StepMean = 1.0 / 300.0, StepT = 299.0 / 600.0;

const Row Rows[] = {
    {"flat", [](double *) {}, 0, 300, 0.0, 0.0, {}, {}, {{0.0, 300 * D}}, 0.0},
    {"constant one: every point is c",
     [](double *f) {
         for (int k = 0; k <= 300; k++)
             f[k] = 1.0;
     },
     0,
     300,
     300 * D,
     1.0,
     {},
     {},
     {{0.0, 300 * D}},
     0.0},
    // 0.1 summed 300 times is not 30: the mean is off in its last bits and
    // must still count as on the curve.
    {"constant tenth, its mean rounded",
     [](double *f) {
         for (int k = 0; k <= 300; k++)
             f[k] = 0.1;
     },
     0,
     300,
     300 * D * 0.1,
     0.1,
     {},
     {},
     {{0.0, 300 * D}},
     0.0},
    {"drag example",
     [](double *f) {
         for (int k = 50; k <= 150; k++)
             f[k] = V;
     },
     0,
     300,
     101 * V *D,
     DragMean,
     {(49 + DragT1) * D, (150 + DragT2) * D},
     {DragMean / 2 * DragT1 * D, 100.5 * V *D + (V + DragMean) / 2 * DragT2 *D},
     {},
     -DragMean *D *(198 + 101.0 / 300.0)},
    {"crossing inside a segment",
     [](double *f) {
         for (int k = 0; k <= 300; k++)
             f[k] = k <= 150 ? 1.0 : -1.0;
     },
     0,
     300,
     1 * D,
     StepMean,
     {(150 + StepT) * D},
     {150 * D + (1 + StepMean) / 2 * StepT * D},
     {},
     D *(149.5 + (299.0 * 299.0) / 360000.0)},
    // Away from both ends: the samples outside [a, b] play no part.
    {"interval away from the ends, met at a sample",
     [](double *f) {
         for (int k = 0; k <= 300; k++)
             f[k] = 5.0;
         f[10] = 2, f[11] = 0, f[12] = -2;
     },
     10,
     12,
     0.0,
     0.0,
     {11 * D},
     {1 * D},
     {},
     1 * D},
    {"interval away from the ends, crossed inside a segment",
     [](double *f) {
         for (int k = 0; k <= 300; k++)
             f[k] = -3.0;
         f[100] = f[101] = 1, f[102] = f[103] = -1;
     },
     100,
     103,
     0.0,
     0.0,
     {101.5 * D},
     {1.25 * D},
     {},
     1.25 * D},
    // On the mean along whole segments at both ends, touched from above at
    // sample 3 and crossed at sample 5.
    {"stretches, a touch and a crossing at a sample",
     [](double *f) { f[2] = 1, f[4] = 1, f[6] = -2; },
     0,
     8,
     0.0,
     0.0,
     {3 * D, 5 * D},
     {1 * D, 2 * D},
     {{0, 1 * D}, {7 * D, 8 * D}},
     2 * D},
    // The prepared wave, drawn as the page does: four hills, up and down in
    // turn. It starts 1.3e-4 above its mean and ends 2.2e-7 above it, both
    // on the mean as drawn, so a and b are c alike; the tails between the
    // hills still cross inside their segments. Numbers from exact arithmetic.
    {"the wave, on its mean at a and at b",
     [](double *) {
         SetPulse(PulseHill, 14);
         for (int i = 0; i < 4; i++) {
             BeginDrag((uint16_t)(74 + 150 * i), 250);
             ContinueDrag(i % 2 ? 330 : 170);
             EndDrag();
         }
     },
     0,
     300,
     -1.382860034766237e-06,
     -2.200890559255048e-07,
     {0.0, (74 + 601.0 / 1200) * D, (149 + 599.0 / 1200) * D, (224 + 601.0 / 1200) * D, 300 * D},
     {0.0, 0.66555591267114, -6.914280967441814e-07, 0.66555591267114, -1.382860034766237e-06},
     {},
     1.3311132059109925},
};

TEST(Theorem, MatchesHandWorkedCurves)
{
    for (const Row &row : Rows) {
        SCOPED_TRACE(row.name);
        StartFresh();
        row.shape(Curve.CurveValues);
        ASSERT_TRUE(SetTheoremInterval(row.a, row.b));
        ComputeTheorem();
        const TheoremState &t = Theorem;
        EXPECT_EQ(t.First, row.a);
        EXPECT_EQ(t.Last, row.b);
        EXPECT_NEAR(t.Integral, row.integral, 1e-13);
        EXPECT_NEAR(t.Mean, row.mean, 1e-15);
        ASSERT_EQ(t.PointCount, (int)row.c.size());
        for (size_t i = 0; i < row.c.size(); i++) {
            EXPECT_NEAR(t.Points[i], row.c[i], 1e-13) << i;
            EXPECT_EQ(t.Points[i], t.PointPositions[i] * D) << i;
            EXPECT_NEAR(t.PointIntegrals[i], row.cIntegral[i], 1e-14) << i;
        }
        ASSERT_EQ(t.StretchCount, (int)row.stretches.size());
        for (size_t i = 0; i < row.stretches.size(); i++) {
            EXPECT_NEAR(t.Stretches[i][0], row.stretches[i].first, 1e-13) << i;
            EXPECT_NEAR(t.Stretches[i][1], row.stretches[i].second, 1e-13) << i;
            EXPECT_EQ(t.Stretches[i][0], t.StretchSamples[i][0] * D) << i;
            EXPECT_EQ(t.Stretches[i][1], t.StretchSamples[i][1] * D) << i;
        }
        EXPECT_NEAR(t.AreaAbove, row.area, 1e-13);
        EXPECT_NEAR(t.AreaBelow, row.area, 1e-13);
        // The running integral starts at a and ends at the integral, and is 0
        // outside [a, b].
        for (int k = 0; k <= SampleCount; k++) {
            if (k <= row.a || k > row.b) {
                EXPECT_EQ(t.RunningIntegral[k], 0.0) << k;
            }
        }
        EXPECT_EQ(t.RunningIntegral[row.b], t.Integral);
    }
}

TEST(Theorem, RefusesIntervalsOutsideTheSamplesAndKeepsTheLast)
{
    StartFresh();
    ResetTheorem();
    EXPECT_EQ(Theorem.First, 0);
    EXPECT_EQ(Theorem.Last, SampleCount);
    ASSERT_TRUE(SetTheoremInterval(20, 40));
    const int32_t bad[][2] = {{5, 5}, {6, 5}, {-1, 10}, {0, 301}, {300, 300}, {INT32_MIN, INT32_MAX}};
    for (const auto &b : bad) {
        EXPECT_FALSE(SetTheoremInterval(b[0], b[1])) << b[0] << " " << b[1];
        EXPECT_EQ(Theorem.First, 20);
        EXPECT_EQ(Theorem.Last, 40);
    }
    EXPECT_TRUE(SetTheoremInterval(299, 300));
    EXPECT_TRUE(SetTheoremInterval(0, 1));
}

}   // namespace
