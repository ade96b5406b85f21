// The forged content as the show uses it: every name present, every JPEG baseline JFIF of
// the sizes its use demands, the font's cells where the teletype looks, the beep clean at
// both ends, the videos cut and loop where the show expects, and every byte the same on
// a second run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "content.h"
#include "forge_test_util.h"
#include "name_table.h"
#include "system_font.h"

using namespace forge;
using namespace forgetest;

namespace {

const ContentSet& Content() {
    static const ContentSet set = [] {
        ContentSet s;
        for (const ContentUnit& u : ContentUnits()) u.make(s);
        return s;
    }();
    return set;
}

const std::vector<uint8_t>& Bytes(const std::string& name) {
    const ContentFile* f = Content().Find(name);
    if (!f) {
        static const std::vector<uint8_t> none;
        ADD_FAILURE() << name << " missing";
        return none;
    }
    return f->bytes;
}

bool EndsWithI(const std::string& s, const std::string& tail) {
    if (s.size() < tail.size()) return false;
    for (size_t i = 0; i < tail.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + i])) != tail[i]) return false;
    return true;
}

bool TextureSide(int n) { return n == 64 || n == 128 || n == 256; }

std::string Frame(const char* folder, const char* prefix, int n) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "Files\\Video\\%s\\%s%03d.JPG", folder, prefix, n);
    return buf;
}

}  // namespace

TEST(ForgeContent, EveryPictureAndSoundOfTheTableIsMadeAndNothingElse) {
    std::set<std::string> made;
    for (const ContentFile& f : Content().Files()) made.insert(f.name);
    for (const std::string& n : PictureAndSoundNames()) EXPECT_TRUE(made.count(n)) << n;
    const std::vector<std::string>& table = EmbeddedNames();
    std::set<std::string> known(table.begin(), table.end());
    for (const std::string& n : made) EXPECT_TRUE(known.count(n)) << n << " is not a table name";
    EXPECT_EQ(made.size(), PictureAndSoundNames().size());
}

TEST(ForgeContent, EveryJpegIsBaselineJfifAndDecodes) {
    std::set<int> samplings, restarts;
    int withExtras = 0;
    for (const ContentFile& f : Content().Files()) {
        if (!EndsWithI(f.name, ".jpg")) continue;
        JpegLayout j = ReadJpegLayout(f.bytes);
        ASSERT_TRUE(j.ok) << f.name << ": " << j.error;
        EXPECT_TRUE(j.jfifFirst) << f.name;
        EXPECT_EQ(j.sofCode, 0xC0) << f.name;
        EXPECT_EQ(j.precision, 8) << f.name;
        ASSERT_EQ(j.components.size(), 3u) << f.name;
        for (int i = 0; i < 3; ++i) EXPECT_EQ(j.components[i].id, i + 1) << f.name;
        samplings.insert(j.components[0].h * 10 + j.components[0].v);
        if (j.restartInterval) restarts.insert(j.restartInterval);
        if (std::count_if(j.markers.begin(), j.markers.end(), [](int m) { return m == 0xFE || (m > 0xE0 && m <= 0xEF); }))
            ++withExtras;
        Image img = DecodeWithLibjpeg(f.bytes);
        EXPECT_EQ(img.width, j.width) << f.name << " does not decode";
        EXPECT_EQ(img.height, j.height) << f.name;
    }
    // The set exercises the decoder on purpose.
    EXPECT_EQ(samplings, (std::set<int>{22, 21, 11}));
    EXPECT_GE(restarts.size(), 4u);
    EXPECT_GE(withExtras, 10);
}

