// jpeg_scan.cpp -- entropy decoding, IDCT and colour conversion of the one interleaved
// baseline scan. Not handled: progressive or arithmetic-coded scans, 12-bit samples,
// scans of fewer than three components.
//
// The bits are read ahead into a 64-bit accumulator and codes of up to nine bits are
// decoded by one table look-up; longer codes take the bit-by-bit path. Both give the
// symbols, the messages and the failures that reading one bit at a time gives.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "codecs/jpeg_internal.h"

namespace {

// Eight lanes of single precision, and the lane types the samples pass through.
typedef float Floats8 __attribute__((vector_size(32)));
typedef int32_t Ints8 __attribute__((vector_size(32)));
typedef uint8_t Bytes8 __attribute__((vector_size(8)));

// Eight floats from memory of any alignment (filled in place: a vector is never passed by
// value between functions built for different instruction sets).
inline void Load8(Floats8& v, const float* p) { std::memcpy(&v, p, sizeof v); }

// kZigZag[k]: the natural (row * 8 + column) position of the k-th coefficient.
constexpr struct ZigZag {
    uint8_t natural[64] = {};
    constexpr ZigZag() {
        int row = 0, column = 0;
        for (int k = 0; k < 64; ++k) {
            natural[k] = static_cast<uint8_t>(row * 8 + column);
            if ((row + column) % 2 == 0) {  // moving up and to the right
                if (column == 7) ++row;
                else if (row == 0) ++column;
                else --row, ++column;
            } else {  // moving down and to the left
                if (row == 7) ++column;
                else if (column == 0) ++row;
                else ++row, --column;
            }
        }
    }
} kZigZag;

// kBasis[f][n] = C(f) / 2 * cos((2n + 1) f pi / 16): one pass of the 8-point inverse
// transform is out[n] = sum over f of kBasis[f][n] * in[f]; two passes give the 1/4.
struct Basis {
    float value[8][8];
    Basis() {
        for (int f = 0; f < 8; ++f)
            for (int n = 0; n < 8; ++n) {
                double c = f == 0 ? std::sqrt(0.5) : 1.0;
                value[f][n] = static_cast<float>(c / 2.0 * std::cos((2 * n + 1) * f * M_PI / 16.0));
            }
    }
};
const Basis kBasis;

// ------------------------------------------------------------------ bit reader

void ResetReader(JpegDecoder& d) {
    BitReader& r = d.reader;
    r.acc = 0;
    r.bits = 0;
    r.appended = 0;
    r.consumed = 0;
    r.limit = kNoBit;
    r.padAt = kNoBit;
    r.markerAt = kNoBit;
    r.ffAtEnd = kNoBit;
    r.padReported = 0;
    r.markerCode = 0;
    r.startPosition = d.position;
}

inline void Append(BitReader& r, uint32_t byte, int32_t positionAfter) {
    r.acc |= uint64_t(byte) << (56 - r.bits);
    r.positionAfter[(r.appended >> 3) & 15] = positionAfter;
    r.bits += 8;
    r.appended += 8;
}

// Takes bytes until more than 56 bits are held, or a marker stops the data.
void Fill(JpegDecoder& d) {
    BitReader& r = d.reader;
    const uint8_t* data = d.source->data;
    const int32_t size = d.source->size;
    while (r.bits <= 56) {
        if (r.markerAt != kNoBit) return;
        int32_t p = d.position;
        if (p >= size) {
            // Past the end NextBit reads zero bytes and reports each one it starts on.
            if (r.padAt == kNoBit) {
                r.padAt = r.appended;
                if (r.padAt < r.limit) r.limit = r.padAt;
            }
            Append(r, 0, size);
            continue;
        }
        uint32_t byte = data[p];
        if (byte != 0xFF) {
            Append(r, byte, p + 1);
            d.position = p + 1;
        } else if (p + 1 >= size) {
            // A last byte 0xFF is data whose stuffing byte would be read past the end.
            r.ffAtEnd = r.appended;
            if (r.ffAtEnd < r.limit) r.limit = r.ffAtEnd;
            Append(r, 0xFF, size);
            d.position = size;
        } else if (data[p + 1] == 0) {
            Append(r, 0xFF, p + 2);
            d.position = p + 2;
        } else {
            r.markerAt = r.appended;
            r.markerCode = data[p + 1];
            if (r.markerAt < r.limit) r.limit = r.markerAt;
            return;
        }
    }
}

// Called when the bits handed out pass one of the reader's marked positions; 0 when the
// data stops at a marker there.
int CrossLimit(BitReader& r) {
    if (r.consumed > r.markerAt) {
        JpegFail(kCodecErrorInvalid, "Error - get bit expected a stuffed byte of 0, found 0x%X\n", r.markerCode);
        CodecLogPrint("Error - get bit failed\n");
        return 0;
    }
    if (r.consumed > r.ffAtEnd) {
        CodecLogPrint("Error - JPEG decoder has gone past end of file\n");
        r.ffAtEnd = kNoBit;
    }
    if (r.consumed > r.padAt) {
        int64_t entered = (r.consumed - r.padAt + 7) / 8;
        for (; r.padReported < entered; ++r.padReported) CodecLogPrint("Error - JPEG decoder has gone past end of file\n");
    }
    // Fewer messages only ever follow: the next report comes at the next zero byte.
    r.limit = r.markerAt;
    if (r.ffAtEnd < r.limit) r.limit = r.ffAtEnd;
    if (r.padAt != kNoBit && r.padAt + r.padReported * 8 < r.limit) r.limit = r.padAt + r.padReported * 8;
    return 1;
}

inline int Consume(BitReader& r, int n) {
    r.acc <<= n;
    r.bits -= n;
    r.consumed += n;
    if (r.consumed > r.limit) return CrossLimit(r);
    return 1;
}

// The source position just after the last byte whose bits were used.
void SyncPosition(JpegDecoder& d) {
    const BitReader& r = d.reader;
    int64_t used = (r.consumed + 7) / 8;
    d.position = used == 0 ? r.startPosition : r.positionAfter[(used - 1) & 15];
}

// -1 on failure (with its messages printed).
inline int32_t HuffmanDecode(JpegDecoder& d, const HuffmanTable& t) {
    BitReader& r = d.reader;
    if (r.bits < 16) Fill(d);
    uint16_t entry = t.lookup[r.acc >> (64 - kHuffmanLookupBits)];
    if (entry > kLookupInvalid) {
        if (!Consume(r, entry >> 8)) {
            CodecLogPrint("Error - Huffman decode failed\n");
            return -1;
        }
        return entry & 0xFF;
    }
    if (entry == kLookupLonger) {
        uint32_t peek = static_cast<uint32_t>(r.acc >> 48);
        int32_t code = peek >> 15;
        for (int32_t l = 1; l <= 16; ++l) {
            if (code <= t.maxcode[l]) {
                int32_t index = t.valptr[l] + code - t.mincode[l];
                if (index < 0 || index >= t.count) break;
                if (!Consume(r, l)) break;
                return t.huffval[index];
            }
            if (l < 16) code = 2 * code + ((peek >> (15 - l)) & 1);
        }
        if (r.consumed > r.markerAt || (r.markerAt != kNoBit && r.bits < 16 && !Consume(r, r.bits + 1))) {
            // The bit-by-bit read reaches the marker before it gives up on the code.
            CodecLogPrint("Error - Huffman decode failed\n");
            return -1;
        }
        // No code of up to 16 bits matches: the table and the data disagree.
    }
    JpegFail(kCodecErrorInvalid, "Error - Huffman decode failed\n");
    return -1;
}

// Receive(s) then Extend(v, s); false on failure.
inline bool ReceiveExtend(JpegDecoder& d, int s, int32_t* value) {
    BitReader& r = d.reader;
    if (s == 0) {
        *value = 0;
        return true;
    }
    if (r.bits < s) Fill(d);
    int32_t v = static_cast<int32_t>(r.acc >> (64 - s));
    if (!Consume(r, s)) {
        CodecLogPrint("Error - receive failed\n");
        return false;
    }
    if (v < (1 << (s - 1))) v = v - (1 << s) + 1;
    *value = v;
    return true;
}

// ------------------------------------------------------------------ blocks

// Entropy-decodes one block and dequantises it into natural order. rows and columns get
// a bit for every row and column of the block that holds a non-zero coefficient.
bool DecodeBlock(JpegDecoder& d, JpegComponent& c, float block[64], uint32_t* rows, uint32_t* columns) {
    std::memset(block, 0, 64 * sizeof(float));
    const uint8_t* q = c.quantisation;

    int32_t t = HuffmanDecode(d, *c.dcTable);
    if (t < 0) return false;
    // Differences wider than 16 bits do not exist in 8-bit data.
    if (t > 16) return JpegFail(kCodecErrorInvalid, "Error - Huffman decode failed\n");
    int32_t diff;
    if (!ReceiveExtend(d, t, &diff)) return false;
    c.dcPredictor = static_cast<int32_t>(static_cast<uint32_t>(c.dcPredictor) + static_cast<uint32_t>(diff));
    uint32_t rowBits = 0, columnBits = 0;
    if (c.dcPredictor != 0) {
        block[0] = static_cast<float>(c.dcPredictor) * static_cast<float>(q[0]);
        rowBits = columnBits = 1;
    }

    const HuffmanTable& ac = *c.acTable;
    BitReader& r = d.reader;
    for (int k = 1;;) {
        if (r.bits < 16) Fill(d);
        int32_t fast = ac.fastAc[r.acc >> (64 - kHuffmanLookupBits)];
        int n = fast & 15;
        // Only where no marked position lies within the bits: those take the slow path.
        if (fast != 0 && r.consumed + n <= r.limit) {
            r.acc <<= n;
            r.bits -= n;
            r.consumed += n;
            k += (fast >> 8) & 15;
            if (k > 63) return JpegFail(kCodecErrorInvalid, "Error - Huffman decode failed\n");
            int32_t value = fast >> 16;
            int natural = kZigZag.natural[k];
            block[natural] = static_cast<float>(value) * static_cast<float>(q[k]);
            rowBits |= 1u << (natural >> 3);
            columnBits |= 1u << (natural & 7);
            if (k == 63) break;
            ++k;
            continue;
        }
        int32_t rs = HuffmanDecode(d, ac);
        if (rs < 0) return false;
        int s = rs & 15, run = rs >> 4;
        if (s != 0) {
            k += run;
            // A run past coefficient 63 would write outside the block.
            if (k > 63) return JpegFail(kCodecErrorInvalid, "Error - Huffman decode failed\n");
            int32_t value;
            if (!ReceiveExtend(d, s, &value)) return false;
            if (value != 0) {
                int n = kZigZag.natural[k];
                block[n] = static_cast<float>(value) * static_cast<float>(q[k]);
                rowBits |= 1u << (n >> 3);
                columnBits |= 1u << (n & 7);
            }
            if (k == 63) break;
            ++k;
        } else if (run == 15) {
            k += 16;
            // Sixteen zeros may end at coefficient 63, never beyond it.
            if (k > 64) return JpegFail(kCodecErrorInvalid, "Error - Huffman decode failed\n");
        } else {
            break;
        }
    }
    *rows = rowBits;
    *columns = columnBits;
    return true;
}

inline uint8_t ToSample(float result) {
    float v = result + 128.0f;
    v = v < 0.0f ? 0.0f : v;
    v = v > 255.0f ? 255.0f : v;
    return static_cast<uint8_t>(static_cast<int32_t>(v));
}

// Inverse DCT of a dequantised block in natural order, level shift and clamp, written
// into a plane. Columns first (vertical frequencies to rows), then rows; zero rows and
// columns of coefficients add nothing and are left out.
inline __attribute__((always_inline)) void TransformBody(const float block[64], uint32_t rows, uint32_t columns,
                                                       uint8_t* out, size_t stride) {
    if (rows <= 1 && columns <= 1) {
        // Only the DC coefficient: every sample is DC / 8, which single precision holds
        // exactly.
        std::memset(out, ToSample(block[0] * 0.125f), 8);
        for (int y = 1; y < 8; ++y) std::memcpy(out + y * stride, out, 8);
        return;
    }
    // Each output row is a sum of rows scaled by one value each: eight lanes at once, in
    // the order of the rows, so the sums are those of the scalar loops.
    Floats8 t[8];
    for (int y = 0; y < 8; ++y) {
        Floats8 acc = {};
        for (uint32_t m = rows; m; m &= m - 1) {
            int v = __builtin_ctz(m);
            Floats8 row;
            Load8(row, block + v * 8);
            acc += kBasis.value[v][y] * row;
        }
        t[y] = acc;
    }
    for (int y = 0; y < 8; ++y) {
        Floats8 acc = {};
        for (uint32_t m = columns; m; m &= m - 1) {
            int u = __builtin_ctz(m);
            Floats8 basis;
            Load8(basis, kBasis.value[u]);
            acc += t[y][u] * basis;
        }
        // Level shift, clamp to 0..255 and truncate, as ToSample does.
        Floats8 v = acc + 128.0f;
        v = v < 0.0f ? Floats8{} : v;
        v = v > 255.0f ? Floats8{} + 255.0f : v;
        Bytes8 samples = __builtin_convertvector(__builtin_convertvector(v, Ints8), Bytes8);
        std::memcpy(out + y * stride, &samples, 8);
    }
}

// The transform and the row conversion are built twice, for AVX2 and for any x86-64, and
// chosen once on first use: the same operations in the same order, so the results do not
// depend on the processor. (No ifunc: its resolver would run before the sanitizers'
// run-time is up.)
using TransformFunction = void (*)(const float*, uint32_t, uint32_t, uint8_t*, size_t);
__attribute__((target("avx2"))) void TransformAvx2(const float* block, uint32_t rows, uint32_t columns, uint8_t* out,
                                                   size_t stride) {
    TransformBody(block, rows, columns, out, stride);
}
void TransformBaseline(const float* block, uint32_t rows, uint32_t columns, uint8_t* out, size_t stride) {
    TransformBody(block, rows, columns, out, stride);
}
bool HasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
TransformFunction ChosenTransform() {
    static const TransformFunction chosen = HasAvx2() ? TransformAvx2 : TransformBaseline;
    return chosen;
}

bool DecodeMcu(JpegDecoder& d, int32_t i) {
    const TransformFunction InverseTransformBlock = ChosenTransform();
    int32_t mcuColumn = i % d.mcusPerRow, mcuRow = i / d.mcusPerRow;
    alignas(32) float block[64];
    for (JpegComponent& c : d.components) {
        size_t stride = size_t(d.mcusPerRow) * c.h * 8;
        for (int v = 0; v < c.v; ++v)
            for (int h = 0; h < c.h; ++h) {
                uint32_t rows = 0, columns = 0;
                if (!DecodeBlock(d, c, block, &rows, &columns)) {
                    CodecLogPrint("Error - decode DCT coefficients failed\n");
                    return false;
                }
                size_t y = (size_t(mcuRow) * c.v + v) * 8, x = (size_t(mcuColumn) * c.h + h) * 8;
                InverseTransformBlock(block, rows, columns, c.plane + y * stride + x, stride);
            }
    }
    return true;
}

}  // namespace

