// brain_paths.cpp -- the brain's triangle directions and the ten flash paths: spirals of
// points above the brain, each projected onto the triangle whose direction is nearest.
// The paths depend only on the brain object and the seed 20, so every run finds the same.
#include <cmath>
#include <cstdlib>

#include "sections/brain_internal.h"
#include "shell/random.h"

namespace {
float* brainAngles = nullptr;  // 3 floats per triangle
int32_t brainAngleCount = 0;

Vec3 UnitOrNothing(Vec3 v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return length > 0.0f ? v * (1.0f / length) : Vec3();
}

// A random number mapped to -1..1 (0.000030518509 is 1/32767 in single precision).
float RandomSigned() { return static_cast<float>(Random()) * 2.0f * 0.000030518509f - 1.0f; }

bool Holds(const FlashPath& path, int32_t triangle) {
    for (int32_t i = 0; i < path.count; ++i)
        if (path.triangles[i] == triangle) return true;
    return false;
}
}  // namespace

int MakeBrainAngles(const Object3D& brain) {
    const int32_t count = brain.GetTriangleCapacity();
    std::free(brainAngles);
    brainAngles = nullptr;
    brainAngleCount = 0;
    if (count > 0) {
        brainAngles = static_cast<float*>(std::malloc(static_cast<size_t>(count) * 12));
        if (!brainAngles) return 0;
    }
    for (int32_t i = 0; i < count; ++i) {
        const Triangle* triangle = brain.GetTriangle(i);
        Vec3 sum;
        for (int c = 0; c < 3; ++c) {
            const Vertex* corner = triangle->GetVertex(c);
            if (corner) sum = sum + UnitOrNothing(corner->GetPosition());
        }
        const Vec3 direction = UnitOrNothing(sum);
        brainAngles[3 * i + 0] = direction.x;
        brainAngles[3 * i + 1] = direction.y;
        brainAngles[3 * i + 2] = direction.z;
    }
    brainAngleCount = count;
    return 1;
}

int32_t BrainAngleCount() { return brainAngleCount; }

int FindNearestTriangle(const float direction[3]) {
    float best = 1000000.0f;
    int nearest = 0;
    for (int32_t i = 0; i < brainAngleCount; ++i) {
        const float* a = &brainAngles[3 * i];
        const float distance =
            std::fabs(a[0] - direction[0]) + std::fabs(a[1] - direction[1]) + std::fabs(a[2] - direction[2]);
        if (distance < best) {
            best = distance;
            nearest = i;
        }
    }
    return nearest;
}

int64_t MakeFlashPaths(FlashPath (&paths)[kFlashPaths]) {
    SeedRandom(20);
    int64_t steps = 0;
    for (FlashPath& path : paths) {
        path.count = 0;
        float r = 0.0f, a = 0.0f;
        const float cx = RandomSigned();
        const float cy = RandomSigned();
        if (brainAngleCount == 0) continue;  // no triangle to light
        for (int step = 0; path.count < kFlashPathLength && step < kSpiralStepLimit; ++step, ++steps) {
            const float px = cx + r * std::sin(a), py = cy + r * std::cos(a);
            const float length = std::sqrt(px * px + py * py + 1.0f);
            const float direction[3] = {px / length, 1.0f / length, py / length};
            const int32_t i = FindNearestTriangle(direction);
            if (!Holds(path, i)) path.triangles[path.count++] = i;
            a += 1.3194689f;
            r += 0.001f;
            if (a > 6.2831855f) a -= 6.2831855f;
        }
    }
    return steps;
}
