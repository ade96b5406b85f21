// capture_platform.h -- starts the platform in capture mode for tests that draw real
// frames: software GL through Xvfb or SDL's offscreen driver, the frames kept in memory
// (platform::LastCapturedFrame) and written into a folder of this process's own.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/platform.h"

inline bool StartCapturePlatform(const char* name, int width, int height, std::string* error, int fps = 30) {
    platform::Options options;
    options.capture = true;
    options.captureFps = fps;
    options.captureDir =
        (std::filesystem::temp_directory_path() / (std::string(name) + "_" + std::to_string(getpid()))).string();
    options.captureWidth = width;
    options.captureHeight = height;
    return platform::Startup(options, error);
}
