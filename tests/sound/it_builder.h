// it_builder.h -- writes small IT modules in memory for the sound tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

struct TestEnvelope {
    uint8_t flags = 0;
    std::vector<std::pair<int8_t, int16_t>> nodes;  // value, tick
    uint8_t loopBegin = 0, loopEnd = 0, sustainBegin = 0, sustainEnd = 0;
};

struct TestInstrument {
    uint8_t newNoteAction = 0, dupCheckType = 0, dupCheckAction = 0;
    int16_t fadeOut = 0;
    uint8_t globalVolume = 128, defaultPan = 32 | 0x80;
    uint8_t keyNote[120];
    uint8_t keySample[120];
    TestEnvelope envelopes[3];
    TestInstrument() {
        for (int k = 0; k < 120; ++k) {
            keyNote[k] = static_cast<uint8_t>(k);
            keySample[k] = 1;
        }
    }
};

struct TestSample {
    uint8_t flags = 0x01;  // sample present
    uint8_t convert = 0x01;
    uint8_t globalVolume = 64, defaultVolume = 64, defaultPan = 32;
    uint32_t length = 0, loopBegin = 0, loopEnd = 0, sustainBegin = 0, sustainEnd = 0;
    uint32_t c5Speed = 8363;
    std::vector<uint8_t> data;   // stored as it is (raw or compressed blocks)
    bool dataOffsetPastEnd = false;
};

struct TestPattern {
    uint16_t rows = 64;
    std::vector<uint8_t> packed;
    bool missing = false;        // offset 0 in the table
};

struct TestModule {
    int16_t created = 0x0217, compatible = 0x0200;
    uint16_t flags = 0x000D;     // stereo, instruments, linear slides
    uint8_t globalVolume = 128, mixVolume = 48, speed = 6, tempo = 125;
    std::vector<uint8_t> orders = {0, 0xFF};
    std::vector<TestInstrument> instruments = {TestInstrument{}};
    std::vector<TestSample> samples;
    std::vector<TestPattern> patterns = {TestPattern{}};
};

