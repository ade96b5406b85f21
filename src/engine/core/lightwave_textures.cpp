// lightwave_textures.cpp -- the textures an object's surfaces name: a JPEG fetched
// through the loader's file opener, decoded, brought to power-of-two sides of at most
// 256, widened to RGBA and made a mipmapped texture. Surfaces of one object that name the
// same file (by upper-case base name) share one texture.
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "codecs/image.h"
#include "codecs/jpeg.h"
#include "codecs/tga.h"
#include "engine/core/lightwave_internal.h"

namespace {
constexpr int32_t kSides[] = {256, 128, 64, 32, 16, 8, 4, 2};

// The first allowed side not greater than `side` (side >= 2).
int32_t AllowedSide(int32_t side) {
    for (int32_t s : kSides)
        if (s <= side) return s;
    return 2;
}

// The part after the last folder separator, upper-cased.
void BaseName(const char* fileName, char out[64]) {
    const char* base = fileName;
    for (const char* p = fileName; *p; ++p)
        if (*p == '\\' || *p == '/') base = p + 1;
    size_t i = 0;
    for (; base[i] && i < 63; ++i) out[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(base[i])));
    out[i] = 0;
}

// Whether another loader surface than `index` holds `texture`.
bool SharedElsewhere(const LoaderSurface* surfaces, int32_t count, int32_t index, const Texture* texture) {
    for (int32_t i = 0; i < count; ++i)
        if (i != index && surfaces[i].texture == texture) return true;
    return false;
}
}  // namespace

int MakeLoaderTexture(GLEngine* engine, LoaderSurface* surfaces, int32_t count, int32_t index, const char* fileName,
                      ObjectFileOpener opener, const char** error) {
    LoaderSurface& s = surfaces[index];
    char base[64];
    BaseName(fileName, base);
    for (int32_t i = 0; i < count; ++i) {
        if (i != index && surfaces[i].textureBase[0] && std::strcmp(surfaces[i].textureBase, base) == 0) {
            // A picture this surface made before, and nobody shares, goes.
            if (s.texture && s.texture != surfaces[i].texture && !SharedElsewhere(surfaces, count, index, s.texture)) {
                std::free(s.texture->GetPixels());
                engine->DeleteTexture(s.texture);
            }
            s.texture = surfaces[i].texture;
            return 1;
        }
    }
    std::memcpy(s.textureBase, base, sizeof base);
    const char* dot = std::strrchr(base, '.');
    const char* extension = dot ? dot + 1 : "";
    if (std::strcmp(extension, "TGA") == 0) return *error = "TGA not yet supported", 0;
    if (std::strcmp(extension, "JPG") != 0) return *error = "Unknown texture file format", 0;

    uint32_t size = 0;
    uint8_t* bytes = opener ? opener(base, &size) : nullptr;
    if (!bytes) return *error = "Could not load JPG texture", 0;
    FileBuffer* buffer = size <= INT32_MAX ? CreateFileBuffer(static_cast<int32_t>(size)) : nullptr;
    if (!buffer) {
        std::free(bytes);
        return *error = "Could not interpret JPG texture", 0;
    }
    std::memcpy(buffer->data, bytes, size);
    std::free(bytes);
    RgbImage* image = nullptr;
    const int decoded = DecodeJpeg(*buffer, image);
    DestroyFileBuffer(buffer);
    if (!decoded || !image) return *error = "Could not interpret JPG texture", 0;
    if (image->width < 2 || image->height < 2) {
        DestroyRgbImage(image);
        return *error = "JPG texture is too small", 0;
    }
    const int32_t width = AllowedSide(image->width), height = AllowedSide(image->height);
    if (width != image->width || height != image->height) {
        RgbImage* resampled = nullptr;
        if (!ResampleImage(*image, width, height, resampled, 1) || !resampled) {
            DestroyRgbImage(image);
            return *error = "Could not resample JPG texture", 0;
        }
        DestroyRgbImage(image);
        image = resampled;
    }
    uint8_t* pixels = MakeRgbaPixels(*image, 255);
    DestroyRgbImage(image);
    if (!pixels) return *error = "Could not allocate sufficient memory for texture", 0;
    // A second TIMG in one surface replaces its texture; one that another surface shares stays.
    if (s.texture && !SharedElsewhere(surfaces, count, index, s.texture)) {
        std::free(s.texture->GetPixels());  // made by this loader, used by nobody else
        engine->DeleteTexture(s.texture);
    }
    s.texture = engine->NewTexture();
    if (!s.texture) {
        std::free(pixels);
        return *error = "Could not create texture", 0;
    }
    const int32_t textureSize[2] = {width, height};
    s.texture->SetImage(textureSize, pixels, 1);
    // Textured triangles are drawn with the default material.
    if (s.surface) {
        engine->DeleteSurface(s.surface);
        s.surface = nullptr;
    }
    return 1;
}
