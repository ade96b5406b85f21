// The heard position: the tick history, the device clock's arithmetic, and a real-time
// run through SDL's disk audio driver, which takes the sound at the speed it plays and
// writes it to a file: the published row must change when its first sample reaches the
// file, not a buffer length before.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "it_builder.h"
#include "platform/platform.h"
#include "sound/heard_position.h"
#include "sound_test_util.h"

TEST(HeardPosition, HistoryFindsTheNewestTickAtOrBeforeAFrame) {
    static VssTickHistory history;  // large: kept off the stack
    history.Clear();
    int32_t order = -1, row = -1;
    int64_t start = -1;
    EXPECT_FALSE(history.Find(100, &order, &row, &start));
    history.Add(0, 0, 0);
    history.Add(882, 0, 0);
    history.Add(1764, 0, 1);
    EXPECT_FALSE(history.Find(-1, &order, &row, &start));
    ASSERT_TRUE(history.Find(1763, &order, &row, &start));
    EXPECT_EQ(start, 882);
    ASSERT_TRUE(history.Find(1764, &order, &row, &start));
    EXPECT_EQ(row, 1);
    // Only the newest 512 ticks are kept: older frames are no longer found.
    for (int i = 3; i < 600; ++i) history.Add(882LL * i, i / 6, i % 6);
    EXPECT_FALSE(history.Find(882LL * 50, &order, &row, &start));
    ASSERT_TRUE(history.Find(882LL * 100 + 5, &order, &row, &start));
    EXPECT_EQ(order, 100 / 6);
    EXPECT_EQ(row, 100 % 6);
}

