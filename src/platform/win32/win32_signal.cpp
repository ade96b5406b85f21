// win32_signal.cpp -- auto-reset signals with timed waits: Win32 events.
#include "platform/win32/win32_internal.h"

#include <cstdio>

namespace platform {

struct Signal::State {
    HANDLE event = nullptr;
};

Signal::Signal() : state(std::make_unique<State>()) {
    state->event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    // Without an event every wait times out, which the waiters report as such.
    if (!state->event) std::fprintf(stderr, "signal: %s\n", Win32ErrorText("CreateEvent").c_str());
}

Signal::~Signal() {
    if (state->event) CloseHandle(state->event);
}

void Signal::Set() {
    if (state->event && !SetEvent(state->event))
        std::fprintf(stderr, "signal: %s\n", Win32ErrorText("SetEvent").c_str());
}

void Signal::Reset() {
    if (state->event && !ResetEvent(state->event))
        std::fprintf(stderr, "signal: %s\n", Win32ErrorText("ResetEvent").c_str());
}

bool Signal::Wait(uint32_t timeoutMs) {
    if (!state->event) return false;
    // INFINITE is 0xFFFFFFFF: a time-out that large waits for ever, as the system does.
    const DWORD result = WaitForSingleObject(state->event, timeoutMs);
    if (result == WAIT_OBJECT_0) return true;
    if (result == WAIT_FAILED) std::fprintf(stderr, "signal: %s\n", Win32ErrorText("WaitForSingleObject").c_str());
    return false;
}

}  // namespace platform
