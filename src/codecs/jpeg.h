// jpeg.h -- the baseline JPEG decoder.
//
// Decodes a JFIF file held in memory: baseline sequential DCT, Huffman coded, 8-bit
// samples, exactly three components Y, Cb, Cr (ids 1, 2, 3) in one interleaved scan, any
// sampling factors from 1 to 4 that divide the largest one. Everything it reads is traced
// through the CodecLog, and every refusal is printed there with a code.
#pragma once

#include <cstdint>

#include "codecs/image.h"

// 1 with a new picture in result (the caller owns it), or 0 with result null.
int DecodeJpeg(const FileBuffer& source, RgbImage*& result);
