// The brain section's frame arithmetic: order progress, beat, spike pulse, finale, the
// sad picture's legs and pictures, the map pictures and the flash timing.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "sections/brain_internal.h"
#include "shell/random.h"

TEST(BrainMotion, OrderProgressRunsFromZeroToOneWithinEachOrder) {
    EXPECT_FLOAT_EQ(OrderProgress(0.0f, 0), 0.0f);
    EXPECT_NEAR(OrderProgress(kOrderSeconds / 2, 0), 0.5f, 1e-6f);
    EXPECT_NEAR(OrderProgress(kOrderSeconds, 0), 1.0f, 1e-6f);
    // Late in the order's clock: held at the end; the next order not begun by the clock yet: 0.
    EXPECT_NEAR(OrderProgress(30.0f, 1), 1.0f, 1e-6f);
    EXPECT_FLOAT_EQ(OrderProgress(8.0f, 1), 0.0f);
    EXPECT_NEAR(OrderProgress(3 * kOrderSeconds + 0.75f * kOrderSeconds, 3), 0.75f, 1e-5f);
    EXPECT_EQ(OrderQuarter(0.0f), 0);
    EXPECT_EQ(OrderQuarter(0.2499f), 0);
    EXPECT_EQ(OrderQuarter(0.25f), 1);
    EXPECT_EQ(OrderQuarter(0.5f), 2);
    EXPECT_EQ(OrderQuarter(0.75f), 3);
    EXPECT_EQ(OrderQuarter(1.0f), 3);
}

TEST(BrainMotion, BeatAndSpikePulseStayInTheirRanges) {
    float lowest = 10, highest = 0;
    int lowestAlpha = 256, highestAlpha = -1;
    for (int i = 0; i < 100000; ++i) {
        const float phase = BeatPhase(static_cast<float>(i) * 0.001f);
        lowest = std::fmin(lowest, BeatScale(phase));
        highest = std::fmax(highest, BeatScale(phase));
        lowestAlpha = std::min(lowestAlpha, static_cast<int>(SpikeAlpha(phase)));
        highestAlpha = std::max(highestAlpha, static_cast<int>(SpikeAlpha(phase)));
    }
    EXPECT_NEAR(lowest, 1.0000916f, 1e-5f);
    EXPECT_NEAR(highest, 1.2729908f, 1e-4f);
    EXPECT_EQ(lowestAlpha, 1);
    EXPECT_EQ(highestAlpha, 255);
    // At the top of the beat the scale is largest; a quarter turn on it is 1.005.
    EXPECT_NEAR(BeatScale(0.0f), 1.2729908f, 1e-5f);
    EXPECT_NEAR(BeatScale(1.5707964f), 1.005f, 1e-6f);
    EXPECT_EQ(SpikeAlpha(0.0f), 255);
    EXPECT_EQ(SpikeAlpha(3.1415927f), 1);
    // 0.9166666 beats a second.
    EXPECT_NEAR(BeatPhase(1.0f / 0.9166666f), 6.2831855f, 1e-5f);
}

TEST(BrainMotion, FinaleGlidesToTheCentreAndSwells) {
    const Vec3 stored(-2.7f, 0.6f, -6.5f);
    const BrainPose start = FinalePose(0.75f, stored);
    EXPECT_FLOAT_EQ(start.position.x, stored.x);
    EXPECT_FLOAT_EQ(start.position.y, stored.y);
    EXPECT_FLOAT_EQ(start.position.z, stored.z);
    EXPECT_FLOAT_EQ(start.brainScale, 1.0f);
    EXPECT_FLOAT_EQ(start.mapScale, 1.0f);
    const BrainPose end = FinalePose(1.0f, stored);
    EXPECT_FLOAT_EQ(end.position.x, 0.0f);
    EXPECT_FLOAT_EQ(end.position.y, 0.0f);
    EXPECT_FLOAT_EQ(end.position.z, -6.5f);
    EXPECT_FLOAT_EQ(end.brainScale, 3.5f);
    EXPECT_FLOAT_EQ(end.mapScale, 4.0f);
    const BrainPose half = FinalePose(0.875f, stored);
    EXPECT_FLOAT_EQ(half.position.x, -1.35f);
    EXPECT_FLOAT_EQ(half.brainScale, 2.25f);
}

TEST(BrainMotion, SadPictureCrossesTheScreenInFourLegs) {
    struct Case {
        int quarter;
        float seconds;
        Vec3 expected;
    };
    const Case cases[] = {
        {0, 0.0f, {-1.4f, -0.4f, -1.1f}}, {0, 1.0f, {0.4f, -0.4f, -1.1f}},
        {1, 0.0f, {0.4f, 1.0f, -1.1f}},   {1, 2.0f, {0.4f, -1.0f, -1.1f}},
        {2, 0.0f, {1.4f, 0.4f, -1.1f}},   {2, 0.5f, {0.5f, 0.4f, -1.1f}},
        {3, 0.0f, {-0.4f, -1.0f, -1.1f}}, {3, 2.0f, {-0.4f, 1.0f, -1.1f}},
    };
    for (const Case& c : cases) {
        const Vec3 p = SadPicturePosition(c.quarter, c.seconds);
        EXPECT_NEAR(p.x, c.expected.x, 1e-6f) << "quarter " << c.quarter << " at " << c.seconds;
        EXPECT_NEAR(p.y, c.expected.y, 1e-6f) << "quarter " << c.quarter << " at " << c.seconds;
        EXPECT_FLOAT_EQ(p.z, c.expected.z);
    }
}

TEST(BrainMotion, PicturesChangeByRow) {
    const int expected[] = {0, 1, 2, 1, 0, 1, 2, 1};
    for (int row = 0; row < 8; ++row) EXPECT_EQ(MapChoiceForRow(row), expected[row]) << row;
    EXPECT_EQ(MapChoiceForRow(127), 1);

    // The sad picture: never the one before, and every one of the eighteen in time.
    SeedRandom(17);
    int last = 0;
    std::set<int> seen;
    for (int i = 0; i < 10000; ++i) {
        const int next = NextSadPicture(last);
        ASSERT_NE(next, last);
        ASSERT_GE(next, 0);
        ASSERT_LT(next, 18);
        seen.insert(next);
        last = next;
    }
    EXPECT_EQ(seen.size(), 18u);
}

TEST(BrainMotion, APathLightsItsFiftyTrianglesInAboutAQuarterSecond) {
    EXPECT_EQ(FlashTrianglesDue(0.0f), 0);
    EXPECT_EQ(FlashTrianglesDue(0.1f), 18);
    EXPECT_LE(FlashTrianglesDue(50.0f / 183.33333f - 0.001f), 50);
    EXPECT_EQ(FlashTrianglesDue(0.275f), 50);
    EXPECT_GT(FlashTrianglesDue(0.2784f), 50);
}
