// The audio ring: its layout, the refill behind the play cursor, and the ring in memory
// that a pulling device reads.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "platform/audio.h"

namespace {

using platform::AudioFormat;
using platform::AudioRegion;
using platform::AudioRingLayout;
using platform::AudioWake;
using platform::RefillResult;

AudioFormat Format(int rate, int bits, int channels) {
    AudioFormat f;
    f.rate = rate;
    f.bits = bits;
    f.channels = channels;
    return f;
}

TEST(AudioRing, LayoutFromRateFormatAndLatency) {
    AudioRingLayout l = platform::ComputeAudioRingLayout(Format(44100, 16, 2), 1000);
    EXPECT_EQ(l.bytesPerSecond, 176400);
    EXPECT_EQ(l.segmentCount, 10);
    EXPECT_EQ(l.segmentSize, 17640);
    EXPECT_EQ(l.totalSize, 176400);
    EXPECT_FLOAT_EQ(l.duration, 1.0f);

    l = platform::ComputeAudioRingLayout(Format(22050, 8, 1), 300);
    EXPECT_EQ(l.segmentCount, 3);
    EXPECT_EQ(l.segmentSize, 2208);  // 2205 rounded up to a multiple of 8
    EXPECT_EQ(l.totalSize, 6624);

    struct Case {
        int rate, bits, channels, latency, count, size;
    } cases[] = {
        {44100, 16, 2, 200, 2, 17640},     {44100, 16, 2, 2000, 16, 22056}, {44100, 16, 2, 10000, 16, 110256},
        {11025, 8, 2, 250, 2, 2760},       {11025, 16, 1, 299, 2, 3296},   {1024, 8, 1, 200, 2, 104},
    };
    for (const Case& c : cases) {
        l = platform::ComputeAudioRingLayout(Format(c.rate, c.bits, c.channels), c.latency);
        EXPECT_EQ(l.segmentCount, c.count) << c.rate << " Hz, " << c.latency << " ms";
        EXPECT_EQ(l.segmentSize, c.size) << c.rate << " Hz, " << c.latency << " ms";
        EXPECT_EQ(l.segmentSize % 8, 0);
        EXPECT_EQ(l.totalSize, c.count * c.size);
    }
}

TEST(AudioRing, RefillRangeBehindThePlayCursor) {
    EXPECT_EQ(platform::RingRefillBytes(0, 17645, 176400), 17640);  // rounded down to 8 bytes
    EXPECT_EQ(platform::RingRefillBytes(17640, 17640, 176400), 0);  // the cursor has not moved
    EXPECT_EQ(platform::RingRefillBytes(17640, 17647, 176400), 0);  // nor has it by a whole 8 bytes
    EXPECT_EQ(platform::RingRefillBytes(160000, 8000, 176400), 24400);  // wrapped
    EXPECT_EQ(platform::RingRefillBytes(160000, 0, 176400), 16400);     // wrapped exactly to the start

    platform::AudioRange r[2];
    ASSERT_EQ(platform::SplitRingRange(160000, 24400, 176400, r), 2);
    EXPECT_EQ(r[0].offset, 160000);
    EXPECT_EQ(r[0].bytes, 16400);
    EXPECT_EQ(r[1].offset, 0);
    EXPECT_EQ(r[1].bytes, 8000);
    ASSERT_EQ(platform::SplitRingRange(160000, 16400, 176400, r), 1);
    EXPECT_EQ(r[0].bytes, 16400);
    ASSERT_EQ(platform::SplitRingRange(0, 176400, 176400, r), 1);  // the whole ring
    EXPECT_EQ(platform::SplitRingRange(8, 0, 176400, r), 0);
}

// A device's ring as the refill sees it: the bytes, a play cursor the test moves, and
// locks that can be made to fail.
class FakeRing : public platform::AudioRing {
public:
    FakeRing(const AudioFormat& f, int32_t latencyMs)
        : AudioRing(f, latencyMs), bytes(static_cast<size_t>(layout.totalSize), kSilence) {}
    const char* Kind() const override { return "fake"; }
    bool Start(std::string*) override { return true; }
    bool Stop(std::string*) override { return true; }
    AudioWake WaitSegment(uint32_t) override { return AudioWake::Segment; }
    bool GetPlayCursor(int32_t* offset) override {
        *offset = play;
        return true;
    }
    bool Lock(int32_t offset, int32_t count, AudioRegion regions[2]) override {
        locks += 1;
        lockOffsets.push_back(offset);
        lockSizes.push_back(count);
        if (failLock) return false;
        platform::AudioRange ranges[2];
        const int n = platform::SplitRingRange(offset, count, layout.totalSize, ranges);
        regions[0] = regions[1] = AudioRegion{};
        for (int i = 0; i < n; ++i) regions[i] = AudioRegion{bytes.data() + ranges[i].offset, ranges[i].bytes};
        return true;
    }
    bool Unlock(const AudioRegion*) override { return !failUnlock; }

