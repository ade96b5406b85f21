// mipmap.h -- the next, smaller level of a texture's mipmap chain.
#pragma once

#include <cstdint>

// Halves the RGBA level (width x height, both at least 1, not both 1): 2 x 2 averages
// while both sides can halve, pairs along the side that is left once the other is 1; a
// trailing odd column or row is dropped. The new size goes to *nextWidth, *nextHeight
// and `target` must hold it.
void HalveMipmapLevel(const uint8_t* source, int width, int height, uint8_t* target, int* nextWidth,
                      int* nextHeight);
