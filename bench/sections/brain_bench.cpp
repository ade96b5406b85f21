// brain_bench.cpp -- the brain section's loading time (BrainInit, and the flash-path
// search alone) and its frames per second at 640 x 480, drawn in a real window without
// waiting for the display. A second thread moves the music through orders 19 to 22 by
// the wall clock. Uses the embedded objects when they are there, else the tests' stand-ins.
//
//   xvfb-run -a -s "-screen 0 1024x768x24" env LIBGL_ALWAYS_SOFTWARE=1 ./brain_bench [seconds per order]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "bench_show.h"
#include "codecs/codec_log.h"
#include "engine/core/engine.h"
#include "engine/core/lightwave_loader.h"
#include "engine/core/picture_texture.h"
#include "filestore/filestore.h"
#include "platform/platform.h"
#include "sections/brain_internal.h"
#include "sections/brain_test_objects.h"
#include "sections/sections.h"
#include "shell/demo_state.h"
#include "shell/random.h"
#include "sound/vss_records.h"

namespace {
double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Steps the 64 rows of orders 19 to 22 evenly over `secondsPerOrder` each, then order 23.
void MoveMusic(double secondsPerOrder) {
    for (int order = 19; order < 23; ++order) {
        for (int row = 0; row < 64; ++row) {
            demo.module->currentRow.store(row);
            demo.module->currentOrder.store(order);
            std::this_thread::sleep_for(std::chrono::duration<double>(secondsPerOrder / 64));
        }
    }
    demo.module->currentRow.store(0);
    demo.module->currentOrder.store(23);
}
}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : kOrderSeconds;
    if (!StartShowForBench("brain_bench", 640, 480)) return 1;
    const bool realObjects = GetEmbeddedFileSize("Files\\Brain.lwo") > 0;
    if (!realObjects) SetEmbeddedArchive(&brain_test::Archive(brain_test::Sphere(1.2f, 96, 48, "Brain1.jpg")));
    demo.module = new VssModule();
    SeedRandom(17);

    auto start = std::chrono::steady_clock::now();
    BrainInit();
    const double initSeconds = SecondsSince(start);
    FlashPath paths[kFlashPaths];
    start = std::chrono::steady_clock::now();
    const int64_t points = MakeFlashPaths(paths);
    const double searchSeconds = SecondsSince(start);
    int shortest = kFlashPathLength;
    for (const FlashPath& path : paths) shortest = std::min(shortest, static_cast<int>(path.count));
    std::printf("brain section at 640x480, %s objects, brain of %d triangles\n",
                realObjects ? "embedded" : "stand-in", GetBrainParts().brain->GetTriangleCapacity());
    std::printf("BrainInit                 %8.3f s\n", initSeconds);
    std::printf("flash-path search         %8.3f s  (%lld spiral points, shortest path %d)\n", searchSeconds,
                static_cast<long long>(points), shortest);

    demo.module->currentRow.store(0);
    demo.module->currentOrder.store(19);
    std::thread music(MoveMusic, seconds);
    demo.engine->StartProfiling();
    BrainRun();
    demo.engine->StopProfiling();
    music.join();
    std::printf("orders 19-22              %8.1f frames/s  %9.0f triangles/s\n", demo.engine->GetFramesPerSecond(),
                demo.engine->GetPolygonsPerSecond());
    demo.engine->Kill();
    platform::Shutdown();
    return 0;
}
