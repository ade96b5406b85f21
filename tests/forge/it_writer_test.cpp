// The IT writer against the program's own reader: every compressed sample decodes back to
// exactly its samples, whatever widths it needs; a module written in memory loads with its
// header, keyboard, envelopes, loops and patterns intact; packing with last values
// unpacks to the cells given; broken modules are refused before anything is written.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "it_compress.h"
#include "it_writer.h"
#include "paint.h"
#include "shell/random.h"
#include "sound/it_sample_codec.h"
#include "sound/sound_internal.h"

using namespace forge;

namespace {

std::vector<int16_t> Signal(int kind, size_t n, int bits) {
    Rng rng(1234 + kind);
    const int top = bits == 8 ? 127 : 32767;
    std::vector<int16_t> v(n);
    for (size_t i = 0; i < n; ++i) {
        double t = static_cast<double>(i);
        double x = 0;
        switch (kind) {
            case 0: x = 0; break;                                                 // silence: width 1
            case 1: x = top * 0.9 * std::sin(t * 0.01); break;                    // smooth: narrow widths
            case 2: x = rng.Range(-1, 1) * top; break;                            // noise: wide widths
            case 3: x = (i / 7) % 2 ? top : -top - 1; break;                      // full-range jumps (wrap)
            case 4: x = std::sin(t * 0.001) * top * std::pow(0.5, (i / 300) % (bits + 1)); break;  // every size
            case 5: x = ((i * 37) % 11 < 5 ? 1 : -1) * static_cast<double>((i % 64) << (i / 64 % (bits - 1))); break;
        }
        long s = std::lround(x);
        if (s > top) s = top;
        if (s < -top - 1) s = -top - 1;
        v[i] = static_cast<int16_t>(s);
    }
    return v;
}

std::vector<int16_t> RoundTrip(const std::vector<int16_t>& in, bool sixteen, size_t* packed = nullptr) {
    std::vector<uint8_t> bytes;
    if (sixteen) {
        bytes = CompressItSample16(in.data(), in.size());
    } else {
        std::vector<int8_t> b(in.begin(), in.end());
        bytes = CompressItSample8(b.data(), b.size());
    }
    if (packed) *packed = bytes.size();
    std::vector<int16_t> out(in.size());
    if (sixteen) {
        EXPECT_EQ(VssDecodeItSample(bytes.data(), bytes.size(), out.data(), static_cast<int32_t>(in.size()), true, false),
                  static_cast<int32_t>(in.size()));
    } else {
        std::vector<int8_t> b(in.size());
        EXPECT_EQ(VssDecodeItSample(bytes.data(), bytes.size(), b.data(), static_cast<int32_t>(in.size()), false, false),
                  static_cast<int32_t>(in.size()));
        out.assign(b.begin(), b.end());
    }
    return out;
}

}  // namespace

TEST(ItCompress, EverySignalDecodesExactlyAtBothWidthsAndAcrossBlocks) {
    // Lengths straddle the block sizes: 0x8000 8-bit samples, 0x4000 16-bit samples.
    for (int bits : {8, 16}) {
        for (size_t n : {size_t{1}, size_t{5}, size_t{0x3FFF}, size_t{0x4000}, size_t{0x4001}, size_t{0x8001},
                         size_t{0x9000}}) {
            for (int kind = 0; kind < 6; ++kind) {
                std::vector<int16_t> in = Signal(kind, n, bits);
                EXPECT_EQ(RoundTrip(in, bits == 16), in) << bits << "-bit kind " << kind << " length " << n;
            }
        }
    }
}

TEST(ItCompress, SmoothDataShrinksAndNoiseStaysNearItsSize) {
    size_t silent = 0, smooth = 0, noise = 0;
    RoundTrip(Signal(0, 0x4000, 16), true, &silent);
    RoundTrip(Signal(1, 0x4000, 16), true, &smooth);
    RoundTrip(Signal(2, 0x4000, 16), true, &noise);
    EXPECT_LT(silent, 0x4000u / 7);      // one bit a sample, and a change code
    EXPECT_LT(smooth, 0x8000u * 3 / 4);  // differences of a slow sine need well under 16 bits
    EXPECT_LE(noise, 0x4000u * 17 / 8 + 2);
    // The same samples always give the same bytes.
    std::vector<int16_t> s = Signal(4, 0x5000, 16);
    EXPECT_EQ(CompressItSample16(s.data(), s.size()), CompressItSample16(s.data(), s.size()));
}

