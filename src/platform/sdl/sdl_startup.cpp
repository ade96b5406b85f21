// sdl_startup.cpp -- start-up of the SDL back-end: the choice of video driver, and SDL's
// message boxes. Headless runs on a machine without a display use SDL's offscreen driver,
// which gives Mesa's software GL through EGL.
#include "platform/sdl/sdl_internal.h"

#include <SDL.h>

#include <chrono>
#include <cstdlib>

namespace platform {

bool StartBackend(const Options& options, std::string* error) {
    // The display the environment names is the one to use: a failing connection must not
    // fall through to another driver (a window on the offscreen driver would open unseen).
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (!(driver && *driver)) {
        const char* x = std::getenv("DISPLAY");
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        if (x && *x) {
            SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
        } else if (wayland && *wayland) {
            SDL_SetHint(SDL_HINT_VIDEODRIVER, "wayland");
        } else if (!options.headless) {
            if (error)
                *error = "no display found: run under X11 or Wayland, or capture the show with --capture DIR";
            return false;
        } else {
            SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        }
    }
    if (SDL_Init(0) != 0) {
        if (error) *error = std::string("SDL could not start: ") + SDL_GetError();
        return false;
    }
    return true;
}

void StopBackend() { StopAllSubsystems(); }

bool ShowSystemMessageBox(const char* text, const char* caption, unsigned style) {
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((style & 0xF0) == kBoxIconExclamation) flags = SDL_MESSAGEBOX_WARNING;
    if ((style & 0xF0) == kBoxIconError) flags = SDL_MESSAGEBOX_ERROR;
    return SDL_ShowSimpleMessageBox(flags, caption, text, nullptr) == 0;
}

// The show's counter is the system's steady clock in nanoseconds. The process is left at
// its normal priority: on Linux raising it needs privileges a user does not have, and the
// render thread keeps up without it.
int64_t SystemCounterFrequency() { return 1000000000; }
int64_t SystemCounter() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
void RaiseProcessPriority() {}
void ConnectStandardStreams() {}

}  // namespace platform
