// setup_dialog.h -- the setup dialog's behaviour: six lists, their contents and defaults,
// and what a selection, the start button and the close command do to the SetupChoice.
// It holds no platform code; the platform shows it (platform/dialog.h) and reports the
// user's actions here.
#pragma once

#include <string>
#include <vector>

#include "engine/core/engine.h"
#include "platform/dialog.h"
#include "shell/demo_state.h"
#include "shell/setup_dialog_template.h"

enum : int {
    kStartButton = SETUP_START_BUTTON,
    kRenderingMethodList = SETUP_RENDERING_METHOD_LIST,
    kRenderingDeviceList = SETUP_RENDERING_DEVICE_LIST,
    kRenderingResolutionList = SETUP_RENDERING_RESOLUTION_LIST,
    kSoundDeviceList = SETUP_SOUND_DEVICE_LIST,
    kSoundResolutionList = SETUP_SOUND_RESOLUTION_LIST,
    kSoundBufferList = SETUP_SOUND_BUFFER_LIST,
    // Beyond the original dialog: the check boxes under the start button.
    kWindowedCheck = SETUP_WINDOWED_CHECK,
    kVsyncCheck = SETUP_VSYNC_CHECK,
    kHeardSyncCheck = SETUP_HEARD_SYNC_CHECK,  // the sections follow the heard position, not the mixed one
};

class SetupDialog final : public platform::DialogHandler {
public:
    // The engine's device list (may be empty) and the sound system's device names with
    // its default device.
    SetupDialog(const DisplayDevice* devices, int32_t deviceCount, std::vector<std::string> soundDevices,
                int32_t defaultSoundDevice);

    // The dialog's opening: every list filled and set to its default.
    void Open();
    // A selection change in list `listId` to entry `selection`.
    void Select(int listId, int selection);

    const SetupChoice& Choice() const { return choice; }
    int SoundResolutionIndex() const { return soundResolution; }
    bool windowed = false;
    bool vsync = true;
    bool followHeard = true;

    // The platform's view of the dialog.
    const std::vector<std::string>& Items(int listId) const override;
    int Selection(int listId) const override;
    void OnSelect(int listId, int selection) override { Select(listId, selection); }
    int OnCommand(int controlId) override;  // the start button ends the dialog with 1
    bool Checked(int controlId) const override;
    void OnCheck(int controlId, bool checked) override;

    // The dialog's template: its caption, size and controls in dialog units, from the
    // table in setup_dialog_template.h (which the Windows resource is made from too).
    static const platform::DialogTemplate& Template();

private:
    void FillDeviceList();
    void FillResolutionList();
    const DisplayDevice* RendererDevices(int32_t* count) const;

    const DisplayDevice* devices;
    int32_t deviceCount;
    SetupChoice choice;
    int soundResolution = 0;
    std::vector<std::string> methodItems, deviceItems, resolutionItems, soundDeviceItems, soundResolutionItems,
        bufferItems;
    int32_t defaultSoundDevice;
};

// Shows the dialog modally. 1: start the show with `dialog.Choice()`; 0: the user closed
// it; platform::kDialogUnavailable: no display to show it on; platform::kDialogFailed: the
// system could not create it.
int RunSetupDialog(SetupDialog& dialog);
