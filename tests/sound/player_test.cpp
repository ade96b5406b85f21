// The player on purpose-made modules: row timing, breaks, jumps and loops, the order list,
// slides and their tick-0 rules, the other effects, note start with new note actions and
// duplicate checks, the S effects (filters and echo included) and damaged rows.
#include <map>
#include <tuple>

#include "it_builder.h"
#include "sound/player_internal.h"
#include "sound_test_util.h"

namespace {

class Player : public ::testing::Test {
protected:
    static TestModule Base(std::vector<TestCell> cells, uint16_t rows = 16) {
        TestModule m;
        m.samples = {LoopedSquare()};
        m.patterns = {PackPattern(rows, std::move(cells))};
        return m;
    }
    void Load(const TestModule& m) {
        SetUpMixer(kVss16BitStereo, 44100);
        module = LoadBytes(BuildIt(m));
        ASSERT_NE(module, nullptr);
        VSS_Play(module.get());
    }
    void Play(std::vector<TestCell> cells, uint16_t rows = 16) { Load(Base(std::move(cells), rows)); }
    void TearDown() override {
        VssState = 0;
        vssMixer.module = nullptr;
    }
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) VssPlayerTick(module.get());
    }
    // Runs the player up to the given position (tick 0 of the row unless told).
    void Seek(int order, int row, int tick = 0) {
        for (int i = 0; i < 100000; ++i) {
            Tick();
            if (module->currentOrder.load() == order && module->currentRow.load() == row &&
                module->currentTick == tick)
                return;
        }
        FAIL() << "never reached " << order << " " << row << " " << tick;
    }
    // (order, row, ticks it lasted) for every row seen in `ticks` ticks.
    std::vector<std::tuple<int, int, int>> Rows(int ticks) {
        std::vector<std::tuple<int, int, int>> out;
        for (int i = 0; i < ticks; ++i) {
            Tick();
            int order = module->currentOrder.load(), row = module->currentRow.load();
            if (module->currentTick == 0 && (out.empty() || i > 0))
                out.emplace_back(order, row, 0);
            std::get<2>(out.back()) += 1;
        }
        return out;
    }
    VssChannel* Ch(int c = 0) { return &module->channels[c]; }
    VssVoice* Voice(int c = 0) { return VssChannelVoice(Ch(c)); }
    // The voice volume on every tick of the current row from tick 0 on.
    std::vector<int> VolumePerTick(int ticks, int c = 0) {
        std::vector<int> out;
        for (int i = 0; i < ticks; ++i) {
            out.push_back(Voice(c) ? Voice(c)->volume : -1);
            Tick();
        }
        return out;
    }

    ModulePtr module;
};

using RowList = std::vector<std::tuple<int, int, int>>;

TEST_F(Player, SpeedAndPatternDelay) {
    Play({{1, 0, -1, -1, -1, Fx('S'), 0x61}, {2, 0, -1, -1, -1, Fx('S'), 0xE2}, {3, 0, -1, -1, -1, Fx('A'), 3},
          {4, 0, -1, -1, -1, Fx('S'), 0x60}},
         5);
    // Speed 6; S61 adds a tick, SE2 two rows' worth; A03 from row 3 on.
    EXPECT_EQ(Rows(6 + 7 + 18 + 3 + 3), (RowList{{0, 0, 6}, {0, 1, 7}, {0, 2, 18}, {0, 3, 3}, {0, 4, 3}}));
}

TEST_F(Player, SpeedZeroStillMovesOn) {
    Play({{0, 0, -1, -1, -1, Fx('A'), 0}}, 4);
    EXPECT_EQ(Rows(4), (RowList{{0, 0, 1}, {0, 1, 1}, {0, 2, 1}, {0, 3, 1}}));
}

