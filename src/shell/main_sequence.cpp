// main_sequence.cpp -- the show's fixed script. There is no table of sections: the order
// of initialisation and the order of running are two fixed lists of calls, and the
// sections follow the music by position (order and row) and the video cuts by the clock.
#include "shell/main_sequence.h"

#include <cstdio>
#include <cstring>

#include "engine/core/engine.h"
#include "platform/platform.h"
#include "sections/sections.h"
#include "shell/demo_state.h"
#include "shell/loading_screen.h"
#include "shell/quit.h"
#include "shell/random.h"

namespace {
constexpr int kLoadingSteps = 22;

// The choice the setup dialog would leave: the flags, or 640x480 at the deepest colour
// the display offers (else its first mode).
bool ChooseFromCommandLine(const CommandLine& c, const DisplayDevice* devices, int32_t deviceCount,
                           SetupChoice* choice, DisplayMode* customMode, bool* useCustom) {
    *useCustom = false;
    const DisplayDevice* device = deviceCount > 0 ? &devices[0] : nullptr;
    if (c.platform.capture) {
        *customMode = {c.platform.captureWidth, c.platform.captureHeight, 32};
        *useCustom = true;
    } else if (c.modeGiven) {
        choice->modeIndex = -1;
        for (int32_t i = 0; device && i < device->modeCount; ++i) {
            const DisplayMode& m = device->modes[i];
            if (m.width == c.modeWidth && m.height == c.modeHeight && m.bitsPerPixel == c.modeBits) {
                choice->modeIndex = i;
                break;
            }
        }
        if (choice->modeIndex < 0) {
            // A window can take any size; full screen only the modes the display offers.
            if (!c.platform.windowed && !c.platform.headless) return false;
            *customMode = {c.modeWidth, c.modeHeight, c.modeBits};
            *useCustom = true;
        }
    } else {
        choice->modeIndex = -1;
        for (int32_t i = 0; device && i < device->modeCount; ++i) {
            const DisplayMode& m = device->modes[i];
            if (m.width == 640 && m.height == 480 &&
                (choice->modeIndex < 0 || m.bitsPerPixel > device->modes[choice->modeIndex].bitsPerPixel))
                choice->modeIndex = i;
        }
        if (choice->modeIndex < 0) {
            if (c.platform.windowed || c.platform.headless || !device || device->modeCount == 0) {
                *customMode = {640, 480, 32};
                *useCustom = true;
            } else {
                choice->modeIndex = 0;
            }
        }
    }
    if (c.soundGiven) choice->soundDevice = c.soundDevice;
    if (c.soundFormat >= 0) choice->soundFormat = c.soundFormat;
    if (c.mixingRate > 0) choice->mixingRate = c.mixingRate;
    if (c.bufferMs > 0) choice->bufferLengthIndex = (c.bufferMs - 200) / 100;
    return true;
}

// Reaching order o, row r: the loop runs while the position is before it.
[[maybe_unused]] bool Before(int order, int row, int endOrder, int endRow) {
    return order < endOrder || (order == endOrder && row < endRow);
}
}  // namespace

int ListDevices() {
    GLEngine* engine = CreateGLEngine();
    DisplayDevice* devices = nullptr;
    int32_t count = 0;
    std::printf("Rendering devices (OpenGL R1.1 or better):\n");
    if (!engine || !engine->EnumerateDevices(&devices, &count)) {
        std::printf("  none (%s)\n", engine ? engine->GetErrorText() : "no engine");
    }
    for (int32_t d = 0; d < count; ++d) {
        std::printf("  %d: %s\n", d, devices[d].name);
        for (int32_t m = 0; m < devices[d].modeCount; ++m)
            std::printf("     mode %d: %dx%dx%d\n", m, devices[d].modes[m].width, devices[d].modes[m].height,
                        devices[d].modes[m].bitsPerPixel);
    }
    return 0;
}

void RunShow(const CommandLine& commandLine) {
    // 1-3: the engine and its devices; the second renderer has no devices.
    demo.engine = CreateGLEngine();
    if (!demo.engine) Quit("Could not create V3D OpenGL instance");
    DisplayDevice* devices = nullptr;
    int32_t deviceCount = 0;
    if (!demo.engine->EnumerateDevices(&devices, &deviceCount)) {
        devices = nullptr;
        deviceCount = 0;
    }

    // 5-6: the shared generator and the clock.
    SeedRandom(17);
    if (platform::CounterFrequency() <= 0 || !platform::QueryCounter(&demo.timerStart))
        Quit("Your hardware does not support a high resolution timer");
    demo.timerFrequency = platform::CounterFrequency();

    // 7-8: the choice of device and mode.
    SetupChoice choice;
    DisplayMode customMode;
    bool useCustom = false;
    if (!ChooseFromCommandLine(commandLine, devices, deviceCount, &choice, &customMode, &useCustom)) {
        std::fprintf(stderr, "umbravel: the display offers no mode %dx%dx%d (--list-devices lists them)\n",
                     commandLine.modeWidth, commandLine.modeHeight, commandLine.modeBits);
        platform::Shutdown();
        std::exit(2);
    }
    if (choice.renderer == 1) Quit("This version of the Vorn 3D System does not yet support DirectX!");
    DisplayDevice noDevice;
    const DisplayDevice* device = deviceCount > choice.deviceIndex ? &devices[choice.deviceIndex] : &noDevice;
    const DisplayMode* mode = useCustom ? &customMode : &device->modes[choice.modeIndex];

    // 9-11: the render window.
    demo.engine->SetMessageHandler(OnRenderWindowMessage);
    if (!demo.engine->Init(nullptr, device, mode)) Quit("Could not initialise V3D instance");
    demo.startedFlags |= kStartedEngine;

    // 12: the loading screen, its bar at the start.
    LoadingScreenInit();
    LoadingScreenStep(0, kLoadingSteps);

    // 20: the loading plan.
    int step = 0;
    LoadingScreenStep(++step, kLoadingSteps), TitleInit();
    LoadingScreenStep(++step, kLoadingSteps), LogoInit();
    LoadingScreenStep(++step, kLoadingSteps), HeartInit();
    LoadingScreenStep(++step, kLoadingSteps), TvInit();
    LoadingScreenStep(++step, kLoadingSteps), BrainInit();
    LoadingScreenStep(++step, kLoadingSteps), ClosingInit();
    static const int ehBatches[][2] = {{0, 49}, {50, 99}, {100, 149}, {150, 199}, {200, 249}, {250, 315}};
    for (const auto& batch : ehBatches) LoadingScreenStep(++step, kLoadingSteps), LoadEhFrames(batch[0], batch[1]);
    static const int warBatches[][2] = {{0, 39},    {40, 79},   {80, 119},  {120, 159}, {160, 199},
                                        {200, 239}, {240, 279}, {280, 319}, {320, 360}};
    for (const auto& batch : warBatches)
        LoadingScreenStep(++step, kLoadingSteps), LoadWarFrames(batch[0], batch[1]);
    LoadingScreenStep(++step, kLoadingSteps);

    // The show.
    demo.engine->StartProfiling();
    TitleRun();
    PlayEhFrames(50, 53);
    LogoRun();
    PlayEhFrames(110, 113);
    HeartRun();
    PlayEhFrames(140, 143);
    TvRun();
    PlayEhFrames(190, 193);
    BrainRun();
    PlayEhFrames(0, 315);
    ClosingRun();
    Quit(nullptr);
}
