// jpeg_fuzz.cpp -- any bytes through DecodeJpeg. Inputs are capped at 1 MiB, and a frame
// header announcing more than a million pixels is passed over: decoding zeros past the
// end of a short file for a huge picture is slow, not interesting.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "codecs/codec_log.h"
#include "codecs/image.h"
#include "codecs/jpeg.h"

namespace {
void Discard(const char*) {}  // the trace is still formatted
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    for (size_t i = 0; i + 8 < size; ++i)
        if (data[i] == 0xFF && data[i + 1] == 0xC0) {
            uint32_t height = (data[i + 5] << 8) | data[i + 6], width = (data[i + 7] << 8) | data[i + 8];
            if (uint64_t(width) * height > (1u << 20)) return 0;
        }
    CodecLogSetSink(Discard);
    FileBuffer* buffer = CreateFileBuffer(static_cast<int32_t>(size));
    if (!buffer) return 0;
    if (size) std::memcpy(buffer->data, data, size);
    RgbImage* image = nullptr;
    if (DecodeJpeg(*buffer, image)) {
        // Every pixel of a success is written: reading them all lets the sanitizers see it.
        volatile uint8_t sum = 0;
        for (size_t i = 0, n = size_t(image->width) * image->height * 3; i < n; ++i) sum = sum + image->pixels[i];
    } else if (image) {
        __builtin_trap();  // a failure hands out no picture
    }
    DestroyRgbImage(image);
    DestroyFileBuffer(buffer);
    return 0;
}
