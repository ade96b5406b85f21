// jpeg_kernels.cpp -- the inverse transform and the colour conversion, portable and AVX2.
//
// The transform is the two passes of the 8-point inverse DCT as sums of basis products:
// first over the columns of the block (vertical frequencies to rows), then over the rows.
// Each sum runs over its terms in ascending order of frequency. Terms whose coefficient
// is zero add an exact zero, so leaving them out (everything past the last non-zero row
// or column) changes no value: the zeros could only change the sign of a zero sum, which
// the level shift erases. Both versions keep the vertical output positions in the lanes
// (one column of the block per vector) and turn the result round when they store it; the
// AVX2 one computes the first pass of a block with many columns a row per vector and
// turns that round between the passes. Products are the same either way: an output and
// its mirror image (n and 7 - n) share them, since the basis is exactly symmetric.
// Not here: any other factorisation of the transform, which would round differently.
#include "codecs/jpeg_kernels.h"

#include <atomic>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define UMBRAVEL_JPEG_AVX2 1
#endif

namespace {

constexpr double kPi = 3.14159265358979323846;  // M_PI, which strict C++ headers leave out

// kBasis.value[f][n] = C(f) / 2 * cos((2n + 1) f pi / 16): one pass of the inverse
// transform is out[n] = sum over f of value[f][n] * in[f]; two passes give the 1/4.
// spread[f][n] holds value[f][n] eight times, for vector products without broadcasts.
// value[f][7 - n] is value[f][n], negated for odd f, exactly: the mirrored half is
// copied rather than computed again, so no rounding of the cosine can break the symmetry
// (the AVX2 transform shares its products between n and 7 - n).
struct Basis {
    alignas(32) float value[8][8];
    alignas(32) float spread[8][8][8];
    Basis() {
        for (int f = 0; f < 8; ++f)
            for (int n = 0; n < 4; ++n) {
                double c = f == 0 ? std::sqrt(0.5) : 1.0;
                value[f][n] = static_cast<float>(c / 2.0 * std::cos((2 * n + 1) * f * kPi / 16.0));
                value[f][7 - n] = f % 2 ? -value[f][n] : value[f][n];
            }
        for (int f = 0; f < 8; ++f)
            for (int n = 0; n < 8; ++n)
                for (int lane = 0; lane < 8; ++lane) spread[f][n][lane] = value[f][n];
    }
};
const Basis kBasis;

inline uint8_t ToSample(float result) {
    float v = result + 128.0f;
    v = v < 0.0f ? 0.0f : v;
    v = v > 255.0f ? 255.0f : v;
    return static_cast<uint8_t>(static_cast<int32_t>(v));
}

inline uint8_t ToColour(float value) {
    int32_t v = static_cast<int32_t>(value);
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// A block with nothing but its DC coefficient: every sample is DC / 8, which single
// precision holds exactly and which is what the two passes give.
inline bool FillFlat(float dc, int lastRow, int lastColumn, uint8_t* out, size_t stride) {
    if (lastRow > 0 || lastColumn > 0) return false;
    std::memset(out, ToSample(dc * 0.125f), 8);
    for (int y = 1; y < 8; ++y) std::memcpy(out + y * stride, out, 8);
    return true;
}

inline float Dequantised(const int32_t coefficients[64], const float quantisation[64], int i) {
    return static_cast<float>(coefficients[i]) * quantisation[i];
}

void TransformPortable(const int32_t coefficients[64], const float quantisation[64], int lastRow, int lastColumn,
                       uint8_t* out, size_t stride) {
    if (FillFlat(Dequantised(coefficients, quantisation, 0), lastRow, lastColumn, out, stride)) return;
    float block[64];
    for (int i = 0; i < 64; ++i) block[i] = Dequantised(coefficients, quantisation, i);
    // columns[u][y]: the first pass's value at row y of column u.
    float columns[8][8];
    for (int u = 0; u <= lastColumn; ++u) {
        float* t = columns[u];
        for (int y = 0; y < 8; ++y) t[y] = kBasis.value[0][y] * block[u];
        for (int v = 1; v <= lastRow; ++v)
            for (int y = 0; y < 8; ++y) t[y] += kBasis.value[v][y] * block[v * 8 + u];
    }
    for (int x = 0; x < 8; ++x) {
        float o[8];
        for (int y = 0; y < 8; ++y) o[y] = columns[0][y] * kBasis.value[0][x];
        for (int u = 1; u <= lastColumn; ++u)
            for (int y = 0; y < 8; ++y) o[y] += columns[u][y] * kBasis.value[u][x];
        for (int y = 0; y < 8; ++y) out[y * stride + x] = ToSample(o[y]);
    }
}

// Chroma products of one pixel's Cb and Cr, in the order of the conversion's formulas.
struct Chroma {
    float redCr, greenCb, greenCr, blueCb;
};
inline Chroma ChromaOf(uint8_t cbSample, uint8_t crSample) {
    float cb = static_cast<float>(cbSample) - 128.0f;
    float cr = static_cast<float>(crSample) - 128.0f;
    return {1.402f * cr, 0.34414f * cb, 0.71414f * cr, 1.772f * cb};
}

void ConvertRowPortable(const uint8_t* ys, const uint8_t* cbs, const uint8_t* crs, int32_t width, int32_t chromaRatio,
                        uint8_t* out) {
    for (int32_t x = 0; x < width; ++x) {
        float luma = static_cast<float>(ys[x]);
        int32_t cx = chromaRatio == 1 ? x : x >> 1;
        Chroma c = ChromaOf(cbs[cx], crs[cx]);
        out[3 * x + 0] = ToColour(luma + c.redCr);
        out[3 * x + 1] = ToColour(luma - c.greenCb - c.greenCr);
        out[3 * x + 2] = ToColour(luma + c.blueCb);
    }
}

void ConvertRowPairPortable(const uint8_t* ys0, const uint8_t* ys1, const uint8_t* cbs, const uint8_t* crs,
                            int32_t width, int32_t chromaRatio, uint8_t* out0, uint8_t* out1) {
    ConvertRowPortable(ys0, cbs, crs, width, chromaRatio, out0);
    ConvertRowPortable(ys1, cbs, crs, width, chromaRatio, out1);
}

const JpegKernels kPortable = {"portable", TransformPortable, ConvertRowPortable, ConvertRowPairPortable};

#ifdef UMBRAVEL_JPEG_AVX2

#define AVX2 __attribute__((target("avx2")))

// Stores eight columns of results (lane y = row y) as eight rows of eight samples: level
// shift, truncation, and the clamp through the saturating packs (a truncated value below
// 0 becomes 0, above 255 becomes 255, as the clamp before truncation gives).
AVX2 inline void StoreColumns(const __m256 o[8], uint8_t* out, size_t stride) {
    const __m256 shift = _mm256_set1_ps(128.0f);
    __m256i c[8];
    for (int x = 0; x < 8; ++x) c[x] = _mm256_cvttps_epi32(_mm256_add_ps(o[x], shift));
    // Bytes per 128-bit half: columns 0..3 (then 4..7) of rows 0..3 (upper half: 4..7),
    // column by column.
    __m256i left = _mm256_packus_epi16(_mm256_packs_epi32(c[0], c[1]), _mm256_packs_epi32(c[2], c[3]));
    __m256i right = _mm256_packus_epi16(_mm256_packs_epi32(c[4], c[5]), _mm256_packs_epi32(c[6], c[7]));
    const __m256i turn = _mm256_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15,  //
                                          0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
    left = _mm256_shuffle_epi8(left, turn);    // row by row now: 4 bytes of each row
    right = _mm256_shuffle_epi8(right, turn);
    __m256i rows01 = _mm256_unpacklo_epi32(left, right);  // rows 0, 1 | 4, 5
    __m256i rows23 = _mm256_unpackhi_epi32(left, right);  // rows 2, 3 | 6, 7
    __m128i r01 = _mm256_castsi256_si128(rows01), r45 = _mm256_extracti128_si256(rows01, 1);
    __m128i r23 = _mm256_castsi256_si128(rows23), r67 = _mm256_extracti128_si256(rows23, 1);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), r01);
    _mm_storeh_pd(reinterpret_cast<double*>(out + stride), _mm_castsi128_pd(r01));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 2 * stride), r23);
    _mm_storeh_pd(reinterpret_cast<double*>(out + 3 * stride), _mm_castsi128_pd(r23));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 4 * stride), r45);
    _mm_storeh_pd(reinterpret_cast<double*>(out + 5 * stride), _mm_castsi128_pd(r45));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 6 * stride), r67);
    _mm_storeh_pd(reinterpret_cast<double*>(out + 7 * stride), _mm_castsi128_pd(r67));
}

