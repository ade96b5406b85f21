// jpeg_internal.h -- the decoder's working state, shared by the header parse
// (jpeg_headers.cpp) and the scan decode (jpeg_scan.cpp). Nothing outside those two
// units includes it.
#pragma once

#include <cstdint>

#include "codecs/codec_log.h"
#include "codecs/image.h"

inline constexpr int kHuffmanLookupBits = 10;

struct HuffmanTable {
    int32_t defined;
    int32_t count;        // number of symbols: the sum of BITS
    int32_t bits[17];     // BITS[1..16]
    uint8_t* huffval;     // count symbols
    int32_t* huffsize;    // count sizes and a terminating 0
    int32_t* huffcode;    // count codes
    int32_t valptr[17];   // [1..16]
    int32_t mincode[17];  // [1..16]
    int32_t maxcode[17];  // [1..16]; -1 where no code has that length
    // By the next kHuffmanLookupBits bits of the stream: the code that starts there, see
    // the layout below.
    int32_t lookup[1 << kHuffmanLookupBits];
};
// A look-up entry, for a code of up to kHuffmanLookupBits bits:
//   bits 0..6    the bits it takes from the stream: the code and its value bits;
//   bit 7        end of block (an AC symbol of size 0 whose run is not 15);
//   bits 8..11   the size: how many value bits follow the code;
//   bits 12..15  the run of zeros before the coefficient (15 for sixteen zeros, no value);
//   bits 16..31  1 - 2^size, which turns the value bits into a negative value when the
//                first of them is 0 (T.81 F.2.2.1 Extend), and whose negation masks them.
// A DC entry has no run and no end of block. kLookupLonger (a longer code, or none, or a
// DC size the look-up does not take) and kLookupInvalid (a code whose symbol lies outside
// HUFFVAL) both take more bits than the reader ever holds, so one test picks the fast path.
inline constexpr int32_t kLookupTakeMask = 127;
inline constexpr int32_t kLookupEndOfBlock = 1 << 7;
inline constexpr int32_t kLookupLonger = 127;
inline constexpr int32_t kLookupInvalid = 126;
// The largest DC size the look-up takes; larger ones go bit by bit.
inline constexpr int32_t kLookupLargestDcSize = 15;

struct JpegComponent {
    int32_t id;
    int32_t h, v;  // sampling factors
    int32_t tq;    // quantisation table id
    const uint8_t* quantisation;  // 64 values in zig-zag order
    const HuffmanTable* dcTable;
    const HuffmanTable* acTable;
    int32_t dcPredictor;
    uint8_t* plane;       // the samples of one row of MCUs
    size_t planeStride;   // bytes per plane row
    float dequantise[64];  // the quantisation values as floats, in natural order
};

// The entropy-coded bits. Bytes are taken ahead of need into acc as long as they are plain
// data (a stuffed 0xFF 0x00 pair as one 0xFF); at a marker, at the end of the file or at a
// last byte 0xFF the taking ahead stops, and once those bits are used up the next byte is
// read only when a bit is needed, exactly as reading one bit at a time reads it, so the
// messages and failures come at the same bit.
struct BitReader {
    uint64_t acc;           // left-aligned; the bits below the valid ones are zero
    int32_t bits;           // valid bits in acc
    int32_t startPosition;  // source position at the reset
};

struct JpegDecoder {
    const FileBuffer* source;
    int32_t position;
    int32_t restartInterval;
    HuffmanTable dcTables[4];
    HuffmanTable acTables[4];
    uint8_t* quantisation[4];
    JpegComponent components[3];
    int32_t height, width;
    int32_t mcusPerRow, mcuRows;
    BitReader reader;
    int32_t scansDecoded;
    RgbImage* image;  // written row by row as each row of MCUs is decoded
};

// Prints through the CodecLog, sets the code and returns 0: one line per refusal.
int JpegFail(int32_t code, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Sets the code and returns 0 without a line of its own: for refusals that the caller's
// failure line describes well enough.
int JpegRefuse(int32_t code);

// Byte reading: past the end a read gives 0, reports it and leaves the position.
inline int32_t ReadByte(JpegDecoder& d) {
    if (d.position < d.source->size) return d.source->data[d.position++];
    CodecLogPrint("Error - JPEG decoder has gone past end of file\n");
    return 0;
}
inline void UnreadByte(JpegDecoder& d) { --d.position; }
inline int32_t ReadWord(JpegDecoder& d) {
    int32_t high = ReadByte(d);
    return (high << 8) | ReadByte(d);
}
// 1 with the marker code in *code when a 0xFF comes next; fill bytes are not skipped.
int ReadMarker(JpegDecoder& d, int32_t* code);

// The scan, from the byte after the SOS marker; 1 on success.
int DecodeScan(JpegDecoder& d);
// Frees the planes and the picture (after a failure, or once the picture is handed on).
void ReleasePlanes(JpegDecoder& d);
