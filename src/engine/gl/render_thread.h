// render_thread.h -- the render window's thread and its window procedure.
#pragma once

#include "platform/platform.h"

// The hook that receives every render-window message except creation and destruction;
// process-wide, installed with SetMessageHandler before Init.
void SetRenderWindowHook(platform::WindowProc hook);
