// What students often take for the mean value of f over [a, b], worked out
// on the curve as drawn, and which of them a guess matches: a prediction's
// feedback names the mistake behind a wrong guess, not only that it is wrong.
#pragma once

#include "model/curve.h"
#include "model/theorem.h"

// The answers a guess is held against; Right is the mean value itself.
// The page reads these numbers from the module: keep them.
enum class MeanGuess {
    Right = 0,
    EndsAverage = 1,
    ExtremesAverage = 2,
    MiddleValue = 3,
    SecantSlope = 4,
    Unexplained = 5
};

struct MistakenMeans {
    double EndsAverage;       // (f(a) + f(b)) / 2
    double ExtremesAverage;   // (max f + min f) / 2 over [a, b]
    double MiddleValue;       // f((a + b) / 2), on the segment there
    double SecantSlope;       // (f(b) - f(a)) / (b - a): the derivative's theorem
    // A guess this near a value is taken for it: a twentieth of the
    // curve's range over [a, b], which a student tells apart on the plot,
    // and never under half of the hundredth a guess is shown in.
    double Tolerance;
    // A point c guessed this near a true one is right: a thirtieth of b - a.
    double PointTolerance;
};

// The mistaken answers for the curve and the theorem's interval.
void ComputeMistakenMeans(const CurveState &curve, const TheoremState &theorem, MistakenMeans &out);

// Right when the guess is within the tolerance of the mean; otherwise the
// nearest mistaken answer within the tolerance, leaving out those that give
// the mean here (they cannot be told from it); otherwise Unexplained.
MeanGuess JudgeMeanGuess(double guess, double mean, const MistakenMeans &mistakes);

// A guessed c: Right near a true c or on a stretch where f is its mean;
// Middle near the middle of [a, b], where students put c; else Unexplained.
// The page reads these numbers too.
enum class PointGuess { Right = 0, Middle = 1, Unexplained = 2 };
PointGuess JudgePointGuess(double x, const TheoremState &theorem, const MistakenMeans &mistakes, double stepWidth);
