// image_loaders.cpp -- files and pictures by short name: "Files\" + the name.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "codecs/image.h"
#include "codecs/jpeg.h"
#include "codecs/tga.h"
#include "filestore/filestore.h"

namespace {

// "Files\" + shortName in 256 characters; false when it does not fit.
bool FullName(const char* shortName, char (&name)[256]) {
    if (!shortName) return false;
    int n = std::snprintf(name, sizeof name, "Files\\%s", shortName);
    return n > 0 && n < static_cast<int>(sizeof name);
}

// The file's bytes in a FileBuffer of their own, or null.
FileBuffer* ReadIntoBuffer(const char* shortName) {
    char name[256];
    if (!FullName(shortName, name)) return nullptr;
    // The size comes with the bytes: a disk file may have changed since any size query.
    uint32_t size;
    const uint8_t* data = OpenEmbeddedFileSized(name, &size);
    if (!data) return nullptr;
    if (size == 0 || size > INT32_MAX) {
        CloseEmbeddedFile(data);
        return nullptr;
    }
    FileBuffer* buffer = CreateFileBuffer(static_cast<int32_t>(size));
    if (buffer) std::memcpy(buffer->data, data, size);
    CloseEmbeddedFile(data);
    return buffer;
}

}  // namespace

uint8_t* LoadFileCopy(const char* shortName, uint32_t* size) {
    char name[256];
    if (size) *size = 0;
    if (!FullName(shortName, name)) return nullptr;
    if (GetEmbeddedFileSize(name) == 0) return nullptr;
    uint32_t n;
    const uint8_t* data = OpenEmbeddedFileSized(name, &n);
    if (!data) return nullptr;
    // Copied at the size of what was opened, which a changed disk file may make differ
    // from the size asked first.
    auto* copy = n ? static_cast<uint8_t*>(std::malloc(n)) : nullptr;
    if (copy) std::memcpy(copy, data, n);
    CloseEmbeddedFile(data);
    if (size && copy) *size = n;
    return copy;
}

RgbImage* LoadJpegImage(const char* shortName) {
    FileBuffer* buffer = ReadIntoBuffer(shortName);
    if (!buffer) return nullptr;
    RgbImage* image = nullptr;
    DecodeJpeg(*buffer, image);
    DestroyFileBuffer(buffer);
    return image;
}

RgbImage* LoadTgaImage(const char* shortName) {
    FileBuffer* buffer = ReadIntoBuffer(shortName);
    if (!buffer) return nullptr;
    RgbImage* image = nullptr;
    DecodeTga(*buffer, image);
    DestroyFileBuffer(buffer);
    return image;
}
