// noise_screen.cpp -- the noise screen: one pass over the buffer per step and one fresh
// random pixel; its speed follows the frame rate.
#include <cstdlib>
#include <cstring>

#include "overlay/overlay.h"
#include "shell/quit.h"
#include "shell/random.h"

namespace {
uint32_t* noise = nullptr;  // one 32-bit value per pixel, created at the overlay size of first use
int32_t noisePixels = 0;
int32_t noiseSize[2] = {0, 0};  // the overlay size the buffer was created at

uint32_t GreyPixel() {
    const uint32_t r = static_cast<uint32_t>(Random()) & 0xFF;
    return r * 0x01010101u;
}
}  // namespace

uint8_t* NoiseFrame() {
    if (!noise) {
        GetOverlaySize(noiseSize);
        noisePixels = GetOverlayPixelCount();
        noise = static_cast<uint32_t*>(std::malloc(static_cast<size_t>(noisePixels) * 4));
        if (!noise) Quit("NoiseScreen malloc failed");
        for (int32_t i = 0; i < noisePixels; ++i) noise[i] = GreyPixel();
    }
    for (int32_t i = 0; i < noisePixels - 1; ++i) noise[i] ^= noise[i + 1];
    noise[noisePixels - 1] = GreyPixel();
    return reinterpret_cast<uint8_t*>(noise);
}

// The buffer keeps the size it was made at; a later overlay size (another section's
// pictures) must not make the upload read past it (see NoiseUploadsAtItsOwnSize).
Texture* NoiseToTexture(Texture* texture) {
    uint8_t* pixels = NoiseFrame();
    texture->SetImage(noiseSize, pixels, 0);
    return texture;
}
