#include "core/KWOMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>
#include <vector>

namespace
{
std::vector<unsigned> Draws(int n)
{
    std::vector<unsigned> out;
    for (int i = 0; i < n; ++i)
        out.push_back(KWO::Randomi());
    return out;
}
} // namespace

// A new thread starts with seed 1, whatever other tests did to theirs.
TEST(KWOMath, DefaultSeedIsOne)
{
    std::vector<unsigned> byDefault;
    std::thread([&] { byDefault = Draws(5); }).join();
    ASSERT_EQ(5u, byDefault.size());
    EXPECT_EQ(16838u, byDefault[0]);

    KWO::RandomInit(1);
    EXPECT_EQ(byDefault, Draws(5));
    KWO::RandomInit(1);
    EXPECT_EQ(16838u, KWO::Randomi());
    // The generator itself: seed * 1103515245 + 12345, bits 16 to 30.
    KWO::RandomInit(12345);
    const unsigned next = 12345u * 1103515245u + 12345u;
    EXPECT_EQ((next >> 16) & 0x7FFF, KWO::Randomi());
}

TEST(KWOMath, SeedsArePerThread)
{
    KWO::RandomInit(99);
    const unsigned first = KWO::Randomi();
    KWO::RandomInit(99);
    unsigned other = 0;
    std::thread([&] { other = KWO::Randomi(); }).join();
    EXPECT_EQ(16838u, other);
    EXPECT_EQ(first, KWO::Randomi()); // the other thread did not advance ours
}

TEST(KWOMath, RandomRanges)
{
    KWO::RandomInit(7);
    bool seen[6] = {};
    for (int i = 0; i < 2000; ++i)
    {
        const unsigned r = KWO::Randomi(6);
        ASSERT_LT(r, 6u);
        seen[r] = true;
        const float f = KWO::Randomf();
        ASSERT_GE(f, 0.0f);
        ASSERT_LT(f, 1.0f);
        const float g = KWO::Randomf(10.0f);
        ASSERT_GE(g, 0.0f);
        ASSERT_LT(g, 10.0f);
        ASSERT_LE(KWO::Randomi(), 32767u);
    }
    for (bool s : seen)
        EXPECT_TRUE(s);
    EXPECT_EQ(0u, KWO::Randomi(0));
    // The largest draw still stays below n, even for the largest n.
    for (int i = 0; i < 70000; ++i)
        ASSERT_LT(KWO::Randomi(0xFFFFFFFFu), 0xFFFFFFFFu);
}

TEST(KWOMath, StrictEquality)
{
    EXPECT_FALSE(KWO::Equalf(1.0f, 1.5f, 0.5f));
    EXPECT_TRUE(KWO::Equalf(1.0f, 1.25f, 0.5f));
    EXPECT_FALSE(KWO::Equalf(1.5f, 1.0f, 0.5f));
    EXPECT_FALSE(KWO::Equald(1.0, 1.5, 0.5));
    EXPECT_TRUE(KWO::Equald(-1.0, -1.25, 0.5));
    EXPECT_FALSE(KWO::Equalf(0.0f, 0.0f, 0.0f));
}

TEST(KWOMath, Angles)
{
    EXPECT_FLOAT_EQ(330, KWO::Angle2PI(-30));
    EXPECT_FLOAT_EQ(5, KWO::Angle2PI(725));
    EXPECT_FLOAT_EQ(360, KWO::Angle2PI(360));
    EXPECT_FLOAT_EQ(360, KWO::Angle2PI(720));
    EXPECT_FLOAT_EQ(0, KWO::Angle2PI(-360));
    // Huge angles are reduced without stepping for ever.
    const float big = KWO::Angle2PI(1e30f);
    EXPECT_TRUE(big >= 0 && big <= 360);
    const float bigNeg = KWO::Angle2PI(-3.6e6f - 90.0f);
    EXPECT_FLOAT_EQ(270, bigNeg);
    EXPECT_TRUE(std::isnan(KWO::Angle2PI(std::numeric_limits<float>::infinity())));

    EXPECT_FLOAT_EQ(20, KWO::AngleDiff(350, 10));
    EXPECT_FLOAT_EQ(-20, KWO::AngleDiff(10, 350));
    EXPECT_FLOAT_EQ(180, KWO::AngleDiff(0, 180));

    EXPECT_NEAR(45, KWO::VectorAngle(0, 0, 1, 1), 1e-4);
    EXPECT_NEAR(135, KWO::VectorAngle(0, 0, -1, 1), 1e-4);
    EXPECT_NEAR(225, KWO::VectorAngle(0, 0, -1, -1), 1e-4);
    EXPECT_NEAR(315, KWO::VectorAngle(0, 0, 1, -1), 1e-4);
    EXPECT_FLOAT_EQ(270, KWO::VectorAngle(0, 0, 0, -5));
    EXPECT_FLOAT_EQ(90, KWO::VectorAngle(3, 3, 3, 3));
    EXPECT_FLOAT_EQ(0, KWO::VectorAngle(0, 2, 7, 2));
    EXPECT_FLOAT_EQ(180, KWO::VectorAngle(0, 2, -7, 2));
}
