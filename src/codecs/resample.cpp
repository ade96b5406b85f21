// resample.cpp -- a picture at another size, by nearest sample or from the four nearest
// source pixels.
#include "codecs/codec_log.h"
#include "codecs/tga.h"

int ResampleImage(const RgbImage& source, int32_t newWidth, int32_t newHeight, RgbImage*& result, int32_t type) {
    result = nullptr;
    // A source without pixels has nothing to sample from.
    if (newWidth < 1 || newHeight < 1 || source.width < 1 || source.height < 1 || !source.pixels) {
        CodecLogPrint("Error - width and height must be greater than zero\n");
        CodecLogSetError(kCodecErrorArgument);
        return 0;
    }
    if (type != kResampleNearest && type != kResampleBilinear) {
        CodecLogPrint("Error - invalid resample type\n");
        CodecLogSetError(kCodecErrorArgument);
        return 0;
    }
    RgbImage* image = CreateRgbImage(newWidth, newHeight);
    if (!image) {
        CodecLogSetError(kCodecErrorMemory);
        return 0;
    }
    const int64_t sw = source.width, sh = source.height;
    const uint8_t* src = source.pixels;
    uint8_t* out = image->pixels;

    if (type == kResampleNearest) {
        for (int64_t y = 0; y < newHeight; ++y) {
            const uint8_t* row = src + (y * sh / newHeight) * sw * 3;
            for (int64_t x = 0; x < newWidth; ++x, out += 3) {
                const uint8_t* p = row + (x * sw / newWidth) * 3;
                out[0] = p[0];
                out[1] = p[1];
                out[2] = p[2];
            }
        }
    } else {
        for (int64_t y = 0; y < newHeight; ++y) {
            // A single output row or column lies on the first source one.
            double fy = newHeight == 1 ? 0.0 : double(sh - 1) * double(y) / double(newHeight - 1);
            int64_t iy = static_cast<int64_t>(fy);
            float wy = static_cast<float>(fy) - static_cast<float>(iy);
            int64_t iy1 = iy + 1 == sh ? sh - 1 : iy + 1;
            const uint8_t* top = src + iy * sw * 3;
            const uint8_t* bottom = src + iy1 * sw * 3;
            for (int64_t x = 0; x < newWidth; ++x, out += 3) {
                double fx = newWidth == 1 ? 0.0 : double(x) * double(sw - 1) / double(newWidth - 1);
                int64_t ix = static_cast<int64_t>(fx);
                double wx = fx - double(ix);
                int64_t ix1 = ix + 1 == sw ? sw - 1 : ix + 1;
                for (int c = 0; c < 3; ++c) {
                    // The upper row and the row weight are kept in single precision; the
                    // lower row and the blend of the two in double (see
                    // BilinearKeepsOnlyTheUpperRowInSinglePrecision).
                    const float upper = static_cast<float>(top[ix * 3 + c] * (1.0 - wx) + top[ix1 * 3 + c] * wx);
                    const double lower = bottom[ix * 3 + c] * (1.0 - wx) + bottom[ix1 * 3 + c] * wx;
                    const double value = (1.0 - double(wy)) * double(upper) + double(wy) * lower;
                    int32_t v = static_cast<int32_t>(value);
                    out[c] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
                }
            }
        }
    }
    result = image;
    return 1;
}
