// When the curve over [a, b] meets each of the lesson's challenges.
#include "model/challenges.h"

#include <math.h>

bool ChallengeMet(Challenge challenge, const CurveState &curve, const TheoremState &t)
{
    const double *f = curve.CurveValues;
    switch (challenge) {
    case Challenge::MeanHalf:
        // Reshape the curve until its mean is 0.5 to two decimals.
        return fabs(t.Mean - 0.5) < 0.005;
    case Challenge::ThreePoints:
        // Draw a curve that meets its mean exactly three times; a stretch on
        // the mean holds every point of it, so it is not three.
        return t.PointCount == 3 && t.StretchCount == 0;
    case Challenge::MeanZeroNotFlat: {
        // A mean of 0 without the trivial answer: the areas must balance.
        if (fabs(t.Mean) >= 0.005)
            return false;
        for (int k = t.First + 1; k <= t.Last; k++)
            if (f[k] != f[t.First])
                return true;
        return false;
    }
    case Challenge::PointInFirstThird: {
        // Move a c near a, away from the middle where students expect it.
        // In samples, so that a c on the third's own sample is inside it.
        const double third = (double)t.First + (double)(t.Last - t.First) / 3;
        // The first c and the first stretch are the leftmost, and none is before a.
        return (t.PointCount > 0 && t.PointPositions[0] <= third) ||
            (t.StretchCount > 0 && t.StretchSamples[0][0] <= third);
    }
    case Challenge::BothAreasOne:
        // Swing the curve well away from its mean on both sides: the two
        // areas balance, so making one large makes the other large too.
        return t.AreaAbove >= 1 && t.AreaBelow >= 1;
    }
    return false;
}
