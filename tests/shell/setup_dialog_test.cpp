// The setup dialog's lists and selection rules, without a window.
#include <gtest/gtest.h>

#include "shell/setup_dialog.h"

#include <cstdio>

namespace {
struct TwoDevices {
    DisplayMode firstModes[3] = {{640, 480, 16}, {800, 600, 32}, {1024, 768, 32}};
    DisplayMode secondModes[1] = {{1280, 1024, 24}};
    DisplayDevice devices[2];
    TwoDevices() {
        std::snprintf(devices[0].name, sizeof devices[0].name, "Default");
        devices[0].modes = firstModes;
        devices[0].modeCount = 3;
        std::snprintf(devices[1].name, sizeof devices[1].name, "Second");
        devices[1].modes = secondModes;
        devices[1].modeCount = 1;
    }
};
}  // namespace

TEST(SetupDialog, StartingAtOnceGivesTheDefaults) {
    TwoDevices d;
    SetupDialog dialog(d.devices, 2, {"No Sound", "Primary Sound Driver", "Headphones"}, 1);
    dialog.Open();
    const SetupChoice& c = dialog.Choice();
    EXPECT_EQ(c.renderer, 0);
    EXPECT_EQ(c.deviceIndex, 0);
    EXPECT_EQ(c.modeIndex, 0);
    EXPECT_EQ(c.soundDevice, 1);
    EXPECT_EQ(c.soundFormat, 3);
    EXPECT_EQ(c.mixingRate, 44100);
    EXPECT_EQ(c.bufferLengthIndex, 0);
    EXPECT_EQ(dialog.OnCommand(kStartButton), 1);
    EXPECT_EQ(dialog.OnCommand(kRenderingMethodList), -1);
    EXPECT_EQ(dialog.Items(kRenderingResolutionList),
              (std::vector<std::string>{"640 x 480, 16 bpp", "800 x 600, 32 bpp", "1024 x 768, 32 bpp"}));
    EXPECT_EQ(dialog.Items(kRenderingMethodList),
              (std::vector<std::string>{"OpenGL R1.1 or better", "DirectX 3D V7.0 or better"}));
    ASSERT_EQ(dialog.Items(kSoundBufferList).size(), 9u);
    EXPECT_EQ(dialog.Items(kSoundBufferList)[0], "200 milliseconds");
    EXPECT_EQ(dialog.Items(kSoundBufferList)[8], "1000 milliseconds");
    EXPECT_EQ(dialog.Items(kSoundResolutionList)[4], "Mono,   11025Hz, 8bit");
    EXPECT_EQ(dialog.Selection(kSoundDeviceList), 1);
}

TEST(SetupDialog, RendererSwitchEmptiesAndRefillsTheLists) {
    TwoDevices d;
    SetupDialog dialog(d.devices, 2, {"No Sound"}, 0);
    dialog.Open();
    dialog.Select(kRenderingDeviceList, 1);
    dialog.Select(kRenderingMethodList, 1);
    EXPECT_EQ(dialog.Choice().renderer, 1);
    EXPECT_TRUE(dialog.Items(kRenderingDeviceList).empty());
    EXPECT_TRUE(dialog.Items(kRenderingResolutionList).empty());
    EXPECT_EQ(dialog.Choice().deviceIndex, 0);
    dialog.Select(kRenderingMethodList, 0);
    EXPECT_EQ(dialog.Items(kRenderingDeviceList), (std::vector<std::string>{"Default", "Second"}));
    EXPECT_EQ(dialog.Items(kRenderingResolutionList).size(), 3u);
    EXPECT_EQ(dialog.Selection(kRenderingDeviceList), 0);
    EXPECT_EQ(dialog.Selection(kRenderingResolutionList), 0);
}

TEST(SetupDialog, DeviceChangeResetsTheMode) {
    TwoDevices d;
    SetupDialog dialog(d.devices, 2, {"No Sound"}, 0);
    dialog.Open();
    dialog.Select(kRenderingResolutionList, 2);
    EXPECT_EQ(dialog.Choice().modeIndex, 2);
    dialog.Select(kRenderingDeviceList, 0);  // the same device: nothing changes
    EXPECT_EQ(dialog.Choice().modeIndex, 2);
    dialog.Select(kRenderingDeviceList, 1);
    EXPECT_EQ(dialog.Choice().modeIndex, 0);
    EXPECT_EQ(dialog.Items(kRenderingResolutionList), (std::vector<std::string>{"1280 x 1024, 24 bpp"}));
}

TEST(SetupDialog, SoundResolutionTableAndItsBounds) {
    SetupDialog dialog(nullptr, 0, {"No Sound"}, 0);
    dialog.Open();
    EXPECT_TRUE(dialog.Items(kRenderingDeviceList).empty());
    const int formats[5] = {3, 3, 2, 2, 0}, rates[5] = {44100, 22050, 22050, 11025, 11025};
    for (int i = 0; i < 5; ++i) {
        dialog.Select(kSoundResolutionList, i);
        EXPECT_EQ(dialog.Choice().soundFormat, formats[i]);
        EXPECT_EQ(dialog.Choice().mixingRate, rates[i]);
    }
    dialog.Select(kSoundResolutionList, 5);  // outside the table: format and rate stay
    EXPECT_EQ(dialog.SoundResolutionIndex(), 5);
    EXPECT_EQ(dialog.Choice().soundFormat, 0);
    EXPECT_EQ(dialog.Choice().mixingRate, 11025);
    dialog.Select(kSoundResolutionList, -1);
    EXPECT_EQ(dialog.Choice().mixingRate, 11025);
    dialog.Select(kSoundBufferList, 4);
    EXPECT_EQ(dialog.Choice().bufferLengthIndex, 4);
    dialog.Select(kSoundDeviceList, 0);
    EXPECT_EQ(dialog.Choice().soundDevice, 0);
}

TEST(SetupDialog, TemplateKeepsTheOriginalLayout) {
    const platform::DialogTemplate& t = SetupDialog::Template();
    EXPECT_STREQ(t.caption, "Vorn Demo - Umbravel");
    EXPECT_EQ(t.width, 290);
    EXPECT_EQ(t.defaultButton, kStartButton);
    const platform::DialogControl& start = t.controls[0];
    EXPECT_EQ(start.id, kStartButton);
    EXPECT_STREQ(start.text, "UMBRAVEL");
    EXPECT_EQ(start.y, 165);
    EXPECT_EQ(start.width, 290);
    for (const auto& c : t.controls) {
        EXPECT_LE(c.x + c.width, t.width);
        EXPECT_LE(c.y + c.height, t.height);
    }
}

TEST(SetupDialog, HeardSoundBoxIsOnByDefaultAndTogglesAlone) {
    TwoDevices d;
    SetupDialog dialog(d.devices, 2, {"No Sound"}, 0);
    dialog.Open();
    EXPECT_TRUE(dialog.Checked(kHeardSyncCheck));
    dialog.OnCheck(kHeardSyncCheck, false);
    EXPECT_FALSE(dialog.followHeard);
    EXPECT_TRUE(dialog.vsync);
    EXPECT_FALSE(dialog.windowed);
    int boxes = 0;
    for (const auto& c : SetupDialog::Template().controls)
        if (c.kind == platform::DialogControl::Check) {
            ++boxes;
            EXPECT_EQ(c.y, 188) << "the boxes sit side by side under the start button";
        }
    EXPECT_EQ(boxes, 3);
}
