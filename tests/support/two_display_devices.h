// Two display devices for the setup dialog's tests: "Default" with three modes, "Second"
// with one, so choosing a device visibly resets the mode list.
#pragma once

#include <cstdio>

#include "engine/core/engine.h"

struct TwoDevices {
    DisplayMode firstModes[3] = {{640, 480, 16}, {800, 600, 32}, {1024, 768, 32}};
    DisplayMode secondModes[1] = {{1280, 1024, 24}};
    DisplayDevice devices[2];
    TwoDevices() {
        std::snprintf(devices[0].name, sizeof devices[0].name, "Default");
        devices[0].modes = firstModes;
        devices[0].modeCount = 3;
        std::snprintf(devices[1].name, sizeof devices[1].name, "Second");
        devices[1].modes = secondModes;
        devices[1].modeCount = 1;
    }
};
