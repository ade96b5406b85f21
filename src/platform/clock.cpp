// clock.cpp -- the high-resolution counter, wall milliseconds and Sleep. Real runs read a
// steady clock; capture runs read a virtual counter that only the frame swap advances.
#include "platform/platform_internal.h"

#include <chrono>
#include <thread>

namespace platform {
namespace {
using SteadyClock = std::chrono::steady_clock;
const SteadyClock::time_point processStart = SteadyClock::now();
}  // namespace

int64_t CounterFrequency() {
    if (IsCapture()) return static_cast<int64_t>(GetOptions().captureFps) * 1000;
    return 1000000000;
}

bool QueryCounter(int64_t* value) {
    if (!value) return false;
    if (IsCapture()) {
        *value = static_cast<int64_t>(CapturedFrameCount()) * 1000;
        return true;
    }
    *value = std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now() - processStart).count();
    return true;
}

uint32_t WallMilliseconds() {
    if (IsCapture()) return static_cast<uint32_t>(CapturedFrameCount() * 1000 / GetOptions().captureFps);
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - processStart).count());
}

uint64_t RealNanoseconds() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now() - processStart).count());
}

void SleepMs(uint32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace platform
