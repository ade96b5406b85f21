// output_ring.cpp -- the ring arithmetic of the audio output.
#include "sound/output_ring.h"

#include <cstring>

VssRingLayout VssComputeRingLayout(int32_t rate, int32_t format, int32_t latencyMs) {
    VssRingLayout l;
    int32_t blockAlign = ((format & 1) ? 2 : 1) * ((format & 2) ? 2 : 1);
    l.bytesPerSecond = blockAlign * rate;
    l.segmentCount = latencyMs / 100;
    if (l.segmentCount < 2) l.segmentCount = 2;
    if (l.segmentCount > 16) l.segmentCount = 16;
    int64_t size = static_cast<int64_t>(l.bytesPerSecond) * latencyMs / (1000LL * l.segmentCount);
    l.segmentSize = static_cast<int32_t>((size + 7) & ~int64_t{7});
    l.totalSize = l.segmentSize * l.segmentCount;
    l.duration = static_cast<float>(l.totalSize) / static_cast<float>(l.bytesPerSecond);
    return l;
}

int VssRefillRegions(int32_t writeCursor, int32_t playCursor, int32_t totalSize, VssRegion regions[2]) {
    playCursor &= ~7;
    if (playCursor > writeCursor) {
        regions[0] = {writeCursor, playCursor - writeCursor};
        return 1;
    }
    if (playCursor < writeCursor) {
        regions[0] = {writeCursor, totalSize - writeCursor};
        if (playCursor == 0) return 1;
        regions[1] = {0, playCursor};
        return 2;
    }
    return 0;
}

bool VssRingConsume(VssRing& ring, uint8_t* destination, int32_t count) {
    const int32_t total = ring.layout.totalSize;
    const int32_t segment = ring.layout.segmentSize;
    // The acquire pairs with the streaming thread's release of the write cursor, so the
    // bytes it mixed are seen here.
    (void)ring.writeCursor.load(std::memory_order_acquire);
    int32_t play = ring.playCursor.load(std::memory_order_relaxed);
    const int32_t start = play;
    int32_t left = count;
    while (left > 0) {
        int32_t run = total - play < left ? total - play : left;
        std::memcpy(destination, ring.bytes.data() + play, static_cast<size_t>(run));
        destination += run;
        left -= run;
        play += run;
        if (play == total) play = 0;
    }
    ring.playCursor.store(play, std::memory_order_release);
    // Boundaries passed: the segment index changed, or a whole lap was made.
    int64_t before = start / segment;
    int64_t after = (static_cast<int64_t>(start) + count) / segment;
    return after != before;
}
