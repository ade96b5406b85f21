// opening_fps_bench.cpp -- frames per second of the title and the logo sections drawn in a
// window without waiting for the display, to a music position that a thread of the bench
// moves on by the wall clock (`rows` rows a second; 16 plays the title in 8 s and the logo
// in about 15 s). The figures are the engine's own profiling counts.
//   opening_fps_bench [width height [rows]]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "codecs/codec_log.h"
#include "engine/core/engine.h"
#include "engine/core/picture_texture.h"
#include "platform/platform.h"
#include "sections/sections.h"
#include "shell/demo_state.h"
#include "sound/vss_records.h"

namespace {
VssModule song{};
std::atomic<bool> playing{true};

// 144 rows in order 0 and 64 in the others, from `startRow` on.
void PlaySong(int startRow, double rowsPerSecond) {
    const auto start = std::chrono::steady_clock::now();
    while (playing.load()) {
        const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const int rows = startRow + static_cast<int>(t * rowsPerSecond);
        const int order = rows < 144 ? 0 : 1 + (rows - 144) / 64, row = rows < 144 ? rows : (rows - 144) % 64;
        song.currentRow.store(row);
        song.currentOrder.store(order);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void Measure(const char* name, void (*run)(), int startRow, double rowsPerSecond) {
    song.currentOrder.store(startRow < 144 ? 0 : 1);
    song.currentRow.store(startRow < 144 ? startRow : 0);
    playing.store(true);
    std::thread player(PlaySong, startRow, rowsPerSecond);
    demo.engine->StartProfiling();
    run();
    demo.engine->StopProfiling();
    playing.store(false);
    player.join();
    std::printf("%s: %.1f frames per second, %.0f polygons per second\n", name, demo.engine->GetFramesPerSecond(),
                demo.engine->GetPolygonsPerSecond());
}
}  // namespace

int main(int argc, char** argv) {
    const int width = argc > 2 ? std::atoi(argv[1]) : 640, height = argc > 2 ? std::atoi(argv[2]) : 480;
    const double rows = argc > 3 ? std::atof(argv[3]) : 16.0;
    CodecLogSetSink(nullptr);
    platform::Options options;
    options.headless = true;
    options.windowed = true;
    options.vsync = false;
    std::string error;
    if (!platform::Startup(options, &error)) {
        std::fprintf(stderr, "opening_fps_bench: %s\n", error.c_str());
        return 1;
    }
    demo.engine = CreateGLEngine();
    SetPictureTextureEngine(demo.engine);
    demo.timerFrequency = platform::CounterFrequency();
    platform::QueryCounter(&demo.timerStart);
    demo.module = &song;
    DisplayDevice device;
    DisplayMode mode{width, height, 32};
    if (!demo.engine->Init(nullptr, &device, &mode)) {
        std::fprintf(stderr, "opening_fps_bench: %s\n", demo.engine->GetErrorText());
        return 1;
    }
    TitleInit();
    LogoInit();
    std::printf("%dx%d, %.0f rows a second\n", width, height, rows);
    Measure("title", TitleRun, 0, rows);
    Measure("logo", LogoRun, 144, rows);  // order 1 row 0 up to order 3
    demo.engine->Kill();
    platform::Shutdown();
    return 0;
}
