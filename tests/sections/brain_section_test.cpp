// The brain section in software GL with stand-in objects: what BrainInit builds, and a
// run through order 22 to the end of its finale.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "brain_test_objects.h"
#include "sections/brain_internal.h"
#include "sections/sections.h"
#include "support/section_harness.h"

namespace {
const BrainParts& Initialised() {
    static bool done = false;
    if (!done) {
        std::string error;
        EXPECT_TRUE(SectionHarness::Start(256, 192, &error)) << error;
        SetEmbeddedArchive(&brain_test::Archive(brain_test::Sphere(1.2f, 48, 24, "Brain1.jpg")));
        BrainInit();
        done = true;
    }
    return GetBrainParts();
}

float Mapped(int32_t r) { return static_cast<float>(r) * 2.0f * 0.000030518509f - 1.0f; }

// Mean absolute difference of two frames over the middle third of the picture.
double CentreDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int w, int h) {
    double sum = 0;
    int n = 0;
    for (int y = h / 3; y < 2 * h / 3; ++y)
        for (int x = w / 3; x < 2 * w / 3; ++x)
            for (int c = 0; c < 3; ++c, ++n) {
                const size_t i = (static_cast<size_t>(y) * w + x) * 3 + c;
                sum += std::abs(static_cast<int>(a[i]) - static_cast<int>(b[i]));
            }
    return sum / n;
}
}  // namespace

TEST(BrainSection, InitBuildsTheSceneFromThreeLoadsOfTheBrain) {
    const BrainParts& parts = Initialised();
    ASSERT_NE(parts.scene, nullptr);
    Scene* scene = parts.scene;
    EXPECT_EQ(scene->objectsAdded, 6);
    EXPECT_EQ(scene->GetObject(1), parts.gyros[0]);
    EXPECT_EQ(scene->GetObject(2), parts.brain);
    EXPECT_EQ(scene->GetObject(3), parts.mapBrain);
    EXPECT_EQ(scene->GetObject(5), parts.sadOverlay);
    EXPECT_EQ(scene->GetObject(4)->GetLightCapacity(), 1);
    EXPECT_EQ(parts.gyros[0]->GetChild(0), parts.gyros[1]);
    EXPECT_EQ(parts.gyros[1]->GetChild(0), parts.gyros[2]);

    // Three separate loads with corresponding triangles; the reference is never drawn.
    const int32_t n = parts.brain->GetTriangleCapacity();
    EXPECT_EQ(parts.mapBrain->GetTriangleCapacity(), n);
    EXPECT_EQ(parts.referenceBrain->GetTriangleCapacity(), n);
    EXPECT_NE(parts.mapBrain->triangles, parts.brain->triangles);
    EXPECT_FALSE(parts.referenceBrain->IsEnabled());
    EXPECT_EQ(BrainAngleCount(), n);
    ASSERT_NE(parts.referenceBrain->GetTriangle(0)->GetTexture(), nullptr);

    // Ten spikes on the brain, one cone's arrays shared, stretched 5 x 20 x 5.
    EXPECT_EQ(parts.brain->childrenAdded, 10);
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(parts.brain->GetChild(k), parts.spikes[k]);
        EXPECT_EQ(parts.spikes[k]->triangles, parts.spikes[0]->triangles);
        EXPECT_TRUE(parts.spikes[k]->IsEnabled());
    }
    for (int32_t i = 0; i < parts.spikes[0]->GetTriangleCapacity(); ++i)
        EXPECT_EQ(parts.spikes[0]->GetTriangle(i)->GetSurface(), parts.spikeSurface);
    EXPECT_NEAR(parts.spikes[0]->GetVertex(4)->GetPosition().y, 3.0f, 1e-5f);
    EXPECT_NEAR(parts.spikes[0]->GetVertex(2)->GetPosition().x, 0.075f, 1e-6f);

    // The spike directions are the generator's first draws after start-up's seed 17,
    // three a spike, taken in reverse.
    SeedRandom(17);
    for (int k = 0; k < 10; ++k) {
        const int32_t r1 = Random(), r2 = Random(), r3 = Random();
        EXPECT_FLOAT_EQ(parts.spikeDirections[k].x, Mapped(r3)) << k;
        EXPECT_FLOAT_EQ(parts.spikeDirections[k].y, Mapped(r2)) << k;
        EXPECT_FLOAT_EQ(parts.spikeDirections[k].z, Mapped(r1)) << k;
    }

    for (const FlashPath& path : parts.paths) EXPECT_EQ(path.count, kFlashPathLength);
    EXPECT_EQ(parts.sadOverlay->scale.x, 0.5f);
    for (const Texture* map : parts.mapTextures) EXPECT_NE(map, nullptr);
}

