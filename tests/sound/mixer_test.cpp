// The mixer: tables, tick length, voice update, loops, inner-loop products, filters and
// the output formats.
#include <cmath>
#include <cstring>

#include "it_builder.h"
#include "sound/mixer_loops.h"
#include "sound_test_util.h"
#include "support/corpus.h"

namespace {

class Mixer : public ::testing::Test {
protected:
    void Start(int format = kVss16BitStereo, int rate = 44100) {
        SetUpMixer(format, rate);
        TestModule m;
        m.samples.push_back(Raw8({0, 1, 2, 3, 4, 5, 6, 7}));
        module = LoadBytes(BuildIt(m));
        ASSERT_NE(module, nullptr);
        VSS_Play(module.get());
    }
    void TearDown() override {
        VssState = 0;
        vssMixer.module = nullptr;
    }

    // Voice 1 playing `data` at `frequency`, full volume, centre pan, no channel.
    VssVoice* StartVoice(const void* data, int32_t length, int32_t flags, int32_t frequency) {
        VssVoice* v = &module->voices[0];
        *v = VssVoice{};
        v->state = kVssVoiceActive;
        v->volume = 64;
        v->volumeFactor = 256;
        v->fadeVolume = 1024;
        v->panVariation = 32;
        for (auto& env : v->envelopes) env.value = 256;
        v->data = data;
        v->length = length;
        v->sampleFlags = flags;
        v->frequency = frequency;
        module->voicesInUse = 1;
        return v;
    }

    // The sample indices one voice reads for n output samples (8-bit data 0..length-1).
    std::vector<int> Trace(VssVoice* v, int32_t n) {
        std::vector<int32_t> block(static_cast<size_t>(n), 0);
        VssUpdateVoice(v, module.get());
        v->finalVolume = 1;  // mono gain 1: the block holds the sample values themselves
        VssMixVoice(v, block.data(), n, false);
        return std::vector<int>(block.begin(), block.end());
    }

    // The first `n` outputs (16-bit mono) of a voice holding 100 at full volume, with the
    // filter `on` switched on at 1000 Hz.
    template <typename SwitchOn>
    std::vector<int16_t> FilteredStep(SwitchOn on, int n) {
        Start(kVss16BitMono);
        std::vector<int8_t> data(64, 100);
        StartVoice(data.data(), 64, kVssSampleLoop, 44100)->loopEnd = 64;
        on(1000);
        std::vector<int16_t> out(static_cast<size_t>(n));
        VSS_Mix(n * 2, out.data());
        return out;
    }

