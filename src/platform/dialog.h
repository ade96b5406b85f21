// dialog.h -- a modal dialog described by a template of controls in dialog units, shown
// by the platform (Dear ImGui on SDL2 and OpenGL 2 in the SDL back-end). The caller's
// handler owns every list's contents and every rule; the platform only draws and
// reports what the user did.
//
// Main thread only, before the render window exists: the dialog starts SDL's video for
// itself and shuts it down before it returns.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct DialogControl {
    enum Kind { Button, Icon, Text, Group, List, Check } kind;
    int id;  // 0 for controls that report nothing
    const char* text;
    int x, y, width, height;  // dialog units
};

struct DialogTemplate {
    const char* caption;
    int width, height;  // dialog units
    std::vector<DialogControl> controls;
    int defaultButton;  // has the keyboard focus: Enter presses it
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

// Shows the dialog centred horizontally at one third of the screen height. Returns the
// result of the button that ended it, 0 when the user closed it from its title bar (the
// Escape key does not close it), or -1 when it cannot be shown (no display).
int RunModalDialog(const DialogTemplate& dialog, DialogHandler& handler);

}  // namespace platform
