// sdl_internal.h -- shared between the SDL back-end's own units only.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform_internal.h"

struct SDL_Surface;
struct SDL_Window;

namespace platform {
// Starts SDL's video (a count of starts, each stopped by SDL_QuitSubSystem), always with
// the driver of the first start. False with SDL's reason when the display refuses.
bool StartVideo(std::string* error);
// SDL_DestroyWindow, SDL_QuitSubSystem and SDL_Quit, for every close and stop of the
// back-end (SDL unloads the GL library with the last GL window, and the sound and video
// drivers' libraries with their subsystems): in an address-sanitizer build each first
// keeps the shared libraries mapped now loaded until the process ends
// (KeepLoadedLibraries), so the leak checker can name the library behind a report.
void CloseSdlWindow(SDL_Window* window);
void StopSubsystem(uint32_t flags);
void StopAllSubsystems();
void KeepLoadedLibraries();
// The program's icon as the forge paints it, 64 x 64 RGBA (the Windows executable's icon
// and the Linux package's are the same picture): a surface over constant pixels, for
// SDL_SetWindowIcon and the setup dialog's icon control. Null when SDL refuses.
SDL_Surface* ProgramIconSurface();
}  // namespace platform
