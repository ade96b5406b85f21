// sdl_messagebox.cpp -- modal message boxes. Headless runs (and machines where SDL cannot
// show a box) print "caption: text" to standard error instead and never wait.
#include "platform/platform.h"

#include <SDL.h>

#include <cstdio>

namespace platform {

void ShowMessageBox(const char* text, const char* caption, unsigned style) {
    text = text ? text : "";
    caption = caption ? caption : "";
    if (!IsHeadless()) {
        Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
        if ((style & 0xF0) == kBoxIconExclamation) flags = SDL_MESSAGEBOX_WARNING;
        if ((style & 0xF0) == kBoxIconError) flags = SDL_MESSAGEBOX_ERROR;
        if (SDL_ShowSimpleMessageBox(flags, caption, text, nullptr) == 0) return;
    }
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
}

}  // namespace platform
