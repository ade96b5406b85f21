// The teletype screen: typing, wrapping, line feeds, scrolling, unknown characters and
// the cursor's blink, checked cell by cell against the embedded font.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "codecs/image.h"
#include "filestore/filestore.h"
#include "overlay/overlay.h"
#include "sound/sound_internal.h"
#include "sound/vss.h"

namespace {
constexpr int kCell = 16, kCellHeight = 32, kWidth = 256;
const std::string kSet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-=\\_+|[]{};':\",./<>?`~\n ";

class Teletype : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RgbImage* font = LoadTgaImage("SystemFont.tga");
        ASSERT_NE(font, nullptr) << "the embedded content has no font";
        fontWidth = font->width;
        fontPixels.assign(font->pixels, font->pixels + static_cast<size_t>(font->width) * font->height * 3);
        DestroyRgbImage(font);
    }
    void SetUp() override { screen = TeletypeFrame(nullptr, 0.3f); }

    // Whether the cell at (column, row) holds glyph `c` exactly (colour and alpha).
    bool CellIs(int column, int row, char c) const {
        const size_t glyph = kSet.find(c);
        for (int y = 0; y < kCellHeight; ++y)
            for (int x = 0; x < kCell; ++x) {
                const uint8_t* f = &fontPixels[(static_cast<size_t>(y) * fontWidth + glyph * kCell + x) * 3];
                const uint8_t* s =
                    screen + ((static_cast<size_t>(row) * kCellHeight + y) * kWidth + column * kCell + x) * 4;
                const int alpha = f[0] + f[1] > 255 ? 255 : f[0] + f[1];
                if (s[0] != f[0] || s[1] != f[1] || s[2] != f[2] || s[3] != alpha) return false;
            }
        return true;
    }
    bool CellIsEmpty(int column, int row) const {
        for (int y = 0; y < kCellHeight; ++y)
            for (int x = 0; x < kCell; ++x) {
                const uint8_t* s =
                    screen + ((static_cast<size_t>(row) * kCellHeight + y) * kWidth + column * kCell + x) * 4;
                if (s[0] || s[1] || s[2] || s[3]) return false;
            }
        return true;
    }

    static std::vector<uint8_t> fontPixels;
    static int fontWidth;
    uint8_t* screen = nullptr;
};
std::vector<uint8_t> Teletype::fontPixels;
int Teletype::fontWidth = 0;
}  // namespace

TEST_F(Teletype, TypingWrapsAfterTheLastColumn) {
    screen = TeletypeFrame("ABCDEFGHIJKLMNOPQ", 0.3f);
    EXPECT_TRUE(CellIs(0, 0, 'A'));
    EXPECT_TRUE(CellIs(15, 0, 'P'));
    EXPECT_TRUE(CellIs(0, 1, 'Q'));
    EXPECT_TRUE(CellIs(1, 1, ' '));  // the cursor's cell, blank at 0.3 s
}

TEST_F(Teletype, LineFeedEndsTheLineAndErasesTheCursor) {
    screen = TeletypeFrame("Hi", 0.1f);
    EXPECT_TRUE(CellIs(2, 0, '\n'));  // the cursor block at 0.1 s
    screen = TeletypeFrame("\n", 0.3f);
    EXPECT_TRUE(CellIs(2, 0, ' '));
    EXPECT_TRUE(CellIs(0, 1, ' '));
    screen = TeletypeFrame("x", 0.1f);
    EXPECT_TRUE(CellIs(0, 1, 'x'));
    EXPECT_TRUE(CellIs(1, 1, '\n'));
}

TEST_F(Teletype, UnknownCharactersDrawNothingButMoveTheCursor) {
    screen = TeletypeFrame("#$", 0.3f);
    EXPECT_TRUE(CellIsEmpty(0, 0));
    EXPECT_TRUE(CellIsEmpty(1, 0));
    screen = TeletypeFrame("Z", 0.3f);
    EXPECT_TRUE(CellIs(2, 0, 'Z'));
}

TEST_F(Teletype, TheLastRowScrollsTheScreenUp) {
    // Eight rows of sixteen columns: the ninth line scrolls the first away.
    std::string text;
    for (int row = 0; row < 8; ++row) text += std::string(1, static_cast<char>('a' + row)) + "\n";
    screen = TeletypeFrame(text.c_str(), 0.3f);
    EXPECT_TRUE(CellIs(0, 0, 'b'));
    EXPECT_TRUE(CellIs(0, 6, 'h'));
    EXPECT_TRUE(CellIs(0, 7, ' '));
    screen = TeletypeFrame("9", 0.3f);
    EXPECT_TRUE(CellIs(0, 7, '9'));
}

TEST_F(Teletype, CursorBlinksEveryHalfSecond) {
    screen = TeletypeFrame("", 0.1f);
    EXPECT_TRUE(CellIs(0, 0, '\n'));
    screen = TeletypeFrame("", 0.3f);
    EXPECT_TRUE(CellIs(0, 0, ' '));
    screen = TeletypeFrame("", 10.2f);
    EXPECT_TRUE(CellIs(0, 0, '\n'));
    screen = TeletypeFrame("", 10.25f);
    EXPECT_TRUE(CellIs(0, 0, ' '));
}

// Every character typed, a line feed too, starts the embedded beep as a one-shot voice:
// 8-bit, at 22050 Hz, volume 200, centred.
TEST_F(Teletype, EveryCharacterStartsTheBeep) {
    uint32_t musicSize = 0, beepSize = 0;
    const uint8_t* music = OpenEmbeddedFileSized("Files\\Tenebrix.IT", &musicSize);
    ASSERT_NE(music, nullptr);
    ASSERT_NE(OpenEmbeddedFileSized("Files\\Beep.pcm", &beepSize), nullptr);
    ASSERT_TRUE(VssMixerSetup(kVss16BitStereo, 1, 44100, 32));
    VssModule* module = VSS_LoadIT(music, musicSize, 0);
    ASSERT_NE(module, nullptr);
    VSS_Play(module);
    VSS_Stop();  // nothing mixes here; the voices are only looked at
    auto beeps = [&] {
        int n = 0;
        for (int32_t i = 0; i < module->voicesInUse; ++i) {
            const VssVoice& v = module->voices[i];
            if (v.channel || !v.data) continue;
            EXPECT_EQ(v.frequency, 22050);
            EXPECT_EQ(v.volumeFactor, 200);
            EXPECT_EQ(v.panVariation, 32);  // pan 0
            EXPECT_EQ(v.sampleFlags & kVssSample16Bit, 0);
            EXPECT_EQ(v.length, static_cast<int32_t>(beepSize));
            ++n;
        }
        return n;
    };
    EXPECT_EQ(beeps(), 0);
    TeletypeFrame("ab\n", 0.0f);
    EXPECT_EQ(beeps(), 3);
    TeletypeFrame("", 0.0f);
    EXPECT_EQ(beeps(), 3);
}
