// loading_screen.h -- the loading screen: a scene of its own drawn once per loading step.
#pragma once

// Ends the program through Quit on failure.
void LoadingScreenInit();
// 0 <= step <= total. Honours Escape (Quit without a message), then draws one frame.
void LoadingScreenStep(int step, int total);
