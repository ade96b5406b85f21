// Markers, segment order and every refusal of the header parse, with its text and code.
#include <gtest/gtest.h>

#include <functional>

#include "codec_test_support.h"

namespace {

Bytes SmallFile(Subsampling s = Subsampling::k420, int restart = 0, int size = 16) {
    return EncodeJpeg(MakeTestPicture(size, size, 3), size, size, {s, 75, restart});
}

using Edit = std::function<void(std::vector<JpegSegment>&)>;

Bytes Edited(const Edit& edit) {
    std::vector<JpegSegment> segments = SplitJpeg(SmallFile());
    edit(segments);
    return JoinJpeg(segments);
}

JpegSegment& Seg(std::vector<JpegSegment>& s, uint8_t marker) { return s[FindSegment(s, marker)]; }

struct Refusal {
    const char* what;
    Edit edit;
    const char* line;  // a text the log must hold (null: only the caller's line)
    const char* caller;
    int32_t code;
};

void ExpectRefused(const Bytes& bytes, const char* line, const char* caller, int32_t code, const char* what) {
    SCOPED_TRACE(what);
    LogCapture log;
    ImageHolder out;
    EXPECT_EQ(DecodeJpegBytes(bytes, out), 0);
    EXPECT_EQ(out.image, nullptr);
    if (line) {
        EXPECT_TRUE(log.Contains(line)) << log.Text();
    }
    if (caller) {
        EXPECT_TRUE(log.Contains(caller)) << log.Text();
    }
    EXPECT_TRUE(log.Contains("Error decoding file\n"));
    EXPECT_EQ(CodecLogGetError(), code);
}

}  // namespace

