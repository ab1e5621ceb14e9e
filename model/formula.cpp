// The formula parser (recursive descent over a lexer that reads one token
// ahead, so that the first fault by position is the one reported), the
// exact decimal reader, and the postfix evaluator.
#include "model/formula.h"

#include "model/double_double.h"
#include "model/elementary.h"
#include "model/elementary_constants.h"

#include <limits>

using namespace doubledouble;

namespace {

// ---- Reading decimals exactly -------------------------------------------
// A number in a formula has at most 200 digits and no exponent, so its
// value lies between 1e-199 and 1e200: always a normal double. The nearest
// double is found by estimating it in double-double and then settling it by
// exact integer comparisons with the midpoints to its neighbours. This is
// the program's own, so that no C library's rounding or locale (a decimal
// comma) can change a number.

struct Big {                  // a non-negative integer, 32 bits a word, least significant first
    enum { Capacity = 48 };   // 1536 bits: above 10^200 * 2^715
    uint32_t w[Capacity];
    int n;
};

void SetSmall(Big &b, uint64_t v)
{
    b.n = 0;
    for (; v; v >>= 32)
        b.w[b.n++] = static_cast<uint32_t>(v);
}

void MulAdd(Big &b, uint32_t factor, uint32_t addend)
{
    uint64_t carry = addend;
    for (int i = 0; i < b.n; i++) {
        uint64_t t = static_cast<uint64_t>(b.w[i]) * factor + carry;
        b.w[i] = static_cast<uint32_t>(t);
        carry = t >> 32;
    }
    if (carry && b.n < Big::Capacity)
        b.w[b.n++] = static_cast<uint32_t>(carry);
}

void MulPow10(Big &b, int p)
{
    for (; p >= 9; p -= 9)
        MulAdd(b, 1000000000u, 0);
    uint32_t f = 1;
    for (; p > 0; p--)
        f *= 10;
    MulAdd(b, f, 0);
}

void ShiftLeft(Big &b, int bits)
{
    if (b.n == 0)
        return;
    int words = bits / 32, shift = bits % 32;
    Big r;
    r.n = b.n + words + 1;
    if (r.n > Big::Capacity)
        r.n = Big::Capacity;   // never reached within the limits above
    for (int i = 0; i < r.n; i++)
        r.w[i] = 0;
    for (int i = 0; i < b.n && i + words < r.n; i++) {
        uint64_t v = static_cast<uint64_t>(b.w[i]) << shift;
        r.w[i + words] |= static_cast<uint32_t>(v);
        if (i + words + 1 < r.n)
            r.w[i + words + 1] |= static_cast<uint32_t>(v >> 32);
    }
    while (r.n > 0 && r.w[r.n - 1] == 0)
        r.n--;
    b = r;
}

int CompareBig(const Big &a, const Big &b)
{
    if (a.n != b.n)
        return a.n < b.n ? -1 : 1;
    for (int i = a.n - 1; i >= 0; i--)
        if (a.w[i] != b.w[i])
            return a.w[i] < b.w[i] ? -1 : 1;
    return 0;
}

// The sign of digits * 10^exp10 - a * 2^k.
int CompareWith(const Big &digits, int exp10, uint64_t a, int k)
{
    Big left = digits, right;
    SetSmall(right, a);
    if (exp10 >= 0)
        MulPow10(left, exp10);
    else
        MulPow10(right, -exp10);
    if (k >= 0)
        ShiftLeft(right, k);
    else
        ShiftLeft(left, -k);
    return CompareBig(left, right);
}

DD Pow10(int p)   // 10^p in double-double, by squaring
{
    DD r = {1.0, 0.0}, base = {10.0, 0.0};
    for (int q = p < 0 ? -p : p; q; q >>= 1, base = Mul(base, base))
        if (q & 1)
            r = Mul(r, base);
    return p < 0 ? Div({1.0, 0.0}, r) : r;
}

// digits[0..count) (ASCII, no point) times 10^exp10, to the nearest double.
double ReadDecimal(const char *digits, int count, int exp10)
{
    while (count > 0 && digits[0] == '0') {
        digits++;
        count--;
    }
    while (count > 0 && digits[count - 1] == '0') {
        count--;
        exp10++;
    }
    if (count == 0)
        return 0.0;
    Big big;
    SetSmall(big, 0);
    uint64_t leading = 0;
    for (int i = 0; i < count; i++) {
        MulAdd(big, 10, static_cast<uint32_t>(digits[i] - '0'));
        if (i < 19)
            leading = leading * 10 + static_cast<uint64_t>(digits[i] - '0');
    }
    // The first 19 digits give the estimate within an ulp or two.
    double hi = static_cast<double>(leading);
    double lo = static_cast<double>(static_cast<int64_t>(leading - static_cast<uint64_t>(hi)));
    int rest = count > 19 ? count - 19 : 0;
    double c = Mul(FastTwoSum(hi, lo), Pow10(exp10 + rest)).hi;
    for (int round = 0; round < 8; round++) {
        uint64_t bits = Bits(c);
        int k = static_cast<int>(bits >> 52) - 1075;
        uint64_t m = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
        int above = CompareWith(big, exp10, 2 * m + 1, k - 1);
        if (above > 0 || (above == 0 && (m & 1))) {
            c = FromBits(bits + 1);
            if (above == 0)
                break;   // a tie goes to the even neighbour
            continue;
        }
        bool bottom = m == (uint64_t{1} << 52);   // the gap below is half as wide
        int below = bottom ? CompareWith(big, exp10, 4 * m - 1, k - 2) : CompareWith(big, exp10, 2 * m - 1, k - 1);
        if (below < 0 || (below == 0 && (m & 1))) {
            c = FromBits(bits - 1);
            if (below == 0)
                break;
            continue;
        }
        break;
    }
    return c;
}

// ---- Tokens ---------------------------------------------------------------

enum class Tok : uint8_t { End, Number, X, Pi, E, Function, Plus, Minus, Times, Divide, Caret, Open, Close };

struct Token {
    Tok kind;
    FormulaOpCode function;   // for Function
    double value;             // for Number
    int column;
};

struct Name {
    const char *text;
    Tok kind;
    FormulaOpCode function;
};

// Longest first, so that "exp" is not read as e, x, p.
const Name Names[] = {
    {"sqrt", Tok::Function, FormulaOpCode::Sqrt}, {"sin", Tok::Function, FormulaOpCode::Sin},
    {"cos", Tok::Function, FormulaOpCode::Cos},   {"tan", Tok::Function, FormulaOpCode::Tan},
    {"exp", Tok::Function, FormulaOpCode::Exp},   {"abs", Tok::Function, FormulaOpCode::Abs},
    {"log", Tok::Function, FormulaOpCode::Log},   {"ln", Tok::Function, FormulaOpCode::Ln},
    {"pi", Tok::Pi, FormulaOpCode::Number},       {"x", Tok::X, FormulaOpCode::Number},
    {"e", Tok::E, FormulaOpCode::Number},
};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
bool IsLetter(char c)
{
    return Lower(c) >= 'a' && Lower(c) <= 'z';
}

// One UTF-8 code point at s[i]: its value and length, or length 0 when the
// bytes are not well-formed UTF-8.
int DecodeUtf8(const char *s, size_t n, size_t i, uint32_t &cp)
{
    unsigned char c = static_cast<unsigned char>(s[i]);
    int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + static_cast<size_t>(len) > n)
        return 0;
    cp = len == 1 ? c : c & (0x7fu >> len);
    for (int j = 1; j < len; j++) {
        unsigned char d = static_cast<unsigned char>(s[i + static_cast<size_t>(j)]);
        if ((d >> 6) != 2)
            return 0;
        cp = (cp << 6) | (d & 0x3fu);
    }
    static const uint32_t Least[5] = {0, 0, 0x80, 0x800, 0x10000};   // no overlong forms
    if (cp < Least[len] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff))
        return 0;
    return len;
}

