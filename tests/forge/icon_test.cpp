// The program's icon: the icon file's directory and pictures as Windows reads them, the
// PNG as libpng reads it, transparent corners, and the same bytes on every run.
#include <gtest/gtest.h>

#include <png.h>

#include <cstring>

#include "icon.h"

namespace {

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b.at(at + static_cast<size_t>(i));
    return v;
}

// Decodes an RGBA PNG with libpng; an empty picture on any error.
forge::RgbaImage ReadRgbaPng(const uint8_t* data, size_t size) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    forge::RgbaImage out;
    if (!png_image_begin_read_from_memory(&image, data, size)) return out;
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return out;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.rgba = std::move(pixels);
    return out;
}

}  // namespace

TEST(ForgeIcon, IconFileHoldsFourSizesWhereItsDirectorySaysSo) {
    std::vector<forge::RgbaImage> images;
    for (int size : forge::kIconSizes) images.push_back(forge::PaintIcon(size));
    forge::VectorSink ico;
    forge::WriteIco(ico, images);
    const std::vector<uint8_t>& b = ico.bytes;
    ASSERT_GE(b.size(), 6u + 4 * 16);
    EXPECT_EQ(Le(b, 0, 2), 0u);
    EXPECT_EQ(Le(b, 2, 2), 1u) << "an icon, not a cursor";
    ASSERT_EQ(Le(b, 4, 2), 4u);
    size_t expectedOffset = 6 + 4 * 16;
    for (size_t i = 0; i < 4; ++i) {
        const size_t entry = 6 + 16 * i;
        const int size = forge::kIconSizes[i];
        EXPECT_EQ(b[entry], size == 256 ? 0 : size) << "256 is written as 0";
        EXPECT_EQ(Le(b, entry + 6, 2), 32u);
        const uint32_t length = Le(b, entry + 8, 4), offset = Le(b, entry + 12, 4);
        EXPECT_EQ(offset, expectedOffset) << "pictures follow each other";
        ASSERT_LE(static_cast<size_t>(offset) + length, b.size());
        expectedOffset = offset + length;
        if (size == 256) {
            const forge::RgbaImage png = ReadRgbaPng(&b[offset], length);
            ASSERT_EQ(png.width, 256);
            EXPECT_EQ(png.rgba, images[i].rgba) << "the PNG holds the painted picture exactly";
            continue;
        }
        // A bitmap: its header says twice the height (picture and mask), 32 bits.
        EXPECT_EQ(Le(b, offset, 4), 40u);
        EXPECT_EQ(Le(b, offset + 4, 4), static_cast<uint32_t>(size));
        EXPECT_EQ(Le(b, offset + 8, 4), static_cast<uint32_t>(2 * size));
        EXPECT_EQ(Le(b, offset + 14, 2), 32u);
        const size_t maskRow = static_cast<size_t>((size + 31) / 32 * 4);
        EXPECT_EQ(length, 40 + static_cast<size_t>(size * size * 4) + maskRow * static_cast<size_t>(size));
        // The bottom row comes first: its first pixel is the bottom-left corner, which is
        // transparent and masked; the middle of the picture is opaque.
        EXPECT_EQ(b[offset + 40 + 3], 0);
        EXPECT_EQ(b[offset + 40 + static_cast<size_t>(size * size * 4)] & 0x80, 0x80);
        const size_t middle = offset + 40 + (static_cast<size_t>(size / 2) * size + size / 2) * 4;
        EXPECT_EQ(b[middle + 3], 255);
    }
    EXPECT_EQ(expectedOffset, b.size());
}

TEST(ForgeIcon, PictureHasTransparentCornersAnOpaqueTileAndRepeats) {
    for (int size : forge::kIconSizes) {
        const forge::RgbaImage a = forge::PaintIcon(size), again = forge::PaintIcon(size);
        EXPECT_EQ(a.rgba, again.rgba) << size;
        auto alpha = [&](int x, int y) { return a.rgba[(static_cast<size_t>(y) * size + x) * 4 + 3]; };
        EXPECT_EQ(alpha(0, 0), 0) << size;
        EXPECT_EQ(alpha(size - 1, size - 1), 0) << size;
        EXPECT_EQ(alpha(size / 2, 0), 255) << "the tile's edge is straight: " << size;
        EXPECT_EQ(alpha(size / 2, size / 2), 255) << size;
        // The letter's left arm is pale, the disc beside it violet.
        const uint8_t* arm = &a.rgba[(static_cast<size_t>(size * 40 / 100) * size + size * 345 / 1000) * 4];
        EXPECT_GT(arm[0], 200) << size;
        EXPECT_GT(arm[1], 180) << size;
        const uint8_t* disc = &a.rgba[(static_cast<size_t>(size * 40 / 100) * size + size / 2) * 4];
        EXPECT_GT(disc[2], disc[1] + 60) << "violet: blue well above green, " << size;
    }
}

TEST(ForgeIcon, PngAloneIsAValidRgbaFile) {
    forge::VectorSink png;
    forge::WriteRgbaPng(png, forge::PaintIcon(256));
    const forge::RgbaImage back = ReadRgbaPng(png.bytes.data(), png.bytes.size());
    EXPECT_EQ(back.width, 256);
    EXPECT_EQ(back.height, 256);
    EXPECT_EQ(back.rgba, forge::PaintIcon(256).rgba);
}
