// tga_writer.h -- uncompressed 24-bit true-colour TGA.
#pragma once

#include "byte_sink.h"
#include "image.h"

namespace forge {

enum class TgaRows { BottomUp, TopDown };

// Header of 18 bytes (no identification field, no colour map, type 2, origin 0,0, depth
// 24), then blue, green, red per pixel without row padding. BottomUp is the common
// orientation; TopDown sets descriptor bit 5. No footer.
void WriteTga(ByteSink& sink, const Image& image, TgaRows rows = TgaRows::BottomUp);

}  // namespace forge
