// system_font.h -- the teletype font picture and its character order.
#pragma once

#include "image.h"

namespace forge {

constexpr int kGlyphWidth = 16;
constexpr int kGlyphHeight = 32;

// The 86 characters in glyph order; '\n' stands for the cursor block, ' ' for the blank.
const char* TeletypeCharacters();
// 1376 x 32, glyph k in columns 16k .. 16k + 15.
Image SystemFontImage();

}  // namespace forge
