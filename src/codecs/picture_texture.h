// picture_texture.h -- engine textures from single pictures of the file store, with an
// alpha channel.
//
// The alpha argument is stored as every pixel's alpha (its low eight bits), or with
// kAlphaFromBrightness each pixel's alpha is red + green + blue, limited to 255. The
// texture gets a new block of width x height x 4 bytes (R, G, B, A) that it does not own
// and that is never freed. Null on any failure, without a message; a texture created
// before a later step fails is not deleted. Main thread only.
#pragma once

#include <cstdint>

#include "codecs/image.h"  // kAlphaFromBrightness, MakeRgbaPixels

class GLEngine;
struct Texture;
struct RgbImage;

// The engine the short forms use (the program's one engine); null makes them fail.
void SetPictureTextureEngine(GLEngine* engine);

Texture* MakeJpegTexture(const char* name, int32_t alpha);  // "Files\" + name, JPEG
Texture* MakeTgaTexture(const char* name, int32_t alpha);   // "Files\" + name, TGA
Texture* MakeJpegTexture(GLEngine& engine, const char* name, int32_t alpha);
Texture* MakeTgaTexture(GLEngine& engine, const char* name, int32_t alpha);

