// The floating-point environment the program starts in: on 32-bit Windows
// the x87 unit must round to 53 bits, as the Microsoft start-up leaves it.
#include <gtest/gtest.h>
#include <float.h>

namespace {

TEST(FpuPrecision, StartUpLeavesTheX87UnitAtDoublePrecision)
{
#if defined(_WIN32) && defined(__i386__)
    unsigned int control = _controlfp(0, 0);
    EXPECT_EQ(control & _MCW_PC, (unsigned)_PC_53);
    EXPECT_EQ(control & _MCW_RC, (unsigned)_RC_NEAR);
#else
    GTEST_SKIP() << "only 32-bit Windows has an x87 start-up to check";
#endif
}

TEST(FpuPrecision, DoubleArithmeticRoundsEveryOperation)
{
    // With extended intermediates 1e16 + 1 - 1e16 would come out as 1.
    volatile double big = 1e16, one = 1.0;
    double sum = big + one;
    EXPECT_EQ(sum - big, 0.0);
    // And no fused multiply-add: a*b - c must round the product first.
    volatile double a = 1.0 + 0x1p-30, b = 1.0 - 0x1p-30, c = 1.0;
    EXPECT_EQ(a * b - c, 0.0);
}

}   // namespace
