// paint.h -- the procedural painter's kit: a seeded generator, gradient noise, shaping
// functions, distance fields and a few canvas operations (glows, strokes, blur). Nothing
// here reads a clock or the locale; equal seeds give equal pictures.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

#include "image.h"
#include "typeface.h"

namespace forge {

constexpr float kPi = 3.14159265358979f;
constexpr float kTau = 6.28318530717959f;

inline float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline float Lerp(float a, float b, float t) { return a + (b - a) * t; }
inline float SmoothStep(float e0, float e1, float x) {
    float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}
inline float Length(float x, float y) { return std::sqrt(x * x + y * y); }

// Small, fast and fully specified (splitmix64), so every platform draws the same numbers.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    float Unit() { return static_cast<float>(Next() >> 40) / 16777216.0f; }  // 0..1
    float Range(float a, float b) { return a + (b - a) * Unit(); }
    int Int(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }

private:
    uint64_t state_;
};

// Gradient noise on a 256-cell lattice, roughly -1..1.
class Noise {
public:
    explicit Noise(uint64_t seed);
    float At(float x, float y) const;
    float At(float x, float y, float z) const;
    // Fractal sum of octaves, each twice the frequency and half the weight.
    float Fbm(float x, float y, int octaves) const;
    float Fbm(float x, float y, float z, int octaves) const;
    // Ridged sum: sharp creases where the noise crosses zero (veins, folds, cracks).
    float Ridged(float x, float y, int octaves) const;

private:
    std::array<uint8_t, 512> perm_{};
};

// Distance from p to the segment a-b.
float SegmentDistance(float px, float py, float ax, float ay, float bx, float by);
// Signed distance to an ellipse with half-axes rx, ry (approximate; exact on the axes).
float EllipseDistance(float px, float py, float rx, float ry);
// Smooth minimum of two distances (k: blend radius).
float SmoothMin(float a, float b, float k);

// Adds a soft light: colour * intensity / (1 + (d / radius)^2), fading out beyond reach.
void AddGlow(Canvas& canvas, float cx, float cy, float radius, Colour colour, float reach);
// Adds an antialiased line of the given half-width, with a glow halo.
void AddStroke(Canvas& canvas, float ax, float ay, float bx, float by, float halfWidth, Colour colour,
               float glow = 0.0f);
// Separable box blur, repeated (three passes approximate a gaussian).
Canvas Blur(const Canvas& canvas, int radius, int passes = 3);
// Adds a blurred copy of everything brighter than the threshold.
void Bloom(Canvas& canvas, float threshold, int radius, float strength);
// Darkens towards the edges.
void Vignette(Canvas& canvas, float strength, float softness = 0.75f);
// Soft copy of a mask (box blur of the coverage), for glows behind lettering.
Mask BlurMask(const Mask& mask, int radius, int pad);

}  // namespace forge
