// brain_motion.cpp -- the brain section's frame arithmetic: progress through the order,
// the beat, the spikes' pulse, the finale, the sad picture's legs and pictures, the map
// pictures and the flash timing. Pure functions of time and position (the sad picture
// also draws from the random generator); the section applies them to its records.
#include <algorithm>
#include <cmath>

#include "sections/brain_internal.h"
#include "shell/random.h"

float OrderProgress(float t, int ordersSinceStart) {
    const float u = std::clamp(t - static_cast<float>(ordersSinceStart) * kOrderSeconds, 0.0f, kOrderSeconds);
    return u * 0.11458333f;
}

// 0.9166666 beats per second.
float BeatPhase(float t) { return t * 6.2831855f * 0.9166666f; }

float BeatScale(float phase) {
    const float swell = std::exp(std::cos(phase));
    return 1.0f + 0.005f * (swell * swell * swell * swell);
}

uint8_t SpikeAlpha(float phase) {
    return static_cast<uint8_t>(128 + static_cast<int>(127.0f * std::cos(phase)));
}

BrainPose FinalePose(float p, Vec3 storedPosition) {
    const float k = (1.0f - p) * 4.0f;
    return {{k * storedPosition.x, k * storedPosition.y, storedPosition.z}, 1.0f + (p - 0.75f) * 10.0f,
            1.0f + (p - 0.75f) * 12.0f};
}

int OrderQuarter(float p) { return p < 0.25f ? 0 : p < 0.5f ? 1 : p < 0.75f ? 2 : 3; }

Vec3 SadPicturePosition(int quarter, float secondsIntoLeg) {
    struct Leg {
        Vec3 start, velocity;
    };
    // Four crossings of the screen, one a quarter: rightwards below the middle, down
    // right of it, leftwards above it, up left of it.
    static constexpr Leg kLegs[4] = {
        {{-1.4f, -0.4f, -1.1f}, {1.8f, 0.0f, 0.0f}},
        {{0.4f, 1.0f, -1.1f}, {0.0f, -1.0f, 0.0f}},
        {{1.4f, 0.4f, -1.1f}, {-1.8f, 0.0f, 0.0f}},
        {{-0.4f, -1.0f, -1.1f}, {0.0f, 1.0f, 0.0f}},
    };
    const Leg& leg = kLegs[quarter & 3];
    return leg.start + leg.velocity * secondsIntoLeg;
}

int MapChoiceForRow(int row) {
    const int m = row % 4;
    return m == 3 ? 1 : m;
}

int NextSadPicture(int last) {
    int picture;
    do picture = (Random() * 18) >> 15;
    while (picture == last);
    return picture;
}

int FlashTrianglesDue(float secondsIntoPath) {
    return static_cast<int>(secondsIntoPath * 3.6666665f * 50.0f);
}
