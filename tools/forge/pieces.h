// pieces.h -- single pictures and sounds of the generator units, reachable one at a time
// (for tests and for units that reuse another's picture).
#pragma once

#include <cstdint>
#include <vector>

#include "image.h"

namespace forge {

std::vector<uint8_t> BeepSamples();          // 8-bit signed, 22050 Hz
Canvas EhFrame(int frame);                   // 0..315, 256 x 256
Canvas WarFrame(int frame);                  // 0..360, 256 x 256, loops
constexpr int kEhFrames = 316;
constexpr int kWarFrames = 361;

// The curled infant: signed distance in picture units (0..1 square), negative inside.
float InfantDistance(float x, float y);

}  // namespace forge