    ModulePtr module;
};

TEST_F(Mixer, SamplesPerTick) {
    EXPECT_EQ(VssSamplesPerTick(44100, 125), 882);
    EXPECT_EQ(VssSamplesPerTick(44100, 32), 3445);
    EXPECT_EQ(VssSamplesPerTick(22050, 255), 216);
    // Tempo 0 from a damaged file neither divides by zero nor outgrows the ring.
    EXPECT_EQ(VssSamplesPerTick(44100, 0), 3445);
    EXPECT_LE(VssSamplesPerTick(100000, 1) * 2 * 4, kVssRingBytes / 2);
}

TEST_F(Mixer, TablesAreBuiltFromTheSeededGenerator) {
    Start();
    const VssMixer& m = vssMixer;
    EXPECT_EQ(m.pitchTable[128 * 65 + 32], 0);
    EXPECT_EQ(m.pitchTable[128 * 65 + 34], static_cast<int32_t>((std::pow(2.0, 1.0 / 12) - 1) * 8192 + 0.5));
    EXPECT_EQ(m.volumeTable[255 * 512 + 0x80], -128 * 255);
    EXPECT_EQ(m.volumeTable[255 * 512 + 256 + 0xFF], 254);
    EXPECT_EQ(m.waveforms[64], 65536);
    EXPECT_EQ(m.waveforms[256 + 255], 65536 - 514 * 255);
    EXPECT_EQ(m.arpeggioTable[12], 8192);
    EXPECT_EQ(m.slideTable[256], 0);
    std::vector<int32_t> ring = m.randomRing, random = m.waveforms;
    Start();
    EXPECT_EQ(vssMixer.randomRing, ring);
    EXPECT_EQ(vssMixer.waveforms, random);
}

TEST_F(Mixer, SixteenBitProductMatchesTable) {
    Start();
    const std::vector<int32_t>& table = vssMixer.volumeTable;
    for (int gain = 0; gain < 256; ++gain)
        for (int s = -32768; s < 32768; s += 7) {
            int hi = (s >> 8) & 0xFF, lo = s & 0xFF;
            ASSERT_EQ(table[gain * 512 + hi] + table[gain * 512 + 256 + lo], (s * gain) >> 8) << s << " " << gain;
        }
    const int16_t minusOne[1] = {-1};
    int32_t acc[2] = {0, 0};
    uint64_t position = 0;
    VssGetMixLoop(true, false, true)(acc, minusOne, &position, 0, 1, 255, 255);
    EXPECT_EQ(acc[0], -1);
    EXPECT_EQ(acc[1], -1);
}

// VSS_PlaySample takes the caller's bytes wherever they lie; the fuzz target found a 16-bit
// sample at an odd address read through a misaligned pointer (undefined behaviour, which
// the sanitizer build stops at).
TEST_F(Mixer, SixteenBitSampleAtAnOddAddress) {
    Start();
    const int16_t values[4] = {1000, -2000, 30000, -32768};
    alignas(4) uint8_t bytes[1 + sizeof values];
    std::memcpy(bytes + 1, values, sizeof values);
    for (bool stereo : {true, false})
        for (bool backwards : {false, true}) {
            int32_t odd[8] = {}, even[8] = {};
            uint64_t oddPosition = uint64_t(backwards ? 3 : 0) << 32, evenPosition = oddPosition;
            const uint64_t step = uint64_t(1) << 32;  // one sample per output sample
            VssGetMixLoop(stereo, backwards, true)(odd, bytes + 1, &oddPosition, step, 4, 200, 100);
            VssGetMixLoop(stereo, backwards, true)(even, values, &evenPosition, step, 4, 200, 100);
            for (int i = 0; i < 8; ++i) EXPECT_EQ(odd[i], even[i]) << stereo << backwards << i;
            EXPECT_EQ(oddPosition, evenPosition);
        }
}

TEST_F(Mixer, ClippingAndOutputFormats) {
    const int32_t block[8] = {40000, -40000, 100, -100, 0, 0x7FFF, 0, 0};
    for (int format = 0; format < 4; ++format) {
        Start(format);
        const int channels = (format & 2) ? 2 : 1;
        vssMixer.samplesPerTick = 4;
        vssMixer.readPosition = 0;
        std::copy(block, block + 8, vssMixer.block);
        uint8_t out[16];
        const int bytes = 4 * channels * ((format & 1) ? 2 : 1);
        VSS_Mix(bytes, out);
        std::vector<int> got;
        for (int i = 0; i < 4 * channels; ++i)
            got.push_back((format & 1) ? static_cast<int16_t>(out[2 * i] | out[2 * i + 1] << 8) : out[i]);
        std::vector<int> want;
        if (format == 0) want = {0xFF, 0x00, 0x80, 0x7F};
        if (format == 1) want = {0x7FFF, -0x8000, 100, -100};
        // Stereo frames are (right, left) in the block and left first in the output.
        if (format == 2) want = {0x00, 0xFF, 0x7F, 0x80, 0xFF, 0x80, 0x80, 0x80};
        if (format == 3) want = {-0x8000, 0x7FFF, -100, 100, 0x7FFF, 0, 0, 0};
        EXPECT_EQ(got, want) << VSS_FormatNames[format];
    }
}

TEST_F(Mixer, SilenceWhileStoppedAndEcho) {
    Start(kVss8BitMono);
    VSS_Stop();
    uint8_t out[7];
    VSS_Mix(7, out);
    for (uint8_t b : out) EXPECT_EQ(b, 0x80);
    Start(kVss16BitMono);
    vssMixer.samplesPerTick = 2;
    vssMixer.readPosition = 0;
    vssMixer.block[0] = 1000;
    vssMixer.block[1] = 0;
    int16_t dest[2] = {4000, -4000};  // what the ring held one lap ago
    VSS_EchoOn();
    VSS_Mix(4, dest);
    EXPECT_EQ(dest[0], 3000);  // 1000 + 4000 / 2
    EXPECT_EQ(dest[1], -2000);
}

TEST_F(Mixer, GainsFollowPan) {
    Start();
    int8_t data[4] = {};
    VssVoice* v = StartVoice(data, 4, 0, 44100);
    struct Case {
        int pan, gainA, gainB;
    } cases[] = {{0, 0, 255}, {64, 255, 0}, {32, 180, 180}};
    for (const Case& c : cases) {
        v->panVariation = c.pan;
        VssUpdateVoice(v, module.get());
        EXPECT_EQ(v->finalVolume, 255);
        EXPECT_EQ(v->gainA, c.gainA) << c.pan;
        EXPECT_EQ(v->gainB, c.gainB) << c.pan;
    }
}

TEST_F(Mixer, ForwardLoopEndingMidTickGoesOnAtLoopBegin) {
    Start(kVss16BitMono);
    int8_t data[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    VssVoice* v = StartVoice(data, 8, kVssSampleLoop, 44100);
    v->loopBegin = 2;
    v->loopEnd = 6;
    EXPECT_EQ(Trace(v, 10), (std::vector<int>{0, 1, 2, 3, 4, 2, 3, 4, 2, 3}));
    EXPECT_EQ(v->state, kVssVoiceActive);
}

TEST_F(Mixer, PingPongTurnsAtBothEnds) {
    Start(kVss16BitMono);
    int8_t data[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    VssVoice* v = StartVoice(data, 8, kVssSampleLoop | kVssSamplePingPong, 44100);
    v->loopBegin = 2;
    v->loopEnd = 6;
    EXPECT_EQ(Trace(v, 14), (std::vector<int>{0, 1, 2, 3, 4, 5, 4, 3, 2, 3, 4, 5, 4, 3}));
    // The direction survives the tick boundary.
    EXPECT_EQ(Trace(v, 3), (std::vector<int>{2, 3, 4}));
}

TEST_F(Mixer, SustainLoopUntilKeyRelease) {
    Start(kVss16BitMono);
    int8_t data[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    VssVoice* v = StartVoice(data, 8, kVssSampleSustain | kVssSampleLoop, 44100);
    v->sustainBegin = 1;
    v->sustainEnd = 3;
    v->loopBegin = 4;
    v->loopEnd = 8;
    v->fadeRate = 0;
    EXPECT_EQ(Trace(v, 5), (std::vector<int>{0, 1, 1, 1, 1}));
    v->flags |= kVssVoiceKeyReleased;
    EXPECT_EQ(Trace(v, 9), (std::vector<int>{2, 3, 4, 5, 6, 4, 5, 6, 4}));
}

TEST_F(Mixer, UnloopedSampleEndReleasesTheVoice) {
    Start(kVss16BitMono);
    int8_t data[4] = {1, 2, 3, 4};
    VssVoice* v = StartVoice(data, 4, 0, 44100);
    EXPECT_EQ(Trace(v, 10), (std::vector<int>{1, 2, 3, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(v->state, kVssVoiceFree);
}

TEST_F(Mixer, TinyLoopTerminates) {
    Start(kVss16BitMono);
    int8_t data[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    // A step of five samples over a loop of one.
    VssVoice* v = StartVoice(data, 8, kVssSampleLoop | kVssSamplePingPong, 5 * 44100);
    v->loopBegin = 3;
    v->loopEnd = 4;
    // Nothing fits before the loop's end from the start; after that every pass takes the
    // one sample of the loop.
    std::vector<int> trace = Trace(v, 50);
    for (size_t i = 0; i < trace.size(); ++i) EXPECT_EQ(trace[i], 3) << i;
}

TEST_F(Mixer, SilentVoiceKeepsItsPlace) {
    Start(kVss16BitMono);
    int8_t data[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    VssVoice* v = StartVoice(data, 8, kVssSampleLoop, 3 * 44100);
    v->loopBegin = 4;
    v->loopEnd = 8;
    std::vector<int32_t> block(1000, 0);
    VssUpdateVoice(v, module.get());
    v->finalVolume = 0;
    VssMixVoice(v, block.data(), 1000, false);  // moves 3000 samples past the loop's end
    EXPECT_EQ(v->state, kVssVoiceActive);
    std::vector<int> trace = Trace(v, 20);
    for (int s : trace) {
        EXPECT_GE(s, 4);
        EXPECT_LE(s, 7);
    }
}

// A silent voice only moves on: past its sample's end it keeps its place until it is next
// heard (then released without a sound) or the silence releases it.
TEST_F(Mixer, SilentVoicePastItsEndStays) {
    Start(kVss16BitMono);
    int8_t data[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    VssVoice* v = StartVoice(data, 8, 0, 3 * 44100);
    std::vector<int32_t> block(1000, 0);
    VssUpdateVoice(v, module.get());
    v->finalVolume = 0;
    VssMixVoice(v, block.data(), 1000, false);
    EXPECT_EQ(v->state, kVssVoiceActive);
    EXPECT_EQ(VssChooseVoice(module.get()), &module->voices[1]);  // the next sound goes elsewhere
    v->finalVolume = 255;
    VssMixVoice(v, block.data(), 1000, false);
    EXPECT_EQ(v->state, kVssVoiceFree);
    for (int32_t s : block) ASSERT_EQ(s, 0);
}

// The final volume multiplies envelope, volume with its offset, note factor, fade volume,
// channel volume and global volume, shifting as it goes; none of these values saturates.
TEST_F(Mixer, FinalVolumeChain) {
    Start();
    int8_t data[8] = {};
    VssVoice* v = StartVoice(data, 8, kVssSampleLoop, 8363);
    v->loopEnd = 8;
    VssChannel* ch = &module->channels[0];
    v->channel = ch;
    ch->volume = 48;
    module->globalVolume = 100;
    v->volume = 40;
    v->volumeOffset = -4;
    v->volumeFactor = 200;
    v->fadeVolume = 512;
    VssUpdateVoice(v, module.get());
    // 64 x 36 x 200 x 512 >> 6, x 48 >> 7, x 100 >> 22
    EXPECT_EQ(v->finalVolume, 32);
    static const int8_t kEnvelope[1] = {48};
    VssVoiceEnvelope& env = v->envelopes[kVssEnvVolume];
    env.flags = 1;
    env.values = kEnvelope;
    env.lastTick = 0;
    v->volumeOffset = -4;  // the player sets it again every tick
    VssUpdateVoice(v, module.get());
    EXPECT_EQ(v->finalVolume, 24);  // 48 in place of 64
    v->flags = kVssVoiceFading;
    v->fadeRate = 256;
    v->volumeOffset = -4;
    VssUpdateVoice(v, module.get());
    EXPECT_EQ(v->fadeVolume, 256);
    EXPECT_EQ(v->finalVolume, 12);
}

// The sample's vibrato: the phase steps by its speed, each carry of the rate accumulator
// deepens it by one up to its depth, and the index moves the pitch by 1/128 semitones.
TEST_F(Mixer, AutoVibrato) {
    Start();
    int8_t data[8] = {};
    VssVoice* v = StartVoice(data, 8, kVssSampleLoop, 8363);
    v->loopEnd = 8;
    v->autoVibratoSpeed = 64;       // a quarter turn: the sine's top
    v->autoVibratoDepth = 10;
    v->autoVibratoRate = 100;
    v->autoVibratoAccumulator = 200;
    v->autoVibratoCurrentDepth = 9;
    VssUpdateVoice(v, module.get());
    EXPECT_EQ(v->autoVibratoCurrentDepth, 10);
    EXPECT_EQ(v->autoVibratoAccumulator, 44);
    EXPECT_EQ(v->vibratoIndex, 148);        // 65536 x 10 >> 15, + 128
    EXPECT_EQ(v->finalFrequency, 8438);     // 8363 + 8363 x 74 >> 13
    v->vibratoIndex = 0;
    v->autoVibratoAccumulator = 200;
    VssUpdateVoice(v, module.get());        // another carry: the depth stays at 10
    EXPECT_EQ(v->autoVibratoCurrentDepth, 10);
    EXPECT_EQ(v->autoVibratoPhase, 128);
    EXPECT_EQ(v->vibratoIndex, 128);        // sin(pi) = 0
    EXPECT_EQ(v->finalFrequency, 8363);
}

TEST_F(Mixer, SilentVoiceIsReleasedAfterTheDelay) {
    Start();
    VSS_PreInit(300, 1000, 1, 0);
    int8_t data[8] = {};
    VssVoice* v = StartVoice(data, 8, kVssSampleLoop, 8000);
    v->loopEnd = 8;
    v->volume = 0;
    for (int tick = 1; tick < 300; ++tick) VssUpdateVoice(v, module.get());
    EXPECT_EQ(v->state, kVssVoiceActive);
    VssUpdateVoice(v, module.get());
    EXPECT_EQ(v->state, kVssVoiceFree);
}

TEST_F(Mixer, FadeOutAndEnvelopeLoop) {
    Start();
    int8_t data[8] = {};
    VssVoice* v = StartVoice(data, 8, kVssSampleLoop, 8000);
    v->loopEnd = 8;
    const int8_t table[5] = {64, 48, 32, 16, 0};
    VssVoiceEnvelope& env = v->envelopes[kVssEnvVolume];
    env = VssVoiceEnvelope{1 | 2, 0, 0, 1, 3, 4, 0, 256, table};
    std::vector<int> values;
    for (int i = 0; i < 7; ++i) {
        VssUpdateVoice(v, module.get());
        values.push_back(env.value);
    }
    EXPECT_EQ(values, (std::vector<int>{64, 48, 32, 16, 48, 32, 16}));
    v->flags |= kVssVoiceKeyReleased;
    v->fadeRate = 512;
    VssUpdateVoice(v, module.get());
    EXPECT_EQ(v->fadeVolume, 512);
    VssUpdateVoice(v, module.get());
    EXPECT_EQ(v->state, kVssVoiceFree);
}

TEST_F(Mixer, FilterCoefficients) {
    int32_t a, b;
    VssFilterCoefficients(1000, 44100, &a, &b);
    EXPECT_EQ(a, 31);
    EXPECT_EQ(b, 224);
    int32_t a10, b10;
    VssFilterCoefficients(1, 44100, &a, &b);
    VssFilterCoefficients(10, 44100, &a10, &b10);
    EXPECT_EQ(a, a10);
    EXPECT_EQ(b, b10);
    VssFilterCoefficients(44100, 1000, &a, &b);  // rate far below the cutoff
    EXPECT_EQ(a, 255);
    EXPECT_EQ(b, 1);
}

TEST_F(Mixer, LowPassSmoothsAStep) {
    const std::vector<int16_t> out = FilteredStep(VSS_LowPassOn, 2);
    // y = (x * 31 + y' * 224) >> 8 from rest: the first output is a small part of the input.
    const int32_t x = 100 * 255;
    EXPECT_EQ(out[0], (x * 31) >> 8);
    EXPECT_EQ(out[1], (x * 31 + ((x * 31) >> 8) * 224) >> 8);
}

TEST_F(Mixer, HighPassPassesTheEdgeOfAStep) {
    // y = ((y' + x - x') x 224) >> 8 from rest with x = 100 x 255: the step, then its decay.
    EXPECT_EQ(FilteredStep(VSS_HighPassOn, 3), (std::vector<int16_t>{22312, 19523, 17082}));
}

TEST_F(Mixer, SameModuleSameAudio) {
    UMBRAVEL_NEED_CORPUS(CorpusDir());
    std::vector<uint8_t> bytes = ReadBytes(CorpusDir() / "xmp_another_life.it");
    std::vector<uint8_t> first, second;
    for (auto* out : {&first, &second}) {
        SetUpMixer();
        ModulePtr m = LoadBytes(bytes);
        ASSERT_NE(m, nullptr);
        VSS_Play(m.get());
        out->resize(44100 * 4);
        VSS_Mix(static_cast<int>(out->size()), out->data());
        VSS_Stop();
        vssMixer.module = nullptr;
    }
    EXPECT_EQ(first, second);
}

TEST_F(Mixer, PlaySampleChoosesAVoice) {
    Start();
    int8_t beep[100] = {};
    EXPECT_EQ(VSS_PlaySample(nullptr, 8, 100, 8000, 200, 0), 0);
    EXPECT_EQ(VSS_LastError, 5);
    EXPECT_EQ(VSS_PlaySample(beep, 12, 100, 8000, 200, 0), 0);
    EXPECT_EQ(VSS_PlaySample(beep, 8, 100, 8000, 257, 0), 0);
    EXPECT_EQ(VSS_PlaySample(beep, 8, 100, 8000, 200, 33), 0);
    EXPECT_EQ(VSS_PlaySample(beep, 8, 100, 8000, 200, 0), 1);
    EXPECT_EQ(VSS_LastError, 0);
    EXPECT_EQ(VSS_PlaySample(beep, 16, 100, 8000, 200, -32), 2);
    EXPECT_EQ(module->voices[1].length, 50);
    EXPECT_EQ(module->voices[1].panVariation, 0);
    EXPECT_EQ(module->voicesInUse, 2);
    for (int i = 0; i < module->numVoices; ++i) module->voices[i].state = kVssVoiceActive;
    module->voices[5].state = kVssVoiceBackground;
    module->voices[5].finalVolume = 10;
    EXPECT_EQ(VSS_PlaySample(beep, 8, 100, 8000, 200, 0), 6);  // the quietest background voice
}

}  // namespace
