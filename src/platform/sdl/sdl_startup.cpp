// sdl_startup.cpp -- start-up of the SDL back-end: the run options and the choice of
// video driver. Headless runs on a machine without a display use SDL's offscreen driver,
// which gives Mesa's software GL through EGL.
#include "platform/platform_internal.h"

#include <SDL.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace platform {
namespace {
Options options;
bool started = false;

}  // namespace

bool Startup(const Options& wanted, std::string* error) {
    options = wanted;
    if (options.capture) options.headless = true;
    if (options.capture) {
        if (options.captureFps < 1 || options.captureFps > 1000 || options.captureWidth < 16 ||
            options.captureHeight < 16 || options.captureWidth > 8192 || options.captureHeight > 8192) {
            if (error) *error = "capture needs 1..1000 frames per second and a size of 16x16 to 8192x8192";
            return false;
        }
        std::error_code ec;
        if (IsVideoTarget(options.captureDir)) {
            if (!FindVideoEncoder(error)) return false;
            const std::filesystem::path parent = std::filesystem::path(options.captureDir).parent_path();
            if (!parent.empty()) std::filesystem::create_directories(parent, ec);
            if (ec || std::filesystem::is_directory(options.captureDir)) {
                if (error) *error = "cannot write the video '" + options.captureDir + "'";
                return false;
            }
        } else {
            std::filesystem::create_directories(options.captureDir, ec);
            if (ec || !std::filesystem::is_directory(options.captureDir)) {
                if (error) *error = "cannot create the capture folder '" + options.captureDir + "'";
                return false;
            }
        }
    }
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
    started = true;
    return true;
}

bool Shutdown() {
    const bool ok = !CaptureIsVideo() || FinishVideo();
    if (started) SDL_Quit();
    started = false;
    return ok;
}

const Options& GetOptions() { return options; }

void SetDisplayPreferences(bool windowed, bool vsync) {
    options.windowed = windowed;
    options.vsync = vsync;
}
bool IsHeadless() { return options.headless; }
bool IsCapture() { return options.capture; }

}  // namespace platform
