// teletype_screen.cpp -- a text terminal painted into an overlay picture: characters are
// typed at a cursor from a bitmap font of 86 glyphs in one row, each with a beep, the
// cursor blinks, and the text scrolls up when the last row is full.
#include <cstdlib>
#include <cstring>

#include "codecs/image.h"
#include "filestore/filestore.h"
#include "overlay/overlay.h"
#include "shell/quit.h"
#include "sound/vss.h"

namespace {
// The font's glyphs, in order; the line feed's place holds the cursor block, the blank's
// the empty cell.
constexpr char kCharacterSet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-=\\_+|[]{};':\",./<>?`~\n ";
constexpr int kGlyphCount = 86;
static_assert(sizeof kCharacterSet - 1 == kGlyphCount, "86 glyphs");

struct Teletype {
    uint8_t* screen = nullptr;
    int32_t width = 0, height = 0;
    uint8_t* font = nullptr;
    int32_t fontWidth = 0, fontHeight = 0;
    int32_t cellWidth = 0, cellHeight = 0;
    int32_t columns = 0, rows = 0;
    int32_t cursorColumn = 0, cursorRow = 0;
    uint8_t* beep = nullptr;
    uint32_t beepLength = 0;
};
Teletype tty;

void Create() {
    int32_t size[2];
    GetOverlaySize(size);
    tty.width = size[0];
    tty.height = size[1];
    tty.screen = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(tty.width) * tty.height, 4));
    if (!tty.screen) Quit("TeletypeScreen malloc failed");
    tty.beep = LoadFileCopy("Beep.pcm", &tty.beepLength);
    if (!tty.beep) Quit("Could not load teletype sound effect");
    RgbImage* picture = LoadTgaImage("SystemFont.tga");
    if (!picture) Quit("Could not load font TGA");
    tty.fontWidth = picture->width;
    tty.fontHeight = picture->height;
    tty.cellWidth = tty.fontWidth / kGlyphCount;
    tty.cellHeight = tty.fontHeight;
    tty.font = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(tty.fontWidth) * tty.fontHeight * 4));
    if (!tty.font) Quit("Could not allocate memory for teletype font data");
    for (int32_t i = 0; i < tty.fontWidth * tty.fontHeight; ++i) {
        const uint8_t* in = picture->pixels + static_cast<size_t>(i) * 3;
        uint8_t* out = tty.font + static_cast<size_t>(i) * 4;
        out[0] = in[0], out[1] = in[1], out[2] = in[2];
        out[3] = static_cast<uint8_t>(in[0] + in[1] > 255 ? 255 : in[0] + in[1]);
    }
    DestroyRgbImage(picture);
    tty.cursorColumn = tty.cursorRow = 0;
    // A font too small for one glyph, or a screen too small for one cell, types nothing.
    tty.columns = tty.cellWidth > 0 ? tty.width / tty.cellWidth : 0;
    tty.rows = tty.cellHeight > 0 ? tty.height / tty.cellHeight : 0;
}

void DrawGlyph(char c, int32_t column, int32_t row) {
    const char* found = c ? std::strchr(kCharacterSet, c) : nullptr;
    if (!found || column >= tty.columns || row >= tty.rows) return;
    const int32_t glyph = static_cast<int32_t>(found - kCharacterSet);
    const size_t rowBytes = static_cast<size_t>(tty.cellWidth) * 4;
    for (int32_t y = 0; y < tty.cellHeight; ++y) {
        const uint8_t* from =
            tty.font + (static_cast<size_t>(y) * tty.fontWidth + static_cast<size_t>(glyph) * tty.cellWidth) * 4;
        uint8_t* to = tty.screen + ((static_cast<size_t>(row) * tty.cellHeight + y) * tty.width +
                                    static_cast<size_t>(column) * tty.cellWidth) *
                                       4;
        std::memcpy(to, from, rowBytes);
    }
}

void ScrollUp() {
    const size_t line = static_cast<size_t>(tty.cellHeight) * tty.width * 4;
    const size_t all = static_cast<size_t>(tty.height) * tty.width * 4;
    std::memmove(tty.screen, tty.screen + line, all - line);
    std::memset(tty.screen + all - line, 0, line);
}
}  // namespace

uint8_t* TeletypeFrame(const char* text, float time) {
    if (!tty.screen) Create();
    if (!text) {
        std::memset(tty.screen, 0, static_cast<size_t>(tty.width) * tty.height * 4);
        tty.cursorColumn = tty.cursorRow = 0;
    } else if (tty.columns > 0 && tty.rows > 0) {
        for (const char* p = text; *p; ++p) {
            VSS_PlaySample(tty.beep, 8, static_cast<int>(tty.beepLength), 22050, 200, 0);
            bool lineEnded = false;
            if (*p == '\n') {
                DrawGlyph(' ', tty.cursorColumn, tty.cursorRow);
                lineEnded = true;
            } else {
                DrawGlyph(*p, tty.cursorColumn, tty.cursorRow);
                ++tty.cursorColumn;
            }
            if (tty.cursorColumn >= tty.columns || lineEnded) {
                tty.cursorColumn = 0;
                if (++tty.cursorRow >= tty.rows) {
                    ScrollUp();
                    tty.cursorRow = tty.rows - 1;
                }
            }
        }
    }
    const float phase = time / 0.5f;
    const float fraction = phase - static_cast<float>(static_cast<int64_t>(phase));
    DrawGlyph(fraction >= 0.5f ? ' ' : '\n', tty.cursorColumn, tty.cursorRow);
    return tty.screen;
}
