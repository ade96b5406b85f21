// The player beside libopenmpt: the order/row timeline at 10 ms steps and the loudness
// envelope in 50 ms windows, for every corpus module the loader accepts and for small
// purpose-made modules. Our ticks are whole samples long, so a drift of one row is
// allowed; the figures are printed per module and only loose bounds are asserted.
#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "it_builder.h"
#include "sound_test_util.h"
#include "support/corpus.h"

namespace {

constexpr int kRate = 44100;
constexpr int kStep = kRate / 100;        // 10 ms
constexpr int kStepsPerWindow = 5;        // 50 ms
constexpr int kMaxSteps = 60 * 100;       // 60 s

struct Render {
    std::vector<std::pair<int, int>> positions;  // order and row after each step
    std::vector<double> rms;                     // per 50 ms window
    double endSeconds = -1;                      // -1: still playing after 60 s
};

double Rms(const int16_t* frames, int count) {
    double sum = 0;
    for (int i = 0; i < 2 * count; ++i) sum += static_cast<double>(frames[i]) * frames[i];
    return std::sqrt(sum / (2.0 * count));
}

void AddWindow(Render& r, const std::vector<int16_t>& window) {
    r.rms.push_back(Rms(window.data(), static_cast<int>(window.size() / 2)));
}

bool RenderOurs(const std::vector<uint8_t>& bytes, Render* out) {
    SeedRandom(17);
    VssState = 0;
    if (!VssMixerSetup(kVss16BitStereo, 1, kRate, 32)) return false;
    VssModule* m = VSS_LoadIT(bytes.data(), bytes.size(), 0);
    if (!m) return false;
    VSS_Play(m);
    std::vector<int16_t> window;
    std::vector<int16_t> step(2 * kStep);
    for (int s = 0; s < kMaxSteps; ++s) {
        VSS_Mix(static_cast<int>(step.size() * 2), step.data());
        if (vssMixer.loopCount > 0) {
            out->endSeconds = s / 100.0;
            break;
        }
        out->positions.emplace_back(m->currentOrder.load(), m->currentRow.load());
        window.insert(window.end(), step.begin(), step.end());
        if (static_cast<int>(window.size()) == 2 * kStep * kStepsPerWindow) {
            AddWindow(*out, window);
            window.clear();
        }
    }
    VSS_Stop();
    VSS_FreeModule(m);
    return true;
}

bool RenderOpenMpt(const std::vector<uint8_t>& bytes, Render* out) {
    openmpt_module* mod = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr,
                                                             nullptr, nullptr, nullptr, nullptr);
    if (!mod) return false;
    openmpt_module_set_repeat_count(mod, 0);
    // The song's own length: the rendered audio runs on a little past it.
    out->endSeconds = openmpt_module_get_duration_seconds(mod);
    if (out->endSeconds > kMaxSteps / 100.0) out->endSeconds = -1;
    openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 1);
    openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_VOLUMERAMPING_STRENGTH, 0);
    openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_STEREOSEPARATION_PERCENT, 100);
    std::vector<int16_t> window;
    std::vector<int16_t> step(2 * kStep);
    for (int s = 0; s < kMaxSteps; ++s) {
        size_t got = openmpt_module_read_interleaved_stereo(mod, kRate, kStep, step.data());
        if (got < static_cast<size_t>(kStep)) break;
        out->positions.emplace_back(openmpt_module_get_current_order(mod), openmpt_module_get_current_row(mod));
        window.insert(window.end(), step.begin(), step.end());
        if (static_cast<int>(window.size()) == 2 * kStep * kStepsPerWindow) {
            AddWindow(*out, window);
            window.clear();
        }
    }
    openmpt_module_destroy(mod);
    return true;
}

double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
    size_t n = std::min(a.size(), b.size());
    if (n < 2) return 1;
    double ma = 0, mb = 0;
    for (size_t i = 0; i < n; ++i) ma += a[i], mb += b[i];
    ma /= n;
    mb /= n;
    double sab = 0, saa = 0, sbb = 0;
    for (size_t i = 0; i < n; ++i) {
        sab += (a[i] - ma) * (b[i] - mb);
        saa += (a[i] - ma) * (a[i] - ma);
        sbb += (b[i] - mb) * (b[i] - mb);
    }
    if (saa == 0 || sbb == 0) return saa == sbb ? 1 : 0;
    return sab / std::sqrt(saa * sbb);
}

struct Agreement {
    double exact = 0, withinOneRow = 0, correlation = 0;
    double oursEnd = -1, referenceEnd = -1;
};

// Exact: the same order and row at the same instant. Within one row: ours is at the
// reference's position, or at the one it had just before or comes to just after.
Agreement Compare(const Render& ours, const Render& ref) {
    Agreement a;
    a.oursEnd = ours.endSeconds;
    a.referenceEnd = ref.endSeconds;
    const size_t n = std::min(ours.positions.size(), ref.positions.size());
    if (n == 0) return a;
    size_t exact = 0, near = 0;
    for (size_t i = 0; i < n; ++i) {
        const auto& p = ours.positions[i];
        const auto& q = ref.positions[i];
        if (p == q) {
            ++exact;
            ++near;
            continue;
        }
        size_t back = i;
        while (back > 0 && ref.positions[back] == q) --back;
        size_t ahead = i;
        while (ahead + 1 < ref.positions.size() && ref.positions[ahead] == q) ++ahead;
        if (ref.positions[back] == p || ref.positions[ahead] == p) ++near;
    }
    a.exact = static_cast<double>(exact) / n;
    a.withinOneRow = static_cast<double>(near) / n;
    a.correlation = Correlation(ours.rms, ref.rms);
    return a;
}

