// forge_test_util.h -- readers the forge's tests check its files with: a TGA parser of
// our own, a JPEG marker walker, and libjpeg-turbo as the reference decoder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image.h"

namespace forgetest {

struct TgaFile {
    bool ok = false;
    int width = 0, height = 0, depth = 0, descriptor = 0, type = 0;
    forge::Image image;  // top row first, RGB
};
TgaFile ParseTga(const std::vector<uint8_t>& bytes);

struct JpegComponent {
    int id = 0, h = 0, v = 0;
};
struct JpegLayout {
    bool ok = false;
    std::string error;
    std::vector<int> markers;  // every marker code in file order, SOI first
    bool jfifFirst = false;    // APP0 "JFIF\0" straight after SOI
    int sofCode = 0;           // 0xC0 for baseline
    int precision = 0, width = 0, height = 0;
    std::vector<JpegComponent> components;
    int restartInterval = 0;
    int restartMarkers = 0;    // RSTn found in the entropy-coded data
};
// Walks the segments without decoding; counts restart markers in the scan.
JpegLayout ReadJpegLayout(const std::vector<uint8_t>& bytes);

// Decodes with libjpeg-turbo; an empty image (width 0) on any error.
forge::Image DecodeWithLibjpeg(const std::vector<uint8_t>& bytes);

// Mean absolute difference per channel byte of two equal-sized images.
double MeanDifference(const forge::Image& a, const forge::Image& b);

}  // namespace forgetest