TEST_F(Player, BreaksAndJumps) {
    TestModule m = Base({});
    m.patterns = {PackPattern(4, {{3, 0, -1, -1, -1, Fx('C'), 0x10}}),
                  PackPattern(32, {{17, 0, -1, -1, -1, Fx('B'), 3}, {17, 1, -1, -1, -1, Fx('C'), 5}}),
                  PackPattern(8, {{6, 2, -1, -1, -1, Fx('C'), 0x40}, {6, 1, -1, -1, -1, Fx('B'), 99}}),
                  PackPattern(8, {})};
    m.orders = {0, 1, 3, 2, 0xFF};
    Load(m);
    Seek(0, 3);
    Seek(1, 16);  // C10 on the last row: row 16 of the next order
    Tick(6);
    EXPECT_EQ(module->currentRow.load(), 17);
    Tick(6);  // B03 and C05 on one row: order 3, row 5
    EXPECT_EQ(module->currentOrder.load(), 3);
    EXPECT_EQ(module->currentRow.load(), 5);
    Seek(3, 6);
    Tick(6);  // B99 names no order and is ignored; C40 the next order (the end) from its top
    EXPECT_EQ(vssMixer.loopCount, 1);
    EXPECT_EQ(module->currentOrder.load(), 0);
    EXPECT_EQ(module->currentRow.load(), 0);
}

TEST_F(Player, OrderListRules) {
    TestModule m = Base({});
    m.patterns = {PackPattern(2, {}), PackPattern(3, {})};
    m.orders = {0, 0xFE, 1, 0xFF};
    Load(m);
    EXPECT_EQ(Rows(6 * 6), (RowList{{0, 0, 6}, {0, 1, 6}, {2, 0, 6}, {2, 1, 6}, {2, 2, 6}, {0, 0, 6}}));
    EXPECT_EQ(vssMixer.loopCount, 1);
    // A list without 0xFF ends after its last entry as if it had one.
    m.orders = {1, 0};
    Load(m);
    EXPECT_EQ(Rows(6 * 6), (RowList{{0, 0, 6}, {0, 1, 6}, {0, 2, 6}, {1, 0, 6}, {1, 1, 6}, {0, 0, 6}}));
    EXPECT_EQ(vssMixer.loopCount, 1);
}

TEST_F(Player, PatternLoopPlaysThreeTimes) {
    Play({{4, 0, -1, -1, -1, Fx('S'), 0xB0}, {8, 0, -1, -1, -1, Fx('S'), 0xB2}}, 10);
    std::vector<int> rows;
    for (const auto& [order, row, ticks] : Rows(6 * 20)) rows.push_back(row);
    rows.resize(19);
    EXPECT_EQ(rows, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 4, 5, 6, 7, 8, 4, 5, 6, 7, 8}));
}

TEST_F(Player, VolumeSlidesAndTheirTickZero) {
    Play({{0, 0, 60, 1, 64},
          {1, 0, -1, -1, -1, Fx('D'), 0x04},   // down 4 on ticks 1..5
          {2, 0, -1, -1, -1, Fx('D'), 0x0F},   // down 15 on every tick
          {3, 0, -1, -1, 40, Fx('D'), 0x3F},   // fine up 3, once
          {4, 0, -1, -1, -1, Fx('D'), 0xF2},   // fine down 2, once
          {5, 0, -1, -1, -1, Fx('D'), 0x00},   // the memory: F2 again
          {6, 0, -1, -1, 2, Fx('D'), 0x20}});
    Seek(0, 1);
    EXPECT_EQ(VolumePerTick(6), (std::vector<int>{64, 60, 56, 52, 48, 44}));
    EXPECT_EQ(VolumePerTick(6), (std::vector<int>{29, 14, 0, 0, 0, 0}));
    EXPECT_EQ(VolumePerTick(6), (std::vector<int>{43, 43, 43, 43, 43, 43}));
    EXPECT_EQ(VolumePerTick(6), (std::vector<int>{41, 41, 41, 41, 41, 41}));
    EXPECT_EQ(VolumePerTick(6), (std::vector<int>{39, 39, 39, 39, 39, 39}));
    EXPECT_EQ(VolumePerTick(6), (std::vector<int>{2, 4, 6, 8, 10, 12}));
}

