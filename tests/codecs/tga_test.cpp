// The TGA reader (orientation, refusals, files shorter than their header) and the
// resampler's corner rules.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "codec_test_support.h"
#include "codecs/tga.h"
#include "support/corpus.h"

namespace {

// A 24-bit TGA of width x height whose pixel (x, y), y = 0 the top row, is (x, y, x + y).
Bytes MakeTga(int width, int height, bool topDown) {
    Bytes f(18, 0);
    f[2] = 2;
    f[12] = uint8_t(width);
    f[13] = uint8_t(width >> 8);
    f[14] = uint8_t(height);
    f[15] = uint8_t(height >> 8);
    f[16] = 24;
    f[17] = topDown ? 0x20 : 0x00;
    for (int row = 0; row < height; ++row) {
        int y = topDown ? row : height - 1 - row;
        for (int x = 0; x < width; ++x) {
            f.push_back(uint8_t(x + y));  // blue
            f.push_back(uint8_t(y));      // green
            f.push_back(uint8_t(x));      // red
        }
    }
    return f;
}

RgbImage* MakeImage(int width, int height, std::initializer_list<uint8_t> pixels) {
    RgbImage* image = CreateRgbImage(width, height);
    std::copy(pixels.begin(), pixels.end(), image->pixels);
    return image;
}

}  // namespace

TEST(Tga, BottomUpAndTopDownGiveTheSamePicture) {
    ImageHolder bottomUp, topDown;
    ASSERT_EQ(DecodeTgaBytes(MakeTga(5, 3, false), bottomUp), 1);
    ASSERT_EQ(DecodeTgaBytes(MakeTga(5, 3, true), topDown), 1);
    ASSERT_EQ(bottomUp.image->width, 5);
    ASSERT_EQ(bottomUp.image->height, 3);
    EXPECT_EQ(0, std::memcmp(bottomUp.image->pixels, topDown.image->pixels, 5 * 3 * 3));
    const uint8_t* p = bottomUp.image->pixels + (2 * 5 + 4) * 3;  // (4, 2): red 4, green 2, blue 6
    EXPECT_EQ(p[0], 4);
    EXPECT_EQ(p[1], 2);
    EXPECT_EQ(p[2], 6);

    Bytes withFooter = MakeTga(5, 3, false);
    withFooter.insert(withFooter.end(), 26, 0xAB);
    ImageHolder footer;
    ASSERT_EQ(DecodeTgaBytes(withFooter, footer), 1);
    EXPECT_EQ(0, std::memcmp(bottomUp.image->pixels, footer.image->pixels, 5 * 3 * 3));
}

TEST(Tga, RefusesEachUnsupportedHeader) {
    struct Case {
        int offset;
        uint8_t value;
        const char* line;
        int32_t code;
    };
    const Case cases[] = {
        {0, 6, "Cannot read TGA with non-zero identification field length\n", 4},
        {1, 1, "Cannot read 24b TGA with a colour map\n", 4},
        {2, 10, "Targa is not a 24bit image\n", 3},
        {9, 1, "Image origin not (0,0)\n", 3},
        {10, 3, "Image origin not (0,0)\n", 3},
        {16, 32, "Bit depth not 24bit, found\n", 3},
    };
    for (const Case& c : cases) {
        Bytes f = MakeTga(4, 4, false);
        f[c.offset] = c.value;
        LogCapture log;
        ImageHolder out;
        EXPECT_EQ(DecodeTgaBytes(f, out), 0) << c.line;
        EXPECT_EQ(out.image, nullptr);
        EXPECT_TRUE(log.Contains(c.line)) << log.Text();
        EXPECT_EQ(CodecLogGetError(), c.code) << c.line;
    }
}

TEST(Tga, FilesShorterThanTheirHeaderAreRefused) {
    Bytes full = MakeTga(40, 30, false);
    for (size_t size : {size_t(0), size_t(10), size_t(17), size_t(18), full.size() - 1}) {
        LogCapture log;
        ImageHolder out;
        EXPECT_EQ(DecodeTgaBytes(Bytes(full.begin(), full.begin() + size), out), 0) << size;
        EXPECT_EQ(CodecLogGetError(), 3) << size;
    }
    Bytes noPixels = MakeTga(0, 7, false);
    ImageHolder out;
    EXPECT_EQ(DecodeTgaBytes(noPixels, out), 0);
    Bytes huge = MakeTga(0, 0, false);
    huge[12] = huge[13] = huge[14] = huge[15] = 0xFF;  // 65535 x 65535 announced, no pixels
    EXPECT_EQ(DecodeTgaBytes(huge, out), 0);
}

