// mixer.cpp -- the software mixer: tables, the per-tick voice update, loop handling, the
// filters and the conversion into the output format. It works one tick at a time: when
// the samples of the current tick are used up it runs the player's tick, updates every
// voice, mixes all voices into a 32-bit accumulator block of exactly one tick and filters
// it; the output is then converted from that block, clipped to 16 bits.
//
// All float-to-integer conversions truncate (static_cast does). Not done: interpolation,
// volume ramping. The inner loops live in mixer_loops.cpp.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "common/random.h"
#include "sound/heard_position.h"
#include "sound/mixer_loops.h"
#include "sound/sound_internal.h"
#include "sound/vss_lock.h"

VssMixer vssMixer;

namespace {

int32_t Clamp(int64_t v, int32_t lo, int32_t hi) {
    return static_cast<int32_t>(v < lo ? lo : (v > hi ? hi : v));
}

int32_t Round4096(double x) { return static_cast<int32_t>(x * 4096.0 + 0.5); }

void BuildTables(VssMixer& m) {
    m.volumeTable.assign(256 * 512, 0);
    for (int level = 0; level < 256; ++level)
        for (int b = 0; b < 256; ++b) {
            m.volumeTable[level * 512 + b] = static_cast<int8_t>(b) * level;
            m.volumeTable[level * 512 + 256 + b] = (b * level) >> 8;
        }
    m.waveforms.assign(4 * 256, 0);
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < 256; ++i) {
        m.waveforms[i] = static_cast<int32_t>(std::sin(i * 2.0 * pi / 256.0) * 65536.0);
        m.waveforms[256 + i] = 65536 - 514 * i;
        m.waveforms[512 + i] = i < 128 ? 65536 : -65536;
    }
    for (int i = 0; i < 256; ++i) m.waveforms[768 + i] = Random() * 4 - 65536;
    m.randomRing.assign(1024, 0);
    for (int i = 0; i < 1024; ++i) m.randomRing[i] = Random();
    m.randomIndex = 0;
    m.pitchTable.assign(257 * 65, 0);
    for (int r = 0; r < 257; ++r)
        for (int c = 0; c < 65; ++c)
            m.pitchTable[r * 65 + c] =
                static_cast<int32_t>((std::pow(2.0, (64.0 * c + r - 2176.0) / 1536.0) - 1.0) * 8192.0 + 0.5);
    m.slideTable.assign(512, 0);
    for (int i = 0; i < 224; ++i) {
        m.slideTable[i] = Round4096(std::pow(2.0, i / 192.0) - 1.0);
        m.slideTable[256 + i] = Round4096(std::pow(2.0, -i / 192.0) - 1.0);
    }
    for (int k = 0; k < 16; ++k) {
        m.slideTable[224 + k] = Round4096(std::pow(2.0, k / 768.0) - 1.0);
        m.slideTable[480 + k] = Round4096(std::pow(2.0, -k / 768.0) - 1.0);
        m.slideTable[240 + k] = Round4096(std::pow(2.0, k / 192.0) - 1.0);
        m.slideTable[496 + k] = Round4096(std::pow(2.0, -k / 192.0) - 1.0);
    }
    m.portaTable.assign(512, 0);
    for (int i = 0; i < 256; ++i) {
        m.portaTable[i] = Round4096(std::pow(2.0, i / 192.0) - 1.0);
        m.portaTable[256 + i] = Round4096(std::pow(2.0, -i / 192.0) - 1.0);
    }
    m.cutoffTable.assign(32, 0);
    for (int k = 0; k < 16; ++k) {
        m.cutoffTable[k] = Round4096(std::pow(2.0, 4.0 * k / 192.0) - 1.0);
        m.cutoffTable[16 + k] = Round4096(std::pow(2.0, -4.0 * k / 192.0) - 1.0);
    }
    m.arpeggioTable.assign(16, 0);
    for (int k = 0; k < 16; ++k) m.arpeggioTable[k] = static_cast<int32_t>(std::pow(2.0, k / 12.0) * 4096.0 + 0.5);
    m.ring.assign(kVssRingBytes / 4, 0);
}

bool IsStereo() { return vssMixer.format & 2; }

void AdvanceEnvelope(VssVoiceEnvelope& env, bool keyReleased) {
    if (!(env.flags & 1) || !env.values) return;
    int32_t begin = 0, end = 0;
    bool loop = false;
    if (!keyReleased && (env.flags & 4)) {
        begin = env.sustainBegin;
        end = env.sustainEnd;
        loop = true;
    } else if (env.flags & 2) {
        begin = env.loopBegin;
        end = env.loopEnd;
        loop = true;
    }
    if (loop && env.tick > end) env.tick = begin;
    if (env.tick > env.lastTick) env.tick = env.lastTick;
    if (env.tick < 0) env.tick = 0;
    env.value = env.values[env.tick];
    env.tick += 1;
}

