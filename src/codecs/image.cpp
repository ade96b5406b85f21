// image.cpp -- creation and release of the shared image records.
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
