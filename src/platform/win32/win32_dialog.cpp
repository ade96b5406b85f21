// win32_dialog.cpp -- modal dialogs on Windows. Not yet built: the dialog resource. Every
// dialog reports that it cannot be shown, so the program takes its choices from the
// command line.
#include "platform/dialog.h"

namespace platform {

int RunModalDialog(const DialogTemplate&, DialogHandler&) { return -1; }

}  // namespace platform
