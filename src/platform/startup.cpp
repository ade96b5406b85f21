// startup.cpp -- the run options and the checks every back-end makes before it starts:
// a capture's rate, size and target (a folder that can be made, or a video file the
// ffmpeg command can write). The back-end then starts its own services.
#include "platform/platform_internal.h"

#include <filesystem>
#include <system_error>

namespace platform {
namespace {
Options options;
bool started = false;

bool CheckCaptureTarget(std::string* error) {
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
        return true;
    }
    std::filesystem::create_directories(options.captureDir, ec);
    if (ec || !std::filesystem::is_directory(options.captureDir)) {
        if (error) *error = "cannot create the capture folder '" + options.captureDir + "'";
        return false;
    }
    return true;
}
}  // namespace

bool Startup(const Options& wanted, std::string* error) {
    options = wanted;
    if (options.capture) options.headless = true;
    if (options.capture && !CheckCaptureTarget(error)) return false;
    if (!StartBackend(options, error)) return false;
    started = true;
    return true;
}

bool Shutdown() {
    const bool ok = !CaptureIsVideo() || FinishVideo();
    if (started) StopBackend();
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
