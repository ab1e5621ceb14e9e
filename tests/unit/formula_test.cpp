// Typed formulas: values against MPFR (each operation rounded once, as the
// grammar reads the formula), refused formulas with their fault and column,
// the limits, the exact reading of decimals against the C library's
// correctly rounded strtod, and the samples over a domain.
#include "model/formula.h"

#include <gtest/gtest.h>
#include <limits>
#include <math.h>
#include <mpfr.h>
#include <stdlib.h>
#include <string.h>
#include <string>

namespace {

// The correctly rounded value of an elementary function, from MPFR.
double Mpfr(int (*f)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t), double x)
{
    mpfr_t v;
    mpfr_init2(v, 53);
    mpfr_set_d(v, x, MPFR_RNDN);
    int t = f(v, v, MPFR_RNDN);
    mpfr_subnormalize(v, t, MPFR_RNDN);
    double r = mpfr_get_d(v, MPFR_RNDN);
    mpfr_clear(v);
    return r;
}
double Sin(double x)
{
    return Mpfr(mpfr_sin, x);
}
double Cos(double x)
{
    return Mpfr(mpfr_cos, x);
}
double Tan(double x)
{
    return Mpfr(mpfr_tan, x);
}
double Exp(double x)
{
    return Mpfr(mpfr_exp, x);
}
double Ln(double x)
{
    return Mpfr(mpfr_log, x);
}
double Log(double x)
{
    return Mpfr(mpfr_log10, x);
}
double Sqrt(double x)
{
    return Mpfr(mpfr_sqrt, x);
}
double Pow(double x, double y)
{
    mpfr_t a, b;
    mpfr_inits2(53, a, b, (mpfr_ptr)0);
    mpfr_set_d(a, x, MPFR_RNDN);
    mpfr_set_d(b, y, MPFR_RNDN);
    mpfr_pow(a, a, b, MPFR_RNDN);
    double r = mpfr_get_d(a, MPFR_RNDN);
    mpfr_clears(a, b, (mpfr_ptr)0);
    return r;
}
const double Pi = 3.141592653589793, E = 2.718281828459045;   // the nearest doubles

bool SameBits(double a, double b)
{
    return memcmp(&a, &b, sizeof a) == 0 || (isnan(a) && isnan(b));
}

struct ValueRow {
    const char *name, *text;
    double (*expected)(double x);
};

const ValueRow ValueRows[] = {
    {"implied_product", "2x", [](double x) { return 2 * x; }},
    {"sine", "sin(x)", [](double x) { return Sin(x); }},
    {"minus_binds_after_power", "-x^2", [](double x) { return -Pow(x, 2); }},
    {"power_is_right_associative", "2^3^x", [](double x) { return Pow(2, Pow(3, x)); }},
    {"negative_exponent", "e^-x^2", [](double x) { return Pow(E, -Pow(x, 2)); }},
    {"bracketed_exponent_then_product", "e^(2x) + (e^2)x + 2e-x + x^2*sin(x)",
     [](double x) { return Pow(E, 2 * x) + Pow(E, 2) * x + 2 * E - x + Pow(x, 2) * Sin(x); }},
    {"implied_product_with_power", "2x^2 - 3x + 1", [](double x) { return 2 * Pow(x, 2) - 3 * x + 1; }},
    {"implied_product_with_brackets", "x(x+1)(x-1)", [](double x) { return x * (x + 1) * (x - 1); }},
    {"implied_product_with_function", "3sin(x) + cos(2x)", [](double x) { return 3 * Sin(x) + Cos(2 * x); }},
    {"implied_product_left_to_right", "1/2x", [](double x) { return 1.0 / 2 * x; }},
    {"constants", "2pi x + e", [](double x) { return 2 * Pi * x + E; }},
    {"unicode_operators", "2\xcf\x80x \xe2\x88\x92 6\xc3\xb7x \xc3\x97 x",
     [](double x) { return 2 * Pi * x - 6 / x * x; }},
    {"capitals", "SIN(X) + Pi", [](double x) { return Sin(x) + Pi; }},
    {"decimals_round_once", "0.1 + 0.2 + x", [](double x) { return 0.1 + 0.2 + x; }},
    {"tangent", "tan(x)", [](double x) { return Tan(x); }},
    {"logistic", "exp(x)/(1 + exp(x))", [](double x) { return Exp(x) / (1 + Exp(x)); }},
    {"logarithms", "ln(x) - log(x)", [](double x) { return Ln(x) - Log(x); }},
    {"root_and_absolute", "sqrt(abs(x - 1))^3", [](double x) { return Pow(Sqrt(fabs(x - 1)), 3); }},
    {"reciprocal_pole", "1/x", [](double x) { return 1 / x; }},
    {"double_negation", "--x * -+2", [](double x) { return -(-x) * -(+2.0); }},
    {"power_of_negative_base", "(x - 4)^3 + x^(1/2)", [](double x) { return Pow(x - 4, 3) + Pow(x, 0.5); }},
};

