// The operations the shell calls: device list, pre-initialisation, start-up checks,
// positions and the error table.
#include <cstring>

#include "it_builder.h"
#include "sound_test_util.h"

namespace {

// One test from a fresh sound system on: it asks for the state before any enumeration or
// selection, which a second test in the same process (as under Wine) would not see.
TEST(VssDevices, NothingWorksBeforeASelectionAndTheListStartsWithNoSound) {
    EXPECT_EQ(VSS_GetNumDevices(), -1);
    EXPECT_STREQ(VSS_GetDeviceName(0), "[VSS] Bad device selection");
    EXPECT_EQ(VSS_Init(nullptr, 3, 44100, 32), 0);
    EXPECT_EQ(VSS_LastError, 32);
    EXPECT_EQ(VSS_Kill(), 0);
    EXPECT_EQ(VSS_LastError, 32);
    // A code left from an earlier failure makes the enumeration report failure too.
    EXPECT_EQ(VSS_EnumDevices(), 0);
    VSS_LastError = 0;
    ASSERT_EQ(VSS_EnumDevices(), 1);
    const int count = VSS_GetNumDevices();
    ASSERT_GE(count, 1);
    EXPECT_STREQ(VSS_GetDeviceName(0), "No Sound");
    EXPECT_EQ(VSS_HasOutputDevices(), count > 1 ? 1 : 0);
    for (int i = 1; i < count; ++i) EXPECT_GT(std::strlen(VSS_GetDeviceName(i)), 0u);
    EXPECT_STREQ(VSS_GetDeviceName(-1), "[VSS] Bad device selection");
    EXPECT_STREQ(VSS_GetDeviceName(count), "[VSS] Bad device selection");
    VSS_LastError = 0;
    EXPECT_EQ(VSS_SetDevice(count), 0);
    EXPECT_EQ(VSS_SetDevice(-1), 0);
    EXPECT_EQ(VSS_LastError, 0);  // a refused selection leaves no code
    ASSERT_EQ(VSS_SetDevice(0), 1);
    EXPECT_EQ(VSS_Init(nullptr, 3, 44100, 0), 0);
    EXPECT_EQ(VSS_LastError, 37);
}

TEST(VssPreInit, ValuesAreClampedNeverRefused) {
    VSS_LastError = 5;
    EXPECT_EQ(VSS_PreInit(0, 50, 9, 9000), 1);
    EXPECT_EQ(VSS_LastError, 0);
    EXPECT_EQ(vssMixer.releaseTicks, 1);
    EXPECT_EQ(vssMixer.latencyMs, 200);
    EXPECT_EQ(vssMixer.echoShift, 4);
    EXPECT_EQ(vssMixer.historySamples, 0);
    EXPECT_EQ(VSS_PreInit(200000, 20000, 0, 8192), 1);
    EXPECT_EQ(vssMixer.releaseTicks, 100000);
    EXPECT_EQ(vssMixer.latencyMs, 10000);
    EXPECT_EQ(vssMixer.echoShift, 1);
    EXPECT_EQ(vssMixer.historySamples, 8192);
    EXPECT_EQ(VSS_PreInit(300, 500, 1, -1), 1);
    EXPECT_EQ(vssMixer.historySamples, 0);
}

TEST(VssErrors, TableTexts) {
    EXPECT_STREQ(VSS_GetErrorText(0), "[VSS] No error");
    EXPECT_STREQ(VSS_GetErrorText(21), "[VSS] IT module must contain orders to play");
    EXPECT_STREQ(VSS_GetErrorText(37), "[VSS] Parameter outside valid range");
    EXPECT_STREQ(VSS_GetErrorText(48), "[VSS] Direct Sound failure");
    EXPECT_STREQ(VSS_GetErrorText(49), "[VSS] No Sound driver error");
    EXPECT_STREQ(VSS_GetErrorText(6), "");
    EXPECT_STREQ(VSS_GetErrorText(63), "");
    EXPECT_STREQ(VSS_GetErrorText(64), "");
    EXPECT_STREQ(VSS_GetErrorText(-1), "");
    for (int code = 0; code < 64; ++code)
        if (*VSS_ErrorText[code]) {
            EXPECT_EQ(std::strncmp(VSS_ErrorText[code], "[VSS] ", 6), 0) << code;
        }
    EXPECT_STREQ(VSS_FormatNames[2], "8bit Stereo");
}

TEST(VssPosition, SetPositionChecksOrderAndRow) {
    SetUpMixer();
    TestModule m;
    m.samples.push_back(Raw8({1, 2, 3}));
    m.patterns = {TestPattern{32, {0}}, TestPattern{64, {0}}};
    m.orders = {0, 1, 0xFF};
    ModulePtr module = LoadBytes(BuildIt(m));
    ASSERT_NE(module, nullptr);
    vssMixer.module = nullptr;
    EXPECT_EQ(VSS_SetPosition(0, 0), 0);  // nothing playing
    EXPECT_EQ(VSS_LastError, 5);
    VSS_Play(module.get());
    for (auto [order, row] : {std::pair{2, 0}, std::pair{-1, 0}, std::pair{0, 32}, std::pair{0, -1}}) {
        EXPECT_EQ(VSS_SetPosition(order, row), 0) << order << " " << row;
        EXPECT_EQ(VSS_LastError, 5);
    }
    module->voices[0].state = kVssVoiceActive;
    EXPECT_EQ(VSS_SetPosition(1, 63), 1);
    EXPECT_EQ(VSS_LastError, 0);
    EXPECT_EQ(module->voices[0].state, kVssVoiceFree);
    uint8_t out[882 * 4];
    VSS_Mix(sizeof out, out);  // the next tick takes the new position
    EXPECT_EQ(module->currentOrder.load(), 1);
    EXPECT_EQ(module->currentRow.load(), 63);
    VSS_Stop();
    vssMixer.module = nullptr;
}

TEST(VssPlayer, RowsAndOrdersAdvanceWithTicks) {
    SetUpMixer(kVss8BitMono, 1000);
    TestModule m;
    m.samples.push_back(Raw8({1, 2, 3}));
    m.speed = 6;
    m.tempo = 125;  // 20 samples per tick at 1000 Hz
    m.patterns = {TestPattern{2, {0, 0}}, TestPattern{3, {0x81, 0x08, 0x1A, 0x10, 0, 0, 0}}};  // Z10: an entry that changes nothing
    m.orders = {0, 0xFE, 1, 0xFF};
    ModulePtr module = LoadBytes(BuildIt(m));
    ASSERT_NE(module, nullptr);
    VSS_Play(module.get());
    std::vector<std::pair<int, int>> seen;
    uint8_t byte;
    for (int ms = 0; ms < 5 * 120; ++ms) {
        VSS_Mix(1, &byte);
        std::pair<int, int> now{module->currentOrder.load(), module->currentRow.load()};
        if (seen.empty() || seen.back() != now) seen.push_back(now);
    }
    // Order 1 is a separator: pattern 1 plays as order 2; then the song starts over.
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{0, 0}, {0, 1}, {2, 0}, {2, 1}, {2, 2}}));
    EXPECT_EQ(vssMixer.loopCount, 0);
    for (int ms = 0; ms < 120; ++ms) VSS_Mix(1, &byte);
    EXPECT_EQ(vssMixer.loopCount, 1);
    EXPECT_EQ(module->currentOrder.load(), 0);
    VSS_Stop();
    vssMixer.module = nullptr;
}

}  // namespace