TEST(ForgeContent, PicturesHaveTheSizesTheirUseNeeds) {
    auto size = [](const std::string& shortName) {
        JpegLayout j = ReadJpegLayout(Bytes("Files\\" + shortName));
        return std::pair{j.width, j.height};
    };
    for (const char* n : {"BG1.jpg", "Infant.jpg", "VornWeb.jpg", "Loading.jpg"})
        EXPECT_EQ(size(n), (std::pair{256, 256})) << n;
    for (const char* n : {"BrainF.jpg", "BrainQ1.jpg", "BrainQ2.jpg", "BrainQ3.jpg", "Crompet.jpg", "Zub.jpg",
                          "Quessel.jpg", "Wimbrel.jpg"}) {
        auto [w, h] = size(n);
        EXPECT_TRUE(TextureSide(w) && TextureSide(h)) << n << " " << w << "x" << h;
    }
    auto sad = size("Sad01.jpg");
    EXPECT_TRUE(TextureSide(sad.first) && TextureSide(sad.second));
    for (int i = 2; i <= 18; ++i) {
        char n[16];
        std::snprintf(n, sizeof n, "Sad%02d.jpg", i);
        EXPECT_EQ(size(n), sad) << n;
    }
    // The maps and the flash lie on the brain's own texel coordinates: the size its
    // pictures keep after the loader's resampling (they are already powers of two).
    for (const char* n : {"Brain1.jpg", "Brain2.jpg", "Brain3.jpg"}) {
        auto [w, h] = size(n);
        EXPECT_TRUE(TextureSide(w) && TextureSide(h)) << n;
        for (const char* m : {"BrainF.jpg", "BrainQ1.jpg", "BrainQ2.jpg", "BrainQ3.jpg"}) EXPECT_EQ(size(m), size(n)) << m;
    }
    for (const char* n : {"HeartTex.jpg", "Metal1.jpg", "WarTV.jpg"}) {
        auto [w, h] = size(n);
        EXPECT_GE(std::min(w, h), 2) << n;
    }
    EXPECT_EQ(size("Missile.jpg"), (std::pair{256, 256}));
}

TEST(ForgeContent, LoadingPictureLeavesTheBarsTroughDarkInsideAFrame) {
    Image img = DecodeWithLibjpeg(Bytes("Files\\Loading.jpg"));
    ASSERT_EQ(img.width, 256);
    double trough = 0, frame = 0;
    int nt = 0, nf = 0;
    for (int y = 160; y <= 209; ++y)
        for (int x = 9; x <= 246; ++x) {
            const uint8_t* p = img.At(x, y);
            double l = p[0] + p[1] + p[2];
            if (x >= 15 && x <= 240 && y >= 166 && y <= 203) { trough += l; ++nt; }
            else if (x >= 12 && x <= 243 && y >= 163 && y <= 206 && !(x >= 14 && x <= 241 && y >= 165 && y <= 204)) { frame += l; ++nf; }
        }
    trough /= nt;
    frame /= nf;
    // The bar's colour (190, 150, 210) sums to 550: it must stand out from the trough.
    EXPECT_LT(trough, 120.0);
    EXPECT_GT(frame, trough + 150.0);
}

TEST(ForgeContent, LogoIsAnOpaqueBottomUpTga) {
    TgaFile t = ParseTga(Bytes("Files\\LogoW1.tga"));
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(t.descriptor & 0x20, 0);
    EXPECT_TRUE(TextureSide(t.width) && TextureSide(t.height));
    EXPECT_EQ(Bytes("Files\\LogoW1.tga").size(), 18u + t.width * t.height * 3u);
    // The letters are bright: some pixels are near white.
    int bright = 0;
    for (size_t i = 0; i < t.image.rgb.size(); i += 3) bright += t.image.rgb[i] + t.image.rgb[i + 1] > 440;
    EXPECT_GT(bright, 500);
}

TEST(ForgeFont, CellsHoldTheGlyphsInTheTeletypesOrder) {
    TgaFile t = ParseTga(Bytes("Files\\SystemFont.tga"));
    ASSERT_TRUE(t.ok);
    ASSERT_EQ(t.width, 1376);
    ASSERT_EQ(t.height, 32);
    EXPECT_EQ(t.depth, 24);
    const std::string chars = TeletypeCharacters();
    ASSERT_EQ(chars.size(), 86u);
    EXPECT_EQ(chars.find('\n'), 84u);
    // Ink box of cell k, and the teletype's alpha (red + green, at most 255) of each pixel.
    struct Box { int x0 = 99, y0 = 99, x1 = -1, y1 = -1, ink = 0; };
    auto box = [&](int k) {
        Box b;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 16; ++x) {
                const uint8_t* p = t.image.At(k * 16 + x, y);
                int alpha = std::min(255, p[0] + p[1]);
                if (alpha == 0) continue;
                EXPECT_EQ(alpha, 255) << "cell " << k << " has a half-transparent pixel";
                b.x0 = std::min(b.x0, x); b.x1 = std::max(b.x1, x);
                b.y0 = std::min(b.y0, y); b.y1 = std::max(b.y1, y);
                ++b.ink;
            }
        return b;
    };
    for (int k = 0; k < 84; ++k) EXPECT_GT(box(k).ink, 0) << "glyph " << k << " ('" << chars[k] << "') is empty";
    EXPECT_EQ(box(85).ink, 0) << "the last cell is the blank";
    Box cursor = box(84);
    EXPECT_EQ(cursor.ink, (cursor.x1 - cursor.x0 + 1) * (cursor.y1 - cursor.y0 + 1)) << "cursor is a solid block";
    EXPECT_GE(cursor.y1 - cursor.y0, 20);
    // Shapes that only fit their own place: '-' is flat, '|' thin, '_' low, '.' small and low.
    Box A = box(0), minus = box(62), bar = box(67), under = box(65), stop = box(77);
    EXPECT_LE(minus.y1 - minus.y0, 3);
    EXPECT_LE(bar.x1 - bar.x0, 3);
    EXPECT_GE(bar.y1 - bar.y0, 18);
    EXPECT_GT(under.y0, A.y1);
    EXPECT_LE(stop.y1, A.y1);
    EXPECT_GT(stop.y0, A.y0 + 12);
    // The digits follow the letters: '1' is narrower than '0'.
    EXPECT_LT(box(53).ink, box(52).ink);
}

