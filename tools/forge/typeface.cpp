// typeface.cpp -- FreeType glyphs as coverage masks.
#include "typeface.h"

#include <algorithm>
#include <stdexcept>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace forge {

struct Typeface::Impl {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    bool mono = false;
};

Typeface::Typeface(const std::string& path, int pixelSize, bool mono) : impl_(std::make_unique<Impl>()) {
    impl_->mono = mono;
    if (FT_Init_FreeType(&impl_->library)) throw std::runtime_error("FreeType did not start");
    if (FT_New_Face(impl_->library, path.c_str(), 0, &impl_->face))
        throw std::runtime_error("cannot open font " + path);
    if (FT_Set_Pixel_Sizes(impl_->face, 0, static_cast<FT_UInt>(pixelSize)))
        throw std::runtime_error("font " + path + " has no size " + std::to_string(pixelSize));
}

Typeface::~Typeface() {
    if (impl_->face) FT_Done_Face(impl_->face);
    if (impl_->library) FT_Done_FreeType(impl_->library);
}

int Typeface::Ascender() const { return static_cast<int>(impl_->face->size->metrics.ascender >> 6); }
int Typeface::Descender() const { return static_cast<int>(-(impl_->face->size->metrics.descender >> 6)); }

namespace {

// Renders ch and calls put(x, y, coverage) for each covered pixel relative to the pen at
// the baseline; returns the advance in pixels.
template <class Put>
int RenderGlyph(FT_Face face, bool mono, char32_t ch, Put&& put) {
    FT_UInt index = FT_Get_Char_Index(face, ch);
    if (index == 0) return 0;
    FT_Int32 flags = FT_LOAD_RENDER | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Glyph(face, index, flags)) return 0;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    for (unsigned y = 0; y < bm.rows; ++y)
        for (unsigned x = 0; x < bm.width; ++x) {
            const unsigned char* row = bm.buffer + static_cast<long>(y) * bm.pitch;
            float c = 0;
            if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                c = (row[x >> 3] & (0x80 >> (x & 7))) ? 1.0f : 0.0f;
            else
                c = row[x] / 255.0f;
            if (c > 0) put(slot->bitmap_left + static_cast<int>(x), -slot->bitmap_top + static_cast<int>(y), c);
        }
    return static_cast<int>((slot->advance.x + 32) >> 6);
}

}  // namespace

Mask Typeface::Cell(char32_t ch, int cellWidth, int cellHeight, int baseline, int left) const {
    Mask m{cellWidth, cellHeight, std::vector<float>(static_cast<size_t>(cellWidth) * cellHeight, 0.0f)};
    RenderGlyph(impl_->face, impl_->mono, ch, [&](int x, int y, float c) {
        x += left;
        y += baseline;
        if (x >= 0 && y >= 0 && x < cellWidth && y < cellHeight) m.a[static_cast<size_t>(y) * cellWidth + x] = c;
    });
    return m;
}

Mask Typeface::Line(const std::string& text, int tracking) const {
    // First pass: width. Second: draw.
    int pen = 0;
    for (char ch : text) pen += RenderGlyph(impl_->face, impl_->mono, static_cast<unsigned char>(ch), [](int, int, float) {}) + tracking;
    int asc = Ascender(), h = asc + Descender();
    Mask m{std::max(1, pen + 4), h, {}};
    m.a.assign(static_cast<size_t>(m.width) * m.height, 0.0f);
    pen = 2;
    for (char ch : text) {
        int start = pen;
        pen += RenderGlyph(impl_->face, impl_->mono, static_cast<unsigned char>(ch), [&](int x, int y, float c) {
            x += start;
            y += asc;
            if (x >= 0 && y >= 0 && x < m.width && y < m.height) {
                float& d = m.a[static_cast<size_t>(y) * m.width + x];
                d = std::max(d, c);
            }
        }) + tracking;
    }
    return m;
}

std::string TerminalFontPath() { return FORGE_TERMINAL_FONT; }
std::string TitleFontPath() { return FORGE_TITLE_FONT; }
std::string SansFontPath() { return FORGE_SANS_FONT; }

void StampOver(Canvas& canvas, const Mask& mask, int x, int y, Colour colour, float opacity) {
    for (int my = 0; my < mask.height; ++my)
        for (int mx = 0; mx < mask.width; ++mx) {
            int cx = x + mx, cy = y + my;
            if (cx < 0 || cy < 0 || cx >= canvas.width || cy >= canvas.height) continue;
            float k = mask.At(mx, my) * opacity;
            if (k > 0) canvas.At(cx, cy) = Mix(canvas.At(cx, cy), colour, k);
        }
}

void StampAdd(Canvas& canvas, const Mask& mask, int x, int y, Colour colour) {
    for (int my = 0; my < mask.height; ++my)
        for (int mx = 0; mx < mask.width; ++mx) {
            int cx = x + mx, cy = y + my;
            if (cx < 0 || cy < 0 || cx >= canvas.width || cy >= canvas.height) continue;
            float k = mask.At(mx, my);
            if (k > 0) canvas.At(cx, cy) = canvas.At(cx, cy) + colour * k;
        }
}

Mask ScaleMask(const Mask& mask, int factor) {
    Mask m{mask.width * factor, mask.height * factor, {}};
    m.a.resize(static_cast<size_t>(m.width) * m.height);
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x) m.a[static_cast<size_t>(y) * m.width + x] = mask.At(x / factor, y / factor);
    return m;
}

void StampLabel(Image& image, const Mask& mask, int x, int y, const uint8_t rgb[3]) {
    for (int my = std::max(0, -y); my < mask.height && y + my < image.height; ++my)
        for (int mx = std::max(0, -x); mx < mask.width && x + mx < image.width; ++mx)
            if (mask.At(mx, my) > 0.5f) std::copy_n(rgb, 3, image.At(x + mx, y + my));
}

}  // namespace forge
