// clock.cpp -- the high-resolution counter, wall milliseconds and Sleep. Real runs read
// the system's counter; capture runs read a virtual counter that only the frame swap
// advances.
#include "platform/platform_internal.h"

#include <chrono>
#include <thread>

namespace platform {
namespace {
const int64_t processStart = SystemCounter();

// Ticks of the system counter since start-up, scaled to `perSecond`, without overflow for
// any run shorter than centuries.
int64_t SinceStart(int64_t perSecond) {
    const int64_t ticks = SystemCounter() - processStart;
    const int64_t frequency = SystemCounterFrequency();
    return ticks / frequency * perSecond + ticks % frequency * perSecond / frequency;
}
}  // namespace

int64_t CounterFrequency() {
    if (IsCapture()) return static_cast<int64_t>(GetOptions().captureFps) * 1000;
    return SystemCounterFrequency();
}

bool QueryCounter(int64_t* value) {
    if (!value) return false;
    if (IsCapture()) {
        *value = static_cast<int64_t>(CapturedFrameCount()) * 1000;
        return true;
    }
    *value = SystemCounter() - processStart;
    return true;
}

uint32_t WallMilliseconds() {
    if (IsCapture()) return static_cast<uint32_t>(CapturedFrameCount() * 1000 / GetOptions().captureFps);
    return static_cast<uint32_t>(SinceStart(1000));
}

uint64_t RealNanoseconds() { return static_cast<uint64_t>(SinceStart(1000000000)); }

void SleepMs(uint32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace platform
