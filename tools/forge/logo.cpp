// logo.cpp -- "LogoW1.tga": the group's name in a ring of light, 256 x 256, opaque. The
// show stacks eight translucent copies of it in depth, so the letters carry the picture
// and the ground stays near black.
#include <cmath>

#include "content.h"
#include "paint.h"
#include "typeface.h"

namespace forge {

Image LogoImage() {
    const int n = 256;
    Canvas c(n, n);
    Noise noise(0x10607);
    c.Fill([&](int, int, float u, float v) {
        float x = u - 0.5f, y = v - 0.5f;
        float r = Length(x, y), a = std::atan2(y, x);
        // A thin ring with filaments that leave it like nerves.
        float ring = std::exp(-std::pow((r - 0.40f) / 0.012f, 2.0f));
        float fil = noise.Ridged(a * 6.0f, r * 9.0f, 3);
        float nerves = std::pow(fil, 6.0f) * SmoothStep(0.47f, 0.40f, r) * SmoothStep(0.18f, 0.36f, r) * 0.8f;
        float haze = 0.05f * std::exp(-r * r / 0.05f);
        Colour ground = Rgb(8, 3, 14) + Rgb(60, 10, 40) * haze * 8.0f;
        return ground + Rgb(190, 150, 230) * ring + Rgb(150, 60, 170) * nerves;
    });
    Typeface title(TitleFontPath(), 62, false);
    Mask word = title.Line("Vorn", 3);
    int wx = (n - word.width) / 2, wy = (n - word.height) / 2 + 2;
    Mask halo = BlurMask(word, 6, 16);
    StampAdd(c, halo, wx - 16, wy - 16, Rgb(170, 70, 200) * 1.6f);
    // Letters lit from above: white at the top edge fading to violet.
    for (int y = 0; y < word.height; ++y)
        for (int x = 0; x < word.width; ++x) {
            float k = word.At(x, y);
            if (k <= 0) continue;
            float t = static_cast<float>(y) / word.height;
            Colour ink = Mix(Rgb(255, 250, 255), Rgb(180, 120, 235), t);
            Colour& p = c.At(wx + x, wy + y);
            p = Mix(p, ink, k);
        }
    Bloom(c, 0.8f, 3, 0.4f);
    return ToImage(c);
}

void MakeLogo(ContentSet& set) {
    Image image = LogoImage();
    set.AddTga("Files\\LogoW1.tga", image, TgaRows::BottomUp);
    set.AddPreview("LogoW1.tga", std::move(image));
}

}  // namespace forge
