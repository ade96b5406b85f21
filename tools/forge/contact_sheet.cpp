// contact_sheet.cpp -- previews in a grid of 128-pixel tiles with their names below,
// wide pictures (the font) across the whole sheet.
#include "contact_sheet.h"

#include <algorithm>

#include "typeface.h"

namespace forge {

namespace {
constexpr int kTile = 128;
constexpr int kLabel = 16;
constexpr int kGap = 4;
constexpr int kColumns = 12;
constexpr uint8_t kInk[3] = {230, 230, 230};
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
    auto write = [&](const std::string& text, int x0, int y0) { StampLabel(sheet, label.Line(text), x0, y0, kInk); };
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

}  // namespace forge
