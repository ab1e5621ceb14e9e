// The elementary functions against MPFR: the worst error in ulps over at
// least 10^5 arguments of each teaching range (printed, and at most 1 ulp),
// and how many results are not the correctly rounded double. Arguments come
// from a fixed generator, so a run repeats exactly.
#include "model/elementary.h"

#include <gtest/gtest.h>
#include <limits>
#include <math.h>
#include <mpfr.h>
#include <stdint.h>
#include <stdio.h>

namespace {

enum Fn { Sin, Cos, Tan, Exp, Ln, Log10, Sqrt, Pow };

// How the arguments of a set are drawn.
enum Draw {
    Uniform,       // x uniform in [lo, hi]
    LogUniform,    // |x| = 2^u, u uniform in [lo, hi], either sign when hi2 < 0
    NearHalfPis,   // the doubles nearest k pi/2, k = 1..count
    PowUniform,    // x uniform in [lo, hi], y uniform in [lo2, hi2]
    PowIntegers,   // x uniform in [lo, hi], y an integer in [lo2, hi2]
};

struct Set {
    const char *name;
    Fn fn;
    Draw draw;
    double lo, hi, lo2, hi2;
    int count;
};

const Set Sets[] = {
    {"sin_teaching", Sin, Uniform, -100, 100, 0, 0, 100000},
    {"sin_large", Sin, LogUniform, 6, 1020, 0, -1, 20000},
    {"sin_near_half_pis", Sin, NearHalfPis, 0, 0, 0, 0, 20000},
    {"cos_teaching", Cos, Uniform, -100, 100, 0, 0, 100000},
    {"cos_large", Cos, LogUniform, 6, 1020, 0, -1, 20000},
    {"cos_near_half_pis", Cos, NearHalfPis, 0, 0, 0, 0, 20000},
    {"tan_teaching", Tan, Uniform, -100, 100, 0, 0, 100000},
    {"tan_near_half_pis", Tan, NearHalfPis, 0, 0, 0, 0, 20000},
    {"exp_teaching", Exp, Uniform, -700, 700, 0, 0, 100000},
    {"exp_small", Exp, Uniform, -2, 2, 0, 0, 100000},
    {"exp_subnormal_results", Exp, Uniform, -745, -708, 0, 0, 20000},
    {"ln_whole_range", Ln, LogUniform, -1074, 996.6, 0, 0, 100000},
    {"ln_near_one", Ln, Uniform, 0.9, 1.1, 0, 0, 100000},
    {"log10_whole_range", Log10, LogUniform, -1074, 996.6, 0, 0, 100000},
    {"log10_teaching", Log10, Uniform, 0, 1000, 0, 0, 100000},
    {"sqrt_whole_range", Sqrt, LogUniform, -1074, 1023, 0, 0, 100000},
    {"pow_positive_bases", Pow, PowUniform, 0, 100, -10, 10, 100000},
    {"pow_large_results", Pow, PowUniform, 1, 1e10, -30, 30, 100000},
    {"pow_integer_exponents", Pow, PowIntegers, -10, 10, -20, 20, 100000},
    {"pow_large_integer_exponents", Pow, PowIntegers, 0.7, 1.4, -1100, 1100, 100000},
    {"pow_subnormal_results", Pow, PowUniform, 0.0015, 0.0016, 110, 114, 20000},
};

struct Random {   // xorshift64*: the same numbers everywhere
    uint64_t s = 0x9e3779b97f4a7c15u;
    double Next()   // uniform in [0, 1)
    {
        s ^= s >> 12;
        s ^= s << 25;
        s ^= s >> 27;
        return static_cast<double>((s * 0x2545f4914f6cdd1du) >> 11) * 0x1p-53;
    }
};

double Ours(Fn fn, double x, double y)
{
    switch (fn) {
    case Sin:
        return elem::Sin(x);
    case Cos:
        return elem::Cos(x);
    case Tan:
        return elem::Tan(x);
    case Exp:
        return elem::Exp(x);
    case Ln:
        return elem::Ln(x);
    case Log10:
        return elem::Log10(x);
    case Sqrt:
        return elem::Sqrt(x);
    case Pow:
        return elem::Pow(x, y);
    }
    return 0;
}

void Exact(Fn fn, mpfr_t v, double x, double y)
{
    mpfr_t a, b;
    mpfr_inits2(256, a, b, (mpfr_ptr)0);
    mpfr_set_d(a, x, MPFR_RNDN);
    mpfr_set_d(b, y, MPFR_RNDN);
    switch (fn) {
    case Sin:
        mpfr_sin(v, a, MPFR_RNDN);
        break;
    case Cos:
        mpfr_cos(v, a, MPFR_RNDN);
        break;
    case Tan:
        mpfr_tan(v, a, MPFR_RNDN);
        break;
    case Exp:
        mpfr_exp(v, a, MPFR_RNDN);
        break;
    case Ln:
        mpfr_log(v, a, MPFR_RNDN);
        break;
    case Log10:
        mpfr_log10(v, a, MPFR_RNDN);
        break;
    case Sqrt:
        mpfr_sqrt(v, a, MPFR_RNDN);
        break;
    case Pow:
        mpfr_pow(v, a, b, MPFR_RNDN);
        break;
    }
    mpfr_clears(a, b, (mpfr_ptr)0);
}

class Accuracy : public testing::TestWithParam<Set> {};

TEST_P(Accuracy, WithinOneUlpOfMpfr)
{
    const Set &set = GetParam();
    Random random;
    mpfr_t exact, diff;
    mpfr_inits2(256, exact, diff, (mpfr_ptr)0);
    double worst = 0, worstX = 0, worstY = 0;
    long notRounded = 0, checked = 0;
    for (int i = 0; i < set.count; i++) {
        double x = 0, y = 0;
        switch (set.draw) {
        case Uniform:
            x = set.lo + (set.hi - set.lo) * random.Next();
            break;
        case LogUniform:
            x = ldexp(1.0 + random.Next(), static_cast<int>(set.lo + (set.hi - set.lo) * random.Next()));
            if (set.hi2 < 0 && random.Next() < 0.5)
                x = -x;
            break;
        case NearHalfPis:
            x = static_cast<double>(i + 1) * 1.5707963267948966;
            break;
        case PowUniform:
            x = set.lo + (set.hi - set.lo) * random.Next();
            y = set.lo2 + (set.hi2 - set.lo2) * random.Next();
            break;
        case PowIntegers:
            x = set.lo + (set.hi - set.lo) * random.Next();
            y = floor(set.lo2 + (set.hi2 - set.lo2 + 1) * random.Next());
            break;
        }
        if (set.draw == NearHalfPis) {   // the double nearest k pi/2, exactly
            mpfr_const_pi(exact, MPFR_RNDN);
            mpfr_mul_d(exact, exact, (i + 1) * 0.5, MPFR_RNDN);
            x = mpfr_get_d(exact, MPFR_RNDN);
        }
        Exact(set.fn, exact, x, y);
        double ours = Ours(set.fn, x, y);
        if (!mpfr_number_p(exact) || mpfr_zero_p(exact)) {
            EXPECT_EQ(mpfr_get_d(exact, MPFR_RNDN), ours) << "x = " << x << ", y = " << y;
            continue;
        }
        double rounded = mpfr_get_d(exact, MPFR_RNDN);
        if (isinf(rounded) || rounded == 0.0) {   // overflow, or below the subnormals
            EXPECT_EQ(rounded, ours) << "x = " << x << ", y = " << y;
            continue;
        }
        // ulp at the exact value: 2^(exponent - 53), never below the
        // subnormals' spacing.
        long e = mpfr_get_exp(exact) - 53;
        if (e < -1074)
            e = -1074;
        mpfr_set_d(diff, ours, MPFR_RNDN);
        mpfr_sub(diff, diff, exact, MPFR_RNDN);
        mpfr_abs(diff, diff, MPFR_RNDN);
        mpfr_mul_2si(diff, diff, -e, MPFR_RNDN);
        double ulps = mpfr_get_d(diff, MPFR_RNDN);
        checked++;
        if (ours != rounded)
            notRounded++;
        if (!(ulps <= worst)) {
            worst = ulps;
            worstX = x;
            worstY = y;
        }
    }
    mpfr_clears(exact, diff, (mpfr_ptr)0);
    char where[80];
    if (set.fn == Pow)
        snprintf(where, sizeof where, "x = %.17g, y = %.17g", worstX, worstY);
    else
        snprintf(where, sizeof where, "x = %.17g", worstX);
    printf("%s: worst %.4f ulp (at %s) over %ld arguments; %ld not correctly rounded\n", set.name, worst, where,
           checked, notRounded);
    EXPECT_LE(worst, 1.0);
    EXPECT_GE(checked, set.count * 9 / 10);
}

INSTANTIATE_TEST_SUITE_P(Functions, Accuracy, testing::ValuesIn(Sets),
                         [](const testing::TestParamInfo<Set> &p) { return std::string(p.param.name); });

// The values that have no ulp: domain errors, poles, infinities, zeros.
TEST(ElementarySpecialValues, FollowIeeeAndTheTeachersReading)
{
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char *what;
        double got, want;
    } rows[] = {
        {"sin(inf)", elem::Sin(inf), nan},
        {"cos(nan)", elem::Cos(nan), nan},
        {"tan(-inf)", elem::Tan(-inf), nan},
        {"sin(-0)", elem::Sin(-0.0), -0.0},
        {"tan(-0)", elem::Tan(-0.0), -0.0},
        {"cos(0)", elem::Cos(0.0), 1.0},
        {"exp(-inf)", elem::Exp(-inf), 0.0},
        {"exp(inf)", elem::Exp(inf), inf},
        {"exp(710)", elem::Exp(710.0), inf},
        {"exp(0)", elem::Exp(0.0), 1.0},
        {"ln(0)", elem::Ln(0.0), -inf},
        {"ln(-1)", elem::Ln(-1.0), nan},
        {"ln(1)", elem::Ln(1.0), 0.0},
        {"ln(inf)", elem::Ln(inf), inf},
        {"log(1000)", elem::Log10(1000.0), 3.0},
        {"log(1e-300)", elem::Log10(1e-300), -300.0},
        {"log(-0.5)", elem::Log10(-0.5), nan},
        {"sqrt(-1)", elem::Sqrt(-1.0), nan},
        {"sqrt(-0)", elem::Sqrt(-0.0), -0.0},
        {"abs(-0)", elem::Abs(-0.0), 0.0},
        {"abs(-inf)", elem::Abs(-inf), inf},
        {"0^0", elem::Pow(0.0, 0.0), 1.0},
        {"0^-1", elem::Pow(0.0, -1.0), inf},
        {"-0^3", elem::Pow(-0.0, 3.0), -0.0},
        {"(-8)^(1/3)", elem::Pow(-8.0, 1.0 / 3.0), nan},
        {"(-2)^3", elem::Pow(-2.0, 3.0), -8.0},
        {"(-2)^-2", elem::Pow(-2.0, -2.0), 0.25},
        {"2^1024", elem::Pow(2.0, 1024.0), inf},
        {"2^-1074", elem::Pow(2.0, -1074.0), 0x1p-1074},
        {"10^-400", elem::Pow(10.0, -400.0), 0.0},
        {"1^1e300", elem::Pow(1.0, 1e300), 1.0},
        {"3^nan", elem::Pow(3.0, nan), nan},
    };
    for (const Row &row : rows) {
        if (isnan(row.want))
            EXPECT_TRUE(isnan(row.got)) << row.what << " = " << row.got;
        else
            EXPECT_TRUE(row.got == row.want && signbit(row.got) == signbit(row.want))
                << row.what << " = " << row.got << ", not " << row.want;
    }
}

}   // namespace
