// No heap allocation in the model, the theorem or the painter once the program runs:
// every operator new in this binary is counted across a long session.
#include "model/curve.h"
#include "model/drag.h"
#include "model/theorem.h"
#include "render/painter.h"
#include "render/raster_surface.h"
#include "render/recording_surface.h"

#include <gtest/gtest.h>
#include <new>
#include <random>
#include <stdlib.h>

static long Allocations = 0;

void *operator new(size_t size)
{
    Allocations++;
    if (void *p = malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void *operator new[](size_t size)
{
    return operator new(size);
}
void operator delete(void *p) noexcept
{
    free(p);
}
void operator delete[](void *p) noexcept
{
    free(p);
}
void operator delete(void *p, size_t) noexcept
{
    free(p);
}
void operator delete[](void *p, size_t) noexcept
{
    free(p);
}

namespace {

TEST(Allocation, NoneAcrossTenThousandEventsAndRepaints)
{
    std::mt19937 random(99);
    std::uniform_int_distribution<int> coordinate(0, 65535), kind(0, 9);
    RasterSurface raster(ClientWidth, ClientHeight);
    RecordingSurface recording;
    ResetCurve();
    PaintContent(recording);   // the recording's storage grows once, here

    long before = Allocations;
    for (int i = 0; i < 10000; i++) {
        int k = kind(random);
        uint16_t x = (uint16_t)(k < 8 ? coordinate(random) % 620 : coordinate(random));
        uint16_t y = (uint16_t)coordinate(random) % 600;
        if (k == 0)
            BeginDrag(x, y);
        else if (k == 1)
            EndDrag();
        else if (ContinueDrag(y) || i % 50 == 0) {
            raster.Clear();
            PaintContent(raster);
            recording.Clear();
            PaintContent(recording);
            SetTheoremInterval(x % 300, 300 - y % 50);
            ComputeTheorem();
        }
    }
    EXPECT_EQ(Allocations - before, 0);
}

}   // namespace
