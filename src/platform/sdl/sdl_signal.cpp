// sdl_signal.cpp -- auto-reset signals with timed waits, on the standard library's
// condition variable.
#include "platform/platform.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

struct Signal::State {
    std::mutex mutex;
    std::condition_variable cv;
    bool signalled = false;
};

Signal::Signal() : state(std::make_unique<State>()) {}
Signal::~Signal() = default;

void Signal::Set() {
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->signalled = true;
    }
    state->cv.notify_one();
}

void Signal::Reset() {
    std::lock_guard<std::mutex> lock(state->mutex);
    state->signalled = false;
}

bool Signal::Wait(uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(state->mutex);
    if (!state->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return state->signalled; }))
        return false;
    state->signalled = false;
    return true;
}

}  // namespace platform
