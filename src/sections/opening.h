// opening.h -- what the title and logo sections share (the overlay frame) and the parts
// of their timing that are worth looking at on their own.
#pragma once

#include <cstdint>

#include "engine/core/vec_math.h"

struct Scene;
struct Texture;
struct Object3D;

// One frame of a 2D overlay: `pixels` become the texture's image at the overlay size, the
// overlay is placed in front of the scene's active camera, and the scene is drawn.
void DrawOverlayFrame(Scene* scene, Texture* texture, Object3D* overlay, uint8_t* pixels);

// Title. TitleWait draws frames with only the cursor blinking until the music reaches
// (order, row); a position already reached returns without a frame. TitleType types
// `text` one character per `secondsPerCharacter`, a frame at a time; an empty text
// returns at once.
void TitleWait(int order, int row);
void TitleType(const char* text, float secondsPerCharacter);

// Logo.
// 1 when row `row` of order 2 shows the noise screen, 0 for the teletype screen (rows
// outside 0..47 show the teletype).
int LogoRowShowsNoise(int row);
// The far plane while the layers come into view, nearest first, in the first 1.5 s.
float LogoRevealFarPlane(float farPlane, float start, float now);
// The last phase, `d` seconds after it began at `start`: the swing dies away, the far
// plane hides the layers from the farthest on, and the overlay folds like a television
// picture being switched off, first to a line and then to a dot.
struct LogoFade {
    Vec3 camera;
    float farPlane;
    int overlayShown;  // 0 from 0.4 s on
    float scaleY;      // 1 - 4.95 d, then 0.01
    float scaleX;      // 1 until 0.2 s, then 1 - 4.95 (d - 0.2)
};
LogoFade LogoFadeAt(float farPlane, float start, float d);
// The logo scene (the overlay is slot 9), for looking at a running section.
Scene* LogoScene();
