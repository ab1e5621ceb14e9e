// Converting doubles to pixel coordinates: truncation toward zero, and a
// defined answer for values no int can hold.
#include "render/pixel.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(Pixel, TruncatesTowardZero)
{
    EXPECT_EQ(PixelFromDouble(249.85), 249);
    EXPECT_EQ(PixelFromDouble(264.99999966), 264);
    EXPECT_EQ(PixelFromDouble(-0.5), 0);
    EXPECT_EQ(PixelFromDouble(-0.0), 0);
    EXPECT_EQ(PixelFromDouble(-191.9), -191);
    EXPECT_EQ(PixelFromDouble(-2.0), -2);
}

TEST(Pixel, SaturatesOutsideTheIntRange)
{
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(PixelFromDouble(1e300), INT32_MAX);
    EXPECT_EQ(PixelFromDouble(-1e300), INT32_MIN);
    EXPECT_EQ(PixelFromDouble(inf), INT32_MAX);
    EXPECT_EQ(PixelFromDouble(-inf), INT32_MIN);
    EXPECT_EQ(PixelFromDouble(2147483648.0), INT32_MAX);
    EXPECT_EQ(PixelFromDouble(-2147483649.0), INT32_MIN);
}

TEST(Pixel, KeepsTheEdgesOfTheIntRangeExact)
{
    EXPECT_EQ(PixelFromDouble(2147483647.0), INT32_MAX);
    EXPECT_EQ(PixelFromDouble(2147483646.75), 2147483646);
    EXPECT_EQ(PixelFromDouble(-2147483648.0), INT32_MIN);
    EXPECT_EQ(PixelFromDouble(-2147483647.5), -2147483647);
}

TEST(Pixel, NotANumberBecomesZero)
{
    EXPECT_EQ(PixelFromDouble(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(PixelFromDouble(-std::numeric_limits<double>::quiet_NaN()), 0);
}

}   // namespace
