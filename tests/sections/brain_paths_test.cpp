// The brain's triangle directions, the nearest-triangle search and the flash paths.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "brain_test_objects.h"
#include "engine/core/engine.h"
#include "engine/core/lightwave_loader.h"
#include "filestore/filestore.h"
#include "sections/brain_internal.h"
#include "shell/random.h"

namespace {
GLEngine* Engine() {
    static GLEngine* engine = CreateGLEngine();
    return engine;
}

// An object whose triangle i has the corners corners[i].
Object3D* Triangles(const std::vector<std::array<Vec3, 3>>& corners) {
    const auto n = static_cast<int32_t>(corners.size());
    Object3D* o = Engine()->NewObject(0, 0, n, 3 * n);
    for (int32_t i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c) {
            o->GetVertex(3 * i + c)->SetPosition(corners[i][c]);
            o->GetTriangle(i)->SetVertex(c, o->GetVertex(3 * i + c));
        }
    return o;
}

// A small triangle around the direction d, at distance 2.
std::array<Vec3, 3> Facing(Vec3 d) {
    const Vec3 centre = d * (2.0f / std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z));
    return {centre + Vec3(0.01f, 0, 0), centre + Vec3(0, 0.01f, 0), centre + Vec3(0, 0, 0.01f)};
}

// The same triangle mirrored in the y-z plane: its direction mirrors exactly.
std::array<Vec3, 3> Mirrored(std::array<Vec3, 3> t) {
    for (Vec3& v : t) v.x = -v.x;
    return t;
}

std::vector<uint8_t> servedFile;
uint8_t* Serve(const char*, uint32_t* size) {
    auto* copy = static_cast<uint8_t*>(std::malloc(servedFile.size()));
    std::memcpy(copy, servedFile.data(), servedFile.size());
    *size = static_cast<uint32_t>(servedFile.size());
    return copy;
}

Object3D* LoadSphere(int slices, int stacks) {
    servedFile = brain_test::Sphere(1.2f, slices, stacks);
    SetObjectFileOpener(Serve);
    SetPolygonWinding(1);
    Object3D* sphere = nullptr;
    EXPECT_TRUE(LoadLightWaveObject(Engine(), &sphere, "Brain.lwo", 0, 10)) << GetObjectLoaderError();
    SetPolygonWinding(0);
    return sphere;
}
}  // namespace

TEST(BrainAngles, AreTheUnitSumOfTheCornersDirections) {
    // Corners at different distances count alike: only their directions add up.
    Object3D* o = Triangles({{Vec3(2, 0, 0), Vec3(0, 3, 0), Vec3(0, 0, 4)},
                             // A corner at the origin adds nothing instead of making the entry unusable.
                             {Vec3(0, 0, 0), Vec3(0, 5, 0), Vec3(0, 1, 0)},
                             // Corners cancelling out leave no direction at all.
                             {Vec3(1, 0, 0), Vec3(-1, 0, 0), Vec3(0, 0, 0)}});
    ASSERT_TRUE(MakeBrainAngles(*o));
    EXPECT_EQ(BrainAngleCount(), 3);
    const float k = 1.0f / std::sqrt(3.0f);
    const float near111[3] = {k, k, k};
    EXPECT_EQ(FindNearestTriangle(near111), 0);
    const float up[3] = {0, 1, 0};
    EXPECT_EQ(FindNearestTriangle(up), 1);
    const float none[3] = {0, 0, 0};
    EXPECT_EQ(FindNearestTriangle(none), 2);
}

TEST(FindNearestTriangle, TakesTheSmallestSumOfDifferencesAndTheFirstOfEqualOnes) {
    // Triangles 1 and 2 lie symmetrically about straight up; 3 repeats 1 exactly.
    Object3D* o = Triangles({Facing({1, 0, 0}), Facing({0.3f, 1, 0}), Mirrored(Facing({0.3f, 1, 0})), Facing({0.3f, 1, 0}),
                             Facing({0, 0, -1})});
    ASSERT_TRUE(MakeBrainAngles(*o));
    const float up[3] = {0, 1, 0};
    EXPECT_EQ(FindNearestTriangle(up), 1);
    const float leaningLeft[3] = {-0.28f, 0.96f, 0.0f};
    EXPECT_EQ(FindNearestTriangle(leaningLeft), 2);
    const float leaningRight[3] = {0.28f, 0.96f, 0.0f};
    EXPECT_EQ(FindNearestTriangle(leaningRight), 1);
    const float back[3] = {0, 0, -1};
    EXPECT_EQ(FindNearestTriangle(back), 4);
    // Beyond every triangle by more than the starting distance: the search keeps index 0.
    const float far[3] = {3e6f, 0, 0};
    EXPECT_EQ(FindNearestTriangle(far), 0);

    // No triangles: index 0, and no paths to light.
    Object3D* empty = Engine()->NewObject(0, 0, 0, 0);
    ASSERT_TRUE(MakeBrainAngles(*empty));
    EXPECT_EQ(FindNearestTriangle(up), 0);
    FlashPath paths[kFlashPaths];
    MakeFlashPaths(paths);
    for (const FlashPath& path : paths) EXPECT_EQ(path.count, 0);
}

