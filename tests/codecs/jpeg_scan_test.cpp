// The scan: sample values, saturation, block endings, restarts and stuffing, sampling
// layouts, and corrupt entropy data that must fail without leaving the block or tables.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "codec_test_support.h"
#include "hand_jpeg.h"

namespace {

// One 8x8 4:4:4 MCU whose three blocks hold only DC values.
Bytes FlatPicture(int32_t y, int32_t cb, int32_t cr) {
    HandScan scan;
    for (int32_t dc : {y, cb, cr}) {
        scan.Dc(dc);
        scan.Eob();
    }
    return MakeHandJpeg(HandFrame{}, scan.Finish());
}

std::array<uint8_t, 3> Pixel(const ImageHolder& h, int x, int y) {
    const uint8_t* p = h.image->pixels + (size_t(y) * h.image->width + x) * 3;
    return {p[0], p[1], p[2]};
}

void ExpectScanFails(const Bytes& file, const char* line, int32_t code) {
    LogCapture log;
    ImageHolder out;
    EXPECT_EQ(DecodeJpegBytes(file, out), 0);
    EXPECT_EQ(out.image, nullptr);
    if (line) {
        EXPECT_TRUE(log.Contains(line)) << log.Text();
    }
    EXPECT_TRUE(log.Contains("Error - decode scan failed\n")) << log.Text();
    EXPECT_EQ(CodecLogGetError(), code);
}

}  // namespace

TEST(JpegScan, FlatBlocksConvertWithTruncation) {
    // Y = 80 / 8 + 128 = 138, Cb = 160 / 8 + 128 = 148, Cr = -80 / 8 + 128 = 118:
    // R = 138 + 1.402 * -10 = 123.98, G = 138 - 0.34414 * 20 - 0.71414 * -10 = 138.26,
    // B = 138 + 1.772 * 20 = 173.44, each truncated.
    ImageHolder out;
    ASSERT_EQ(DecodeJpegBytes(FlatPicture(80, 160, -80), out), 1);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(Pixel(out, x, y), (std::array<uint8_t, 3>{123, 138, 173}));
}

TEST(JpegScan, SamplesAndColoursSaturate) {
    struct Case {
        int32_t y, cb, cr;
        std::array<uint8_t, 3> rgb;
    };
    // 1016 / 8 + 128 = 255 exactly; 1024 gives 256, held at 255; -1032 gives -1, held at 0.
    // Colours: 255 + 1.402 * 127 passes 255; 0 - 1.772 * 128 falls below 0.
    const Case cases[] = {
        {1016, 0, 0, {255, 255, 255}},
        {1024, 0, 0, {255, 255, 255}},
        {-1032, 0, 0, {0, 0, 0}},
        {1016, 0, 1016, {255, 164, 255}},
        {-1024, -1024, 0, {0, 44, 0}},
    };
    for (const Case& c : cases) {
        ImageHolder out;
        ASSERT_EQ(DecodeJpegBytes(FlatPicture(c.y, c.cb, c.cr), out), 1);
        EXPECT_EQ(Pixel(out, 3, 5), c.rgb) << c.y << " " << c.cb << " " << c.cr;
    }
}

TEST(JpegScan, BlockEndingAtCoefficient63NeedsNoEob) {
    // Y: three ZRLs (1..48) and a run of 14 put a value at 63; the block ends there and the
    // chroma blocks follow at once. A decoder that waits for an EOB misreads them.
    HandScan scan;
    scan.Dc(0);
    scan.Zrl();
    scan.Zrl();
    scan.Zrl();
    scan.Ac(14, 1);
    scan.Dc(400);  // Cb: 400 / 8 + 128 = 178
    scan.Eob();
    scan.Dc(0);
    scan.Eob();
    ImageHolder out;
    LogCapture log;
    ASSERT_EQ(DecodeJpegBytes(MakeHandJpeg(HandFrame{}, scan.Finish()), out), 1) << log.Text();
    // Luma stays within a step of 128; blue carries Cb + 50 * 1.772 = 88.6 above it.
    auto p = Pixel(out, 0, 0);
    EXPECT_NEAR(p[2], 128 + 88, 2);
}

