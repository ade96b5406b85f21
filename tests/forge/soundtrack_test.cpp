// The show's music as the show uses it: the orders last what the sections count on
// (order 0 of 144 rows, then 384 ticks an order), the file loads in our loader with every
// sample exact and in libopenmpt without a warning on the same timeline, two builds give
// the same bytes, and measured through a player the piece keeps its levels and its arc:
// a quiet title, a heart that builds, a loud war, a bright brain and a calm close.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <string>

#include "content.h"
#include "shell/random.h"
#include "soundtrack.h"
#include "sound/sound_internal.h"

using namespace forge;

namespace {

constexpr double kRowSeconds = 6 * 2.5 / 110;  // speed 6, tempo 110
constexpr int kRate = 44100;

const ItModule& Module() {
    static const ItModule m = SoundtrackModule();
    return m;
}
const std::vector<uint8_t>& File() {
    static const std::vector<uint8_t> f = SoundtrackBytes();
    return f;
}

// Ticks of every order as a player counts them: speed changes (A), fine pattern delays
// (S6x) and row delays (SEx) all count.
std::vector<int> TicksPerOrder(const ItModule& m) {
    std::vector<int> out;
    int speed = m.speed;
    for (uint8_t o : m.orders) {
        const ItPattern& p = m.patterns[o];
        int ticks = 0;
        for (int r = 0; r < p.Rows(); ++r) {
            int extra = 0, rowDelay = 0;
            for (int c = 0; c < p.Channels(); ++c) {
                const ItCell& cell = p.At(r, c);
                if (cell.effect == ItEffect('A') && cell.param) speed = cell.param;
                if (cell.effect == ItEffect('S') && (cell.param >> 4) == 6) extra += cell.param & 15;
                if (cell.effect == ItEffect('S') && (cell.param >> 4) == 0xE) rowDelay = cell.param & 15;
                EXPECT_NE(cell.effect, ItEffect('T')) << "order " << int(o) << " row " << r << " changes the tempo";
                EXPECT_NE(cell.effect, ItEffect('B')) << "order " << int(o) << " row " << r << " jumps";
                EXPECT_NE(cell.effect, ItEffect('C')) << "order " << int(o) << " row " << r << " breaks";
            }
            ticks += speed * (1 + rowDelay) + extra;
        }
        out.push_back(ticks);
    }
    return out;
}

// A stereo render, 32-bit float, and the first frame of every order.
struct Render {
    std::vector<float> left, right;
    std::vector<size_t> orderStart;
};

// Integrated loudness (ITU-R BS.1770 K-weighting, 400 ms blocks, absolute and relative gates).
double IntegratedLoudness(const Render& r) {
    auto weighted = [](const std::vector<float>& x) {
        const double fs = kRate;
        std::vector<double> y(x.size());
        double K = std::tan(M_PI * 1681.974450955533 / fs), Q = 0.7071752369554196;
        double Vh = std::pow(10.0, 3.999843853973347 / 20), Vb = std::pow(Vh, 0.4996667741545416);
        double a0 = 1 + K / Q + K * K;
        double b[3] = {(Vh + Vb * K / Q + K * K) / a0, 2 * (K * K - Vh) / a0, (Vh - Vb * K / Q + K * K) / a0};
        double a[2] = {2 * (K * K - 1) / a0, (1 - K / Q + K * K) / a0};
        double K2 = std::tan(M_PI * 38.13547087602444 / fs), Q2 = 0.5003270373238773;
        double c0 = 1 + K2 / Q2 + K2 * K2;
        double c[2] = {2 * (K2 * K2 - 1) / c0, (1 - K2 / Q2 + K2 * K2) / c0};
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0, u1 = 0, u2 = 0, z1 = 0, z2 = 0;
        for (size_t i = 0; i < x.size(); ++i) {
            double u = b[0] * x[i] + b[1] * x1 + b[2] * x2 - a[0] * y1 - a[1] * y2;
            x2 = x1, x1 = x[i], y2 = y1, y1 = u;
            double z = u - 2 * u1 + u2 - c[0] * z1 - c[1] * z2;
            u2 = u1, u1 = u, z2 = z1, z1 = z;
            y[i] = z;
        }
        return y;
    };
    std::vector<double> l = weighted(r.left), rr = weighted(r.right);
    const size_t block = kRate * 4 / 10, hop = block / 4;
    std::vector<double> power;
    for (size_t at = 0; at + block <= l.size(); at += hop) {
        double s = 0;
        for (size_t i = at; i < at + block; ++i) s += l[i] * l[i] + rr[i] * rr[i];
        power.push_back(s / block);
    }
    auto gated = [&](double threshold) {
        double sum = 0;
        int n = 0;
        for (double p : power)
            if (-0.691 + 10 * std::log10(p + 1e-20) > threshold) sum += p, ++n;
        return n ? sum / n : 1e-20;
    };
    double ungated = -0.691 + 10 * std::log10(gated(-70));
    return -0.691 + 10 * std::log10(gated(ungated - 10));
}

void Fft(std::vector<std::complex<double>>& a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        std::complex<double> w(std::cos(-2 * M_PI / len), std::sin(-2 * M_PI / len));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> wn(1);
            for (size_t k = 0; k < len / 2; ++k, wn *= w) {
                std::complex<double> u = a[i + k], v = a[i + k + len / 2] * wn;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
}

struct OrderMeasure {
    double rmsDb, centroidHz;
};

// RMS of both channels and the spectral centroid of the summed power spectrum (power
// rather than magnitude, so the faint images of a mixer without interpolation do not
// count as brightness).
std::vector<OrderMeasure> MeasureOrders(const Render& r) {
    std::vector<OrderMeasure> out;
    const size_t n = 4096;
    std::vector<double> window(n);
    for (size_t i = 0; i < n; ++i) window[i] = 0.5 - 0.5 * std::cos(2 * M_PI * i / n);
    for (size_t o = 0; o + 1 < r.orderStart.size(); ++o) {
        size_t a = r.orderStart[o], b = r.orderStart[o + 1];
        double sum = 0;
        for (size_t i = a; i < b; ++i) sum += r.left[i] * r.left[i] + r.right[i] * r.right[i];
        std::vector<double> spectrum(n / 2, 0.0);
        std::vector<std::complex<double>> buf(n);
        for (size_t at = a; at + n <= b; at += n) {
            for (size_t i = 0; i < n; ++i) buf[i] = window[i] * 0.5 * (r.left[at + i] + r.right[at + i]);
            Fft(buf);
            for (size_t k = 0; k < n / 2; ++k) spectrum[k] += std::norm(buf[k]);
        }
        double num = 0, den = 1e-20;
        for (size_t k = 1; k < n / 2; ++k) num += spectrum[k] * k * kRate / n, den += spectrum[k];
        out.push_back({10 * std::log10(sum / (2.0 * (b - a)) + 1e-20), num / den});
    }
    return out;
}

void PrintTable(const char* player, const Render& r) {
    std::vector<OrderMeasure> m = MeasureOrders(r);
    std::printf("%s: order  start s   RMS dBFS  centroid Hz\n", player);
    for (size_t o = 0; o < m.size(); ++o)
        std::printf("%s: %5zu  %7.3f  %8.1f  %11.0f\n", player, o, r.orderStart[o] / double(kRate), m[o].rmsDb,
                    m[o].centroidHz);
}

// The arc, as levels and brightness: a quiet title, a heart that grows, a war louder than
// the heart's start, a brain brighter than the heart, a calm close.
void ExpectArc(const Render& r) {
    std::vector<OrderMeasure> m = MeasureOrders(r);
    ASSERT_EQ(m.size(), 26u);
    auto mean = [&](int a, int b, bool centroid) {
        double s = 0;
        for (int o = a; o <= b; ++o) s += centroid ? m[o].centroidHz : m[o].rmsDb;
        return s / (b - a + 1);
    };
    EXPECT_LT(m[0].rmsDb, mean(3, 8, false) - 3) << "the title is not quieter than the heart";
    EXPECT_LT(m[3].rmsDb, m[8].rmsDb - 2) << "the heart does not build";
    EXPECT_GT(mean(10, 17, false), mean(3, 5, false) + 2) << "the war is not louder than the heart's start";
    EXPECT_GT(mean(19, 22, true), mean(3, 8, true) * 1.2) << "the brain is not brighter than the heart";
    EXPECT_GT(mean(19, 22, true), mean(10, 17, true)) << "the brain is not brighter than the war";
    EXPECT_LT(mean(24, 25, false), mean(10, 17, false) - 6) << "the close is not calm";
    EXPECT_LT(m[25].rmsDb, m[24].rmsDb) << "the last order does not fade";
}

Render RenderWithLibopenmpt(std::string* warnings) {
    auto log = [](const char* message, void* user) { *static_cast<std::string*>(user) += std::string(message) + "\n"; };
    openmpt_module* mod = openmpt_module_create_from_memory2(File().data(), File().size(), log, warnings, nullptr,
                                                             nullptr, nullptr, nullptr, nullptr);
    Render r;
    if (!mod) return r;
    openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 1);
    // Small reads, so an order's start is known to 1.5 ms.
    std::vector<float> l(64), rr(64);
    int lastOrder = -1;
    for (;;) {
        size_t n = openmpt_module_read_float_stereo(mod, kRate, 64, l.data(), rr.data());
        if (n == 0) break;
        int order = openmpt_module_get_current_order(mod);
        if (order > lastOrder && order < kSoundtrackOrders) r.orderStart.push_back(r.left.size()), lastOrder = order;
        r.left.insert(r.left.end(), l.begin(), l.begin() + n);
        r.right.insert(r.right.end(), rr.begin(), rr.begin() + n);
    }
    r.orderStart.push_back(r.left.size());
    openmpt_module_destroy(mod);
    return r;
}

// Through our own loader, player and mixer at the show's default output: 44100 Hz,
// 16-bit stereo, 32 voices. Counts the samples at full scale.
Render RenderWithOurMixer(size_t* clipped) {
    Render r;
    VssState = 0;
    SeedRandom(17);
    EXPECT_EQ(VssMixerSetup(kVss16BitStereo, 1, kRate, 32), 1);
    VssModule* mod = VSS_LoadIT(File().data(), File().size(), 0);
    EXPECT_NE(mod, nullptr);
    if (!mod) return r;
    VSS_Play(mod);
    // One tick at a time, so every order starts on a block boundary.
    const int tick = (2 * kRate + kRate / 2) / 110;
    std::vector<int16_t> buf(static_cast<size_t>(tick) * 2);
    int lastOrder = -1;
    *clipped = 0;
    while (vssMixer.loopCount == 0 && r.left.size() < static_cast<size_t>(kRate) * 300) {
        int order = mod->currentOrder.load();
        VSS_Mix(tick * 4, buf.data());
        if (vssMixer.loopCount) break;
        int now = mod->currentOrder.load();
        if (now != lastOrder) r.orderStart.push_back(r.left.size()), lastOrder = now;
        (void)order;
        for (int i = 0; i < tick; ++i) {
            for (int c = 0; c < 2; ++c)
                if (buf[2 * i + c] == 32767 || buf[2 * i + c] == -32768) ++*clipped;
            r.left.push_back(buf[2 * i] / 32768.0f);
            r.right.push_back(buf[2 * i + 1] / 32768.0f);
        }
    }
    r.orderStart.push_back(r.left.size());
    VSS_Stop();
    VSS_FreeModule(mod);
    return r;
}

double Peak(const Render& r) {
    float p = 0;
    for (size_t i = 0; i < r.left.size(); ++i) p = std::max({p, std::fabs(r.left[i]), std::fabs(r.right[i])});
    return p;
}

}  // namespace

