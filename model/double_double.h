// Double-double arithmetic: a value as the unevaluated sum of two doubles,
// about 106 bits, from IEEE +, -, * and / alone (no fused multiply-add), so
// that it rounds alike on every build.
#pragma once

#include <stdint.h>
#include <string.h>

namespace doubledouble {

inline uint64_t Bits(double x)
{
    uint64_t b;
    memcpy(&b, &x, sizeof b);
    return b;
}

inline double FromBits(uint64_t b)
{
    double x;
    memcpy(&x, &b, sizeof x);
    return x;
}

inline bool IsNaN(double x)
{
    return x != x;
}
inline bool IsFinite(double x)
{
    return x - x == 0.0;
}

// 2^k for a k of a normal double's range.
inline double Pow2(int k)
{
    return FromBits(static_cast<uint64_t>(k + 1023) << 52);
}

// A double-double: the unevaluated sum hi + lo, |lo| <= ulp(hi) / 2.
struct DD {
    double hi, lo;
};

inline DD TwoSum(double a, double b)
{
    double s = a + b;
    double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

inline DD FastTwoSum(double a, double b)   // |a| >= |b|
{
    double s = a + b;
    return {s, b - (s - a)};
}

// Veltkamp's split: a = hi + lo, each with at most 26 significant bits, so
// that their products are exact.
inline void Split(double a, double &hi, double &lo)
{
    double t = 134217729.0 * a;   // 2^27 + 1
    hi = t - (t - a);
    lo = a - hi;
}

inline DD TwoProd(double a, double b)   // Dekker: a * b exactly
{
    double p = a * b, ah, al, bh, bl;
    Split(a, ah, al);
    Split(b, bh, bl);
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

inline DD Neg(DD a)
{
    return {-a.hi, -a.lo};
}

inline DD Add(DD a, DD b)
{
    DD s = TwoSum(a.hi, b.hi);
    DD t = TwoSum(a.lo, b.lo);
    s = FastTwoSum(s.hi, s.lo + t.hi);
    return FastTwoSum(s.hi, s.lo + t.lo);
}

inline DD Add(DD a, double b)
{
    DD s = TwoSum(a.hi, b);
    return FastTwoSum(s.hi, s.lo + a.lo);
}

inline DD Mul(DD a, DD b)
{
    DD p = TwoProd(a.hi, b.hi);
    return FastTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

inline DD Mul(DD a, double b)
{
    DD p = TwoProd(a.hi, b);
    return FastTwoSum(p.hi, p.lo + a.lo * b);
}

inline DD Div(DD a, DD b)   // three rounds of long division
{
    double q1 = a.hi / b.hi;
    DD r = Add(a, Neg(Mul(b, q1)));
    double q2 = r.hi / b.hi;
    r = Add(r, Neg(Mul(b, q2)));
    double q3 = r.hi / b.hi;
    return Add(FastTwoSum(q1, q2), q3);
}

}   // namespace doubledouble