// columns[u] lane y = rows[y] lane u.
AVX2 inline void Transpose(const __m256 rows[8], __m256 columns[8]) {
    __m256 a[8], b[8];
    for (int i = 0; i < 4; ++i) {
        a[2 * i] = _mm256_unpacklo_ps(rows[2 * i], rows[2 * i + 1]);
        a[2 * i + 1] = _mm256_unpackhi_ps(rows[2 * i], rows[2 * i + 1]);
    }
    // b[4 * half + c]: lanes u = c (low 128 bits) and u = c + 4 (high) of rows 4 * half .. + 3.
    for (int half = 0; half < 2; ++half) {
        b[4 * half + 0] = _mm256_shuffle_ps(a[4 * half], a[4 * half + 2], _MM_SHUFFLE(1, 0, 1, 0));
        b[4 * half + 1] = _mm256_shuffle_ps(a[4 * half], a[4 * half + 2], _MM_SHUFFLE(3, 2, 3, 2));
        b[4 * half + 2] = _mm256_shuffle_ps(a[4 * half + 1], a[4 * half + 3], _MM_SHUFFLE(1, 0, 1, 0));
        b[4 * half + 3] = _mm256_shuffle_ps(a[4 * half + 1], a[4 * half + 3], _MM_SHUFFLE(3, 2, 3, 2));
    }
    for (int c = 0; c < 4; ++c) {
        columns[c] = _mm256_permute2f128_ps(b[c], b[4 + c], 0x20);
        columns[c + 4] = _mm256_permute2f128_ps(b[c], b[4 + c], 0x31);
    }
}

