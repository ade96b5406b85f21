// soundtrack.h -- the show's music module, reachable apart from the content set for the
// tests and the level checks.
#pragma once

#include <cstdint>
#include <vector>

#include "it_writer.h"

namespace forge {

constexpr int kSoundtrackOrders = 26;  // order 0 of 144 rows, then 25 orders of 64 rows
constexpr int kSoundtrackTitleRows = 144;

ItModule SoundtrackModule();
std::vector<uint8_t> SoundtrackBytes();  // the file "Files\Tenebrix.it"

}  // namespace forge
