// lightwave_internal.h -- shared by the object loader and its texture creation only.
#pragma once

#include <cstdint>

#include "engine/core/engine.h"
#include "engine/core/lightwave_loader.h"

struct LoaderSurface {
    char name[64];
    Surface* surface;
    Texture* texture;
    char textureBase[64];  // upper-case base name of the texture file; empty before one is made
    int32_t axis;          // planar mapping axis: 0 x, 1 y, 2 z
    float size[3];
    float centre[3];
};

// Makes (or shares) the texture of `surfaces[index]` from the file name an object names.
// 1 on success; 0 with the message in *error.
int MakeLoaderTexture(GLEngine* engine, LoaderSurface* surfaces, int32_t count, int32_t index,
                      const char* fileName, ObjectFileOpener opener, const char** error);