TEST(Tga, CorpusFilesAreReadOrRefused) {
    std::filesystem::path folder = std::filesystem::path(UMBRAVEL_CORPUS_DIR) / "tga";
    UMBRAVEL_NEED_CORPUS(folder);
    auto read = [&](const char* name) {
        std::ifstream in(folder / name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    // Pairs of the same picture stored bottom-up and top-down.
    const char* pairs[][2] = {{"suite_file_xing_b24.tga", "suite_file_xing_t24.tga"},
                              {"suite_tomb_TGA_24_uncompressed.tga", "suite_tomb_TGA_flipped_uncompressed.tga"}};
    for (auto& pair : pairs) {
        ImageHolder a, b;
        ASSERT_EQ(DecodeTgaBytes(read(pair[0]), a), 1) << pair[0];
        ASSERT_EQ(DecodeTgaBytes(read(pair[1]), b), 1) << pair[1];
        ASSERT_EQ(a.image->width, b.image->width);
        EXPECT_EQ(0, std::memcmp(a.image->pixels, b.image->pixels, size_t(a.image->width) * a.image->height * 3))
            << pair[0];
    }
    for (const char* name : {"pil_200x32_rgb_bl_raw.tga", "suite_file_flag_b24.tga", "suite_tomb_rgb24.tga"}) {
        ImageHolder out;
        EXPECT_EQ(DecodeTgaBytes(read(name), out), 1) << name;
    }
    const std::pair<const char*, const char*> refused[] = {
        {"ir_b5-unused-cmap.tga", "Cannot read 24b TGA with a colour map\n"},
        {"ir_overfull-image.tga", "Targa is not a 24bit image\n"},
        {"pil_200x32_l_bl_raw.tga", "Targa is not a 24bit image\n"},
        {"pil_200x32_rgba_bl_raw.tga", "Bit depth not 24bit, found\n"},
        {"pil_p_8.tga", "Cannot read TGA with non-zero identification field length\n"},
        {"pil_tga_id_field.tga", "Cannot read TGA with non-zero identification field length\n"},
        {"suite_ftrv_rgb24_top_left.tga", "Image origin not (0,0)\n"},
        {"suite_tomb_rgb15.tga", "Bit depth not 24bit, found\n"},
    };
    for (auto& [name, line] : refused) {
        LogCapture log;
        ImageHolder out;
        EXPECT_EQ(DecodeTgaBytes(read(name), out), 0) << name;
        EXPECT_TRUE(log.Contains(line)) << name << ": " << log.Text();
    }
}

TEST(Resample, BilinearKeepsCornersAndAveragesBetween) {
    RgbImage* source = MakeImage(2, 2, {0, 0, 0, 100, 10, 255, 50, 20, 7, 201, 30, 0});
    RgbImage* bigger = nullptr;
    ASSERT_EQ(ResampleImage(*source, 3, 3, bigger, kResampleBilinear), 1);
    auto at = [&](int x, int y, int c) { return bigger->pixels[(y * 3 + x) * 3 + c]; };
    EXPECT_EQ(at(0, 0, 0), 0);
    EXPECT_EQ(at(2, 0, 0), 100);
    EXPECT_EQ(at(0, 2, 0), 50);
    EXPECT_EQ(at(2, 2, 0), 201);
    EXPECT_EQ(at(1, 1, 0), 87);  // (0 + 100 + 50 + 201) / 4 = 87.75, truncated
    EXPECT_EQ(at(1, 1, 1), 15);  // (0 + 10 + 20 + 30) / 4
    EXPECT_EQ(at(1, 1, 2), 65);  // (0 + 255 + 7 + 0) / 4 = 65.5
    DestroyRgbImage(bigger);

    RgbImage* same = nullptr;
    ASSERT_EQ(ResampleImage(*source, 2, 2, same, kResampleBilinear), 1);
    EXPECT_EQ(0, std::memcmp(same->pixels, source->pixels, 12));
    DestroyRgbImage(same);
    DestroyRgbImage(source);

    // A larger picture at its own size stays exact too.
    std::vector<uint8_t> rgb = MakeTestPicture(37, 23, 5);
    RgbImage* picture = CreateRgbImage(37, 23);
    std::copy(rgb.begin(), rgb.end(), picture->pixels);
    RgbImage* copy = nullptr;
    ASSERT_EQ(ResampleImage(*picture, 37, 23, copy, kResampleBilinear), 1);
    EXPECT_EQ(0, std::memcmp(copy->pixels, picture->pixels, rgb.size()));
    DestroyRgbImage(copy);

    // One output row or column takes the first source one.
    RgbImage* line = nullptr;
    ASSERT_EQ(ResampleImage(*picture, 1, 23, line, kResampleBilinear), 1);
    for (int y = 0; y < 23; ++y) EXPECT_EQ(line->pixels[y * 3], picture->pixels[y * 37 * 3]);
    DestroyRgbImage(line);
    DestroyRgbImage(picture);
}

// Weights of 1/3 and 2/3 are not exact in binary: the upper row and the row weight are
// rounded to single precision, the lower row and the blend are not, and the result is
// truncated. Rounding the lower row or the blend as well moves these by one.
TEST(Resample, BilinearKeepsOnlyTheUpperRowInSinglePrecision) {
    // Red: top 0, 10 over bottom 7, 0; green: top 0, 15 over bottom 0, 18; blue flat.
    RgbImage* source = MakeImage(2, 2, {0, 0, 9, 10, 15, 9, 7, 0, 9, 0, 18, 9});
    RgbImage* taller = nullptr;
    ASSERT_EQ(ResampleImage(*source, 3, 4, taller, kResampleBilinear), 1);
    auto at = [&](int x, int y, int c) { return taller->pixels[(y * 3 + x) * 3 + c]; };
    EXPECT_EQ(at(1, 2, 0), 3);  // 5 x 1/3 + 3.5 x 2/3: the weight 2/3 rounds up, 4 less a little
    EXPECT_EQ(at(1, 1, 1), 8);  // 7.5 x 2/3 + 9 x 1/3: the weight 1/3 rounds up, 8 and a little
    EXPECT_EQ(at(1, 1, 2), 9);
    EXPECT_EQ(at(0, 0, 0), 0);
    EXPECT_EQ(at(2, 3, 1), 18);
    DestroyRgbImage(taller);
    DestroyRgbImage(source);

    // Red: the lower row 7 x 2/3 + 100 x 1/3 is 38 less a little in double; in single
    // precision it would be exactly 38 and its half 19. Green: the upper row 5 x 2/3 rounds
    // down in single precision, so half of it and half of 4 x 2/3 make 3 less a little.
    source = MakeImage(2, 2, {0, 0, 0, 0, 5, 0, 7, 0, 0, 100, 4, 0});
    RgbImage* wider = nullptr;
    ASSERT_EQ(ResampleImage(*source, 4, 3, wider, kResampleBilinear), 1);
    EXPECT_EQ(wider->pixels[(1 * 4 + 1) * 3], 18);
    EXPECT_EQ(wider->pixels[(1 * 4 + 2) * 3 + 1], 2);
    DestroyRgbImage(wider);
    DestroyRgbImage(source);
}

TEST(Resample, NearestTakesEveryOtherColumnWhenHalving) {
    RgbImage* source = MakeImage(4, 1, {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4});
    RgbImage* half = nullptr;
    ASSERT_EQ(ResampleImage(*source, 2, 1, half, kResampleNearest), 1);
    EXPECT_EQ(half->pixels[0], 1);
    EXPECT_EQ(half->pixels[3], 3);
    DestroyRgbImage(half);
    RgbImage* wide = nullptr;
    ASSERT_EQ(ResampleImage(*source, 8, 2, wide, kResampleNearest), 1);
    EXPECT_EQ(wide->pixels[(8 + 7) * 3], 4);
    DestroyRgbImage(wide);
    DestroyRgbImage(source);
}

TEST(Resample, RefusesEmptySizesAndUnknownTypes) {
    RgbImage* source = MakeImage(1, 1, {9, 9, 9});
    for (auto [w, h, type] : {std::tuple{0, 4, 0}, std::tuple{4, 0, 1}, std::tuple{-3, 4, 1}}) {
        LogCapture log;
        RgbImage* out = source;
        EXPECT_EQ(ResampleImage(*source, w, h, out, type), 0);
        EXPECT_EQ(out, nullptr);
        EXPECT_TRUE(log.Contains("Error - width and height must be greater than zero\n"));
        EXPECT_EQ(CodecLogGetError(), 7);
    }
    RgbImage empty{0, 3, nullptr};
    RgbImage* none = source;
    EXPECT_EQ(ResampleImage(empty, 4, 4, none, kResampleNearest), 0);
    EXPECT_EQ(none, nullptr);

    LogCapture log;
    RgbImage* out = nullptr;
    EXPECT_EQ(ResampleImage(*source, 4, 4, out, 2), 0);
    EXPECT_TRUE(log.Contains("Error - invalid resample type\n"));
    EXPECT_EQ(CodecLogGetError(), 7);
    DestroyRgbImage(source);
}