// The transform for blocks whose non-zero coefficients lie in rows 0..Rows-1 and columns
// 0..Last: both counts are fixed, so that the sums stay in registers and no loop ends
// where the processor cannot foresee it. Rows is 4 or 8; the rows added beyond the last
// non-zero one add exact zeros.
template <int Last, int Rows>
AVX2 void TransformColumnsAvx2(const float block[64], uint8_t* out, size_t stride) {
    __m256 t[8];
    if constexpr (Last >= 4) {
        // Many columns: all eight at once, one row of the block per vector (lane u), with
        // rows y and 7 - y sharing each product as below; then turned round.
        __m256 rows[8];
        __m256 coefficients = _mm256_load_ps(block);
        for (int y = 0; y < 4; ++y)
            rows[y] = rows[7 - y] = _mm256_mul_ps(coefficients, _mm256_load_ps(kBasis.spread[0][y]));
        for (int v = 1; v < Rows; ++v) {
            coefficients = _mm256_load_ps(block + v * 8);
            for (int y = 0; y < 4; ++y) {
                __m256 product = _mm256_mul_ps(coefficients, _mm256_load_ps(kBasis.spread[v][y]));
                rows[y] = _mm256_add_ps(rows[y], product);
                rows[7 - y] = v % 2 ? _mm256_sub_ps(rows[7 - y], product) : _mm256_add_ps(rows[7 - y], product);
            }
        }
        Transpose(rows, t);
    } else {
        __m256 basisRow = _mm256_load_ps(kBasis.value[0]);
        for (int u = 0; u <= Last; ++u) t[u] = _mm256_mul_ps(basisRow, _mm256_broadcast_ss(block + u));
        for (int v = 1; v < Rows; ++v) {
            basisRow = _mm256_load_ps(kBasis.value[v]);
            for (int u = 0; u <= Last; ++u)
                t[u] = _mm256_add_ps(t[u], _mm256_mul_ps(basisRow, _mm256_broadcast_ss(block + v * 8 + u)));
        }
    }
    // Columns x and 7 - x share each product: the basis values are equal there, or
    // opposite for odd u, where subtracting the product adds its exact negation.
    __m256 o[8];
    for (int x = 0; x < 4; ++x) o[x] = o[7 - x] = _mm256_mul_ps(t[0], _mm256_load_ps(kBasis.spread[0][x]));
    for (int u = 1; u <= Last; ++u)
        for (int x = 0; x < 4; ++x) {
            __m256 product = _mm256_mul_ps(t[u], _mm256_load_ps(kBasis.spread[u][x]));
            o[x] = _mm256_add_ps(o[x], product);
            o[7 - x] = u % 2 ? _mm256_sub_ps(o[7 - x], product) : _mm256_add_ps(o[7 - x], product);
        }
    StoreColumns(o, out, stride);
}

using ColumnsFunction = void (*)(const float*, uint8_t*, size_t);
template <int Last>
constexpr ColumnsFunction kColumns[2] = {TransformColumnsAvx2<Last, 4>, TransformColumnsAvx2<Last, 8>};
constexpr const ColumnsFunction* kColumnsByLast[8] = {kColumns<0>, kColumns<1>, kColumns<2>, kColumns<3>,
                                                      kColumns<4>, kColumns<5>, kColumns<6>, kColumns<7>};

