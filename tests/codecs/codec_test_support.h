// codec_test_support.h -- what the codec tests share: a log capture, JPEG files made by
// the reference encoder, the reference decoder, and a segment-level editor for JPEG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codecs/codec_log.h"
#include "codecs/image.h"

using Bytes = std::vector<uint8_t>;

// Collects every text of the codec log while it lives; restores the previous sink after.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    std::string Text() const;
    bool Contains(const std::string& line) const;  // a whole text handed to the sink
    int Count(const std::string& line) const;
};

// An owned RgbImage and a FileBuffer copy of some bytes.
struct ImageHolder {
    RgbImage* image = nullptr;
    ~ImageHolder() { DestroyRgbImage(image); }
};
int DecodeJpegBytes(const Bytes& bytes, ImageHolder& out);
int DecodeTgaBytes(const Bytes& bytes, ImageHolder& out);

// A picture with smooth areas, edges and noise, deterministic for a seed.
std::vector<uint8_t> MakeTestPicture(int width, int height, uint32_t seed);

enum class Subsampling { k444, k422, k420 };
struct EncodeOptions {
    Subsampling subsampling = Subsampling::k420;
    int quality = 75;
    int restartInterval = 0;  // in MCUs
};
// A baseline JFIF file made by libjpeg-turbo from RGB pixels.
Bytes EncodeJpeg(const std::vector<uint8_t>& rgb, int width, int height, const EncodeOptions& options);

// libjpeg-turbo's decode of the bytes with the float IDCT and without fancy upsampling,
// as RGB; false when it refuses them.
bool ReferenceDecode(const Bytes& jpeg, std::vector<uint8_t>& rgb, int* width, int* height);

// A JPEG file cut into its marker segments (SOI and EOI included, with empty bodies), the
// entropy-coded data following the SOS segment kept with it.
struct JpegSegment {
    uint8_t marker;
    Bytes body;     // after the length field
    Bytes trailer;  // entropy-coded data after an SOS segment
};
std::vector<JpegSegment> SplitJpeg(const Bytes& file);
Bytes JoinJpeg(const std::vector<JpegSegment>& segments);
// The index of the first segment with this marker, or -1.
int FindSegment(const std::vector<JpegSegment>& segments, uint8_t marker);