    // The device plays `count` bytes from its cursor on.
    void Play(int32_t count, std::vector<uint8_t>* heard) {
        for (int32_t i = 0; i < count; ++i) {
            heard->push_back(bytes[static_cast<size_t>(play)]);
            play = (play + 1) % layout.totalSize;
        }
    }

    static constexpr uint8_t kSilence = 0xFF;  // never a mixed byte below
    std::vector<uint8_t> bytes;
    int32_t play = 0;
    int locks = 0;
    std::vector<int32_t> lockOffsets, lockSizes;
    bool failLock = false, failUnlock = false;
};

// The mixer's stand-in: a sequence of bytes that never repeats within a lap of 251.
struct Mixer {
    uint32_t next = 0;
    std::vector<uint8_t*> calls;
    static void Fill(void* user, uint8_t* bytes, int32_t count) {
        auto* m = static_cast<Mixer*>(user);
        m->calls.push_back(bytes);
        for (int32_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(m->next++ % 251);
    }
};

TEST(AudioRing, RefillHearsEveryMixedByteOnceInOrder) {
    FakeRing ring(Format(22050, 8, 1), 300);  // 3 x 2208
    const int32_t total = ring.Layout().totalSize;
    Mixer mixer;
    std::vector<uint8_t> heard;
    int32_t write = 0;
    // Steps of every size up to almost a lap: some not multiples of 8, some across the end.
    const int32_t steps[] = {100, 2108, 5, 3, 2208, 6000, 1, 624, 6616, 17, 4000, 2607, 13, 6610, 2208, 2208, 2208};
    for (int lap = 0; lap < 3; ++lap) {
        for (int32_t step : steps) {
            ring.Play(step, &heard);
            const int32_t before = write;
            const int locks = ring.locks;
            const RefillResult result = platform::RefillRing(ring, ring.play, &write, Mixer::Fill, &mixer);
            EXPECT_EQ(write, ring.play & ~7);
            if (before == write) {
                EXPECT_EQ(result, RefillResult::Nothing);
                EXPECT_EQ(ring.locks, locks);
            } else {
                EXPECT_EQ(result, RefillResult::Written);
                EXPECT_EQ(ring.lockOffsets.back(), before);
                EXPECT_EQ(ring.lockOffsets.back() % 8, 0);
                EXPECT_EQ(ring.lockSizes.back() % 8, 0);
            }
        }
    }
    // The first lap is the silent pre-fill; after it, the mixed bytes in order, none lost
    // or repeated, and what is not yet heard is less than one lap.
    ASSERT_GT(heard.size(), static_cast<size_t>(total));
    for (int32_t i = 0; i < total; ++i) ASSERT_EQ(heard[static_cast<size_t>(i)], FakeRing::kSilence) << i;
    const size_t mixedHeard = heard.size() - static_cast<size_t>(total);
    for (size_t i = 0; i < mixedHeard; ++i) ASSERT_EQ(heard[total + i], static_cast<uint8_t>(i % 251)) << i;
    EXPECT_LE(mixer.next - mixedHeard, static_cast<size_t>(total));
    EXPECT_GE(mixer.next, mixedHeard);
}

TEST(AudioRing, RefillAcrossTheEndMixesTwiceAndFailuresKeepTheWriteCursor) {
    FakeRing ring(Format(22050, 8, 1), 300);
    Mixer mixer;
    int32_t write = 6000;
    ring.play = 1003;
    ASSERT_EQ(platform::RefillRing(ring, ring.play, &write, Mixer::Fill, &mixer), RefillResult::Written);
    ASSERT_EQ(mixer.calls.size(), 2u);
    EXPECT_EQ(mixer.calls[0], ring.bytes.data() + 6000);
    EXPECT_EQ(mixer.calls[1], ring.bytes.data());  // the second from the ring's start
    EXPECT_EQ(mixer.next, 624u + 1000u);
    EXPECT_EQ(write, 1000);

    ring.play = 3000;
    ring.failLock = true;
    EXPECT_EQ(platform::RefillRing(ring, ring.play, &write, Mixer::Fill, &mixer), RefillResult::LockFailed);
    EXPECT_EQ(write, 1000);
    EXPECT_EQ(mixer.calls.size(), 2u);  // nothing mixed into a buffer that was not locked
    ring.failLock = false;
    ring.failUnlock = true;
    EXPECT_EQ(platform::RefillRing(ring, ring.play, &write, Mixer::Fill, &mixer), RefillResult::UnlockFailed);
    EXPECT_EQ(write, 1000);
    ring.failUnlock = false;
    EXPECT_EQ(platform::RefillRing(ring, ring.play, &write, Mixer::Fill, &mixer), RefillResult::Written);
    EXPECT_EQ(write, 3000);
}

std::atomic<int32_t> framesTaken{0};
void CountTaken(int32_t frames) { framesTaken += frames; }

class TestMemoryRing : public platform::MemoryRing {
public:
    using MemoryRing::MemoryRing;
    bool Start(std::string*) override { return true; }
    bool Stop(std::string*) override {
        StopWaiting();
        return true;
    }
};

TEST(AudioRing, MemoryRingConsumesWrapsAndWakesAtBoundaries) {
    framesTaken = 0;
    TestMemoryRing ring(Format(22050, 16, 2), 300, CountTaken);  // 3 x 8824 bytes
    const int32_t total = ring.Layout().totalSize;
    const int32_t segment = ring.Layout().segmentSize;
    ASSERT_EQ(segment, 8824);

    // The ring starts silent (16-bit: zero bytes).
    std::vector<uint8_t> out(static_cast<size_t>(total));
    ring.Consume(out.data(), 8);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[7], 0);
    int32_t play = -1;
    ASSERT_TRUE(ring.GetPlayCursor(&play));
    EXPECT_EQ(play, 8);
    EXPECT_EQ(ring.WaitSegment(0), AudioWake::Timeout);
    EXPECT_EQ(framesTaken.load(), 2);