TEST_F(Player, ChannelGlobalAndPanSlides) {
    Play({{0, 0, 60, 1, -1, Fx('X'), 0x80},     // pan 32
          {1, 0, -1, -1, -1, Fx('N'), 0x02},    // channel volume down 2 on ticks 1..5
          {1, 1, -1, -1, -1, Fx('W'), 0x03},    // global volume down 3 on every tick
          {2, 0, -1, -1, -1, Fx('P'), 0x20},    // pan down 2 on every tick
          {3, 0, -1, -1, -1, Fx('P'), 0xF3},    // fine pan up 3
          {3, 1, -1, -1, -1, Fx('M'), 0x41}});  // above 64: ignored
    Seek(0, 2);
    EXPECT_EQ(Ch()->volume, 64 - 10);
    EXPECT_EQ(module->globalVolume, 128 - 18);
    Seek(0, 2, 5);
    EXPECT_EQ(Voice()->pan, 32 - 12);  // tick 0 slides too
    Seek(0, 3, 3);
    EXPECT_EQ(Voice()->pan, 32 - 12 + 3);
    EXPECT_EQ(Ch()->volume, 54);
}

TEST_F(Player, PitchSlidesPortamentoAndArpeggio) {
    Play({{0, 0, 60, 1},
          {1, 0, -1, -1, -1, Fx('F'), 0x10},
          {2, 0, -1, -1, -1, Fx('E'), 0xF8},   // fine: once, half a semitone
          {3, 0, 72, -1, -1, Fx('G'), 0xFF},   // towards C-6, never past it
          {5, 0, 60, 1, -1, Fx('J'), 0x47},
          {6, 0, -1, -1, -1, Fx('E'), 0xDF},
          {7, 0, -1, -1, -1, Fx('E'), 0x00},
          {8, 0, -1, -1, -1, Fx('E'), 0x00}},
         40);
    Seek(0, 1);
    EXPECT_NEAR(Voice()->frequency, 8363, 2);  // the tick-0 step back and forth rounds
    const int32_t* slide = vssMixer.slideTable.data();
    int64_t f = 8363;
    for (int i = 0; i < 5; ++i) f += (f * slide[0x10]) >> 12;
    Tick(5);
    EXPECT_NEAR(Voice()->frequency, f, 3);
    const int32_t before = Voice()->frequency;
    Tick(6);
    EXPECT_EQ(Voice()->frequency, before + ((static_cast<int64_t>(before) * slide[256 + 0xF8]) >> 12));
    Seek(0, 4, 5);
    EXPECT_EQ(Voice()->frequency, 16726);  // reached and held
    EXPECT_EQ(module->voicesInUse, 1);     // G held the note back
    Seek(0, 5);
    std::vector<int> offsets;
    for (int i = 0; i < 4; ++i, Tick()) offsets.push_back(Voice()->frequencyOffset);
    EXPECT_EQ(offsets, (std::vector<int>{0, 10537 - 8363, 12530 - 8363, 0}));
    Seek(0, 6);
    for (int i = 0; i < 34 && Voice(); ++i) Tick();
    EXPECT_EQ(Voice(), nullptr);  // slid down to 0 Hz: freed
}

TEST_F(Player, PortamentoWithoutAVoiceStartsTheNote) {
    Play({{0, 0, 60, 1, -1, Fx('G'), 0x20}, {1, 0, 72, -1, 194, 0, 0}});
    Tick();
    ASSERT_NE(Voice(), nullptr);
    EXPECT_EQ(Voice()->frequency, 8363);
    EXPECT_EQ(Ch()->memoryG, 0x20);
    EXPECT_EQ(Ch()->effectHandler, nullptr);
    Seek(0, 1, 1);  // the volume column's g1 slides by speed 1 from tick 1 on
    EXPECT_GT(Voice()->frequency, 8363);
    EXPECT_EQ(Ch()->memoryG, 1);
}

