// The curve's samples, the flat start and the running integral (left
// Riemann sums, stored one index ahead of the abscissa they describe).
#include "model/curve.h"

CurveState Curve;

void ResetCurve()
{
    Curve.StepWidth = IntervalLength / (double)SampleCount;
    for (int i = 0; i <= SampleCount; i++)
        Curve.CurveValues[i] = 0.0;
}

void SetCurveSamples(const double *samples)
{
    for (int i = 0; i <= SampleCount; i++)
        Curve.CurveValues[i] = samples[i];
}

// V[k] is the sum of StepWidth*F[j] for j = 0..k-2 in increasing j. One
// running sum adds exactly the same products in the same order as summing
// every entry afresh, so the values are identical and the cost is O(N).
void ComputeRunningIntegral()
{
    double *v = Curve.IntegralValues;
    const double *f = Curve.CurveValues;
    double sum = 0.0;
    v[0] = 0.0;
    for (int k = 1; k <= SampleCount; k++) {
        if (k >= 2)
            sum = sum + Curve.StepWidth * f[k - 2];
        v[k] = sum;
    }
}

double MeanLevel()
{
    return Curve.IntegralValues[SampleCount] * IntervalReciprocal;
}
