// Timings of setting a typed formula (the parse and 301 evaluations over
// the domain), and of one call of each elementary function.
#include "model/elementary.h"
#include "model/formula.h"

#include <benchmark/benchmark.h>
#include <string.h>

namespace {

struct Example {
    const char *text;
    double x0, x1;
};

// A teacher's examples, and one that uses every function at once.
const Example Examples[] = {
    {"sin(x)", 0, 3.141592653589793},
    {"x^2", 0, 3},
    {"sqrt(x)", 0, 4},
    {"1/x", 1, 2.718281828459045},
    {"3sin(2x) + e^-x^2/2 - ln(x + 1) + log(x + 2) * cos(x)^2 + tan(x/3) + abs(x - 1)", 0, 2},
};

void BM_SetFormula(benchmark::State &state)
{
    const Example &example = Examples[state.range(0)];
    static Formula formula;
    double samples[SampleCount + 1], where;
    for (auto _ : state) {
        CompileFormula(example.text, strlen(example.text), &formula);
        SampleFormula(formula, example.x0, example.x1, samples, &where);
        benchmark::DoNotOptimize(samples[SampleCount]);
    }
    state.SetLabel(example.text);
}
BENCHMARK(BM_SetFormula)->DenseRange(0, sizeof Examples / sizeof Examples[0] - 1);

template <double (*F)(double)> void BM_Elementary(benchmark::State &state)
{
    double x = 0.5;
    for (auto _ : state) {
        benchmark::DoNotOptimize(F(x));
        x = x < 50.0 ? x + 0.001 : 0.5;   // the teaching range
    }
}
BENCHMARK_TEMPLATE(BM_Elementary, elem::Sin);
BENCHMARK_TEMPLATE(BM_Elementary, elem::Tan);
BENCHMARK_TEMPLATE(BM_Elementary, elem::Exp);
BENCHMARK_TEMPLATE(BM_Elementary, elem::Ln);

void BM_Pow(benchmark::State &state)
{
    double x = 0.5;
    for (auto _ : state) {
        benchmark::DoNotOptimize(elem::Pow(x, 2.5));
        x = x < 50.0 ? x + 0.001 : 0.5;
    }
}
BENCHMARK(BM_Pow);

}   // namespace