TEST_F(Player, VibratoTremoloPanbrelloTremorRetrigger) {
    Play({{0, 0, 60, 1, -1, Fx('H'), 0x48},
          {1, 0, -1, -1, -1, Fx('U'), 0x00},   // same speed and depth, a quarter as deep
          {2, 0, -1, -1, -1, Fx('R'), 0x4F},
          {3, 0, -1, -1, -1, Fx('Y'), 0x4F},
          {4, 0, -1, -1, -1, Fx('I'), 0x21},
          {5, 0, 60, 1, 32, Fx('Q'), 0x92}});  // every 2 ticks, volume + 1
    Tick(2);
    const int vibrato = Voice()->vibratoIndex;
    EXPECT_EQ(vibrato, (vssMixer.waveforms[32] * 4 * 8) >> 15);
    Seek(0, 1, 2);
    EXPECT_EQ(Ch()->vibratoPhase, 16 * 9);
    EXPECT_EQ(Voice()->vibratoIndex, (vssMixer.waveforms[16 * 9] * 8) >> 15);
    Seek(0, 2, 1);
    EXPECT_NE(Voice()->volumeOffset, 0);
    Seek(0, 3, 1);
    EXPECT_NE(Voice()->panOffset, 0);
    Seek(0, 4);
    std::vector<int> silent;
    for (int i = 0; i < 6; ++i, Tick()) silent.push_back(Voice()->volumeOffset == -Voice()->volume);
    EXPECT_EQ(silent, (std::vector<int>{0, 0, 1, 0, 0, 1}));
    Seek(0, 5);
    std::vector<int> volumes;  // ticks 1..5: the sample starts again on ticks 2 and 4
    for (int i = 1; i < 6; ++i) {
        Voice()->position = 99ull << 32;
        Tick();
        volumes.push_back(Voice()->position == 0 ? Voice()->volume : -1);
    }
    EXPECT_EQ(volumes, (std::vector<int>{-1, 33, -1, 34, -1}));
}

TEST_F(Player, NoteOffKeepsTheVoiceNoteCutFreesIt) {
    Play({{0, 0, 60, 1}, {0, 1, 60, 1}, {1, 0, 255}, {1, 1, 254}, {2, 0, 60, 1, -1, Fx('S'), 0xC2}});
    Seek(0, 1);
    ASSERT_NE(Voice(0), nullptr);
    EXPECT_EQ(Voice(0)->flags & kVssVoiceKeyReleased, kVssVoiceKeyReleased);
    EXPECT_EQ(Voice(1), nullptr);
    Seek(0, 2, 1);
    EXPECT_NE(Voice(0), nullptr);
    Tick();  // SC2
    EXPECT_EQ(Voice(0), nullptr);
}

TEST_F(Player, NewNoteActionsAndDuplicateChecks) {
    TestModule m = Base({{0, 0, 60, 1}, {1, 0, 62, 1}, {2, 0, 62, 2}, {3, 0, 64, 3}, {4, 0, 64, 3},
                         {5, 0, -1, -1, -1, Fx('S'), 0x72}, {6, 0, -1, -1, -1, Fx('S'), 0x70}});
    m.instruments.resize(3);
    m.instruments[0].newNoteAction = 1;  // continue
    m.instruments[1].newNoteAction = 2;  // note off
    m.instruments[2].newNoteAction = 3;  // note fade
    m.instruments[2].dupCheckType = 1;   // same note: cut
    Load(m);
    auto states = [&] {
        std::map<int, int> count;
        for (int i = 0; i < module->voicesInUse; ++i) count[module->voices[i].state] += 1;
        return std::tuple{count[kVssVoiceActive], count[kVssVoiceBackground]};
    };
    Seek(0, 1);
    EXPECT_EQ(states(), std::tuple(1, 1));
    EXPECT_EQ(module->voices[0].flags, 0);  // continues as it was
    Seek(0, 2);
    EXPECT_EQ(states(), std::tuple(1, 2));
    EXPECT_EQ(module->voices[1].flags, 0);
    Seek(0, 3);
    EXPECT_EQ(module->voices[2].flags, kVssVoiceKeyReleased);
    Seek(0, 4);  // same note on instrument 3: the fading voice is cut by the duplicate check
    EXPECT_EQ(states(), std::tuple(1, 3));
    EXPECT_EQ(module->voicesInUse, 4);  // the cut voice took the new note
    EXPECT_EQ(Voice(), &module->voices[3]);
    Seek(0, 5);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(module->voices[i].flags & kVssVoiceFading, kVssVoiceFading) << i;
    Seek(0, 6);
    EXPECT_EQ(states(), std::tuple(1, 0));
}