TEST(MusicLayout, OrdersLastWhatTheSectionsCountOn) {
    const ItModule& m = Module();
    ASSERT_EQ(m.orders.size(), 26u);
    EXPECT_EQ(m.speed, 6);
    EXPECT_EQ(m.tempo, 110);
    std::vector<int> ticks = TicksPerOrder(m);
    int rows0 = m.patterns[m.orders[0]].Rows();
    EXPECT_GE(rows0, 136);
    EXPECT_LE(rows0, 200);
    EXPECT_EQ(ticks[0], rows0 * 6) << "order 0 holds a row that is not six ticks";
    // Every order after the title lasts 8.727 s, but order 24, where the closing types
    // its messages up to row 120, which lasts twice as long.
    for (size_t o = 1; o < ticks.size(); ++o) {
        const int rows = o == 24 ? 128 : 64;
        EXPECT_EQ(m.patterns[m.orders[o]].Rows(), rows) << "order " << o;
        EXPECT_EQ(ticks[o], rows * 6) << "order " << o << " is not " << rows / 64 << " x 8.727 s long";
    }
    // The file ends its order list with the end marker straight after order 25.
    const std::vector<uint8_t>& f = File();
    EXPECT_EQ(f[0x20] | f[0x21] << 8, 27);
    EXPECT_EQ(f[0xC0 + 26], 0xFF);
}