const double Xs[] = {-2.5, -1, -0.0, 0, 0.5, 1, 3.141592653589793, 10, 123.456};

class FormulaValues : public testing::TestWithParam<ValueRow> {};

TEST_P(FormulaValues, MatchMpfrStepByStep)
{
    const ValueRow &row = GetParam();
    Formula f;
    FormulaStatus status = CompileFormula(row.text, strlen(row.text), &f);
    ASSERT_EQ(FormulaError::None, status.error) << row.text << ": column " << status.column;
    for (double x : Xs) {
        double got = EvaluateFormula(f, x), want = row.expected(x);
        EXPECT_TRUE(SameBits(got, want)) << row.text << " at x = " << x << ": " << got << ", not " << want;
    }
}

INSTANTIATE_TEST_SUITE_P(Formulas, FormulaValues, testing::ValuesIn(ValueRows),
                         [](const testing::TestParamInfo<ValueRow> &p) { return std::string(p.param.name); });

struct BadRow {
    const char *name;
    std::string text;
    FormulaError error;
    int column;
};

std::string Repeat(const char *s, int n)
{
    std::string r;
    for (int i = 0; i < n; i++)
        r += s;
    return r;
}

const BadRow BadRows[] = {
    {"empty", "", FormulaError::Empty, 1},
    {"only_spaces", "   ", FormulaError::Empty, 1},
    {"decimal_comma", "0,5", FormulaError::DecimalComma, 2},
    {"decimal_comma_inside", "sin(0,5x)", FormulaError::DecimalComma, 6},
    {"two_points", "1.2.3", FormulaError::MisplacedPoint, 4},
    {"lone_point", "x + .", FormulaError::MisplacedPoint, 5},
    {"unknown_function", "sen(x)", FormulaError::UnknownName, 1},
    {"unknown_variable", "2 y", FormulaError::UnknownName, 3},
    {"unknown_rest_of_word", "expo(x)", FormulaError::UnknownName, 4},
    {"stray_character", "x $ 2", FormulaError::UnexpectedCharacter, 3},
    {"stray_after_unicode", "\xcf\x80 + \xe2\x82\xac", FormulaError::UnexpectedCharacter, 5},
    {"broken_utf8", "x + \xff", FormulaError::UnexpectedCharacter, 5},
    {"overlong_utf8", "\xc0\xab", FormulaError::UnexpectedCharacter, 1},
    {"comma_between_arguments", "sin(x, 2)", FormulaError::UnexpectedCharacter, 6},
    {"trailing_operator", "2+", FormulaError::MissingOperand, 3},
    {"leading_operator", "*x", FormulaError::MissingOperand, 1},
    {"empty_brackets", "()", FormulaError::MissingOperand, 2},
    {"double_caret", "x^^2", FormulaError::MissingOperand, 3},
    {"unclosed", "(x+1", FormulaError::MissingCloseParen, 1},
    {"unclosed_function", "2sin(x", FormulaError::MissingCloseParen, 5},
    {"closes_nothing", "x)+1", FormulaError::UnmatchedCloseParen, 2},
    {"function_without_brackets", "sin x", FormulaError::FunctionNeedsParentheses, 1},
    {"function_run_together", "2sinx", FormulaError::FunctionNeedsParentheses, 2},
    {"number_after_name", "x2", FormulaError::NumberAfterFactor, 2},
    {"two_numbers", "2 3", FormulaError::NumberAfterFactor, 3},
    {"number_after_bracket", "(x)2", FormulaError::NumberAfterFactor, 4},
    {"exponent_then_product", "e^2x", FormulaError::AmbiguousExponent, 4},
    {"exponent_then_function", "-x^2 sin(x)", FormulaError::AmbiguousExponent, 6},
    {"exponent_notation", "2e3", FormulaError::ExponentNotation, 2},
    {"exponent_notation_signed", "1.5E-3 + x", FormulaError::ExponentNotation, 4},
    {"first_fault_wins", "x) + 0,5", FormulaError::UnmatchedCloseParen, 2},
    {"longest", Repeat("x+", 100), FormulaError::MissingOperand, 201},
    {"too_long", Repeat("x+", 100) + "x", FormulaError::TooLong, 201},
    {"too_long_in_characters", Repeat("\xcf\x80", 201), FormulaError::TooLong, 201},
    {"too_deep", Repeat("(", 33) + "x" + Repeat(")", 33), FormulaError::TooDeep, 33},
    {"too_deep_in_functions", Repeat("sin(", 33) + "x" + Repeat(")", 33), FormulaError::TooDeep, 132},
};

