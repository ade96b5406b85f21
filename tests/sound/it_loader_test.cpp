// Loader checks, codes and the mends for damaged files; the real-file corpus.
#include <cmath>
#include <map>

#include "it_builder.h"
#include "sound/it_sample_codec.h"
#include "sound_test_util.h"
#include "support/corpus.h"

namespace {

class ItLoader : public ::testing::Test {
protected:
    void SetUp() override { SetUpMixer(); }
};

TestModule OneSampleModule() {
    TestModule m;
    m.samples.push_back(Raw8({0, 10, 20, 30, 40, 50, 60, 70}));
    return m;
}

TEST_F(ItLoader, HeaderChecksRefuseInOrder) {
    struct Case {
        int16_t created;
        uint16_t flags;
        int code;
    } cases[] = {
        {0x0201, 0x0000, 16},  // version first, even with every flag wrong
        {0x0202, 0x0008, 17},  // no instruments
        {0x0202, 0x0004, 18},  // Amiga slides
        {0x0202, 0x001C, 19},  // old effects
    };
    for (const Case& c : cases) {
        TestModule m = OneSampleModule();
        m.created = c.created;
        m.flags = c.flags;
        EXPECT_EQ(LoadBytes(BuildIt(m)), nullptr);
        EXPECT_EQ(VSS_LastError, c.code) << "created " << c.created << " flags " << c.flags;
    }
    TestModule gxx = OneSampleModule();
    gxx.flags |= 0x20;  // compatible Gxx is not refused
    EXPECT_NE(LoadBytes(BuildIt(gxx)), nullptr);
    EXPECT_EQ(VSS_LastError, 0);
}

TEST_F(ItLoader, OrderListMustHoldSomethingToPlay) {
    TestModule m = OneSampleModule();
    for (auto orders : {std::vector<uint8_t>{0xFE, 0xFE}, std::vector<uint8_t>{0xFF, 0}, std::vector<uint8_t>{}}) {
        m.orders = orders;
        EXPECT_EQ(LoadBytes(BuildIt(m)), nullptr);
        EXPECT_EQ(VSS_LastError, 21);
    }
    m.orders = {0xFE, 3, 0xFF};
    ModulePtr loaded = LoadBytes(BuildIt(m));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->numPatterns, 4);
}

TEST_F(ItLoader, MissingPatternsGetEmptySlots) {
    TestModule m = OneSampleModule();
    m.patterns.assign(26, TestPattern{32, {0, 0, 0}, false});
    m.patterns[5].missing = true;
    m.orders = {0, 30, 0xFF};
    ModulePtr loaded = LoadBytes(BuildIt(m));
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->numPatterns, 31);
    EXPECT_EQ(loaded->patterns[0].rows, 32);
    for (int p : {5, 26, 30}) {
        EXPECT_EQ(loaded->patterns[p].rows, 64) << p;
        ASSERT_EQ(loaded->patterns[p].length, 64) << p;
        for (int i = 0; i < 64; ++i) EXPECT_EQ(loaded->patterns[p].data[i], 0);
    }
}

TEST_F(ItLoader, KeyboardFrequencies) {
    TestModule m = OneSampleModule();
    m.instruments[0].keyNote[1] = 72;
    m.instruments[0].keyNote[2] = 48;
    m.instruments[0].keyNote[3] = 200;  // past the last note
    m.instruments[0].keySample[4] = 9;  // a sample the file lacks
    m.instruments[0].keySample[5] = 0;
    m.instruments[0].keyNote[0] = 60;
    ModulePtr loaded = LoadBytes(BuildIt(m));
    ASSERT_NE(loaded, nullptr);
    const VssKey* keys = loaded->instruments[0].keyboard;
    EXPECT_EQ(keys[0].sample, &loaded->samples[0]);
    EXPECT_EQ(keys[0].frequency, 8363);
    EXPECT_EQ(keys[1].frequency, 16726);
    EXPECT_EQ(keys[2].frequency, 4181);
    for (int k : {3, 4, 5}) {
        EXPECT_EQ(keys[k].sample, nullptr) << k;
        EXPECT_EQ(keys[k].frequency, 0) << k;
    }
    EXPECT_EQ(keys[119].frequency, static_cast<int32_t>(8363 * std::pow(2.0, 59 / 12.0)));
}

