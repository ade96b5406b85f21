// jpeg_scan.cpp -- entropy decoding, IDCT and colour conversion of the one interleaved
// baseline scan. Not handled: progressive or arithmetic-coded scans, 12-bit samples,
// scans of fewer than three components.
//
// The bits are read ahead into a 64-bit accumulator, a word at a time where the data
// holds no 0xFF. One table look-up decodes a code of up to ten bits and says how many
// value bits follow it, which are extended without a branch; longer codes, and the bits
// at a marker or at the end of the file, take the bit-by-bit path. Both give the symbols, the messages and the failures
// that reading one bit at a time gives. Each row of MCUs is turned into picture rows as
// soon as it is decoded, so the planes hold one row of MCUs and stay in the cache.
#include <bit>
#include <cstdlib>
#include <cstring>

#include "codecs/jpeg_internal.h"
#include "codecs/jpeg_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// For the k-th coefficient of the zig-zag sequence: its natural position (row * 8 +
// column), and a bit for its row (bits 0..7) and one for its column (bits 8..15).
constexpr struct ZigZag {
    uint8_t natural[64] = {};
    uint16_t rowColumn[64] = {};
    constexpr ZigZag() {
        int row = 0, column = 0;
        for (int k = 0; k < 64; ++k) {
            natural[k] = static_cast<uint8_t>(row * 8 + column);
            rowColumn[k] = static_cast<uint16_t>((1u << row) | (1u << (8 + column)));
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

// ------------------------------------------------------------------ bit reader

void ResetReader(JpegDecoder& d) {
    d.reader.acc = 0;
    d.reader.bits = 0;
    d.reader.startPosition = d.position;
}

// True when one of the four bytes of w is 0xFF.
inline bool HasFF(uint32_t w) { return ((~w - 0x01010101u) & w & 0x80808080u) != 0; }

inline uint32_t BigEndian32(const uint8_t* p) {
    uint32_t w;
    std::memcpy(&w, p, 4);
    return __builtin_bswap32(w);
}

// Takes plain data bytes ahead until more than 56 bits are held; stops before a marker, a
// last byte 0xFF and the end of the file, which are read only when a bit is needed.
void Fill(JpegDecoder& d) {
    BitReader& r = d.reader;
    const uint8_t* data = d.source->data;
    const int32_t size = d.source->size;
    int32_t p = d.position;
    while (r.bits <= 56) {
        if (r.bits <= 32 && size - p >= 4) {
            uint32_t w;
            std::memcpy(&w, data + p, 4);
            if (!HasFF(w)) {
                r.acc |= uint64_t(BigEndian32(data + p)) << (32 - r.bits);
                r.bits += 32;
                p += 4;
                continue;
            }
        }
        if (p >= size) break;
        uint32_t byte = data[p];
        if (byte == 0xFF) {
            if (size - p < 2 || data[p + 1] != 0) break;
            p += 2;
        } else {
            p += 1;
        }
        r.acc |= uint64_t(byte) << (56 - r.bits);
        r.bits += 8;
    }
    d.position = p;
}

// The next byte of entropy-coded data when nothing was read ahead, the way reading one bit
// at a time takes it: past the end it reads 0 (and says so), and a 0xFF must be followed by
// a stuffed 0. 0 on failure, with its messages printed.
int FetchByte(JpegDecoder& d) {
    BitReader& r = d.reader;
    int32_t byte = ReadByte(d);
    if (byte == 0xFF) {
        int32_t stuffing = ReadByte(d);
        if (stuffing != 0) {
            JpegFail(kCodecErrorInvalid, "Error - get bit expected a stuffed byte of 0, found 0x%X\n", stuffing);
            CodecLogPrint("Error - get bit failed\n");
            return 0;
        }
    }
    r.acc = uint64_t(byte) << 56;
    r.bits = 8;
    return 1;
}

// Makes at least n bits (n <= 25) valid, reading ahead or byte by byte; 0 on failure.
inline int Need(JpegDecoder& d, int n) {
    BitReader& r = d.reader;
    if (r.bits >= n) return 1;
    Fill(d);
    while (r.bits < n) {
        // Only whole bytes are read from here on: the bits held so far move aside.
        uint64_t held = r.acc;
        int32_t heldBits = r.bits;
        if (!FetchByte(d)) return 0;
        r.acc = held | (r.acc >> heldBits);
        r.bits += heldBits;
    }
    return 1;
}

inline uint32_t Peek(const BitReader& r, int n) { return static_cast<uint32_t>(r.acc >> (64 - n)); }
inline void Skip(BitReader& r, int n) {
    r.acc <<= n;
    r.bits -= n;
}

// One bit, read the way NextBit reads it; 0 on failure.
inline int NextBit(JpegDecoder& d, int32_t* bit) {
    if (!Need(d, 1)) return 0;
    *bit = static_cast<int32_t>(Peek(d.reader, 1));
    Skip(d.reader, 1);
    return 1;
}

// The source position just after the last byte whose bits were used: the whole bytes
// still held were read ahead, each one byte of the file or a stuffed pair.
void SyncPosition(JpegDecoder& d) {
    const uint8_t* data = d.source->data;
    int32_t p = d.position;
    for (int32_t unused = d.reader.bits / 8; unused > 0; --unused) {
        // A 0xFF in the data always begins a stuffed pair, so a 0 after a 0xFF ends one.
        p -= (p - 2 >= d.reader.startPosition && data[p - 1] == 0 && data[p - 2] == 0xFF) ? 2 : 1;
    }
    d.position = p;
    d.reader.acc = 0;
    d.reader.bits = 0;
}

// The symbol, bit by bit (T.81 F.2.2.3); -1 on failure (with its messages printed).
// longer: the look-up found no code of its length or shorter.
int32_t HuffmanDecodeSlow(JpegDecoder& d, const HuffmanTable& t, bool longer) {
    BitReader& r = d.reader;
    if (r.bits >= 16) {
        // All sixteen bits are there: the search runs on them without reading, from the
        // first length the look-up has not ruled out.
        uint32_t peek = Peek(r, 16);
        for (int32_t l = longer ? kHuffmanLookupBits + 1 : 1; l <= 16; ++l) {
            int32_t code = static_cast<int32_t>(peek >> (16 - l));
            if (code <= t.maxcode[l]) {
                int32_t index = t.valptr[l] + code - t.mincode[l];
                if (index < 0 || index >= t.count) break;
                Skip(r, l);
                return t.huffval[index];
            }
        }
        JpegFail(kCodecErrorInvalid, "Error - Huffman decode failed\n");
        return -1;
    }
    int32_t code = 0;
    for (int32_t l = 1; l <= 16; ++l) {
        int32_t bit;
        if (!NextBit(d, &bit)) {
            CodecLogPrint("Error - Huffman decode failed\n");
            return -1;
        }
        code = 2 * code + bit;
        if (code <= t.maxcode[l]) {
            int32_t index = t.valptr[l] + code - t.mincode[l];
            if (index < 0 || index >= t.count) break;
            return t.huffval[index];
        }
    }
    // No code of up to 16 bits matches, or the match lies outside HUFFVAL: the table and
    // the data disagree.
    JpegFail(kCodecErrorInvalid, "Error - Huffman decode failed\n");
    return -1;
}

// The symbol at the head of the stream when the look-up could not take it whole; -1 on
// failure (with its messages printed).
int32_t HuffmanDecode(JpegDecoder& d, const HuffmanTable& t, int32_t entry) {
    if (entry == kLookupInvalid) {
        JpegFail(kCodecErrorInvalid, "Error - Huffman decode failed\n");
        return -1;
    }
    return HuffmanDecodeSlow(d, t, entry == kLookupLonger);
}

// Receive(s) then Extend(v, s); false on failure.
inline bool ReceiveExtend(JpegDecoder& d, int s, int32_t* value) {
    if (s == 0) {
        *value = 0;
        return true;
    }
    if (!Need(d, s)) {
        CodecLogPrint("Error - receive failed\n");
        return false;
    }
    int32_t v = static_cast<int32_t>(Peek(d.reader, s));
    Skip(d.reader, s);
    if (v < (1 << (s - 1))) v = v - (1 << s) + 1;
    *value = v;
    return true;
}

// ------------------------------------------------------------------ blocks

// As many whole bytes of plain data as fit from the next eight, when those bytes hold no
// 0xFF (the first eight bytes in memory are the low ones of w): the common case of Fill,
// kept inline.
inline bool QuickFill(const uint8_t* data, int32_t size, int32_t& position, uint64_t& acc, int32_t& bits) {
    if (size - position < 8) return false;
    uint64_t w;
    std::memcpy(&w, data + position, 8);
    const int32_t bytes = (63 - bits) >> 3;
    // Bit 7 of each byte that is 0xFF (and possibly of bytes after the first such one):
    // only a 0xFF among the bytes taken matters.
    const uint64_t ff = (~w - 0x0101010101010101ull) & w & 0x8080808080808080ull;
    if (ff != 0 && (__builtin_ctzll(ff) >> 3) < bytes) return false;
    // The bytes taken, lined up below the bits held; the rest of the word is dropped.
    acc |= (__builtin_bswap64(w) >> bits) & ~(~0ull >> (bits + 8 * bytes));
    bits += 8 * bytes;
    position += bytes;
    return true;
}

// The value of a look-up entry that the bits held cover, its bits taken from acc, without
// a branch: the value bits are masked out of the top of the stream after the code, and
// the bias is added when the first of them is 0.
inline int32_t TakeEntry(uint64_t& acc, int32_t& bits, int32_t entry) {
    const int32_t take = entry & kLookupTakeMask;
    const int32_t size = (entry >> 8) & 15;
    const int32_t bias = entry >> 16;
    const uint64_t afterCode = acc << (take - size);
    const int32_t raw = static_cast<int32_t>(std::rotl(afterCode, size)) & -bias;
    const int32_t firstBitSet = static_cast<int32_t>(static_cast<int64_t>(afterCode) >> 63);
    // One shift from the look-up to the next, the chain from symbol to symbol. The take
    // is below 64 here, and a shift count masked to six bits is what the processor uses
    // anyway, so no separate masking step lengthens the chain.
    acc <<= entry & 63;
    bits -= take;
    return raw + (bias & ~firstBitSet);
}

// A DC difference the look-up could not take, bit by bit; false on failure.
__attribute__((noinline)) bool DecodeDcSlow(JpegDecoder& d, const HuffmanTable& t, int32_t entry, int32_t* diff) {
    int32_t size = HuffmanDecode(d, t, entry);
    if (size < 0) return false;
    // Differences wider than 16 bits do not exist in 8-bit data.
    if (size > 16) return JpegFail(kCodecErrorInvalid, "Error - Huffman decode failed\n");
    return ReceiveExtend(d, size, diff);
}

// An AC symbol the look-up could not take, bit by bit, for coefficient k: *entry gets its
// run and end of block in the look-up's layout; false on failure.
__attribute__((noinline)) bool DecodeAcSlow(JpegDecoder& d, const HuffmanTable& t, int k, int32_t* entry,
                                            int32_t* value) {
    int32_t rs = HuffmanDecode(d, t, *entry);
    if (rs < 0) return false;
    int32_t size = rs & 15, run = rs >> 4;
    *value = 0;
    if (size != 0) {
        // A run past coefficient 63 is refused before its value bits are read.
        if (k + run > 63) return JpegFail(kCodecErrorInvalid, "Error - Huffman decode failed\n");
        if (!ReceiveExtend(d, size, value)) return false;
        *entry = run << 12;
    } else {
        *entry = run == 15 ? 15 << 12 : kLookupEndOfBlock;
    }
    return true;
}

// Entropy-decodes one block into natural order (block is all zeros on entry). *extent
// gets a bit for every row (bits 0..7) and column (8..15) of the block that holds a
// non-zero coefficient. The reader's bits are kept in locals and handed back to it around
// every slower step.
__attribute__((always_inline)) inline bool DecodeBlockBody(JpegDecoder& d, JpegComponent& c,
                                                           int32_t* __restrict block, uint32_t* extent) {
    BitReader& r = d.reader;
    const uint8_t* const data = d.source->data;
    const int32_t size = d.source->size;
    uint64_t acc = r.acc;
    int32_t bits = r.bits;
    int32_t position = d.position;
    auto handBack = [&] {
        r.acc = acc, r.bits = bits;
        d.position = position;
    };
    auto takeBack = [&] {
        acc = r.acc, bits = r.bits;
        position = d.position;
    };
    // After a refill at least 56 bits are held, unless a marker or the end of the data is
    // near; a symbol of the look-up takes at most 25, so two of them follow each refill
    // (and where fewer bits are held, the look-up's test sends a symbol the slow way).
    auto refill = [&] {
        if (!QuickFill(data, size, position, acc, bits)) {
            handBack();
            Fill(d);
            takeBack();
        }
    };

    refill();
    int32_t entry = c.dcTable->lookup[acc >> (64 - kHuffmanLookupBits)];
    int32_t diff;
    if ((entry & kLookupTakeMask) <= bits) {
        diff = TakeEntry(acc, bits, entry);
    } else {
        handBack();
        if (!DecodeDcSlow(d, *c.dcTable, entry, &diff)) return false;
        takeBack();
    }
    const int32_t dc = static_cast<int32_t>(static_cast<uint32_t>(c.dcPredictor) + static_cast<uint32_t>(diff));
    c.dcPredictor = dc;
    block[0] = dc;
    // Row 0 and column 0 are always transformed: the DC coefficient needs no bits.
    uint32_t extentBits = 0;

    // A symbol with a value places it after its run of zeros; sixteen zeros (ZRL) come as
    // a run of 15 and a value of 0, which places nothing. (Its bits in the extent only
    // add terms that are exact zeros to the transform.)
    const int32_t* lookup = c.acTable->lookup;
    for (int k = 1;;) {
        refill();
        for (int pair = 0; pair < 2; ++pair) {
            entry = lookup[acc >> (64 - kHuffmanLookupBits)];
            int32_t value;
            if (__builtin_expect((entry & kLookupTakeMask) <= bits, 1)) {
                value = TakeEntry(acc, bits, entry);
            } else {
                handBack();
                if (!DecodeAcSlow(d, *c.acTable, k, &entry, &value)) return false;
                takeBack();
            }
            if (entry & kLookupEndOfBlock) goto complete;
            k += (entry >> 12) & 15;
            // A run past coefficient 63 would write outside the block; sixteen zeros may
            // end at coefficient 63, and then only an end of block may follow.
            if (__builtin_expect(k >= 63, 0)) {
                if (k > 63) return JpegFail(kCodecErrorInvalid, "Error - Huffman decode failed\n");
                block[kZigZag.natural[63]] = value;
                extentBits |= kZigZag.rowColumn[63];
                if (value != 0) goto complete;
                ++k;
                continue;
            }
            block[kZigZag.natural[k]] = value;
            extentBits |= kZigZag.rowColumn[k];
            ++k;
        }
    }
complete:
    handBack();
    *extent = extentBits;
    return true;
}

// The block decode on its own (inlined into the scan loop it runs short of registers), once
// for any processor and, on x86, once with the BMI2 shifts, which take their count from
// any register: the decode shifts by a different count at nearly every step.
using BlockDecoder = bool (*)(JpegDecoder&, JpegComponent&, int32_t* __restrict, uint32_t*);

__attribute__((noinline)) bool DecodeBlock(JpegDecoder& d, JpegComponent& c, int32_t* __restrict block,
                                           uint32_t* extent) {
    return DecodeBlockBody(d, c, block, extent);
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((noinline, target("bmi,bmi2"))) bool DecodeBlockBmi2(JpegDecoder& d, JpegComponent& c,
                                                                   int32_t* __restrict block, uint32_t* extent) {
    return DecodeBlockBody(d, c, block, extent);
}
#endif

// The portable kernels go with the portable block decode, so that decodes with either set
// of kernels (which the tests compare) also compare the two block decodes.
BlockDecoder ChosenBlockDecoder(const JpegKernels& kernels) {
    if (&kernels == &JpegPortableKernels()) return DecodeBlock;
#if defined(__x86_64__) || defined(__i386__)
    static const bool bmi2 = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("bmi2") != 0;
    }();
    if (bmi2) return DecodeBlockBmi2;
#endif
    return DecodeBlock;
}

inline int HighestBit(uint32_t bits) { return bits ? 31 - __builtin_clz(bits) : 0; }

// Zeroes the 64 coefficients of a block with plain vector stores (a library call or a
// string instruction costs more for so few bytes).
inline void ClearBlock(int32_t* block) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < 64; i += 4) _mm_store_si128(reinterpret_cast<__m128i*>(block + i), zero);
#else
    std::memset(block, 0, 64 * sizeof(int32_t));
#endif
}

// block: 64 zeros on entry, and again on return.
bool DecodeMcu(JpegDecoder& d, int32_t mcuColumn, BlockDecoder decodeBlock, JpegTransformFunction transform,
               int32_t* __restrict block) {
    for (JpegComponent& c : d.components) {
        uint8_t* origin = c.plane + size_t(mcuColumn) * c.h * 8;
        for (int v = 0; v < c.v; ++v)
            for (int h = 0; h < c.h; ++h) {
                uint32_t extent = 0;
                if (!decodeBlock(d, c, block, &extent)) {
                    CodecLogPrint("Error - decode DCT coefficients failed\n");
                    return false;
                }
                transform(block, c.dequantise, HighestBit(extent & 0xFF), HighestBit(extent >> 8),
                          origin + size_t(v) * 8 * c.planeStride + size_t(h) * 8, c.planeStride);
                ClearBlock(block);
            }
    }
    return true;
}

// The picture rows of one decoded row of MCUs. A component whose samples cover more than
// one pixel vertically repeats its plane rows; horizontally the kernel repeats chroma over
// two pixels itself, and any other ratio is spread over a row of scratch first.
void ConvertMcuRow(JpegDecoder& d, int32_t mcuRow, const JpegKernels& kernels, uint8_t* scratch) {
    int32_t hMax = 1, vMax = 1;
    for (const JpegComponent& c : d.components) {
        if (c.h > hMax) hMax = c.h;
        if (c.v > vMax) vMax = c.v;
    }
    const JpegComponent* comps = d.components;
    int32_t hRatio[3], vRatio[3];
    for (int i = 0; i < 3; ++i) {
        hRatio[i] = hMax / comps[i].h;
        vRatio[i] = vMax / comps[i].v;
    }
    // The kernel repeats Cb and Cr by 1 or 2 when both repeat alike and Y is not repeated.
    bool direct = hRatio[0] == 1 && hRatio[1] == hRatio[2] && hRatio[1] <= 2;
    int32_t chromaRatio = direct ? hRatio[1] : 1;
    const int32_t width = d.width;
    int32_t first = mcuRow * 8 * vMax;
    int32_t last = first + 8 * vMax < d.height ? first + 8 * vMax : d.height;
    size_t scratchRow = size_t(d.mcusPerRow) * 8 * hMax;
    uint8_t* const pixels = d.image->pixels;
    const size_t rowBytes = size_t(width) * 3;
    int32_t y = first;
    if (direct && vRatio[0] == 1 && vRatio[1] == 2 && vRatio[2] == 2) {
        // Each row of Cb and Cr serves two picture rows: both are converted at once (the
        // first row of an MCU row is even, so the pairs never straddle a chroma row).
        for (; y + 1 < last; y += 2) {
            size_t chromaRow = size_t(y - first) / 2;
            const uint8_t* ys = comps[0].plane + size_t(y - first) * comps[0].planeStride;
            kernels.convertRowPair(ys, ys + comps[0].planeStride, comps[1].plane + chromaRow * comps[1].planeStride,
                                   comps[2].plane + chromaRow * comps[2].planeStride, width, chromaRatio,
                                   pixels + size_t(y) * rowBytes, pixels + size_t(y + 1) * rowBytes);
        }
    }
    for (; y < last; ++y) {
        const uint8_t* rows[3];
        for (int i = 0; i < 3; ++i) {
            const uint8_t* planeRow = comps[i].plane + size_t((y - first) / vRatio[i]) * comps[i].planeStride;
            if (direct || hRatio[i] == 1) {
                rows[i] = planeRow;
            } else {
                uint8_t* spread = scratch + size_t(i) * scratchRow;
                for (int32_t x = 0; x < width; ++x) spread[x] = planeRow[x / hRatio[i]];
                rows[i] = spread;
            }
        }
        kernels.convertRow(rows[0], rows[1], rows[2], width, chromaRatio, pixels + size_t(y) * rowBytes);
    }
}

}  // namespace

