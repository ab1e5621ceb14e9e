// Judging a student's guesses: the mean value against what students mistake
// for it, and the points c against the middle of [a, b]. The mistaken
// values themselves are checked against exact arithmetic on every kept
// script (tests/tools/theorem_exact.py).
#include "model/guesses.h"
#include "tests/harness/fresh_model.h"

#include <gtest/gtest.h>
#include <math.h>

namespace {

// f(t) = 2t^3 - 1.5t^2 + 0.2 over the whole curve, t = k / N: the mean is
// near 0.2, the ends' average 0.45, the extremes' 0.3875, f at the middle
// 0.075 and the secant's slope 0.5 / 2pi, all further apart than the
// tolerance (0.625 / 20), but the last two, which the nearest tells apart.
void SetCubic()
{
    double f[SampleCount + 1];
    for (int k = 0; k <= SampleCount; k++) {
        const double t = (double)k / SampleCount;
        f[k] = 2 * t * t * t - 1.5 * t * t + 0.2;
    }
    SetCurveSamples(f);
    ComputeTheorem();
}

struct MeanRow {
    const char *name;
    double (*guess)(const MistakenMeans &m, double mean);
    MeanGuess expected;
};

const MeanRow MeanRows[] = {
    {"the_mean", [](const MistakenMeans &, double mean) { return mean; }, MeanGuess::Right},
    {"near_the_mean", [](const MistakenMeans &m, double mean) { return mean + 0.9 * m.Tolerance; }, MeanGuess::Right},
    {"the_ends_average", [](const MistakenMeans &m, double) { return m.EndsAverage; }, MeanGuess::EndsAverage},
    {"near_the_extremes_average", [](const MistakenMeans &m, double) { return m.ExtremesAverage - 0.5 * m.Tolerance; },
     MeanGuess::ExtremesAverage},
    {"the_middle_value", [](const MistakenMeans &m, double) { return m.MiddleValue; }, MeanGuess::MiddleValue},
    {"the_secant_slope", [](const MistakenMeans &m, double) { return m.SecantSlope; }, MeanGuess::SecantSlope},
    {"far_from_all", [](const MistakenMeans &, double) { return 2.0; }, MeanGuess::Unexplained},
    {"between_two_beyond_both", [](const MistakenMeans &m, double mean) { return mean + 2.5 * m.Tolerance; },
     MeanGuess::Unexplained},
};

class MeanGuesses : public testing::TestWithParam<MeanRow> {};

TEST_P(MeanGuesses, NameTheMistakeBehindThem)
{
    StartFresh();
    SetCubic();
    MistakenMeans m;
    ComputeMistakenMeans(Curve, Theorem, m);
    EXPECT_EQ(JudgeMeanGuess(GetParam().guess(m, Theorem.Mean), Theorem.Mean, m), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cubic, MeanGuesses, testing::ValuesIn(MeanRows),
                         [](const testing::TestParamInfo<MeanRow> &row) { return std::string(row.param.name); });

// A mistake that gives the mean here cannot be told from it: a guess near
// the ends' average, which is within the tolerance of the mean, is not
// put down to it, while one as near the extremes' is.
TEST(MeanGuesses, LeaveOutMistakesThatGiveTheMean)
{
    const MistakenMeans m = {0.509, 0.9, 0.1, -0.5, 0.01, 0.1};
    EXPECT_EQ(JudgeMeanGuess(0.515, 0.5, m), MeanGuess::Unexplained);
    EXPECT_EQ(JudgeMeanGuess(0.906, 0.5, m), MeanGuess::ExtremesAverage);
}

// Points: at a true c, at the middle of [a, b] where the cubic has none,
// and elsewhere.
TEST(PointGuesses, TellATrueCFromTheMiddle)
{
    StartFresh();
    SetCubic();
    MistakenMeans m;
    ComputeMistakenMeans(Curve, Theorem, m);
    ASSERT_GT(Theorem.PointCount, 0);
    const double middle = SampleCount / 2 * Curve.StepWidth;
    for (int i = 0; i < Theorem.PointCount; i++)
        ASSERT_GT(fabs(Theorem.Points[i] - middle), 2 * m.PointTolerance);
    EXPECT_EQ(JudgePointGuess(Theorem.Points[0] + 0.5 * m.PointTolerance, Theorem, m, Curve.StepWidth),
              PointGuess::Right);
    EXPECT_EQ(JudgePointGuess(middle, Theorem, m, Curve.StepWidth), PointGuess::Middle);
    EXPECT_EQ(JudgePointGuess(Theorem.Points[0] + 1.5 * m.PointTolerance, Theorem, m, Curve.StepWidth),
              PointGuess::Unexplained);
}

}   // namespace
