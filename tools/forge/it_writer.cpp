// it_writer.cpp -- writes an ItModule as an Impulse Tracker file: header and order list,
// the three offset tables, instruments, sample headers, packed patterns, then the
// compressed sample data. Offsets are laid out before anything is written, so the file
// goes out front to back in one pass over the sink.
#include "it_writer.h"

#include <stdexcept>
#include <string>

#include "it_compress.h"

namespace forge {

namespace {

constexpr uint16_t kVersion = 0x0214;
constexpr size_t kHeaderSize = 0xC0;
constexpr size_t kInstrumentSize = 554;
constexpr size_t kSampleHeaderSize = 0x50;
constexpr size_t kPatternHeaderSize = 8;
constexpr uint8_t kOrderEnd = 0xFF;

void Fail(const std::string& what) { throw std::invalid_argument("IT module: " + what); }

void Check(bool ok, const std::string& what) {
    if (!ok) Fail(what);
}

// A fixed-size little-endian record filled field by field, then handed to the sink.
class Record {
public:
    explicit Record(size_t size) : bytes_(size, 0) {}
    void Byte(size_t at, int v) { bytes_.at(at) = static_cast<uint8_t>(v); }
    void Le16(size_t at, int v) {
        Byte(at, v & 0xFF);
        Byte(at + 1, (v >> 8) & 0xFF);
    }
    void Le32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) Byte(at + i, static_cast<int>((v >> (8 * i)) & 0xFF));
    }
    void Text(size_t at, const std::string& s, size_t field) {
        for (size_t i = 0; i + 1 < field && i < s.size(); ++i) Byte(at + i, static_cast<unsigned char>(s[i]));
    }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

void CheckEnvelope(const ItEnvelope& e, int lo, int hi, const char* which) {
    std::string w = which;
    Check(e.nodes.size() <= 25, w + " envelope has more than 25 nodes");
    if (e.on) Check(!e.nodes.empty(), w + " envelope is on without nodes");
    int n = static_cast<int>(e.nodes.size());
    for (int i = 0; i < n; ++i) {
        Check(e.nodes[i].value >= lo && e.nodes[i].value <= hi, w + " envelope value out of range");
        Check(e.nodes[i].tick >= 0 && e.nodes[i].tick <= 9999, w + " envelope tick out of range");
        if (i > 0) Check(e.nodes[i].tick > e.nodes[i - 1].tick, w + " envelope ticks do not rise");
    }
    if (e.loop) Check(e.loopBegin >= 0 && e.loopBegin <= e.loopEnd && e.loopEnd < n, w + " envelope loop");
    if (e.sustain)
        Check(e.sustainBegin >= 0 && e.sustainBegin <= e.sustainEnd && e.sustainEnd < n, w + " envelope sustain");
}

// An envelope without nodes goes out as the flat two-node line trackers store by default
// (64 for volume, 0 for pan and pitch), so readers never meet an empty node list.
void PutEnvelope(Record& r, size_t at, const ItEnvelope& given, int flat) {
    ItEnvelope e = given;
    if (e.nodes.empty()) e.nodes = {{0, flat}, {100, flat}};
    r.Byte(at, (e.on ? 1 : 0) | (e.loop ? 2 : 0) | (e.sustain ? 4 : 0));
    r.Byte(at + 1, static_cast<int>(e.nodes.size()));
    r.Byte(at + 2, e.loopBegin);
    r.Byte(at + 3, e.loopEnd);
    r.Byte(at + 4, e.sustainBegin);
    r.Byte(at + 5, e.sustainEnd);
    for (size_t i = 0; i < e.nodes.size(); ++i) {
        r.Byte(at + 6 + 3 * i, e.nodes[i].value);
        r.Le16(at + 7 + 3 * i, e.nodes[i].tick);
    }
}

std::vector<uint8_t> InstrumentBytes(const ItInstrument& in) {
    Check(in.fadeOut >= 0 && in.fadeOut <= 256, "fade-out out of range");
    Check(in.globalVolume >= 0 && in.globalVolume <= 128, "instrument global volume out of range");
    Check(in.defaultPan >= -1 && in.defaultPan <= 64, "instrument pan out of range");
    Check(in.randomVolume >= 0 && in.randomVolume <= 100, "random volume out of range");
    Check(in.randomPan >= 0 && in.randomPan <= 64, "random pan out of range");
    Check(in.pitchPanSeparation >= -32 && in.pitchPanSeparation <= 32, "pitch-pan separation out of range");
    Check(in.pitchPanCentre >= 0 && in.pitchPanCentre < 120, "pitch-pan centre out of range");
    CheckEnvelope(in.volume, 0, 64, "volume");
    CheckEnvelope(in.pan, -32, 32, "pan");
    CheckEnvelope(in.pitch, -32, 32, "pitch");

    Record r(kInstrumentSize);
    r.Byte(0, 'I'), r.Byte(1, 'M'), r.Byte(2, 'P'), r.Byte(3, 'I');
    r.Byte(0x11, static_cast<int>(in.nna));
    r.Byte(0x12, static_cast<int>(in.dct));
    r.Byte(0x13, static_cast<int>(in.dca));
    r.Le16(0x14, in.fadeOut);
    r.Byte(0x16, in.pitchPanSeparation);
    r.Byte(0x17, in.pitchPanCentre);
    r.Byte(0x18, in.globalVolume);
    r.Byte(0x19, in.defaultPan < 0 ? 32 | 0x80 : in.defaultPan);
    r.Byte(0x1A, in.randomVolume);
    r.Byte(0x1B, in.randomPan);
    r.Le16(0x1C, kVersion);
    int used = 0;
    for (int k = 0; k < 120; ++k) used = in.keySample[k] > used ? in.keySample[k] : used;
    r.Byte(0x1E, used);
    r.Text(0x20, in.name, 26);
    r.Byte(0x3A, 0);     // no initial filter cutoff
    r.Byte(0x3B, 0);     // nor resonance
    r.Byte(0x3C, 0);     // MIDI channel: none
    r.Byte(0x3D, 0xFF);  // MIDI program: none
    r.Le16(0x3E, 0xFFFF);
    for (int k = 0; k < 120; ++k) {
        Check(in.keyNote[k] < 120, "keyboard note out of range");
        r.Byte(0x40 + 2 * k, in.keyNote[k]);
        r.Byte(0x41 + 2 * k, in.keySample[k]);
    }
    PutEnvelope(r, 0x130, in.volume, 64);
    PutEnvelope(r, 0x182, in.pan, 0);
    PutEnvelope(r, 0x1D4, in.pitch, 0);
    return r.Bytes();
}

void CheckSample(const ItSample& s) {
    int64_t n = static_cast<int64_t>(s.data.size());
    Check(s.globalVolume >= 0 && s.globalVolume <= 64, "sample global volume out of range");
    Check(s.defaultVolume >= 0 && s.defaultVolume <= 64, "sample volume out of range");
    Check(s.defaultPan >= -1 && s.defaultPan <= 64, "sample pan out of range");
    Check(s.c5Speed > 0 && s.c5Speed <= 9999999, "C5 speed out of range");
    if (s.loop) Check(s.loopBegin >= 0 && s.loopBegin < s.loopEnd && s.loopEnd <= n, "sample loop");
    if (s.sustainLoop)
        Check(s.sustainBegin >= 0 && s.sustainBegin < s.sustainEnd && s.sustainEnd <= n, "sample sustain loop");
    Check(s.vibratoSpeed >= 0 && s.vibratoSpeed <= 64 && s.vibratoDepth >= 0 && s.vibratoDepth <= 64 &&
              s.vibratoRate >= 0 && s.vibratoRate <= 255 && s.vibratoWave >= 0 && s.vibratoWave <= 3,
          "auto-vibrato out of range");
    if (!s.sixteenBit)
        for (int16_t v : s.data) Check(v >= -128 && v <= 127, "8-bit sample value out of range");
}

std::vector<uint8_t> SampleData(const ItSample& s) {
    if (s.data.empty()) return {};
    if (s.sixteenBit) return CompressItSample16(s.data.data(), s.data.size());
    std::vector<int8_t> bytes(s.data.begin(), s.data.end());
    return CompressItSample8(bytes.data(), bytes.size());
}

std::vector<uint8_t> SampleHeader(const ItSample& s, uint32_t dataOffset) {
    Record r(kSampleHeaderSize);
    r.Byte(0, 'I'), r.Byte(1, 'M'), r.Byte(2, 'P'), r.Byte(3, 'S');
    r.Byte(0x11, s.globalVolume);
    int flags = s.data.empty() ? 0 : 0x01 | 0x08;  // data present, compressed
    if (s.sixteenBit) flags |= 0x02;
    if (s.loop) flags |= 0x10;
    if (s.sustainLoop) flags |= 0x20;
    if (s.loop && s.pingPong) flags |= 0x40;
    if (s.sustainLoop && s.sustainPingPong) flags |= 0x80;
    r.Byte(0x12, flags);
    r.Byte(0x13, s.defaultVolume);
    r.Text(0x14, s.name, 26);
    r.Byte(0x2E, 0x01);  // signed samples
    r.Byte(0x2F, s.defaultPan < 0 ? 32 : 0x80 | s.defaultPan);
    r.Le32(0x30, static_cast<uint32_t>(s.data.size()));
    r.Le32(0x34, static_cast<uint32_t>(s.loopBegin));
    r.Le32(0x38, static_cast<uint32_t>(s.loopEnd));
    r.Le32(0x3C, static_cast<uint32_t>(s.c5Speed));
    r.Le32(0x40, static_cast<uint32_t>(s.sustainBegin));
    r.Le32(0x44, static_cast<uint32_t>(s.sustainEnd));
    r.Le32(0x48, s.data.empty() ? 0 : dataOffset);
    r.Byte(0x4C, s.vibratoSpeed);
    r.Byte(0x4D, s.vibratoDepth);
    r.Byte(0x4E, s.vibratoRate);
    r.Byte(0x4F, s.vibratoWave);
    return r.Bytes();
}

void CheckCell(const ItCell& c, size_t instruments) {
    Check(c.note < 120 || c.note == kItNoNote || c.note >= kItNoteFade, "pattern note out of range");
    Check(c.instrument <= instruments, "pattern names a missing instrument");
    Check(c.volume >= -1 && c.volume <= 212 && !(c.volume >= 125 && c.volume <= 127), "volume column out of range");
    Check(c.effect <= 26, "effect out of range");
}

}  // namespace