TEST(HeardPosition, ClockHearsTheLastHandOverPlayOutInRealTime) {
    VssHeardClock clock;
    EXPECT_LT(clock.HeardFrame(0), 0);  // not started
    clock.Reset(1000, 400);             // 1000 frames a second, a ring of 400 frames
    EXPECT_EQ(clock.HeardFrame(5'000'000'000), -400);  // nothing taken yet: silence ahead
    // The device takes the ring's silent lap and then 100 mixed frames, 100 at a time.
    uint64_t t = 1'000'000'000;
    for (int i = 0; i < 5; ++i, t += 100'000'000) clock.Took(100, t);
    t -= 100'000'000;
    // At the last hand-over its first frame (mixed frame 0) is heard...
    EXPECT_EQ(clock.HeardFrame(t), 0);
    // ...then it plays out in real time...
    EXPECT_EQ(clock.HeardFrame(t + 50'000'000), 50);
    // ...but the estimate never passes what the device was given.
    EXPECT_EQ(clock.HeardFrame(t + 900'000'000), 100);
    // A clock read before the hand-over's time does not run backwards past it.
    EXPECT_EQ(clock.HeardFrame(t - 1), 0);
}

// The real-time check plays through SDL's disk audio driver, which only the Linux build has.
#if !defined(_WIN32)
namespace {

// One loud note at the start of every row, cut after two of the row's three ticks, so the
// file's silences mark where each row begins.
std::vector<uint8_t> ClickEveryRow(int rows) {
    TestModule m;
    m.speed = 3;
    m.tempo = 125;
    m.orders = {0, 0, 0xFF};
    TestSample s;
    s.flags = 0x01 | 0x02 | 0x10;  // present, 16-bit, looped
    s.length = 64;
    s.loopEnd = 64;
    s.c5Speed = 44100;
    for (uint32_t i = 0; i < s.length; ++i) {
        const int16_t v = i < 32 ? 20000 : -20000;
        s.data.push_back(static_cast<uint8_t>(v & 0xFF));
        s.data.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    }
    m.samples = {s};
    TestPattern p;
    p.rows = static_cast<uint16_t>(rows);
    for (int r = 0; r < rows; ++r) {
        // Channel 1: note C-5, instrument 1, effect S (19) C2.
        p.packed.insert(p.packed.end(), {0x81, 0x01 | 0x02 | 0x08, 60, 1, 19, 0xC2, 0x00});
    }
    m.patterns = {p};
    return BuildIt(m);
}

struct SyncFigures {
    std::vector<double> differencesMs;  // picture time minus file time, per row change seen
    std::vector<double> framesMs;       // the frame that saw the change: time since the frame before
    std::vector<double> samplingMs;     // how late the file's growth may have been seen: time
                                        // since the watcher's sample before
};

double SecondsNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Plays the module through the disk driver in real time, watching the file grow and
// reading the published position once every 60 Hz frame.
SyncFigures RunThroughDiskDriver(int bufferMs, bool followHeard, const std::string& file) {
    SyncFigures figures;
    const int rows = 16;
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    std::filesystem::remove(file);
    VssState = 0;
    SeedRandom(17);
    if (!VSS_EnumDevices() || VSS_GetNumDevices() < 2) return figures;
    EXPECT_EQ(VSS_SetDevice(1), 1);
    VSS_PreInit(300, bufferMs, 1, 0);
    VSS_FollowHeard(followHeard ? 1 : 0);
    if (!VSS_Init(nullptr, kVss16BitStereo, 44100, 32)) {
        ADD_FAILURE() << "the disk driver did not open: " << VSS_GetErrorText(VSS_LastError);
        return figures;
    }
    const std::vector<uint8_t> bytes = ClickEveryRow(rows);
    VssModule* module = VSS_LoadIT(bytes.data(), bytes.size(), 0);
    EXPECT_NE(module, nullptr);
    if (!module) return figures;

    // The file's growth, sampled every half millisecond.
    std::atomic<bool> watching{true};
    std::vector<std::pair<double, int64_t>> growth;
    std::thread watcher([&] {
        int64_t last = -1;
        while (watching.load()) {
            struct stat st {};
            if (stat(file.c_str(), &st) == 0 && st.st_size != last) {
                last = st.st_size;
                growth.emplace_back(SecondsNow(), last);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    });
    // The frame loop: the moment each position is first seen.
    VSS_Play(module);
    struct Seen {
        double at, frameMs;
        int n;  // row number in the song
    };
    std::vector<Seen> seen;
    double previous = SecondsNow();
    int last = -1, lap = 0;
    const double end = SecondsNow() + bufferMs / 1000.0 + 2 * rows * 0.06 + 0.5;
    while (SecondsNow() < end) {
        // The song of two patterns starts again after its end: rows count on.
        int n = module->currentOrder.load() * rows + module->currentRow.load() + lap;
        if (n < last - rows) {
            lap += 2 * rows;
            n += 2 * rows;
        }
        const double now = SecondsNow();
        if (n != last) seen.push_back({now, (now - previous) * 1000.0, n});
        previous = now;
        last = n;
        std::this_thread::sleep_for(std::chrono::microseconds(16667));
    }
    watching = false;
    watcher.join();
    VSS_Stop();
    VSS_Kill();
    VSS_FreeModule(module);
    VSS_FollowHeard(1);

    // Row starts in the file: a sound after at least 100 silent frames.
    std::vector<int64_t> onsets;  // byte offsets
    {
        FILE* f = std::fopen(file.c_str(), "rb");
        EXPECT_NE(f, nullptr);
        if (!f) return figures;
        int16_t frame[2];
        int64_t index = 0, silent = 0;
        while (std::fread(frame, sizeof frame, 1, f) == 1) {
            const bool quiet = frame[0] == 0 && frame[1] == 0;
            if (!quiet && silent >= 100) onsets.push_back(index * 4);
            silent = quiet ? silent + 1 : 0;
            ++index;
        }
        std::fclose(f);
    }
    EXPECT_GE(onsets.size(), static_cast<size_t>(2 * rows - 1));
    for (const auto& [drawn, frameMs, n] : seen) {
        // The first position is the fresh module's; every later one is a row's start.
        if (n <= 0 || static_cast<size_t>(n) >= onsets.size()) continue;
        const int64_t needed = onsets[static_cast<size_t>(n)] + 4;
        for (size_t g = 0; g < growth.size(); ++g)
            if (growth[g].second >= needed) {
                const double when = growth[g].first;
                figures.differencesMs.push_back((drawn - when) * 1000.0);
                figures.framesMs.push_back(frameMs);
                figures.samplingMs.push_back(g > 0 ? (when - growth[g - 1].first) * 1000.0 : 0.0);
                break;
            }
    }
    return figures;
}

void Summarise(const char* label, std::vector<double> d, double* median, double* worst) {
    std::sort(d.begin(), d.end());
    *median = d.empty() ? 0 : d[(d.size() - 1) / 2];
    *worst = 0;
    for (double v : d)
        if (std::fabs(v) > std::fabs(*worst)) *worst = v;
    std::printf("%-28s rows %2zu  picture minus file: median %7.1f ms, worst %7.1f ms\n", label, d.size(), *median,
                *worst);
}

}  // namespace

// Real time: about thirteen seconds. The SDL device buffer here is 1024 frames (23.2 ms);
// a frame is 16.7 ms, or what the loaded machine made of it; the sampling of the file
// adds up to a millisecond.
TEST(HeardPosition, RowChangesAreDrawnWhenTheirSoundReachesTheDiskDriversFile) {
    const std::string file = (std::filesystem::temp_directory_path() / "umbravel_heard_test.raw").string();
    const double deviceMs = 1024 * 1000.0 / 44100, frameMs = 1000.0 / 60;
    for (int bufferMs : {200, 1000}) {
        SyncFigures heardRun = RunThroughDiskDriver(bufferMs, true, file);
        if (::testing::Test::HasFailure()) return;
        if (heardRun.differencesMs.empty()) GTEST_SKIP() << "SDL has no disk audio driver here";
        SyncFigures mixedRun = RunThroughDiskDriver(bufferMs, false, file);
        double median = 0, worst = 0;
        char label[64];
        std::snprintf(label, sizeof label, "heard, buffer %d ms:", bufferMs);
        Summarise(label, heardRun.differencesMs, &median, &worst);
        EXPECT_GT(heardRun.differencesMs.size(), 20u);
        // On a shared machine a thread is sometimes not run for tens of milliseconds: the
        // frame loop (a late frame) or the watcher (a late look at the file). Each row is
        // allowed what its own frame and its own sampling of the file took; nine rows in
        // ten, and the median, must then be in step.
        size_t inStep = 0;
        std::vector<double> slack;
        for (size_t i = 0; i < heardRun.differencesMs.size(); ++i) {
            const double d = heardRun.differencesMs[i], frame = std::max(frameMs, heardRun.framesMs[i]);
            const double allowed = deviceMs + frame + heardRun.samplingMs[i] + 2.0;
            if (std::fabs(d) <= allowed) ++inStep;
            slack.push_back(allowed);
        }
        std::sort(slack.begin(), slack.end());
        const double typicalSlack = slack.empty() ? deviceMs + frameMs : slack[(slack.size() - 1) / 2];
        EXPECT_GE(inStep * 10, heardRun.differencesMs.size() * 9) << "buffer " << bufferMs;
        EXPECT_LE(std::fabs(median), std::max(deviceMs + frameMs, typicalSlack)) << "buffer " << bufferMs;
        std::snprintf(label, sizeof label, "mixed, buffer %d ms:", bufferMs);
        Summarise(label, mixedRun.differencesMs, &median, &worst);
        // The mixed position runs a whole ring ahead of the file.
        EXPECT_LT(median, -(bufferMs - deviceMs - frameMs)) << "buffer " << bufferMs;
    }
    std::filesystem::remove(file);
}

#endif  // !_WIN32
