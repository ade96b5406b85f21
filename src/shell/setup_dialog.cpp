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
    SETUP_DIALOG_CAPTION,
    SETUP_DIALOG_WIDTH,
    SETUP_DIALOG_HEIGHT,
    {
#define SETUP_CONTROL(kind, id, text, x, y, width, height, style) \
    {platform::DialogControl::kind, id, text, x, y, width, height, static_cast<uint32_t>(style)},
        SETUP_DIALOG_CONTROLS(SETUP_CONTROL)
#undef SETUP_CONTROL
    },
    kStartButton,
    SETUP_DIALOG_RESOURCE,
    static_cast<uint32_t>(SETUP_DIALOG_STYLE),
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
