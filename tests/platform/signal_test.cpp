// Auto-reset signals and the table of named signals.
#include <gtest/gtest.h>

#include <thread>

#include "platform/platform.h"

TEST(Signal, SetWakesOneWaitAndResetsItself) {
    platform::Signal signal;
    EXPECT_FALSE(signal.Wait(0));
    signal.Set();
    EXPECT_TRUE(signal.Wait(0));
    EXPECT_FALSE(signal.Wait(10));  // consumed by the first wait
    signal.Set();
    signal.Reset();
    EXPECT_FALSE(signal.Wait(0));
}

TEST(Signal, WaitReturnsWhenAnotherThreadSets) {
    platform::Signal signal;
    std::thread setter([&] {
        platform::SleepMs(20);
        signal.Set();
    });
    EXPECT_TRUE(signal.Wait(5000));
    setter.join();
}

TEST(Signal, NamedSignalsAreSharedWhileHeld) {
    EXPECT_EQ(platform::OpenNamedSignal("Test_Unknown"), nullptr);
    auto created = platform::CreateNamedSignal("Test_Render");
    auto again = platform::CreateNamedSignal("Test_Render");
    EXPECT_EQ(created, again);
    auto opened = platform::OpenNamedSignal("Test_Render");
    ASSERT_NE(opened, nullptr);
    opened->Set();
    EXPECT_TRUE(created->Wait(0));
    // Once every holder has let go, the name is free: a late signaller finds nothing.
    created.reset();
    again.reset();
    opened.reset();
    EXPECT_EQ(platform::OpenNamedSignal("Test_Render"), nullptr);
}