TEST(MusicLayout, ShowMomentsHaveTheirSounds) {
    const ItModule& m = Module();
    auto hasNote = [&](int order, int row, int instrument) {
        const ItPattern& p = m.patterns[m.orders[order]];
        for (int c = 0; c < p.Channels(); ++c)
            if (p.At(row, c).instrument == instrument && p.At(row, c).note < 120) return true;
        return false;
    };
    // A bell on every typed title line, a glitch on every noise-screen onset of order 2,
    // a field drum on every camera cut of the war, a hat on every row of the brain.
    auto instrument = [&](const char* name) {
        for (size_t i = 0; i < m.instruments.size(); ++i)
            if (m.instruments[i].name == name) return static_cast<int>(i + 1);
        ADD_FAILURE() << "no instrument " << name;
        return -1;
    };
    const int bell = instrument("bell"), glitch = instrument("glitch"), drum = instrument("field drum"),
              snare = instrument("snare"),
              closedHat = instrument("closed hat"), openHat = instrument("open hat");
    for (int row : {12, 32, 60, 92}) EXPECT_TRUE(hasNote(0, row, bell)) << "title row " << row;
    for (int row : {0, 7, 10, 13, 19, 21, 27, 30, 35, 37, 39, 42}) EXPECT_TRUE(hasNote(2, row, glitch)) << row;
    for (int row = 48; row < 64; ++row) EXPECT_FALSE(hasNote(2, row, glitch)) << "row " << row;
    for (int order = 10; order < 18; ++order)
        for (int row : {0, 8, 10, 12, 14, 16, 24, 26, 28, 30, 32, 40, 42, 44, 46, 48, 56, 58, 60, 62})
            // The missile's stutter on rows 60-63 takes the kit's snare.
            EXPECT_TRUE(hasNote(order, row, drum) || (row >= 60 && hasNote(order, row, snare)))
                << "order " << order << " row " << row;
    for (int order = 19; order < 23; ++order)
        for (int row = 0; row < 64; ++row)
            EXPECT_TRUE(hasNote(order, row, closedHat) || hasNote(order, row, openHat)) << order << ":" << row;
}

