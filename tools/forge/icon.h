// icon.h -- the program's icon: a violet disc with a pale "U" on a dark rounded tile,
// painted afresh at every size (no scaling of one picture), and the files it is installed
// as: a Windows icon file (16, 32, 48 and 256 pixels), a 256-pixel PNG, and 64 pixels as
// C array rows for the Linux dialog and window. Deterministic: the same bytes every run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "byte_sink.h"

namespace forge {

// Four bytes a pixel, red, green, blue, alpha (not premultiplied); row 0 is the top.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

RgbaImage PaintIcon(int size);

// An 8-bit RGBA PNG.
void WriteRgbaPng(ByteSink& sink, const RgbaImage& image);
// An icon file with one entry per picture, in the order given: pictures of 256 pixels are
// stored as PNG, smaller ones as 32-bit bitmaps with their transparency mask.
void WriteIco(ByteSink& sink, const std::vector<RgbaImage>& images);
// The bytes of a picture as rows of a C initialiser ("0x18, 0x12, ...").
std::string IconArrayText(const RgbaImage& image);

// The sizes the icon file holds.
inline constexpr int kIconSizes[] = {16, 32, 48, 256};

// Writes dir/umbravel.ico, dir/umbravel.png and dir/umbravel_icon_64.inc; a file whose
// bytes are already there is left alone. False with the reason in *error on failure.
bool WriteIconFiles(const std::string& dir, std::string* error);

}  // namespace forge