inline void Poke16(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    f[at] = static_cast<uint8_t>(v);
    f[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void Poke32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    Poke16(f, at, v & 0xFFFF);
    Poke16(f, at + 2, v >> 16);
}

inline std::vector<uint8_t> BuildIt(const TestModule& m) {
    std::vector<uint8_t> f(0xC0, 0);
    std::memcpy(f.data(), "IMPM", 4);
    Poke16(f, 0x20, static_cast<uint32_t>(m.orders.size()));
    Poke16(f, 0x22, static_cast<uint32_t>(m.instruments.size()));
    Poke16(f, 0x24, static_cast<uint32_t>(m.samples.size()));
    Poke16(f, 0x26, static_cast<uint32_t>(m.patterns.size()));
    Poke16(f, 0x28, static_cast<uint16_t>(m.created));
    Poke16(f, 0x2A, static_cast<uint16_t>(m.compatible));
    Poke16(f, 0x2C, m.flags);
    f[0x30] = m.globalVolume;
    f[0x31] = m.mixVolume;
    f[0x32] = m.speed;
    f[0x33] = m.tempo;
    for (int c = 0; c < 64; ++c) {
        f[0x40 + c] = 32;
        f[0x80 + c] = 64;
    }
    f.insert(f.end(), m.orders.begin(), m.orders.end());
    const size_t table = f.size();
    f.resize(f.size() + 4 * (m.instruments.size() + m.samples.size() + m.patterns.size()), 0);
    for (size_t i = 0; i < m.instruments.size(); ++i) {
        const TestInstrument& ins = m.instruments[i];
        size_t at = f.size();
        Poke32(f, table + 4 * i, static_cast<uint32_t>(at));
        f.resize(at + 554, 0);
        std::memcpy(&f[at], "IMPI", 4);
        f[at + 0x11] = ins.newNoteAction;
        f[at + 0x12] = ins.dupCheckType;
        f[at + 0x13] = ins.dupCheckAction;
        Poke16(f, at + 0x14, static_cast<uint16_t>(ins.fadeOut));
        f[at + 0x18] = ins.globalVolume;
        f[at + 0x19] = ins.defaultPan;
        for (int k = 0; k < 120; ++k) {
            f[at + 0x40 + 2 * k] = ins.keyNote[k];
            f[at + 0x41 + 2 * k] = ins.keySample[k];
        }
        const size_t envAt[3] = {0x130, 0x182, 0x1D4};
        for (int e = 0; e < 3; ++e) {
            const TestEnvelope& env = ins.envelopes[e];
            size_t b = at + envAt[e];
            f[b] = env.flags;
            f[b + 1] = static_cast<uint8_t>(env.nodes.size());
            f[b + 2] = env.loopBegin;
            f[b + 3] = env.loopEnd;
            f[b + 4] = env.sustainBegin;
            f[b + 5] = env.sustainEnd;
            for (size_t n = 0; n < env.nodes.size() && n < 25; ++n) {
                f[b + 6 + 3 * n] = static_cast<uint8_t>(env.nodes[n].first);
                Poke16(f, b + 7 + 3 * n, static_cast<uint16_t>(env.nodes[n].second));
            }
        }
    }
    std::vector<size_t> sampleHeaders;
    for (size_t i = 0; i < m.samples.size(); ++i) {
        const TestSample& s = m.samples[i];
        size_t at = f.size();
        sampleHeaders.push_back(at);
        Poke32(f, table + 4 * (m.instruments.size() + i), static_cast<uint32_t>(at));
        f.resize(at + 0x50, 0);
        std::memcpy(&f[at], "IMPS", 4);
        f[at + 0x11] = s.globalVolume;
        f[at + 0x12] = s.flags;
        f[at + 0x13] = s.defaultVolume;
        f[at + 0x2E] = s.convert;
        f[at + 0x2F] = s.defaultPan;
        Poke32(f, at + 0x30, s.length);
        Poke32(f, at + 0x34, s.loopBegin);
        Poke32(f, at + 0x38, s.loopEnd);
        Poke32(f, at + 0x3C, s.c5Speed);
        Poke32(f, at + 0x40, s.sustainBegin);
        Poke32(f, at + 0x44, s.sustainEnd);
    }
    for (size_t i = 0; i < m.patterns.size(); ++i) {
        const TestPattern& p = m.patterns[i];
        if (p.missing) continue;
        size_t at = f.size();
        Poke32(f, table + 4 * (m.instruments.size() + m.samples.size() + i), static_cast<uint32_t>(at));
        f.resize(at + 8, 0);
        Poke16(f, at, static_cast<uint32_t>(p.packed.size()));
        Poke16(f, at + 2, p.rows);
        f.insert(f.end(), p.packed.begin(), p.packed.end());
    }
    for (size_t i = 0; i < m.samples.size(); ++i) {
        const TestSample& s = m.samples[i];
        Poke32(f, sampleHeaders[i] + 0x48, static_cast<uint32_t>(s.dataOffsetPastEnd ? f.size() + 1000 : f.size()));
        f.insert(f.end(), s.data.begin(), s.data.end());
    }
    return f;
}

// A raw 8-bit sample of the given values.
inline TestSample Raw8(const std::vector<int8_t>& values) {
    TestSample s;
    s.length = static_cast<uint32_t>(values.size());
    for (int8_t v : values) s.data.push_back(static_cast<uint8_t>(v));
    return s;
}

// One cell of a purpose-made pattern; -1 (or effect 0) leaves a field out.
struct TestCell {
    int row = 0, channel = 0;  // channel 0..63
    int note = -1, instrument = -1, volume = -1, effect = 0, parameter = 0;
};

// Effect letters as IT numbers them: 'A' is 1.
constexpr int Fx(char letter) { return letter - 'A' + 1; }

// Packs cells (in any order) into IT's row format, a fresh mask byte on every entry.
inline TestPattern PackPattern(uint16_t rows, std::vector<TestCell> cells) {
    TestPattern p;
    p.rows = rows;
    for (int r = 0; r < rows; ++r) {
        for (const TestCell& c : cells) {
            if (c.row != r) continue;
            uint8_t mask = (c.note >= 0 ? 1 : 0) | (c.instrument >= 0 ? 2 : 0) | (c.volume >= 0 ? 4 : 0) |
                           (c.effect > 0 ? 8 : 0);
            p.packed.push_back(static_cast<uint8_t>(0x80 | (c.channel + 1)));
            p.packed.push_back(mask);
            if (c.note >= 0) p.packed.push_back(static_cast<uint8_t>(c.note));
            if (c.instrument >= 0) p.packed.push_back(static_cast<uint8_t>(c.instrument));
            if (c.volume >= 0) p.packed.push_back(static_cast<uint8_t>(c.volume));
            if (c.effect > 0) {
                p.packed.push_back(static_cast<uint8_t>(c.effect));
                p.packed.push_back(static_cast<uint8_t>(c.parameter));
            }
        }
        p.packed.push_back(0);
    }
    return p;
}

// A looping 8-bit square wave of 32 samples.
inline TestSample LoopedSquare() {
    std::vector<int8_t> v(32);
    for (int i = 0; i < 32; ++i) v[i] = i < 16 ? 60 : -60;
    TestSample s = Raw8(v);
    s.flags |= 0x10;
    s.loopBegin = 0;
    s.loopEnd = 32;
    return s;
}