TEST_F(Player, InstrumentAloneRestartsAndNoteAloneKeepsVolumeAndPan) {
    Play({{0, 0, 60, 1, 20, Fx('X'), 0x40}, {1, 0, -1, 1}, {2, 0, -1, -1, 30}, {3, 0, 62}});
    Seek(0, 1);
    EXPECT_EQ(module->voicesInUse, 1);
    EXPECT_EQ(Voice()->volume, 64);  // the sample's default volume again
    Seek(0, 3);
    EXPECT_EQ(Voice()->note, 62);
    EXPECT_EQ(Voice()->volume, 30);
    EXPECT_EQ(Voice()->pan, 16);
    EXPECT_EQ(Voice()->panVariation, 0);
}

TEST_F(Player, SampleOffsetNoteDelayAndEnvelopeSwitches) {
    TestModule m = Base({{0, 0, 60, 1, -1, Fx('S'), 0xA1},
                         {1, 0, 60, 1, -1, Fx('O'), 0x02},
                         {2, 0, 60, 1, -1, Fx('O'), 0x00},
                         {3, 0, 62, 1, 10, Fx('S'), 0xD3},
                         {4, 0, -1, -1, -1, Fx('S'), 0x77},
                         {5, 0, -1, -1, -1, Fx('S'), 0x78}});
    m.samples[0] = LoopedSquare();
    std::vector<int8_t> longer(0x20000, 1);
    m.samples[0] = Raw8(longer);
    m.instruments[0].envelopes[0].flags = 1;
    m.instruments[0].envelopes[0].nodes = {{64, 0}, {0, 10}};
    Load(m);
    Seek(0, 1);
    EXPECT_EQ(Voice()->position >> 32, 0x10200u);
    Seek(0, 2);  // the whole offset from memory is past the end: not applied
    Seek(0, 3, 2);
    EXPECT_EQ(Voice()->note, 60);
    Tick();
    EXPECT_NE(Voice(), nullptr);
    EXPECT_EQ(Voice()->note, 62);
    EXPECT_EQ(Voice()->volume, 10);
    Seek(0, 4);
    EXPECT_EQ(Voice()->envelopes[kVssEnvVolume].flags & 1, 0);
    Seek(0, 5);
    EXPECT_EQ(Voice()->envelopes[kVssEnvVolume].flags & 1, 1);
}

TEST_F(Player, FilterAndEchoControls) {
    Play({{0, 0, -1, -1, -1, Fx('S'), 0x03},
          {1, 0, -1, -1, -1, Fx('S'), 0x0C},
          {2, 0, -1, -1, -1, Fx('S'), 0x05},
          {3, 0, -1, -1, -1, Fx('S'), 0x07},
          {4, 0, -1, -1, -1, Fx('S'), 0x04},
          {5, 0, -1, -1, -1, Fx('S'), 0x22},
          {6, 0, -1, -1, -1, Fx('S'), 0x0F},
          {7, 0, -1, -1, -1, Fx('S'), 0x20}});
    vssMixer.highPassCutoff = 5000;
    Seek(0, 1);
    EXPECT_EQ(Ch()->filterSelect, 1);
    EXPECT_EQ(VssState.load() & kVssHighPass, 0);
    Seek(0, 3);  // S0C then S05: the high-pass on at 1000 Hz
    EXPECT_EQ(VssState.load() & (kVssHighPass | kVssLowPass), kVssHighPass);
    EXPECT_EQ(vssMixer.highPassCutoff, 1000);
    Seek(0, 4);
    EXPECT_EQ(VssState.load() & kVssEcho, kVssEcho);
    Seek(0, 5);
    EXPECT_EQ(VssState.load() & kVssHighPass, 0);
    Seek(0, 5, 5);  // S22 slides up on ticks 1..5 only
    int64_t c = 1000;
    for (int i = 0; i < 5; ++i) c = c + ((c * vssMixer.cutoffTable[2]) >> 12) + 1;
    EXPECT_NEAR(vssMixer.highPassCutoff, c, 2);
    Seek(0, 7, 1);
    EXPECT_EQ(vssMixer.highPassCutoff, 44100);  // S20 up by one from the top: held at 44100
    int32_t a, b;
    VssFilterCoefficients(44100, 44100, &a, &b);
    EXPECT_EQ(vssMixer.highB, b);
}

