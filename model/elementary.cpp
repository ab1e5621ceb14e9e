// The elementary functions, in double-double arithmetic built from IEEE
// +, -, * and / alone (no fused multiply-add, no libm), so that every build
// rounds every step alike. Arguments are reduced exactly (trigonometric ones
// against 2/pi's bits in integer arithmetic), the reduced argument goes
// through a Taylor or atanh series long enough for 106 bits, and the result
// is rounded to double once.
#include "model/elementary.h"

#include "model/double_double.h"
#include "model/elementary_constants.h"

#include <limits>
#if defined(_MSC_VER)
#include <cmath>
#endif
#include <stdint.h>
#include <string.h>

using namespace doubledouble;

namespace {

const double Inf = std::numeric_limits<double>::infinity();
const double NaN = std::numeric_limits<double>::quiet_NaN();

DD Coef(const double c[2])
{
    return {c[0], c[1]};
}

// sin r and cos r for |r| <= pi/4: Taylor series to r^29 and r^28, whose
// first omitted terms are below 2^-110. The terms from r^16 on are below
// 2^-50 of the sum, so double precision carries them (Horner's scheme,
// then double-double for the rest).
DD SinCore(DD r)
{
    DD minusR2 = Neg(Mul(r, r));
    double tail = InverseFactorial[29][0];
    for (int n = 27; n >= 17; n -= 2)
        tail = tail * minusR2.hi + InverseFactorial[n][0];
    DD p = {tail, 0.0};
    for (int n = 15; n >= 1; n -= 2)
        p = Add(Mul(p, minusR2), Coef(InverseFactorial[n]));
    return Mul(p, r);
}

DD CosCore(DD r)
{
    DD minusR2 = Neg(Mul(r, r));
    double tail = InverseFactorial[28][0];
    for (int n = 26; n >= 16; n -= 2)
        tail = tail * minusR2.hi + InverseFactorial[n][0];
    DD p = {tail, 0.0};
    for (int n = 14; n >= 0; n -= 2)
        p = Add(Mul(p, minusR2), Coef(InverseFactorial[n]));
    return p;
}

uint32_t WordAt(const uint32_t *p, int n, int i)
{
    return i >= 0 && i < n ? p[i] : 0u;
}

// The 32 bits of the little-endian number p[0..n) from bit pos upward
// (bits below 0 read as zeros).
uint32_t BitsAt(const uint32_t *p, int n, int pos)
{
    int i = pos >= 0 ? pos / 32 : -((31 - pos) / 32);   // floor(pos / 32)
    int shift = pos - 32 * i;
    uint64_t v = (static_cast<uint64_t>(WordAt(p, n, i + 1)) << 32) | WordAt(p, n, i);
    return static_cast<uint32_t>(v >> shift);
}

// ax = q * pi/2 + r with |r| <= pi/4, for finite ax >= 0; returns q mod 4.
// ax * 2/pi is formed exactly in integers from ax's 53-bit significand and
// the 256 bits of 2/pi that matter for it (the earlier bits only add
// multiples of 4); 192 bits of its fraction then give r, however close ax
// lies to a multiple of pi/2.
int Reduce(double ax, DD &r)
{
    if (ax <= 0.785398) {   // below pi/4 already
        r = {ax, 0.0};
        return 0;
    }
    uint64_t bits = Bits(ax);
    int e = static_cast<int>(bits >> 52) - 1075;   // ax = m * 2^e
    uint64_t m = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
    // Word i (from 1) of 2/pi weighs m * w * 2^(e - 32 i): a multiple of 4
    // while e - 32 i >= 2.
    int first = e >= 2 ? (e - 2) / 32 + 1 : 1;
    enum { Words = 8, ProductWords = Words + 2 };
    uint32_t w[Words];
    for (int j = 0; j < Words; j++)
        w[j] = TwoOverPiBits[first - 1 + Words - 1 - j];
    uint32_t p[ProductWords] = {};
    uint64_t mLow = m & 0xffffffffu, mHigh = m >> 32, carry = 0;
    for (int j = 0; j < Words; j++) {
        uint64_t t = w[j] * mLow + p[j] + carry;
        p[j] = static_cast<uint32_t>(t);
        carry = t >> 32;
    }
    p[Words] = static_cast<uint32_t>(carry);
    carry = 0;
    for (int j = 0; j < Words; j++) {
        uint64_t t = w[j] * mHigh + p[j + 1] + carry;
        p[j + 1] = static_cast<uint32_t>(t);
        carry = t >> 32;
    }
    p[Words + 1] = static_cast<uint32_t>(carry);
    int point = 32 * (first + Words - 1) - e;   // bits below the binary point
    int q = static_cast<int>(BitsAt(p, ProductWords, point) & 3u);
    enum { FractionWords = 6 };
    uint32_t f[FractionWords];   // most significant first
    for (int t = 0; t < FractionWords; t++)
        f[t] = BitsAt(p, ProductWords, point - 32 * (t + 1));
    bool negative = (f[0] >> 31) != 0;
    if (negative) {   // round to the nearest quadrant: r = -(1 - fraction)
        q = (q + 1) & 3;
        uint64_t c = 1;
        for (int t = FractionWords - 1; t >= 0; t--) {
            uint64_t v = static_cast<uint64_t>(~f[t]) + c;
            f[t] = static_cast<uint32_t>(v);
            c = v >> 32;
        }
    }
    DD fraction = {0.0, 0.0};
    double scale = 0x1p-32;
    for (int t = 0; t < FractionWords; t++, scale *= 0x1p-32)
        fraction = Add(fraction, static_cast<double>(f[t]) * scale);
    r = Mul(fraction, Coef(HalfPi));
    if (negative)
        r = Neg(r);
    return q;
}

// exp x = y * 2^k, with x = k ln 2 + r, |r| <= ln 2 / 2, and y = exp r by
// its Taylor series to r^23 (the rest below 2^-110). For |x.hi| < 746.
DD ExpCore(DD x, int &k)
{
    double estimate = x.hi * InvLn2[0];
    k = static_cast<int>(estimate + (estimate >= 0.0 ? 0.5 : -0.5));
    double dk = k;
    DD r = Add(x, Neg(TwoProd(dk, Ln2[0])));
    r = Add(r, Neg(TwoProd(dk, Ln2[1])));
    r = Add(r, -(dk * Ln2[2]));
    double tail = InverseFactorial[23][0];   // r^13 on: below 2^-50 of the sum
    for (int n = 22; n >= 13; n--)
        tail = tail * r.hi + InverseFactorial[n][0];
    DD y = {tail, 0.0};
    for (int n = 12; n >= 0; n--)
        y = Add(Mul(y, r), Coef(InverseFactorial[n]));
    return y;
}

// y * 2^k rounded to double once, for y in [0.7, 1.5].
double Scale(DD y, int k)
{
    if (k > 1023)
        return (y.hi + y.lo) * Pow2(1023) * Pow2(k - 1023);
    if (k >= -1000)
        return (y.hi + y.lo) * Pow2(k);
    // Near the subnormals: count in units of the least subnormal, 2^-1074,
    // and round h + l to an integer (ties to even), exactly.
    double h = y.hi * Pow2(k + 1074), l = y.lo * Pow2(k + 1074);
    if (h >= 0x1p52)   // a normal result after all
        return (y.hi + y.lo) * Pow2(k);
    double n = (h + 0x1p52) - 0x1p52;   // h to the nearest integer, ties even
    double d = h - n;                   // exact, within [-1/2, 1/2]
    if (d == 0.5 && l > 0.0)
        n += 1.0;
    else if (d == -0.5 && l < 0.0)
        n -= 1.0;
    return n * 0x1p-537 * 0x1p-537;   // exact: n < 2^53 units of 2^-1074
}

// ln x for finite x > 0: x = m 2^e with m in [sqrt(1/2), sqrt 2), and
// ln m = 2 atanh s with s = (m - 1)/(m + 1), |s| < 0.172, by its series to
// s^43.
DD LnCore(double x)
{
    int e = 0;
    if (x < 0x1p-1022) {   // subnormal: make it normal first
        x *= 0x1p54;
        e = -54;
    }
    uint64_t bits = Bits(x);
    e += static_cast<int>(bits >> 52) - 1023;
    double m = FromBits((bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1023} << 52));
    if (m > 1.4142135623730951) {
        m *= 0.5;
        e += 1;
    }
    DD s = Div({m - 1.0, 0.0}, TwoSum(m, 1.0));   // m - 1 is exact here
    DD s2 = Mul(s, s);
    double tail = InverseOdd[21][0];   // s^18 on: below 2^-50 of the sum
    for (int k = 20; k >= 9; k--)
        tail = tail * s2.hi + InverseOdd[k][0];
    DD p = {tail, 0.0};
    for (int k = 8; k >= 0; k--)
        p = Add(Mul(p, s2), Coef(InverseOdd[k]));
    DD lnM = Mul(Mul(s, p), 2.0);
    double de = e;
    DD eLn2 = Add(Add(TwoProd(de, Ln2[0]), TwoProd(de, Ln2[1])), de * Ln2[2]);
    return Add(eLn2, lnM);
}

