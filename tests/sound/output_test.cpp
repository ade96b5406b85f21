// The audio ring's arithmetic and the timer device's elapsed time.
#include <gtest/gtest.h>

#include "sound/output_ring.h"
#include "sound/sound_internal.h"

namespace {

TEST(OutputRing, SegmentsFromLatency) {
    struct Case {
        int rate, format, latency, count, size;
    } cases[] = {
        {44100, 3, 200, 2, 17640},  {44100, 3, 1000, 10, 17640}, {44100, 3, 2000, 16, 22056},
        {22050, 0, 300, 3, 2208},   {44100, 3, 10000, 16, 110256}, {11025, 2, 250, 2, 2760},
    };
    for (const Case& c : cases) {
        VssRingLayout l = VssComputeRingLayout(c.rate, c.format, c.latency);
        EXPECT_EQ(l.segmentCount, c.count) << c.latency;
        EXPECT_EQ(l.segmentSize, c.size) << c.latency;
        EXPECT_EQ(l.segmentSize % 8, 0);
        EXPECT_EQ(l.totalSize, c.count * c.size);
    }
    VssRingLayout l = VssComputeRingLayout(44100, 3, 1000);
    EXPECT_EQ(l.bytesPerSecond, 176400);
    EXPECT_EQ(l.totalSize, 176400);
    EXPECT_FLOAT_EQ(l.duration, 1.0f);
}

TEST(OutputRing, RefillBehindThePlayCursor) {
    VssRegion r[2];
    ASSERT_EQ(VssRefillRegions(0, 17645, 176400, r), 1);  // rounded down to 8 bytes
    EXPECT_EQ(r[0].offset, 0);
    EXPECT_EQ(r[0].bytes, 17640);
    EXPECT_EQ(VssRefillRegions(17640, 17640, 176400, r), 0);  // the cursor has not moved
    // A wrapped cursor: two regions, the second from the ring's start.
    ASSERT_EQ(VssRefillRegions(160000, 8000, 176400, r), 2);
    EXPECT_EQ(r[0].offset, 160000);
    EXPECT_EQ(r[0].bytes, 16400);
    EXPECT_EQ(r[1].offset, 0);
    EXPECT_EQ(r[1].bytes, 8000);
    // Wrapped exactly to the start: one region to the end.
    ASSERT_EQ(VssRefillRegions(160000, 0, 176400, r), 1);
    EXPECT_EQ(r[0].bytes, 16400);
}

TEST(OutputRing, ConsumingWrapsAndWakesAtBoundaries) {
    VssRing ring;
    ring.layout = VssComputeRingLayout(22050, 0, 300);  // 3 x 2208
    ring.bytes.resize(static_cast<size_t>(ring.layout.totalSize));
    for (size_t i = 0; i < ring.bytes.size(); ++i) ring.bytes[i] = static_cast<uint8_t>(i);
    std::vector<uint8_t> out(2000);
    EXPECT_FALSE(VssRingConsume(ring, out.data(), 2000));
    EXPECT_TRUE(VssRingConsume(ring, out.data(), 208));  // reaches 2208 exactly
    EXPECT_EQ(ring.playCursor.load(), 2208);
    ring.playCursor = 6600;
    EXPECT_TRUE(VssRingConsume(ring, out.data(), 100));  // wraps past the end
    EXPECT_EQ(ring.playCursor.load(), 76);
    EXPECT_EQ(out[0], static_cast<uint8_t>(6600));
    EXPECT_EQ(out[24], 0);
    EXPECT_EQ(out[99], 75);
}

TEST(TimerDevice, ElapsedWholeMillisecondsCappedAtFiveSeconds) {
    const int64_t f = 1000000;
    EXPECT_EQ(VssTimerElapsedMs(0, 100999, f), 100);  // the fraction is dropped
    EXPECT_EQ(VssTimerElapsedMs(0, 7 * f, f), 5000);  // a stall of 7 s moves the music 5 s
    EXPECT_EQ(VssTimerElapsedMs(500, 400, f), 0);
    EXPECT_EQ(VssTimerElapsedMs(0, 100, 0), 0);
}

}  // namespace