struct Lexer {
    const char *s;
    size_t n;
    size_t i;     // byte position
    int column;   // 1-based column of s[i]
    FormulaStatus status;

    bool Fail(FormulaError error, int at)
    {
        status = {error, at};
        return false;
    }

    // The next token into t; false (with status set) on a fault.
    bool Next(Token &t)
    {
        for (;;) {
            if (i >= n) {
                t = {Tok::End, FormulaOpCode::Number, 0.0, column};
                return true;
            }
            uint32_t cp;
            int len = DecodeUtf8(s, n, i, cp);
            if (len == 0)
                return Fail(FormulaError::UnexpectedCharacter, column);
            if (cp == ' ' || cp == '\t' || cp == 0xa0) {
                i += static_cast<size_t>(len);
                column++;
                continue;
            }
            t = {Tok::End, FormulaOpCode::Number, 0.0, column};
            char c = static_cast<char>(cp);
            if (cp < 0x80 && (IsDigit(c) || c == '.'))
                return ReadNumber(t);
            if (cp < 0x80 && IsLetter(c))
                return ReadName(t);
            switch (cp) {
            case '+':
                t.kind = Tok::Plus;
                break;
            case '-':
            case 0x2212:
                t.kind = Tok::Minus;
                break;   // also U+2212 minus sign
            case '*':
            case 0xd7:
            case 0xb7:
            case 0x22c5:
                t.kind = Tok::Times;
                break;   // also x-cross and dots
            case '/':
            case 0xf7:
            case 0x2215:
                t.kind = Tok::Divide;
                break;   // also the division signs
            case '^':
                t.kind = Tok::Caret;
                break;
            case '(':
                t.kind = Tok::Open;
                break;
            case ')':
                t.kind = Tok::Close;
                break;
            case 0x3c0:
                t.kind = Tok::Pi;
                break;   // the letter pi
            default:
                return Fail(FormulaError::UnexpectedCharacter, column);
            }
            i += static_cast<size_t>(len);
            column++;
            return true;
        }
    }