void ReleasePlanes(JpegDecoder& d) {
    for (JpegComponent& c : d.components) {
        std::free(c.plane);
        c.plane = nullptr;
    }
}

int DecodeScan(JpegDecoder& d) {
    int32_t length = ReadWord(d);
    CodecLogPrint("Found start of scan of length %0d\n", length);
    int32_t count = ReadByte(d);
    if (count != 3)
        return JpegFail(kCodecErrorUnsupported, "Error - expected 3 components in the scan, found %0d\n", count);

    static const char* const kDcLine[3] = {"Y  - DC: %0d ", "Cb - DC: %0d ", "Cr - DC: %0d "};
    for (int i = 0; i < 3; ++i) {
        JpegComponent& c = d.components[i];
        int32_t id = ReadByte(d);
        if (id != i + 1)
            return JpegFail(kCodecErrorInvalid, "Error - expected a component id of %d in the scan, found %0d\n", i + 1, id);
        int32_t tables = ReadByte(d);
        int32_t dc = tables >> 4, ac = tables & 15;
        // Ids beyond 3 name no table: they read as undefined.
        if (dc > 3 || !d.dcTables[dc].defined)
            return JpegFail(kCodecErrorInvalid, "Error - DC Huffman table %0d has not been defined\n", dc);
        CodecLogPrint(kDcLine[i], dc);
        if (ac > 3 || !d.acTables[ac].defined)
            return JpegFail(kCodecErrorInvalid, "Error - AC Huffman table %0d has not been defined\n", ac);
        CodecLogPrint("AC: %0d \n", ac);
        c.dcTable = &d.dcTables[dc];
        c.acTable = &d.acTables[ac];
    }
    for (JpegComponent& c : d.components) {
        if (c.tq > 3 || !d.quantisation[c.tq])
            return JpegFail(kCodecErrorInvalid, "Error - quantisation table %0d has not been defined\n", c.tq);
        c.quantisation = d.quantisation[c.tq];
    }
    static const int32_t kExpected[3] = {0, 63, 0};
    for (int32_t expected : kExpected)
        if (ReadByte(d) != expected)
            return JpegFail(kCodecErrorInvalid, "Error - last 3 bytes of scan header have invalid values\n");

    int32_t hMax = 1, vMax = 1;
    for (const JpegComponent& c : d.components) {
        if (c.h > hMax) hMax = c.h;
        if (c.v > vMax) vMax = c.v;
    }
    d.mcusPerRow = (d.width + 8 * hMax - 1) / (8 * hMax);
    d.mcuRows = (d.height + 8 * vMax - 1) / (8 * vMax);
    int32_t total = d.mcusPerRow * d.mcuRows;
    CodecLogPrint("MCU: H %0d, V: %0d, total: %0d\n", d.mcusPerRow, d.mcuRows, total);

    // A further scan decodes into new planes.
    ReleasePlanes(d);
    static const char* const kNoMemory[3] = {
        "Error - insufficient memory to hold decoded Y component\n",
        "Error - insufficient memory to hold decoded Cb component\n",
        "Error - insufficient memory to hold decoded Cr component\n",
    };
    for (int i = 0; i < 3; ++i) {
        JpegComponent& c = d.components[i];
        c.plane = static_cast<uint8_t*>(std::malloc(size_t(c.h) * c.v * size_t(total) * 64));
        if (!c.plane) return JpegFail(kCodecErrorMemory, "%s", kNoMemory[i]);
    }

    for (JpegComponent& c : d.components) c.dcPredictor = 0;
    ResetReader(d);
    CodecLogPrint("\nDecoding MCU ");

    int32_t dotEvery = total >= 40 ? total / 40 : 0;
    int32_t interval = d.restartInterval;
    int32_t expectedRestart = 0;
    for (int32_t i = 0; i < total; ++i) {
        if (dotEvery && i % dotEvery == 0) CodecLogPrint(".");
        if (!DecodeMcu(d, i)) {
            CodecLogPrint("Error - decoding MCU failed\n");
            return 0;
        }
        if (interval != 0 && i % interval == interval - 1 && i != total - 1) {
            // The bits left in the byte before the marker are dropped.
            SyncPosition(d);
            int32_t code;
            if (!ReadMarker(d, &code)) {
                CodecLogPrint("Error - a marker was expected, but not found\n");
                return 0;
            }
            if ((code & ~7) != 0xD0)
                return JpegFail(kCodecErrorInvalid, "Error - expected an RSTm marker, found 0x%02X\n", code);
            if ((code & 15) != expectedRestart)
                return JpegFail(kCodecErrorInvalid, "Error - expected restart marker RST%0d, found RST%0d\n",
                                expectedRestart, code & 15);
            expectedRestart = (expectedRestart + 1) & 7;
            for (JpegComponent& c : d.components) c.dcPredictor = 0;
            ResetReader(d);
        }
    }
    SyncPosition(d);
    CodecLogPrint("\n");
    return 1;
}

