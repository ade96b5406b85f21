// png_file.h -- PNG files through libpng: the review pictures the tools write (contact
// sheets, decoded images) and the captured frames they read back.
#pragma once

#include <cstdint>
#include <string>

#include "image.h"

namespace forge {

// Writes 8-bit RGB rows, top row first, three bytes a pixel with no padding. Returns false
// when the file cannot be written.
bool WritePng(const std::string& path, int width, int height, const uint8_t* rgb);
bool WritePng(const std::string& path, const Image& image);

// Reads any PNG as 8-bit RGB (alpha is composed over black, grey widened, 16-bit narrowed).
// On failure returns false and, when error is given, puts libpng's reason there.
bool ReadPng(const std::string& path, Image& image, std::string* error = nullptr);

}  // namespace forge
