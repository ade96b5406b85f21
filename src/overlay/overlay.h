// overlay.h -- full-screen 2D pictures drawn as a textured quad that fills the camera's
// view, just behind the near plane (foreground) or just before the far plane
// (background), and the pixel-buffer screens drawn on them.
#pragma once

#include <cstdint>

#include "engine/core/engine.h"

enum : int { kOverlayBackground = 0, kOverlayForeground = 1 };

// The size of overlay pictures: 64, 128 or 256 on each side (256 x 256 at start). Any
// other pair leaves the size as it was.
void SetOverlaySize(const int32_t size[2]);
// Fills `size` and returns it, ready to hand to a texture's SetImage.
int32_t* GetOverlaySize(int32_t size[2]);
int32_t GetOverlayPixelCount();
int32_t GetOverlayWidthLog2();
int32_t GetOverlayHeightLog2();

// A quad of 4 vertices and 2 triangles showing `texture` (texel coordinates fixed at the
// current overlay size); `material` may be null. Quits on failure.
Object3D* CreateOverlayQuad(GLEngine* engine, Texture* texture, Surface* material);

// Places the quad in front of the camera as it is now, so that it exactly covers the view.
// Call every frame after the camera moved. Quits on a kind other than the two above.
void PlaceOverlay(Object3D* quad, const Camera* camera, int kind);

// The noise screen: grey random pixels, each step XOR-ing every pixel with its right-hand
// neighbour and feeding a fresh random pixel in at the end.
uint8_t* NoiseFrame();
// A noise step uploaded to `texture` at the size the noise buffer was made at (the overlay
// size of its first use); returns SetImage's texture.
Texture* NoiseToTexture(Texture* texture);

// The teletype screen: types `text` (null starts a fresh page) at the cursor with a beep
// per character, blinks the cursor by `time` (seconds), and returns the screen's pixels.
uint8_t* TeletypeFrame(const char* text, float time);
