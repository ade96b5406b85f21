// The transform and the row conversions: the AVX2 kernels against the portable ones bit
// for bit, the transform's skipped terms against the full sums, and whole decodes with
// either set of kernels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "codec_test_support.h"
#include "codecs/jpeg_kernels.h"

namespace {

uint32_t gState = 12345;
uint32_t Next() {
    gState = gState * 1664525u + 1013904223u;
    return gState >> 8;
}

// A block whose non-zero coefficients lie within rows 0..lastRow and columns
// 0..lastColumn, about half of them zero, with quantisation values up to 255: large
// enough now and then to saturate.
void RandomBlock(int32_t coefficients[64], float quantisation[64], int lastRow, int lastColumn) {
    for (int i = 0; i < 64; ++i) {
        int row = i / 8, column = i % 8;
        quantisation[i] = static_cast<float>(1 + Next() % (Next() % 8 == 0 ? 255 : 40));
        coefficients[i] = 0;
        if (row > lastRow || column > lastColumn || Next() % 2) continue;
        coefficients[i] = int32_t(Next() % 61) - 30;
    }
}

// The transform with every term, zero or not, in ascending order of frequency.
void FullSums(const int32_t coefficients[64], const float quantisation[64], uint8_t out[64]) {
    float block[64];
    for (int i = 0; i < 64; ++i) block[i] = static_cast<float>(coefficients[i]) * quantisation[i];
    float basis[8][8];
    for (int f = 0; f < 8; ++f)
        for (int n = 0; n < 8; ++n) {
            double c = f == 0 ? std::sqrt(0.5) : 1.0;
            basis[f][n] = static_cast<float>(c / 2.0 * std::cos((2 * n + 1) * f * 3.14159265358979323846 / 16.0));
        }
    float t[8][8];  // [y][u]
    for (int y = 0; y < 8; ++y)
        for (int u = 0; u < 8; ++u) {
            float acc = 0.0f;
            for (int v = 0; v < 8; ++v) acc += basis[v][y] * block[v * 8 + u];
            t[y][u] = acc;
        }
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            float acc = 0.0f;
            for (int u = 0; u < 8; ++u) acc += t[y][u] * basis[u][x];
            float v = acc + 128.0f;
            v = v < 0.0f ? 0.0f : v > 255.0f ? 255.0f : v;
            out[y * 8 + x] = static_cast<uint8_t>(static_cast<int32_t>(v));
        }
}

// Runs a transform into the middle of a larger buffer, so that writes outside the eight
// rows of eight show.
std::vector<uint8_t> Transformed(JpegTransformFunction transform, const int32_t coefficients[64],
                                 const float quantisation[64], int lastRow, int lastColumn) {
    constexpr size_t kStride = 24;
    std::vector<uint8_t> plane(kStride * 10, 0xA5);
    transform(coefficients, quantisation, lastRow, lastColumn, plane.data() + kStride + 8, kStride);
    return plane;
}

std::vector<uint8_t> Compact(const std::vector<uint8_t>& plane) {
    std::vector<uint8_t> samples(64);
    for (int y = 0; y < 8; ++y) std::memcpy(&samples[y * 8], &plane[24 * (y + 1) + 8], 8);
    return samples;
}

class KernelChoice {
public:
    explicit KernelChoice(const JpegKernels& kernels) { JpegUseKernels(kernels); }
    ~KernelChoice() { JpegUseKernels(previous_); }

private:
    const JpegKernels& previous_ = JpegChosenKernels();
};

}  // namespace

TEST(JpegKernels, TransformLeavesOutOnlyZeroTerms) {
    const JpegKernels& portable = JpegPortableKernels();
    const JpegKernels* avx2 = JpegAvx2Kernels();
    int32_t coefficients[64];
    float quantisation[64];
    for (int lastRow = 0; lastRow < 8; ++lastRow)
        for (int lastColumn = 0; lastColumn < 8; ++lastColumn)
            for (int trial = 0; trial < 200; ++trial) {
                RandomBlock(coefficients, quantisation, lastRow, lastColumn);
                uint8_t full[64];
                FullSums(coefficients, quantisation, full);
                std::vector<uint8_t> plane =
                    Transformed(portable.transform, coefficients, quantisation, lastRow, lastColumn);
                std::vector<uint8_t> untouched(plane.size(), 0xA5);
                for (int y = 0; y < 8; ++y) std::memset(&untouched[24 * (y + 1) + 8], 0, 8);
                std::vector<uint8_t> outside = plane;
                for (int y = 0; y < 8; ++y) std::memset(&outside[24 * (y + 1) + 8], 0, 8);
                ASSERT_EQ(outside, untouched) << "the transform writes outside its block";
                ASSERT_EQ(Compact(plane), std::vector<uint8_t>(full, full + 64))
                    << "portable, rows 0.." << lastRow << ", columns 0.." << lastColumn;
                if (avx2) {
                    ASSERT_EQ(Transformed(avx2->transform, coefficients, quantisation, lastRow, lastColumn), plane)
                        << "AVX2, rows 0.." << lastRow << ", columns 0.." << lastColumn;
                }
            }
}

