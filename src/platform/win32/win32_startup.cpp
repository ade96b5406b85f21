// win32_startup.cpp -- start-up of the Win32 back-end: the standard streams, a 1 ms timer
// resolution for the show's sleeps, the system's message boxes, the performance counter and
// the process priority.
#include "platform/win32/win32_internal.h"

#include <mmsystem.h>

#include <cstdio>

namespace platform {
namespace {
bool timerResolutionRaised = false;
}  // namespace

std::string Win32ErrorText(const char* call, DWORD code) {
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        text, sizeof text, nullptr);
    std::string reason = std::string(call) + " failed (error " + std::to_string(code);
    if (length > 0) {
        std::string message(text, length);
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
            message.pop_back();
        reason += ": " + message;
    }
    return reason + ")";
}

std::string Win32ErrorText(const char* call) { return Win32ErrorText(call, GetLastError()); }

void ConnectStandardStreams() {
    // Started from a command prompt, a GUI program gets no standard handles, and --version,
    // --help or a bad flag would print nowhere. A stream redirected to a file or a pipe (or
    // handed over by Wine) has its handle and stays as it is; started from Explorer there is
    // no parent console and nothing changes.
    auto missing = [](DWORD which) {
        const HANDLE handle = GetStdHandle(which);
        return handle == nullptr || handle == INVALID_HANDLE_VALUE;
    };
    const bool outMissing = missing(STD_OUTPUT_HANDLE), errorMissing = missing(STD_ERROR_HANDLE);
    if (!outMissing && !errorMissing) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (outMissing) std::freopen("CONOUT$", "w", stdout);
    if (errorMissing) std::freopen("CONOUT$", "w", stderr);
}

bool StartBackend(const Options&, std::string*) {
    // Sleep and the 100 ms timer would otherwise step in the system's 15.6 ms ticks. A
    // refusal only makes sleeps coarser.
    timerResolutionRaised = timeBeginPeriod(1) == TIMERR_NOERROR;
    return true;
}

void StopBackend() {
    if (timerResolutionRaised) timeEndPeriod(1);
    timerResolutionRaised = false;
}

bool ShowSystemMessageBox(const char* text, const char* caption, unsigned style) {
    return MessageBoxA(nullptr, text, caption, style | MB_SETFOREGROUND) != 0;
}

int64_t SystemCounterFrequency() {
    static const int64_t frequency = [] {
        LARGE_INTEGER value;
        // Never fails on Windows XP and later; a zero would end the clock, so say so.
        if (!QueryPerformanceFrequency(&value) || value.QuadPart <= 0) {
            std::fprintf(stderr, "clock: %s\n", Win32ErrorText("QueryPerformanceFrequency").c_str());
            return int64_t{1000};
        }
        return static_cast<int64_t>(value.QuadPart);
    }();
    return frequency;
}

int64_t SystemCounter() {
    LARGE_INTEGER value;
    if (QueryPerformanceCounter(&value)) return static_cast<int64_t>(value.QuadPart);
    return static_cast<int64_t>(GetTickCount64()) * SystemCounterFrequency() / 1000;
}

void RaiseProcessPriority() {
    if (!SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS))
        std::fprintf(stderr, "render window: %s\n", Win32ErrorText("SetPriorityClass").c_str());
}

}  // namespace platform
