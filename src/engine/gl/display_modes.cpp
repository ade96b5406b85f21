// display_modes.cpp -- the device list offered to the setup dialog (one device,
// "Default", with the primary display's modes of at least 16 bits per pixel) and the
// switch to the chosen full-screen mode.
#include <cstdio>
#include <new>

#include "engine/gl/gl_engine.h"

namespace {
bool IsDirectColour(const platform::ModeInfo& mode) { return mode.bitsPerPixel >= 16; }
}  // namespace

int OpenGLEngine::EnumerateDevices(DisplayDevice** devices, int32_t* count) {
    if (devices) *devices = nullptr;
    if (count) *count = 0;
    DisplayDevice* list = new (std::nothrow) DisplayDevice[1];
    if (!list) {
        SetError("Could not allocate device list");
        return 0;
    }
    std::snprintf(list[0].name, sizeof list[0].name, "Default");

    int32_t direct = 0;
    platform::ModeInfo mode;
    for (int i = 0; platform::GetDisplayModeInfo(i, &mode); ++i)
        if (IsDirectColour(mode)) ++direct;
    if (direct == 0) {
        delete[] list;
        SetError("No direct colour resolutions found for device");
        return 0;
    }
    DisplayMode* modes = new (std::nothrow) DisplayMode[static_cast<size_t>(direct)];
    if (!modes) {
        delete[] list;
        SetError("Could not allocate resolution list");
        return 0;
    }
    int32_t stored = 0;
    for (int i = 0; stored < direct && platform::GetDisplayModeInfo(i, &mode); ++i)
        if (IsDirectColour(mode)) modes[stored++] = {mode.width, mode.height, mode.bitsPerPixel};
    list[0].modes = modes;
    list[0].modeCount = stored;
    if (devices) *devices = list;
    if (count) *count = 1;
    return 1;
}

// First every listed mode that matches exactly; then the same request with all fields,
// with the depth alone (whose failure ends the switch) and with the size alone.
bool OpenGLEngine::SwitchToFullscreen() {
    platform::Window* target = startingWindow;
    const platform::ModeInfo wanted{width, height, bitsPerPixel};
    const unsigned all = platform::kModeWidth | platform::kModeHeight | platform::kModeBits;
    platform::ModeInfo mode;
    for (int i = 0; platform::GetDisplayModeInfo(i, &mode); ++i) {
        if (mode.bitsPerPixel == wanted.bitsPerPixel && mode.width == wanted.width && mode.height == wanted.height &&
            platform::ChangeDisplayMode(target, wanted, all))
            return true;
    }
    if (platform::ChangeDisplayMode(target, wanted, all)) return true;
    if (!platform::ChangeDisplayMode(target, wanted, platform::kModeBits)) return false;
    if (platform::ChangeDisplayMode(target, wanted, platform::kModeWidth | platform::kModeHeight)) return true;
    platform::RestoreDisplayMode(target);
    return false;
}
