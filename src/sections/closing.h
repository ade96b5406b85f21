// closing.h -- the closing section's schedule and fade, apart so they can be checked.
#pragma once

#include <cstdint>

// One step of the closing: wait for (order, row), then type `text` (null: nothing).
struct ClosingStep {
    int order, row;
    const char* text;
};

// The twelve steps, in order; the last waits for order 25 and types nothing.
const ClosingStep* ClosingSchedule(int* count);

// The fade surface's alpha `seconds` into the fade: 255 at its start, 0 at 7 s.
uint8_t ClosingFadeAlpha(float seconds);
