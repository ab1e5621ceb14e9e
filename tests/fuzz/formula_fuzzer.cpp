// libFuzzer target: input bytes are a typed formula. Whatever they hold,
// compiling never fails unsafely; a refusal names a column within the text;
// an accepted formula is a well-formed postfix program that evaluates alike
// twice, compiles to the same program inside one more pair of brackets, and
// samples to finite values or leaves the samples as they were.
#include "model/formula.h"
#include "tests/fuzz/model_checks.h"

#include <string.h>

using namespace fuzz;

namespace {

NO_COVERAGE int Characters(const uint8_t *data, size_t size)
{
    int n = 0;
    for (size_t i = 0; i < size; i++)
        n += (data[i] & 0xc0) != 0x80;
    return n;
}

NO_COVERAGE bool WellFormed(const Formula &f)
{
    int depth = 0;
    for (int i = 0; i < f.count; i++) {
        switch (f.ops[i].code) {
        case FormulaOpCode::Number:
        case FormulaOpCode::X:
            depth++;
            break;
        case FormulaOpCode::Add:
        case FormulaOpCode::Subtract:
        case FormulaOpCode::Multiply:
        case FormulaOpCode::Divide:
        case FormulaOpCode::Power:
            if (depth < 2)
                return false;
            depth--;
            break;
        default:
            if (depth < 1)
                return false;
        }
        if (depth > FormulaMaxOps)
            return false;
    }
    return depth == 1;
}

NO_COVERAGE bool SameBits(double a, double b)
{
    return memcmp(&a, &b, sizeof a) == 0;
}

Formula compiled, bracketed;
char text[FormulaMaxLength * 4 + 8];

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > FormulaMaxLength * 4)   // four bytes at most a character
        return 0;
    FormulaStatus status = CompileFormula(reinterpret_cast<const char *>(data), size, &compiled);
    int characters = Characters(data, size);
    if (status.error != FormulaError::None) {
        Check(compiled.count == 0, "a refused formula leaves no program");
        Check(status.column >= 1 && status.column <= characters + 1, "the fault's column lies within the text");
        Check(FormulaErrorText(status.error)[0] != 0, "every fault has a message");
        return 0;
    }
    Check(status.column == 0 && compiled.count > 0, "an accepted formula has a program");
    Check(WellFormed(compiled), "the program is well-formed");
    const double xs[] = {0.0, -0.0, 1.0, -2.5, 3.141592653589793, 1e300, -1e-300};
    for (double x : xs)
        Check(SameBits(EvaluateFormula(compiled, x), EvaluateFormula(compiled, x)), "evaluation repeats");

    if (characters + 2 <= FormulaMaxLength) {
        text[0] = '(';
        memcpy(text + 1, data, size);
        text[size + 1] = ')';
        FormulaStatus again = CompileFormula(text, size + 2, &bracketed);
        if (again.error != FormulaError::TooDeep) {
            Check(again.error == FormulaError::None && bracketed.count == compiled.count,
                  "brackets around a formula change nothing");
            for (int i = 0; i < compiled.count; i++)
                Check(bracketed.ops[i].code == compiled.ops[i].code &&
                          SameBits(bracketed.ops[i].value, compiled.ops[i].value),
                      "brackets around a formula change nothing");
        }
    }

    static double samples[SampleCount + 1];
    for (double &v : samples)
        v = 0.5;
    double where = 0;
    SampleOutcome outcome = SampleFormula(compiled, -1.0, 2.0, samples, &where);
    Check(outcome != SampleOutcome::BadDomain, "the domain is good");
    for (double v : samples) {
        if (outcome == SampleOutcome::Sampled)
            Check(v - v == 0.0, "sampled values are finite");
        else
            Check(v == 0.5, "an undefined formula leaves the samples as they were");
    }
    if (outcome == SampleOutcome::Undefined)
        Check(where >= -1.0 && where <= 2.0 + 1e-9 &&
                  !(EvaluateFormula(compiled, where) - EvaluateFormula(compiled, where) == 0.0),
              "the undefined point is in the domain and undefined");
    return 0;
}
