// jpeg_internal.h -- the decoder's working state, shared by the header parse
// (jpeg_headers.cpp) and the scan decode (jpeg_scan.cpp). Nothing outside those two
// units includes it.
#pragma once

#include <cstdint>

#include "codecs/codec_log.h"
#include "codecs/image.h"

inline constexpr int kHuffmanLookupBits = 9;

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
    // The decode of every code of up to kHuffmanLookupBits bits, by the next bits of the
    // stream: (length << 8) | symbol; kLookupLonger when the code is longer (or absent),
    // kLookupInvalid when the code points outside HUFFVAL.
    uint16_t lookup[1 << kHuffmanLookupBits];
    // For AC tables: when the next bits hold a whole code and its value bits,
    // (value << 16) | (run << 8) | (code length + value length); else 0.
    int32_t fastAc[1 << kHuffmanLookupBits];
};
inline constexpr uint16_t kLookupLonger = 0;
inline constexpr uint16_t kLookupInvalid = 1;

struct JpegComponent {
    int32_t id;
    int32_t h, v;  // sampling factors
    int32_t tq;    // quantisation table id
    const uint8_t* quantisation;  // 64 values in zig-zag order
    const HuffmanTable* dcTable;
    const HuffmanTable* acTable;
    int32_t dcPredictor;
    uint8_t* plane;
};

inline constexpr int64_t kNoBit = INT64_MAX;

// The entropy-coded bits. Bytes are taken ahead of need into acc (stuffed 0xFF 0x00 pairs
// as one 0xFF); what NextBit would have seen one bit at a time is kept as bit positions
// (counted from the reader's reset) so that the messages and failures come at the same
// bit: the end of the file (zero bytes after it), a marker that stops the data, a last
// byte 0xFF whose stuffing byte lies past the end.
struct BitReader {
    uint64_t acc;       // left-aligned
    int32_t bits;       // valid bits in acc; negative only after reading into a marker
    int64_t appended;   // bits taken into acc since the reset
    int64_t consumed;   // bits handed out since the reset
    int64_t limit;      // the smallest of the three positions below
    int64_t padAt;      // first bit of the zero bytes after the end of the file
    int64_t markerAt;   // first bit of a marker's 0xFF
    int64_t ffAtEnd;    // first bit of a 0xFF that is the file's last byte
    int64_t padReported;  // zero bytes already reported
    int32_t markerCode;
    int32_t startPosition;     // source position at the reset
    int32_t positionAfter[16];  // source position after each taken byte, by byte index mod 16
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
// Fills result from the planes (after a successful parse); 1 on success.
int ConvertToRgb(JpegDecoder& d, RgbImage*& result);
void ReleasePlanes(JpegDecoder& d);
