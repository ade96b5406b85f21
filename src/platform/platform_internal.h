// platform_internal.h -- shared between the platform's own units only.
#pragma once

#include "platform/platform.h"

namespace platform {
// Capture: reads the finished frame back from the current GL context (width x height),
// writes it as the next numbered PNG, runs the frame hook and steps the virtual clock.
// Render-window thread only.
void CaptureFrame(int width, int height);
}  // namespace platform
