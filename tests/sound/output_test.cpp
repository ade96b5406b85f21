// The timer device's elapsed time.
#include <gtest/gtest.h>

#include "sound/sound_internal.h"

namespace {

TEST(TimerDevice, ElapsedWholeMillisecondsCappedAtFiveSeconds) {
    const int64_t f = 1000000;
    EXPECT_EQ(VssTimerElapsedMs(0, 100999, f), 100);  // the fraction is dropped
    EXPECT_EQ(VssTimerElapsedMs(0, 7 * f, f), 5000);  // a stall of 7 s moves the music 5 s
    EXPECT_EQ(VssTimerElapsedMs(500, 400, f), 0);
    EXPECT_EQ(VssTimerElapsedMs(0, 100, 0), 0);
}

}  // namespace
