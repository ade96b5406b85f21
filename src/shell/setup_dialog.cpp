// setup_dialog.cpp -- the setup dialog's lists and the rules of its selections.
#include "shell/setup_dialog.h"

#include <cstdio>
#include <utility>

namespace {
struct SoundResolution {
    const char* text;
    int32_t format;
    int32_t rate;
};
constexpr SoundResolution kSoundResolutions[5] = {
    {"Stereo, 44100Hz, 16bit", 3, 44100}, {"Stereo, 22050Hz, 16bit", 3, 22050}, {"Stereo, 22050Hz, 8bit", 2, 22050},
    {"Stereo, 11025Hz, 8bit", 2, 11025},  {"Mono,   11025Hz, 8bit", 0, 11025},
};
const std::vector<std::string> kNoItems;

const platform::DialogTemplate kTemplate = {
    "Vorn Demo - Umbravel",
    290,
    200,
    {
        {platform::DialogControl::Button, kStartButton, "UMBRAVEL", 0, 165, 290, 20},
        {platform::DialogControl::Icon, 0, "", 0, 0, 20, 20},
        {platform::DialogControl::Text, 0, "Vorn Proudly Presents - UMBRAVEL", 20, 0, 120, 8},
        {platform::DialogControl::Group, 0, "Vorn 3D System Setup", 0, 25, 290, 65},
        {platform::DialogControl::List, kRenderingMethodList, "", 5, 45, 90, 40},
        {platform::DialogControl::Text, 0, "Rendering Method", 5, 35, 85, 8},
        {platform::DialogControl::Text, 0, "Rendering Device", 100, 35, 85, 8},
        {platform::DialogControl::List, kRenderingDeviceList, "", 100, 45, 90, 40},
        {platform::DialogControl::Text, 0, "Rendering Resolution", 195, 35, 85, 8},
        {platform::DialogControl::List, kRenderingResolutionList, "", 195, 45, 90, 40},
        {platform::DialogControl::Text, 0, "Released at Mirefest 2000, Australia", 175, 0, 115, 8},
        {platform::DialogControl::Text, 0,
         "Code: Zub Quessel Wimbrel   Music: Crompet Zub   Art: Crompet   Story: Crompet Zub", 20, 10, 270, 8},
        {platform::DialogControl::Group, 0, "Vorn Sound System Setup", 0, 95, 290, 65},
        {platform::DialogControl::List, kSoundDeviceList, "", 5, 115, 90, 40},
        {platform::DialogControl::List, kSoundResolutionList, "", 100, 115, 90, 40},
        {platform::DialogControl::List, kSoundBufferList, "", 195, 115, 90, 40},
        {platform::DialogControl::Text, 0, "Sound Device", 5, 105, 85, 8},
        {platform::DialogControl::Text, 0, "Sound Resolution", 100, 105, 85, 8},
        {platform::DialogControl::Text, 0, "Sound Buffer Length", 195, 105, 85, 8},
        // Apart from the original controls, under the start button.
        {platform::DialogControl::Check, kWindowedCheck, "Windowed", 5, 188, 45, 10},
        {platform::DialogControl::Check, kVsyncCheck, "Wait for vertical sync", 55, 188, 100, 10},
        {platform::DialogControl::Check, kHeardSyncCheck, "Pictures follow the heard sound", 160, 188, 130, 10},
    },
    kStartButton,
};
}  // namespace

SetupDialog::SetupDialog(const DisplayDevice* devices_, int32_t deviceCount_, std::vector<std::string> soundDevices,
                         int32_t defaultSoundDevice_)
    : devices(devices_),
      deviceCount(devices_ ? deviceCount_ : 0),
      soundDeviceItems(std::move(soundDevices)),
      defaultSoundDevice(defaultSoundDevice_) {}

const platform::DialogTemplate& SetupDialog::Template() { return kTemplate; }

const DisplayDevice* SetupDialog::RendererDevices(int32_t* count) const {
    // The second renderer has no engine and so no devices.
    *count = choice.renderer == 0 ? deviceCount : 0;
    return choice.renderer == 0 ? devices : nullptr;
}