    bool ReadNumber(Token &t)
    {
        char digits[FormulaMaxLength];
        int count = 0, afterPoint = -1;
        for (; i < n && (IsDigit(s[i]) || s[i] == '.'); i++, column++) {
            if (s[i] == '.') {
                if (afterPoint >= 0)
                    return Fail(FormulaError::MisplacedPoint, column);
                afterPoint = 0;
                continue;
            }
            digits[count++] = s[i];
            if (afterPoint >= 0)
                afterPoint++;
        }
        if (count == 0)
            return Fail(FormulaError::MisplacedPoint, t.column);
        if (i < n && s[i] == ',')   // "0,5": a decimal comma, never read as two things
            return Fail(FormulaError::DecimalComma, column);
        if (i < n && Lower(s[i]) == 'e') {   // "2e3" and "2e-3" would be 2e times 3, or 2e - 3
            size_t j = i + 1;
            if (j < n && (s[j] == '+' || s[j] == '-'))
                j++;
            if (j < n && IsDigit(s[j]))
                return Fail(FormulaError::ExponentNotation, column);
        }
        t.kind = Tok::Number;
        t.value = ReadDecimal(digits, count, afterPoint > 0 ? -afterPoint : 0);
        return true;
    }

    bool ReadName(Token &t)
    {
        for (const Name &name : Names) {
            size_t k = 0;
            while (name.text[k] && i + k < n && Lower(s[i + k]) == name.text[k])
                k++;
            if (name.text[k] == 0) {
                t.kind = name.kind;
                t.function = name.function;
                i += k;
                column += static_cast<int>(k);
                return true;
            }
        }
        return Fail(FormulaError::UnknownName, column);
    }
};

// ---- Parser ----------------------------------------------------------------
// expr   = term { ("+" | "-") term }
// term   = signed { ("*" | "/") signed | power }      (the second: implied *)
// signed = ("-" | "+") signed | power
// power  = primary [ "^" signed ]                     (so 2^3^2 = 2^9)
// An implied product right after an exponent without brackets is refused:
// e^2x could be e^(2x) or (e^2)x.
// primary = number | "x" | "pi" | "e" | function "(" expr ")" | "(" expr ")"

struct Parser {
    Lexer lexer;
    Token token;
    Formula *out;
    int depth;
    Tok previous;        // the last token read
    bool bareExponent;   // the last factor ends in an exponent without brackets

    bool Fail(FormulaError error, int at) { return lexer.Fail(error, at); }
    bool Advance()
    {
        previous = token.kind;
        return lexer.Next(token);
    }

    bool Emit(FormulaOpCode code, double value = 0.0)
    {
        if (out->count >= FormulaMaxOps)   // beyond the bound the limits give
            return Fail(FormulaError::TooLong, token.column);
        out->ops[out->count++] = {code, value};
        return true;
    }

    static bool StartsImpliedFactor(Tok kind)
    {
        return kind == Tok::X || kind == Tok::Pi || kind == Tok::E || kind == Tok::Function || kind == Tok::Open;
    }

