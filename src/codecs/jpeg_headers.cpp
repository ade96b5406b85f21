// jpeg_headers.cpp -- DecodeJpeg's entry, the byte reader and every marker segment up to
// the scan: SOI, the JFIF APP0, DQT, DHT, DRI, SOF0 and the segments that are skipped.
// Not handled: any frame type but SOF0, 12-bit samples, other than three components,
// files that do not begin with a JFIF APP0.
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "codecs/jpeg.h"
#include "codecs/jpeg_internal.h"

int JpegFail(int32_t code, const char* format, ...) {
    if (CodecLogGetSink()) {
        char text[1024];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        CodecLogPrint("%s", text);
    }
    CodecLogSetError(code);
    return 0;
}

int JpegRefuse(int32_t code) {
    CodecLogSetError(code);
    return 0;
}

int ReadMarker(JpegDecoder& d, int32_t* code) {
    int32_t b = ReadByte(d);
    if (b != 0xFF) return JpegFail(kCodecErrorInvalid, "Error - expected byte 0xFF, found 0x%02X\n", b);
    *code = ReadByte(d);
    return 1;
}

namespace {

void FreeHuffmanTable(HuffmanTable& t) {
    std::free(t.huffval);
    std::free(t.huffsize);
    std::free(t.huffcode);
    t.huffval = nullptr;
    t.huffsize = nullptr;
    t.huffcode = nullptr;
}

void ReleaseTables(JpegDecoder& d) {
    for (int i = 0; i < 4; ++i) {
        std::free(d.quantisation[i]);
        d.quantisation[i] = nullptr;
        FreeHuffmanTable(d.dcTables[i]);
        FreeHuffmanTable(d.acTables[i]);
    }
}

// A DC symbol is the size itself; an AC symbol holds the run in bits 4 to 7.
int32_t ValueSize(int32_t symbol, bool dc) { return dc ? symbol : symbol & 15; }

// The look-up entry for a code of the given length and its symbol.
int32_t LookupEntry(int32_t length, int32_t symbol, bool dc) {
    int32_t size = ValueSize(symbol, dc);
    if (dc && size > kLookupLargestDcSize) return kLookupLonger;
    int32_t run = dc ? 0 : symbol >> 4;
    int32_t end = 0;
    if (!dc && size == 0 && run != 15) run = 0, end = kLookupEndOfBlock;
    int32_t bias = 1 - (1 << size);
    return int32_t(uint32_t(bias) << 16) | (run << 12) | (size << 8) | end | (length + size);
}

// The decode of each stream prefix of kHuffmanLookupBits bits, as the bit-by-bit decode
// (MAXCODE, VALPTR, MINCODE) finds it. A table whose codes fit their lengths (the sum of
// 2^-length over its codes is at most 1) decodes a prefix to the code it starts with, so
// each code fills its range of prefixes; an over-full table is followed bit by bit.
void BuildLookup(HuffmanTable& t, bool dc) {
    constexpr int32_t kSize = 1 << kHuffmanLookupBits;
    int64_t kraft = 0;
    for (int32_t l = 1; l <= 16; ++l) kraft += int64_t(t.bits[l]) << (16 - l);
    if (kraft <= (int64_t(1) << 16)) {
        for (int32_t prefix = 0; prefix < kSize; ++prefix) t.lookup[prefix] = kLookupLonger;
        for (int32_t i = 0; i < t.count && t.huffsize[i] <= kHuffmanLookupBits; ++i) {
            int32_t length = t.huffsize[i], first = t.huffcode[i] << (kHuffmanLookupBits - length);
            int32_t symbol = t.huffval[i], end = first + (1 << (kHuffmanLookupBits - length));
            int32_t entry = LookupEntry(length, symbol, dc);
            for (int32_t prefix = first; prefix < end; ++prefix) t.lookup[prefix] = entry;
        }
        return;
    }
    for (int32_t prefix = 0; prefix < kSize; ++prefix) {
        int32_t entry = kLookupLonger;
        int32_t code = prefix >> (kHuffmanLookupBits - 1);
        for (int32_t l = 1; l <= kHuffmanLookupBits; ++l) {
            if (code <= t.maxcode[l]) {
                int32_t index = t.valptr[l] + code - t.mincode[l];
                entry = (index < 0 || index >= t.count) ? kLookupInvalid : LookupEntry(l, t.huffval[index], dc);
                break;
            }
            if (l < kHuffmanLookupBits) code = 2 * code + ((prefix >> (kHuffmanLookupBits - 1 - l)) & 1);
        }
        t.lookup[prefix] = entry;
    }
}

// Files of one kind (the video frames, a camera's pictures) carry the same tables again
// and again: each thread keeps the last few look-ups it built, by table contents.
void BuildCachedLookup(HuffmanTable& t, bool dc) {
    struct Built {
        bool used, dc;
        int32_t bits[17];
        uint8_t huffval[256];
        int32_t lookup[1 << kHuffmanLookupBits];
    };
    constexpr int kSlots = 4;
    static thread_local Built cache[kSlots];
    static thread_local int next = 0;
    for (Built& b : cache) {
        if (b.used && b.dc == dc && std::memcmp(b.bits, t.bits, sizeof b.bits) == 0 &&
            std::memcmp(b.huffval, t.huffval, size_t(t.count)) == 0) {
            std::memcpy(t.lookup, b.lookup, sizeof t.lookup);
            return;
        }
    }
    BuildLookup(t, dc);
    Built& b = cache[next];
    next = (next + 1) % kSlots;
    b.used = true;
    b.dc = dc;
    std::memcpy(b.bits, t.bits, sizeof b.bits);
    std::memcpy(b.huffval, t.huffval, size_t(t.count));
    std::memcpy(b.lookup, t.lookup, sizeof t.lookup);
}

int ReadQuantisationTables(JpegDecoder& d) {
    int32_t length = ReadWord(d);
    CodecLogPrint("Found Quantisation tables of length %0d\n", length);
    int32_t b = ReadByte(d);
    // The segment's length does not bound the reading: tables follow one another until the
    // byte after a table is the 0xFF of the next marker.
    while (b < 16) {
        int32_t id = b & 15;
        if (id >= 4)
            return JpegFail(kCodecErrorInvalid, "Error - quantisation table id must be in range 0 to 3, found %0d\n", id);
        CodecLogPrint("Found quantisation table %0d\n", id);
        // Past the end every byte reads 0, which would start table after table for ever.
        if (d.source->size - d.position < 64)
            return JpegFail(kCodecErrorInvalid, "Error - JPEG decoder has gone past end of file\n");
        auto* table = static_cast<uint8_t*>(std::malloc(64));
        if (!table) return JpegFail(kCodecErrorMemory, "Error - insufficient memory for quantisation table");
        std::free(d.quantisation[id]);
        d.quantisation[id] = table;
        for (int i = 0; i < 64; ++i) table[i] = static_cast<uint8_t>(ReadByte(d));
        b = ReadByte(d);
    }
    if (b == 0xFF) {
        UnreadByte(d);
        CodecLogPrint("\n");
        return 1;
    }
    return JpegFail(kCodecErrorInvalid, "Error - quantisation table must be 8 bits, found a Pq of %0d\n", b >> 4);
}

int ReadHuffmanTables(JpegDecoder& d) {
    int32_t length = ReadWord(d);
    CodecLogPrint("Found Huffman tables of length %0d\n", length);
    int32_t b = ReadByte(d);
    while (b != 0xFF) {
        int32_t tableClass = b >> 4;
        if (tableClass != 0 && tableClass != 1)
            return JpegFail(kCodecErrorInvalid, "Error - table class can only have a value of 0 or 1, found %0d\n",
                            tableClass);
        CodecLogPrint(tableClass == 0 ? "Found DC Huffman table " : "Found AC Huffman table ");
        int32_t id = b & 15;
        CodecLogPrint("%0d\n", id);
        // Only four tables of each class exist; ids 4 to 15 would name memory beyond them.
        if (id >= 4) return JpegRefuse(kCodecErrorInvalid);
        HuffmanTable& t = tableClass == 0 ? d.dcTables[id] : d.acTables[id];
        FreeHuffmanTable(t);
        t.defined = 0;

        int32_t total = 0;
        t.bits[0] = 0;
        for (int l = 1; l <= 16; ++l) total += t.bits[l] = ReadByte(d);
        // A byte symbol can appear at most 256 times in a sane table, and a table without
        // codes decodes nothing: both only come from corrupt files.
        if (total == 0 || total > 256) return JpegRefuse(kCodecErrorInvalid);
        if (d.source->size - d.position < total)
            return JpegFail(kCodecErrorInvalid, "Error - JPEG decoder has gone past end of file\n");
        t.count = total;

        t.huffval = static_cast<uint8_t*>(std::malloc(size_t(total)));
        t.huffsize = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * size_t(total + 1)));
        t.huffcode = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * size_t(total)));
        if (!t.huffval || !t.huffsize || !t.huffcode) {
            FreeHuffmanTable(t);
            return JpegFail(kCodecErrorMemory, "Error - insufficient memory to hold Huffman tables\n");
        }
        for (int32_t i = 0; i < total; ++i) t.huffval[i] = static_cast<uint8_t>(ReadByte(d));

        int32_t k = 0;
        for (int32_t l = 1; l <= 16; ++l)
            for (int32_t i = 0; i < t.bits[l]; ++i) t.huffsize[k++] = l;
        t.huffsize[k] = 0;

        // Codes of an over-full table run past their length; they are kept as computed
        // (in 32 bits they cannot overflow) and the decode never matches them wrongly.
        int32_t code = 0;
        k = 0;
        for (int32_t si = t.huffsize[0]; si <= 16; ++si) {
            while (k < total && t.huffsize[k] == si) t.huffcode[k++] = code++;
            code <<= 1;
        }

        int32_t j = 0;
        for (int32_t l = 1; l <= 16; ++l) {
            if (t.bits[l] != 0) {
                t.valptr[l] = j;
                t.mincode[l] = t.huffcode[j];
                j += t.bits[l] - 1;
                t.maxcode[l] = t.huffcode[j];
                ++j;
            } else {
                t.valptr[l] = 0;
                t.mincode[l] = 0;
                t.maxcode[l] = -1;
            }
        }
        BuildCachedLookup(t, tableClass == 0);
        t.defined = 1;
        b = ReadByte(d);
    }
    UnreadByte(d);
    CodecLogPrint("\n");
    return 1;
}

