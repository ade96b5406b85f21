// demo_state.h -- the show's process-wide state and the choices it runs with.
#pragma once

#include <atomic>
#include <cstdint>

#include "shell/frame_report.h"

class GLEngine;
struct VssModule;

enum : int32_t {
    kStartedEngine = 1,  // Init succeeded: Quit stops profiling and kills the engine
    kStartedSound = 2,   // the sound system is initialised: Quit shuts it down
    // Init or Kill gave up waiting: the render thread may still run, so Quit leaves without
    // tearing down anything that thread could touch.
    kRenderThreadLoose = 4,
};

struct DemoState {
    GLEngine* engine = nullptr;
    VssModule* module = nullptr;
    // Set to 1 by the render window's thread when Escape is typed; never reset.
    std::atomic<int32_t> quitRequested{0};
    int32_t startedFlags = 0;
    int64_t timerFrequency = 0;
    int64_t timerStart = 0;
    FrameReport frameReport;  // the frame times of each part of the show
};

extern DemoState demo;

struct SetupChoice {
    int32_t renderer = 0;     // 0 OpenGL, 1 DirectX (no such engine exists)
    int32_t deviceIndex = 0;  // into the engine's device list
    int32_t modeIndex = 0;    // into that device's mode list
    int32_t soundDevice = 0;  // into the sound system's device list; 0 is "No Sound"
    int32_t soundFormat = 3;  // bit 1 stereo, bit 0 16-bit
    int32_t mixingRate = 44100;
    int32_t bufferLengthIndex = 3;  // 200 + 100 x index milliseconds
};