    bool Expr()
    {
        if (!Term())
            return false;
        while (token.kind == Tok::Plus || token.kind == Tok::Minus) {
            FormulaOpCode op = token.kind == Tok::Plus ? FormulaOpCode::Add : FormulaOpCode::Subtract;
            if (!Advance() || !Term() || !Emit(op))
                return false;
        }
        return true;
    }

    bool Term()
    {
        if (!Signed())
            return false;
        for (;;) {
            if (token.kind == Tok::Times || token.kind == Tok::Divide) {
                FormulaOpCode op = token.kind == Tok::Times ? FormulaOpCode::Multiply : FormulaOpCode::Divide;
                if (!Advance() || !Signed() || !Emit(op))
                    return false;
            } else if (StartsImpliedFactor(token.kind)) {
                if (bareExponent)
                    return Fail(FormulaError::AmbiguousExponent, token.column);
                if (!Power() || !Emit(FormulaOpCode::Multiply))
                    return false;
            } else if (token.kind == Tok::Number) {   // "x2", "2 3", "(x)2"
                return Fail(FormulaError::NumberAfterFactor, token.column);
            } else {
                return true;
            }
        }
    }

    bool Signed()
    {
        if (token.kind == Tok::Minus || token.kind == Tok::Plus) {
            bool minus = token.kind == Tok::Minus;
            if (!Advance() || !Signed())
                return false;
            return !minus || Emit(FormulaOpCode::Negate);
        }
        return Power();
    }

    bool Power()
    {
        if (!Primary())
            return false;
        if (token.kind != Tok::Caret) {
            bareExponent = false;
            return true;
        }
        if (!Advance() || !Signed() || !Emit(FormulaOpCode::Power))
            return false;
        bareExponent = previous != Tok::Close;
        return true;
    }

    bool Group()   // "(" expr ")", at token "("
    {
        int open = token.column;
        if (++depth > FormulaMaxNesting)
            return Fail(FormulaError::TooDeep, open);
        if (!Advance() || !Expr())
            return false;
        if (token.kind != Tok::Close)
            return Fail(FormulaError::MissingCloseParen, open);
        depth--;
        return Advance();
    }

    bool Primary()
    {
        switch (token.kind) {
        case Tok::Number:
            return Emit(FormulaOpCode::Number, token.value) && Advance();
        case Tok::X:
            return Emit(FormulaOpCode::X) && Advance();
        case Tok::Pi:
            return Emit(FormulaOpCode::Number, Pi[0]) && Advance();
        case Tok::E:
            return Emit(FormulaOpCode::Number, EulerE[0]) && Advance();
        case Tok::Open:
            return Group();
        case Tok::Function: {
            Token function = token;
            if (!Advance())
                return false;
            if (token.kind != Tok::Open)
                return Fail(FormulaError::FunctionNeedsParentheses, function.column);
            return Group() && Emit(function.function);
        }
        default:
            return Fail(FormulaError::MissingOperand, token.column);
        }
    }
};

struct ErrorInfo {
    const char *key, *text;
};

const ErrorInfo Errors[] = {
    {"formula.ok", "The formula is fine."},
    {"formula.empty", "Type a formula in x, such as sin(x) or x^2."},
    {"formula.too_long", "The formula is longer than 200 characters."},
    {"formula.too_deep", "More than 32 brackets inside one another."},
    {"formula.decimal_comma", "Use a point for decimals: 0.5, not 0,5."},
    {"formula.misplaced_point", "A point belongs inside a number, once: 0.5 or 2.25."},
    {"formula.unknown_name", "Unknown name. Use x, pi, e and sin cos tan exp ln log sqrt abs."},
    {"formula.unexpected_character", "This character has no meaning in a formula."},
    {"formula.missing_operand", "A number, x or a bracket is missing here."},
    {"formula.missing_close_paren", "This bracket is never closed."},
    {"formula.unmatched_close_paren", "This bracket closes nothing."},
    {"formula.function_needs_parentheses", "Put the function's argument in brackets: sin(x)."},
    {"formula.number_after_factor", "Write a number before what it multiplies (2x), or put * between."},
    {"formula.ambiguous_exponent", "Make the exponent clear with brackets or *: e^(2x), (e^2)x or x^2*sin(x)."},
    {"formula.exponent_notation", "Write the number in full (2000, 0.002) or as a power: 2*10^3."},
    {"formula.extra_input", "The formula ends before this."},
};
static_assert(sizeof Errors / sizeof Errors[0] == static_cast<size_t>(FormulaError::ExtraInput) + 1,
              "a key and a text for every fault");

}   // namespace

