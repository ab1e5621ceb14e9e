// The mistaken answers for the mean value, and the judging of guesses.
#include "model/guesses.h"

#include <math.h>

void ComputeMistakenMeans(const CurveState &curve, const TheoremState &theorem, MistakenMeans &out)
{
    const double *f = curve.CurveValues;
    const int a = theorem.First, b = theorem.Last;
    // On straight segments the extremes are at samples.
    double low = f[a], high = f[a];
    for (int k = a + 1; k <= b; k++) {
        low = f[k] < low ? f[k] : low;
        high = f[k] > high ? f[k] : high;
    }
    out.EndsAverage = (f[a] + f[b]) / 2;
    out.ExtremesAverage = (high + low) / 2;
    // The middle is a sample, or the middle of the segment between two.
    out.MiddleValue = (a + b) % 2 == 0 ? f[(a + b) / 2] : (f[(a + b) / 2] + f[(a + b) / 2 + 1]) / 2;
    out.SecantSlope = (f[b] - f[a]) / ((double)(b - a) * curve.StepWidth);
    const double range = (high - low) / 20;
    out.Tolerance = range > 0.005 ? range : 0.005;
    out.PointTolerance = (double)(b - a) * curve.StepWidth / 30;
}

MeanGuess JudgeMeanGuess(double guess, double mean, const MistakenMeans &m)
{
    const double off = fabs(guess - mean);
    if (off <= m.Tolerance)
        return MeanGuess::Right;
    const double values[] = {m.EndsAverage, m.ExtremesAverage, m.MiddleValue, m.SecantSlope};
    MeanGuess found = MeanGuess::Unexplained;
    double nearest = off;
    for (int i = 0; i < 4; i++) {
        const double d = fabs(guess - values[i]);
        if (fabs(values[i] - mean) > m.Tolerance && d <= m.Tolerance && d < nearest) {
            found = (MeanGuess)(i + 1);   // numbered in the values' order
            nearest = d;
        }
    }
    return found;
}

PointGuess JudgePointGuess(double x, const TheoremState &t, const MistakenMeans &m, double stepWidth)
{
    for (int i = 0; i < t.PointCount; i++)
        if (fabs(x - t.Points[i]) <= m.PointTolerance)
            return PointGuess::Right;
    for (int i = 0; i < t.StretchCount; i++)
        if (x >= t.Stretches[i][0] - m.PointTolerance && x <= t.Stretches[i][1] + m.PointTolerance)
            return PointGuess::Right;
    const double middle = (double)(t.First + t.Last) / 2 * stepWidth;
    return fabs(x - middle) <= m.PointTolerance ? PointGuess::Middle : PointGuess::Unexplained;
}
