// mixer_bench.cpp -- speed of the software mixer. Renders every module of the corpus that
// loads (and any .it given on the command line) offline at 44100 Hz 16-bit stereo, beside
// libopenmpt (and libxmp when built with it) rendering the same modules with nearest-
// neighbour interpolation; prints song seconds per wall second. Then a synthetic case of
// 32 looping voices (8- and 16-bit samples) through the inner loops, in ns per sample per
// voice. Single-threaded; figures only, nothing is asserted.
#include <libopenmpt/libopenmpt.h>
#ifdef UMBRAVEL_BENCH_LIBXMP
#include <xmp.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "shell/random.h"
#include "sound/mixer_loops.h"
#include "sound/sound_internal.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 44100;
constexpr double kMaxSeconds = 180.0;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Our mixer: seconds of song rendered (until the song starts over) and the wall time.
bool RenderOurs(const std::vector<uint8_t>& bytes, double seconds, double* wall) {
    SeedRandom(17);
    if (!VssMixerSetup(kVss16BitStereo, 1, kRate, 32)) return false;
    VssModule* m = VSS_LoadIT(bytes.data(), bytes.size(), 0);
    if (!m) return false;
    VSS_Play(m);
    std::vector<uint8_t> out(kRate / 10 * 4);
    const long chunks = static_cast<long>(seconds * 10);
    auto start = Clock::now();
    for (long i = 0; i < chunks; ++i) VSS_Mix(static_cast<int>(out.size()), out.data());
    *wall = Since(start);
    VSS_Stop();
    VSS_FreeModule(m);
    return true;
}

double SongSeconds(const std::vector<uint8_t>& bytes) {
    openmpt_module* mod = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr,
                                                             nullptr, nullptr, nullptr, nullptr);
    if (!mod) return 0;
    double s = openmpt_module_get_duration_seconds(mod);
    openmpt_module_destroy(mod);
    return s > kMaxSeconds ? kMaxSeconds : s;
}

double RenderOpenMpt(const std::vector<uint8_t>& bytes, double seconds) {
    openmpt_module* mod = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr,
                                                             nullptr, nullptr, nullptr, nullptr);
    if (!mod) return -1;
    openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 1);
    openmpt_module_set_repeat_count(mod, -1);
    std::vector<int16_t> out(kRate / 10 * 2);
    const long chunks = static_cast<long>(seconds * 10);
    auto start = Clock::now();
    for (long i = 0; i < chunks; ++i) openmpt_module_read_interleaved_stereo(mod, kRate, kRate / 10, out.data());
    double wall = Since(start);
    openmpt_module_destroy(mod);
    return wall;
}

#ifdef UMBRAVEL_BENCH_LIBXMP
double RenderXmp(const std::vector<uint8_t>& bytes, double seconds) {
    xmp_context ctx = xmp_create_context();
    if (xmp_load_module_from_memory(ctx, bytes.data(), static_cast<long>(bytes.size())) != 0) {
        xmp_free_context(ctx);
        return -1;
    }
    xmp_start_player(ctx, kRate, 0);
    xmp_set_player(ctx, XMP_PLAYER_INTERP, XMP_INTERP_NEAREST);
    std::vector<int16_t> out(kRate / 10 * 2);
    const long chunks = static_cast<long>(seconds * 10);
    auto start = Clock::now();
    for (long i = 0; i < chunks; ++i) xmp_play_buffer(ctx, out.data(), static_cast<int>(out.size() * 2), 0);
    double wall = Since(start);
    xmp_end_player(ctx);
    xmp_release_module(ctx);
    xmp_free_context(ctx);
    return wall;
}
#endif

void Modules(const std::vector<std::filesystem::path>& files) {
    std::printf("%-40s %8s %10s %10s %10s\n", "module (44100 Hz 16-bit stereo)", "song s", "ours x", "openmpt x",
                "libxmp x");
    double oursSong = 0, oursWall = 0, mptWall = 0, xmpWall = 0;
    for (const auto& path : files) {
        std::vector<uint8_t> bytes = ReadBytes(path);
        double seconds = SongSeconds(bytes);
        double ours = 0;
        if (seconds <= 0 || !RenderOurs(bytes, seconds, &ours)) continue;
        double mpt = RenderOpenMpt(bytes, seconds);
        double xmp = -1;
#ifdef UMBRAVEL_BENCH_LIBXMP
        xmp = RenderXmp(bytes, seconds);
#endif
        std::printf("%-40s %8.1f %10.0f %10.0f %10.0f\n", path.filename().string().c_str(), seconds, seconds / ours,
                    seconds / mpt, xmp > 0 ? seconds / xmp : 0.0);
        oursSong += seconds;
        oursWall += ours;
        mptWall += mpt;
        if (xmp > 0) xmpWall += xmp;
    }
    if (oursWall > 0)
        std::printf("%-40s %8.1f %10.0f %10.0f %10.0f\n", "all", oursSong, oursSong / oursWall, oursSong / mptWall,
                    xmpWall > 0 ? oursSong / xmpWall : 0.0);
}

// 32 voices of looping samples straight through the inner loops, one tick at a time.
void Synthetic() {
    constexpr int kVoices = 32, kTick = 882, kTicks = 20000;
    std::vector<int8_t> s8(65536);
    std::vector<int16_t> s16(65536);
    SeedRandom(17);
    for (size_t i = 0; i < s8.size(); ++i) {
        s8[i] = static_cast<int8_t>(Random());
        s16[i] = static_cast<int16_t>(Random() * 2);
    }
    std::vector<int32_t> block(kTick * 2);
    for (int wide = 0; wide < 2; ++wide)
        for (int stereo = 1; stereo >= 0; --stereo) {
            VssMixLoop loop = VssGetMixLoop(stereo, false, wide);
            std::vector<uint64_t> pos(kVoices, 0);
            const uint64_t step = (1ull << 32) * 3 / 4 + 12345;  // a little below the mixing rate
            auto start = Clock::now();
            for (int t = 0; t < kTicks; ++t) {
                std::fill(block.begin(), block.end(), 0);  // a new tick block, as the mixer clears it
                for (int v = 0; v < kVoices; ++v) {
                    loop(block.data(), wide ? static_cast<const void*>(s16.data()) : s8.data(), &pos[v], step, kTick,
                         200, 100);
                    pos[v] &= (32768ull << 32) - 1;  // loop well inside the sample
                }
            }
            double ns = Since(start) * 1e9 / (static_cast<double>(kTicks) * kTick * kVoices);
            std::printf("synthetic: 32 voices, %2d-bit samples, %-6s output: %.3f ns per sample per voice (%d)\n",
                        wide ? 16 : 8, stereo ? "stereo" : "mono", ns, block[kTick / 2]);
        }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) files.emplace_back(argv[i]);
    if (files.empty() && std::filesystem::exists(UMBRAVEL_CORPUS_DIR "/it"))
        for (const auto& e : std::filesystem::directory_iterator(UMBRAVEL_CORPUS_DIR "/it")) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    Modules(files);
    Synthetic();
    return 0;
}
