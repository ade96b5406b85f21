// contact_sheet.cpp -- previews in a grid of 128-pixel tiles with their names below,
// wide pictures (the font) across the whole sheet.
#include "contact_sheet.h"

#include <algorithm>
#include <cstdio>

#include <png.h>

#include "typeface.h"

namespace forge {

namespace {
constexpr int kTile = 128;
constexpr int kLabel = 16;
constexpr int kGap = 4;
constexpr int kColumns = 12;

void Blit(Image& dst, const Image& src, int x0, int y0) {
    for (int y = 0; y < src.height && y0 + y < dst.height; ++y)
        for (int x = 0; x < src.width && x0 + x < dst.width; ++x)
            std::copy_n(src.At(x, y), 3, dst.At(x0 + x, y0 + y));
}
}  // namespace

Image ContactSheet(const ContentSet& set) {
    const int width = kColumns * (kTile + kGap) + kGap;
    std::vector<const Preview*> wide, tiles;
    for (const Preview& p : set.Previews()) (p.image.width > 2 * p.image.height ? wide : tiles).push_back(&p);
    int y = kGap;
    for (const Preview* p : wide) y += std::min(p->image.height, kTile) + kLabel + kGap;
    int rows = (static_cast<int>(tiles.size()) + kColumns - 1) / kColumns;
    Image sheet(width, y + rows * (kTile + kLabel + kGap));
    std::fill(sheet.rgb.begin(), sheet.rgb.end(), 40);
    Typeface label(TerminalFontPath(), 12, true);
    auto write = [&](const std::string& text, int x0, int y0) {
        Mask m = label.Line(text);
        for (int my = 0; my < m.height; ++my)
            for (int mx = 0; mx < m.width && x0 + mx < sheet.width; ++mx)
                if (m.At(mx, my) > 0.5f && y0 + my < sheet.height) std::fill_n(sheet.At(x0 + mx, y0 + my), 3, 230);
    };
    y = kGap;
    for (const Preview* p : wide) {
        Image img = p->image.width > width - 2 * kGap
                        ? Downscale(p->image, width - 2 * kGap, p->image.height * (width - 2 * kGap) / p->image.width)
                        : p->image;
        Blit(sheet, img, kGap, y);
        write(p->name, kGap, y + img.height + 1);
        y += img.height + kLabel + kGap;
    }
    for (size_t i = 0; i < tiles.size(); ++i) {
        int col = static_cast<int>(i) % kColumns, row = static_cast<int>(i) / kColumns;
        int x0 = kGap + col * (kTile + kGap), y0 = y + row * (kTile + kLabel + kGap);
        Blit(sheet, Downscale(tiles[i]->image, kTile, kTile), x0, y0);
        write(tiles[i]->name, x0, y0 + kTile + 1);
    }
    return sheet;
}

bool WritePng(const std::string& path, const Image& image) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y) png_write_row(png, const_cast<png_bytep>(image.At(0, y)));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

}  // namespace forge
