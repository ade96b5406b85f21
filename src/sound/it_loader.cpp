// it_loader.cpp -- turns an Impulse Tracker module in memory into a VssModule: instrument
// mode, linear slides and new effects only, tracker version 2.02 or later. Envelopes are
// rendered to one value per tick, every keyboard entry carries its sample and its
// frequency, samples are decompressed or copied, patterns stay packed.
//
// Every count, offset and length is checked against the file's size; a module that points
// outside its bytes is refused with kVssErrorDamagedModule, except sample data, which is
// cut to what the file holds. Not handled: sample mode, Amiga slides, old effects,
// stereo samples (played as their first channel's length of mono data), MIDI macros.
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "sound/it_sample_codec.h"
#include "sound/sound_internal.h"
#include "sound/vss_lock.h"

struct VssModuleStorage {
    std::vector<uint8_t> orders;
    std::vector<VssChannel> channels;
    std::vector<VssVoice> voices;
    std::vector<VssPattern> patterns;
    std::vector<VssInstrument> instruments;
    std::vector<VssSample> samples;
    std::vector<std::vector<uint8_t>> blocks;  // sample data, packed patterns, envelope tables
    size_t blockBytes = 0;
};

namespace {

// 2^20 * 2^(k/12): one octave of note frequencies in 32-bit floats.
const float* Octave() {
    static const auto table = [] {
        struct Table { float v[12]; } t{};
        for (int k = 0; k < 12; ++k) t.v[k] = static_cast<float>(std::ldexp(std::pow(2.0, k / 12.0), 20));
        return t;
    }();
    return table.v;
}

constexpr uint8_t kOrderSeparator = 0xFE;
constexpr uint8_t kOrderEnd = 0xFF;
constexpr size_t kInstrumentHeaderBytes = 0x1D4 + 82;
constexpr size_t kSampleHeaderBytes = 0x50;
constexpr int kMaxEnvelopeNodes = 25;
constexpr int32_t kMaxC5Speed = 9999999;

class FileView {
public:
    FileView(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
    size_t size() const { return size_; }
    const uint8_t* at(size_t offset) const { return bytes_ + offset; }
    bool Holds(size_t offset, size_t length) const { return offset <= size_ && length <= size_ - offset; }
    uint8_t U8(size_t o) const { return bytes_[o]; }
    int8_t S8(size_t o) const { return static_cast<int8_t>(bytes_[o]); }
    uint16_t U16(size_t o) const { return static_cast<uint16_t>(bytes_[o] | (bytes_[o + 1] << 8)); }
    int16_t S16(size_t o) const { return static_cast<int16_t>(U16(o)); }
    uint32_t U32(size_t o) const {
        return static_cast<uint32_t>(bytes_[o]) | (static_cast<uint32_t>(bytes_[o + 1]) << 8) |
               (static_cast<uint32_t>(bytes_[o + 2]) << 16) | (static_cast<uint32_t>(bytes_[o + 3]) << 24);
    }

private:
    const uint8_t* bytes_;
    size_t size_;
};

VssModule* Fail(int32_t code) {
    VSS_LastError = code;
    return nullptr;
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Memory for one block of the module, counted against the module's limit; null when the
// limit would be passed.
uint8_t* NewBlock(VssModuleStorage* storage, size_t bytes) {
    if (bytes > kVssMaxModuleBytes || storage->blockBytes + bytes > kVssMaxModuleBytes) return nullptr;
    storage->blocks.emplace_back(bytes);
    storage->blockBytes += bytes;
    return storage->blocks.back().data();
}

// Renders an envelope block (+0 flags, +1 nodes, +2..+5 loop and sustain nodes, +6 nodes
// of value and 16-bit tick) into per-tick values. Damaged envelopes are mended so that no
// table is read outside: ticks are made non-decreasing (see BadEnvelopeOrderIsMended),
// loop and sustain node numbers past the last node switch that loop off, values are
// limited to the range of their kind.
bool LoadEnvelope(const FileView& f, size_t at, int kind, VssModuleStorage* storage, VssEnvelope* env) {
    int32_t flags = f.U8(at);
    int nodes = f.U8(at + 1);
    if (nodes > kMaxEnvelopeNodes) nodes = kMaxEnvelopeNodes;
    // A pitch envelope marked 0x80 is a filter envelope, which this player has no filter
    // for: it stays off and reads as zero (see FilterEnvelopeIsNotPitch).
    if (kind == kVssEnvPitch && (flags & 0x80)) {
        flags = 0;
        nodes = 0;
    }
    int32_t lo = kind == kVssEnvVolume ? 0 : -32;
    int32_t hi = kind == kVssEnvVolume ? 64 : 32;
    int32_t ticks[kMaxEnvelopeNodes];
    int32_t values[kMaxEnvelopeNodes];
    int32_t previous = 0;
    for (int i = 0; i < nodes; ++i) {
        size_t node = at + 6 + 3 * static_cast<size_t>(i);
        values[i] = Clamp(f.S8(node), lo, hi);
        int32_t tick = f.S16(node + 1);
        if (tick < previous) tick = previous;
        ticks[i] = previous = tick;
    }
    if (nodes == 0) {
        flags &= ~1;
        ticks[0] = 0;
        values[0] = 0;
        nodes = 1;
    }
    int loopBegin = f.U8(at + 2), loopEnd = f.U8(at + 3);
    int sustainBegin = f.U8(at + 4), sustainEnd = f.U8(at + 5);
    if (loopBegin >= nodes || loopEnd >= nodes) flags &= ~2;
    if (sustainBegin >= nodes || sustainEnd >= nodes) flags &= ~4;
    auto tickOf = [&](int node) { return node < nodes ? ticks[node] : 0; };
    env->flags = flags;
    env->sustainBegin = tickOf(sustainBegin);
    env->sustainEnd = tickOf(sustainEnd);
    env->loopBegin = tickOf(loopBegin);
    env->loopEnd = tickOf(loopEnd);
    env->lastTick = ticks[nodes - 1];
    auto* table = reinterpret_cast<int8_t*>(NewBlock(storage, static_cast<size_t>(env->lastTick) + 1));
    if (!table) return false;
    for (int32_t t = 0; t < ticks[0]; ++t) table[t] = static_cast<int8_t>(values[0]);
    for (int i = 0; i + 1 < nodes; ++i) {
        int32_t ta = ticks[i], tb = ticks[i + 1];
        for (int32_t t = ta; t < tb; ++t)
            table[t] = static_cast<int8_t>(((t - ta) * values[i + 1] + (tb - t) * values[i]) / (tb - ta));
    }
    table[env->lastTick] = static_cast<int8_t>(values[nodes - 1]);
    env->values = table;
    return true;
}

int32_t KeyFrequency(int32_t c5Speed, int note) {
    double f = static_cast<double>(c5Speed) * Octave()[note % 12] / std::ldexp(1.0, 9 - note / 12) / 65536.0;
    return static_cast<int32_t>(f);
}

// Stretches a sample whose C5 speed is below the mixing rate to the mixing rate, by
// linear interpolation; loop points follow.
bool Resample(VssSample* s, int32_t rate, VssModuleStorage* storage) {
    if (s->length <= 2 || s->c5Speed <= 0 || s->c5Speed >= rate) return true;
    double factor = static_cast<double>(rate) / s->c5Speed;
    double newLengthF = s->length * factor;
    if (newLengthF > static_cast<double>(kVssMaxModuleBytes)) return false;
    int32_t newLength = static_cast<int32_t>(newLengthF);
    bool wide = s->flags & kVssSample16Bit;
    uint8_t* block = NewBlock(storage, static_cast<size_t>(newLength) * (wide ? 2 : 1));
    if (!block) return false;
    for (int32_t i = 0; i < newLength; ++i) {
        double x = i / factor;
        int32_t a = static_cast<int32_t>(x);
        if (a >= s->length) a = s->length - 1;
        int32_t b = a + 1 < s->length ? a + 1 : s->length - 1;
        double frac = x - a;
        if (wide) {
            const int16_t* in = static_cast<const int16_t*>(s->data);
            reinterpret_cast<int16_t*>(block)[i] = static_cast<int16_t>(in[a] + (in[b] - in[a]) * frac);
        } else {
            const int8_t* in = static_cast<const int8_t*>(s->data);
            reinterpret_cast<int8_t*>(block)[i] = static_cast<int8_t>(in[a] + (in[b] - in[a]) * frac);
        }
    }
    auto scale = [&](int32_t v) {
        int64_t scaled = static_cast<int64_t>(v * factor);
        return static_cast<int32_t>(scaled > newLength ? newLength : scaled);
    };
    s->loopBegin = scale(s->loopBegin);
    s->loopEnd = scale(s->loopEnd);
    s->sustainBegin = scale(s->sustainBegin);
    s->sustainEnd = scale(s->sustainEnd);
    s->originalC5Speed = s->c5Speed;
    s->c5Speed = rate;
    s->length = newLength;
    s->data = block;  // the old block stays with the module until it is freed
    return true;
}

// Loop points past the sample's end are brought back to it; an empty loop is switched off.
void CheckLoops(VssSample* s) {
    auto fix = [&](int32_t* begin, int32_t* end, int32_t flag, int32_t pingFlag) {
        if (*end > s->length) *end = s->length;
        if (*begin < 0) *begin = 0;
        if (*begin >= *end) s->flags &= ~(flag | pingFlag);
    };
    fix(&s->loopBegin, &s->loopEnd, kVssSampleLoop, kVssSamplePingPong);
    fix(&s->sustainBegin, &s->sustainEnd, kVssSampleSustain, kVssSampleSustainPingPong);
}

bool LoadSample(const FileView& f, size_t at, bool oldFormat, int32_t rate, int resample,
                VssModuleStorage* storage, VssSample* s) {
    uint8_t itFlags = f.U8(at + 0x12);
    uint8_t convert = f.U8(at + 0x2E);
    s->globalVolume = Clamp(f.U8(at + 0x11), 0, 64);
    s->flags = itFlags;
    s->defaultVolume = Clamp(f.U8(at + 0x13), 0, 64);
    s->defaultPan = f.U8(at + 0x2F);
    if ((s->defaultPan & 0x7F) > 64) s->defaultPan = (s->defaultPan & 0x80) | 64;
    uint32_t length = f.U32(at + 0x30);
    s->loopBegin = static_cast<int32_t>(f.U32(at + 0x34) & 0x7FFFFFFF);
    s->loopEnd = static_cast<int32_t>(f.U32(at + 0x38) & 0x7FFFFFFF);
    // IT caps the C5 speed at 9999999 Hz (see HighTransposeKeepsFrequencyInRange).
    s->c5Speed = static_cast<int32_t>(f.U32(at + 0x3C) > static_cast<uint32_t>(kMaxC5Speed)
                                          ? kMaxC5Speed
                                          : f.U32(at + 0x3C));
    s->sustainBegin = static_cast<int32_t>(f.U32(at + 0x40) & 0x7FFFFFFF);
    s->sustainEnd = static_cast<int32_t>(f.U32(at + 0x44) & 0x7FFFFFFF);
    uint32_t dataOffset = f.U32(at + 0x48);
    s->vibratoSpeed = f.U8(at + 0x4C);
    s->vibratoDepth = f.U8(at + 0x4D);
    s->vibratoRate = f.U8(at + 0x4E);
    s->vibratoWaveform = f.U8(at + 0x4F) & 3;
    s->originalC5Speed = -1;
    s->data = nullptr;
    s->length = 0;

    bool wide = itFlags & kVssSample16Bit;
    size_t bytesPer = wide ? 2 : 1;
    if (length > 0) {
        if (length > kVssMaxModuleBytes / bytesPer) return false;
        size_t available = dataOffset < f.size() ? f.size() - dataOffset : 0;
        // Compression is decided per sample by its own flag: files that declare
        // compatibility with 2.14 but store raw PCM exist (see HazardModulesLoadRawSamples).
        bool compressed = (itFlags & 0x08) != 0 && !oldFormat;
        // What the file can hold at most: raw data byte for byte; compressed data one
        // block of output per two bytes of block headers.
        size_t fit = compressed ? available / 2 * (0x8000 / bytesPer) : available / bytesPer;
        if (fit < length) length = static_cast<uint32_t>(fit);
        uint8_t* block = length ? NewBlock(storage, length * bytesPer) : nullptr;
        if (length && !block) return false;
        int32_t got = 0;
        if (length == 0) {
        } else if (compressed) {
            got = VssDecodeItSample(f.at(dataOffset), available, block, static_cast<int32_t>(length), wide,
                                    (convert & 0x04) != 0);
        } else {
            got = static_cast<int32_t>(length);
            std::memcpy(block, f.at(dataOffset), static_cast<size_t>(got) * bytesPer);
            if (wide)  // raw 16-bit data is stored with 0x80 added to each low byte
                for (int32_t i = 0; i < got; ++i) block[2 * i] = static_cast<uint8_t>(block[2 * i] + 0x80);
        }
        s->length = got;
        s->data = got > 0 ? block : nullptr;
    }
    if (s->length == 0) s->flags &= ~(kVssSampleLoop | kVssSampleSustain | kVssSamplePingPong |
                                      kVssSampleSustainPingPong);
    CheckLoops(s);
    if (resample && !Resample(s, rate, storage)) return false;
    CheckLoops(s);
    return true;
}

bool LoadInstrument(const FileView& f, size_t at, VssModule* m, VssModuleStorage* storage, VssInstrument* ins) {
    ins->newNoteAction = f.U8(at + 0x11);
    if (ins->newNoteAction > 3) ins->newNoteAction = 0;
    ins->dupCheckType = f.U8(at + 0x12);
    if (ins->dupCheckType > 3) ins->dupCheckType = 0;  // see DuplicateCheckTypeBeyondThreeIsOff
    ins->dupCheckAction = f.U8(at + 0x13);
    if (ins->dupCheckAction > 2) ins->dupCheckAction = 0;
    ins->fadeOut = f.S16(at + 0x14);
    ins->pitchPanSeparation = f.S8(at + 0x16);
    ins->pitchPanCentre = f.U8(at + 0x17);
    ins->globalVolume = Clamp(f.U8(at + 0x18), 0, 128);
    ins->defaultPan = f.U8(at + 0x19);
    if ((ins->defaultPan & 0x7F) > 64) ins->defaultPan = (ins->defaultPan & 0x80) | 64;
    ins->randomVolume = Clamp(f.U8(at + 0x1A), 0, 100);
    ins->randomPan = Clamp(f.U8(at + 0x1B), 0, 64);
    for (int k = 0; k < 120; ++k) {
        int note = f.U8(at + 0x40 + 2 * k);
        int n = f.U8(at + 0x41 + 2 * k);
        VssKey& key = ins->keyboard[k];
        // Notes past 119 and samples the file does not have play nothing.
        if (n >= 1 && n <= m->numSamples && note <= 119) {
            key.sample = &m->samples[n - 1];
            key.frequency = KeyFrequency(key.sample->c5Speed, note);
        } else {
            key.sample = nullptr;
            key.frequency = 0;
        }
    }
    const size_t envelopeAt[3] = {0x130, 0x182, 0x1D4};
    for (int e = 0; e < 3; ++e)
        if (!LoadEnvelope(f, at + envelopeAt[e], e, storage, &ins->envelopes[e])) return false;
    return true;
}

VssModule* Load(const FileView& f, int resample) {
    if (!f.Holds(0, 0xC0)) return Fail(kVssErrorDamagedModule);
    int16_t created = f.S16(0x28);
    int16_t compatible = f.S16(0x2A);
    uint16_t flags = f.U16(0x2C);
    if (created < 0x202) return Fail(16);
    if (!(flags & 4)) return Fail(17);
    if (!(flags & 8)) return Fail(18);
    if (flags & 16) return Fail(19);
    int32_t numOrders = f.S16(0x20), numInstruments = f.S16(0x22), numSamples = f.S16(0x24),
            numPatterns = f.S16(0x26);
    if (numOrders < 0 || numInstruments < 0 || numSamples < 0 || numPatterns < 0)
        return Fail(kVssErrorDamagedModule);
    size_t tableAt = 0xC0 + static_cast<size_t>(numOrders);
    size_t tableBytes = 4 * (static_cast<size_t>(numInstruments) + numSamples + numPatterns);
    if (!f.Holds(0xC0, numOrders)) return Fail(kVssErrorDamagedModule);
    {
        int i = 0;
        while (i < numOrders && f.U8(0xC0 + i) == kOrderSeparator) ++i;
        if (i == numOrders || f.U8(0xC0 + i) == kOrderEnd) return Fail(21);
    }
    if (!f.Holds(tableAt, tableBytes)) return Fail(kVssErrorDamagedModule);
    for (int32_t i = 0; i < numInstruments; ++i)
        if (!f.Holds(f.U32(tableAt + 4 * i), kInstrumentHeaderBytes)) return Fail(kVssErrorDamagedModule);
    for (int32_t i = 0; i < numSamples; ++i)
        if (!f.Holds(f.U32(tableAt + 4 * (numInstruments + i)), kSampleHeaderBytes))
            return Fail(kVssErrorDamagedModule);
    for (int32_t i = 0; i < numPatterns; ++i) {
        uint32_t at = f.U32(tableAt + 4 * (numInstruments + numSamples + i));
        if (at == 0) continue;
        if (!f.Holds(at, 8) || !f.Holds(at + 8, f.U16(at))) return Fail(kVssErrorDamagedModule);
    }
    if (!vssMixer.ready) return Fail(1);

    auto* m = new (std::nothrow) VssModule{};
    if (!m) return Fail(1);
    auto* storage = new (std::nothrow) VssModuleStorage;
    if (!storage) {
        delete m;
        return Fail(1);
    }
    m->storage = storage;
    m->fileGlobalVolume = Clamp(f.U8(0x30), 0, 128);
    m->fileMixVolume = Clamp(f.U8(0x31), 0, 128);
    m->initialSpeed = f.U8(0x32);
    m->initialTempo = f.U8(0x33);
    m->voicesInUse = 1;
    m->numOrders = numOrders;
    m->numInstruments = numInstruments;
    m->numSamples = numSamples;
    m->numVoices = vssMixer.voices;

    storage->orders.assign(f.at(0xC0), f.at(0xC0) + numOrders);
    // The order list always ends: a list without 0xFF gets one.
    storage->orders.push_back(kOrderEnd);
    storage->channels.assign(64, VssChannel{});
    storage->voices.assign(static_cast<size_t>(vssMixer.voices), VssVoice{});
    storage->instruments.assign(static_cast<size_t>(numInstruments), VssInstrument{});
    storage->samples.assign(static_cast<size_t>(numSamples), VssSample{});
    m->orders = storage->orders.data();
    m->channels = storage->channels.data();
    m->voices = storage->voices.data();
    m->instruments = storage->instruments.data();
    m->samples = storage->samples.data();
    for (int c = 0; c < 64; ++c) {
        m->channels[c].initialVolume = Clamp(f.U8(0x80 + c), 0, 64);
        m->channels[c].initialPan = f.U8(0x40 + c);
    }

    // Orders may name patterns the file lacks: they get slots of empty rows.
    int32_t highest = -1;
    for (int32_t i = 0; i < numOrders; ++i) {
        int32_t p = f.U8(0xC0 + i);
        if (p < kOrderSeparator && p > highest) highest = p;
    }
    m->numPatterns = numPatterns + (highest - numPatterns + 1 > 0 ? highest - numPatterns + 1 : 0);
    storage->patterns.assign(static_cast<size_t>(m->numPatterns), VssPattern{});
    m->patterns = storage->patterns.data();

    const bool oldFormat = compatible < 0x214;
    for (int32_t i = 0; i < numSamples; ++i) {
        size_t at = f.U32(tableAt + 4 * (numInstruments + i));
        if (!LoadSample(f, at, oldFormat, vssMixer.rate, resample, storage, &m->samples[i])) {
            VSS_FreeModule(m);
            return Fail(1);
        }
    }
    for (int32_t i = 0; i < numInstruments; ++i) {
        size_t at = f.U32(tableAt + 4 * i);
        if (!LoadInstrument(f, at, m, storage, &m->instruments[i])) {
            VSS_FreeModule(m);
            return Fail(1);
        }
    }
    const uint8_t* emptyRows = nullptr;
    for (int32_t i = 0; i < m->numPatterns; ++i) {
        uint32_t at = i < numPatterns ? f.U32(tableAt + 4 * (numInstruments + numSamples + i)) : 0;
        VssPattern& p = m->patterns[i];
        int32_t rows = at ? f.U16(at + 2) : 0;
        if (at && rows > 0) {
            uint16_t packed = f.U16(at);
            uint8_t* data = NewBlock(storage, packed);
            if (!data && packed) {
                VSS_FreeModule(m);
                return Fail(1);
            }
            if (packed) std::memcpy(data, f.at(at + 8), packed);
            p.rows = rows;
            p.data = data;
            p.length = packed;
        } else {
            // A missing pattern (and one that claims no rows) plays 64 empty rows.
            if (!emptyRows) emptyRows = NewBlock(storage, 64);
            if (!emptyRows) {
                VSS_FreeModule(m);
                return Fail(1);
            }
            p.rows = 64;
            p.data = emptyRows;
            p.length = 64;
        }
    }
    VSS_LastError = 0;
    return m;
}

}  // namespace

VssModule* VSS_LoadIT(const void* fileBytes, size_t fileSize, int resampleBelowRate) {
    if (!fileBytes) return Fail(kVssErrorDamagedModule);
    try {
        return Load(FileView(static_cast<const uint8_t*>(fileBytes), fileSize), resampleBelowRate);
    } catch (const std::bad_alloc&) {
        return Fail(1);
    }
}

void VSS_FreeModule(VssModule* module) {
    if (!module) return;
    VssLock lock;
    if (vssMixer.module == module) vssMixer.module = nullptr;
    delete module->storage;
    delete module;
}
