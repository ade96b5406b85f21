// main_sequence.cpp -- the show's fixed script. There is no table of sections: the order
// of initialisation and the order of running are two fixed lists of calls, and the
// sections follow the music by position (order and row) and the video cuts by the clock.
#include "shell/main_sequence.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "codecs/codec_log.h"
#include "engine/core/engine.h"
#include "engine/core/lightwave_loader.h"
#include "engine/core/picture_texture.h"
#include "filestore/filestore.h"
#include "platform/platform.h"
#include "sections/sections.h"
#include "shell/capture_progress.h"
#include "shell/command_line.h"
#include "shell/demo_state.h"
#include "shell/loading_screen.h"
#include "shell/quit.h"
#include "shell/random.h"
#include "shell/setup_dialog.h"
#include "sound/vss.h"

namespace {
constexpr int kLoadingSteps = 22;

// The choice without the dialog: the flags, or 640x480 at the deepest colour the display
// offers (else its first mode) and a 500 ms sound buffer. These are not the dialog's
// defaults (its first mode, 200 ms) on purpose: the first mode a display lists is often
// a small or odd one, and 200 ms underruns on a busy machine; whoever wants the dialog's
// choice gives --mode and --buffer-ms 200.
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
    choice->soundDevice = VSS_HasOutputDevices();
    if (c.soundGiven) choice->soundDevice = c.soundDevice;
    if (c.soundFormat >= 0) choice->soundFormat = c.soundFormat;
    if (c.mixingRate > 0) choice->mixingRate = c.mixingRate;
    if (c.bufferMs > 0) choice->bufferLengthIndex = (c.bufferMs - 200) / 100;
    return true;
}

// The sound system's devices for the dialog, and its default one (the first output
// device when there is one, else "No Sound").
std::vector<std::string> SoundDeviceNames(int32_t* defaultDevice) {
    std::vector<std::string> names;
    for (int i = 0; i < VSS_GetNumDevices(); ++i) names.emplace_back(VSS_GetDeviceName(i));
    *defaultDevice = VSS_HasOutputDevices();
    return names;
}


// The pictures' lead over the sound, measured for the frame report.
// And a capture's progress, once per captured frame.
void NoteFrame(GLEngine::FrameEvent event) {
    if (event == GLEngine::kFrameHandedOver) {
        VSS_NoteFrameHandedOver();
    } else {
        VSS_NoteFrameShown();
        CaptureProgressFrame();
    }
}

// Reaching order o, row r: the loop runs while the position is before it.
[[maybe_unused]] bool Before(int order, int row, int endOrder, int endRow) {
    return order < endOrder || (order == endOrder && row < endRow);
}
}  // namespace

