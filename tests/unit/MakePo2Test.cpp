#include <climits>

#include <gtest/gtest.h>

#include <varnox/Texture.h>

namespace {

TEST(MakePo2, RoundsUpToThePowerOfTwoThatHoldsTheValue)
{
    EXPECT_EQ(Varnox::MakePo2(0), 1);
    EXPECT_EQ(Varnox::MakePo2(1), 1);
    EXPECT_EQ(Varnox::MakePo2(2), 2);
    EXPECT_EQ(Varnox::MakePo2(3), 4);
    EXPECT_EQ(Varnox::MakePo2(300), 512);
    EXPECT_EQ(Varnox::MakePo2(512), 512);
    EXPECT_EQ(Varnox::MakePo2(513), 1024);
    EXPECT_EQ(Varnox::MakePo2(1000), 1024);
    EXPECT_EQ(Varnox::MakePo2((1 << 29) + 1), 1 << 30);
    EXPECT_EQ(Varnox::MakePo2(1 << 30), 1 << 30);
}

TEST(MakePo2, ValuesWithoutAPowerOfTwoComeBackUnchanged)
{
    EXPECT_EQ(Varnox::MakePo2(-5), -5);
    EXPECT_EQ(Varnox::MakePo2(INT_MIN), INT_MIN);
    // No power of two above 2^30 fits an int: doubling on would overflow.
    EXPECT_EQ(Varnox::MakePo2((1 << 30) + 1), (1 << 30) + 1);
    EXPECT_EQ(Varnox::MakePo2(INT_MAX), INT_MAX);
}

} // namespace
