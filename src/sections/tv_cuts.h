// tv_cuts.h -- the TV section's rules by the music: the camera cuts (on fixed rows of
// every pattern the next of the four cameras takes over) and the colour of the light
// inside the set.
#pragma once

#include <vector>

#include "engine/core/records.h"

// Rows of a pattern that cut. After the last entry of phase one no cut follows in that
// order; in phase two the last threshold stays, so every frame from row 60 on cuts.
inline const std::vector<int> kTvPhaseOneRows = {0,  8,  10, 12, 14, 16, 24, 26, 28, 30, 32,
                                                 40, 42, 44, 46, 48, 56, 58, 60, 62, 64};
inline const std::vector<int> kTvPhaseTwoRows = {0,  8,  10, 12, 14, 16, 24, 26, 28, 30,
                                                 32, 40, 42, 44, 46, 48, 56, 58, 60};

struct TvCameraCuts {
    int camera = 0;
    int nextOrder = 0;
    size_t threshold = 0;  // index into the row list

    // One frame: a new order starts the list again; a row at or past the threshold cuts
    // once and moves the threshold on (with `holdLast`, never past the last entry).
    // Returns whether the camera changed.
    bool Step(int order, int row, const std::vector<int>& rows, bool holdLast) {
        if (order >= nextOrder) {
            nextOrder = order + 1;
            threshold = 0;
        }
        if (threshold >= rows.size() || row < rows[threshold]) return false;
        camera = (camera + 1) % 4;
        if (!holdLast || threshold + 1 < rows.size()) ++threshold;
        return true;
    }
};

// The light inside the set at pattern ramp r (0..1 across a pattern): grey fading out over
// order 18's noise; otherwise white, dipping through red near the end of the pattern.
inline Colour TvLightColour(float ramp, bool noise) {
    if (noise) {
        const int c = static_cast<int>((1.0f - ramp) * 255.0f);
        return Colour(static_cast<uint8_t>(c), static_cast<uint8_t>(c), static_cast<uint8_t>(c), 255);
    }
    if (ramp < 0.8f) return Colour(255, 255, 255, 255);
    const int c = static_cast<int>(ramp < 0.9f ? (0.9f - ramp) * 2550.0f : (ramp - 0.9f) * 2550.0f);
    const uint8_t byte = static_cast<uint8_t>(c > 255 ? 255 : c);
    return Colour(255, byte, byte, 255);
}
