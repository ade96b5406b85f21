// paint.cpp -- noise, distances and canvas operations.
#include "paint.h"

#include <algorithm>

namespace forge {

namespace {
inline float Fade(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }

inline float Grad2(int h, float x, float y) {
    switch (h & 7) {
        case 0: return x + y;
        case 1: return x - y;
        case 2: return -x + y;
        case 3: return -x - y;
        case 4: return x;
        case 5: return -x;
        case 6: return y;
        default: return -y;
    }
}

inline float Grad3(int h, float x, float y, float z) {
    int k = h & 15;
    float u = k < 8 ? x : y;
    float v = k < 4 ? y : (k == 12 || k == 14 ? x : z);
    return ((k & 1) ? -u : u) + ((k & 2) ? -v : v);
}

inline int Floor(float v) {
    int i = static_cast<int>(v);
    return v < static_cast<float>(i) ? i - 1 : i;
}
}  // namespace

Noise::Noise(uint64_t seed) {
    Rng rng(seed);
    std::array<uint8_t, 256> p{};
    for (int i = 0; i < 256; ++i) p[i] = static_cast<uint8_t>(i);
    for (int i = 255; i > 0; --i) std::swap(p[i], p[rng.Int(i + 1)]);
    for (int i = 0; i < 512; ++i) perm_[i] = p[i & 255];
}

float Noise::At(float x, float y) const {
    int xi = Floor(x), yi = Floor(y);
    float xf = x - xi, yf = y - yi;
    xi &= 255;
    yi &= 255;
    float u = Fade(xf), v = Fade(yf);
    int aa = perm_[perm_[xi] + yi], ab = perm_[perm_[xi] + yi + 1];
    int ba = perm_[perm_[xi + 1] + yi], bb = perm_[perm_[xi + 1] + yi + 1];
    float x1 = Lerp(Grad2(aa, xf, yf), Grad2(ba, xf - 1, yf), u);
    float x2 = Lerp(Grad2(ab, xf, yf - 1), Grad2(bb, xf - 1, yf - 1), u);
    return Lerp(x1, x2, v) * 0.7f;
}

float Noise::At(float x, float y, float z) const {
    int xi = Floor(x), yi = Floor(y), zi = Floor(z);
    float xf = x - xi, yf = y - yi, zf = z - zi;
    xi &= 255;
    yi &= 255;
    zi &= 255;
    float u = Fade(xf), v = Fade(yf), w = Fade(zf);
    int a = perm_[xi] + yi, aa = perm_[a] + zi, ab = perm_[a + 1] + zi;
    int b = perm_[xi + 1] + yi, ba = perm_[b] + zi, bb = perm_[b + 1] + zi;
    float r = Lerp(Lerp(Lerp(Grad3(perm_[aa], xf, yf, zf), Grad3(perm_[ba], xf - 1, yf, zf), u),
                        Lerp(Grad3(perm_[ab], xf, yf - 1, zf), Grad3(perm_[bb], xf - 1, yf - 1, zf), u), v),
                   Lerp(Lerp(Grad3(perm_[aa + 1], xf, yf, zf - 1), Grad3(perm_[ba + 1], xf - 1, yf, zf - 1), u),
                        Lerp(Grad3(perm_[ab + 1], xf, yf - 1, zf - 1), Grad3(perm_[bb + 1], xf - 1, yf - 1, zf - 1), u),
                        v),
                   w);
    return r * 0.9f;
}

float Noise::Fbm(float x, float y, int octaves) const {
    float sum = 0, amp = 0.5f;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * At(x, y);
        x = x * 2.03f + 17.1f;
        y = y * 2.03f + 3.7f;
        amp *= 0.5f;
    }
    return sum * 1.6f;
}

float Noise::Fbm(float x, float y, float z, int octaves) const {
    float sum = 0, amp = 0.5f;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * At(x, y, z);
        x = x * 2.03f + 17.1f;
        y = y * 2.03f + 3.7f;
        z = z * 2.03f + 9.3f;
        amp *= 0.5f;
    }
    return sum * 1.6f;
}

float Noise::Ridged(float x, float y, int octaves) const {
    float sum = 0, amp = 0.5f, weight = 1;
    for (int i = 0; i < octaves; ++i) {
        float n = 1 - std::fabs(At(x, y) * 1.4f);
        n *= n * weight;
        weight = Clamp01(n * 1.5f);
        sum += amp * n;
        x = x * 2.03f + 17.1f;
        y = y * 2.03f + 3.7f;
        amp *= 0.5f;
    }
    return sum;
}

float SegmentDistance(float px, float py, float ax, float ay, float bx, float by) {
    float dx = bx - ax, dy = by - ay;
    float len2 = dx * dx + dy * dy;
    float t = len2 > 0 ? Clamp01(((px - ax) * dx + (py - ay) * dy) / len2) : 0;
    return Length(px - ax - t * dx, py - ay - t * dy);
}

