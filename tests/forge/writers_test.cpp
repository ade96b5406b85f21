// Writers and the name table: the bytes of a TGA and of a JPEG as the show's readers need
// them, checked in memory on the very cores the build uses.
#include <gtest/gtest.h>

#include <algorithm>

#include "forge_test_util.h"
#include "jpeg_writer.h"
#include "name_table.h"
#include "tga_writer.h"

using namespace forge;
using namespace forgetest;

namespace {

// A picture with a different colour in every corner, so any flip or channel swap shows.
Image Corners(int w, int h) {
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = img.At(x, y);
            p[0] = static_cast<uint8_t>(x * 255 / (w - 1));
            p[1] = static_cast<uint8_t>(y * 255 / (h - 1));
            p[2] = static_cast<uint8_t>(x < w / 2 ? 40 : 200);
        }
    return img;
}

}  // namespace

TEST(ForgeTga, HeaderIsUncompressed24BitAtOrigin) {
    VectorSink sink;
    WriteTga(sink, Corners(5, 3));
    const std::vector<uint8_t>& b = sink.bytes;
    ASSERT_EQ(b.size(), 18u + 5 * 3 * 3);
    EXPECT_EQ(b[0], 0);   // no identification field
    EXPECT_EQ(b[1], 0);   // no colour map
    EXPECT_EQ(b[2], 2);   // uncompressed true colour
    for (int i = 3; i < 12; ++i) EXPECT_EQ(b[i], 0) << "byte " << i;
    EXPECT_EQ(b[12] | (b[13] << 8), 5);
    EXPECT_EQ(b[14] | (b[15] << 8), 3);
    EXPECT_EQ(b[16], 24);
    EXPECT_EQ(b[17], 0);  // bottom row first
}

TEST(ForgeTga, BothOrientationsStoreTheSamePicture) {
    Image img = Corners(7, 4);
    VectorSink up, down;
    WriteTga(up, img, TgaRows::BottomUp);
    WriteTga(down, img, TgaRows::TopDown);
    EXPECT_EQ(down.bytes[17], 0x20);
    // The first stored pixel is the bottom-left one bottom-up, the top-left one top-down,
    // as blue, green, red.
    EXPECT_EQ(up.bytes[18 + 0], img.At(0, 3)[2]);
    EXPECT_EQ(up.bytes[18 + 2], img.At(0, 3)[0]);
    EXPECT_EQ(down.bytes[18 + 1], img.At(0, 0)[1]);
    TgaFile a = ParseTga(up.bytes), b = ParseTga(down.bytes);
    ASSERT_TRUE(a.ok && b.ok);
    EXPECT_EQ(a.image.rgb, img.rgb);
    EXPECT_EQ(b.image.rgb, img.rgb);
}

TEST(ForgeJpeg, BaselineJfifWithComponentIdsAndChosenSampling) {
    struct Case { Chroma chroma; int h, v; };
    for (Case c : {Case{Chroma::S420, 2, 2}, Case{Chroma::S422, 2, 1}, Case{Chroma::S444, 1, 1}}) {
        VectorSink sink;
        ASSERT_TRUE(WriteJpeg(sink, Corners(40, 24), Jpeg(85, c.chroma)));
        JpegLayout j = ReadJpegLayout(sink.bytes);
        ASSERT_TRUE(j.ok) << j.error;
        EXPECT_TRUE(j.jfifFirst);
        EXPECT_EQ(j.sofCode, 0xC0);
        EXPECT_EQ(j.precision, 8);
        EXPECT_EQ(j.width, 40);
        EXPECT_EQ(j.height, 24);
        ASSERT_EQ(j.components.size(), 3u);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(j.components[i].id, i + 1);
        EXPECT_EQ(j.components[0].h, c.h);
        EXPECT_EQ(j.components[0].v, c.v);
        EXPECT_EQ(j.components[1].h, 1);
        EXPECT_EQ(j.components[2].v, 1);
        // A single scan: the decoder handles one interleaved baseline scan only.
        EXPECT_EQ(std::count(j.markers.begin(), j.markers.end(), 0xDA), 1);
    }
}

TEST(ForgeJpeg, RestartIntervalAndExtraSegmentsComeWhereAsked) {
    VectorSink sink;
    JpegSettings s = Jpeg(70, Chroma::S420).Restart(3).With(CommentMarker("hello")).With(AppMarker(2, "x"));
    ASSERT_TRUE(WriteJpeg(sink, Corners(64, 64), s));
    JpegLayout j = ReadJpegLayout(sink.bytes);
    ASSERT_TRUE(j.ok) << j.error;
    EXPECT_TRUE(j.jfifFirst);
    EXPECT_EQ(j.restartInterval, 3);
    // 16 MCUs of 16x16 in a 64x64 4:2:0 picture: a restart marker after every third but the last.
    EXPECT_EQ(j.restartMarkers, 5);
    // The extra segments follow the JFIF header, in the order given, before the frame.
    auto com = std::find(j.markers.begin(), j.markers.end(), 0xFE);
    auto app2 = std::find(j.markers.begin(), j.markers.end(), 0xE2);
    auto sof = std::find(j.markers.begin(), j.markers.end(), 0xC0);
    ASSERT_NE(com, j.markers.end());
    ASSERT_NE(app2, j.markers.end());
    EXPECT_EQ(j.markers[1], 0xE0);
    EXPECT_LT(com, app2);
    EXPECT_LT(app2, sof);
}

TEST(ForgeJpeg, DecodesCloseToTheSourceAndRefusesAnEmptyPicture) {
    Image img = Corners(48, 32);
    VectorSink sink;
    ASSERT_TRUE(WriteJpeg(sink, img, Jpeg(95, Chroma::S444).Optimised()));
    Image back = DecodeWithLibjpeg(sink.bytes);
    ASSERT_EQ(back.width, 48);
    EXPECT_LT(MeanDifference(img, back), 3.0);

    VectorSink none;
    EXPECT_FALSE(WriteJpeg(none, Image(0, 0), Jpeg(80, Chroma::S420)));
    EXPECT_TRUE(none.bytes.empty());
}

TEST(ForgeNameTable, SevenHundredTwentyNineNamesInTableOrder) {
    const std::vector<std::string>& t = EmbeddedNames();
    ASSERT_EQ(t.size(), 729u);
    // Positions count from 1; the resource id is 499 + position.
    EXPECT_EQ(t[500 - 500], "Files\\Link.lwo");
    EXPECT_EQ(t[521 - 500], "Files\\Video\\EH\\EH027.JPG");
    EXPECT_EQ(t[548 - 500], "Files\\Video\\EH\\EH000.JPG");
    EXPECT_EQ(t[837 - 500], "Files\\Video\\War\\WAR002.JPG");
    EXPECT_EQ(t[1198 - 500], "Files\\Heart.lwo");
    EXPECT_EQ(t[1228 - 500], "Files\\Gun1.lwo");
    std::vector<std::string> sorted = t;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << "a name appears twice";
    // The forge makes every name of the table.
    EXPECT_EQ(PictureAndSoundNames().size(), 729u);
}