bool IsInteger(double y)
{
    if (!IsFinite(y))
        return false;
    if (elem::Abs(y) >= 0x1p52)
        return true;
    return static_cast<double>(static_cast<int64_t>(y)) == y;
}

bool IsOddInteger(double y)
{
    return IsInteger(y) && elem::Abs(y) < 0x1p53 && (static_cast<int64_t>(y) & 1) != 0;
}

// Whether x^n, n an integer, stays well inside the normal range, so that
// squaring in double-double can neither overflow nor underflow.
bool SmallIntegerPower(double x, double n)
{
    int e = static_cast<int>((Bits(x) >> 52) & 0x7ff) - 1023;
    double a = n < 0.0 ? -n : n;
    return a <= 1024.0 && e > -1022 && a * ((e < 0 ? -e : e) + 1) < 900.0;
}

// x^n for finite x > 0 by repeated squaring in double-double: x^2, the
// commonest power, is exact before its one rounding.
double IntegerPower(double x, int n)
{
    DD r = {1.0, 0.0}, base = {x, 0.0};
    for (int q = n < 0 ? -n : n; q; q >>= 1) {
        if (q & 1)
            r = Mul(r, base);
        if (q > 1)
            base = Mul(base, base);
    }
    return n < 0 ? Div({1.0, 0.0}, r).hi : r.hi;
}

}   // namespace

