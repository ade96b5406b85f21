// The setup dialog's window on Windows (dialog resource 101 and its procedure), driven the
// way the system drives it: selection changes and clicks arrive as the controls' command
// messages, sent from a second thread while the dialog's modal loop runs. What the lists
// show is read back from the list boxes themselves.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "shell/setup_dialog.h"
#include "support/two_display_devices.h"

namespace {

struct ListView {
    std::vector<std::string> items;
    int selected = -1;
};

ListView ReadList(HWND dialog, int id) {
    HWND list = GetDlgItem(dialog, id);
    ListView view;
    const auto count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        view.items.emplace_back(text);
    }
    view.selected = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
    return view;
}

// What a click on an entry does: the list box selects it and tells the dialog.
void Choose(HWND dialog, int id, int entry) {
    HWND list = GetDlgItem(dialog, id);
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(entry), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

// Runs the dialog on this thread and `drive` on another once the dialog is on the screen;
// returns the dialog's result. The driver must end the dialog.
int RunDriven(SetupDialog& dialog, const std::function<void(HWND)>& drive) {
    std::thread driver([&] {
        HWND window = nullptr;
        // A first start of the system's desktop (under Wine) can take many seconds.
        for (int i = 0; i < 6000 && !(window && IsWindowVisible(window)); ++i) {
            Sleep(10);
            window = FindWindowA(nullptr, "Vorn Demo - Umbravel");
        }
        if (!window) {
            ADD_FAILURE() << "the dialog did not appear";
            return;
        }
        drive(window);
    });
    const int result = RunSetupDialog(dialog);
    driver.join();
    return result;
}

}  // namespace

TEST(SetupDialogWindow, ListsFollowTheRulesAndTheCloseBoxGivesZero) {
    TwoDevices d;
    SetupDialog dialog(d.devices, 2, {"No Sound", "Primary Sound Driver"}, 1);
    ListView method, devices, modes, sounds, resolutions, buffers, noDevices, refilled, afterDevice;
    bool openAfterEscape = false;
    int focus = 0;
    const int result = RunDriven(dialog, [&](HWND window) {
        HWND focused = nullptr;
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) focused = info.hwndFocus;
        focus = focused ? GetDlgCtrlID(focused) : 0;
        method = ReadList(window, kRenderingMethodList);
        devices = ReadList(window, kRenderingDeviceList);
        modes = ReadList(window, kRenderingResolutionList);
        sounds = ReadList(window, kSoundDeviceList);
        resolutions = ReadList(window, kSoundResolutionList);
        buffers = ReadList(window, kSoundBufferList);
        Choose(window, kRenderingMethodList, 1);
        noDevices = ReadList(window, kRenderingDeviceList);
        Choose(window, kRenderingMethodList, 0);
        refilled = ReadList(window, kRenderingResolutionList);
        Choose(window, kRenderingResolutionList, 2);
        Choose(window, kRenderingDeviceList, 1);
        afterDevice = ReadList(window, kRenderingResolutionList);
        // Escape reaches the dialog as IDCANCEL, which it leaves alone.
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        openAfterEscape = IsWindow(window) && IsWindowVisible(window);
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(focus, kStartButton);
    EXPECT_EQ(method.items, (std::vector<std::string>{"OpenGL R1.1 or better", "DirectX 3D V7.0 or better"}));
    EXPECT_EQ(method.selected, 0);
    EXPECT_EQ(devices.items, (std::vector<std::string>{"Default", "Second"}));
    EXPECT_EQ(modes.items,
              (std::vector<std::string>{"640 x 480, 16 bpp", "800 x 600, 32 bpp", "1024 x 768, 32 bpp"}));
    EXPECT_EQ(modes.selected, 0);
    EXPECT_EQ(sounds.selected, 1) << "more than one sound device: the first real one";
    ASSERT_EQ(resolutions.items.size(), 5u);
    EXPECT_EQ(resolutions.items[4], "Mono,   11025Hz, 8bit");
    ASSERT_EQ(buffers.items.size(), 9u);
    EXPECT_EQ(buffers.items[8], "1000 milliseconds");
    EXPECT_EQ(buffers.selected, 0);
    EXPECT_TRUE(noDevices.items.empty()) << "the second renderer has no devices";
    EXPECT_EQ(refilled.items.size(), 3u);
    EXPECT_EQ(refilled.selected, 0);
    EXPECT_EQ(afterDevice.items, (std::vector<std::string>{"1280 x 1024, 24 bpp"}));
    EXPECT_EQ(afterDevice.selected, 0);
    EXPECT_EQ(dialog.Choice().modeIndex, 0);
    EXPECT_EQ(dialog.Choice().deviceIndex, 1);
    EXPECT_TRUE(openAfterEscape);
}

TEST(SetupDialogWindow, StartButtonGivesOneWithTheChoicesMade) {
    TwoDevices d;
    SetupDialog dialog(d.devices, 2, {"No Sound"}, 0);
    const int result = RunDriven(dialog, [](HWND window) {
        Choose(window, kSoundResolutionList, 4);
        Choose(window, kSoundBufferList, 3);
        SendMessageA(GetDlgItem(window, kWindowedCheck), BM_CLICK, 0, 0);
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(kStartButton, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, kStartButton)));
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(dialog.Choice().soundFormat, 0);
    EXPECT_EQ(dialog.Choice().mixingRate, 11025);
    EXPECT_EQ(dialog.Choice().bufferLengthIndex, 3);
    EXPECT_EQ(dialog.Choice().soundDevice, 0);
    EXPECT_TRUE(dialog.windowed);
}

TEST(SetupDialogWindow, MissingResourceIsReportedAsFailure) {
    platform::DialogTemplate missing = SetupDialog::Template();
    missing.resourceId = 4242;
    TwoDevices d;
    SetupDialog dialog(d.devices, 2, {"No Sound"}, 0);
    EXPECT_EQ(platform::RunModalDialog(missing, dialog), platform::kDialogFailed);
}