TEST_F(ItLoader, HighTransposeKeepsFrequencyInRange) {
    TestModule m = OneSampleModule();
    m.samples[0].c5Speed = 0xF0000000u;
    ModulePtr loaded = LoadBytes(BuildIt(m));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->samples[0].c5Speed, 9999999);
    EXPECT_GT(loaded->instruments[0].keyboard[119].frequency, 9999999);
}

TEST_F(ItLoader, EnvelopesAreRenderedPerTick) {
    TestModule m = OneSampleModule();
    m.instruments[0].envelopes[0] = TestEnvelope{1, {{64, 0}, {0, 4}}};
    m.instruments[0].envelopes[1] = TestEnvelope{5, {{-32, 2}, {32, 6}, {0, 10}}, 0, 0, 1, 2};
    ModulePtr loaded = LoadBytes(BuildIt(m));
    ASSERT_NE(loaded, nullptr);
    const VssEnvelope& vol = loaded->instruments[0].envelopes[kVssEnvVolume];
    ASSERT_EQ(vol.lastTick, 4);
    EXPECT_EQ(std::vector<int>(vol.values, vol.values + 5), (std::vector<int>{64, 48, 32, 16, 0}));
    const VssEnvelope& pan = loaded->instruments[0].envelopes[kVssEnvPan];
    EXPECT_EQ(pan.flags, 5);
    EXPECT_EQ(pan.sustainBegin, 6);
    EXPECT_EQ(pan.sustainEnd, 10);
    EXPECT_EQ(pan.values[0], -32);  // before the first node: its value
    EXPECT_EQ(pan.values[3], -16);  // truncated toward zero
    EXPECT_EQ(pan.values[7], 24);
}

TEST_F(ItLoader, BadEnvelopeOrderIsMended) {
    TestModule m = OneSampleModule();
    // Ticks 16 then 12, loop and sustain node numbers past the last node.
    m.instruments[0].envelopes[0] = TestEnvelope{7, {{64, 0}, {32, 16}, {0, 12}}, 0, 3, 1, 255};
    m.instruments[0].envelopes[2] = TestEnvelope{1, {{100, 0}, {-100, 8}}};  // pitch values past +-32
    ModulePtr loaded = LoadBytes(BuildIt(m));
    ASSERT_NE(loaded, nullptr);
    const VssEnvelope& vol = loaded->instruments[0].envelopes[kVssEnvVolume];
    EXPECT_EQ(vol.lastTick, 16);
    EXPECT_EQ(vol.values[16], 0);
    EXPECT_EQ(vol.flags, 1);  // both loops switched off
    const VssEnvelope& pitch = loaded->instruments[0].envelopes[kVssEnvPitch];
    EXPECT_EQ(pitch.values[0], 32);
    EXPECT_EQ(pitch.values[8], -32);
}

TEST_F(ItLoader, FilterEnvelopeIsNotPitch) {
    TestModule m = OneSampleModule();
    m.instruments[0].envelopes[2] = TestEnvelope{0x81, {{32, 0}, {32, 100}}};
    ModulePtr loaded = LoadBytes(BuildIt(m));
    ASSERT_NE(loaded, nullptr);
    const VssEnvelope& pitch = loaded->instruments[0].envelopes[kVssEnvPitch];
    EXPECT_EQ(pitch.flags & 1, 0);
    EXPECT_EQ(pitch.lastTick, 0);
    EXPECT_EQ(pitch.values[0], 0);
}

