// Prints the bits of typed formulas sampled over their domains, and a hash
// of each elementary function's results over 40,000 arguments, as integers
// only (no C library's number formatting). Built natively and for
// WebAssembly; the two outputs must be the same, line for line.
#include "model/elementary.h"
#include "model/formula.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

namespace {

struct Example {
    const char *text;
    double x0, x1;
};

const Example Examples[] = {
    {"sin(x)", 0, 3.141592653589793},
    {"x^2", 0, 3},
    {"sqrt(x)", 0, 4},
    {"1/x", 1, 2.718281828459045},
    {"0.75", -1, 1},
    {"2x - 1", -2, 2},
    {"3sin(2x) + e^-x^2/2 - ln(x + 1) + log(x + 2) * cos(x)^2 + tan(x/3) + abs(x - 1)", 0, 2},
    {"x^x + (x - 1.5)^3 + 2^-x", 0.5, 7.25},
    {"exp(x)", -700, 700},
    {"sin(x) + cos(x) + tan(x)", -1e6, 1e6},
    {"ln(x)", 1e-300, 1e300},
    {"1/(x - 1)", 0, 3},
};

uint64_t Bits(double x)
{
    uint64_t b;
    memcpy(&b, &x, sizeof b);
    return b;
}

struct Hash {   // FNV-1a over the results' bits
    uint64_t h = 0xcbf29ce484222325u;
    void Add(double x)
    {
        uint64_t b = Bits(x);
        for (int i = 0; i < 8; i++, b >>= 8)
            h = (h ^ (b & 0xff)) * 0x100000001b3u;
    }
};

struct Random {   // xorshift64*, uniform in [0, 1)
    uint64_t s = 0x9e3779b97f4a7c15u;
    double Next()
    {
        s ^= s >> 12;
        s ^= s << 25;
        s ^= s >> 27;
        return static_cast<double>((s * 0x2545f4914f6cdd1du) >> 11) * 0x1p-53;
    }
};

}   // namespace

int main()
{
    static Formula formula;
    for (const Example &example : Examples) {
        FormulaStatus status = CompileFormula(example.text, strlen(example.text), &formula);
        double f[SampleCount + 1], where = 0;
        SampleOutcome outcome = SampleFormula(formula, example.x0, example.x1, f, &where);
        printf("%s: error %d, outcome %d, at %016llx\n", example.text, static_cast<int>(status.error),
               static_cast<int>(outcome), static_cast<unsigned long long>(Bits(where)));
        if (outcome == SampleOutcome::Sampled)
            for (int k = 0; k <= SampleCount; k++)
                printf("  %d %016llx\n", k, static_cast<unsigned long long>(Bits(f[k])));
    }
    struct {
        const char *name;
        double lo, hi;
    } ranges[] = {{"sin", -100, 100}, {"cos", -100, 100}, {"tan", -100, 100}, {"exp", -745, 710},
                  {"ln", 0, 1e6},     {"log", 0, 1e6},    {"sqrt", 0, 1e6},   {"pow", -10, 10}};
    for (auto &range : ranges) {
        Random random;
        Hash hash;
        for (int i = 0; i < 40000; i++) {
            double x = range.lo + (range.hi - range.lo) * random.Next(), y = -20 + 40 * random.Next();
            const char *n = range.name;
            double v = !strcmp(n, "sin") ? elem::Sin(x) :
                !strcmp(n, "cos")        ? elem::Cos(x) :
                !strcmp(n, "tan")        ? elem::Tan(x) :
                !strcmp(n, "exp")        ? elem::Exp(x) :
                !strcmp(n, "ln")         ? elem::Ln(x) :
                !strcmp(n, "log")        ? elem::Log10(x) :
                !strcmp(n, "sqrt")       ? elem::Sqrt(x) :
                i % 2                    ? elem::Pow(x, y) :
                                           elem::Pow(x, static_cast<double>(static_cast<int>(y)));
            hash.Add(v);
        }
        printf("%s: 40000 results, hash %016llx\n", range.name, static_cast<unsigned long long>(hash.h));
    }
    return 0;
}