// The number of samples that can be taken, going forwards, before the position passes
// `boundary`; -1 when it is already past it (or before the sample's start).
int64_t SamplesBefore(uint64_t position, int64_t boundary, uint64_t step, int32_t n) {
    int64_t p = static_cast<int64_t>(position);
    if (p < 0 || p > boundary) return -1;
    if (step == 0) return n;
    double k = static_cast<double>(boundary - p) / static_cast<double>(step);
    return k >= n ? n : static_cast<int64_t>(k);
}

int64_t SamplesAfter(uint64_t position, int64_t boundary, uint64_t step, int32_t n) {
    int64_t p = static_cast<int64_t>(position);
    if (p < boundary) return -1;
    if (step == 0) return n;
    double k = static_cast<double>(p - boundary) / static_cast<double>(step);
    return k >= n ? n : static_cast<int64_t>(k);
}

}  // namespace

int32_t VssNextRandom() {
    if (vssMixer.randomRing.empty()) return 0;
    int32_t r = vssMixer.randomRing[vssMixer.randomIndex & 1023];
    vssMixer.randomIndex = (vssMixer.randomIndex + 1) & 1023;
    return r;
}

int VssMixerSetup(int format, int channelOrder, int rate, int voices) {
    VssMixer& m = vssMixer;
    m.format = format & 3;
    m.channelOrder = channelOrder;
    m.rate = rate;
    m.voices = voices;
    m.reciprocal = static_cast<uint32_t>(4294967296.0 / rate);
    try {
        BuildTables(m);
    } catch (const std::bad_alloc&) {
        VSS_LastError = 1;
        return 0;
    }
    m.block = m.ring.data();
    m.samplesPerTick = 0;
    m.readPosition = 0;
    m.lowY[0] = m.lowY[1] = m.highY[0] = m.highY[1] = m.highX[0] = m.highX[1] = 0;
    VssFilterCoefficients(m.lowPassCutoff, rate, &m.lowA, &m.lowB);
    VssFilterCoefficients(m.highPassCutoff, rate, &m.highA, &m.highB);
    m.ready = true;
    return 1;
}

void VssMixerFree() {
    VssMixer& m = vssMixer;
    m.ready = false;
    m.block = nullptr;
    for (auto* table : {&m.volumeTable, &m.waveforms, &m.randomRing, &m.pitchTable, &m.slideTable,
                        &m.portaTable, &m.cutoffTable, &m.arpeggioTable, &m.ring}) {
        table->clear();
        table->shrink_to_fit();
    }
}

int32_t VssSamplesPerTick(int32_t rate, int32_t tempo) {
    // A tempo below IT's 32 would make a tick longer than the ring holds; it mixes as 32.
    if (tempo < 32) tempo = 32;
    return (2 * rate + rate / 2) / tempo;
}

void VssFilterCoefficients(int32_t cutoffHz, int32_t rate, int32_t* a, int32_t* b) {
    double f = cutoffHz < 10 ? 10 : (cutoffHz > 44100 ? 44100 : cutoffHz);
    double w = 2.0 * 3.14159265358979323846 * f;
    *a = Clamp(static_cast<int64_t>(w / (rate + w) * 256.0), 1, 1023);
    *b = Clamp(static_cast<int64_t>(rate / (rate + w) * 256.0), 1, 1023);
}

void VssReleaseVoice(VssVoice* voice) {
    voice->state = kVssVoiceFree;
    VssChannel* channel = voice->channel;
    if (channel && channel->voice == voice) {
        channel->voice = nullptr;
        channel->savedVolume = voice->volume;
        channel->savedPan = voice->pan;
    }
}

VssVoice* VssChooseVoice(VssModule* module) {
    int32_t count = module->numVoices;
    if (count < 1) return nullptr;
    for (int32_t i = 0; i < count; ++i)
        if (module->voices[i].state == kVssVoiceFree) return &module->voices[i];
    VssVoice* best = nullptr;
    for (int32_t i = 0; i < count; ++i) {
        VssVoice* v = &module->voices[i];
        if (v->state == kVssVoiceBackground && v->finalVolume < 256 && (!best || v->finalVolume < best->finalVolume))
            best = v;
    }
    return best ? best : &module->voices[0];
}