TEST(MusicFile, LoadsInOurLoaderWithEverySampleExactAndTwoBuildsAlike) {
    EXPECT_EQ(File(), SoundtrackBytes());
    ContentSet set;
    for (const ContentUnit& u : ContentUnits())
        if (std::string(u.name) == "music") u.make(set);
    ASSERT_NE(set.Find("Files\\Tenebrix.it"), nullptr);
    EXPECT_EQ(set.Find("Files\\Tenebrix.it")->bytes, File());

    VssState = 0;
    SeedRandom(17);
    ASSERT_EQ(VssMixerSetup(kVss16BitStereo, 1, kRate, 32), 1);
    VssModule* mod = VSS_LoadIT(File().data(), File().size(), 0);
    ASSERT_NE(mod, nullptr) << VSS_GetErrorText(VSS_LastError);
    const ItModule& m = Module();
    ASSERT_EQ(mod->numSamples, static_cast<int>(m.samples.size()));
    for (size_t i = 0; i < m.samples.size(); ++i) {
        const ItSample& s = m.samples[i];
        const VssSample& v = mod->samples[i];
        ASSERT_EQ(v.length, static_cast<int32_t>(s.data.size())) << s.name;
        bool same = s.sixteenBit
                        ? std::equal(s.data.begin(), s.data.end(), static_cast<const int16_t*>(v.data))
                        : std::equal(s.data.begin(), s.data.end(), static_cast<const int8_t*>(v.data));
        EXPECT_TRUE(same) << s.name << " does not decode to its samples";
    }
    VSS_FreeModule(mod);
}

