// picture_texture.cpp -- a picture from the file store becomes an engine texture.
#include "engine/core/picture_texture.h"

#include <cstdlib>
#include <new>
#include <vector>

#include "engine/core/engine.h"
#include "filestore/filestore.h"

namespace {

GLEngine* gEngine = nullptr;

// The pixel blocks handed to textures. Built before main, so it outlives the exit
// handler that empties it.
std::vector<uint8_t*> gBlocks;

void FreeBlocksAtExit() { FreePictureBlocks(); }

bool KeepBlock(uint8_t* pixels) {
    static const bool handlerSet = std::atexit(FreeBlocksAtExit) == 0;
    (void)handlerSet;
    try {
        gBlocks.push_back(pixels);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// A failure leaves nothing behind: neither the texture record nor the pixel block.
Texture* MakeTexture(GLEngine* engine, const char* name, int32_t alpha, RgbImage* (*load)(const char*)) {
    if (!engine) return nullptr;
    RgbImage* picture = load(name);
    if (!picture) return nullptr;
    uint8_t* pixels = MakeRgbaPixels(*picture, alpha);
    int32_t size[2] = {picture->width, picture->height};
    DestroyRgbImage(picture);
    if (!pixels) return nullptr;
    Texture* texture = engine->NewTexture();
    if (!texture) {
        std::free(pixels);
        return nullptr;
    }
    if (!KeepBlock(pixels)) {
        engine->DeleteTexture(texture);
        std::free(pixels);
        return nullptr;
    }
    texture->SetImage(size, pixels, 0);
    return texture;
}

}  // namespace

void SetPictureTextureEngine(GLEngine* engine) { gEngine = engine; }

Texture* MakeJpegTexture(const char* name, int32_t alpha) { return MakeTexture(gEngine, name, alpha, LoadJpegImage); }
Texture* MakeTgaTexture(const char* name, int32_t alpha) { return MakeTexture(gEngine, name, alpha, LoadTgaImage); }
Texture* MakeJpegTexture(GLEngine& engine, const char* name, int32_t alpha) {
    return MakeTexture(&engine, name, alpha, LoadJpegImage);
}
Texture* MakeTgaTexture(GLEngine& engine, const char* name, int32_t alpha) {
    return MakeTexture(&engine, name, alpha, LoadTgaImage);
}

int32_t FreePictureBlocks() {
    const int32_t count = static_cast<int32_t>(gBlocks.size());
    for (uint8_t* block : gBlocks) std::free(block);
    gBlocks.clear();
    return count;
}
