// Quit: the boxes it shows, in their order, and the exit codes; the Escape hook.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "shell/demo_state.h"
#include "shell/loading_screen.h"
#include "shell/main_sequence.h"
#include "shell/quit.h"
#include "started_engine.h"

TEST(Quit, ProfilingText) {
    char text[256];
    FormatProfilingResults(text, sizeof text, 59.94f, 123456.78f);
    EXPECT_STREQ(text, "Profiling Results:\nFPS = 59.9  PPS = 123456.8");
}

TEST(QuitDeathTest, ErrorBeforeTheEngineShowsOnlyTheErrorBox) {
    EXPECT_EXIT(
        {
            StartHeadless();
            demo.startedFlags = 0;
            Quit("Could not create V3D OpenGL instance");
        },
        ::testing::ExitedWithCode(1), "^Vorn Umbravel Demo Error: Could not create V3D OpenGL instance\n$");
}

TEST(QuitDeathTest, ErrorAfterTheEngineShowsProfilingFirst) {
    EXPECT_EXIT(
        {
            StartHeadless();
            demo.engine = new StartedEngine;
            demo.startedFlags = kStartedEngine;
            Quit("Could not load loading screen JPG");
        },
        ::testing::ExitedWithCode(1),
        "^Vorn Umbravel Demo Profiling: Profiling Results:\nFPS = 25.0  PPS = 25000.0\n"
        "Vorn Umbravel Demo Error: Could not load loading screen JPG\n$");
}

TEST(QuitDeathTest, NormalEndAndEscapeShowProfilingAndExitZero) {
    EXPECT_EXIT(
        {
            StartHeadless();
            demo.engine = new StartedEngine;
            demo.startedFlags = kStartedEngine;
            Quit(nullptr);
        },
        ::testing::ExitedWithCode(0), "^Vorn Umbravel Demo Profiling: Profiling Results:\nFPS = 25.0  PPS = 25000.0\n$");
    EXPECT_EXIT(
        {
            StartHeadless();
            Quit(nullptr);
        },
        ::testing::ExitedWithCode(0), "^$");
}

// When Kill (or Init) gives up waiting, the render thread may still run: Quit shows its
// boxes and ends the process without running the exit-time teardown under that thread.
TEST(QuitDeathTest, ARenderThreadThatMayStillRunIsNotTornDownUnder) {
    EXPECT_EXIT(
        {
            StartHeadless();
            std::atexit([] { std::fputs("torn down\n", stderr); });
            auto* engine = new StartedEngine;
            engine->killAnswers = false;
            demo.engine = engine;
            demo.startedFlags = kStartedEngine;
            Quit("Could not set VSS device");
        },
        ::testing::ExitedWithCode(1),
        "^Vorn Umbravel Demo Profiling: Profiling Results:\nFPS = 25.0  PPS = 25000.0\n"
        "Vorn Umbravel Demo Error: Could not set VSS device\n$");
    EXPECT_EXIT(
        {
            StartHeadless();
            std::atexit([] { std::fputs("torn down\n", stderr); });
            demo.startedFlags = kRenderThreadLoose;
            Quit(nullptr);
        },
        ::testing::ExitedWithCode(0), "^$");
    // An answered Kill ends the ordinary way, exit-time teardown included.
    EXPECT_EXIT(
        {
            StartHeadless();
            std::atexit([] { std::fputs("torn down\n", stderr); });
            demo.engine = new StartedEngine;
            demo.startedFlags = kStartedEngine;
            Quit(nullptr);
        },
        ::testing::ExitedWithCode(0), "torn down\n$");
}

TEST(WindowHook, EscapeRequestsQuitAndOtherCharactersDoNot) {
    demo.quitRequested = 0;
    EXPECT_EQ(OnRenderWindowMessage(nullptr, platform::kMsgChar, 'a', 0), 0);
    EXPECT_EQ(demo.quitRequested.load(), 0);
    EXPECT_EQ(OnRenderWindowMessage(nullptr, platform::kMsgChar, 27, 0), 0);
    EXPECT_EQ(demo.quitRequested.load(), 1);
    demo.quitRequested = 0;
}

TEST(QuitDeathTest, EscapeDuringLoadingEndsAtTheNextStep) {
    EXPECT_EXIT(
        {
            StartHeadless();
            demo.engine = new StartedEngine;
            demo.startedFlags = kStartedEngine;
            demo.quitRequested = 1;
            LoadingScreenStep(3, 22);
        },
        ::testing::ExitedWithCode(0), "^Vorn Umbravel Demo Profiling: Profiling Results:\nFPS = 25.0  PPS = 25000.0\n$");
}