bool CompareModule(const std::string& name, const std::vector<uint8_t>& bytes, Agreement* out) {
    Render ours, ref;
    if (!RenderOurs(bytes, &ours)) return false;
    if (!RenderOpenMpt(bytes, &ref)) {
        ADD_FAILURE() << name << ": libopenmpt refuses a module our loader accepts";
        return false;
    }
    *out = Compare(ours, ref);
    std::printf("%-40s exact %5.1f%%  within one row %5.1f%%  end %7.2f s / %7.2f s  envelope r = %.3f\n",
                name.c_str(), 100 * out->exact, 100 * out->withinOneRow, out->oursEnd, out->referenceEnd,
                out->correlation);
    return true;
}

// Small modules whose timing turns on one rule each: B, C and both on one row, pattern
// loops, pattern delays, speed and tempo changes, note delay and cut.
std::vector<std::pair<std::string, TestModule>> PurposeMade() {
    std::vector<std::pair<std::string, TestModule>> out;
    TestModule base;
    base.samples = {LoopedSquare()};
    base.speed = 3;
    {
        TestModule m = base;
        m.patterns = {PackPattern(8, {{0, 0, 60, 1}, {5, 0, -1, -1, -1, Fx('C'), 4}}),
                      PackPattern(8, {{0, 0, 64, 1}, {6, 0, -1, -1, -1, Fx('B'), 3}, {6, 1, -1, -1, -1, Fx('C'), 2}}),
                      PackPattern(8, {{0, 0, 67, 1}})};
        m.orders = {0, 1, 2, 0xFE, 2, 0xFF};
        out.emplace_back("made: breaks and jumps", m);
    }
    {
        TestModule m = base;
        m.patterns = {PackPattern(12, {{0, 0, 60, 1},
                                       {2, 0, -1, -1, -1, Fx('S'), 0xB0},
                                       {4, 0, 62, 1, -1, Fx('S'), 0xB2},
                                       {6, 0, -1, -1, -1, Fx('S'), 0xE2},
                                       {7, 0, -1, -1, -1, Fx('S'), 0x61},
                                       {9, 0, 64, 1, -1, Fx('S'), 0xD1},
                                       {10, 0, -1, -1, -1, Fx('S'), 0xC2}})};
        m.orders = {0, 0, 0xFF};
        out.emplace_back("made: loops and delays", m);
    }
    {
        TestModule m = base;
        m.patterns = {PackPattern(16, {{0, 0, 60, 1, -1, Fx('T'), 0x60},
                                       {2, 0, -1, -1, -1, Fx('A'), 5},
                                       {4, 0, -1, -1, -1, Fx('T'), 0x05},
                                       {6, 0, -1, -1, -1, Fx('T'), 0x13},
                                       {8, 0, 72, 1, -1, Fx('A'), 2},
                                       {12, 0, -1, -1, -1, Fx('T'), 0x00}})};
        m.orders = {0, 0, 0xFF};
        out.emplace_back("made: speed and tempo", m);
    }
    {
        TestModule m = base;
        m.speed = 6;
        m.patterns = {PackPattern(32, {{0, 0, 60, 1, 64},
                                       {4, 0, -1, -1, -1, Fx('D'), 0x04},
                                       {8, 0, 48, 1, 32, Fx('D'), 0x40},
                                       {12, 0, -1, -1, -1, Fx('F'), 0x10},
                                       {16, 0, -1, -1, -1, Fx('E'), 0x20},
                                       {18, 0, 72, 1, -1, Fx('G'), 0x20},
                                       {20, 0, -1, -1, 20},
                                       {22, 0, 60, 1, 64, Fx('Q'), 0x02},
                                       {24, 0, 254},
                                       {26, 0, 60, 1, 48, Fx('R'), 0x48},
                                       {28, 0, -1, -1, -1, Fx('M'), 0x20},
                                       {30, 0, -1, -1, -1, Fx('V'), 0x40}})};
        m.orders = {0, 0xFF};
        out.emplace_back("made: volume and pitch", m);
    }
    return out;
}

TEST(PlayerReference, CorpusTimelineAndEnvelope) {
    UMBRAVEL_NEED_CORPUS(CorpusDir());
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(CorpusDir()))
        if (e.path().extension() == ".it") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    double nearSum = 0, correlationSum = 0;
    int count = 0;
    for (const auto& path : files) {
        Agreement a;
        if (!CompareModule(path.filename().string(), ReadBytes(path), &a)) continue;
        nearSum += a.withinOneRow;
        correlationSum += a.correlation;
        ++count;
    }
    vssMixer.module = nullptr;
    ASSERT_GT(count, 0);
    std::printf("%d modules: mean within one row %.1f%%, mean envelope r = %.3f\n", count, 100 * nearSum / count,
                correlationSum / count);
    // Loose: a broken row step, pattern change or speed would fall far below these.
    EXPECT_GT(nearSum / count, 0.8);
    EXPECT_GT(correlationSum / count, 0.5);
}

TEST(PlayerReference, PurposeMadeTimelines) {
    for (const auto& [name, module] : PurposeMade()) {
        Agreement a;
        ASSERT_TRUE(CompareModule(name, BuildIt(module), &a)) << name;
        EXPECT_GT(a.withinOneRow, 0.95) << name;
        if (a.referenceEnd > 0) {
            EXPECT_NEAR(a.oursEnd, a.referenceEnd, 0.2) << name;
        }
    }
    vssMixer.module = nullptr;
}

}  // namespace
