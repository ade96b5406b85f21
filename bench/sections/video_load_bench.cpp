// video_load_bench.cpp -- the time to load all 677 frames of both videos in the batches of
// the loading plan, decoded on one thread and on every core, best of several rounds, with
// the decoder's traces off as in the show.
//   video_load_bench [rounds]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "codecs/codec_log.h"
#include "sections/video_frames.h"

namespace {
double LoadAll(int threads) {
    std::vector<uint16_t*> ehTable(316, nullptr), warTable(361, nullptr);
    VideoFrames eh{"Video\\EH\\EH%03d.jpg", 316, ehTable.data()};
    VideoFrames war{"Video\\War\\War%03d.jpg", 361, warTable.data()};
    static const int ehBatches[][2] = {{0, 49}, {50, 99}, {100, 149}, {150, 199}, {200, 249}, {250, 315}};
    static const int warBatches[][2] = {{0, 39},    {40, 79},   {80, 119},  {120, 159}, {160, 199},
                                        {200, 239}, {240, 279}, {280, 319}, {320, 360}};
    const auto start = std::chrono::steady_clock::now();
    for (const auto& b : ehBatches)
        if (LoadVideoFrames(eh, b[0], b[1], threads, nullptr) != kFramesLoaded) std::exit(1);
    for (const auto& b : warBatches)
        if (LoadVideoFrames(war, b[0], b[1], threads, nullptr) != kFramesLoaded) std::exit(1);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    for (uint16_t* f : ehTable) std::free(f);
    for (uint16_t* f : warTable) std::free(f);
    return ms;
}
}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    CodecLogSetSink(nullptr);  // as in the show: the decoder's traces are not printed
    const int cores = VideoDecodeThreads();
    for (int threads : {1, cores}) {
        double best = 1e30;
        for (int r = 0; r < rounds; ++r) {
            const double ms = LoadAll(threads);
            if (ms < best) best = ms;
        }
        std::printf("677 frames on %d thread%s: %.1f ms (%.2f ms a frame)\n", threads, threads == 1 ? "" : "s", best,
                    best / 677.0);
    }
    return 0;
}