TEST(FlashPaths, HoldFiftyDifferentTrianglesOnTopAndAreTheSameEveryTime) {
    Object3D* sphere = LoadSphere(48, 24);
    ASSERT_NE(sphere, nullptr);
    ASSERT_TRUE(MakeBrainAngles(*sphere));
    SeedRandom(17);
    FlashPath paths[kFlashPaths];
    const int64_t steps = MakeFlashPaths(paths);
    EXPECT_LT(steps, 10 * kSpiralStepLimit);
    // Two draws a path from seed 20, no more, no fewer: the section's later draws follow.
    const int32_t next = Random();
    SeedRandom(20);
    for (int i = 0; i < 2 * kFlashPaths; ++i) Random();
    EXPECT_EQ(next, Random());

    std::set<std::vector<int32_t>> distinctPaths;
    for (const FlashPath& path : paths) {
        ASSERT_EQ(path.count, kFlashPathLength);
        const std::set<int32_t> unique(path.triangles, path.triangles + path.count);
        EXPECT_EQ(unique.size(), 50u);
        for (int32_t t : path.triangles) {
            ASSERT_GE(t, 0);
            ASSERT_LT(t, sphere->GetTriangleCapacity());
            // The spirals look down from above: every triangle found faces up.
            const Triangle* triangle = sphere->GetTriangle(t);
            float y = 0;
            for (int c = 0; c < 3; ++c) y += triangle->GetVertex(c)->GetPosition().y;
            EXPECT_GT(y, 0.0f);
        }
        distinctPaths.insert(std::vector<int32_t>(path.triangles, path.triangles + path.count));
    }
    EXPECT_GT(distinctPaths.size(), 5u);

    // Whatever the generator's state before, the paths come out the same.
    SeedRandom(12345);
    FlashPath again[kFlashPaths];
    MakeFlashPaths(again);
    for (int p = 0; p < kFlashPaths; ++p) {
        EXPECT_EQ(again[p].count, paths[p].count);
        EXPECT_EQ(0, std::memcmp(again[p].triangles, paths[p].triangles, sizeof paths[p].triangles)) << "path " << p;
    }
}

TEST(FlashPaths, EndWithFewerTrianglesWhenTheBrainHasTooFewFacingUp) {
    // 4 x 3 segments: 16 triangles in all. Without a bound the search for 50 would never
    // end.
    Object3D* small = LoadSphere(4, 3);
    ASSERT_NE(small, nullptr);
    ASSERT_TRUE(MakeBrainAngles(*small));
    FlashPath paths[kFlashPaths];
    EXPECT_EQ(MakeFlashPaths(paths), int64_t{10} * kSpiralStepLimit);
    for (const FlashPath& path : paths) {
        EXPECT_GT(path.count, 0);
        EXPECT_LT(path.count, kFlashPathLength);
        const std::set<int32_t> unique(path.triangles, path.triangles + path.count);
        EXPECT_EQ(unique.size(), static_cast<size_t>(path.count));
    }
}

TEST(FlashPaths, TheEmbeddedBrainGivesTenFullPathsWellWithinTheBound) {
    if (GetEmbeddedFileSize("Files\\Brain.lwo") == 0) GTEST_SKIP() << "no Brain.lwo in the content";
    SetObjectFileOpener(LoadFileCopy);
    SetPolygonWinding(1);
    Object3D* brain = nullptr;
    ASSERT_TRUE(LoadLightWaveObject(Engine(), &brain, "Brain.lwo", 0, 10)) << GetObjectLoaderError();
    SetPolygonWinding(0);
    ASSERT_TRUE(MakeBrainAngles(*brain));
    FlashPath paths[kFlashPaths], again[kFlashPaths];
    EXPECT_LT(MakeFlashPaths(paths), kSpiralStepLimit);
    MakeFlashPaths(again);
    for (int p = 0; p < kFlashPaths; ++p) {
        ASSERT_EQ(paths[p].count, kFlashPathLength);
        EXPECT_EQ(std::set<int32_t>(paths[p].triangles, paths[p].triangles + kFlashPathLength).size(), 50u);
        EXPECT_EQ(0, std::memcmp(again[p].triangles, paths[p].triangles, sizeof paths[p].triangles)) << "path " << p;
    }
}
