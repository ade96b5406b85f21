// The real counter grows, and wall milliseconds follow it.
#include <gtest/gtest.h>

#include "platform/platform.h"

TEST(Clock, RealCounterIsMonotonic) {
    int64_t a = 0, b = 0;
    ASSERT_TRUE(platform::QueryCounter(&a));
    platform::SleepMs(15);
    ASSERT_TRUE(platform::QueryCounter(&b));
    EXPECT_GT(platform::CounterFrequency(), 0);
    const double seconds = static_cast<double>(b - a) / static_cast<double>(platform::CounterFrequency());
    EXPECT_GE(seconds, 0.014);
    EXPECT_FALSE(platform::QueryCounter(nullptr));
}
