// loading_bench.cpp -- where the time from the process start to the show goes: every
// start-up step and every loading step as the show runs them (640x480 window, "No Sound",
// the decoders' traces off), in milliseconds. With a run count above 1 the program runs
// itself again that many times and prints the median and the spread of each step, since
// the sections' pictures and objects load only once per process. LOADING_BENCH_NO_PREFETCH
// in the environment leaves the video frames to their batches.
//   loading_bench [runs]
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "codecs/codec_log.h"
#include "engine/core/engine.h"
#include "engine/core/lightwave_loader.h"
#include "engine/core/picture_texture.h"
#include "filestore/filestore.h"
#include "platform/platform.h"
#include "sections/sections.h"
#include "shell/demo_state.h"
#include "shell/loading_screen.h"
#include "shell/random.h"
#include "sound/vss.h"

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds since the process started (from the kernel's record of its start).
double SinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Field 22, counted after the command name in parentheses.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22; ++i) fields >> field;
    double startSeconds = std::stod(field) / double(sysconf(_SC_CLK_TCK));
    timespec now;
    clock_gettime(CLOCK_BOOTTIME, &now);
    return (double(now.tv_sec) + now.tv_nsec / 1e9 - startSeconds) * 1000.0;
}

struct Step {
    std::string name;
    double ms;
};

// One run of the start-up and loading plan; the steps' times on standard output, one
// "name<TAB>ms" line each.
int RunOnce() {
    std::vector<Step> steps;
    // Ticks of the process clock are coarse (10 ms): the time before main is taken once.
    const double beforeMain = SinceProcessStart();
    auto last = Clock::now();
    auto mark = [&](const char* name) {
        auto now = Clock::now();
        steps.push_back({name, std::chrono::duration<double, std::milli>(now - last).count()});
        last = now;
    };

    platform::Options options;
    options.windowed = true;
    options.vsync = false;
    std::string error;
    if (!platform::Startup(options, &error)) {
        std::fprintf(stderr, "loading_bench: %s\n", error.c_str());
        return 1;
    }
    CodecLogSetSink(nullptr);
    mark("platform start-up");
    demo.engine = CreateGLEngine();
    SetPictureTextureEngine(demo.engine);
    SetObjectFileOpener(LoadFileCopy);
    DisplayDevice* devices = nullptr;
    int32_t deviceCount = 0;
    demo.engine->EnumerateDevices(&devices, &deviceCount);
    mark("engine, display modes");
    if (!VSS_EnumDevices()) return 1;
    mark("sound devices");
    SeedRandom(17);
    demo.timerFrequency = platform::CounterFrequency();
    platform::QueryCounter(&demo.timerStart);
    DisplayDevice device;
    DisplayMode mode{640, 480, 32};
    if (!demo.engine->Init(nullptr, &device, &mode)) {
        std::fprintf(stderr, "loading_bench: %s\n", demo.engine->GetErrorText());
        return 1;
    }
    demo.startedFlags |= kStartedEngine;
    mark("render window and GL");
    LoadingScreenInit();
    LoadingScreenStep(0, 22);
    mark("loading screen, first frame");
    if (!VSS_SetDevice(0) || !VSS_PreInit(300, 500, 1, 0) || !VSS_Init(demo.engine->GetWindow(), 3, 44100, 32)) return 1;
    demo.startedFlags |= kStartedSound;
    mark("sound system (No Sound)");
    uint32_t musicSize = 0;
    const uint8_t* music = OpenEmbeddedFileSized("Files\\Tenebrix.IT", &musicSize);
    demo.module = music ? VSS_LoadIT(music, musicSize, 0) : nullptr;
    if (!demo.module) return 1;
    CloseEmbeddedFile(music);
    mark("music module");
    if (!std::getenv("LOADING_BENCH_NO_PREFETCH")) PrefetchVideos();
    mark("video files read ahead");

    int step = 0;
    LoadingScreenStep(++step, 22), TitleInit(), mark("1 title");
    LoadingScreenStep(++step, 22), LogoInit(), mark("2 logo");
    LoadingScreenStep(++step, 22), HeartInit(), mark("3 heart");
    LoadingScreenStep(++step, 22), TvInit(), mark("4 tv");
    LoadingScreenStep(++step, 22), BrainInit(), mark("5 brain");
    LoadingScreenStep(++step, 22), ClosingInit(), mark("6 closing");
    static const int ehBatches[][2] = {{0, 49}, {50, 99}, {100, 149}, {150, 199}, {200, 249}, {250, 315}};
    for (const auto& batch : ehBatches) LoadingScreenStep(++step, 22), LoadEhFrames(batch[0], batch[1]);
    mark("7-12 EH video (316 frames)");
    static const int warBatches[][2] = {{0, 39},    {40, 79},   {80, 119},  {120, 159}, {160, 199},
                                        {200, 239}, {240, 279}, {280, 319}, {320, 360}};
    for (const auto& batch : warBatches) LoadingScreenStep(++step, 22), LoadWarFrames(batch[0], batch[1]);
    mark("13-21 War video (361 frames)");
    LoadingScreenStep(++step, 22);
    mark("22 full bar");

    double total = beforeMain;
    std::printf("before main\t%.2f\n", beforeMain);
    for (const Step& s : steps) {
        std::printf("%s\t%.2f\n", s.name.c_str(), s.ms);
        total += s.ms;
    }
    std::printf("process start to the show\t%.2f\n", total);
    std::fflush(stdout);
    // The engine and the module live until the process ends, as in the show.
    _exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--once") == 0) return RunOnce();
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::vector<std::string> names;
    std::vector<std::vector<double>> times;
    for (int run = 0; run < runs; ++run) {
        std::string command = std::string("'") + argv[0] + "' --once";
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return 1;
        char line[256];
        size_t index = 0;
        while (std::fgets(line, sizeof line, pipe)) {
            char* tab = std::strchr(line, '\t');
            if (!tab) continue;
            *tab = 0;
            if (run == 0) {
                names.emplace_back(line);
                times.emplace_back();
            }
            if (index < times.size()) times[index++].push_back(std::atof(tab + 1));
        }
        if (pclose(pipe) != 0) {
            std::fprintf(stderr, "loading_bench: run %d failed\n", run + 1);
            return 1;
        }
    }
    std::printf("%d runs, milliseconds: median (least .. most)\n", runs);
    for (size_t i = 0; i < names.size(); ++i) {
        std::vector<double> t = times[i];
        std::sort(t.begin(), t.end());
        double median = t.size() % 2 ? t[t.size() / 2] : (t[t.size() / 2 - 1] + t[t.size() / 2]) / 2;
        std::printf("  %-30s %8.1f  (%.1f .. %.1f)\n", names[i].c_str(), median, t.front(), t.back());
    }
    return 0;
}
