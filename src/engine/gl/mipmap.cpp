// mipmap.cpp -- box-filtered mipmap levels.
#include "engine/gl/mipmap.h"

#include <cstddef>

void HalveMipmapLevel(const uint8_t* source, int sourceWidth, int sourceHeight, uint8_t* target, int* nextWidth,
                      int* nextHeight) {
    const int targetWidth = sourceWidth > 1 ? sourceWidth / 2 : 1;
    const int targetHeight = sourceHeight > 1 ? sourceHeight / 2 : 1;
    *nextWidth = targetWidth;
    *nextHeight = targetHeight;
    const size_t stride = static_cast<size_t>(sourceWidth) * 4;
    for (int y = 0; y < targetHeight; ++y) {
        for (int x = 0; x < targetWidth; ++x) {
            uint8_t* out = target + (static_cast<size_t>(y) * targetWidth + x) * 4;
            if (sourceWidth > 1 && sourceHeight > 1) {
                const uint8_t* a = source + static_cast<size_t>(2 * y) * stride + static_cast<size_t>(2 * x) * 4;
                const uint8_t* b = a + stride;
                for (int c = 0; c < 4; ++c) out[c] = static_cast<uint8_t>((a[c] + a[c + 4] + b[c] + b[c + 4]) >> 2);
            } else if (sourceWidth > 1) {
                const uint8_t* a = source + static_cast<size_t>(y) * stride + static_cast<size_t>(2 * x) * 4;
                for (int c = 0; c < 4; ++c) out[c] = static_cast<uint8_t>((a[c] + a[c + 4]) >> 1);
            } else {
                const uint8_t* a = source + static_cast<size_t>(2 * y) * stride + static_cast<size_t>(x) * 4;
                const uint8_t* b = a + stride;
                for (int c = 0; c < 4; ++c) out[c] = static_cast<uint8_t>((a[c] + b[c]) >> 1);
            }
        }
    }
}
