// png_file_stb.cpp -- the picture kit's PNG files through stb's reader and writer, for
// builds without libpng (Windows). Same contract as png_file.cpp.
#include "png_file.h"

#include <cstdio>
#include <cstring>
#include <utility>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_ONLY_PNG
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#endif
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace forge {
namespace {
void AppendToFile(void* context, void* data, int size) {
    if (size > 0) std::fwrite(data, 1, static_cast<size_t>(size), static_cast<FILE*>(context));
}
}  // namespace

bool WritePng(const std::string& path, int width, int height, const uint8_t* rgb) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const int written = stbi_write_png_to_func(AppendToFile, file, width, height, 3, rgb, width * 3);
    const bool failed = std::ferror(file) != 0;
    return std::fclose(file) == 0 && written && !failed;
}

bool WritePng(const std::string& path, const Image& image) {
    return WritePng(path, image.width, image.height, image.rgb.data());
}

bool ReadPng(const std::string& path, Image& image, std::string* error) {
    // A picture larger than this is no frame or review picture of ours, but a broken header.
    constexpr int kLargestSide = 1 << 14;
    int width = 0, height = 0, channels = 0;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        if (error) *error = "cannot open " + path;
        return false;
    }
    const bool known = stbi_info_from_file(file, &width, &height, &channels) != 0;
    if (known && (width > kLargestSide || height > kLargestSide)) {
        std::fclose(file);
        if (error) *error = "picture of " + std::to_string(width) + "x" + std::to_string(height) + " is too large";
        return false;
    }
    // Alpha is composed over black, as libpng's simplified reader does for RGB output.
    uint8_t* rgba = known ? stbi_load_from_file(file, &width, &height, &channels, 4) : nullptr;
    std::fclose(file);
    if (!rgba) {
        if (error) *error = stbi_failure_reason() ? stbi_failure_reason() : "not a PNG file";
        return false;
    }
    Image read(width, height);
    for (size_t i = 0, n = static_cast<size_t>(width) * static_cast<size_t>(height); i < n; ++i)
        for (int c = 0; c < 3; ++c)
            read.rgb[i * 3 + c] = static_cast<uint8_t>((rgba[i * 4 + c] * rgba[i * 4 + 3] + 127) / 255);
    stbi_image_free(rgba);
    image = std::move(read);
    return true;
}

}  // namespace forge
