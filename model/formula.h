// Typed formulas f(x): a safe parser that compiles the text once into a
// fixed-size program, and an evaluator that runs it with the model's own
// elementary functions, so that every build gives the same bits. Nothing is
// allocated; the grammar is described in docs/formulas.md.
#pragma once

#include "model/curve.h"

#include <stddef.h>
#include <stdint.h>

enum {
    FormulaMaxLength = 200,   // characters (UTF-8 code points)
    FormulaMaxNesting = 32,   // parentheses inside one another
    // Every operand, function and operator takes a character of its own,
    // and each joining of two operands at most one operation more.
    FormulaMaxOps = 2 * FormulaMaxLength,
};

// Why a formula was refused. Each has a stable key (for translations) and
// an English text.
enum class FormulaError : uint8_t {
    None,
    Empty,
    TooLong,
    TooDeep,
    DecimalComma,
    MisplacedPoint,
    UnknownName,
    UnexpectedCharacter,
    MissingOperand,
    MissingCloseParen,
    UnmatchedCloseParen,
    FunctionNeedsParentheses,
    NumberAfterFactor,
    AmbiguousExponent,
    ExponentNotation,
    ExtraInput,
};

struct FormulaStatus {
    FormulaError error;
    int column;   // 1-based character position of the fault; 0 when none
};

enum class FormulaOpCode : uint8_t {
    Number,
    X,
    Negate,
    Add,
    Subtract,
    Multiply,
    Divide,
    Power,
    Sin,
    Cos,
    Tan,
    Exp,
    Ln,
    Log,
    Sqrt,
    Abs,
};

struct FormulaOp {
    FormulaOpCode code;
    double value;   // for Number
};

// A compiled formula: its operations in postfix order.
struct Formula {
    int count;
    FormulaOp ops[FormulaMaxOps];
};

// Compiles text (UTF-8, length bytes). On an error, *out holds no program
// (count 0) and the status names the fault and its column.
FormulaStatus CompileFormula(const char *text, size_t length, Formula *out);

// f(x): NaN where the formula is undefined (outside a function's domain),
// an infinity at a pole or on overflow.
double EvaluateFormula(const Formula &formula, double x);

const char *FormulaErrorKey(FormulaError error);    // e.g. "formula.decimal_comma"
const char *FormulaErrorText(FormulaError error);   // English

enum class SampleOutcome : uint8_t { Sampled, Undefined, BadDomain };

// The samples over the domain [x0, x1]: f[k] = f(x_k) with
// x_k = x0 + k * ((x1 - x0) / SampleCount), in that order. When some value
// is not finite, f is left as it was and *undefinedAt is the first such
// x_k. A domain needs finite x0 < x1.
SampleOutcome SampleFormula(const Formula &formula, double x0, double x1, double f[SampleCount + 1],
                            double *undefinedAt);
