// The lesson's challenges on small curves drawn by hand, each with the
// challenges it meets worked out by hand: the trapezoids' mean, where the
// curve meets it, and the areas (a lobe of A sin over half a period of the
// plot's 2pi is 2A; a step of height h across s - a - 1/2 samples is
// h (s - a - 1/2) Δ, Δ = 6.283184 / 300).
#include "model/challenges.h"
#include "tests/harness/fresh_model.h"

#include <gtest/gtest.h>
#include <math.h>

namespace {

const double Pi = 3.14159265358979323846;

// h before sample s, 0 at s (the only c), -g after it.
double Step(int k, int s, double h, double g)
{
    return k < s ? h : k == s ? 0 : -g;
}

struct Row {
    const char *name;
    int first, last;
    double (*f)(int k);   // the sample k
    const char *met;      // the numbers of the challenges met
};

const Row Rows[] = {
    {"flat_half_meets_the_mean_and_is_all_c", 0, 300, [](int) { return 0.5; }, "14"},
    {"flat_zero_is_not_a_balance", 0, 300, [](int) { return 0.0; }, "4"},
    {"mean_0_496_is_0_50", 0, 300, [](int k) { return 0.992 * k / 300; }, "1"},
    {"mean_0_494_is_not", 0, 300, [](int k) { return 0.988 * k / 300; }, ""},
    {"sine_c_at_a_middle_b_areas_2", 0, 300, [](int k) { return sin(2 * Pi * k / 300); }, "2345"},
    {"small_sine_on_a_half_areas_0_6", 0, 300, [](int k) { return 0.5 + 0.3 * sin(2 * Pi * k / 300); }, "124"},
    {"two_periods_five_c", 0, 300, [](int k) { return sin(4 * Pi * k / 300); }, "345"},
    // c at 49.5, 99.5 and 249.5, and the mean's stretch over 124..175.
    {"three_c_and_a_stretch", 0, 300,
     [](int k) {
         return k < 50 ? 1.0 : k < 100 ? -1.0 : k < 124 ? 1.0 : k <= 175 ? 0.0 : k < 250 ? -1.0 : 1.0;
     },
     "345"},
    {"bump_of_a_thousandth_is_not_flat", 0, 300, [](int k) { return k == 150 ? 0.001 : 0.0; }, "3"},
    {"areas_1_03", 0, 300, [](int k) { return Step(k, 150, 0.33, 0.33); }, "35"},
    {"areas_0_97", 0, 300, [](int k) { return Step(k, 150, 0.31, 0.31); }, "3"},
    // Over [60, 240] the first third ends at sample 120: a c there is in it,
    // a c at 121 (an abscissa of 2.53) is not. Both steps balance to a mean
    // of exactly 0.
    {"c_at_the_third", 60, 240, [](int k) { return Step(k, 120, 239.0 / 1024, 119.0 / 1024); }, "34"},
    {"c_past_the_third", 60, 240, [](int k) { return Step(k, 121, 237.0 / 1024, 121.0 / 1024); }, "3"},
};

class Challenges : public testing::TestWithParam<Row> {};

TEST_P(Challenges, AreMetAsWorkedByHand)
{
    StartFresh();
    double f[SampleCount + 1];
    for (int k = 0; k <= SampleCount; k++)
        f[k] = GetParam().f(k);
    SetCurveSamples(f);
    ASSERT_TRUE(SetTheoremInterval(GetParam().first, GetParam().last));
    ComputeTheorem();
    std::string met;
    for (int n = 1; n <= ChallengeCount; n++)
        if (ChallengeMet((Challenge)n, Curve, Theorem))
            met += std::to_string(n);
    EXPECT_EQ(met, GetParam().met);
}

INSTANTIATE_TEST_SUITE_P(HandDrawn, Challenges, testing::ValuesIn(Rows),
                         [](const testing::TestParamInfo<Row> &row) { return std::string(row.param.name); });

}   // namespace
