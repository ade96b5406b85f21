// jpeg_kernels.h -- the decoder's two arithmetic loops: the inverse transform of one block
// and the colour conversion of one row. Each exists as a portable version and, on x86
// processors that have it, an AVX2 version; both compute every value with the same
// single-precision operations in the same order, so their results are identical and the
// choice only changes the speed. Shared by jpeg_scan.cpp and the tests.
#pragma once

#include <cstddef>
#include <cstdint>

// Inverse transform of one block: its coefficients in natural order (row by row) are
// dequantised (coefficient times the quantisation value, both as floats) and transformed;
// every non-zero coefficient lies in rows 0..lastRow and columns 0..lastColumn. The
// samples are level shifted, clamped, truncated and written as eight rows of eight bytes
// stride apart.
using JpegTransformFunction = void (*)(const int32_t coefficients[64], const float quantisation[64], int lastRow,
                                       int lastColumn, uint8_t* out, size_t stride);

// One row of width pixels (R, G, B bytes) from its Y, Cb and Cr samples. chromaRatio is 1
// when each Cb and Cr sample covers one pixel, 2 when it covers two side by side; the
// rows hold samples up to the next multiple of 16 pixels at least.
using JpegConvertRowFunction = void (*)(const uint8_t* ys, const uint8_t* cbs, const uint8_t* crs, int32_t width,
                                        int32_t chromaRatio, uint8_t* out);

// Two rows that share their Cb and Cr samples (chroma that covers two rows), as two calls
// of the row conversion give them.
using JpegConvertRowPairFunction = void (*)(const uint8_t* ys0, const uint8_t* ys1, const uint8_t* cbs,
                                            const uint8_t* crs, int32_t width, int32_t chromaRatio, uint8_t* out0,
                                            uint8_t* out1);

struct JpegKernels {
    const char* name;
    JpegTransformFunction transform;
    JpegConvertRowFunction convertRow;
    JpegConvertRowPairFunction convertRowPair;
};

const JpegKernels& JpegPortableKernels();
const JpegKernels* JpegAvx2Kernels();  // null where the processor (or the build) lacks AVX2
// The kernels the decoder uses: AVX2 where it is there, else the portable ones.
const JpegKernels& JpegChosenKernels();
// Makes every later decode use these kernels (tests compare the two sets); thread-safe.
void JpegUseKernels(const JpegKernels& kernels);