void VssUpdateVoice(VssVoice* v, VssModule* module) {
    const VssMixer& m = vssMixer;
    const bool released = v->flags & kVssVoiceKeyReleased;
    for (auto& env : v->envelopes) AdvanceEnvelope(env, released);
    const VssVoiceEnvelope& volEnv = v->envelopes[kVssEnvVolume];
    const VssVoiceEnvelope& panEnv = v->envelopes[kVssEnvPan];
    const VssVoiceEnvelope& pitchEnv = v->envelopes[kVssEnvPitch];

    // Auto-vibrato: the depth grows by one per carry of the rate accumulator.
    v->autoVibratoPhase = static_cast<uint8_t>(v->autoVibratoPhase + v->autoVibratoSpeed);
    uint32_t acc = v->autoVibratoAccumulator + static_cast<uint32_t>(v->autoVibratoRate & 0xFF);
    v->autoVibratoAccumulator = static_cast<uint8_t>(acc);
    if (acc > 0xFF && v->autoVibratoCurrentDepth < v->autoVibratoDepth) v->autoVibratoCurrentDepth += 1;
    int32_t wave = m.waveforms[(v->autoVibratoWaveform & 3) * 256 + v->autoVibratoPhase];
    int64_t index = v->vibratoIndex + ((static_cast<int64_t>(wave) * v->autoVibratoCurrentDepth) >> 15) + 128;
    v->vibratoIndex = Clamp(index, 0, 256);

    int32_t pitch = (pitchEnv.flags & 1) ? Clamp(pitchEnv.value, -32, 32) : 0;
    int64_t base = v->frequency;
    int64_t frequency = base + ((base * m.pitchTable[v->vibratoIndex * 65 + pitch + 32]) >> 13) + v->frequencyOffset;
    // A frequency below zero (a slide past the bottom) plays as a standing voice.
    v->finalFrequency = Clamp(frequency, 0, INT32_MAX);
    uint32_t f = static_cast<uint32_t>(v->finalFrequency);
    uint32_t rate = static_cast<uint32_t>(m.rate);
    v->step = (static_cast<uint64_t>(f / rate) << 32) + static_cast<uint32_t>((f % rate) * m.reciprocal);

    // A voice whose volume envelope was switched off after it ran past its end fades.
    if (!(volEnv.flags & 1) && volEnv.tick > volEnv.lastTick) v->flags |= kVssVoiceFading;
    if (v->flags & kVssVoiceKeyReleased) v->flags |= kVssVoiceFading;
    if (v->flags & kVssVoiceFading) {
        v->fadeVolume -= v->fadeRate;
        if (v->fadeVolume <= 0) {
            v->fadeVolume = 0;
            VssReleaseVoice(v);
            return;
        }
    }

    int64_t envelopeVolume = (volEnv.flags & 1) ? volEnv.value : 64;
    int64_t volume = envelopeVolume * (v->volume + v->volumeOffset) * v->volumeFactor * v->fadeVolume;
    if (v->channel) volume = (volume >> 6) * v->channel->volume;
    volume >>= 7;
    volume *= module->globalVolume;
    volume >>= 22;
    v->finalVolume = Clamp(volume, 0, 255);

    int32_t panValue = (panEnv.flags & 1) ? panEnv.value : 0;
    int64_t pan = panValue + (panValue >> 1) + static_cast<int64_t>(v->panVariation) + v->pan + v->panOffset;
    v->finalPan = Clamp(pan, 0, 64);
    v->gainA = static_cast<int32_t>(v->finalVolume * std::sqrt(static_cast<double>(v->finalPan))) >> 3;
    v->gainB = static_cast<int32_t>(v->finalVolume * std::sqrt(static_cast<double>(64 - v->finalPan))) >> 3;

    v->age += 1;
    v->silentTicks = v->finalVolume == 0 ? v->silentTicks + 1 : 0;
    if (v->silentTicks >= m.releaseTicks) VssReleaseVoice(v);
}