TEST(JpegScan, CorruptEntropyDataFailsInsideTheBlock) {
    {
        HandScan scan;  // a run that would place a coefficient at 64
        scan.Dc(0);
        scan.Zrl();
        scan.Zrl();
        scan.Zrl();
        scan.Ac(15, 1);
        ExpectScanFails(MakeHandJpeg(HandFrame{}, scan.Finish()), "Error - decode DCT coefficients failed\n", 3);
    }
    {
        HandScan scan;  // a fourth ZRL would run past coefficient 63
        scan.Dc(0);
        for (int i = 0; i < 4; ++i) scan.Zrl();
        scan.Eob();
        ExpectScanFails(MakeHandJpeg(HandFrame{}, scan.Finish()), "Error - Huffman decode failed\n", 3);
    }
    {
        HandScan scan;  // a value at 15, then three ZRLs fill 16..63 exactly; EOB is fine
        scan.Dc(0);
        scan.Ac(14, 1);
        scan.Zrl();
        scan.Zrl();
        scan.Zrl();
        scan.Eob();
        for (int i = 0; i < 2; ++i) {
            scan.Dc(0);
            scan.Eob();
        }
        ImageHolder out;
        EXPECT_EQ(DecodeJpegBytes(MakeHandJpeg(HandFrame{}, scan.Finish()), out), 1);
    }
    {
        HandScan scan;  // DC category 12..15 has no code; 4-bit code 1111 never ends within 16 bits
        scan.Bits(0xFFFF, 16);
        scan.Bits(0xFFFF, 16);
        ExpectScanFails(MakeHandJpeg(HandFrame{}, scan.Finish()), "Error - Huffman decode failed\n", 3);
    }
    {
        HandScan scan;  // an AC code beyond the table's symbols
        scan.Dc(0);
        scan.Bits(0xFE, 8);
        ExpectScanFails(MakeHandJpeg(HandFrame{}, scan.Finish()), "Error - Huffman decode failed\n", 3);
    }
}

TEST(JpegScan, StuffedDataByteDecodes) {
    // Y: DC 15 (0100 1111), then the value 255 at coefficient 1 (code 00001001, bits
    // 11111111): the third byte is a data 0xFF, written as FF 00.
    HandScan scan;
    scan.Dc(15);
    scan.Ac(0, 255);
    scan.Eob();
    for (int i = 0; i < 2; ++i) {
        scan.Dc(0);
        scan.Eob();
    }
    Bytes data = scan.Finish();
    ASSERT_EQ(data[2], 0xFF);
    ASSERT_EQ(data[3], 0x00);
    Bytes file = MakeHandJpeg(HandFrame{}, data);
    ImageHolder out;
    ASSERT_EQ(DecodeJpegBytes(file, out), 1);
    std::vector<uint8_t> reference;
    int w, h;
    ASSERT_TRUE(ReferenceDecode(file, reference, &w, &h));
    for (size_t i = 0; i < reference.size(); ++i) ASSERT_NEAR(out.image->pixels[i], reference[i], 2) << i;
    EXPECT_GT(Pixel(out, 0, 0)[0], Pixel(out, 7, 0)[0] + 50) << "the horizontal coefficient shows";
}

TEST(JpegScan, StuffingErrorsAreReported) {
    // A data byte 0xFF followed by anything but 0 inside an MCU.
    HandScan scan;
    scan.Dc(0);
    scan.Bits(0xFF, 8);  // written as FF 00
    Bytes data = scan.Finish();
    ASSERT_EQ(data[1], 0xFF);
    ASSERT_EQ(data[2], 0x00);
    data[2] = 0x12;
    ExpectScanFails(MakeHandJpeg(HandFrame{}, data), "Error - get bit expected a stuffed byte of 0, found 0x12\n", 3);
}

