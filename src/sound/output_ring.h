// output_ring.h -- the audio ring between the streaming thread and the device: its
// layout (segments from the latency, sizes in multiples of 8 bytes), the regions the
// streaming thread refills behind the play cursor, and the device side that consumes it.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

struct VssRingLayout {
    int32_t bytesPerSecond = 0;
    int32_t segmentCount = 0;   // 2..16
    int32_t segmentSize = 0;    // bytes, a multiple of 8
    int32_t totalSize = 0;      // segmentCount * segmentSize
    float duration = 0.0f;      // seconds of sound the ring holds
};

// rate 1024..100000, format 0..3, latency 200..10000 ms (the caller checks).
VssRingLayout VssComputeRingLayout(int32_t rate, int32_t format, int32_t latencyMs);

struct VssRegion {
    int32_t offset;
    int32_t bytes;
};

// The part of the ring from the write cursor up to the play cursor (rounded down to 8
// bytes): none when they are equal, two regions when the play cursor has wrapped.
// Returns the number of regions.
int VssRefillRegions(int32_t writeCursor, int32_t playCursor, int32_t totalSize, VssRegion regions[2]);

struct VssRing {
    VssRingLayout layout;
    std::vector<uint8_t> bytes;
    std::atomic<int32_t> playCursor{0};   // written by the device side
    std::atomic<int32_t> writeCursor{0};  // written by the streaming thread
};

// Device side: copies `count` bytes from the play cursor on (wrapping) and moves the
// cursor. True when the cursor crossed or reached a segment boundary, which is when the
// streaming thread is to be woken.
bool VssRingConsume(VssRing& ring, uint8_t* destination, int32_t count);