TEST(JpegKernels, ConversionAgreesForEveryWidthAndRatio) {
    const JpegKernels& portable = JpegPortableKernels();
    const JpegKernels* avx2 = JpegAvx2Kernels();
    if (!avx2) GTEST_SKIP() << "no AVX2 on this processor";
    for (int ratio : {1, 2})
        for (int width = 1; width <= 75; ++width) {
            // Samples for whole groups of 16 pixels, as the planes hold them.
            size_t padded = size_t(width + 15) / 16 * 16;
            std::vector<uint8_t> ys(padded), cbs(padded), crs(padded);
            for (size_t i = 0; i < padded; ++i) {
                ys[i] = uint8_t(Next());
                cbs[i] = uint8_t(Next());
                crs[i] = uint8_t(Next());
            }
            // Extremes that saturate every channel.
            cbs[0] = 0;
            crs[0] = 255;
            std::vector<uint8_t> a(size_t(width) * 3 + 32, 0x5A), b = a;
            portable.convertRow(ys.data(), cbs.data(), crs.data(), width, ratio, a.data());
            avx2->convertRow(ys.data(), cbs.data(), crs.data(), width, ratio, b.data());
            ASSERT_EQ(a, b) << "width " << width << ", ratio " << ratio;
            for (size_t i = size_t(width) * 3; i < a.size(); ++i) ASSERT_EQ(b[i], 0x5A) << "written past the row";

            // Two rows sharing their chroma, from either set: the row conversion twice.
            std::vector<uint8_t> ys2(padded);
            for (uint8_t& y : ys2) y = uint8_t(Next());
            std::vector<uint8_t> second(a.size(), 0x5A);
            portable.convertRow(ys2.data(), cbs.data(), crs.data(), width, ratio, second.data());
            for (const JpegKernels* kernels : {&portable, avx2}) {
                std::vector<uint8_t> c(a.size(), 0x5A), d(a.size(), 0x5A);
                kernels->convertRowPair(ys.data(), ys2.data(), cbs.data(), crs.data(), width, ratio, c.data(),
                                        d.data());
                ASSERT_EQ(c, a) << kernels->name << " pair, first row, width " << width << ", ratio " << ratio;
                ASSERT_EQ(d, second) << kernels->name << " pair, second row, width " << width << ", ratio " << ratio;
            }
        }
}

TEST(JpegKernels, WholeDecodesAgreeWithEitherKernels) {
    const JpegKernels* avx2 = JpegAvx2Kernels();
    if (!avx2) GTEST_SKIP() << "no AVX2 on this processor";
    CodecLogSink previous = CodecLogGetSink();
    CodecLogSetSink(nullptr);
    const int sizes[][2] = {{1, 1}, {9, 7}, {31, 17}, {64, 64}, {97, 45}, {256, 256}};
    for (Subsampling s : {Subsampling::k444, Subsampling::k422, Subsampling::k420})
        for (const auto& size : sizes)
            for (int quality : {20, 75, 100}) {
                Bytes file = EncodeJpeg(MakeTestPicture(size[0], size[1], uint32_t(quality + size[0])), size[0],
                                        size[1], {s, quality, quality == 75 ? 3 : 0});
                ImageHolder viaPortable, viaAvx2;
                {
                    KernelChoice choice(JpegPortableKernels());
                    ASSERT_EQ(DecodeJpegBytes(file, viaPortable), 1);
                }
                {
                    KernelChoice choice(*avx2);
                    ASSERT_EQ(DecodeJpegBytes(file, viaAvx2), 1);
                }
                size_t bytes = size_t(size[0]) * size[1] * 3;
                ASSERT_EQ(std::memcmp(viaPortable.image->pixels, viaAvx2.image->pixels, bytes), 0)
                    << size[0] << "x" << size[1] << " quality " << quality << " subsampling " << int(s);
            }
    CodecLogSetSink(previous);
}