TEST(JpegScan, RestartMarkersAreCheckedAndNumbered) {
    // 12 MCUs of 8x8 with a restart after each: RST0..RST7, then RST0..RST2.
    auto file = [](int wrongAt, int wrongMarker) {
        HandFrame frame;
        frame.width = 96;
        frame.restartInterval = 1;
        HandScan scan;
        for (int i = 0; i < 12; ++i) {
            scan.Dc(8 * i);  // each MCU starts from a zero predictor again
            scan.Eob();
            for (int c = 0; c < 2; ++c) {
                scan.Dc(0);
                scan.Eob();
            }
            if (i < 11) scan.Restart(i == wrongAt && wrongMarker < 8 ? wrongMarker : i % 8);
        }
        Bytes data = scan.Finish();
        if (wrongMarker >= 8) {  // a marker that is no RST where RST<wrongAt> belongs
            for (size_t p = 0; p + 1 < data.size(); ++p)
                if (data[p] == 0xFF && data[p + 1] == 0xD0 + wrongAt) {
                    data[p + 1] = uint8_t(wrongMarker);
                    break;
                }
        }
        return MakeHandJpeg(frame, data);
    };
    ImageHolder out;
    LogCapture log;
    ASSERT_EQ(DecodeJpegBytes(file(-1, 0), out), 1) << log.Text();
    for (int i = 0; i < 12; ++i) EXPECT_EQ(Pixel(out, i * 8 + 4, 4)[1], 128 + i) << i;

    ExpectScanFails(file(2, 3), "Error - expected restart marker RST2, found RST3\n", 3);
    ExpectScanFails(file(3, 0xE5), "Error - expected an RSTm marker, found 0xE5\n", 3);
}

TEST(JpegScan, RestartsDecodeLikeNoRestarts) {
    std::vector<uint8_t> picture = MakeTestPicture(61, 45, 9);
    for (Subsampling s : {Subsampling::k444, Subsampling::k422, Subsampling::k420}) {
        ImageHolder plain, restarted;
        ASSERT_EQ(DecodeJpegBytes(EncodeJpeg(picture, 61, 45, {s, 80, 0}), plain), 1);
        ASSERT_EQ(DecodeJpegBytes(EncodeJpeg(picture, 61, 45, {s, 80, 1}), restarted), 1);
        EXPECT_EQ(0, std::memcmp(plain.image->pixels, restarted.image->pixels, 61 * 45 * 3));
    }
}

TEST(JpegScan, ChromaIsRepeatedOverThePixelsItCovers) {
    // 16x16 4:2:0: four flat luma blocks, one chroma block for all; 4:2:2 16x8 likewise.
    for (bool vertical : {true, false}) {
        HandFrame frame;
        frame.width = 16;
        frame.height = vertical ? 16 : 8;
        frame.sampling[0] = vertical ? 0x22 : 0x21;
        HandScan scan;
        int lumaBlocks = vertical ? 4 : 2;
        for (int b = 0; b < lumaBlocks; ++b) {
            scan.Dc(b == 0 ? 80 : 0);  // predictor: every block 80
            scan.Eob();
        }
        scan.Dc(160);
        scan.Ac(0, 200);  // Cb changes from column to column of its block
        scan.Eob();
        scan.Dc(-80);
        scan.Eob();
        ImageHolder out;
        ASSERT_EQ(DecodeJpegBytes(MakeHandJpeg(frame, scan.Finish()), out), 1);
        int rowStep = vertical ? 2 : 1;
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(Pixel(out, x, y), Pixel(out, x & ~1, y - y % rowStep)) << x << "," << y;
        EXPECT_NE(Pixel(out, 0, 0), Pixel(out, 15, 0));
    }
}

TEST(JpegScan, PaddingBlocksAreDecodedAndDropped) {
    // 9x3 4:4:4 is two MCUs wide; the second MCU's block is decoded, its pixels kept from 8.
    HandFrame frame;
    frame.width = 9;
    frame.height = 3;
    HandScan scan;
    scan.Dc(80);
    scan.Eob();
    scan.Dc(160);
    scan.Eob();
    scan.Dc(-80);
    scan.Eob();
    for (int c = 0; c < 3; ++c) {
        scan.Dc(c == 0 ? -80 : c == 1 ? -160 : 80);  // back to 0 for all three
        scan.Eob();
    }
    ImageHolder out;
    ASSERT_EQ(DecodeJpegBytes(MakeHandJpeg(frame, scan.Finish()), out), 1);
    ASSERT_EQ(out.image->width, 9);
    ASSERT_EQ(out.image->height, 3);
    EXPECT_EQ(Pixel(out, 7, 2), (std::array<uint8_t, 3>{123, 138, 173}));
    EXPECT_EQ(Pixel(out, 8, 2), (std::array<uint8_t, 3>{128, 128, 128}));
}
