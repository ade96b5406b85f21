// system_font.cpp -- "SystemFont.tga": the teletype's 86 glyphs of 16x32 in one row, light
// on black (the teletype takes a glyph pixel's alpha from its first two colour bytes).
// Glyphs come from the Terminus face's own 16x32 bitmaps, so they stay crisp.
#include "system_font.h"

#include "content.h"
#include "typeface.h"

namespace forge {

const char* TeletypeCharacters() {
    // The line feed's cell holds the cursor block, the last cell is the blank.
    return "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-=\\_+|[]{};':\",./<>?`~\n ";
}

Image SystemFontImage() {
    const std::string chars = TeletypeCharacters();
    const int count = static_cast<int>(chars.size());
    Image image(kGlyphWidth * count, kGlyphHeight);
    Typeface face(TerminalFontPath(), kGlyphHeight, true);
    // Terminus keeps its ascender and descender inside the 32 rows.
    const int baseline = kGlyphHeight - face.Descender();
    for (int k = 0; k < count; ++k) {
        Mask cell;
        if (chars[k] == '\n') {
            cell = Mask{kGlyphWidth, kGlyphHeight, std::vector<float>(kGlyphWidth * kGlyphHeight, 0.0f)};
            // The cursor block: the height of a capital and a descender, one column in from each side.
            for (int y = baseline - 21; y < baseline + 3; ++y)
                for (int x = 1; x < kGlyphWidth - 1; ++x) cell.a[y * kGlyphWidth + x] = 1.0f;
        } else if (chars[k] == ' ') {
            continue;
        } else {
            cell = face.Cell(static_cast<unsigned char>(chars[k]), kGlyphWidth, kGlyphHeight, baseline);
        }
        for (int y = 0; y < kGlyphHeight; ++y)
            for (int x = 0; x < kGlyphWidth; ++x) {
                if (cell.At(x, y) <= 0) continue;
                uint8_t* p = image.At(k * kGlyphWidth + x, y);
                // A pale violet white; red plus green is well over 255, so lit pixels are opaque.
                p[0] = 236;
                p[1] = 228;
                p[2] = 255;
            }
    }
    return image;
}

void MakeSystemFont(ContentSet& set) {
    Image image = SystemFontImage();
    // Stored top row first (descriptor bit 5), the less common of the two orientations.
    set.AddTga("Files\\SystemFont.tga", image, TgaRows::TopDown);
    set.AddPreview("SystemFont.tga", std::move(image));
}

}  // namespace forge