TEST(MusicFile, LibopenmptPlaysItWithoutWarningsOnTheSameTimeline) {
    std::string warnings;
    Render r = RenderWithLibopenmpt(&warnings);
    EXPECT_TRUE(warnings.empty()) << warnings;
    ASSERT_EQ(r.orderStart.size(), 27u);
    const double title = kSoundtrackTitleRows * kRowSeconds, order = 64 * kRowSeconds;
    // libopenmpt counts a tick in whole output frames, as our mixer does: allow 10 ms an order.
    EXPECT_NEAR(r.orderStart[1] / double(kRate), title, 0.05);
    // The last order's end is the end of the render, which holds the voices' tails.
    for (size_t o = 2; o < 26; ++o)
        EXPECT_NEAR((r.orderStart[o] - r.orderStart[o - 1]) / double(kRate), o - 1 == 24 ? 2 * order : order, 0.02)
            << "order " << o - 1;
    double total = r.left.size() / double(kRate);
    EXPECT_NEAR(total, title + 26 * order, 0.3);
    std::printf("libopenmpt: %.3f s in all; order 0 %.3f s; orders 1-24 %.4f s each on average\n", total,
                r.orderStart[1] / double(kRate), (r.orderStart[25] - r.orderStart[1]) / 25.0 / kRate);
    PrintTable("libopenmpt", r);
    std::printf("libopenmpt: peak %.3f, integrated loudness %.1f LUFS\n", Peak(r), IntegratedLoudness(r));
    ExpectArc(r);
}

TEST(MusicFile, OurMixerKeepsTheLevelsAndTheArc) {
    size_t clipped = 0;
    Render r = RenderWithOurMixer(&clipped);
    ASSERT_FALSE(r.left.empty());
    if (Peak(r) < 1e-4) GTEST_SKIP() << "this player does not play notes yet";
    double total = r.left.size() / double(kRate);
    double share = 100.0 * clipped / (2.0 * r.left.size());
    std::printf("ours: %.3f s in all, %zu orders, peak %.3f, %zu samples at full scale (%.4f%%), %.1f LUFS\n", total,
                r.orderStart.size() - 1, Peak(r), clipped, share, IntegratedLoudness(r));
    PrintTable("ours", r);
    EXPECT_LE(share, 0.01);
    double loudness = IntegratedLoudness(r);
    EXPECT_GT(loudness, -24.0);
    EXPECT_LT(loudness, -9.0);
    ASSERT_EQ(r.orderStart.size(), 27u);
    ExpectArc(r);
}