namespace {

ItModule SmallModule() {
    ItModule m;
    m.title = "Round trip";
    m.speed = 5;
    m.tempo = 140;
    m.mixVolume = 40;
    m.globalVolume = 100;
    m.channelPan[1] = 10;
    m.channelVolume[2] = 33;
    m.orders = {1, 0xFE, 0, 1};

    ItSample a;  // 16-bit, forward loop and ping-pong sustain loop, auto-vibrato
    a.name = "sixteen";
    a.data = Signal(1, 40000, 16);
    a.c5Speed = 8363;
    a.loop = true, a.loopBegin = 100, a.loopEnd = 39000;
    a.sustainLoop = true, a.sustainPingPong = true, a.sustainBegin = 200, a.sustainEnd = 300;
    a.vibratoSpeed = 10, a.vibratoDepth = 4, a.vibratoRate = 30, a.vibratoWave = 1;
    a.defaultPan = 20;
    a.globalVolume = 50;
    a.defaultVolume = 40;
    ItSample b;  // 8-bit, ping-pong loop
    b.name = "eight";
    b.sixteenBit = false;
    b.data = Signal(2, 3000, 8);
    b.c5Speed = 44100;
    b.loop = true, b.pingPong = true, b.loopBegin = 10, b.loopEnd = 3000;
    ItSample empty;
    m.samples = {a, b, empty};

    ItInstrument i1;
    i1.name = "one";
    i1.MapAll(1);
    i1.MapRange(72, 119, 2);
    i1.keyNote[10] = 22;  // key 10 plays note 22
    i1.nna = ItNna::NoteFade, i1.dct = ItDct::Sample, i1.dca = ItDca::NoteOff;
    i1.fadeOut = 200, i1.globalVolume = 90, i1.defaultPan = 48, i1.randomVolume = 25, i1.randomPan = 12;
    i1.pitchPanSeparation = -8, i1.pitchPanCentre = 48;
    i1.volume.on = true, i1.volume.sustain = true, i1.volume.sustainBegin = 1, i1.volume.sustainEnd = 1;
    i1.volume.nodes = {{0, 64}, {4, 0}, {10, 32}};
    i1.pitch.on = true, i1.pitch.loop = true, i1.pitch.loopBegin = 0, i1.pitch.loopEnd = 1;
    i1.pitch.nodes = {{0, -32}, {3, 32}};
    ItInstrument i2;
    i2.name = "two";
    i2.MapRange(0, 59, 2);
    m.instruments = {i1, i2};

    ItPattern p0(64, 4), p1(32, 3);
    p0.At(0, 0) = {60, 1, 64, ItEffect('A'), 4};
    p0.At(1, 0) = {60, 1, 64, ItEffect('A'), 4};  // every field repeats: last values
    p0.At(2, 0) = {kItNoteOff, 0, -1, 0, 0};
    p0.At(3, 3) = {kItNoteCut, 2, 200, ItEffect('S'), 0xD3};
    p1.At(31, 2) = {kItNoNote, 0, 128, ItEffect('Z'), 0};
    m.patterns = {p0, p1};
    return m;
}

// Reads a packed pattern back into cells the way a tracker does.
ItPattern Unpack(const std::vector<uint8_t>& d, int rows, int channels) {
    ItPattern p(rows, channels);
    int mask[64] = {}, note[64] = {}, ins[64] = {}, vol[64] = {}, fx[64] = {}, par[64] = {};
    size_t at = 0;
    for (int row = 0; row < rows; ++row) {
        while (at < d.size()) {
            int c = d[at++];
            if (c == 0) break;
            int ch = (c - 1) & 63;
            if (c & 0x80) mask[ch] = d[at++];
            ItCell& cell = p.At(row, ch);
            int m = mask[ch];
            if (m & 1) note[ch] = d[at++];
            if (m & 2) ins[ch] = d[at++];
            if (m & 4) vol[ch] = d[at++];
            if (m & 8) fx[ch] = d[at++], par[ch] = d[at++];
            if (m & 0x11) cell.note = static_cast<uint8_t>(note[ch]);
            if (m & 0x22) cell.instrument = static_cast<uint8_t>(ins[ch]);
            if (m & 0x44) cell.volume = static_cast<int16_t>(vol[ch]);
            if (m & 0x88) cell.effect = static_cast<uint8_t>(fx[ch]), cell.param = static_cast<uint8_t>(par[ch]);
        }
    }
    EXPECT_EQ(at, d.size());
    return p;
}

bool SameCells(const ItPattern& a, const ItPattern& b) {
    for (int r = 0; r < a.Rows(); ++r)
        for (int c = 0; c < a.Channels(); ++c) {
            const ItCell &x = a.At(r, c), &y = b.At(r, c);
            if (x.note != y.note || x.instrument != y.instrument || x.volume != y.volume || x.effect != y.effect ||
                (x.effect && x.param != y.param))
                return false;
        }
    return true;
}

}  // namespace

