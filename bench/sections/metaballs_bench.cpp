// metaballs_bench.cpp -- the time of one metaball frame over the blob's whole life:
// every frame of 22 seconds at 50 frames per second, repeated, with the mean, the
// median and the worst frame, and the vertices and triangles of the busiest one. On a
// shared machine single timings catch other processes' time slices, so the worst frame
// is also given with each frame's best time over the rounds.
//
//   ./metaballs_bench [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "engine/core/engine.h"
#include "sections/metaballs.h"
#include "sections/metaballs_internal.h"
#include "shell/demo_state.h"

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    demo.engine = CreateGLEngine();
    MetaballsInit();
    using Clock = std::chrono::steady_clock;
    constexpr int kFrames = 22 * 50 + 1;
    std::vector<double> micros;
    std::vector<double> best(kFrames, 1e30);
    int32_t mostVertices = 0, mostTriangles = 0;
    for (int round = 0; round < rounds; ++round) {
        for (int frame = 0; frame < kFrames; ++frame) {
            const float t = static_cast<float>(frame) / 50.0f;
            const Clock::time_point begin = Clock::now();
            metaballs::FrameAt(t);
            const double us = std::chrono::duration<double, std::micro>(Clock::now() - begin).count();
            micros.push_back(us);
            best[frame] = std::min(best[frame], us);
            mostVertices = std::max(mostVertices, metaballs::VerticesUsed());
            mostTriangles = std::max(mostTriangles, metaballs::TrianglesUsed());
        }
    }
    double total = 0.0;
    for (double m : micros) total += m;
    std::vector<double> sorted = micros;
    std::sort(sorted.begin(), sorted.end());
    std::printf("MetaballsFrame: %zu frames, mean %.1f us, median %.1f us, 99th %.1f us, worst %.1f us\n",
                sorted.size(), total / static_cast<double>(sorted.size()), sorted[sorted.size() / 2],
                sorted[sorted.size() * 99 / 100], sorted.back());
    std::printf("worst frame by its best of %d rounds: %.1f us\n", rounds, *std::max_element(best.begin(), best.end()));
    std::printf("busiest frame: %d vertices, %d triangles (capacity 4000 each)\n", mostVertices, mostTriangles);
    return 0;
}