// One row of pixels from its Y, Cb and Cr samples. The channels are computed apart
// (channels: 3 x width bytes of scratch) so that the arithmetic runs on whole vectors.
static inline __attribute__((always_inline)) void ConvertRowBody(
    const uint8_t* __restrict ys, const uint8_t* __restrict cbs, const uint8_t* __restrict crs, int32_t width,
    uint8_t* __restrict channels, uint8_t* __restrict out) {
    uint8_t* __restrict reds = channels;
    uint8_t* __restrict greens = channels + width;
    uint8_t* __restrict blues = channels + 2 * width;
    for (int32_t x = 0; x < width; ++x) {
        float luma = static_cast<float>(ys[x]);
        float cb = static_cast<float>(cbs[x]) - 128.0f;
        float cr = static_cast<float>(crs[x]) - 128.0f;
        int32_t r = static_cast<int32_t>(luma + 1.402f * cr);
        int32_t g = static_cast<int32_t>(luma - 0.34414f * cb - 0.71414f * cr);
        int32_t b = static_cast<int32_t>(luma + 1.772f * cb);
        reds[x] = static_cast<uint8_t>(r < 0 ? 0 : r > 255 ? 255 : r);
        greens[x] = static_cast<uint8_t>(g < 0 ? 0 : g > 255 ? 255 : g);
        blues[x] = static_cast<uint8_t>(b < 0 ? 0 : b > 255 ? 255 : b);
    }
    for (int32_t x = 0; x < width; ++x) {
        out[3 * x + 0] = reds[x];
        out[3 * x + 1] = greens[x];
        out[3 * x + 2] = blues[x];
    }
}