void VssMixVoice(VssVoice* v, int32_t* block, int32_t n, bool stereo) {
    if (!v->data || v->length <= 0) {
        VssReleaseVoice(v);
        return;
    }
    const int32_t frame = stereo ? 2 : 1;
    const bool wide = v->sampleFlags & kVssSample16Bit;
    const int32_t gainA = stereo ? v->gainA : v->finalVolume;
    const int32_t gainB = v->gainB;

    bool loop = false, pingPong = false;
    int32_t begin = 0, end = v->length;
    if (!(v->flags & kVssVoiceKeyReleased) && (v->sampleFlags & kVssSampleSustain)) {
        loop = true;
        pingPong = v->sampleFlags & kVssSampleSustainPingPong;
        begin = v->sustainBegin;
        end = v->sustainEnd;
    } else if (v->sampleFlags & kVssSampleLoop) {
        loop = true;
        pingPong = v->sampleFlags & kVssSamplePingPong;
        begin = v->loopBegin;
        end = v->loopEnd;
    }
    // The loader keeps every loop inside the sample; a voice set up elsewhere is checked here.
    if (loop && (begin < 0 || end > v->length || begin >= end)) {
        loop = false;
        end = v->length;
    }
    if (!pingPong) v->backwards = 0;

    if (v->finalVolume == 0) {
        // Not heard: the position only moves on. The loop is found again, or a voice past
        // its sample's end released, when the voice is next heard; until then it keeps its
        // place among the voices (see SilentVoiceKeepsItsPlace, SilentVoicePastItsEndStays).
        uint64_t moved = static_cast<uint64_t>(static_cast<double>(n) * static_cast<double>(v->step));
        v->position = v->backwards ? v->position - moved : v->position + moved;
        // Without a loop it rests at the end, so a long silence cannot wrap it back inside.
        const uint64_t end = static_cast<uint64_t>(v->length) << 32;
        if (!loop && !v->backwards && (v->position > end || v->position < moved)) v->position = end;
        return;
    }

    const int64_t forwardEnd = (static_cast<int64_t>(end) << 32) - 1;
    const int64_t loopStart = static_cast<int64_t>(begin) << 32;
    VssMixLoop forward = VssGetMixLoop(stereo, false, wide);
    VssMixLoop backward = VssGetMixLoop(stereo, true, wide);
    int32_t* out = block;
    auto mix = [&](VssMixLoop run, int64_t k) {
        run(out, v->data, &v->position, v->step, static_cast<int32_t>(k), gainA, gainB);
        out += k * frame;
        n -= static_cast<int32_t>(k);
    };

    if (!loop) {
        int64_t k = SamplesBefore(v->position, forwardEnd, v->step, n);
        if (k >= n) {
            mix(forward, n);
        } else {
            if (k > 0) mix(forward, k);
            VssReleaseVoice(v);
        }
        return;
    }
    // After a wrap the position is at the loop's start; a step longer than the whole loop
    // still takes one sample there, so every pass makes progress (see TinyLoopTerminates).
    bool wrapped = false;
    while (n > 0) {
        if (!v->backwards) {
            int64_t k = SamplesBefore(v->position, forwardEnd, v->step, n);
            if (k == 0 && wrapped) k = 1;
            if (k >= n) {
                mix(forward, n);
                break;
            }
            if (k > 0) mix(forward, k);
            if (pingPong) {
                v->position = static_cast<uint64_t>(end - 1) << 32;
                v->backwards = 1;
            } else {
                v->position = static_cast<uint64_t>(loopStart);
            }
        } else {
            if (static_cast<int64_t>(v->position) > forwardEnd) v->position = static_cast<uint64_t>(end - 1) << 32;
            int64_t k = SamplesAfter(v->position, loopStart, v->step, n);
            if (k == 0 && wrapped) k = 1;
            if (k >= n) {
                mix(backward, n);
                break;
            }
            if (k > 0) mix(backward, k);
            v->position = static_cast<uint64_t>(loopStart);
            v->backwards = 0;
        }
        wrapped = true;
    }
}