TEST(ItWriter, ModuleLoadsInOurLoaderWithEveryFieldInPlace) {
    ItModule m = SmallModule();
    std::vector<uint8_t> file = ItFileBytes(m);
    ASSERT_GT(file.size(), 0xC0u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "IMPM");
    EXPECT_EQ(file[0x28] | file[0x29] << 8, 0x214);
    EXPECT_EQ(file[0x2A] | file[0x2B] << 8, 0x214);
    EXPECT_EQ((file[0x2C] | file[0x2D] << 8) & 0x1C, 0x0C);  // instruments, linear slides, no old effects
    EXPECT_EQ(file[0x20], 5);                                // four orders and the end marker
    EXPECT_EQ(file[0xC0 + 4], 0xFF);

    VssState = 0;
    SeedRandom(17);
    ASSERT_EQ(VssMixerSetup(kVss16BitStereo, 1, 44100, 32), 1);
    VssModule* mod = VSS_LoadIT(file.data(), file.size(), 0);
    ASSERT_NE(mod, nullptr) << VSS_GetErrorText(VSS_LastError);
    EXPECT_EQ(mod->initialSpeed, 5);
    EXPECT_EQ(mod->initialTempo, 140);
    EXPECT_EQ(mod->fileMixVolume, 40);
    EXPECT_EQ(mod->fileGlobalVolume, 100);
    EXPECT_EQ(mod->numInstruments, 2);
    EXPECT_EQ(mod->numSamples, 3);
    EXPECT_EQ(mod->orders[1], 0xFE);

    const VssSample& a = mod->samples[0];
    ASSERT_EQ(a.length, 40000);
    EXPECT_EQ(a.c5Speed, 8363);
    EXPECT_EQ(a.flags & 0xF2, 0x02 | 0x10 | 0x20 | 0x80);
    EXPECT_EQ(a.loopBegin, 100);
    EXPECT_EQ(a.loopEnd, 39000);
    EXPECT_EQ(a.sustainBegin, 200);
    EXPECT_EQ(a.sustainEnd, 300);
    EXPECT_EQ(a.defaultPan, 0x80 | 20);
    EXPECT_EQ(a.globalVolume, 50);
    EXPECT_EQ(a.defaultVolume, 40);
    EXPECT_EQ(a.vibratoSpeed, 10);
    EXPECT_EQ(a.vibratoDepth, 4);
    EXPECT_EQ(a.vibratoRate, 30);
    EXPECT_EQ(a.vibratoWaveform, 1);
    EXPECT_TRUE(std::equal(m.samples[0].data.begin(), m.samples[0].data.end(), static_cast<const int16_t*>(a.data)));
    const VssSample& b = mod->samples[1];
    ASSERT_EQ(b.length, 3000);
    EXPECT_EQ(b.flags & 0xF2, 0x10 | 0x40);
    EXPECT_TRUE(std::equal(m.samples[1].data.begin(), m.samples[1].data.end(), static_cast<const int8_t*>(b.data)));
    EXPECT_EQ(mod->samples[2].length, 0);

    const VssInstrument& i = mod->instruments[0];
    EXPECT_EQ(i.newNoteAction, 3);
    EXPECT_EQ(i.dupCheckType, 2);
    EXPECT_EQ(i.dupCheckAction, 1);
    EXPECT_EQ(i.fadeOut, 200);
    EXPECT_EQ(i.globalVolume, 90);
    EXPECT_EQ(i.defaultPan, 48);
    EXPECT_EQ(i.randomVolume, 25);
    EXPECT_EQ(i.randomPan, 12);
    EXPECT_EQ(i.pitchPanSeparation, -8);
    EXPECT_EQ(i.pitchPanCentre, 48);
    EXPECT_EQ(i.keyboard[60].sample, &mod->samples[0]);
    EXPECT_EQ(i.keyboard[60].frequency, 8363);
    EXPECT_EQ(i.keyboard[72].sample, &mod->samples[1]);
    EXPECT_EQ(i.keyboard[72].frequency, 44100 * 2);
    EXPECT_NEAR(i.keyboard[10].frequency, 8363.0 * std::pow(2.0, (22 - 60) / 12.0), 1.0);
    const VssEnvelope& v = i.envelopes[kVssEnvVolume];
    EXPECT_EQ(v.flags & 7, 1 | 4);
    EXPECT_EQ(v.lastTick, 10);
    EXPECT_EQ(v.sustainBegin, 4);
    EXPECT_EQ(v.values[0], 64);
    EXPECT_EQ(v.values[2], 32);
    EXPECT_EQ(v.values[7], 16);
    const VssEnvelope& pe = i.envelopes[kVssEnvPitch];
    EXPECT_EQ(pe.flags & 7, 1 | 2);
    EXPECT_EQ(pe.loopEnd, 3);
    EXPECT_EQ(pe.values[0], -32);
    EXPECT_EQ(mod->instruments[1].keyboard[60].sample, nullptr);
    EXPECT_EQ(mod->instruments[1].envelopes[kVssEnvVolume].flags & 1, 0);
    // Default pan off comes out with bit 7 set.
    EXPECT_NE(mod->instruments[1].defaultPan & 0x80, 0);

    ASSERT_GE(mod->numPatterns, 2);
    EXPECT_EQ(mod->patterns[0].rows, 64);
    EXPECT_EQ(mod->patterns[1].rows, 32);
    std::vector<uint8_t> packed(mod->patterns[0].data, mod->patterns[0].data + mod->patterns[0].length);
    EXPECT_TRUE(SameCells(Unpack(packed, 64, 4), m.patterns[0]));
    VSS_FreeModule(mod);
}

