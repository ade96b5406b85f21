// The setup dialog's lists and selection rules, without a window.
#include <gtest/gtest.h>

#include "shell/setup_dialog.h"
#include "support/two_display_devices.h"


#ifdef _WIN32
#include <windows.h>
#endif

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
    using Kind = platform::DialogControl::Kind;
    const platform::DialogTemplate& t = SetupDialog::Template();
    EXPECT_STREQ(t.caption, "Vorn Demo - Umbravel");
    EXPECT_EQ(t.width, 290);
    EXPECT_EQ(t.resourceId, 101);
    EXPECT_EQ(t.defaultButton, kStartButton);
    // A modal frame with caption and system menu, brought to the foreground.
    EXPECT_EQ(t.style, 0x80000000u | 0x00C00000u | 0x00080000u | 0x80u | 0x200u);
    // The original nineteen controls in their order, then our three check boxes.
    ASSERT_EQ(t.controls.size(), 22u);
    const platform::DialogControl& start = t.controls[0];
    EXPECT_EQ(start.kind, Kind::Button);
    EXPECT_EQ(start.id, kStartButton);
    EXPECT_STREQ(start.text, "UMBRAVEL");
    EXPECT_EQ((std::vector<int>{start.x, start.y, start.width, start.height}), (std::vector<int>{0, 165, 290, 20}));
    EXPECT_EQ(start.style & 0x0001u, 0x0001u) << "the default push button";
    EXPECT_EQ(t.controls[1].kind, Kind::Icon);
    EXPECT_EQ(t.controls[1].style & 0xFFFFu, 0x1003u) << "an icon, sunken";
    EXPECT_EQ(t.controls[1].style & 0x00800000u, 0x00800000u) << "bordered";
    EXPECT_STREQ(t.controls[11].text,
                 "Code: Zub Quessel Wimbrel   Music: Crompet Zub   Art: Crompet   Story: Crompet Zub");
    EXPECT_EQ((std::vector<int>{t.controls[11].x, t.controls[11].y, t.controls[11].width, t.controls[11].height}),
              (std::vector<int>{20, 10, 270, 8}));
    EXPECT_STREQ(t.controls[12].text, "Vorn Sound System Setup");
    EXPECT_EQ(t.controls[12].kind, Kind::Group);
    EXPECT_EQ(t.controls[12].y, 95);
    const int lists[6] = {kRenderingMethodList, kRenderingDeviceList, kRenderingResolutionList,
                          kSoundDeviceList,     kSoundResolutionList, kSoundBufferList};
    const int listAt[6] = {4, 7, 9, 13, 14, 15};
    for (int i = 0; i < 6; ++i) {
        const platform::DialogControl& c = t.controls[static_cast<size_t>(listAt[i])];
        EXPECT_EQ(c.kind, Kind::List);
        EXPECT_EQ(c.id, lists[i]);
        EXPECT_EQ(c.width, 90);
        EXPECT_EQ(c.height, 40);
        // Notifies, not sorted, vertical scroll bar, border, tab stop, visible child.
        EXPECT_EQ(c.style, 0x40000000u | 0x10000000u | 0x00010000u | 0x00800000u | 0x00200000u | 0x0001u) << c.id;
    }
    EXPECT_EQ(t.controls[15].x, 195);
    EXPECT_EQ(t.controls[15].y, 115);
    EXPECT_STREQ(t.controls[18].text, "Sound Buffer Length");
    int untagged = 0;
    for (const auto& c : t.controls) {
        EXPECT_LE(c.x + c.width, t.width);
        EXPECT_LE(c.y + c.height, t.height);
        EXPECT_EQ(c.style & 0x50000000u, 0x50000000u) << "a visible child window";
        if (c.kind == Kind::Text || c.kind == Kind::Group || c.kind == Kind::Icon) {
            EXPECT_EQ(c.id, -1);
            ++untagged;
        }
    }
    EXPECT_EQ(untagged, 12);
}

#ifdef _WIN32
// The table carries the Windows headers' values under its own names, so that Linux can
// read it: they must stay the same numbers.
static_assert(SETUP_WS_POPUP == WS_POPUP && SETUP_WS_CHILD == WS_CHILD && SETUP_WS_VISIBLE == WS_VISIBLE);
static_assert(SETUP_WS_CAPTION == WS_CAPTION && SETUP_WS_BORDER == WS_BORDER && SETUP_WS_VSCROLL == WS_VSCROLL);
static_assert(SETUP_WS_SYSMENU == WS_SYSMENU && SETUP_WS_GROUP == WS_GROUP && SETUP_WS_TABSTOP == WS_TABSTOP);
static_assert(SETUP_DS_MODALFRAME == DS_MODALFRAME && SETUP_DS_SETFOREGROUND == DS_SETFOREGROUND);
static_assert(SETUP_BS_DEFPUSHBUTTON == BS_DEFPUSHBUTTON && SETUP_BS_AUTOCHECKBOX == BS_AUTOCHECKBOX &&
              SETUP_BS_GROUPBOX == BS_GROUPBOX);
static_assert(SETUP_SS_LEFT == SS_LEFT && SETUP_SS_ICON == SS_ICON && SETUP_SS_SUNKEN == SS_SUNKEN &&
              SETUP_LBS_NOTIFY == LBS_NOTIFY);
#endif

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