void ItInstrument::MapAll(int sample) { MapRange(0, 119, sample); }

void ItInstrument::MapRange(int lo, int hi, int sample) {
    for (int k = lo; k <= hi && k < 120; ++k) {
        keyNote[k] = static_cast<uint8_t>(k);
        keySample[k] = static_cast<uint8_t>(sample);
    }
}

ItModule::ItModule() {
    channelPan.fill(32);
    channelVolume.fill(64);
}

std::vector<uint8_t> PackItPattern(const ItPattern& p) {
    std::vector<uint8_t> out;
    int channels = p.Channels();
    // The memories a reader keeps per channel; they start afresh in every pattern.
    std::vector<int> lastMask(channels, -1), lastNote(channels, -1), lastIns(channels, -1), lastVol(channels, -1),
        lastFx(channels, -1), lastParam(channels, -1);
    for (int row = 0; row < p.Rows(); ++row) {
        for (int ch = 0; ch < channels; ++ch) {
            const ItCell& c = p.At(row, ch);
            if (c.Empty()) continue;
            int mask = 0;
            if (c.note != kItNoNote) mask |= c.note == lastNote[ch] ? 0x10 : 0x01;
            if (c.instrument) mask |= c.instrument == lastIns[ch] ? 0x20 : 0x02;
            if (c.volume >= 0) mask |= c.volume == lastVol[ch] ? 0x40 : 0x04;
            if (c.effect) mask |= (c.effect == lastFx[ch] && c.param == lastParam[ch]) ? 0x80 : 0x08;
            if (mask == lastMask[ch]) {
                out.push_back(static_cast<uint8_t>(ch + 1));
            } else {
                out.push_back(static_cast<uint8_t>((ch + 1) | 0x80));
                out.push_back(static_cast<uint8_t>(mask));
                lastMask[ch] = mask;
            }
            if (mask & 0x01) out.push_back(c.note), lastNote[ch] = c.note;
            if (mask & 0x02) out.push_back(c.instrument), lastIns[ch] = c.instrument;
            if (mask & 0x04) out.push_back(static_cast<uint8_t>(c.volume)), lastVol[ch] = c.volume;
            if (mask & 0x08) {
                out.push_back(c.effect);
                out.push_back(c.param);
                lastFx[ch] = c.effect;
                lastParam[ch] = c.param;
            }
        }
        out.push_back(0);
    }
    return out;
}

