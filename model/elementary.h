// The elementary functions of typed formulas, written here so that every
// build (x86-64, 32-bit x86, WebAssembly) gives the same bits: they use only
// +, -, *, / and sqrt, which IEEE rounds alike everywhere, and never the
// platform's libm. Each is within 1 ulp of the correctly rounded result (in
// practice almost always correctly rounded: they work in double-double).
// Domain errors give NaN, poles and overflow give an infinity.
#pragma once

namespace elem {

double Sin(double x);
double Cos(double x);
double Tan(double x);
double Exp(double x);
double Ln(double x);      // natural logarithm
double Log10(double x);   // base 10
double Sqrt(double x);
double Abs(double x);
// x^y as a teacher reads it: 0^0 = 1; a negative x only with an integer y,
// whose parity gives the sign; otherwise exp(y ln x), both in double-double.
double Pow(double x, double y);

}   // namespace elem
