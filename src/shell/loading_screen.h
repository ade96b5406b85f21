// loading_screen.h -- the loading screen: a picture with a progress bar painted into it,
// drawn once per loading step.
#pragma once

#include <cstdint>

// Ends the program through Quit on failure.
void LoadingScreenInit();
// 0 <= step <= total. Honours Escape (Quit without a message), then grows the bar and
// draws one frame.
void LoadingScreenStep(int step, int total);

// The bar's last column at a step: 15 + floor(225 x step / total).
int LoadingBarRight(int step, int total);
// Paints the bar (rows 166..203, columns 15..right) into an RGBA picture, clipped to it.
void PaintLoadingBar(uint8_t* pixels, int32_t width, int32_t height, int step, int total);