class BadFormulas : public testing::TestWithParam<BadRow> {};

TEST_P(BadFormulas, AreRefusedAtTheirFault)
{
    const BadRow &row = GetParam();
    Formula f;
    FormulaStatus status = CompileFormula(row.text.data(), row.text.size(), &f);
    EXPECT_EQ(FormulaErrorKey(row.error), std::string(FormulaErrorKey(status.error))) << row.text;
    EXPECT_EQ(row.column, status.column) << row.text;
    EXPECT_EQ(0, f.count);
    EXPECT_TRUE(isnan(EvaluateFormula(f, 1.0)));
}

INSTANTIATE_TEST_SUITE_P(Formulas, BadFormulas, testing::ValuesIn(BadRows),
                         [](const testing::TestParamInfo<BadRow> &p) { return std::string(p.param.name); });

// What the limits allow: each case at the limit, compiled and evaluated.
TEST(FormulaLimits, AreReachable)
{
    double pis = Pi;   // pi times itself 200 times, left to right
    for (int i = 1; i < 200; i++)
        pis = pis * Pi;
    struct {
        std::string text;
        double x, want;
    } rows[] = {
        {Repeat("(", 32) + "x" + Repeat(")", 32), 3, 3},
        {Repeat("\xcf\x80", 200), 0, pis},
        {Repeat("-", 199) + "x", 2, -2},
        {"x" + Repeat("^x", 99) + " ", 1, 1},   // the deepest stack: 100 operands waiting
        {Repeat("x", 200), 1, 1},               // the most operations: 200 operands, 199 products
    };
    for (auto &row : rows) {
        Formula f;
        FormulaStatus status = CompileFormula(row.text.data(), row.text.size(), &f);
        EXPECT_EQ(FormulaError::None, status.error) << row.text << ": column " << status.column;
        EXPECT_TRUE(SameBits(row.want, EvaluateFormula(f, row.x))) << row.text;
    }
}

double Number(const std::string &text)
{
    Formula f;
    FormulaStatus status = CompileFormula(text.data(), text.size(), &f);
    EXPECT_EQ(FormulaError::None, status.error) << text;
    return EvaluateFormula(f, 0.0);
}

