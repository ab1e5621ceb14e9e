// The theorem of the curve as drawn: trapezoids for the integral, linear
// interpolation for the crossings, and each segment's area split at its
// crossing, so that every number is exact for straight segments.
#include "model/theorem.h"

#include <math.h>

TheoremState Theorem;

void ResetTheorem()
{
    Theorem.First = 0;
    Theorem.Last = SampleCount;
}

bool TheoremIntervalValid(int32_t first, int32_t last)
{
    return first >= 0 && first < last && last <= SampleCount;
}

bool SetTheoremInterval(int32_t first, int32_t last)
{
    if (!TheoremIntervalValid(first, last))
        return false;
    Theorem.First = first;
    Theorem.Last = last;
    return true;
}

void ComputeTheorem()
{
    if (!TheoremIntervalValid(Theorem.First, Theorem.Last))
        ResetTheorem();   // storage never set up: the whole curve
    ComputeTheoremOf(Curve, Theorem.First, Theorem.Last, Theorem);
}

// -1, 0 or 1: below, on or above the mean.
static int Side(double d, double tolerance)
{
    return d > tolerance ? 1 : d < -tolerance ? -1 : 0;
}

void ComputeTheoremOf(const CurveState &curve, int32_t first, int32_t last, TheoremState &out)
{
    const double *f = curve.CurveValues;
    const double step = curve.StepWidth;
    out.First = first;
    out.Last = last;

    // The trapezoids' mean heights, summed; the integral is that sum times
    // the step, and the mean that sum over the count, the step cancelled, so
    // that a constant curve's mean is its value.
    double *w = out.RunningIntegral;
    for (int k = 0; k <= SampleCount; k++)
        w[k] = 0.0;
    double heights = 0.0, scale = fabs(f[first]);
    for (int k = first; k < last; k++) {
        heights = heights + (f[k] + f[k + 1]) * 0.5;
        w[k + 1] = heights * step;
        if (fabs(f[k + 1]) > scale)
            scale = fabs(f[k + 1]);
    }
    out.Integral = w[last];
    out.Mean = heights / (double)(last - first);
    const double mean = out.Mean;
    const double tolerance = OnMeanTolerance * scale;
    const double endTolerance = OnMeanAtEndTolerance * scale;
    const auto sideAt = [&](int k) { return Side(f[k] - mean, k == first || k == last ? endTolerance : tolerance); };

    out.PointCount = 0;
    out.StretchCount = 0;
    out.AreaAbove = 0.0;
    out.AreaBelow = 0.0;
    int previousSide = 1;   // of sample k-1; none before a
    for (int k = first; k <= last; k++) {
        const double d0 = f[k] - mean;
        const int side0 = sideAt(k);
        if (side0 == 0 && previousSide != 0) {
            // A run of samples on the mean: one point, or a stretch.
            int end = k;
            while (end < last && sideAt(end + 1) == 0)
                end++;
            if (end == k) {
                out.PointPositions[out.PointCount] = (double)k;
                out.Points[out.PointCount] = (double)k * step;
                out.PointIntegrals[out.PointCount++] = w[k];
            } else {
                const int i = out.StretchCount++;
                out.StretchSamples[i][0] = k, out.StretchSamples[i][1] = end;
                out.Stretches[i][0] = (double)k * step, out.Stretches[i][1] = (double)end * step;
                out.StretchIntegrals[i][0] = w[k], out.StretchIntegrals[i][1] = w[end];
            }
            // The areas of the segments inside the run are within rounding
            // of 0 and are still added below, segment by segment.
        }
        previousSide = side0;
        if (k == last)
            break;
        const double d1 = f[k + 1] - mean;
        const int side1 = sideAt(k + 1);
        if (side0 * side1 < 0) {
            // Both sides are clear of the mean, so t lies strictly inside
            // (0, 1) and c strictly between the samples.
            const double t = d0 / (d0 - d1);
            const double fc = f[k] + t * (f[k + 1] - f[k]);
            out.PointPositions[out.PointCount] = (double)k + t;
            out.Points[out.PointCount] = ((double)k + t) * step;
            out.PointIntegrals[out.PointCount++] = w[k] + (f[k] + fc) * 0.5 * (t * step);
        }
        // The area between the segment and the mean, split where the
        // difference changes sign (from the raw differences, so that the two
        // areas balance as the integral does).
        if ((d0 > 0.0 && d1 < 0.0) || (d0 < 0.0 && d1 > 0.0)) {
            const double span = fabs(d0 - d1);
            const double part0 = d0 * d0 / span * 0.5 * step;
            const double part1 = d1 * d1 / span * 0.5 * step;
            if (d0 > 0.0)
                out.AreaAbove = out.AreaAbove + part0, out.AreaBelow = out.AreaBelow + part1;
            else
                out.AreaBelow = out.AreaBelow + part0, out.AreaAbove = out.AreaAbove + part1;
        } else {
            const double area = (d0 + d1) * 0.5 * step;
            if (area > 0.0)
                out.AreaAbove = out.AreaAbove + area;
            else
                out.AreaBelow = out.AreaBelow - area;
        }
    }
}