AVX2 void TransformAvx2(const int32_t coefficients[64], const float quantisation[64], int lastRow, int lastColumn,
                        uint8_t* out, size_t stride) {
    float dc = static_cast<float>(coefficients[0]) * quantisation[0];
    if (FillFlat(dc, lastRow, lastColumn, out, stride)) return;
    // Dequantised eight at a time; all rows, which costs less than a loop whose end the
    // processor cannot foresee.
    alignas(32) float block[64];
    for (int v = 0; v < 8; ++v) {
        __m256 row = _mm256_cvtepi32_ps(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(coefficients + v * 8)));
        _mm256_store_ps(block + v * 8, _mm256_mul_ps(row, _mm256_loadu_ps(quantisation + v * 8)));
    }
    kColumnsByLast[lastColumn][lastRow > 3](block, out, stride);
}

// Eight pixels from eight lanes of luma and the chroma products: R, G, B truncated, then
// clamped by the saturating packs (to 16 bits, then to 0..255, which is the clamp to
// 0..255 for every 32-bit value), three bytes per pixel in the low 12 bytes of each
// 128-bit half.
AVX2 inline __m256i PackPixels(__m256 luma, __m256 redCr, __m256 greenCb, __m256 greenCr, __m256 blueCb) {
    __m256i r = _mm256_cvttps_epi32(_mm256_add_ps(luma, redCr));
    __m256i g = _mm256_cvttps_epi32(_mm256_sub_ps(_mm256_sub_ps(luma, greenCb), greenCr));
    __m256i b = _mm256_cvttps_epi32(_mm256_add_ps(luma, blueCb));
    // Per half: R of its four pixels, then G, then B twice.
    __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(r, g), _mm256_packs_epi32(b, b));
    const __m256i interleave = _mm256_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1,  //
                                                0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1);
    return _mm256_shuffle_epi8(bytes, interleave);
}

AVX2 inline __m256 Floats(const uint8_t* p) {
    return _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}

// Writes the 24 bytes of eight packed pixels; the stores reach 4 bytes further, which the
// caller allows only where the next pixels are written afterwards.
AVX2 inline void StorePixels(__m256i packed, uint8_t* out) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(packed));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 12), _mm256_extracti128_si256(packed, 1));
}

// The last pixels of a row, at most count of them, through a scratch block.
AVX2 inline void StoreTail(__m256i packed, uint8_t* out, int32_t count) {
    alignas(32) uint8_t scratch[32];
    StorePixels(packed, scratch);
    std::memcpy(out, scratch, size_t(count) * 3);
}

// The eight pixels from x on of a row of width pixels: whole where the stores' overreach
// stays inside the row, else through the tail.
AVX2 inline void StoreGroup(__m256i packed, uint8_t* out, int32_t x, int32_t width) {
    if (x <= width - 10) StorePixels(packed, out + 3 * x);
    else StoreTail(packed, out + 3 * x, width - x < 8 ? width - x : 8);
}

AVX2 void ConvertRowAvx2(const uint8_t* ys, const uint8_t* cbs, const uint8_t* crs, int32_t width, int32_t chromaRatio,
                         uint8_t* out) {
    const __m256 half = _mm256_set1_ps(128.0f);
    const __m256 kRedCr = _mm256_set1_ps(1.402f), kGreenCb = _mm256_set1_ps(0.34414f);
    const __m256 kGreenCr = _mm256_set1_ps(0.71414f), kBlueCb = _mm256_set1_ps(1.772f);
    if (chromaRatio == 1) {
        for (int32_t x = 0; x < width; x += 8) {
            __m256 cb = _mm256_sub_ps(Floats(cbs + x), half), cr = _mm256_sub_ps(Floats(crs + x), half);
            __m256i packed = PackPixels(Floats(ys + x), _mm256_mul_ps(kRedCr, cr), _mm256_mul_ps(kGreenCb, cb),
                                        _mm256_mul_ps(kGreenCr, cr), _mm256_mul_ps(kBlueCb, cb));
            StoreGroup(packed, out, x, width);
        }
        return;
    }
    // Each chroma product serves two pixels side by side.
    const __m256i lowPairs = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3);
    const __m256i highPairs = _mm256_setr_epi32(4, 4, 5, 5, 6, 6, 7, 7);
    for (int32_t x = 0; x < width; x += 16) {
        __m256 cb = _mm256_sub_ps(Floats(cbs + x / 2), half), cr = _mm256_sub_ps(Floats(crs + x / 2), half);
        __m256 redCr = _mm256_mul_ps(kRedCr, cr), greenCb = _mm256_mul_ps(kGreenCb, cb);
        __m256 greenCr = _mm256_mul_ps(kGreenCr, cr), blueCb = _mm256_mul_ps(kBlueCb, cb);
        for (int part = 0; part < 2; ++part) {
            int32_t px = x + 8 * part;
            if (px >= width) break;
            __m256i pairs = part == 0 ? lowPairs : highPairs;
            __m256i packed = PackPixels(Floats(ys + px), _mm256_permutevar8x32_ps(redCr, pairs),
                                        _mm256_permutevar8x32_ps(greenCb, pairs),
                                        _mm256_permutevar8x32_ps(greenCr, pairs),
                                        _mm256_permutevar8x32_ps(blueCb, pairs));
            StoreGroup(packed, out, px, width);
        }
    }
}

