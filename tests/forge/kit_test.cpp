// The painter's kit and the content set's plumbing: faults here would silently change or
// drop content.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "content.h"
#include "paint.h"

using namespace forge;

TEST(ForgeKit, QuantisingClampsOutOfRangeAndNaNValues) {
    Canvas c(4, 1);
    c.At(0, 0) = {-1.0f, 0.0f, 2.0f};
    c.At(1, 0) = {NAN, 1.0f, 0.5f};
    Image img = ToImage(c);
    EXPECT_EQ(img.At(0, 0)[0], 0);
    EXPECT_EQ(img.At(0, 0)[2], 255);
    EXPECT_EQ(img.At(1, 0)[0], 0);
    EXPECT_EQ(img.At(1, 0)[1], 255);
    EXPECT_NEAR(img.At(1, 0)[2], 128, 1);
}

TEST(ForgeKit, NoiseIsSeededBoundedAndContinuous) {
    Noise a(7), b(7), other(8);
    int differ = 0;
    for (int i = 0; i < 2000; ++i) {
        float x = i * 0.173f - 50.0f, y = i * 0.311f - 80.0f;
        float v = a.At(x, y);
        EXPECT_EQ(v, b.At(x, y));
        EXPECT_LE(std::fabs(v), 1.0f);
        EXPECT_LE(std::fabs(a.At(x, y, 0.5f * x)), 1.1f);
        EXPECT_LT(std::fabs(a.At(x + 0.001f, y) - v), 0.01f) << "noise jumps at " << x << "," << y;
        differ += v != other.At(x, y);
    }
    EXPECT_GT(differ, 1900) << "the seed does not matter";
}

TEST(ForgeKit, ParallelLoopVisitsEveryIndexOnce) {
    std::vector<std::atomic<int>> seen(997);
    ParallelFor(997, [&](int i) { seen[i].fetch_add(1); });
    for (int i = 0; i < 997; ++i) EXPECT_EQ(seen[i].load(), 1) << i;
    ParallelFor(0, [&](int) { ADD_FAILURE() << "ran with no work"; });
}

TEST(ForgeKit, ContentSetRefusesANameTwiceAndMapsNamesToPaths) {
    ContentSet set;
    set.Add("Files\\Beep.pcm", {1, 2, 3});
    EXPECT_THROW(set.Add("Files\\Beep.pcm", {4}), std::logic_error);
    ASSERT_NE(set.Find("Files\\Beep.pcm"), nullptr);
    EXPECT_EQ(set.Find("Files\\Beep.pcm")->bytes.size(), 3u);
    EXPECT_EQ(set.Find("Files\\beep.pcm"), nullptr);
    EXPECT_EQ(DiskPath("Files\\Video\\War\\WAR000.JPG"), "Files/Video/War/WAR000.JPG");
    // Every unit has a name for --only, and names do not repeat.
    std::vector<std::string> names;
    for (const ContentUnit& u : ContentUnits()) {
        ASSERT_NE(u.make, nullptr);
        for (const std::string& n : names) EXPECT_NE(n, u.name);
        names.push_back(u.name);
    }
}
