// picture_texture.h -- engine textures from single pictures of the file store, with an
// alpha channel.
//
// The alpha argument is stored as every pixel's alpha (its low eight bits), or with
// kAlphaFromBrightness each pixel's alpha is red + green + blue, limited to 255. The
// texture gets a new block of width x height x 4 bytes (R, G, B, A) that it does not own:
// the blocks stay while the program runs and go at its normal exit (FreePictureBlocks).
// Null on any failure, without a message; nothing is left behind by a failure. Main
// thread only.
//
// This unit sits above the engine, the file store and the codecs (library
// umbravel_pictures): none of them includes it.
#pragma once

#include <cstdint>

#include "codecs/image.h"  // kAlphaFromBrightness, MakeRgbaPixels

class GLEngine;
struct Texture;

// The engine the short forms use (the program's one engine); null makes them fail.
void SetPictureTextureEngine(GLEngine* engine);

Texture* MakeJpegTexture(const char* name, int32_t alpha);  // "Files\" + name, JPEG
Texture* MakeTgaTexture(const char* name, int32_t alpha);   // "Files\" + name, TGA
Texture* MakeJpegTexture(GLEngine& engine, const char* name, int32_t alpha);
Texture* MakeTgaTexture(GLEngine& engine, const char* name, int32_t alpha);

// Frees every pixel block the textures above were given; returns how many. Runs by
// itself at a normal exit (std::exit, after the engine is shut down), not at the quick
// exit that leaves a render thread running. Textures made before it must not be drawn
// again.
int32_t FreePictureBlocks();
