// tga.cpp -- uncompressed 24-bit TGA pictures. Not handled: colour maps, RLE, other
// depths, identification fields, origins other than (0, 0).
#include <cstring>

#include "codecs/codec_log.h"
#include "codecs/tga.h"

namespace {
int Fail(int32_t code, const char* text) {
    CodecLogPrint("%s", text);
    CodecLogSetError(code);
    return 0;
}
}  // namespace

int DecodeTga(const FileBuffer& source, RgbImage*& result) {
    result = nullptr;
    const uint8_t* h = source.data;
    // The header's fields are read from a full header only.
    if (source.size < 18) return Fail(kCodecErrorInvalid, "Targa is not a 24bit image\n");
    if (h[0] != 0) return Fail(kCodecErrorUnsupported, "Cannot read TGA with non-zero identification field length\n");
    if (h[1] != 0) return Fail(kCodecErrorUnsupported, "Cannot read 24b TGA with a colour map\n");
    if (h[2] != 2) return Fail(kCodecErrorInvalid, "Targa is not a 24bit image\n");
    if (h[8] || h[9] || h[10] || h[11]) return Fail(kCodecErrorInvalid, "Image origin not (0,0)\n");
    if (h[16] != 24) return Fail(kCodecErrorInvalid, "Bit depth not 24bit, found\n");

    int32_t width = h[12] | (h[13] << 8);
    int32_t height = h[14] | (h[15] << 8);
    // The size the header announces is checked against the bytes that are there.
    int64_t rowBytes = int64_t(width) * 3;
    if (int64_t(source.size) - 18 < rowBytes * height)
        return Fail(kCodecErrorInvalid, "Targa is not a 24bit image\n");
    RgbImage* image = CreateRgbImage(width, height);
    if (!image) {
        // No pixels, or more than a picture may have.
        if (width < 1 || height < 1 || int64_t(width) * height >= kMaxImagePixels)
            return Fail(kCodecErrorUnsupported, "Targa is not a 24bit image\n");
        CodecLogSetError(kCodecErrorMemory);
        return 0;
    }
    const uint8_t* pixels = h + 18;
    if (h[17] & 0x20) {
        std::memcpy(image->pixels, pixels, size_t(rowBytes) * height);
    } else {
        for (int32_t y = 0; y < height; ++y)
            std::memcpy(image->pixels + size_t(y) * rowBytes, pixels + size_t(height - 1 - y) * rowBytes, size_t(rowBytes));
    }
    uint8_t* p = image->pixels;
    for (int64_t i = 0, n = int64_t(width) * height; i < n; ++i, p += 3) {
        uint8_t blue = p[0];
        p[0] = p[2];
        p[2] = blue;
    }
    result = image;
    return 1;
}
