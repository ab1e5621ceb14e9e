// The curve's samples, running integral and mean level.
#include "model/curve.h"
#include "model/drag.h"
#include "tests/harness/fresh_model.h"
#include "model/integral_by_definition.h"

#include <gtest/gtest.h>
#include <math.h>
#include <random>
#include <string.h>

namespace {

TEST(Curve, ResetMakesTheCurveFlatWhateverCameBefore)
{
    for (int i = 0; i <= SampleCount; i++)
        Curve.CurveValues[i] = i - 7.5;
    ResetCurve();
    ComputeRunningIntegral();
    EXPECT_EQ(Curve.StepWidth, 6.283184 / 300.0);
    EXPECT_EQ(Curve.StepWidth, 0.020943946666666668);
    for (int i = 0; i <= SampleCount; i++) {
        EXPECT_EQ(Curve.CurveValues[i], 0.0) << i;
        EXPECT_EQ(Curve.IntegralValues[i], 0.0) << i;
    }
    EXPECT_EQ(MeanLevel(), 0.0);
}

TEST(Curve, ConstantCurveLosesItsLastIntervalInTheMean)
{
    StartFresh();
    for (int i = 0; i <= SampleCount; i++)
        Curve.CurveValues[i] = 1.0;
    ComputeRunningIntegral();
    EXPECT_EQ(Curve.IntegralValues[0], 0.0);
    EXPECT_EQ(Curve.IntegralValues[1], 0.0);
    for (int k = 1; k <= SampleCount; k++)
        EXPECT_NEAR(Curve.IntegralValues[k], (k - 1) * Curve.StepWidth, 1e-13) << k;
    // Summed, not multiplied: the last bits differ from 299 * step.
    EXPECT_EQ(Curve.IntegralValues[SampleCount], 6.262240053333358);
    EXPECT_NE(Curve.IntegralValues[SampleCount], 299 * Curve.StepWidth);
    EXPECT_EQ(MeanLevel(), 6.262240053333358 * 0.15915497620314795);
    EXPECT_NEAR(MeanLevel(), 299.0 / 300.0, 1e-14);
}

TEST(Curve, IntegralIsStoredOneIndexAhead)
{
    StartFresh();
    Curve.CurveValues[0] = 1.0;
    ComputeRunningIntegral();
    EXPECT_EQ(Curve.IntegralValues[0], 0.0);
    EXPECT_EQ(Curve.IntegralValues[1], 0.0);
    for (int k = 2; k <= SampleCount; k++)
        EXPECT_EQ(Curve.IntegralValues[k], Curve.StepWidth) << k;
}

TEST(Curve, LastTwoSamplesNeverEnterIntegralOrMean)
{
    StartFresh();
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(-3.0, 3.0);
    for (int i = 0; i <= SampleCount; i++)
        Curve.CurveValues[i] = value(random);
    ComputeRunningIntegral();
    double before[SampleCount + 1];
    memcpy(before, Curve.IntegralValues, sizeof before);
    double meanBefore = MeanLevel();

    Curve.CurveValues[SampleCount - 1] = 1e200;
    Curve.CurveValues[SampleCount] = -1e200;
    ComputeRunningIntegral();
    EXPECT_EQ(memcmp(before, Curve.IntegralValues, sizeof before), 0);
    EXPECT_EQ(MeanLevel(), meanBefore);
}

TEST(Curve, IntegralRebuildsFromScratchEachTime)
{
    StartFresh();
    for (int i = 0; i <= SampleCount; i++)
        Curve.CurveValues[i] = 2.0;
    ComputeRunningIntegral();
    ResetCurve();
    ComputeRunningIntegral();
    for (int k = 0; k <= SampleCount; k++)
        EXPECT_EQ(Curve.IntegralValues[k], 0.0) << k;
}

// The running sum must give the very same doubles as the definition, on
// curves of every kind: drag-like plateaus, noise, mixed magnitudes.
TEST(Curve, RunningSumIsBitIdenticalToTheDefinition)
{
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-30, 30);
    double expected[SampleCount + 1];
    for (int trial = 0; trial < 300; trial++) {
        StartFresh();
        for (int i = 0; i <= SampleCount; i++) {
            double v = unit(random);
            if (trial % 3 == 1)
                v = ldexp(v, exponent(random));
            if (trial % 3 == 2)
                v = (i / 37 % 2 ? -1.0 : 1.0) * 0.009999999776482582 * (trial + i % 5);
            Curve.CurveValues[i] = v;
        }
        ComputeRunningIntegral();
        IntegralByDefinition(Curve, expected);
        ASSERT_EQ(memcmp(expected, Curve.IntegralValues, sizeof expected), 0) << "trial " << trial;
    }
}

TEST(Curve, HugeSamplesAreSummedWithoutClamping)
{
    StartFresh();
    for (int i = 0; i <= SampleCount; i++)
        Curve.CurveValues[i] = 1e300;
    ComputeRunningIntegral();
    EXPECT_EQ(Curve.IntegralValues[2], Curve.StepWidth * 1e300);
    EXPECT_GT(Curve.IntegralValues[SampleCount], 6e300);

    for (int i = 0; i <= SampleCount; i++)
        Curve.CurveValues[i] = 1e308;
    ComputeRunningIntegral();
    EXPECT_TRUE(isinf(Curve.IntegralValues[SampleCount]));
    EXPECT_GT(Curve.IntegralValues[SampleCount], 0.0);
}

}   // namespace
