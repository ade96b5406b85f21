// heart_internal.h -- the heart section's rules apart from its records, and a look at its
// state for the tests: the camera cuts, the beat, the droplets in play, the chain's helix
// and fade, and where cameras and spheres stand.
#pragma once

#include <cstdint>

#include "engine/core/records.h"

namespace heart {

inline constexpr int kCameras = 5;
inline constexpr int kSpheres = 3;
inline constexpr int kLinks = 24;
inline constexpr int kDroplets = 50;
inline constexpr int kSpawnPoints = 12;
inline constexpr int kObjectSlots = 57;
// Scene object slots.
inline constexpr int kHeartSlot = 0, kChainSlot = 1, kFirstSphereSlot = 2, kFirstDropletSlot = 5,
                     kMetaballSlot = 55, kBackgroundSlot = 56;
inline constexpr int32_t kEndOrder = 10, kMetaballOrder = 9, kChainOrder = 4;

// A new order cuts to the next camera at once; within an order the camera holds for 33
// rows (rows 0 to 32 one camera, row 33 the next).
struct CameraCutter {
    int32_t lastOrder = -1;
    int32_t changeRow = 0;
    int32_t camera = 0;
    // True when the position cuts; `camera` is then the new index (4 wraps to 0).
    bool Step(int32_t order, int32_t row);
};

// The heartbeat below order 9. Orders 5 to 8 quicken it: the period shrinks by 0.965 each
// second and the chain winds tighter.
struct Beat {
    float phase = -0.2f;
    float period = 1.0714286f;
    float windingX = 0.8f;
    void Step(int32_t order, float dt);
};

// Droplets in play after `elapsed` seconds: fifty within four seconds.
int DropletsInPlay(float elapsed);
// The chain's alpha `since` seconds after it appeared: it fades in over 2.5 seconds.
int ChainAlpha(float since);
// Link i of the helix, relative to the chain object.
Vec3 LinkPosition(int i, float windingX, float elapsed);
Vec3 CameraPosition(int i, float elapsed, Vec3 heart);
Vec3 SpherePosition(int i, float elapsed);
// The heart's scale along x and z at a beat phase.
float PulseX(float phase);
float PulseZ(float phase);

struct Droplet {
    int32_t active;
    Vec3 position;
    Vec3 velocity;
    float spare;
    float deathTime;  // on the GetTime clock
    float size;
    float phase;      // of the wobble
    Object3D* object;
};

// Brings a droplet back at a random spawn point of the heart, living four seconds from
// `now`; draws six numbers from the shared generator.
void RespawnDroplet(Droplet& d, float now);

// What the section holds, for the tests (valid after HeartInit).
Scene* GetScene();
const Beat& GetBeat();
const Droplet* GetDroplets();
Surface* GetLinkSurface();
bool IsSpawning();

}  // namespace heart
