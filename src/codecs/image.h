// image.h -- the records the image codecs share: a whole file in memory and a 24-bit
// picture.
#pragma once

#include <cstdint>

// The bytes of one whole file; the record owns the block.
struct FileBuffer {
    uint8_t* data;
    int32_t size;
};

// A 24-bit picture, top row first, red, green, blue per pixel, rows without padding:
// pixel (x, y) is at byte (y * width + x) * 3. Whoever receives it from a decoder owns it.
struct RgbImage {
    int32_t width;
    int32_t height;
    uint8_t* pixels;  // width * height * 3 bytes
};

// Largest picture any codec creates: width * height stays below this many pixels.
inline constexpr int64_t kMaxImagePixels = int64_t(1) << 26;

FileBuffer* CreateFileBuffer(int32_t size);  // uninitialised block; null when out of memory
void DestroyFileBuffer(FileBuffer* buffer);  // null is ignored

// Uninitialised pixels; null for sizes below 1, too large, or when out of memory.
RgbImage* CreateRgbImage(int32_t width, int32_t height);
void DestroyRgbImage(RgbImage* image);  // frees the pixels, then the record; null is ignored

// The picture widened to R, G, B, A rows (malloc, the caller frees), alpha set from the
// rule: a value whose low eight bits every pixel takes, or kAlphaFromBrightness (red +
// green + blue, limited to 255). Null when out of memory.
inline constexpr int32_t kAlphaFromBrightness = -1;
uint8_t* MakeRgbaPixels(const RgbImage& picture, int32_t alpha);
