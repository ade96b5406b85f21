// sdl_internal.h -- shared between the SDL back-end's own units only.
#pragma once

#include <string>

#include "platform/platform_internal.h"

struct SDL_Surface;

namespace platform {
// Starts SDL's video (a count of starts, each stopped by SDL_QuitSubSystem), always with
// the driver of the first start. False with SDL's reason when the display refuses.
bool StartVideo(std::string* error);
// The program's icon as the forge paints it, 64 x 64 RGBA (the Windows executable's icon
// and the Linux package's are the same picture): a surface over constant pixels, for
// SDL_SetWindowIcon and the setup dialog's icon control. Null when SDL refuses.
SDL_Surface* ProgramIconSurface();
}  // namespace platform