void ReadRestartInterval(JpegDecoder& d) {
    ReadWord(d);
    d.restartInterval = ReadWord(d);
    CodecLogPrint("Found restart interval marker, set to %0d\n\n", d.restartInterval);
}

void SkipSegment(JpegDecoder& d, int32_t code) {
    int32_t length = ReadWord(d);
    CodecLogPrint("Found unrecognised marker (0x%02X) of length %d. Skipping\n\n", code, length);
    // Past the end ReadByte would report every byte it cannot read; the position stays
    // at the end either way, so the report is made once.
    int32_t remaining = d.source->size - d.position;
    int32_t skip = length - 2;
    if (skip > remaining) {
        d.position = d.source->size;
        ReadByte(d);
        return;
    }
    if (skip > 0) d.position += skip;
}

// The tables that may come anywhere before or between scans; 0 when one fails.
int ReadTableSegment(JpegDecoder& d, int32_t code) {
    if (code == 0xDB) {
        if (!ReadQuantisationTables(d)) {
            CodecLogPrint("Error - reading quantisation tables failed\n");
            return 0;
        }
    } else if (code == 0xC4) {
        if (!ReadHuffmanTables(d)) {
            CodecLogPrint("Error - reading Huffman tables failed\n");
            return 0;
        }
    } else {
        ReadRestartInterval(d);
    }
    return 1;
}

