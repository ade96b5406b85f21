// tga_fuzz.cpp -- any bytes through DecodeTga, and a decoded picture through both kinds
// of resampling to a size taken from the input.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "codecs/codec_log.h"
#include "codecs/image.h"
#include "codecs/tga.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 22)) return 0;
    CodecLogSetSink(nullptr);
    FileBuffer* buffer = CreateFileBuffer(static_cast<int32_t>(size));
    if (!buffer) return 0;
    if (size) std::memcpy(buffer->data, data, size);
    RgbImage* image = nullptr;
    if (DecodeTga(*buffer, image)) {
        int32_t w = size > 3 ? data[3] % 67 : 1, h = size > 4 ? data[4] % 67 : 1;
        for (int32_t type : {0, 1, 2}) {
            RgbImage* resized = nullptr;
            int ok = ResampleImage(*image, w, h, resized, type);
            if (ok != (resized != nullptr)) __builtin_trap();
            DestroyRgbImage(resized);
        }
    } else if (image) {
        __builtin_trap();
    }
    DestroyRgbImage(image);
    DestroyFileBuffer(buffer);
    return 0;
}