// Both rows from one reading of the chroma: its products (and their spreading over two
// pixels) serve the two rows.
AVX2 void ConvertRowPairAvx2(const uint8_t* ys0, const uint8_t* ys1, const uint8_t* cbs, const uint8_t* crs,
                             int32_t width, int32_t chromaRatio, uint8_t* out0, uint8_t* out1) {
    const __m256 half = _mm256_set1_ps(128.0f);
    const __m256 kRedCr = _mm256_set1_ps(1.402f), kGreenCb = _mm256_set1_ps(0.34414f);
    const __m256 kGreenCr = _mm256_set1_ps(0.71414f), kBlueCb = _mm256_set1_ps(1.772f);
    if (chromaRatio == 1) {
        for (int32_t x = 0; x < width; x += 8) {
            __m256 cb = _mm256_sub_ps(Floats(cbs + x), half), cr = _mm256_sub_ps(Floats(crs + x), half);
            __m256 redCr = _mm256_mul_ps(kRedCr, cr), greenCb = _mm256_mul_ps(kGreenCb, cb);
            __m256 greenCr = _mm256_mul_ps(kGreenCr, cr), blueCb = _mm256_mul_ps(kBlueCb, cb);
            StoreGroup(PackPixels(Floats(ys0 + x), redCr, greenCb, greenCr, blueCb), out0, x, width);
            StoreGroup(PackPixels(Floats(ys1 + x), redCr, greenCb, greenCr, blueCb), out1, x, width);
        }
        return;
    }
    const __m256i lowPairs = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3);
    const __m256i highPairs = _mm256_setr_epi32(4, 4, 5, 5, 6, 6, 7, 7);
    for (int32_t x = 0; x < width; x += 16) {
        __m256 cb = _mm256_sub_ps(Floats(cbs + x / 2), half), cr = _mm256_sub_ps(Floats(crs + x / 2), half);
        __m256 redCr = _mm256_mul_ps(kRedCr, cr), greenCb = _mm256_mul_ps(kGreenCb, cb);
        __m256 greenCr = _mm256_mul_ps(kGreenCr, cr), blueCb = _mm256_mul_ps(kBlueCb, cb);
        for (int part = 0; part < 2; ++part) {
            int32_t px = x + 8 * part;
            if (px >= width) break;
            __m256i pairs = part == 0 ? lowPairs : highPairs;
            __m256 r = _mm256_permutevar8x32_ps(redCr, pairs), gb = _mm256_permutevar8x32_ps(greenCb, pairs);
            __m256 gr = _mm256_permutevar8x32_ps(greenCr, pairs), b = _mm256_permutevar8x32_ps(blueCb, pairs);
            StoreGroup(PackPixels(Floats(ys0 + px), r, gb, gr, b), out0, px, width);
            StoreGroup(PackPixels(Floats(ys1 + px), r, gb, gr, b), out1, px, width);
        }
    }
}

#undef AVX2

const JpegKernels kAvx2 = {"avx2", TransformAvx2, ConvertRowAvx2, ConvertRowPairAvx2};

bool HasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
#endif

std::atomic<const JpegKernels*> gOverride{nullptr};

}  // namespace

const JpegKernels& JpegPortableKernels() { return kPortable; }

const JpegKernels* JpegAvx2Kernels() {
#ifdef UMBRAVEL_JPEG_AVX2
    // Checked once; no ifunc: its resolver would run before the sanitizers' run-time is up.
    static const bool present = HasAvx2();
    return present ? &kAvx2 : nullptr;
#else
    return nullptr;
#endif
}

const JpegKernels& JpegChosenKernels() {
    if (const JpegKernels* chosen = gOverride.load(std::memory_order_relaxed)) return *chosen;
    const JpegKernels* avx2 = JpegAvx2Kernels();
    return avx2 ? *avx2 : kPortable;
}

void JpegUseKernels(const JpegKernels& kernels) { gOverride.store(&kernels, std::memory_order_relaxed); }
