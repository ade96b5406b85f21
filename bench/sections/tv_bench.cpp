// tv_bench.cpp -- the TV section's frames per second at 640 x 480, drawn in a real window
// without waiting for the display, with the embedded objects and war video. A second
// thread moves the music evenly through orders 10 to 18 (phase one to order 13, then the
// missile inside the set).
//
//   xvfb-run -a -s "-screen 0 1024x768x24" env LIBGL_ALWAYS_SOFTWARE=1 ./tv_bench [seconds per order]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "bench_show.h"
#include "sections/metaballs.h"
#include "sections/sections.h"
#include "shell/random.h"
#include "sound/vss_records.h"

namespace {
// Steps the rows of orders from..to-1, then jumps to order 19, where the section ends.
void MoveMusic(int from, int to, double secondsPerOrder) {
    for (int order = from; order < to; ++order)
        for (int row = 0; row < 64; ++row) {
            demo.module->currentRow.store(row);
            demo.module->currentOrder.store(order);
            std::this_thread::sleep_for(std::chrono::duration<double>(secondsPerOrder / 64));
        }
    demo.module->currentRow.store(0);
    demo.module->currentOrder.store(19);
}

void Measure(const char* what, int from, int to, double secondsPerOrder) {
    demo.module->currentRow.store(0);
    demo.module->currentOrder.store(from);
    MeasureSection(what, TvRun, [=] { MoveMusic(from, to, secondsPerOrder); });
}
}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
    if (!StartShowForBench("tv_bench", 640, 480)) return 1;
    demo.module = new VssModule();
    SeedRandom(17);
    MetaballsInit();
    LoadWarFrames(0, 360);
    TvInit();
    std::printf("TV section at 640x480, embedded objects\n");
    Measure("orders 10-12 (set, lights, credits)", 10, 13, seconds);
    Measure("orders 13-18 (inside, missile)", 13, 19, seconds);
    return 0;
}