TEST(ForgeContent, BeepIsShortSignedAndStartsAndEndsInSilence) {
    const std::vector<uint8_t>& b = Bytes("Files\\Beep.pcm");
    EXPECT_GE(b.size(), 22050u * 50 / 1000);
    EXPECT_LE(b.size(), 22050u * 100 / 1000);
    auto s = [&](size_t i) { return static_cast<int>(static_cast<int8_t>(b[i])); };
    int peak = 0;
    long sum = 0;
    for (size_t i = 0; i < b.size(); ++i) {
        peak = std::max(peak, std::abs(s(i)));
        sum += s(i);
    }
    EXPECT_GT(peak, 60);
    EXPECT_LT(std::abs(sum) / static_cast<double>(b.size()), 2.0) << "no offset: 0 is silence";
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_LE(std::abs(s(i)), 4 + static_cast<int>(i) * 4) << "click at the start";
        EXPECT_LE(std::abs(s(b.size() - 1 - i)), 4 + static_cast<int>(i) * 4) << "click at the end";
    }
}

TEST(ForgeVideo, FramesAreTextureSizedAndTheCutsAreStrikes) {
    std::map<int, Image> eh;
    auto frame = [&](int n) -> const Image& {
        if (!eh.count(n)) eh[n] = DecodeWithLibjpeg(Bytes(Frame("EH", "EH", n)));
        return eh[n];
    };
    for (int n = 0; n < 316; n += 15) {
        EXPECT_EQ(frame(n).width, 256) << n;
        EXPECT_EQ(frame(n).height, 256) << n;
    }
    // Each cut of four frames differs sharply from the film on both sides of it, more than
    // neighbouring frames inside it differ from each other.
    for (int first : {50, 110, 140, 190}) {
        double in = MeanDifference(frame(first), frame(first + 1));
        double before = MeanDifference(frame(first - 1), frame(first));
        double after = MeanDifference(frame(first + 3), frame(first + 4));
        EXPECT_GT(before, 40.0) << "cut at " << first;
        EXPECT_GT(after, 40.0) << "cut at " << first;
        EXPECT_LT(in, before / 2) << "cut at " << first;
    }
}

TEST(ForgeVideo, WarFootageMovesAndLoopsWithoutAJump) {
    std::vector<Image> war;
    for (int n = 0; n < 361; ++n) {
        war.push_back(DecodeWithLibjpeg(Bytes(Frame("War", "WAR", n))));
        ASSERT_EQ(war.back().width, 256) << n;
        ASSERT_EQ(war.back().height, 256) << n;
    }
    double total = 0, largest = 0;
    for (int n = 0; n + 1 < 361; ++n) {
        double d = MeanDifference(war[n], war[n + 1]);
        total += d;
        largest = std::max(largest, d);
    }
    double mean = total / 360;
    EXPECT_GT(mean, 1.0) << "the footage stands still";
    EXPECT_LT(MeanDifference(war[360], war[0]), std::max(2.0 * mean, largest)) << "the loop jumps";
    EXPECT_GT(MeanDifference(war[0], war[180]), mean) << "half a loop away looks the same";
}

TEST(ForgeDeterminism, ASecondRunGivesTheSameBytes) {
    ContentSet again;
    for (const ContentUnit& u : ContentUnits()) u.make(again);
    const std::vector<ContentFile>& a = Content().Files();
    const std::vector<ContentFile>& b = again.Files();
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].name, b[i].name);
        EXPECT_TRUE(a[i].bytes == b[i].bytes) << a[i].name << " differs between runs";
    }
}
