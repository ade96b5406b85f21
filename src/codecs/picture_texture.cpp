// picture_texture.cpp -- a picture from the file store becomes an engine texture.
#include "codecs/picture_texture.h"

#include <cstdlib>

#include "codecs/image.h"
#include "engine/core/engine.h"
#include "filestore/filestore.h"

namespace {

GLEngine* gEngine = nullptr;

Texture* MakeTexture(GLEngine* engine, const char* name, int32_t alpha, RgbImage* (*load)(const char*)) {
    if (!engine) return nullptr;
    Texture* texture = engine->NewTexture();
    if (!texture) return nullptr;
    RgbImage* picture = load(name);
    if (!picture) return nullptr;
    uint8_t* pixels = MakeRgbaPixels(*picture, alpha);
    int32_t size[2] = {picture->width, picture->height};
    DestroyRgbImage(picture);
    if (!pixels) return nullptr;
    texture->SetImage(size, pixels, 0);
    return texture;
}

}  // namespace

uint8_t* MakeRgbaPixels(const RgbImage& picture, int32_t alpha) {
    size_t count = size_t(picture.width) * size_t(picture.height);
    auto* pixels = static_cast<uint8_t*>(std::malloc(count * 4));
    if (!pixels) return nullptr;
    const uint8_t* in = picture.pixels;
    uint8_t* out = pixels;
    for (size_t i = 0; i < count; ++i, in += 3, out += 4) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        if (alpha == kAlphaFromBrightness) {
            int32_t sum = in[0] + in[1] + in[2];
            out[3] = static_cast<uint8_t>(sum > 255 ? 255 : sum);
        } else {
            out[3] = static_cast<uint8_t>(alpha & 0xFF);
        }
    }
    return pixels;
}

void SetPictureTextureEngine(GLEngine* engine) { gEngine = engine; }

Texture* MakeJpegTexture(const char* name, int32_t alpha) { return MakeTexture(gEngine, name, alpha, LoadJpegImage); }
Texture* MakeTgaTexture(const char* name, int32_t alpha) { return MakeTexture(gEngine, name, alpha, LoadTgaImage); }
Texture* MakeJpegTexture(GLEngine& engine, const char* name, int32_t alpha) {
    return MakeTexture(&engine, name, alpha, LoadJpegImage);
}
Texture* MakeTgaTexture(GLEngine& engine, const char* name, int32_t alpha) {
    return MakeTexture(&engine, name, alpha, LoadTgaImage);
}
