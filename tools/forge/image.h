// image.h -- the forge's pictures: an 8-bit RGB image as the writers take it, and a
// floating-point canvas that the generators paint on before it is quantised. umbravel-tool
// links these too, with the PNG files and the lettering.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace forge {

// Three bytes per pixel, red, green, blue; row 0 is the top of the picture.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    Image() = default;
    Image(int w, int h) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3, 0) {}
    uint8_t* At(int x, int y) { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
    const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

struct Colour {
    float r = 0, g = 0, b = 0;
};
inline Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Colour operator-(Colour a, Colour b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Colour operator*(Colour a, float k) { return {a.r * k, a.g * k, a.b * k}; }
inline Colour operator*(Colour a, Colour b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Colour Mix(Colour a, Colour b, float t) { return a + (b - a) * t; }
// 0..255 components, written as the eye reads them
inline Colour Rgb(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f}; }

// Linear-ish working space, components nominally 0..1 (values above 1 clip when quantised).
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<Colour> px;

    Canvas() = default;
    Canvas(int w, int h) : width(w), height(h), px(static_cast<size_t>(w) * h) {}
    Colour& At(int x, int y) { return px[static_cast<size_t>(y) * width + x]; }
    const Colour& At(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }

    // Calls f(x, y, u, v) for every pixel, u and v in 0..1 at pixel centres; f returns the colour.
    template <class F>
    void Fill(F&& f) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                At(x, y) = f(x, y, (x + 0.5f) / width, (y + 0.5f) / height);
    }
};

// Quantises with a fixed ordered dither, so that dark gradients do not band.
Image ToImage(const Canvas& canvas);
// Nearest-free box/bilinear reduction used for thumbnails and for overlays drawn small.
Image Downscale(const Image& image, int width, int height);
// Copies src into dst with its top-left at (x, y); whatever falls outside dst is clipped.
void Blit(Image& dst, const Image& src, int x, int y);

}  // namespace forge