TEST_F(ItLoader, DuplicateCheckTypeBeyondThreeIsOff) {
    TestModule m = OneSampleModule();
    m.instruments[0].dupCheckType = 4;
    m.instruments[0].newNoteAction = 9;
    m.instruments[0].dupCheckAction = 3;
    ModulePtr loaded = LoadBytes(BuildIt(m));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->instruments[0].dupCheckType, 0);
    EXPECT_EQ(loaded->instruments[0].newNoteAction, 0);
    EXPECT_EQ(loaded->instruments[0].dupCheckAction, 0);
}

TEST_F(ItLoader, OffsetsOutsideTheFileAreRefused) {
    std::vector<uint8_t> good = BuildIt(OneSampleModule());
    EXPECT_NE(LoadBytes(good), nullptr);
    // Every cut of the tables and headers is refused, never read past.
    const size_t headersEnd = good.size() - 8;  // the sample data may be cut instead
    for (size_t size : {size_t{0}, size_t{0x40}, size_t{0xBF}, size_t{0xC1}, size_t{0xC8}, headersEnd - 70}) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(size));
        EXPECT_EQ(VSS_LoadIT(cut.data(), cut.size(), 0), nullptr) << size;
        EXPECT_EQ(VSS_LastError, kVssErrorDamagedModule) << size;
    }
    EXPECT_STREQ(VSS_GetErrorText(kVssErrorDamagedModule), "[VSS] IT module is truncated or damaged");
    EXPECT_EQ(VSS_LoadIT(nullptr, 100, 0), nullptr);
}

TEST_F(ItLoader, TruncatedSampleIsCut) {
    TestModule m = OneSampleModule();
    m.samples[0].length = 1000;  // 8 bytes stored
    m.samples[0].flags |= 0x10;
    m.samples[0].loopBegin = 2;
    m.samples[0].loopEnd = 900;
    TestSample away = Raw8({1, 2, 3});
    away.data.clear();
    away.dataOffsetPastEnd = true;
    m.samples.push_back(away);
    ModulePtr loaded = LoadBytes(BuildIt(m));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->samples[0].length, 8);
    EXPECT_EQ(loaded->samples[0].loopEnd, 8);
    EXPECT_EQ(loaded->samples[1].length, 0);
    EXPECT_EQ(loaded->samples[1].data, nullptr);
}

TEST_F(ItLoader, RawSixteenBitDataGetsLowByteOffset) {
    TestModule m;
    TestSample s;
    s.flags = 0x03;
    s.length = 2;
    s.data = {0x00, 0x10, 0xF0, 0xFF};
    m.samples.push_back(s);
    ModulePtr loaded = LoadBytes(BuildIt(m));
    ASSERT_NE(loaded, nullptr);
    const int16_t* d = static_cast<const int16_t*>(loaded->samples[0].data);
    EXPECT_EQ(d[0], 0x1080);
    EXPECT_EQ(d[1], static_cast<int16_t>(0xFF70));
}

TEST_F(ItLoader, ResampleStretchesSlowSamples) {
    SetUpMixer(kVss16BitStereo, 16000);
    TestModule m = OneSampleModule();
    m.samples[0].c5Speed = 8000;
    m.samples[0].flags |= 0x10;
    m.samples[0].loopBegin = 2;
    m.samples[0].loopEnd = 8;
    ModulePtr loaded = LoadBytes(BuildIt(m), 1);
    ASSERT_NE(loaded, nullptr);
    const VssSample& s = loaded->samples[0];
    EXPECT_EQ(s.length, 16);
    EXPECT_EQ(s.c5Speed, 16000);
    EXPECT_EQ(s.originalC5Speed, 8000);
    EXPECT_EQ(s.loopBegin, 4);
    EXPECT_EQ(s.loopEnd, 16);
    const int8_t* d = static_cast<const int8_t*>(s.data);
    EXPECT_EQ(d[2], 10);
    EXPECT_EQ(d[3], 15);
    EXPECT_EQ(d[15], 70);  // the last sample repeats at the end
}

