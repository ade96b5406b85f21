// typeface.h -- text for the pictures, through FreeType: the terminal face of the system
// font (its embedded bitmaps) and vector faces for titles and names.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "image.h"

namespace forge {

// Coverage 0..1 per pixel.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<float> a;
    float At(int x, int y) const { return a[static_cast<size_t>(y) * width + x]; }
};

class Typeface {
public:
    // path: a font file; pixelSize: the em height in pixels; mono: take 1-bit glyphs (a
    // bitmap face's own strikes) instead of antialiased outlines.
    Typeface(const std::string& path, int pixelSize, bool mono);
    ~Typeface();
    Typeface(const Typeface&) = delete;
    Typeface& operator=(const Typeface&) = delete;

    // Glyph of one character in a cell of the given size, its baseline at row `baseline`,
    // its pen at column `left`. An unknown character gives an empty cell.
    Mask Cell(char32_t ch, int cellWidth, int cellHeight, int baseline, int left = 0) const;
    // One line of text, tight to its advance width, ascender + descender high. tracking:
    // extra pixels between letters.
    Mask Line(const std::string& text, int tracking = 0) const;
    int Ascender() const;
    int Descender() const;  // positive, below the baseline

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The fonts the forge uses; the build tells where the Debian packages put them.
std::string TerminalFontPath();
std::string TitleFontPath();  // bold serif
std::string SansFontPath();   // bold sans

// Composites colour over the canvas with the mask's coverage at (x, y) (top-left).
void StampOver(Canvas& canvas, const Mask& mask, int x, int y, Colour colour, float opacity = 1.0f);
// Adds colour * coverage (light, not paint).
void StampAdd(Canvas& canvas, const Mask& mask, int x, int y, Colour colour);
// Mask scaled by an integer factor (nearest), for chunky terminal lettering.
Mask ScaleMask(const Mask& mask, int factor);
// Sets the pixels the mask covers more than half to one colour, with (x, y) the mask's
// top-left: crisp lettering on a review picture. Whatever falls outside is clipped.
void StampLabel(Image& image, const Mask& mask, int x, int y, const uint8_t rgb[3]);

}  // namespace forge
