// brain_internal.h -- shared by the brain section's units and their tests: the brain's
// triangle directions and flash paths (brain_paths.cpp), the frame arithmetic of the
// section (brain_motion.cpp) and the records BrainInit builds (brain_section.cpp).
#pragma once

#include <cstdint>

#include "engine/core/records.h"

// ---- Triangle directions and flash paths (brain_paths.cpp) ----

inline constexpr int kFlashPaths = 10;
inline constexpr int kFlashPathLength = 50;
// A spiral gives up after this many points: its radius has then grown to 20, where the
// points are within three degrees of the horizon and no longer sweep the brain's top. A
// brain with fewer than 50 triangles facing up ends its paths here, shorter.
inline constexpr int kSpiralStepLimit = 20000;

struct FlashPath {
    int32_t triangles[kFlashPathLength];
    int32_t count;  // 50, or fewer when the spiral ran out of steps
};

// The direction of every triangle of `brain` (up to its capacity) as seen from the
// object's origin: the unit vector of the sum of its corners' unit vectors. A corner at
// the origin, or a missing one, adds nothing; a triangle with no direction gets (0, 0, 0).
// Replaces the table of an earlier call. 0 when the table cannot be allocated.
int MakeBrainAngles(const Object3D& brain);
int32_t BrainAngleCount();
// The triangle whose direction has the smallest sum of absolute component differences
// to `direction`; the first of equal candidates wins. 0 when the table is empty.
int FindNearestTriangle(const float direction[3]);
// Reseeds the random generator with 20 and runs the ten spirals (centres drawn from it)
// over the current table. An empty table gives empty paths. Returns the points the
// spirals took in all.
int64_t MakeFlashPaths(FlashPath (&paths)[kFlashPaths]);

// ---- Frame arithmetic (brain_motion.cpp) ----

inline constexpr float kOrderSeconds = 8.727273f;  // one order of the section's music

// Progress p (0..1) through the current order, t seconds into the section and
// `ordersSinceStart` orders after the order it started in.
float OrderProgress(float t, int ordersSinceStart);
// Beat phase of the brain at t.
float BeatPhase(float t);
// 1 + 0.005 (e^cos(phase))^4: from about 1.0001 to 1.273.
float BeatScale(float phase);
// 128 + trunc(127 cos(phase)): 1..255.
uint8_t SpikeAlpha(float phase);

struct BrainPose {
    Vec3 position;
    float brainScale;  // on X and Y
    float mapScale;    // the map brain's, on X and Y
};
// The finale (p > 0.75 in the last order): the brain glides from its last stored
// position to the centre line while both brains swell.
BrainPose FinalePose(float p, Vec3 storedPosition);

// The quarter of the order (0..3) and where the sad picture stands `secondsIntoLeg` into
// that quarter's leg.
int OrderQuarter(float p);
Vec3 SadPicturePosition(int quarter, float secondsIntoLeg);
// The map picture (0..2) for a music row: rows cycle through 0, 1, 2, 1.
int MapChoiceForRow(int row);
// A sad picture index (0..17) other than `last`, drawn from the random generator.
int NextSadPicture(int last);
// How many triangles of the current path are due `secondsIntoPath` after it began
// (more than 50 means the path is over).
int FlashTrianglesDue(float secondsIntoPath);

// ---- What BrainInit builds (brain_section.cpp) ----

struct BrainParts {
    Scene* scene = nullptr;
    Object3D* gyros[3] = {};
    Object3D* brain = nullptr;
    Object3D* mapBrain = nullptr;
    Object3D* referenceBrain = nullptr;
    Object3D* spikes[10] = {};
    Vec3 spikeDirections[10];
    Surface* spikeSurface = nullptr;
    Object3D* sadOverlay = nullptr;
    Texture* sadPictures[18] = {};
    Texture* flashTexture = nullptr;
    Texture* mapTextures[3] = {};
    FlashPath paths[kFlashPaths] = {};
};
const BrainParts& GetBrainParts();
