// dialog.h -- a modal dialog described by a template of controls in dialog units, shown
// by the platform: drawn with Dear ImGui on SDL2 and OpenGL 2 in the SDL back-end, run
// from the executable's dialog resource (made from the same table) on Windows. The
// caller's handler owns every list's contents and every rule; the platform only shows
// them and reports what the user did.
//
// Main thread only, before the render window exists: the SDL dialog starts SDL's video
// for itself and shuts it down before it returns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct DialogControl {
    enum Kind { Button, Icon, Text, Group, List, Check } kind;
    int id;  // -1 for controls that report nothing
    const char* text;
    int x, y, width, height;  // dialog units
    uint32_t style;           // the Windows window style bits of the control
};

struct DialogTemplate {
    const char* caption;
    int width, height;  // dialog units
    std::vector<DialogControl> controls;
    int defaultButton;  // has the keyboard focus: Enter presses it
    int resourceId;     // the dialog resource that holds this template on Windows
    uint32_t style;     // the Windows window style bits of the dialog
};

class DialogHandler {
public:
    virtual ~DialogHandler() = default;
    virtual const std::vector<std::string>& Items(int listId) const = 0;
    virtual int Selection(int listId) const = 0;
    virtual void OnSelect(int listId, int selection) = 0;
    // A button was pressed: a result >= 0 ends the dialog with it, -1 keeps it open.
    virtual int OnCommand(int controlId) = 0;
    virtual bool Checked(int controlId) const = 0;
    virtual void OnCheck(int controlId, bool checked) = 0;
};

enum : int {
    kDialogUnavailable = -1,  // no display to show a dialog on (headless runs): nothing was shown
    kDialogFailed = -2,       // the system could not create the dialog; the reason went to standard error
};

// Shows the dialog centred horizontally at one third of the screen height. Returns the
// result of the button that ended it, 0 when the user closed it from its title bar (the
// Escape key does not close it), kDialogUnavailable or kDialogFailed.
int RunModalDialog(const DialogTemplate& dialog, DialogHandler& handler);

}  // namespace platform
