// tga.h -- the reader for uncompressed 24-bit TGA pictures and the image resampler.
#pragma once

#include <cstdint>

#include "codecs/image.h"

// 1 with a new picture in result (top row first), or 0 with result null. Only type 2
// (uncompressed true colour), 24 bits, no identification field, no colour map, origin
// (0, 0); rows bottom-up unless descriptor bit 5 is set.
int DecodeTga(const FileBuffer& source, RgbImage*& result);

enum : int32_t { kResampleNearest = 0, kResampleBilinear = 1 };

// 1 with a new picture of the new size in result, or 0 (code 7) for a size below 1 or an
// unknown type. Bilinear puts the first and last output pixels of each row and column on
// the first and last source pixels; a new size of 1 takes the first source row or column.
int ResampleImage(const RgbImage& source, int32_t newWidth, int32_t newHeight, RgbImage*& result, int32_t type);