void SetupDialog::Open() {
    choice.renderer = 0;
    methodItems = {"OpenGL R1.1 or better", "DirectX 3D V7.0 or better"};
    FillDeviceList();
    choice.soundDevice = defaultSoundDevice;
    soundResolution = 0;
    choice.soundFormat = 3;
    choice.mixingRate = 44100;
    soundResolutionItems.clear();
    for (const SoundResolution& r : kSoundResolutions) soundResolutionItems.emplace_back(r.text);
    choice.bufferLengthIndex = 0;
    bufferItems.clear();
    for (int i = 0; i < 9; ++i) bufferItems.push_back(std::to_string(200 + 100 * i) + " milliseconds");
}

void SetupDialog::FillDeviceList() {
    deviceItems.clear();
    choice.deviceIndex = 0;
    int32_t count = 0;
    const DisplayDevice* list = RendererDevices(&count);
    for (int32_t i = 0; i < count; ++i) deviceItems.emplace_back(list[i].name);
    FillResolutionList();
}

void SetupDialog::FillResolutionList() {
    choice.modeIndex = 0;
    resolutionItems.clear();
    int32_t count = 0;
    const DisplayDevice* list = RendererDevices(&count);
    if (choice.deviceIndex < 0 || choice.deviceIndex >= count) return;
    const DisplayDevice& device = list[choice.deviceIndex];
    for (int32_t i = 0; i < device.modeCount; ++i) {
        char text[64];
        std::snprintf(text, sizeof text, "%d x %d, %d bpp", device.modes[i].width, device.modes[i].height,
                      device.modes[i].bitsPerPixel);
        resolutionItems.emplace_back(text);
    }
}

void SetupDialog::Select(int listId, int s) {
    switch (listId) {
    case kRenderingMethodList:
        if (s != choice.renderer) {
            choice.renderer = s;
            FillDeviceList();
        }
        break;
    case kRenderingDeviceList:
        if (s != choice.deviceIndex) {
            choice.deviceIndex = s;
            FillResolutionList();
        }
        break;
    case kRenderingResolutionList:
        choice.modeIndex = s;
        break;
    case kSoundDeviceList:
        choice.soundDevice = s;
        break;
    case kSoundResolutionList:
        soundResolution = s;
        if (s >= 0 && s <= 4) {
            choice.soundFormat = kSoundResolutions[s].format;
            choice.mixingRate = kSoundResolutions[s].rate;
        }
        break;
    case kSoundBufferList:
        choice.bufferLengthIndex = s;
        break;
    default:
        break;
    }
}

const std::vector<std::string>& SetupDialog::Items(int listId) const {
    switch (listId) {
    case kRenderingMethodList: return methodItems;
    case kRenderingDeviceList: return deviceItems;
    case kRenderingResolutionList: return resolutionItems;
    case kSoundDeviceList: return soundDeviceItems;
    case kSoundResolutionList: return soundResolutionItems;
    case kSoundBufferList: return bufferItems;
    default: return kNoItems;
    }
}

int SetupDialog::Selection(int listId) const {
    switch (listId) {
    case kRenderingMethodList: return choice.renderer;
    case kRenderingDeviceList: return choice.deviceIndex;
    case kRenderingResolutionList: return choice.modeIndex;
    case kSoundDeviceList: return choice.soundDevice;
    case kSoundResolutionList: return soundResolution;
    case kSoundBufferList: return choice.bufferLengthIndex;
    default: return -1;
    }
}

int SetupDialog::OnCommand(int controlId) { return controlId == kStartButton ? 1 : -1; }

bool SetupDialog::Checked(int controlId) const {
    if (controlId == kHeardSyncCheck) return followHeard;
    return controlId == kWindowedCheck ? windowed : controlId == kVsyncCheck ? vsync : false;
}

void SetupDialog::OnCheck(int controlId, bool checked) {
    if (controlId == kWindowedCheck) windowed = checked;
    if (controlId == kVsyncCheck) vsync = checked;
    if (controlId == kHeardSyncCheck) followHeard = checked;
}

int RunSetupDialog(SetupDialog& dialog) {
    dialog.Open();
    return platform::RunModalDialog(SetupDialog::Template(), dialog);
}