int DecodeFrame(JpegDecoder& d) {
    int32_t length = ReadWord(d);
    CodecLogPrint("Found start of baseline DCT frame of length %0d\n", length);
    int32_t precision = ReadByte(d);
    if (precision != 8)
        return JpegFail(kCodecErrorUnsupported, "Error - 8 bit precision allowed only, found %0d\n", precision);
    d.height = ReadWord(d);
    d.width = ReadWord(d);
    CodecLogPrint("Image dimensions: %0dx%0d\n", d.width, d.height);
    int32_t count = ReadByte(d);
    if (count != 3) return JpegFail(kCodecErrorUnsupported, "Error - 3 components allowed only, found %0d\n", count);

    static const char* const kWrongId[3] = {
        "Error - the first component (Y) should have an id of 1, found %0d\n",
        "Error - the second component (Cb) should have an id of 2, found %0d\n",
        "Error - the third component (Cr) should have an id of 3, found %0d\n",
    };
    for (int i = 0; i < 3; ++i) {
        JpegComponent& c = d.components[i];
        c.id = ReadByte(d);
        if (c.id != i + 1) return JpegFail(kCodecErrorInvalid, kWrongId[i], c.id);
        int32_t sampling = ReadByte(d);
        c.h = sampling >> 4;
        c.v = sampling & 15;
        c.tq = ReadByte(d);
    }
    static const char* const kComponentLine[3] = {
        "Y  - id: %0d, H: %0d, V: %0d, qt: %0d\n",
        "Cb - id: %0d, H: %0d, V: %0d, qt: %0d\n",
        "Cr - id: %0d, H: %0d, V: %0d, qt: %0d\n",
    };
    for (int i = 0; i < 3; ++i) {
        const JpegComponent& c = d.components[i];
        CodecLogPrint(kComponentLine[i], c.id, c.h, c.v, c.tq);
    }
    CodecLogPrint("\n");

    // The scan lays blocks out by sampling factors from 1 to 4, each dividing the largest
    // one of its direction; a picture without pixels or too large to hold is refused.
    int32_t hMax = 0, vMax = 0;
    for (const JpegComponent& c : d.components) {
        if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4) return JpegRefuse(kCodecErrorUnsupported);
        if (c.h > hMax) hMax = c.h;
        if (c.v > vMax) vMax = c.v;
    }
    for (const JpegComponent& c : d.components)
        if (hMax % c.h != 0 || vMax % c.v != 0) return JpegRefuse(kCodecErrorUnsupported);
    if (d.width < 1 || d.height < 1 || int64_t(d.width) * d.height >= kMaxImagePixels)
        return JpegRefuse(kCodecErrorUnsupported);

    for (;;) {
        int32_t code;
        if (!ReadMarker(d, &code)) {
            CodecLogPrint("Error - a marker was expected, but not found\n");
            return 0;
        }
        if (code == 0xDA) {
            if (!DecodeScan(d)) {
                CodecLogPrint("Error - decode scan failed\n");
                return 0;
            }
            ++d.scansDecoded;
        } else if (code == 0xD9) {
            CodecLogPrint("\n");
            // An end of image before any scan leaves no picture to convert.
            if (d.scansDecoded == 0) return JpegRefuse(kCodecErrorInvalid);
            return 1;
        } else if (code == 0xDB || code == 0xC4 || code == 0xDD) {
            if (!ReadTableSegment(d, code)) return 0;
        } else {
            SkipSegment(d, code);
        }
    }
}