using ConvertRowFunction = void (*)(const uint8_t*, const uint8_t*, const uint8_t*, int32_t, uint8_t*, uint8_t*);
__attribute__((target("avx2"))) static void ConvertRowAvx2(const uint8_t* ys, const uint8_t* cbs, const uint8_t* crs,
                                                           int32_t width, uint8_t* channels, uint8_t* out) {
    ConvertRowBody(ys, cbs, crs, width, channels, out);
}
static void ConvertRowBaseline(const uint8_t* ys, const uint8_t* cbs, const uint8_t* crs, int32_t width,
                               uint8_t* channels, uint8_t* out) {
    ConvertRowBody(ys, cbs, crs, width, channels, out);
}

int ConvertToRgb(JpegDecoder& d, RgbImage*& result) {
    static const ConvertRowFunction ConvertRow = HasAvx2() ? ConvertRowAvx2 : ConvertRowBaseline;
    result = nullptr;
    RgbImage* image = CreateRgbImage(d.width, d.height);
    if (!image) {
        JpegFail(kCodecErrorMemory, "Error decoding file\n");
        return 0;
    }
    int32_t hMax = 1, vMax = 1;
    for (const JpegComponent& c : d.components) {
        if (c.h > hMax) hMax = c.h;
        if (c.v > vMax) vMax = c.v;
    }
    const int32_t width = d.width;
    int32_t paddedWidth = d.mcusPerRow * 8 * hMax;

    // Each component's samples for one output row, repeated over the pixels they cover.
    uint8_t* rowsBlock = static_cast<uint8_t*>(std::malloc(size_t(width) * 6));
    int32_t* columnMap = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * size_t(width) * 3));
    if (!rowsBlock || !columnMap) {
        std::free(rowsBlock);
        std::free(columnMap);
        DestroyRgbImage(image);
        JpegFail(kCodecErrorMemory, "Error decoding file\n");
        return 0;
    }
    uint8_t* channels = rowsBlock + size_t(width) * 3;
    int32_t hRatio[3], vRatio[3], planeWidth[3];
    bool direct[3];
    for (int i = 0; i < 3; ++i) {
        const JpegComponent& c = d.components[i];
        hRatio[i] = hMax / c.h;
        vRatio[i] = vMax / c.v;
        planeWidth[i] = paddedWidth / hRatio[i];
        direct[i] = hRatio[i] == 1;
        for (int32_t x = 0; x < width; ++x) columnMap[i * width + x] = x / hRatio[i];
    }

    for (int32_t y = 0; y < d.height; ++y) {
        const uint8_t* samples[3];
        for (int i = 0; i < 3; ++i) {
            const uint8_t* planeRow = d.components[i].plane + size_t(y / vRatio[i]) * size_t(planeWidth[i]);
            if (direct[i]) {
                samples[i] = planeRow;
            } else {
                uint8_t* row = rowsBlock + size_t(i) * width;
                const int32_t* map = columnMap + i * width;
                for (int32_t x = 0; x < width; ++x) row[x] = planeRow[map[x]];
                samples[i] = row;
            }
        }
        ConvertRow(samples[0], samples[1], samples[2], width, channels, image->pixels + size_t(y) * size_t(width) * 3);
    }
    std::free(rowsBlock);
    std::free(columnMap);
    result = image;
    return 1;
}
