// display_access.h -- what the device list and the full-screen switch need of the
// display: its list of modes and the mode change. The engine passes the platform's
// display; tests pass a made-up one.
#pragma once

#include <cstdint>

#include "engine/core/engine.h"
#include "platform/platform.h"

class DisplayAccess {
public:
    virtual ~DisplayAccess() = default;
    virtual bool GetMode(int index, platform::ModeInfo* mode) = 0;                 // false past the end
    virtual bool ChangeMode(const platform::ModeInfo& wanted, unsigned fields) = 0;  // kModeWidth | ...
    virtual void RestoreMode() = 0;                                                  // back to the desktop
};

// One device, "Default", with the display's modes of 16 bits per pixel or more in the
// order the display lists them. 1 on success; 0 with `*error` set to the failure's text
// (and the outputs left null / 0).
int ListDisplayDevices(DisplayAccess& display, DisplayDevice** devices, int32_t* count, const char** error);

// Render-window thread. Every listed mode that matches exactly, then the same request
// with all fields, with the depth alone (whose failure ends the switch) and with the size
// alone (whose failure restores the desktop).
bool SwitchDisplayMode(DisplayAccess& display, const platform::ModeInfo& wanted);

// The platform's primary display; `window` is the window that goes full screen (null
// for the list alone).
class PlatformDisplay final : public DisplayAccess {
public:
    explicit PlatformDisplay(platform::Window* window) : window(window) {}
    bool GetMode(int index, platform::ModeInfo* mode) override { return platform::GetDisplayModeInfo(index, mode); }
    bool ChangeMode(const platform::ModeInfo& wanted, unsigned fields) override {
        return platform::ChangeDisplayMode(window, wanted, fields);
    }
    void RestoreMode() override { platform::RestoreDisplayMode(window); }

private:
    platform::Window* window;
};
