// sdl_subsystems.cpp -- the close of an SDL window and the stop of an SDL subsystem, and
// what the leak checker of a sanitizer build needs from them.
//
// Closing the last GL window, or stopping video or audio, lets SDL unload what it loaded
// for them: the GL library, the GL driver beneath it (Mesa's driver is loaded by libGLX
// or libEGL and unloaded when the display is closed or EGL is terminated), the sound
// servers' clients. An allocation such a library made and never freed is then reported
// at exit with no module to name, and no suppression can match it. So in an
// address-sanitizer build every shared library mapped at such a moment stays mapped until
// the process ends; a release build lets them go.
#include "platform/sdl/sdl_internal.h"

#include <SDL.h>

#if defined(__SANITIZE_ADDRESS__)
#define UMBRAVEL_KEEP_LIBRARIES 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UMBRAVEL_KEEP_LIBRARIES 1
#endif
#endif

#if UMBRAVEL_KEEP_LIBRARIES
#include <dlfcn.h>
#include <link.h>

#include <vector>
#endif

namespace platform {

#if UMBRAVEL_KEEP_LIBRARIES
void KeepLoadedLibraries() {
    // The names first, then the pins: dlopen is not called while the loader's list is
    // being walked.
    std::vector<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            // The program itself has no name; the kernel's vDSO is no file.
            if (info->dlpi_name && info->dlpi_name[0] == '/')
                static_cast<std::vector<std::string>*>(data)->emplace_back(info->dlpi_name);
            return 0;
        },
        &names);
    // RTLD_NOLOAD finds a library only if it is mapped already; RTLD_NODELETE then keeps
    // it mapped whatever its other users close. The handle is never closed.
    for (const std::string& name : names) dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
}
#else
void KeepLoadedLibraries() {}
#endif

void CloseSdlWindow(SDL_Window* window) {
    KeepLoadedLibraries();
    SDL_DestroyWindow(window);
}

void StopSubsystem(uint32_t flags) {
    KeepLoadedLibraries();
    SDL_QuitSubSystem(flags);
}

void StopAllSubsystems() {
    KeepLoadedLibraries();
    SDL_Quit();
}

}  // namespace platform