// Expected verdicts of the corpus: the code a file is refused with, 0 when it loads.
const std::map<std::string, int> kCorpusRefusals = {
    {"mpt_JxxTicks.it", 17},           {"mpt_LoopBreak.it", 17},
    {"mpt_NoteFade-SmpMode.it", 17},   {"mpt_ResetEnvNoteOffOldFx.it", 19},
    {"mpt_SwapNNA.it", 18},            {"mpt_noteoff2.it", 18},
    {"mpt_wnoteoff.it", 19},           {"xmp_4th_Symmetriad.it", 18},
    {"xmp_Fight2.it", 16},             {"xmp_load_it_invalid_compressed.it", 17},
    {"xmp_load_it_truncated_header.it", kVssErrorDamagedModule},
    {"xmp_load_it_truncated_pattern.it", 18},  // its header flags are checked before its tables
    {"xmp_pattern_jump_it_break.it", 17},
    {"xmp_pattern_loop_it100.it", 16}, {"xmp_pattern_loop_it104.it", 16},
    {"xmp_play_it_reverse_past_end.it", 16},
};

TEST_F(ItLoader, CorpusVerdicts) {
    UMBRAVEL_NEED_CORPUS(CorpusDir());
    int accepted = 0;
    for (const auto& entry : std::filesystem::directory_iterator(CorpusDir())) {
        const std::string name = entry.path().filename().string();
        std::vector<uint8_t> bytes = ReadBytes(entry.path());
        ModulePtr m = LoadBytes(bytes);
        auto refusal = kCorpusRefusals.find(name);
        if (refusal != kCorpusRefusals.end()) {
            EXPECT_EQ(m, nullptr) << name;
            EXPECT_EQ(VSS_LastError, refusal->second) << name;
            continue;
        }
        ASSERT_NE(m, nullptr) << name << ": " << VSS_GetErrorText(VSS_LastError);
        ++accepted;
        for (int i = 0; i < m->numSamples; ++i) {
            const VssSample& s = m->samples[i];
            EXPECT_TRUE(s.length == 0 || s.data) << name;
            if (s.flags & kVssSampleLoop) {
                EXPECT_LT(s.loopBegin, s.loopEnd) << name;
                EXPECT_LE(s.loopEnd, s.length) << name;
            }
        }
    }
    EXPECT_EQ(accepted, 37);
}

// Files that declare 2.14 compatibility but store raw PCM keep their bytes.
TEST_F(ItLoader, HazardModulesLoadRawSamples) {
    UMBRAVEL_NEED_CORPUS(CorpusDir());
    for (const char* name : {"mpt_swing1.it", "xmp_it_multi_retrigger.it", "xmp_test.it"}) {
        std::vector<uint8_t> bytes = ReadBytes(CorpusDir() / name);
        ModulePtr m = LoadBytes(bytes);
        ASSERT_NE(m, nullptr) << name;
        size_t table = 0xC0 + m->numOrders + 4 * m->numInstruments;
        size_t header = bytes[table] | bytes[table + 1] << 8 | bytes[table + 2] << 16 | bytes[table + 3] << 24;
        size_t data = bytes[header + 0x48] | bytes[header + 0x49] << 8 | bytes[header + 0x4A] << 16 |
                      bytes[header + 0x4B] << 24;
        const VssSample& s = m->samples[0];
        ASSERT_GT(s.length, 0) << name;
        ASSERT_FALSE(s.flags & kVssSample16Bit);
        EXPECT_EQ(std::memcmp(s.data, &bytes[data], static_cast<size_t>(s.length)), 0) << name;
    }
}

TEST_F(ItLoader, TruncatedCorpusSampleStaysInsideTheFile) {
    UMBRAVEL_NEED_CORPUS(CorpusDir());
    std::vector<uint8_t> bytes = ReadBytes(CorpusDir() / "xmp_play_it_truncated_sample.it");
    ModulePtr m = LoadBytes(bytes);
    ASSERT_NE(m, nullptr);
    // 2414 frames at offset 1184 of a 1230-byte file: 23 whole 16-bit samples are there.
    EXPECT_EQ(m->samples[0].length, 23);
}

}  // namespace