namespace elem {

double Abs(double x)
{
    return FromBits(Bits(x) & ~(uint64_t{1} << 63));
}

double Sqrt(double x)
{
    if (!(x >= 0.0))   // negative or NaN, kept from any library's error path
        return NaN;
#if defined(_MSC_VER)
    return std::sqrt(x);   // IEEE square root: one instruction (sqrtsd)
#else
    return __builtin_sqrt(x);   // IEEE square root: one instruction everywhere
#endif
}

double Sin(double x)
{
    if (!IsFinite(x))
        return NaN;
    DD r;
    int q = Reduce(Abs(x), r);
    DD v = (q & 1) ? CosCore(r) : SinCore(r);
    double s = v.hi + v.lo;
    if (q >= 2)
        s = -s;
    return x < 0.0 || (x == 0.0 && Bits(x) >> 63) ? -s : s;
}

double Cos(double x)
{
    if (!IsFinite(x))
        return NaN;
    DD r;
    int q = Reduce(Abs(x), r);
    DD v = (q & 1) ? SinCore(r) : CosCore(r);
    double c = v.hi + v.lo;
    return (q == 1 || q == 2) ? -c : c;
}

double Tan(double x)
{
    if (!IsFinite(x))
        return NaN;
    DD r;
    int q = Reduce(Abs(x), r);
    DD s = SinCore(r), c = CosCore(r);
    DD v = (q & 1) ? Neg(Div(c, s)) : Div(s, c);
    double t = v.hi + v.lo;
    return x < 0.0 || (x == 0.0 && Bits(x) >> 63) ? -t : t;
}

double Exp(double x)
{
    if (IsNaN(x))
        return x;
    if (x > 710.0)
        return Inf;
    if (x < -746.0)
        return 0.0;
    int k;
    DD y = ExpCore({x, 0.0}, k);
    return Scale(y, k);
}

double Ln(double x)
{
    if (IsNaN(x) || x < 0.0)
        return NaN;
    if (x == 0.0)
        return -Inf;
    if (x == Inf)
        return Inf;
    return LnCore(x).hi;
}

double Log10(double x)
{
    if (IsNaN(x) || x < 0.0)
        return NaN;
    if (x == 0.0)
        return -Inf;
    if (x == Inf)
        return Inf;
    return Mul(LnCore(x), Coef(InvLn10)).hi;
}

double Pow(double x, double y)
{
    if (IsNaN(x) || IsNaN(y))
        return NaN;
    if (y == 0.0)
        return 1.0;
    bool negative = false;
    if (x < 0.0 || (x == 0.0 && Bits(x) >> 63)) {
        if (!IsInteger(y) && x != 0.0)
            return NaN;   // no real power of a negative number
        negative = IsOddInteger(y);
        x = -x;
    }
    double result;
    if (x == 0.0)
        result = y > 0.0 ? 0.0 : Inf;
    else if (x == 1.0)
        result = 1.0;
    else if (x == Inf || !IsFinite(y))
        result = (x > 1.0) == (y > 0.0) ? Inf : 0.0;
    else if (IsInteger(y) && SmallIntegerPower(x, y))
        result = IntegerPower(x, static_cast<int>(y));
    else {
        DD l = LnCore(x);
        double estimate = l.hi * y;
        if (estimate > 710.0)
            result = Inf;
        else if (estimate < -746.0)
            result = 0.0;
        else {
            int k;
            DD t = ExpCore(Mul(l, y), k);
            result = Scale(t, k);
        }
    }
    return negative ? -result : result;
}

}   // namespace elem
