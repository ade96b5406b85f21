// png_file.cpp -- PNG writing row by row, reading through libpng's simplified interface.
#include "png_file.h"

#include <cstdio>
#include <utility>

#include <png.h>

namespace forge {

bool WritePng(const std::string& path, int width, int height, const uint8_t* rgb) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t stride = static_cast<size_t>(width) * 3;
    for (int y = 0; y < height; ++y) png_write_row(png, const_cast<png_bytep>(rgb + stride * static_cast<size_t>(y)));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

bool WritePng(const std::string& path, const Image& image) {
    return WritePng(path, image.width, image.height, image.rgb.data());
}

bool ReadPng(const std::string& path, Image& image, std::string* error) {
    // A picture larger than this is no frame or review picture of ours, but a broken header.
    constexpr png_uint_32 kLargestSide = 1 << 14;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&png, path.c_str())) {
        if (png.width > kLargestSide || png.height > kLargestSide) {
            png_image_free(&png);
            if (error) *error = "picture of " + std::to_string(png.width) + "x" + std::to_string(png.height) + " is too large";
            return false;
        }
        png.format = PNG_FORMAT_RGB;
        Image read(static_cast<int>(png.width), static_cast<int>(png.height));
        if (png_image_finish_read(&png, nullptr, read.rgb.data(), 0, nullptr)) {
            image = std::move(read);
            return true;
        }
    }
    if (error) *error = png.message;
    png_image_free(&png);
    return false;
}

}  // namespace forge
