// Requests from another thread and the mixer: a beep starts in the next tick block, a new
// position is taken at the next row, the player's own jump inside a mix call does not wait
// for the lock it holds, and a thread that mixes while another one starts samples, jumps,
// plays and stops keeps every voice whole (the thread sanitizer build runs this too).
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "it_builder.h"
#include "sound_test_util.h"

namespace {

constexpr int kRate = 44100;
constexpr int kTickFrames = 882;  // 44100 Hz at tempo 125

class HandOver : public ::testing::Test {
protected:
    // Two silent orders of 16 rows each at speed 6, with a looping square on channel 1
    // when `withNotes`.
    void Load(bool withNotes = false) {
        SetUpMixer(kVss16BitMono, kRate);
        TestModule m;
        m.samples = {LoopedSquare()};
        std::vector<TestCell> cells;
        if (withNotes) cells.push_back({0, 0, 60, 1});
        m.patterns = {PackPattern(16, cells), PackPattern(16, {})};
        m.orders = {0, 1, 0xFF};
        module = LoadBytes(BuildIt(m));
        ASSERT_NE(module, nullptr);
        VSS_Play(module.get());
    }
    // Freeing the module (the fixture's member) also takes it from the mixer.
    void TearDown() override { VssState = 0; }
    // `frames` frames of 16-bit mono output.
    std::vector<int16_t> Mix(int frames) {
        std::vector<int16_t> out(static_cast<size_t>(frames));
        VSS_Mix(frames * 2, out.data());
        return out;
    }

    ModulePtr module;
};

TEST_F(HandOver, BeepStartsAtTheNextTickBlock) {
    Load();
    Mix(100);  // inside the first tick
    std::vector<int8_t> beep(4000, 100);
    ASSERT_EQ(VSS_PlaySample(beep.data(), 8, static_cast<int>(beep.size()), kRate, 256, 0), 1);
    // The rest of the tick was rendered before the request: silence.
    for (int16_t v : Mix(kTickFrames - 100)) ASSERT_EQ(v, 0);
    // The next tick block carries the beep from its first frame, at full volume (255).
    const std::vector<int16_t> next = Mix(kTickFrames);
    EXPECT_EQ(next.front(), 100 * 255);
    EXPECT_EQ(next.back(), 100 * 255);
}

TEST_F(HandOver, PositionIsTakenAtTheNextRow) {
    Load(true);
    Mix(100);  // order 0, row 0, tick 0: the note plays
    ASSERT_EQ(module->voices[0].state, kVssVoiceActive);
    ASSERT_EQ(VSS_SetPosition(1, 5), 1);
    // Every voice in use stops at once; the row plays out at the old position.
    EXPECT_EQ(module->voices[0].state, kVssVoiceFree);
    Mix(6 * kTickFrames - 100);
    EXPECT_EQ(module->currentOrder.load(), 0);
    EXPECT_EQ(module->currentRow.load(), 0);
    Mix(1);  // the next row step
    EXPECT_EQ(module->currentOrder.load(), 1);
    EXPECT_EQ(module->currentRow.load(), 5);
    // A refused position changes nothing and says why.
    EXPECT_EQ(VSS_SetPosition(2, 0), 0);
    EXPECT_EQ(VSS_LastError, 5);
    Mix(6 * kTickFrames);
    EXPECT_EQ(module->currentRow.load(), 6);
}

// With the restart-by-jump flag the end of the song calls VSS_SetPosition from inside the
// mix call, on the thread that holds the lock; waiting for it there would hang the mixer.
TEST_F(HandOver, TheSongsOwnJumpInsideTheMixDoesNotWaitForTheLock) {
    Load();
    VssState.fetch_or(kVssRestartByJump);
    std::atomic<bool> done{false};
    std::thread mixer([&] {
        Mix((2 * 16 * 6 + 8) * kTickFrames);  // both orders, the end, and the first row again
        done = true;
    });
    for (int i = 0; i < 500 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!done) {
        // The mixer thread can never be joined: say why and end here.
        std::fprintf(stderr, "HandOver: the mixer waits for the lock its own thread holds\n");
        std::_Exit(1);
    }
    mixer.join();
    EXPECT_EQ(vssMixer.loopCount, 1);
    EXPECT_EQ(module->currentOrder.load(), 0);
}

// A thread mixes as the streaming thread does while this one starts beeps, jumps, stops
// and plays again, as the show's main thread does. Every voice must stay whole: a voice
// mixing one sample's data with another's length reads past the data (the sanitizer
// builds see it), and the thread sanitizer build sees any unguarded access.
TEST_F(HandOver, RequestsWhileAnotherThreadMixes) {
    Load(true);
    std::atomic<bool> stop{false};
    std::atomic<int> blocks{0};
    std::thread mixer([&] {
        std::vector<int16_t> out(331);  // a block that does not divide the tick
        while (!stop) {
            VSS_Mix(static_cast<int>(out.size() * 2), out.data());
            blocks += 1;
        }
    });
    std::vector<int8_t> shortBeep(37, 90);
    std::vector<int16_t> longBeep(5000, -3000);
    for (int i = 0; i < 400; ++i) {
        if (i % 2) VSS_PlaySample(shortBeep.data(), 8, static_cast<int>(shortBeep.size()), 22050, 200, 0);
        else VSS_PlaySample(longBeep.data(), 16, static_cast<int>(longBeep.size() * 2), 44100, 128, -10);
        if (i % 50 == 0) {
            EXPECT_EQ(VSS_SetPosition(i % 100 ? 1 : 0, i % 16), 1);
        }
        if (i % 97 == 0) {
            VSS_Stop();
            VSS_Play(module.get());
        }
        if (i % 10 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    while (blocks < 50) std::this_thread::yield();
    stop = true;
    mixer.join();
    for (int i = 0; i < module->numVoices; ++i) {
        const VssVoice& v = module->voices[i];
        if (v.state == kVssVoiceFree || v.channel) continue;
        // A beep's voice plays one of the two beeps, with that beep's own length.
        const bool isShort = v.data == shortBeep.data() && v.length == 37;
        const bool isLong = v.data == longBeep.data() && v.length == 5000;
        EXPECT_TRUE(isShort || isLong) << "voice " << i + 1;
    }
}

}  // namespace
