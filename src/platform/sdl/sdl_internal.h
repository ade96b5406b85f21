// sdl_internal.h -- shared between the SDL back-end's own units only.
#pragma once

#include <string>

#include "platform/platform_internal.h"

namespace platform {
// Starts SDL's video (a count of starts, each stopped by SDL_QuitSubSystem), always with
// the driver of the first start. False with SDL's reason when the display refuses.
bool StartVideo(std::string* error);
}  // namespace platform
