// The device list and the full-screen switch against a made-up display: which modes are
// offered, in which order, and what is tried when the display refuses a mode.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <vector>

#include "engine/gl/display_access.h"

namespace {

class FakeDisplay final : public DisplayAccess {
public:
    struct Change {
        platform::ModeInfo wanted;
        unsigned fields;
    };
    std::vector<platform::ModeInfo> modes;
    std::vector<bool> answers;  // one per mode change, in order; refused once they run out
    std::vector<Change> changes;
    int restores = 0;

    bool GetMode(int index, platform::ModeInfo* mode) override {
        if (index < 0 || index >= static_cast<int>(modes.size())) return false;
        *mode = modes[static_cast<size_t>(index)];
        return true;
    }
    bool ChangeMode(const platform::ModeInfo& wanted, unsigned fields) override {
        changes.push_back({wanted, fields});
        return changes.size() <= answers.size() && answers[changes.size() - 1];
    }
    void RestoreMode() override { ++restores; }
};

constexpr unsigned kAll = platform::kModeWidth | platform::kModeHeight | platform::kModeBits;
constexpr unsigned kSize = platform::kModeWidth | platform::kModeHeight;

std::vector<unsigned> FieldsTried(const FakeDisplay& d) {
    std::vector<unsigned> out;
    for (const auto& c : d.changes) out.push_back(c.fields);
    return out;
}

}  // namespace

TEST(DisplayModes, OnlyDirectColourModesAreListedInTheDisplaysOrder) {
    FakeDisplay d;
    d.modes = {{640, 480, 8}, {640, 480, 16}, {640, 480, 32}};
    DisplayDevice* devices = nullptr;
    int32_t count = 0;
    const char* error = nullptr;
    ASSERT_EQ(ListDisplayDevices(d, &devices, &count, &error), 1);
    ASSERT_EQ(count, 1);
    EXPECT_STREQ(devices[0].name, "Default");
    ASSERT_EQ(devices[0].modeCount, 2);
    EXPECT_EQ(devices[0].modes[0].bitsPerPixel, 16);
    EXPECT_EQ(devices[0].modes[1].bitsPerPixel, 32);
    EXPECT_EQ(devices[0].modes[1].width, 640);
    EXPECT_EQ(devices[0].modes[1].height, 480);
    delete[] devices[0].modes;
    delete[] devices;

    // Neither sorted nor merged: 15 bits is not direct colour, 24 is.
    d.modes = {{1024, 768, 32}, {320, 200, 8}, {800, 600, 15}, {640, 480, 24}, {1024, 768, 16}, {1024, 768, 32}};
    ASSERT_EQ(ListDisplayDevices(d, &devices, &count, &error), 1);
    ASSERT_EQ(devices[0].modeCount, 4);
    const int expected[4][3] = {{1024, 768, 32}, {640, 480, 24}, {1024, 768, 16}, {1024, 768, 32}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(devices[0].modes[i].width, expected[i][0]) << i;
        EXPECT_EQ(devices[0].modes[i].height, expected[i][1]) << i;
        EXPECT_EQ(devices[0].modes[i].bitsPerPixel, expected[i][2]) << i;
    }
    delete[] devices[0].modes;
    delete[] devices;
}

TEST(DisplayModes, NoDirectColourModeGivesNoList) {
    for (const std::vector<platform::ModeInfo>& modes :
         {std::vector<platform::ModeInfo>{{640, 480, 8}, {320, 200, 4}, {800, 600, 15}}, std::vector<platform::ModeInfo>{}}) {
        FakeDisplay d;
        d.modes = modes;
        DisplayDevice* devices = reinterpret_cast<DisplayDevice*>(uintptr_t{8});  // stale values are cleared
        int32_t count = 5;
        const char* error = nullptr;
        EXPECT_EQ(ListDisplayDevices(d, &devices, &count, &error), 0);
        EXPECT_EQ(devices, nullptr);
        EXPECT_EQ(count, 0);
        EXPECT_STREQ(error, "No direct colour resolutions found for device");
    }
}

TEST(DisplayModes, ListedModeTakenAtOnce) {
    FakeDisplay d;
    d.modes = {{640, 480, 16}, {800, 600, 32}};
    d.answers = {true};
    EXPECT_TRUE(SwitchDisplayMode(d, {800, 600, 32}));
    ASSERT_EQ(d.changes.size(), 1u);
    EXPECT_EQ(d.changes[0].fields, kAll);
    EXPECT_EQ(d.changes[0].wanted.width, 800);
    EXPECT_EQ(d.changes[0].wanted.bitsPerPixel, 32);
    EXPECT_EQ(d.restores, 0);
}

// A mode the display lists but refuses: every listed match is tried, then all fields,
// then the depth alone, then the size alone.
TEST(DisplayModes, RefusedModeTriesTheFallbackInOrder) {
    const std::vector<platform::ModeInfo> modes = {{640, 480, 32}, {800, 600, 16}, {640, 480, 32}};
    struct Case {
        std::vector<bool> answers;
        bool result;
        std::vector<unsigned> tried;
        int restores;
    } cases[] = {
        // The second listed match (another refresh rate, say) is taken.
        {{false, true}, true, {kAll, kAll}, 0},
        // Both matches refused; the request with all fields is taken.
        {{false, false, true}, true, {kAll, kAll, kAll}, 0},
        // The depth alone refused: failure, nothing further, the desktop untouched.
        {{false, false, false, false}, false, {kAll, kAll, kAll, platform::kModeBits}, 0},
        // The depth taken, the size refused: failure, and the desktop mode comes back.
        {{false, false, false, true, false}, false, {kAll, kAll, kAll, platform::kModeBits, kSize}, 1},
        // The depth and then the size taken.
        {{false, false, false, true, true}, true, {kAll, kAll, kAll, platform::kModeBits, kSize}, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        FakeDisplay d;
        d.modes = modes;
        d.answers = cases[i].answers;
        EXPECT_EQ(SwitchDisplayMode(d, {640, 480, 32}), cases[i].result) << "case " << i;
        EXPECT_EQ(FieldsTried(d), cases[i].tried) << "case " << i;
        EXPECT_EQ(d.restores, cases[i].restores) << "case " << i;
        for (const auto& c : d.changes) {
            EXPECT_EQ(c.wanted.width, 640);
            EXPECT_EQ(c.wanted.height, 480);
            EXPECT_EQ(c.wanted.bitsPerPixel, 32);
        }
    }

    // A mode the display does not list goes straight to the fallback.
    FakeDisplay d;
    d.modes = modes;
    d.answers = {false, true, true};
    EXPECT_TRUE(SwitchDisplayMode(d, {1280, 1024, 32}));
    EXPECT_EQ(FieldsTried(d), (std::vector<unsigned>{kAll, platform::kModeBits, kSize}));
}