FormulaStatus CompileFormula(const char *text, size_t length, Formula *out)
{
    out->count = 0;
    // The length in characters first: a fault past the limit is beside the point.
    int characters = 0;
    for (size_t i = 0; i < length; i++)
        if ((static_cast<unsigned char>(text[i]) & 0xc0) != 0x80 && ++characters > FormulaMaxLength)
            return {FormulaError::TooLong, FormulaMaxLength + 1};
    Parser parser = {{text, length, 0, 1, {FormulaError::None, 0}}, {}, out, 0, Tok::End, false};
    bool ok = parser.Advance();
    if (ok && parser.token.kind == Tok::End)
        return {FormulaError::Empty, 1};
    ok = ok && parser.Expr();
    if (ok && parser.token.kind == Tok::Close)
        ok = parser.Fail(FormulaError::UnmatchedCloseParen, parser.token.column);
    else if (ok && parser.token.kind != Tok::End)
        ok = parser.Fail(FormulaError::ExtraInput, parser.token.column);
    if (!ok) {
        out->count = 0;
        return parser.lexer.status;
    }
    return {FormulaError::None, 0};
}

double EvaluateFormula(const Formula &formula, double x)
{
    double stack[FormulaMaxOps];
    int top = 0;   // values on the stack
    for (int i = 0; i < formula.count; i++) {
        const FormulaOp &op = formula.ops[i];
        double &a = stack[top > 0 ? top - 1 : 0];
        double b = top > 0 ? stack[top - 1] : 0.0;
        switch (op.code) {
        case FormulaOpCode::Number:
            stack[top++] = op.value;
            break;
        case FormulaOpCode::X:
            stack[top++] = x;
            break;
        case FormulaOpCode::Negate:
            a = -a;
            break;
        case FormulaOpCode::Sin:
            a = elem::Sin(a);
            break;
        case FormulaOpCode::Cos:
            a = elem::Cos(a);
            break;
        case FormulaOpCode::Tan:
            a = elem::Tan(a);
            break;
        case FormulaOpCode::Exp:
            a = elem::Exp(a);
            break;
        case FormulaOpCode::Ln:
            a = elem::Ln(a);
            break;
        case FormulaOpCode::Log:
            a = elem::Log10(a);
            break;
        case FormulaOpCode::Sqrt:
            a = elem::Sqrt(a);
            break;
        case FormulaOpCode::Abs:
            a = elem::Abs(a);
            break;
        default: {   // the binary operations: the left operand below the right
            top--;
            double &l = stack[top - 1];
            switch (op.code) {
            case FormulaOpCode::Add:
                l = l + b;
                break;
            case FormulaOpCode::Subtract:
                l = l - b;
                break;
            case FormulaOpCode::Multiply:
                l = l * b;
                break;
            case FormulaOpCode::Divide:
                l = l / b;
                break;
            default:
                l = elem::Pow(l, b);
                break;
            }
        }
        }
    }
    return top == 1 ? stack[0] : std::numeric_limits<double>::quiet_NaN();
}

const char *FormulaErrorKey(FormulaError error)
{
    return Errors[static_cast<int>(error)].key;
}
const char *FormulaErrorText(FormulaError error)
{
    return Errors[static_cast<int>(error)].text;
}

SampleOutcome SampleFormula(const Formula &formula, double x0, double x1, double f[SampleCount + 1],
                            double *undefinedAt)
{
    if (!(IsFinite(x0) && IsFinite(x1) && x0 < x1) || !IsFinite(x1 - x0))
        return SampleOutcome::BadDomain;
    double step = (x1 - x0) / static_cast<double>(SampleCount);
    double values[SampleCount + 1];
    for (int k = 0; k <= SampleCount; k++) {
        double x = x0 + k * step;
        values[k] = EvaluateFormula(formula, x);
        if (!IsFinite(values[k])) {
            *undefinedAt = x;
            return SampleOutcome::Undefined;
        }
    }
    for (int k = 0; k <= SampleCount; k++)
        f[k] = values[k];
    return SampleOutcome::Sampled;
}