TEST(JpegHeaders, TracesEverySegmentOfABaselineFile) {
    LogCapture log;
    ImageHolder out;
    ASSERT_EQ(DecodeJpegBytes(SmallFile(), out), 1);
    ASSERT_NE(out.image, nullptr);
    EXPECT_EQ(out.image->width, 16);
    EXPECT_EQ(out.image->height, 16);
    const std::vector<std::string> inOrder = {
        "Found APP0 marker of length 16\n", "Verified JFIF format\n", "JFIF version: 1.01\n",
        "Found Quantisation tables of length 67\n", "Found quantisation table 0\n",
        "Found start of baseline DCT frame of length 17\n", "Image dimensions: 16x16\n",
        "Y  - id: 1, H: 2, V: 2, qt: 0\n", "Cb - id: 2, H: 1, V: 1, qt: 1\n", "Cr - id: 3, H: 1, V: 1, qt: 1\n",
        "Found Huffman tables of length 31\n", "Found DC Huffman table ", "0\n", "Found start of scan of length 12\n",
        "Y  - DC: 0 ", "AC: 0 \n", "Cb - DC: 1 ", "AC: 1 \n", "MCU: H 1, V: 1, total: 1\n", "\nDecoding MCU ",
    };
    std::string text = log.Text();
    size_t at = 0;
    for (const std::string& piece : inOrder) {
        size_t found = text.find(piece, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << piece << "\n" << text;
        at = found + piece.size();
    }
    EXPECT_EQ(log.Count("."), 0) << "fewer than 40 MCUs print no progress dots";
    EXPECT_EQ(CodecLogGetError(), 0);
}

TEST(JpegHeaders, ProgressDotsFollowTheMcuCount) {
    {
        LogCapture log;
        ImageHolder out;
        ASSERT_EQ(DecodeJpegBytes(SmallFile(Subsampling::k444, 0, 64), out), 1);  // 64 MCUs: one dot each
        EXPECT_EQ(log.Count("."), 64);
    }
    LogCapture log;
    ImageHolder out;
    ASSERT_EQ(DecodeJpegBytes(SmallFile(Subsampling::k444, 0, 80), out), 1);  // 100 MCUs: every second
    EXPECT_EQ(log.Count("."), 50);
}

TEST(JpegHeaders, RefusesEachUnsupportedOrInvalidHeader) {
    const uint8_t kApp1[] = {'E', 'x', 'i', 'f', 0, 0};
    const std::vector<Refusal> cases = {
        {"SOF2 frame", [](auto& s) { Seg(s, 0xC0).marker = 0xC2; },
         "Error - this programme can not decode a frame of type 0xC2\n", nullptr, 4},
        {"arithmetic frame", [](auto& s) { Seg(s, 0xC0).marker = 0xC9; },
         "Error - this programme can not decode a frame of type 0xC9\n", nullptr, 4},
        {"12-bit samples", [](auto& s) { Seg(s, 0xC0).body[0] = 12; },
         "Error - 8 bit precision allowed only, found 12\n", "Error - decode frame failed\n", 4},
        {"one component", [](auto& s) { Seg(s, 0xC0).body[5] = 1; },
         "Error - 3 components allowed only, found 1\n", "Error - decode frame failed\n", 4},
        {"Y id", [](auto& s) { Seg(s, 0xC0).body[6] = 0; },
         "Error - the first component (Y) should have an id of 1, found 0\n", nullptr, 3},
        {"Cb id", [](auto& s) { Seg(s, 0xC0).body[9] = 5; },
         "Error - the second component (Cb) should have an id of 2, found 5\n", nullptr, 3},
        {"Cr id", [](auto& s) { Seg(s, 0xC0).body[12] = 9; },
         "Error - the third component (Cr) should have an id of 3, found 9\n", nullptr, 3},
        {"16-bit quantisation table", [](auto& s) { Seg(s, 0xDB).body[0] = 0x10; },
         "Error - quantisation table must be 8 bits, found a Pq of 1\n", "Error - reading quantisation tables failed\n",
         3},
        {"quantisation id 5", [](auto& s) { Seg(s, 0xDB).body[0] = 0x05; },
         "Error - quantisation table id must be in range 0 to 3, found 5\n",
         "Error - reading quantisation tables failed\n", 3},
        {"Huffman class 2", [](auto& s) { Seg(s, 0xC4).body[0] = 0x20; },
         "Error - table class can only have a value of 0 or 1, found 2\n", "Error - reading Huffman tables failed\n",
         3},
        {"Huffman id 4", [](auto& s) { Seg(s, 0xC4).body[0] = 0x04; }, "Found DC Huffman table ",
         "Error - reading Huffman tables failed\n", 3},
        {"Huffman counts all zero",
         [](auto& s) {
             auto& b = Seg(s, 0xC4).body;
             std::fill(b.begin() + 1, b.begin() + 17, 0);
         },
         nullptr, "Error - reading Huffman tables failed\n", 3},
        {"Huffman table of 300 symbols",
         [](auto& s) {
             auto& b = Seg(s, 0xC4).body;
             b[15] = 45;
             b[16] = 255;
             b.resize(17 + 300, 0);
         },
         nullptr, "Error - reading Huffman tables failed\n", 3},
        {"sampling factor 0", [](auto& s) { Seg(s, 0xC0).body[7] = 0x20; }, nullptr, "Error - decode frame failed\n", 4},
        {"sampling factor 5", [](auto& s) { Seg(s, 0xC0).body[7] = 0x51; }, nullptr, "Error - decode frame failed\n", 4},
        {"factor 2 beside 3", [](auto& s) { Seg(s, 0xC0).body[7] = 0x32; Seg(s, 0xC0).body[10] = 0x22; }, nullptr,
         "Error - decode frame failed\n", 4},
        {"width 0", [](auto& s) { Seg(s, 0xC0).body[3] = Seg(s, 0xC0).body[4] = 0; }, "Image dimensions: 0x16\n",
         "Error - decode frame failed\n", 4},
        {"end of image before any scan", [](auto& s) { s.erase(s.begin() + FindSegment(s, 0xDA)); }, nullptr,
         "Error - decode frame failed\n", 3},
        {"scan of one component", [](auto& s) { Seg(s, 0xDA).body[0] = 1; },
         "Error - expected 3 components in the scan, found 1\n", "Error - decode scan failed\n", 4},
        {"scan id", [](auto& s) { Seg(s, 0xDA).body[3] = 7; },
         "Error - expected a component id of 2 in the scan, found 7\n", "Error - decode scan failed\n", 3},
        {"undefined DC table", [](auto& s) { Seg(s, 0xDA).body[4] = 0x21; },
         "Error - DC Huffman table 2 has not been defined\n", nullptr, 3},
        {"undefined AC table", [](auto& s) { Seg(s, 0xDA).body[6] = 0x13; },
         "Error - AC Huffman table 3 has not been defined\n", nullptr, 3},
        {"DC table id 9", [](auto& s) { Seg(s, 0xDA).body[2] = 0x90; },
         "Error - DC Huffman table 9 has not been defined\n", nullptr, 3},
        {"undefined quantisation table", [](auto& s) { Seg(s, 0xC0).body[14] = 2; },
         "Error - quantisation table 2 has not been defined\n", nullptr, 3},
        {"quantisation id 7 in the frame", [](auto& s) { Seg(s, 0xC0).body[14] = 7; },
         "Error - quantisation table 7 has not been defined\n", nullptr, 3},
        {"spectral end 62", [](auto& s) { Seg(s, 0xDA).body[8] = 62; },
         "Error - last 3 bytes of scan header have invalid values\n", nullptr, 3},
        {"approximation bits", [](auto& s) { Seg(s, 0xDA).body[9] = 1; },
         "Error - last 3 bytes of scan header have invalid values\n", nullptr, 3},
        {"Exif first",
         [&](auto& s) {
             s.insert(s.begin() + 1, JpegSegment{0xE1, Bytes(std::begin(kApp1), std::end(kApp1)), {}});
         },
         "Error - expecting APP0 marker, instead found 0xE1\n", nullptr, 3},
        {"JFIF extension identifier", [](auto& s) { Seg(s, 0xE0).body[2] = 'X'; Seg(s, 0xE0).body[3] = 'X'; },
         "Error - not a JFIF file\n", "Error - first APP0 marker is invalid\n", 3},
        {"EOI instead of SOI", [](auto& s) { s[0].marker = 0xD9; }, "Error - expecting SOI marker, instead found 0xD9\n",
         nullptr, 3},
    };
    for (const Refusal& r : cases) ExpectRefused(Edited(r.edit), r.line, r.caller, r.code, r.what);

    ExpectRefused({0x00, 0xD8}, "Error - expected byte 0xFF, found 0x00\n",
                  "Error - a marker was expected, but not found\n", 3, "no marker at all");
    ExpectRefused({}, "Error - JPEG decoder has gone past end of file\n", nullptr, 3, "empty file");
}

TEST(JpegHeaders, TablesMayBeGroupedAndComeBetweenFrameAndScan) {
    ImageHolder plain;
    ASSERT_EQ(DecodeJpegBytes(SmallFile(), plain), 1);

    std::vector<JpegSegment> s = SplitJpeg(SmallFile());
    // One DQT holding both tables, one DHT holding all four, both moved after the frame,
    // a DRI of 0 and skipped segments on the way.
    JpegSegment dqt{0xDB, {}, {}}, dht{0xC4, {}, {}};
    std::vector<JpegSegment> kept;
    for (JpegSegment& seg : s) {
        if (seg.marker == 0xDB) dqt.body.insert(dqt.body.end(), seg.body.begin(), seg.body.end());
        else if (seg.marker == 0xC4) dht.body.insert(dht.body.end(), seg.body.begin(), seg.body.end());
        else kept.push_back(seg);
    }
    int sof = FindSegment(kept, 0xC0);
    kept.insert(kept.begin() + sof + 1,
                {JpegSegment{0xFE, {'h', 'i'}, {}}, JpegSegment{0xE0, {'J', 'F', 'I', 'F', 0, 1, 2}, {}}, dqt, dht,
                 JpegSegment{0xDD, {0, 0}, {}}});
    kept.insert(kept.begin() + 2, JpegSegment{0xE1, {'E', 'x', 'i', 'f', 0, 0}, {}});

    LogCapture log;
    ImageHolder grouped;
    ASSERT_EQ(DecodeJpegBytes(JoinJpeg(kept), grouped), 1) << log.Text();
    EXPECT_EQ(Bytes(grouped.image->pixels, grouped.image->pixels + 16 * 16 * 3),
              Bytes(plain.image->pixels, plain.image->pixels + 16 * 16 * 3));
    EXPECT_TRUE(log.Contains("Found unrecognised marker (0xE1) of length 8. Skipping\n\n"));
    EXPECT_TRUE(log.Contains("Found unrecognised marker (0xFE) of length 4. Skipping\n\n"));
    EXPECT_TRUE(log.Contains("Found unrecognised marker (0xE0) of length 9. Skipping\n\n"));
    EXPECT_TRUE(log.Contains("Found restart interval marker, set to 0\n\n"));
    EXPECT_EQ(log.Count("Found Quantisation tables of length 132\n"), 1);
    EXPECT_EQ(log.Count("Found AC Huffman table "), 2);
}

TEST(JpegHeaders, TruncatedFileReportsReadsPastTheEndAndFails) {
    Bytes file = SmallFile(Subsampling::k444, 0, 32);
    file.resize(file.size() * 2 / 3);
    LogCapture log;
    ImageHolder out;
    EXPECT_EQ(DecodeJpegBytes(file, out), 0);
    EXPECT_GT(log.Count("Error - JPEG decoder has gone past end of file\n"), 0);
    EXPECT_TRUE(log.Contains("Error - a marker was expected, but not found\n"));
    EXPECT_EQ(CodecLogGetError(), 3);

    // Cut inside the tables: a table that runs past the end is refused, not read for ever.
    for (size_t cut : {size_t(30), size_t(100), size_t(200)}) {
        Bytes head(file.begin(), file.begin() + cut);
        ImageHolder none;
        EXPECT_EQ(DecodeJpegBytes(head, none), 0) << cut;
    }
}
