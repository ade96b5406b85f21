// content_units.cpp -- the generator units in the order they run. The 3D objects join as
// a unit of their own.
#include "content.h"

namespace forge {

namespace {
constexpr ContentUnit kUnits[] = {
    {"font", MakeSystemFont},
    {"logo", MakeLogo},
    {"beep", MakeBeep},
    {"stills", MakeStills},
    {"sad", MakeSadFaces},
    {"brain", MakeBrainPictures},
    {"eh", MakeEhVideo},
    {"war", MakeWarVideo},
    {"music", MakeSoundtrack},
    {"objects", MakeObjects},  // after the pictures its views show
};
}  // namespace

std::span<const ContentUnit> ContentUnits() { return kUnits; }

}  // namespace forge
