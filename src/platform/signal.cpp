// signal.cpp -- auto-reset signals with timed waits, and the table of named signals.
#include "platform/platform.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

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

namespace {
std::mutex namesMutex;
std::map<std::string, std::weak_ptr<Signal>>& Names() {
    static std::map<std::string, std::weak_ptr<Signal>> names;
    return names;
}
}  // namespace

std::shared_ptr<Signal> CreateNamedSignal(const char* name) {
    std::lock_guard<std::mutex> lock(namesMutex);
    std::weak_ptr<Signal>& slot = Names()[name ? name : ""];
    if (std::shared_ptr<Signal> existing = slot.lock()) return existing;
    auto created = std::make_shared<Signal>();
    slot = created;
    return created;
}

std::shared_ptr<Signal> OpenNamedSignal(const char* name) {
    std::lock_guard<std::mutex> lock(namesMutex);
    auto it = Names().find(name ? name : "");
    if (it == Names().end()) return nullptr;
    return it->second.lock();
}

}  // namespace platform
