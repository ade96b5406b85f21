// audio_ring.cpp -- the ring arithmetic every audio back-end shares, the refill step the
// streaming thread runs, and the ring kept in memory for devices that pull their bytes.
#include <cstring>

#include "platform/audio.h"

namespace platform {

AudioRingLayout ComputeAudioRingLayout(const AudioFormat& format, int32_t latencyMs) {
    AudioRingLayout l;
    l.bytesPerSecond = format.BytesPerFrame() * format.rate;
    l.segmentCount = latencyMs / 100;
    if (l.segmentCount < 2) l.segmentCount = 2;
    if (l.segmentCount > 16) l.segmentCount = 16;
    // Every format's frame and the mixer's 4-byte silence fill divide a multiple of 8.
    const int64_t size = static_cast<int64_t>(l.bytesPerSecond) * latencyMs / (1000LL * l.segmentCount);
    l.segmentSize = static_cast<int32_t>((size + 7) & ~int64_t{7});
    l.totalSize = l.segmentSize * l.segmentCount;
    l.duration = l.bytesPerSecond > 0 ? static_cast<float>(l.totalSize) / static_cast<float>(l.bytesPerSecond) : 0.0f;
    return l;
}

int32_t RingRefillBytes(int32_t writeCursor, int32_t playCursor, int32_t totalSize) {
    playCursor &= ~7;
    if (playCursor > writeCursor) return playCursor - writeCursor;
    if (playCursor < writeCursor) return totalSize - writeCursor + playCursor;
    return 0;
}

int SplitRingRange(int32_t offset, int32_t bytes, int32_t totalSize, AudioRange ranges[2]) {
    if (bytes <= 0) return 0;
    if (offset + bytes <= totalSize) {
        ranges[0] = {offset, bytes};
        return 1;
    }
    ranges[0] = {offset, totalSize - offset};
    ranges[1] = {0, bytes - (totalSize - offset)};
    return 2;
}

RefillResult RefillRing(AudioRing& ring, int32_t playCursor, int32_t* writeCursor, AudioFill fill, void* user) {
    const int32_t play = playCursor & ~7;
    const int32_t bytes = RingRefillBytes(*writeCursor, play, ring.Layout().totalSize);
    if (bytes == 0) return RefillResult::Nothing;
    AudioRegion regions[2];
    if (!ring.Lock(*writeCursor, bytes, regions)) return RefillResult::LockFailed;
    // All the mixing happens inside the locked regions, straight into the device's buffer.
    for (const AudioRegion& r : regions)
        if (r.bytes && r.size > 0) fill(user, r.bytes, r.size);
    if (!ring.Unlock(regions)) return RefillResult::UnlockFailed;
    *writeCursor = play;
    return RefillResult::Written;
}

// ---------------------------------------------------------------- MemoryRing

MemoryRing::MemoryRing(const AudioFormat& f, int32_t latencyMs, AudioTakenHook hook)
    : AudioRing(f, latencyMs), bytes(static_cast<size_t>(layout.totalSize), f.SilenceByte()), taken(hook) {}

AudioWake MemoryRing::WaitSegment(uint32_t timeoutMs) {
    const bool reached = segment.Wait(timeoutMs);
    if (stopped.load(std::memory_order_acquire)) return AudioWake::Stopped;
    return reached ? AudioWake::Segment : AudioWake::Timeout;
}

bool MemoryRing::GetPlayCursor(int32_t* offset) {
    // The acquire pairs with Consume's release: the bytes behind the cursor have been read.
    *offset = playCursor.load(std::memory_order_acquire);
    return true;
}

bool MemoryRing::Lock(int32_t offset, int32_t count, AudioRegion regions[2]) {
    regions[0] = regions[1] = AudioRegion{};
    if (offset < 0 || offset >= layout.totalSize || count <= 0 || count > layout.totalSize) return false;
    AudioRange ranges[2];
    const int n = SplitRingRange(offset, count, layout.totalSize, ranges);
    for (int i = 0; i < n; ++i) regions[i] = AudioRegion{bytes.data() + ranges[i].offset, ranges[i].bytes};
    return true;
}

bool MemoryRing::Unlock(const AudioRegion*) {
    published.fetch_add(1, std::memory_order_release);
    return true;
}

void MemoryRing::Consume(uint8_t* destination, int32_t count) {
    const int32_t total = layout.totalSize;
    const int32_t segmentSize = layout.segmentSize;
    (void)published.load(std::memory_order_acquire);
    const int32_t start = playCursor.load(std::memory_order_relaxed);
    int32_t play = start;
    int32_t left = count;
    while (left > 0) {
        const int32_t run = total - play < left ? total - play : left;
        std::memcpy(destination, bytes.data() + play, static_cast<size_t>(run));
        destination += run;
        left -= run;
        play += run;
        if (play == total) play = 0;
    }
    playCursor.store(play, std::memory_order_release);
    // A boundary was reached or passed: the segment index changed, or a whole lap was made.
    if ((static_cast<int64_t>(start) + count) / segmentSize != start / segmentSize) segment.Set();
    if (taken) taken(count / format.BytesPerFrame());
}

void MemoryRing::StopWaiting() {
    stopped.store(true, std::memory_order_release);
    segment.Set();
}

}  // namespace platform
