// sdl_icon.cpp -- the program's icon for the SDL back-end: the pixels the forge wrote into
// the build folder (icon/umbravel_icon_64.inc), compiled in.
#include <SDL.h>

#include "platform/sdl/sdl_internal.h"

namespace platform {
namespace {
constexpr int kIconSize = 64;
const unsigned char kIconPixels[kIconSize * kIconSize * 4] = {
#include "umbravel_icon_64.inc"
};
}  // namespace

SDL_Surface* ProgramIconSurface() {
    // SDL only reads the pixels of a surface made over them.
    return SDL_CreateRGBSurfaceWithFormatFrom(const_cast<unsigned char*>(kIconPixels), kIconSize, kIconSize, 32,
                                              kIconSize * 4, SDL_PIXELFORMAT_RGBA32);
}

}  // namespace platform
