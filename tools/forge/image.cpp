// image.cpp -- canvas quantisation, thumbnail scaling and copying.
#include "image.h"

#include <algorithm>
#include <cmath>

namespace forge {

namespace {
constexpr float kBayer4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

uint8_t Quantise(float v, float dither) {
    float q = v * 255.0f + dither;
    if (!(q > 0.0f)) return 0;  // also catches NaN
    if (q >= 255.0f) return 255;
    return static_cast<uint8_t>(q);
}
}  // namespace

Image ToImage(const Canvas& canvas) {
    Image out(canvas.width, canvas.height);
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x) {
            float d = (kBayer4[y & 3][x & 3] + 0.5f) / 16.0f;
            const Colour& c = canvas.At(x, y);
            uint8_t* p = out.At(x, y);
            p[0] = Quantise(c.r, d);
            p[1] = Quantise(c.g, d);
            p[2] = Quantise(c.b, d);
        }
    return out;
}

Image Downscale(const Image& image, int width, int height) {
    Image out(width, height);
    for (int y = 0; y < height; ++y) {
        int y0 = y * image.height / height, y1 = std::max(y0 + 1, (y + 1) * image.height / height);
        for (int x = 0; x < width; ++x) {
            int x0 = x * image.width / width, x1 = std::max(x0 + 1, (x + 1) * image.width / width);
            unsigned sum[3] = {0, 0, 0}, n = 0;
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx, ++n)
                    for (int c = 0; c < 3; ++c) sum[c] += image.At(sx, sy)[c];
            for (int c = 0; c < 3; ++c) out.At(x, y)[c] = static_cast<uint8_t>((sum[c] + n / 2) / n);
        }
    }
    return out;
}

void Blit(Image& dst, const Image& src, int x0, int y0) {
    const int xFrom = std::max(0, -x0), xTo = std::min(src.width, dst.width - x0);
    if (xFrom >= xTo) return;
    for (int y = std::max(0, -y0); y < src.height && y0 + y < dst.height; ++y)
        std::copy_n(src.At(xFrom, y), 3 * (xTo - xFrom), dst.At(x0 + xFrom, y0 + y));
}

}  // namespace forge