void VssRenderTick() {
    VssMixer& m = vssMixer;
    VssModule* module = m.module;
    VssPlayerTick(module);
    const int32_t inUse = std::min(module->voicesInUse, module->numVoices);
    for (int32_t i = 0; i < inUse; ++i)
        if (module->voices[i].state != kVssVoiceFree) VssUpdateVoice(&module->voices[i], module);

    const int32_t channels = IsStereo() ? 2 : 1;
    m.samplesPerTick = VssSamplesPerTick(m.rate, module->tempo);
    const size_t blockInts = static_cast<size_t>(m.samplesPerTick) * channels;
    // With a history the blocks follow each other through the ring; without one every
    // block starts at the ring's start.
    size_t start = static_cast<size_t>(m.block - m.ring.data()) + blockInts;
    if (start >= static_cast<size_t>(m.historySamples) * channels || start + blockInts > m.ring.size())
        start = 0;
    m.block = m.ring.data() + start;
    std::memset(m.block, 0, blockInts * sizeof(int32_t));

    for (int32_t i = 0; i < inUse; ++i) {
        VssVoice* v = &module->voices[i];
        if (v->state == kVssVoiceFree) continue;
        if (v->startDelay != 0) {
            v->startDelay -= 1;
            continue;
        }
        VssMixVoice(v, m.block, m.samplesPerTick, channels == 2);
    }

    const int32_t state = VssState.load(std::memory_order_relaxed);
    for (int c = 0; c < channels; ++c) {
        int32_t* x = m.block + c;
        if (state & kVssLowPass) {
            int32_t y = m.lowY[c];
            for (int32_t i = 0; i < m.samplesPerTick; ++i) {
                y = static_cast<int32_t>((static_cast<int64_t>(x[i * channels]) * m.lowA +
                                          static_cast<int64_t>(y) * m.lowB) >> 8);
                x[i * channels] = y;
            }
            m.lowY[c] = y;
        }
        if (state & kVssHighPass) {
            int32_t y = m.highY[c], xp = m.highX[c];
            for (int32_t i = 0; i < m.samplesPerTick; ++i) {
                int32_t in = x[i * channels];
                y = static_cast<int32_t>(((static_cast<int64_t>(y) + in - xp) * m.highB) >> 8);
                xp = in;
                x[i * channels] = y;
            }
            m.highY[c] = y;
            m.highX[c] = xp;
        }
    }
}

namespace {

// One accumulator value to the output range: echo first, then the clip at 16 bits.
inline int32_t Clip16(int64_t v) {
    int64_t u = v + 0x8000;
    if (u < 0) u = 0;
    if (u > 0xFFFF) u = 0xFFFF;
    return static_cast<int32_t>(u);
}

template <bool Sixteen, bool Stereo>
void Convert(uint8_t* dest, int32_t frames, bool echo) {
    VssMixer& m = vssMixer;
    const int channels = Stereo ? 2 : 1;
    const int shift = m.echoShift;
    const bool swap = Stereo && m.channelOrder;
    for (int32_t f = 0; f < frames; ++f) {
        if (m.readPosition >= m.samplesPerTick) {
            VssHeardTickStartsAt(f);
            VssRenderTick();
            m.readPosition = 0;
        }
        const int32_t* acc = m.block + static_cast<size_t>(m.readPosition) * channels;
        for (int c = 0; c < channels; ++c) {
            int64_t v = acc[swap ? 1 - c : c];
            if constexpr (Sixteen) {
                int16_t* out = reinterpret_cast<int16_t*>(dest) + static_cast<size_t>(f) * channels + c;
                if (echo) {
                    int16_t old;
                    std::memcpy(&old, out, 2);
                    v += old >> shift;
                }
                int16_t value = static_cast<int16_t>(Clip16(v) - 0x8000);
                std::memcpy(out, &value, 2);
            } else {
                uint8_t* out = dest + static_cast<size_t>(f) * channels + c;
                if (echo) v += static_cast<int32_t>(static_cast<uint32_t>(*out - 128) << (8 - shift));
                *out = static_cast<uint8_t>(Clip16(v) >> 8);
            }
        }
        m.readPosition += 1;
    }
}

}  // namespace

void VSS_Mix(int byteCount, void* destination) {
    if (byteCount <= 0 || !destination) return;
    VssLock lock;  // requests from other threads land between mix calls (vss_lock.h)
    VssMixer& m = vssMixer;
    const int32_t state = VssState.load(std::memory_order_acquire);
    const int bytesPerFrame = ((m.format & 1) ? 2 : 1) * ((m.format & 2) ? 2 : 1);
    const int32_t frames = byteCount / bytesPerFrame;
    if (!(state & kVssPlaying) || !m.module || !m.ready) {
        std::memset(destination, (m.format & 1) ? 0x00 : 0x80, static_cast<size_t>(byteCount));
        VssHeardMixed(frames);
        return;
    }
    auto* dest = static_cast<uint8_t*>(destination);
    const bool echo = state & kVssEcho;
    switch (m.format) {
    case 0: Convert<false, false>(dest, frames, echo); break;
    case 1: Convert<true, false>(dest, frames, echo); break;
    case 2: Convert<false, true>(dest, frames, echo); break;
    default: Convert<true, true>(dest, frames, echo); break;
    }
    VssHeardMixed(frames);
    // Bytes that make no whole frame stay silent.
    if (frames * bytesPerFrame < byteCount)
        std::memset(dest + frames * bytesPerFrame, (m.format & 1) ? 0x00 : 0x80,
                    static_cast<size_t>(byteCount - frames * bytesPerFrame));
}
