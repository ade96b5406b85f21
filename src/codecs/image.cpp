// image.cpp -- creation and release of the shared image records, and their widening to RGBA.
#include "codecs/image.h"

#include <cstdlib>

FileBuffer* CreateFileBuffer(int32_t size) {
    if (size < 0) return nullptr;
    auto* buffer = static_cast<FileBuffer*>(std::malloc(sizeof(FileBuffer)));
    if (!buffer) return nullptr;
    // One byte more, so that an empty buffer still has a block of its own.
    buffer->data = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size) + 1));
    if (!buffer->data) {
        std::free(buffer);
        return nullptr;
    }
    buffer->size = size;
    return buffer;
}

void DestroyFileBuffer(FileBuffer* buffer) {
    if (!buffer) return;
    std::free(buffer->data);
    std::free(buffer);
}

RgbImage* CreateRgbImage(int32_t width, int32_t height) {
    if (width < 1 || height < 1 || int64_t(width) * height >= kMaxImagePixels) return nullptr;
    auto* image = static_cast<RgbImage*>(std::malloc(sizeof(RgbImage)));
    if (!image) return nullptr;
    image->pixels = static_cast<uint8_t*>(std::malloc(size_t(width) * size_t(height) * 3));
    if (!image->pixels) {
        std::free(image);
        return nullptr;
    }
    image->width = width;
    image->height = height;
    return image;
}

void DestroyRgbImage(RgbImage* image) {
    if (!image) return;
    std::free(image->pixels);
    std::free(image);
}

uint8_t* MakeRgbaPixels(const RgbImage& picture, int32_t alpha) {
    size_t count = size_t(picture.width) * size_t(picture.height);
    auto* pixels = static_cast<uint8_t*>(std::malloc(count * 4));
    if (!pixels) return nullptr;
    const uint8_t* in = picture.pixels;
    uint8_t* out = pixels;
    for (size_t i = 0; i < count; ++i, in += 3, out += 4) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        if (alpha == kAlphaFromBrightness) {
            int32_t sum = in[0] + in[1] + in[2];
            out[3] = static_cast<uint8_t>(sum > 255 ? 255 : sum);
        } else {
            out[3] = static_cast<uint8_t>(alpha & 0xFF);
        }
    }
    return pixels;
}