// Decimals are read to the nearest double (ties to even), as the C
// library's strtod reads them in the C locale.
TEST(FormulaNumbers, AreReadToTheNearestDouble)
{
    const char *hard[] = {
        "0.1",
        "9007199254740993",
        "9007199254740995",
        "9007199254740992.5",
        "0.30000000000000004",
        "2.2250738585072014",
        "4.35",
        "1.00000000000000011102230246251565404236316680908203125",
        "1.00000000000000011102230246251565404236316680908203124",
        "123456789012345678901234567890.123456789",
    };
    for (const char *text : hard)
        EXPECT_TRUE(SameBits(strtod(text, nullptr), Number(text))) << text;
    for (std::string text : {Repeat("9", 200), "0." + Repeat("0", 197) + "1", Repeat("0", 199) + "5"})
        EXPECT_TRUE(SameBits(strtod(text.c_str(), nullptr), Number(text))) << text;
    // And digit strings of every length, the point anywhere.
    uint64_t s = 12345;
    for (int i = 0; i < 20000; i++) {
        s = s * 6364136223846793005u + 1442695040888963407u;
        int length = 1 + static_cast<int>((s >> 33) % 40);
        if (i % 100 == 0)
            length = 150 + static_cast<int>((s >> 33) % 49);
        std::string text;
        for (int k = 0; k < length; k++) {
            s = s * 6364136223846793005u + 1442695040888963407u;
            text += static_cast<char>('0' + (s >> 33) % 10);
        }
        s = s * 6364136223846793005u + 1442695040888963407u;
        text.insert(static_cast<size_t>((s >> 33) % static_cast<uint64_t>(length + 1)), ".");
        if (text == ".")
            continue;
        ASSERT_TRUE(SameBits(strtod(text.c_str(), nullptr), Number(text))) << text;
    }
}

// The abscissas of the samples, and what happens where f is undefined.
TEST(FormulaSamples, FollowTheDomain)
{
    Formula f;
    double samples[SampleCount + 1], where = 0;
    ResetCurve();   // the program's own step
    CompileFormula("x", 1, &f);
    ASSERT_EQ(SampleOutcome::Sampled, SampleFormula(f, 0.0, IntervalLength, samples, &where));
    for (int k = 0; k <= SampleCount; k++)
        ASSERT_TRUE(SameBits(k * Curve.StepWidth, samples[k])) << k;

    struct {
        const char *text;
        double x0, x1;
        SampleOutcome outcome;
        double where;
    } rows[] = {
        {"ln(x)", 0, 1, SampleOutcome::Undefined, 0},
        {"sqrt(1 - x)", 0, 3, SampleOutcome::Undefined, 0 + 101 * (3.0 / 300)},
        {"1/(x - 2)", 1, 4, SampleOutcome::Undefined, 2},
        {"exp(x)", 700, 800, SampleOutcome::Undefined, 700 + 30 * (100.0 / 300)},
        {"x", 1, 1, SampleOutcome::BadDomain, 0},
        {"x", 2, 1, SampleOutcome::BadDomain, 0},
        {"x", 0, std::numeric_limits<double>::infinity(), SampleOutcome::BadDomain, 0},
        {"x", -1.5e308, 1.5e308, SampleOutcome::BadDomain, 0},
        {"x", std::numeric_limits<double>::quiet_NaN(), 1, SampleOutcome::BadDomain, 0},
    };
    for (auto &row : rows) {
        for (double &v : samples)
            v = 7.0;
        CompileFormula(row.text, strlen(row.text), &f);
        where = -1;
        EXPECT_EQ(row.outcome, SampleFormula(f, row.x0, row.x1, samples, &where)) << row.text;
        if (row.outcome == SampleOutcome::Undefined) {
            EXPECT_TRUE(SameBits(row.where, where)) << row.text << ": " << where;
        }
        for (double v : samples)
            ASSERT_EQ(7.0, v) << row.text << ": the samples must stay as they were";
    }
}

}   // namespace
