// Timings of the work behind one message: the running integral (against
// its literal definition), a drag step (with each pulse shape), the theorem
// of the curve as drawn, and a whole repaint in software.
#include "model/curve.h"
#include "model/drag.h"
#include "model/theorem.h"
#include "render/painter.h"
#include "render/raster_surface.h"
#include "model/integral_by_definition.h"

#include <benchmark/benchmark.h>

static void DraggedCurve()
{
    ResetCurve();
    BeginDrag(200, 300);
    ContinueDrag(310);
    BeginDrag(450, 100);
    ContinueDrag(40);
    EndDrag();
}

static void BM_RunningIntegral(benchmark::State &state)
{
    DraggedCurve();
    for (auto _ : state) {
        ComputeRunningIntegral();
        benchmark::DoNotOptimize(Curve.IntegralValues[SampleCount]);
    }
}
BENCHMARK(BM_RunningIntegral);

// Integral, mean, every c and both areas over the whole curve, as the
// classroom view needs them after each drag step.
static void BM_Theorem(benchmark::State &state)
{
    DraggedCurve();
    ResetTheorem();
    for (auto _ : state) {
        ComputeTheorem();
        benchmark::DoNotOptimize(Theorem.AreaAbove);
    }
}
BENCHMARK(BM_Theorem);

static void BM_IntegralByDefinition(benchmark::State &state)
{
    DraggedCurve();
    static double out[SampleCount + 1];
    for (auto _ : state) {
        IntegralByDefinition(Curve, out);
        benchmark::DoNotOptimize(out[SampleCount]);
    }
}
BENCHMARK(BM_IntegralByDefinition);

// One move of a drag and the running integral after it, with the drag's
// pulse in force.
static void DragSteps(benchmark::State &state)
{
    BeginDrag(300, 200);
    uint16_t y = 200;
    for (auto _ : state) {
        y = y == 200 ? 201 : 200;
        ContinueDrag(y);
        ComputeRunningIntegral();
        benchmark::DoNotOptimize(Curve.IntegralValues[SampleCount]);
    }
}

static void BM_DragStep(benchmark::State &state)
{
    DraggedCurve();
    DragSteps(state);
}
BENCHMARK(BM_DragStep);

// The same step with each shape at its widest, which weighs the most samples.
static void BM_DragStepShape(benchmark::State &state)
{
    DraggedCurve();
    SetPulse((int32_t)state.range(0), MaxPulseWidth);
    DragSteps(state);
    ResetPulse();
}
BENCHMARK(BM_DragStepShape)->DenseRange(PulsePlateau, PulseWholeCurve);

static void BM_RepaintRaster(benchmark::State &state)
{
    DraggedCurve();
    RasterSurface surface(ClientWidth, ClientHeight);
    for (auto _ : state) {
        surface.Clear();
        PaintContent(surface);
        benchmark::DoNotOptimize(surface.Pixels()[0]);
    }
}
BENCHMARK(BM_RepaintRaster);
