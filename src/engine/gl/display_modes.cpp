// display_modes.cpp -- the device list offered to the setup dialog (one device,
// "Default", with the primary display's modes of at least 16 bits per pixel) and the
// switch to the chosen full-screen mode.
#include <cstdio>
#include <new>

#include "engine/gl/display_access.h"
#include "engine/gl/gl_engine.h"

namespace {
bool IsDirectColour(const platform::ModeInfo& mode) { return mode.bitsPerPixel >= 16; }
}  // namespace

int ListDisplayDevices(DisplayAccess& display, DisplayDevice** devices, int32_t* count, const char** error) {
    if (devices) *devices = nullptr;
    if (count) *count = 0;
    DisplayDevice* list = new (std::nothrow) DisplayDevice[1];
    if (!list) {
        *error = "Could not allocate device list";
        return 0;
    }
    std::snprintf(list[0].name, sizeof list[0].name, "Default");

    int32_t direct = 0;
    platform::ModeInfo mode;
    for (int i = 0; display.GetMode(i, &mode); ++i)
        if (IsDirectColour(mode)) ++direct;
    if (direct == 0) {
        delete[] list;
        *error = "No direct colour resolutions found for device";
        return 0;
    }
    DisplayMode* modes = new (std::nothrow) DisplayMode[static_cast<size_t>(direct)];
    if (!modes) {
        delete[] list;
        *error = "Could not allocate resolution list";
        return 0;
    }
    // The second pass stores no more than the first counted, should the list have grown.
    int32_t stored = 0;
    for (int i = 0; stored < direct && display.GetMode(i, &mode); ++i)
        if (IsDirectColour(mode)) modes[stored++] = {mode.width, mode.height, mode.bitsPerPixel};
    list[0].modes = modes;
    list[0].modeCount = stored;
    if (devices) *devices = list;
    if (count) *count = 1;
    return 1;
}

bool SwitchDisplayMode(DisplayAccess& display, const platform::ModeInfo& wanted) {
    const unsigned all = platform::kModeWidth | platform::kModeHeight | platform::kModeBits;
    platform::ModeInfo mode;
    for (int i = 0; display.GetMode(i, &mode); ++i) {
        if (mode.bitsPerPixel == wanted.bitsPerPixel && mode.width == wanted.width && mode.height == wanted.height &&
            display.ChangeMode(wanted, all))
            return true;
    }
    if (display.ChangeMode(wanted, all)) return true;
    if (!display.ChangeMode(wanted, platform::kModeBits)) return false;
    if (display.ChangeMode(wanted, platform::kModeWidth | platform::kModeHeight)) return true;
    display.RestoreMode();
    return false;
}

int OpenGLEngine::EnumerateDevices(DisplayDevice** devices, int32_t* count) {
    PlatformDisplay display(nullptr);
    const char* error = nullptr;
    if (ListDisplayDevices(display, devices, count, &error)) return 1;
    SetError(error);
    return 0;
}

bool OpenGLEngine::SwitchToFullscreen() {
    PlatformDisplay display(startingWindow);
    return SwitchDisplayMode(display, {width, height, bitsPerPixel});
}
