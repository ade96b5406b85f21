// bench_show.h -- what the section benchmarks share: the show's services started as the
// show starts them, in a window that does not wait for the display's refresh.
#pragma once

#include <cstdio>
#include <string>
#include <thread>
#include <utility>

#include "codecs/codec_log.h"
#include "engine/core/engine.h"
#include "engine/core/lightwave_loader.h"
#include "engine/core/picture_texture.h"
#include "filestore/filestore.h"
#include "platform/platform.h"
#include "shell/demo_state.h"

// The platform, the clock, the engine with a width x height window, the picture and object
// loaders. False (after printing why, prefixed by `name`) when the window cannot open.
inline bool StartShowForBench(const char* name, int width, int height) {
    platform::Options options;
    options.headless = true;
    options.windowed = true;
    options.vsync = false;
    std::string error;
    if (!platform::Startup(options, &error)) {
        std::fprintf(stderr, "%s: %s\n", name, error.c_str());
        return false;
    }
    CodecLogSetSink(nullptr);
    demo.timerFrequency = platform::CounterFrequency();
    platform::QueryCounter(&demo.timerStart);
    demo.engine = CreateGLEngine();
    DisplayDevice device;
    DisplayMode mode{width, height, 32};
    if (!demo.engine->Init(nullptr, &device, &mode)) {
        std::fprintf(stderr, "%s: %s\n", name, demo.engine->GetErrorText());
        return false;
    }
    demo.startedFlags |= kStartedEngine;
    SetPictureTextureEngine(demo.engine);
    SetObjectFileOpener(LoadFileCopy);  // as the show sets it before the sections load
    return true;
}

// Runs `section` while `music` moves the position on another thread, and prints the
// frames and triangles per second the engine counted.
template <typename Music>
void MeasureSection(const char* what, void (*section)(), Music music) {
    std::thread mover(std::move(music));
    demo.engine->StartProfiling();
    section();
    demo.engine->StopProfiling();
    mover.join();
    std::printf("%-34s %6.1f frames/s  %9.0f triangles/s\n", what, demo.engine->GetFramesPerSecond(),
                demo.engine->GetPolygonsPerSecond());
}