TEST(ItWriter, PackingUsesLastValuesAndUnpacksToTheSameCells) {
    ItPattern p(16, 8);
    for (int r = 0; r < 16; ++r) {
        p.At(r, 0) = {static_cast<uint8_t>(48 + (r % 3)), 1, static_cast<int16_t>(r < 8 ? 64 : 30), 0, 0};
        if (r % 4 == 0) p.At(r, 7) = {kItNoNote, 0, -1, ItEffect('Q'), 0x13};
        if (r == 5) p.At(r, 3) = {kItNoteFade, 3, 0, ItEffect('D'), 0x0F};
    }
    std::vector<uint8_t> d = PackItPattern(p);
    EXPECT_TRUE(SameCells(Unpack(d, 16, 8), p));
    // A row that repeats every field of the row before stores a channel byte and a mask
    // of last-value bits, nothing else.
    ItPattern q(2, 1);
    q.At(0, 0) = {50, 2, 40, ItEffect('H'), 0x44};
    q.At(1, 0) = {50, 2, 40, ItEffect('H'), 0x44};
    std::vector<uint8_t> e = PackItPattern(q);
    std::vector<uint8_t> want = {0x81, 0x0F, 50, 2, 40, 8, 0x44, 0, 0x81, 0xF0, 0};
    EXPECT_EQ(e, want);
    // Empty rows are single zero bytes.
    EXPECT_EQ(PackItPattern(ItPattern(3, 4)), (std::vector<uint8_t>{0, 0, 0}));
}

TEST(ItWriter, BrokenModulesAreRefused) {
    auto refused = [](auto change) {
        ItModule m = SmallModule();
        change(m);
        VectorSink sink;
        EXPECT_THROW(WriteIt(sink, m), std::invalid_argument);
        EXPECT_TRUE(sink.bytes.empty());
    };
    refused([](ItModule& m) { m.orders = {}; });
    refused([](ItModule& m) { m.orders = {7}; });
    refused([](ItModule& m) { m.samples[0].loopEnd = 40001; });
    refused([](ItModule& m) { m.samples[1].data[3] = 300; });
    refused([](ItModule& m) { m.instruments[0].volume.nodes = {{0, 64}, {0, 10}}; });
    refused([](ItModule& m) { m.instruments[0].volume.nodes.assign(26, {}); });
    refused([](ItModule& m) { m.instruments[0].keySample[5] = 9; });
    refused([](ItModule& m) { m.patterns[0].At(5, 1).instrument = 3; });
    refused([](ItModule& m) { m.patterns[0].At(5, 1).volume = 126; });
    refused([](ItModule& m) { m.tempo = 20; });
}