void WriteIt(ByteSink& sink, const ItModule& m) {
    Check(!m.orders.empty() && m.orders.size() < 256, "order count");
    Check(!m.instruments.empty() && m.instruments.size() < 100, "instrument count");
    Check(m.samples.size() < 100, "sample count");
    Check(m.patterns.size() < 200, "pattern count");
    Check(m.globalVolume >= 0 && m.globalVolume <= 128 && m.mixVolume >= 0 && m.mixVolume <= 128, "volumes");
    Check(m.speed >= 1 && m.speed <= 255 && m.tempo >= 32 && m.tempo <= 255, "speed or tempo");
    for (uint8_t o : m.orders) Check(o == 0xFE || o < m.patterns.size(), "order names a missing pattern");
    for (const ItSample& s : m.samples) CheckSample(s);

    std::vector<std::vector<uint8_t>> instruments, packed, data;
    for (const ItInstrument& in : m.instruments) {
        for (uint8_t k : in.keySample) Check(k <= m.samples.size(), "keyboard names a missing sample");
        instruments.push_back(InstrumentBytes(in));
    }
    for (const ItPattern& p : m.patterns) {
        Check(p.Rows() >= 1 && p.Rows() <= 200 && p.Channels() <= 64, "pattern size");
        for (int r = 0; r < p.Rows(); ++r)
            for (int c = 0; c < p.Channels(); ++c) CheckCell(p.At(r, c), m.instruments.size());
        packed.push_back(PackItPattern(p));
        Check(packed.back().size() <= 0xFFFF, "packed pattern longer than 64 KiB");
    }
    for (const ItSample& s : m.samples) data.push_back(SampleData(s));

    // Layout: header, orders (+ end marker), offset tables, instruments, sample headers,
    // patterns, sample data.
    const size_t orders = m.orders.size() + 1;
    size_t at = kHeaderSize + orders + 4 * (m.instruments.size() + m.samples.size() + m.patterns.size());
    std::vector<uint32_t> insAt, smpAt, patAt, dataAt;
    for (size_t i = 0; i < instruments.size(); ++i) insAt.push_back(static_cast<uint32_t>(at)), at += kInstrumentSize;
    for (size_t i = 0; i < m.samples.size(); ++i) smpAt.push_back(static_cast<uint32_t>(at)), at += kSampleHeaderSize;
    for (const auto& p : packed) patAt.push_back(static_cast<uint32_t>(at)), at += kPatternHeaderSize + p.size();
    for (const auto& d : data) dataAt.push_back(static_cast<uint32_t>(at)), at += d.size();
    Check(at < 0x7FFFFFFF, "file too large");

    Record h(kHeaderSize);
    h.Byte(0, 'I'), h.Byte(1, 'M'), h.Byte(2, 'P'), h.Byte(3, 'M');
    h.Text(4, m.title, 26);
    h.Byte(0x1E, 4);   // row highlight: a beat of 4 rows,
    h.Byte(0x1F, 16);  // a bar of 16
    h.Le16(0x20, static_cast<int>(orders));
    h.Le16(0x22, static_cast<int>(m.instruments.size()));
    h.Le16(0x24, static_cast<int>(m.samples.size()));
    h.Le16(0x26, static_cast<int>(m.patterns.size()));
    h.Le16(0x28, kVersion);
    h.Le16(0x2A, kVersion);
    h.Le16(0x2C, 0x01 | 0x04 | 0x08);  // stereo, instruments, linear slides; new effects
    h.Le16(0x2E, 0);                   // no message
    h.Byte(0x30, m.globalVolume);
    h.Byte(0x31, m.mixVolume);
    h.Byte(0x32, m.speed);
    h.Byte(0x33, m.tempo);
    h.Byte(0x34, m.separation);
    h.Byte(0x35, 0);
    for (int c = 0; c < 64; ++c) {
        Check(m.channelVolume[c] <= 64 && (m.channelPan[c] & 0x7F) <= 64, "channel pan or volume");
        h.Byte(0x40 + c, m.channelPan[c]);
        h.Byte(0x80 + c, m.channelVolume[c]);
    }
    sink.Write(h.Bytes().data(), h.Bytes().size());
    sink.Write(m.orders.data(), m.orders.size());
    sink.Byte(kOrderEnd);
    auto putOffsets = [&](const std::vector<uint32_t>& v) {
        for (uint32_t o : v) {
            sink.Le16(static_cast<uint16_t>(o));
            sink.Le16(static_cast<uint16_t>(o >> 16));
        }
    };
    putOffsets(insAt);
    putOffsets(smpAt);
    putOffsets(patAt);
    for (const auto& in : instruments) sink.Write(in.data(), in.size());
    for (size_t i = 0; i < m.samples.size(); ++i) {
        std::vector<uint8_t> header = SampleHeader(m.samples[i], dataAt[i]);
        sink.Write(header.data(), header.size());
    }
    for (size_t i = 0; i < packed.size(); ++i) {
        Record ph(kPatternHeaderSize);
        ph.Le16(0, static_cast<int>(packed[i].size()));
        ph.Le16(2, m.patterns[i].Rows());
        sink.Write(ph.Bytes().data(), ph.Bytes().size());
        sink.Write(packed[i].data(), packed[i].size());
    }
    for (const auto& d : data) sink.Write(d.data(), d.size());
}

std::vector<uint8_t> ItFileBytes(const ItModule& module) {
    VectorSink sink;
    WriteIt(sink, module);
    return std::move(sink.bytes);
}

}  // namespace forge