TEST(BrainSection, RunsThroughOrderTwentyTwoAndEndsInTheCentre) {
    const BrainParts& parts = Initialised();
    // Two frames a row, 132 rows: order 22 lasts 8.8 s at 30 frames a second, a little
    // longer than the section's count of 8.727 s, so the last frames reach p = 1.
    SectionHarness::KeepPixels(true);
    SectionHarness::SetMusic(22, 0, 2, 132);
    BrainRun();
    const std::vector<SectionHarness::FrameInfo> frames = SectionHarness::Frames();
    ASSERT_EQ(frames.size(), 264u);
    EXPECT_EQ(frames.back().order, 22);
    for (const auto& f : frames) ASSERT_GT(f.meanBrightness, 5.0);

    // The finale's end: the brain at the centre, 3.5 wide and high, its copy 4.0.
    const Object3D* brain = parts.brain;
    EXPECT_NEAR(brain->GetPosition().x, 0.0f, 1e-4f);
    EXPECT_NEAR(brain->GetPosition().y, 0.0f, 1e-4f);
    EXPECT_FLOAT_EQ(brain->GetPosition().z, -6.5f);
    EXPECT_NEAR(brain->scale.x, 3.5f, 1e-4f);
    EXPECT_NEAR(brain->scale.y, 3.5f, 1e-4f);
    EXPECT_NEAR(parts.mapBrain->scale.x, 4.0f, 1e-4f);
    EXPECT_NEAR(parts.mapBrain->scale.y, 4.0f, 1e-4f);
    // Its last beat, from the last frame before the finale, stays on Z.
    EXPECT_GE(brain->scale.z, 1.0f);
    EXPECT_LE(brain->scale.z, 1.273f);
    // The brain now fills the middle of the picture.
    EXPECT_GT(CentreDifference(frames.front().rgb, frames.back().rgb, 256, 192), 10.0);

    // The last leg: up from (-0.4, -1.0) at 1 unit a second since p passed 0.75 (frame 197).
    EXPECT_NEAR(parts.sadOverlay->GetPosition().x, -0.4f, 1e-5f);
    EXPECT_NEAR(parts.sadOverlay->GetPosition().y, -1.0f + (263 - 197) / 30.0f, 1e-3f);
    // Row 131: map picture 2 of 3 (rows cycle 0, 1, 2, 1).
    for (int32_t i = 0; i < parts.mapBrain->GetTriangleCapacity(); ++i)
        ASSERT_EQ(parts.mapBrain->GetTriangle(i)->GetTexture(), parts.mapTextures[1]);
    // What is lit now belongs to one path.
    int lit = 0;
    for (int32_t i = 0; i < brain->GetTriangleCapacity(); ++i) lit += brain->GetTriangle(i)->GetTexture() == parts.flashTexture;
    EXPECT_LE(lit, kFlashPathLength);
    const Texture* sad = parts.sadOverlay->GetTriangle(0)->GetTexture();
    EXPECT_EQ(parts.sadOverlay->GetTriangle(1)->GetTexture(), sad);
    EXPECT_NE(std::find(std::begin(parts.sadPictures), std::end(parts.sadPictures), sad), std::end(parts.sadPictures));
}

TEST(BrainSection, StartingAtItsEndDrawsNothing) {
    Initialised();
    SectionHarness::SetMusic(23, 0, 2, 132);
    BrainRun();
    EXPECT_TRUE(SectionHarness::Frames().empty());
}