// Slides that must act on tick 0 too, L's portamento speed, and the top of the volume
// column's pan range.
TEST_F(Player, SlideEdgesTheirMemoriesAndTheTopPan) {
    Play({{0, 0, 60, 1, 2},
          {1, 0, -1, -1, -1, Fx('D'), 0xF0},   // up 15 on every tick, tick 0 included
          {2, 0, 72, -1, -1, Fx('G'), 0x08},   // towards C-6 at speed 8: the G memory
          {3, 0, -1, -1, -1, Fx('L'), 0x00},   // goes on at G's speed, not E/F's
          {4, 0, 60, 1, 192},                  // volume column pan 64
          {5, 0, -1, -1, 128}});               // and 0
    Seek(0, 1);
    EXPECT_EQ(VolumePerTick(6), (std::vector<int>{17, 32, 47, 62, 64, 64}));
    ASSERT_EQ(Ch()->memoryG, 8);
    Ch()->memoryEF = 0xDF;  // a far faster slide remembered for E and F
    Seek(0, 3);
    const int32_t before = Voice()->frequency;
    Seek(0, 3, 5);
    int64_t f = before;
    for (int i = 0; i < 5; ++i) f += (f * vssMixer.portaTable[8]) >> 12;
    EXPECT_EQ(Voice()->frequency, f);
    EXPECT_LT(f, 16726);
    Seek(0, 4);
    EXPECT_EQ(Voice()->pan, 64);
    EXPECT_EQ(Ch()->pan, 64);
    Seek(0, 5);
    EXPECT_EQ(Voice()->pan, 0);
}

// A delayed note's start tick counts as its tick 0: a volume-column slide that comes with
// it keeps that tick at the note's volume and slides from the next one, as on any row.
TEST_F(Player, NoteDelayedVolumeSlideStartsLikeAnyNote) {
    Play({{0, 0, 60, 1, 40}, {1, 0, 62, 1, 97, Fx('S'), 0xD2}});  // d2 with the note on tick 2
    Seek(0, 1);
    EXPECT_EQ(VolumePerTick(6), (std::vector<int>{40, 40, 64, 62, 60, 58}));
    EXPECT_EQ(Voice()->note, 62);
}

TEST_F(Player, InstrumentAloneKeepsTheVoicesInstrumentAndFadeRate) {
    TestModule m = Base({{0, 0, 60, 1, 20}, {1, 0, -1, 2}});
    m.instruments.resize(2);
    m.instruments[0].fadeOut = 100;
    m.instruments[1].fadeOut = 300;
    Load(m);
    Seek(0, 1);
    EXPECT_EQ(module->voicesInUse, 1);
    EXPECT_EQ(Voice()->volume, 64);
    EXPECT_EQ(Voice()->fadeVolume, 1024);
    EXPECT_EQ(Voice()->instrument, &module->instruments[0]);
    EXPECT_EQ(Voice()->fadeRate, module->instruments[0].fadeOut);
    EXPECT_NE(module->instruments[0].fadeOut, module->instruments[1].fadeOut);
}