    // Locked regions point into the ring, two of them across its end.
    AudioRegion r[2];
    ASSERT_TRUE(ring.Lock(0, total, r));
    ASSERT_EQ(r[0].size, total);
    EXPECT_EQ(r[1].bytes, nullptr);
    for (int32_t i = 0; i < total; ++i) r[0].bytes[i] = static_cast<uint8_t>(i % 251);
    ASSERT_TRUE(ring.Unlock(r));
    ASSERT_TRUE(ring.Lock(total - 16, 40, r));
    EXPECT_EQ(r[0].size, 16);
    EXPECT_EQ(r[1].size, 24);
    EXPECT_EQ(r[1].bytes + total - 16, r[0].bytes);
    ASSERT_TRUE(ring.Unlock(r));
    EXPECT_FALSE(ring.Lock(total, 8, r));

    // Up to one byte short of the boundary: no wake-up; reaching it exactly: one.
    ring.Consume(out.data(), segment - 8 - 4);
    EXPECT_EQ(ring.WaitSegment(0), AudioWake::Timeout);
    ring.Consume(out.data(), 4);
    ASSERT_TRUE(ring.GetPlayCursor(&play));
    EXPECT_EQ(play, segment);
    EXPECT_EQ(ring.WaitSegment(0), AudioWake::Segment);
    EXPECT_EQ(ring.WaitSegment(0), AudioWake::Timeout);  // the wake-up is consumed

    // Across the end: the bytes continue from offset 0, and the boundary wakes.
    ring.Consume(out.data(), total - segment - 100);
    EXPECT_EQ(ring.WaitSegment(0), AudioWake::Segment);
    ring.Consume(out.data(), 200);
    EXPECT_EQ(out[0], static_cast<uint8_t>((total - 100) % 251));
    EXPECT_EQ(out[100], 0);
    EXPECT_EQ(out[199], 99);
    ASSERT_TRUE(ring.GetPlayCursor(&play));
    EXPECT_EQ(play, 100);
    EXPECT_EQ(ring.WaitSegment(0), AudioWake::Segment);
    EXPECT_EQ(framesTaken.load(), (total + 100) / 4);

    // Stopping wakes the streaming thread for good.
    std::string error;
    ASSERT_TRUE(ring.Stop(&error));
    EXPECT_EQ(ring.WaitSegment(1000), AudioWake::Stopped);
    EXPECT_EQ(ring.WaitSegment(0), AudioWake::Stopped);
}

}  // namespace