float EllipseDistance(float px, float py, float rx, float ry) {
    float k0 = Length(px / rx, py / ry);
    float k1 = Length(px / (rx * rx), py / (ry * ry));
    return k1 > 0 ? k0 * (k0 - 1) / k1 : -std::min(rx, ry);
}

float SmoothMin(float a, float b, float k) {
    float h = Clamp01(0.5f + 0.5f * (b - a) / k);
    return Lerp(b, a, h) - k * h * (1 - h);
}

void AddGlow(Canvas& canvas, float cx, float cy, float radius, Colour colour, float reach) {
    int x0 = std::max(0, static_cast<int>(cx - reach)), x1 = std::min(canvas.width - 1, static_cast<int>(cx + reach) + 1);
    int y0 = std::max(0, static_cast<int>(cy - reach)), y1 = std::min(canvas.height - 1, static_cast<int>(cy + reach) + 1);
    float inv = 1.0f / (radius * radius), r2 = reach * reach;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            float d2 = dx * dx + dy * dy;
            if (d2 >= r2) continue;
            float k = 1.0f / (1.0f + d2 * inv) * (1.0f - d2 / r2);
            canvas.At(x, y) = canvas.At(x, y) + colour * k;
        }
}

void AddStroke(Canvas& canvas, float ax, float ay, float bx, float by, float halfWidth, Colour colour, float glow) {
    float pad = halfWidth + 1 + glow * 4;
    int x0 = std::max(0, static_cast<int>(std::min(ax, bx) - pad));
    int x1 = std::min(canvas.width - 1, static_cast<int>(std::max(ax, bx) + pad));
    int y0 = std::max(0, static_cast<int>(std::min(ay, by) - pad));
    int y1 = std::min(canvas.height - 1, static_cast<int>(std::max(ay, by) + pad));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            float d = SegmentDistance(x + 0.5f, y + 0.5f, ax, ay, bx, by);
            float k = Clamp01(halfWidth + 0.5f - d);
            if (glow > 0) k += 0.35f / (1 + (d * d) / (glow * glow)) * Clamp01(1 - d / pad);
            if (k > 0) canvas.At(x, y) = canvas.At(x, y) + colour * k;
        }
}

Canvas Blur(const Canvas& canvas, int radius, int passes) {
    Canvas a = canvas, b = canvas;
    int w = canvas.width, h = canvas.height;
    float inv = 1.0f / (2 * radius + 1);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < h; ++y) {
            Colour sum{};
            for (int i = -radius; i <= radius; ++i) sum = sum + a.At(std::clamp(i, 0, w - 1), y);
            for (int x = 0; x < w; ++x) {
                b.At(x, y) = sum * inv;
                sum = sum + a.At(std::min(x + radius + 1, w - 1), y) - a.At(std::max(x - radius, 0), y);
            }
        }
        for (int x = 0; x < w; ++x) {
            Colour sum{};
            for (int i = -radius; i <= radius; ++i) sum = sum + b.At(x, std::clamp(i, 0, h - 1));
            for (int y = 0; y < h; ++y) {
                a.At(x, y) = sum * inv;
                sum = sum + b.At(x, std::min(y + radius + 1, h - 1)) - b.At(x, std::max(y - radius, 0));
            }
        }
    }
    return a;
}

void Bloom(Canvas& canvas, float threshold, int radius, float strength) {
    Canvas bright(canvas.width, canvas.height);
    for (size_t i = 0; i < canvas.px.size(); ++i) {
        const Colour& c = canvas.px[i];
        float l = std::max(c.r, std::max(c.g, c.b));
        bright.px[i] = l > threshold ? c * ((l - threshold) / l) : Colour{};
    }
    Canvas soft = Blur(bright, radius);
    for (size_t i = 0; i < canvas.px.size(); ++i) canvas.px[i] = canvas.px[i] + soft.px[i] * strength;
}

void Vignette(Canvas& canvas, float strength, float softness) {
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x) {
            float u = (x + 0.5f) / canvas.width * 2 - 1, v = (y + 0.5f) / canvas.height * 2 - 1;
            float d = Length(u, v) / 1.4142f;
            float k = 1 - strength * SmoothStep(1 - softness, 1.0f, d);
            canvas.At(x, y) = canvas.At(x, y) * k;
        }
}

Mask BlurMask(const Mask& mask, int radius, int pad) {
    Canvas c(mask.width + 2 * pad, mask.height + 2 * pad);
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            float v = mask.At(x, y);
            c.At(x + pad, y + pad) = {v, v, v};
        }
    Canvas b = Blur(c, radius);
    Mask m{c.width, c.height, {}};
    m.a.resize(c.px.size());
    for (size_t i = 0; i < c.px.size(); ++i) m.a[i] = b.px[i].r;
    return m;
}

}  // namespace forge
