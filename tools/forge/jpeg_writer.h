// jpeg_writer.h -- baseline JFIF through libjpeg-turbo, with the knobs the show's decoder
// should meet: chroma subsampling, restart intervals, extra APPn/COM segments after the
// JFIF header, quality, and standard or optimised Huffman tables.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "byte_sink.h"
#include "image.h"

namespace forge {

enum class Chroma { S420, S422, S444 };

struct JpegMarker {
    int code = 0xFE;            // 0xE1..0xEF for APP1..APP15, 0xFE for COM
    std::vector<uint8_t> data;  // at most 65533 bytes
};

struct JpegSettings {
    int quality = 85;
    Chroma chroma = Chroma::S420;
    int restartInterval = 0;     // in MCUs; 0: none
    bool optimiseHuffman = false;
    std::vector<JpegMarker> markers;

    JpegSettings& Restart(int mcus) { restartInterval = mcus; return *this; }
    JpegSettings& Optimised(bool on = true) { optimiseHuffman = on; return *this; }
    JpegSettings& With(JpegMarker marker) { markers.push_back(std::move(marker)); return *this; }
};

inline JpegSettings Jpeg(int quality, Chroma chroma) {
    JpegSettings s;
    s.quality = quality;
    s.chroma = chroma;
    return s;
}

// Always SOF0, 8-bit, three components with ids 1, 2, 3, JFIF APP0 first. Returns false
// (and writes nothing) when the encoder reports an error.
bool WriteJpeg(ByteSink& sink, const Image& image, const JpegSettings& settings);

JpegMarker CommentMarker(const std::string& text);
JpegMarker AppMarker(int n, const std::string& text);

}  // namespace forge
