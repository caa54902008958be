#include <cmath>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include <varnox/kxTransform.h>
#include <varnox/kxVec.h>

namespace {

// The normalisation written out as the library promises it: every
// intermediate rounded to float where it is stored.
kxVec3 SteppedNormalize(kxVec3 v)
{
    const float sum = static_cast<float>(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
    const float length = static_cast<float>(std::sqrt(double(sum)));
    const float inverse = static_cast<float>(1.0 / double(length));
    return kxVec3(static_cast<float>(double(v.x) * inverse), static_cast<float>(double(v.y) * inverse),
        static_cast<float>(double(v.z) * inverse));
}

bool SameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(Vector, NormalizeScalesToUnitLengthInPlace)
{
    kxVec3 v(3.0f, 0.0f, 4.0f);
    kxVec3& result = v.normalize();
    EXPECT_EQ(&result, &v);
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_EQ(v.y, 0.0f);
    EXPECT_FLOAT_EQ(v.z, 0.8f);
}

TEST(Vector, NormalizeOfZeroIsNonFiniteAndDoesNotFail)
{
    kxVec3 v(0.0f, 0.0f, 0.0f);
    v.normalize();
    EXPECT_FALSE(std::isfinite(v.x));
    EXPECT_FALSE(std::isfinite(v.y));
    EXPECT_FALSE(std::isfinite(v.z));
}

TEST(Vector, NormalizeRoundsEachStepToFloat)
{
    // Rounding only at the end (all in double) gives other bits for many of
    // these vectors; the stepped result must match exactly.
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-300.0f, 300.0f);
    int differsFromAllDouble = 0;
    for (int i = 0; i < 2000; ++i) {
        const kxVec3 input(value(random), value(random), value(random));
        const kxVec3 expected = SteppedNormalize(input);
        kxVec3 actual = input;
        actual.normalize();
        ASSERT_TRUE(SameBits(actual.x, expected.x) && SameBits(actual.y, expected.y)
            && SameBits(actual.z, expected.z))
            << "input " << input.x << ", " << input.y << ", " << input.z;
        const double length
            = std::sqrt(double(input.x) * input.x + double(input.y) * input.y + double(input.z) * input.z);
        if (!SameBits(static_cast<float>(input.x / length), expected.x))
            ++differsFromAllDouble;
    }
    EXPECT_GT(differsFromAllDouble, 0) << "the inputs do not tell the two roundings apart";
}

TEST(Vector, CrossProductFollowsTheRightHandRule)
{
    const kxVec3 x(1, 0, 0), y(0, 1, 0);
    const kxVec3 z = x.cross(y);
    EXPECT_EQ(z.x, 0.0f);
    EXPECT_EQ(z.y, 0.0f);
    EXPECT_EQ(z.z, 1.0f);
    const kxVec3 minusZ = y.cross(x);
    EXPECT_EQ(minusZ.z, -1.0f);
    // The operand is not changed.
    EXPECT_EQ(x.x, 1.0f);
    EXPECT_EQ(y.y, 1.0f);
}

TEST(Vector, CrossProductRoundsOnceFromDouble)
{
    // 1e8 + 1 is not a float, so a float product of the terms loses the 1.
    const kxVec3 a(0.0f, 10000.0f, 1.0f);
    const kxVec3 b(0.0f, 1.0f, 10001.0f);
    const kxVec3 r = a.cross(b);
    EXPECT_EQ(r.x, static_cast<float>(10000.0 * 10001.0 - 1.0));
}

TEST(Transform, StartsAsIdentity)
{
    const kxTransform t;
    const kxVec3 s = t.getScale();
    const kxVec4 r = t.getRotation();
    const kxVec3 p = t.getTranslation();
    EXPECT_EQ(s.x, 1.0f);
    EXPECT_EQ(s.y, 1.0f);
    EXPECT_EQ(s.z, 1.0f);
    EXPECT_EQ(r.x, 0.0f);
    EXPECT_EQ(r.y, 0.0f);
    EXPECT_EQ(r.z, 0.0f);
    EXPECT_EQ(r.w, 0.0f);
    EXPECT_EQ(p.x, 0.0f);
    EXPECT_EQ(p.y, 0.0f);
    EXPECT_EQ(p.z, 0.0f);
}

TEST(Transform, RotationKeepsItsAxisAndReturnsTheAngleFirst)
{
    kxTransform t;
    t.setRotation(90.0f, 0.0f, 0.0f, 2.0f);
    const kxVec4 r = t.getRotation();
    EXPECT_EQ(r.x, 90.0f);
    EXPECT_EQ(r.y, 0.0f);
    EXPECT_EQ(r.z, 0.0f);
    EXPECT_EQ(r.w, 2.0f);
}

TEST(Transform, CopyTakesAllTenFloatsAndIsIndependent)
{
    kxTransform source;
    source.setScale(2, 3, 4);
    source.setRotation(30, 1, 2, 3);
    source.setTranslation(5, 6, 7);
    kxTransform copy(source);
    copy.setScale(9, 9, 9);
    copy.setRotation(1, 1, 1, 1);
    copy.setTranslation(8, 8, 8);
    kxTransform second(source);

    EXPECT_EQ(source.getScale().y, 3.0f);
    EXPECT_EQ(source.getRotation().x, 30.0f);
    EXPECT_EQ(source.getRotation().w, 3.0f);
    EXPECT_EQ(source.getTranslation().z, 7.0f);
    EXPECT_EQ(second.getScale().z, 4.0f);
    EXPECT_EQ(second.getRotation().y, 1.0f);
    EXPECT_EQ(second.getRotation().z, 2.0f);
    EXPECT_EQ(second.getTranslation().x, 5.0f);
}

} // namespace