void ReleasePlanes(JpegDecoder& d) {
    // The three planes are one block, held by the first component.
    std::free(d.components[0].plane);
    for (JpegComponent& c : d.components) c.plane = nullptr;
    DestroyRgbImage(d.image);
    d.image = nullptr;
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

    // A further scan decodes into new planes and writes the picture again.
    static const char* const kNoMemory[3] = {
        "Error - insufficient memory to hold decoded Y component\n",
        "Error - insufficient memory to hold decoded Cb component\n",
        "Error - insufficient memory to hold decoded Cr component\n",
    };
    std::free(d.components[0].plane);
    size_t planeBytes[3], planeTotal = 0;
    for (int i = 0; i < 3; ++i) {
        JpegComponent& c = d.components[i];
        c.plane = nullptr;
        c.planeStride = size_t(d.mcusPerRow) * c.h * 8;
        planeBytes[i] = c.planeStride * c.v * 8;
        planeTotal += planeBytes[i];
    }
    // One block holds the three planes of a row of MCUs, reused by every row, then three
    // rows of scratch for the conversion of uneven ratios; the conversion reads whole
    // groups of samples, up to 64 bytes past them.
    size_t scratchBytes = size_t(d.mcusPerRow) * 8 * hMax * 3;
    uint8_t* block = static_cast<uint8_t*>(std::malloc(planeTotal + scratchBytes + 64));
    if (!block) return JpegFail(kCodecErrorMemory, "%s", kNoMemory[0]);
    for (size_t i = 0, offset = 0; i < 3; offset += planeBytes[i], ++i) d.components[i].plane = block + offset;
    uint8_t* scratch = block + planeTotal;
    if (!d.image) {
        d.image = CreateRgbImage(d.width, d.height);
        if (!d.image) return JpegFail(kCodecErrorMemory, "Error - insufficient memory to hold the decoded picture\n");
    }
    for (JpegComponent& c : d.components)
        for (int k = 0; k < 64; ++k) c.dequantise[kZigZag.natural[k]] = static_cast<float>(c.quantisation[k]);
    const JpegKernels& kernels = JpegChosenKernels();
    const BlockDecoder decodeBlock = ChosenBlockDecoder(kernels);

    for (JpegComponent& c : d.components) c.dcPredictor = 0;
    ResetReader(d);
    CodecLogPrint("\nDecoding MCU ");

    // Counters rather than divisions per MCU: the next MCU with a progress dot, the
    // column, the row, and the MCUs left until the next restart marker.
    int32_t dotEvery = total >= 40 ? total / 40 : 0;
    int32_t nextDot = dotEvery ? 0 : -1;
    int32_t interval = d.restartInterval;
    int32_t untilRestart = interval;
    int32_t expectedRestart = 0;
    int32_t mcuCount = d.mcusPerRow * d.mcuRows;
    int32_t mcuColumn = 0, mcuRow = 0;
    alignas(32) int32_t coefficients[64];
    ClearBlock(coefficients);
    for (int32_t i = 0; i < mcuCount; ++i) {
        if (i == nextDot) {
            CodecLogPrint(".");
            nextDot += dotEvery;
        }
        if (!DecodeMcu(d, mcuColumn, decodeBlock, kernels.transform, coefficients)) {
            CodecLogPrint("Error - decoding MCU failed\n");
            return 0;
        }
        if (++mcuColumn == d.mcusPerRow) {
            ConvertMcuRow(d, mcuRow++, kernels, scratch);
            mcuColumn = 0;
        }
        if (interval != 0 && --untilRestart == 0 && i != mcuCount - 1) {
            untilRestart = interval;
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

