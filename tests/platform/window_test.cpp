// The window contract every back-end keeps: a window opens and closes on its own thread,
// posted messages arrive in order, a closed window counts as Escape (27), the timer
// ticks on the window's thread, and a captured frame reads back what was drawn.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "support/capture_platform.h"

namespace {

constexpr int kWidth = 64, kHeight = 48;

class PlatformWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        started = StartCapturePlatform("platform_window_test", kWidth, kHeight, &error);
        if (!started) startError = error;
    }
    static void TearDownTestSuite() {
        if (started) platform::Shutdown();
    }
    void SetUp() override {
        if (!started) GTEST_SKIP() << "the platform did not start: " << startError;
    }
    static inline bool started = false;
    static inline std::string startError;
};

intptr_t PassOn(platform::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return platform::DefaultWindowProc(window, message, wParam, lParam);
}

std::atomic<int> timerTicks{0};
void CountTick(platform::Window*, uint32_t) { timerTicks.fetch_add(1); }

// Runs `body` on a thread of its own, as the render-window thread does.
template <typename Body>
void OnWindowThread(Body body) {
    std::thread thread(body);
    thread.join();
}

TEST_F(PlatformWindow, PostedMessagesArriveInOrderUntilTheWindowIsGone) {
    OnWindowThread([] {
        std::string error;
        platform::Window* window = platform::CreateRenderWindow("Umbravel test", kWidth, kHeight, 32, PassOn, &error);
        ASSERT_NE(window, nullptr) << error;
        ASSERT_TRUE(platform::PostWindowMessage(window, platform::kMsgUser + 1, 7, 70));
        std::thread other([&] { EXPECT_TRUE(platform::PostWindowMessage(window, platform::kMsgUser + 2, 8, 80)); });
        other.join();
        platform::Message message;
        ASSERT_EQ(platform::GetWindowMessage(window, &message), 1);
        EXPECT_EQ(message.message, platform::kMsgUser + 1u);
        EXPECT_EQ(message.wParam, 7u);
        EXPECT_EQ(message.lParam, 70);
        ASSERT_EQ(platform::GetWindowMessage(window, &message), 1);
        EXPECT_EQ(message.message, platform::kMsgUser + 2u);
        platform::PostQuitMessage(window);
        EXPECT_EQ(platform::GetWindowMessage(window, &message), 0);
        platform::DestroyRenderWindow(window);
        EXPECT_FALSE(platform::PostWindowMessage(window, platform::kMsgUser, 0, 0));
    });
}

TEST_F(PlatformWindow, ClosingTheWindowArrivesAsEscape) {
    OnWindowThread([] {
        std::string error;
        platform::Window* window = platform::CreateRenderWindow("Umbravel test", kWidth, kHeight, 32, PassOn, &error);
        ASSERT_NE(window, nullptr) << error;
        ASSERT_TRUE(platform::RequestWindowClose(window));
        platform::Message message;
        // Whatever the system sends first (activation, painting) is its own; the owner
        // sees the character 27.
        ASSERT_EQ(platform::GetWindowMessage(window, &message), 1);
        EXPECT_EQ(message.message, platform::kMsgChar);
        EXPECT_EQ(message.wParam, 27u);
        platform::DestroyRenderWindow(window);
    });
}

TEST_F(PlatformWindow, TimerTicksOnTheWindowThreadAndStopsWhenKilled) {
    OnWindowThread([] {
        std::string error;
        platform::Window* window = platform::CreateRenderWindow("Umbravel test", kWidth, kHeight, 32, PassOn, &error);
        ASSERT_NE(window, nullptr) << error;
        timerTicks = 0;
        // Set from another thread, as the sound system sets the 100 ms timer device.
        bool set = false;
        std::thread other([&] { set = platform::SetWindowTimer(window, 5, 20, CountTick); });
        // The other thread's request is answered inside GetWindowMessage.
        platform::Message message;
        while (timerTicks < 3) {
            ASSERT_EQ(platform::GetWindowMessage(window, &message), 1);
            if (message.message == platform::kMsgTimer) {
                EXPECT_EQ(message.wParam, 5u);
            }
            platform::DispatchWindowMessage(window, message);
        }
        other.join();
        EXPECT_TRUE(set);
        EXPECT_TRUE(platform::KillWindowTimer(window, 5));
        EXPECT_FALSE(platform::KillWindowTimer(window, 5));
        EXPECT_FALSE(platform::SetWindowTimer(window, 6, 0, CountTick));
        platform::DestroyRenderWindow(window);
        EXPECT_FALSE(platform::SetWindowTimer(window, 5, 20, CountTick));
    });
}

TEST_F(PlatformWindow, CapturedFrameReadsBackWhatWasDrawn) {
    OnWindowThread([] {
        std::string error;
        platform::Window* window = platform::CreateRenderWindow("Umbravel test", kWidth, kHeight, 32, PassOn, &error);
        ASSERT_NE(window, nullptr) << error;
        ASSERT_TRUE(platform::SetPixelFormat(window, 32, &error)) << error;
        ASSERT_TRUE(platform::CreateGLContext(window, &error)) << error;
        ASSERT_TRUE(platform::MakeGLContextCurrent(window));
        int width = 0, height = 0;
        ASSERT_TRUE(platform::GetClientSize(window, &width, &height));
        EXPECT_EQ(width, kWidth);
        EXPECT_EQ(height, kHeight);
        // Red everywhere, a green block in the lower left quarter (GL's origin).
        glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, kWidth / 2, kHeight / 2);
        glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
        const uint64_t before = platform::CapturedFrameCount();
        platform::SwapWindowBuffers(window);
        EXPECT_EQ(platform::CapturedFrameCount(), before + 1);
        std::vector<uint8_t> rgb;
        int w = 0, h = 0;
        ASSERT_TRUE(platform::LastCapturedFrame(&rgb, &w, &h));
        ASSERT_EQ(w, kWidth);
        ASSERT_EQ(h, kHeight);
        auto pixel = [&](int x, int y) { return &rgb[(static_cast<size_t>(y) * w + x) * 3]; };
        // Top row first: the green block is at the bottom left.
        EXPECT_EQ(pixel(2, 2)[0], 255);
        EXPECT_EQ(pixel(2, 2)[1], 0);
        EXPECT_EQ(pixel(2, kHeight - 3)[0], 0);
        EXPECT_EQ(pixel(2, kHeight - 3)[1], 255);
        EXPECT_EQ(pixel(kWidth - 3, kHeight - 3)[0], 255);
        platform::ReleaseGLContext(window);
        platform::DestroyGLContext(window);
        platform::DestroyRenderWindow(window);
    });
}

TEST_F(PlatformWindow, CaptureListsItsOwnSizeAsTheOnlyMode) {
    platform::ModeInfo mode;
    ASSERT_TRUE(platform::GetDisplayModeInfo(0, &mode));
    EXPECT_EQ(mode.width, kWidth);
    EXPECT_EQ(mode.height, kHeight);
    EXPECT_GE(mode.bitsPerPixel, 16);
    EXPECT_FALSE(platform::GetDisplayModeInfo(1, &mode));
    EXPECT_FALSE(platform::GetDisplayModeInfo(-1, &mode));
}

}  // namespace
