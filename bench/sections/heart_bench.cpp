// heart_bench.cpp -- the heart section's frames per second at 640 x 480, drawn in a real
// window without waiting for the display. A second thread moves the music: first through
// orders 3 to 8 (the beat, the droplets, the chain), then order 9 for 16 seconds (the
// blob at its busiest). Uses the embedded objects when they are there, else small boxes.
//
//   xvfb-run -a -s "-screen 0 1024x768x24" env LIBGL_ALWAYS_SOFTWARE=1 ./heart_bench [seconds per order]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bench_show.h"
#include "codecs/codec_log.h"
#include "engine/core/engine.h"
#include "engine/core/lightwave_loader.h"
#include "engine/core/picture_texture.h"
#include "engine/lwob_builder.h"
#include "filestore/filestore.h"
#include "platform/platform.h"
#include "sections/sections.h"
#include "shell/demo_state.h"
#include "shell/random.h"
#include "sound/vss_records.h"

namespace {
std::vector<uint8_t> Box(float h) {
    std::vector<float> p;
    for (int i = 0; i < 8; ++i) {
        const int x = (i == 1 || i == 2 || i == 5 || i == 6), y = (i == 2 || i == 3 || i == 6 || i == 7), z = i >= 4;
        p.insert(p.end(), {x ? h : -h, y ? h : -h, z ? h : -h});
    }
    return LwobBuilder()
        .SurfaceNames({"Skin"})
        .Points(p)
        .Polygons({{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 4, 7, 3}, {1, 2, 6, 5}, {0, 1, 5, 4}, {3, 7, 6, 2}})
        .Surface("Skin", {{"COLR", LwobBuilder::Colour(200, 40, 40)}})
        .Build();
}

bool realObjects = true;

uint8_t* OpenObject(const char* name, uint32_t* size) {
    if (realObjects) return LoadFileCopy(name, size);
    const std::vector<uint8_t> box = Box(std::strcmp(name, "Heart.lwo") == 0 ? 1.5f : 0.3f);
    auto* copy = static_cast<uint8_t*>(std::malloc(box.size()));
    std::memcpy(copy, box.data(), box.size());
    *size = static_cast<uint32_t>(box.size());
    return copy;
}

// Steps the rows of `orders` evenly over `seconds` each, then stands at order 10.
void MoveMusic(std::vector<int> orders, double secondsPerOrder) {
    for (int order : orders) {
        for (int row = 0; row < 64; ++row) {
            demo.module->currentRow.store(row);
            demo.module->currentOrder.store(order);
            std::this_thread::sleep_for(std::chrono::duration<double>(secondsPerOrder / 64));
        }
    }
    demo.module->currentRow.store(0);
    demo.module->currentOrder.store(10);
}

void Measure(const char* what, std::vector<int> orders, double secondsPerOrder) {
    demo.module->currentRow.store(0);
    demo.module->currentOrder.store(orders.front());
    MeasureSection(what, HeartRun, [=] { MoveMusic(orders, secondsPerOrder); });
}
}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    if (!StartShowForBench("heart_bench", 640, 480)) return 1;
    uint32_t size = 0;
    uint8_t* heart = LoadFileCopy("Heart.lwo", &size);
    realObjects = heart != nullptr;
    std::free(heart);
    SetObjectFileOpener(OpenObject);
    demo.module = new VssModule();
    SeedRandom(17);
    HeartInit();
    std::printf("heart section at 640x480, %s objects\n", realObjects ? "embedded" : "stand-in box");
    Measure("orders 3-8 (heart, droplets, chain)", {3, 4, 5, 6, 7, 8}, seconds);
    Measure("order 9 (blob, first 16 s)", {9}, 16.0);
    demo.engine->Kill();
    platform::Shutdown();
    return 0;
}