int ListDevices() {
    if (VSS_EnumDevices()) {
        std::printf("Sound devices (--sound N):\n");
        for (int i = 0; i < VSS_GetNumDevices(); ++i) std::printf("  %d: %s\n", i, VSS_GetDeviceName(i));
    }
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
    // The decoders' traces are for developers: printed only when asked for.
    if (!commandLine.platform.verbose) CodecLogSetSink(nullptr);

    // 1-3: the engine and its devices; the second renderer has no devices.
    demo.engine = CreateGLEngine();
    if (!demo.engine) Quit("Could not create V3D OpenGL instance");
    SetPictureTextureEngine(demo.engine);
    SetObjectFileOpener(LoadFileCopy);
    DisplayDevice* devices = nullptr;
    int32_t deviceCount = 0;
    if (!demo.engine->EnumerateDevices(&devices, &deviceCount)) {
        devices = nullptr;
        deviceCount = 0;
    }

    // 4: the sound devices.
    if (!VSS_EnumDevices()) Quit("Could not enumerate VSS devices");

    // 5-6: the shared generator and the clock.
    SeedRandom(17);
    if (platform::CounterFrequency() <= 0 || !platform::QueryCounter(&demo.timerStart))
        Quit("Your hardware does not support a high resolution timer");
    demo.timerFrequency = platform::CounterFrequency();

    // 7-8: the choice of device and mode: the setup dialog, or the flags when it is not
    // wanted or cannot be shown.
    SetupChoice choice;
    DisplayMode customMode;
    bool useCustom = false;
    bool chosen = false;
    bool followHeard = !commandLine.syncMixed;
    if (!commandLine.noSetup && !platform::IsHeadless()) {
        int32_t defaultSound = 0;
        std::vector<std::string> soundDevices = SoundDeviceNames(&defaultSound);
        SetupDialog dialog(devices, deviceCount, std::move(soundDevices), defaultSound);
        dialog.windowed = commandLine.platform.windowed;
        dialog.vsync = commandLine.platform.vsync;
        dialog.followHeard = !commandLine.syncMixed;
        const int result = RunSetupDialog(dialog);
        if (result == 0) Quit(nullptr);
        // A display that cannot hold the dialog is an error like any other of start-up;
        // only a run without a display takes its choices from the flags.
        if (result == platform::kDialogFailed) Quit("Could not create the setup dialog");
        if (result == 1) {
            choice = dialog.Choice();
            platform::SetDisplayPreferences(dialog.windowed, dialog.vsync);
            followHeard = dialog.followHeard;
            chosen = true;
        }
    }
    if (!chosen && !ChooseFromCommandLine(commandLine, devices, deviceCount, &choice, &customMode, &useCustom)) {
        std::fprintf(stderr, "umbravel: the display offers no mode %dx%dx%d (--list-devices lists them)\n",
                     commandLine.modeWidth, commandLine.modeHeight, commandLine.modeBits);
        platform::Shutdown();
        std::exit(2);
    }
    if (choice.renderer == 1) Quit("This version of the Vorn 3D System does not yet support DirectX!");
    // With no listed device or mode the engine still opens a 640x480 window of its own.
    DisplayDevice noDevice;
    const bool deviceListed = choice.deviceIndex >= 0 && choice.deviceIndex < deviceCount;
    const DisplayDevice* device = deviceListed ? &devices[choice.deviceIndex] : &noDevice;
    if (!useCustom && (choice.modeIndex < 0 || choice.modeIndex >= device->modeCount)) {
        customMode = {640, 480, 32};
        useCustom = true;
        platform::SetDisplayPreferences(true, platform::GetOptions().vsync);
    }
    const DisplayMode* mode = useCustom ? &customMode : &device->modes[choice.modeIndex];

    // 9-11: the render window.
    demo.engine->SetMessageHandler(OnRenderWindowMessage);
    // The loading time, for the frame report: from here to the show's first frame.
    const uint64_t engineStartNs = platform::RealNanoseconds();
    uint64_t videoNs = 0;
    auto timed = [&videoNs](void (*load)(int, int), int first, int last) {
        const uint64_t before = platform::RealNanoseconds();
        load(first, last);
        videoNs += platform::RealNanoseconds() - before;
    };
    if (!demo.engine->Init(nullptr, device, mode)) {
        // A render thread that did not answer in time may still be starting.
        demo.startedFlags |= kRenderThreadLoose;
        Quit("Could not initialise V3D instance");
    }
    demo.startedFlags |= kStartedEngine;

    // 12: the loading screen, its bar at the start.
    LoadingScreenInit();
    LoadingScreenStep(0, kLoadingSteps);

    // 13-16: the sound system on the render window.
    if (!VSS_SetDevice(choice.soundDevice)) Quit("Could not set VSS device");
    VSS_FollowHeard(followHeard ? 1 : 0);
    if (!VSS_PreInit(300, 200 + 100 * choice.bufferLengthIndex, 1, 0)) Quit("Could not pre-initialise VSS");
    if (!VSS_Init(demo.engine->GetWindow(), choice.soundFormat, choice.mixingRate, 32)) Quit("Could not initialise VSS");
    demo.startedFlags |= kStartedSound;

    // 17-19: the music, loaded from the embedded file and checked against its size.
    uint32_t musicSize = 0;
    const uint8_t* music = OpenEmbeddedFileSized("Files\\Tenebrix.IT", &musicSize);
    if (!music) Quit("Could not open 'Files\\Tenebrix.IT'");
    demo.module = VSS_LoadIT(music, musicSize, 0);
    if (!demo.module) Quit("Could not load VSS IT module");
    CloseEmbeddedFile(music);

    // 20: the loading plan. The video frames decode on the other cores meanwhile.
    PrefetchVideos();
    int step = 0;
    LoadingScreenStep(++step, kLoadingSteps), TitleInit();
    LoadingScreenStep(++step, kLoadingSteps), LogoInit();
    LoadingScreenStep(++step, kLoadingSteps), HeartInit();
    LoadingScreenStep(++step, kLoadingSteps), TvInit();
    LoadingScreenStep(++step, kLoadingSteps), BrainInit();
    LoadingScreenStep(++step, kLoadingSteps), ClosingInit();
    static const int ehBatches[][2] = {{0, 49}, {50, 99}, {100, 149}, {150, 199}, {200, 249}, {250, 315}};
    for (const auto& batch : ehBatches)
        LoadingScreenStep(++step, kLoadingSteps), timed(LoadEhFrames, batch[0], batch[1]);
    static const int warBatches[][2] = {{0, 39},    {40, 79},   {80, 119},  {120, 159}, {160, 199},
                                        {200, 239}, {240, 279}, {280, 319}, {320, 360}};
    for (const auto& batch : warBatches)
        LoadingScreenStep(++step, kLoadingSteps), timed(LoadWarFrames, batch[0], batch[1]);
    LoadingScreenStep(++step, kLoadingSteps);

    // The show: the music starts, and a freshly loaded module stands at order 0.
    if (demo.module) {
        VSS_Play(demo.module);
        while (demo.module->currentOrder.load(std::memory_order_relaxed) != 0) platform::SleepMs(50);
    }
    const int start = commandLine.start;
    // Where each part begins in the music (for a part after the first: the order where the
    // part before it ends).
    static const int kStartOrders[kStartCount] = {0, 1, 3, 10, 19, 23};
    if (start > kStartTitle) {
        // A jump: the music goes to where the previous part of the show ends, so the
        // chosen part begins with the video cut before it, as in a full run. The player
        // takes the new position at its next row; the full bar stays up until then.
        const int order = kStartOrders[start];
        if (!VSS_SetPosition(order, 0)) Quit("Could not set VSS position");
        while (demo.module->currentOrder.load(std::memory_order_relaxed) != order)
            LoadingScreenStep(kLoadingSteps, kLoadingSteps);
    }
    demo.frameReport.SetLoading(static_cast<double>(platform::RealNanoseconds() - engineStartNs) * 1e-9,
                                static_cast<double>(videoNs) * 1e-9);
    demo.engine->StartProfiling();
    // The closing fades out for seven seconds from order 25: the show's end.
    CaptureProgressStart(demo.module, kStartOrders[start], 25, 7.0);
    // From here on every shown picture notes how far it runs ahead of the sound heard.
    VSS_TakePictureLeads(nullptr);
    demo.engine->SetFrameObserver(NoteFrame);
    // Each part of the show runs when the show begins at or before it; the frame report
    // notes which part every frame belongs to.
    auto from = [start](int startPoint, const char* part) {
        if (start > startPoint) return false;
        demo.frameReport.Begin(demo.engine, part);
        return true;
    };
    if (from(kStartTitle, "title")) TitleRun();
    if (from(kStartLogo, "cut")) PlayEhFrames(50, 53);
    if (from(kStartLogo, "logo")) LogoRun();
    if (from(kStartHeart, "cut")) PlayEhFrames(110, 113);
    if (from(kStartHeart, "heart")) HeartRun();
    if (from(kStartTv, "cut")) PlayEhFrames(140, 143);
    if (from(kStartTv, "tv")) TvRun();
    if (from(kStartBrain, "cut")) PlayEhFrames(190, 193);
    if (from(kStartBrain, "brain")) BrainRun();
    if (from(kStartClosing, "video")) PlayEhFrames(0, 315);
    if (from(kStartClosing, "closing")) ClosingRun();
    VSS_Stop();
    Quit(nullptr);
}