// Every note start aims the portamento at its own frequency, so a G without a note holds
// the pitch; a G whose note has no sample in the keyboard keeps the old target.
TEST_F(Player, PortamentoTargetFollowsTheNote) {
    TestModule m = Base({{0, 0, 60, 1},
                         {1, 0, -1, -1, -1, Fx('G'), 0x20},
                         {2, 0, 72, -1, -1, Fx('G'), 0x20}});
    m.instruments[0].keySample[72] = 0;
    Load(m);
    Seek(0, 1, 5);
    EXPECT_EQ(Voice()->frequency, 8363);
    Seek(0, 2, 5);
    EXPECT_EQ(Voice()->frequency, 8363);
    EXPECT_EQ(Ch()->portaTarget, 8363);
}

// IT's surround pan (100) sounds in the middle, not hard to one side.
TEST_F(Player, SurroundChannelPlaysCentred) {
    Load(Base({{0, 0, 60, 1}, {0, 1, 60, 1}}));
    module->channels[0].initialPan = 100;
    module->channels[1].initialPan = 60;
    VSS_Play(module.get());
    Tick();
    EXPECT_EQ(Voice(0)->pan, 32);
    EXPECT_EQ(Voice(1)->pan, 60);
}

// At speed 5 a J row ends mid-cycle; the next J row still starts on the unchanged note.
TEST_F(Player, ArpeggioRestartsOnEveryRow) {
    Play({{0, 0, 60, 1, -1, Fx('A'), 5}, {1, 0, -1, -1, -1, Fx('J'), 0x47}, {2, 0, -1, -1, -1, Fx('J'), 0x00}});
    Seek(0, 2);
    std::vector<int> offsets;
    for (int i = 0; i < 5; ++i, Tick()) offsets.push_back(Voice()->frequencyOffset);
    EXPECT_EQ(offsets, (std::vector<int>{0, 10537 - 8363, 12530 - 8363, 0, 10537 - 8363}));
}

// X and S8x set the pan heard: the note's random and pitch-pan variation is dropped.
TEST_F(Player, SetPanDropsTheNotesVariation) {
    Play({{0, 0, 60, 1}, {1, 0, -1, -1, -1, Fx('X'), 0x40}, {2, 0, -1, -1, -1, Fx('S'), 0x85}});
    Tick();
    Voice()->panVariation = 7;
    Seek(0, 1);
    EXPECT_EQ(Voice()->pan, 16);
    EXPECT_EQ(Voice()->panVariation, 0);
    Voice()->panVariation = 7;
    Seek(0, 2);
    EXPECT_EQ(Voice()->pan, 22);
    EXPECT_EQ(Voice()->panVariation, 0);
}

TEST_F(Player, DamagedRowsPlayNothingOutsideTheirTables) {
    TestModule m = Base({{0, 0, 60, 0},                        // instrument byte 0: none
                         {1, 1, 60, 9},                        // instrument 9 of 1
                         {2, 2, 130, 1},                       // a note past B-9
                         {3, 3, 60, 1, -1, 27, 0x10},          // effect 27
                         {4, 4, 60, 1, -1, Fx('T'), 0x00}});   // T00 with nothing remembered
    m.instruments[0].fadeOut = -100;
    TestPattern& p = m.patterns[0];
    p.packed.insert(p.packed.end() - 1, {0x85, 0x0F, 60});  // an entry cut short at the end
    Load(m);
    Seek(0, 5);
    EXPECT_EQ(Voice(1), nullptr);
    EXPECT_EQ(Voice(2), nullptr);
    ASSERT_NE(Voice(3), nullptr);
    EXPECT_EQ(Ch(3)->effect, kVssNone);
    EXPECT_EQ(Voice(3)->fadeRate, 0);
    EXPECT_EQ(module->tempo, 125);
    Seek(0, 0);  // the song starts over after the damaged last row
    EXPECT_EQ(vssMixer.loopCount, 1);
}

}  // namespace