int ParseHeaders(JpegDecoder& d) {
    int32_t code;
    if (!ReadMarker(d, &code)) {
        CodecLogPrint("Error - a marker was expected, but not found\n");
        return 0;
    }
    if (code != 0xD8) return JpegFail(kCodecErrorInvalid, "Error - expecting SOI marker, instead found 0x%02X\n", code);
    if (!ReadMarker(d, &code)) {
        CodecLogPrint("Error - a marker was expected, but not found\n");
        return 0;
    }
    if (code != 0xE0) return JpegFail(kCodecErrorInvalid, "Error - expecting APP0 marker, instead found 0x%02X\n", code);

    int32_t length = ReadWord(d);
    CodecLogPrint("Found APP0 marker of length %d\n", length);
    char identifier[5];
    for (char& c : identifier) c = static_cast<char>(ReadByte(d));
    if (std::memcmp(identifier, "JFIF", 5) != 0) {
        JpegFail(kCodecErrorInvalid, "Error - not a JFIF file\n");
        return JpegFail(kCodecErrorInvalid, "Error - first APP0 marker is invalid\n");
    }
    CodecLogPrint("Verified JFIF format\n");
    int32_t major = ReadByte(d);
    int32_t minor = ReadByte(d);
    CodecLogPrint("JFIF version: %d.%02d\n", major, minor);
    int32_t rest = length - 9;
    if (rest > d.source->size - d.position) {
        d.position = d.source->size;
        ReadByte(d);
    } else if (rest > 0) {
        d.position += rest;
    }
    CodecLogPrint("\n");

    for (;;) {
        if (!ReadMarker(d, &code)) {
            CodecLogPrint("Error - a marker was expected, but not found\n");
            return 0;
        }
        if (code == 0xC0) {
            if (DecodeFrame(d)) return 1;
            CodecLogPrint("Error - decode frame failed\n");
            return 0;
        }
        if (code >= 0xC1 && code <= 0xCF && code != 0xC4)
            return JpegFail(kCodecErrorUnsupported, "Error - this programme can not decode a frame of type 0x%X\n", code);
        if (code == 0xDB || code == 0xC4 || code == 0xDD) {
            if (!ReadTableSegment(d, code)) return 0;
        } else {
            SkipSegment(d, code);
        }
    }
}

}  // namespace

int DecodeJpeg(const FileBuffer& source, RgbImage*& result) {
    result = nullptr;
    // Everything starts at zero but the look-ups, which are filled before a table is
    // marked defined.
    auto* d = static_cast<JpegDecoder*>(std::malloc(sizeof(JpegDecoder)));
    if (d) {
        std::memset(d, 0, offsetof(JpegDecoder, dcTables));
        for (HuffmanTable& t : d->dcTables) std::memset(&t, 0, offsetof(HuffmanTable, lookup));
        for (HuffmanTable& t : d->acTables) std::memset(&t, 0, offsetof(HuffmanTable, lookup));
        std::memset(&d->quantisation, 0, sizeof(JpegDecoder) - offsetof(JpegDecoder, quantisation));
    }
    if (!d) {
        CodecLogSetError(kCodecErrorMemory);
        CodecLogPrint("Error decoding file\n");
        return 0;
    }
    d->source = &source;

    int ok = ParseHeaders(*d);
    ReleaseTables(*d);
    if (ok) {
        result = d->image;  // converted as the scan went
        d->image = nullptr;
    } else {
        CodecLogPrint("Error decoding file\n");
    }
    ReleasePlanes(*d);
    std::free(d);
    return ok;
}
