// Overlay sizes, quads and their placement, and the noise screen's rule.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/core/engine.h"
#include "overlay/overlay.h"
#include "shell/random.h"

namespace {
struct OverlaySizeGuard {
    ~OverlaySizeGuard() {
        const int32_t size[2] = {256, 256};
        SetOverlaySize(size);
    }
};
}  // namespace

TEST(Overlay, OnlyPowerOfTwoSidesFrom64To256AreAccepted) {
    OverlaySizeGuard guard;
    int32_t size[2];
    EXPECT_EQ(GetOverlaySize(size), size);
    EXPECT_EQ(size[0], 256);
    const int32_t bad[2] = {320, 240};
    SetOverlaySize(bad);
    GetOverlaySize(size);
    EXPECT_EQ(size[0], 256);
    EXPECT_EQ(size[1], 256);
    const int32_t oneBad[2] = {128, 100};
    SetOverlaySize(oneBad);
    EXPECT_EQ(GetOverlaySize(size)[0], 256);
    const int32_t tall[2] = {128, 256};
    SetOverlaySize(tall);
    GetOverlaySize(size);
    EXPECT_EQ(size[0], 128);
    EXPECT_EQ(size[1], 256);
    EXPECT_EQ(GetOverlayPixelCount(), 128 * 256);
    EXPECT_EQ(GetOverlayWidthLog2(), 7);
    EXPECT_EQ(GetOverlayHeightLog2(), 8);
}

TEST(Overlay, TexelCoordinatesAreFixedWhenTheQuadIsMade) {
    OverlaySizeGuard guard;
    GLEngine* engine = CreateGLEngine();
    Texture texture;
    const int32_t small[2] = {128, 128};
    SetOverlaySize(small);
    Object3D* quad = CreateOverlayQuad(engine, &texture, nullptr);
    const int32_t big[2] = {256, 64};
    SetOverlaySize(big);
    const Triangle* t0 = quad->GetTriangle(0);
    const Triangle* t1 = quad->GetTriangle(1);
    EXPECT_EQ(t0->GetTexCoord(0), (TexCoord{128, 0}));
    EXPECT_EQ(t0->GetTexCoord(2), (TexCoord{128, 128}));
    EXPECT_EQ(t1->GetTexCoord(1), (TexCoord{0, 128}));
    EXPECT_EQ(t0->GetVertex(0), quad->GetVertex(0));
    EXPECT_EQ(t1->GetVertex(1), quad->GetVertex(3));
    EXPECT_EQ(t0->GetTexture(), &texture);
    EXPECT_EQ(t0->hasSurface, 0);
    EXPECT_TRUE(t1->IsEnabled());
    Surface material;
    Object3D* lit = CreateOverlayQuad(engine, &texture, &material);
    EXPECT_EQ(lit->GetTriangle(1)->GetSurface(), &material);
    EXPECT_EQ(lit->GetTriangle(0)->GetTexCoord(0), (TexCoord{256, 0}));
    engine->DeleteObject(quad);
    engine->DeleteObject(lit);
    delete engine;
}

TEST(Overlay, PlacementDistancesAndExtents) {
    GLEngine* engine = CreateGLEngine();
    Texture texture;
    Object3D* quad = CreateOverlayQuad(engine, &texture, nullptr);
    Camera camera;
    camera.SetPosition({1, 2, 3});
    PlaceOverlay(quad, &camera, kOverlayForeground);
    EXPECT_NEAR(quad->GetPosition().z, 3 - 1.0002108f, 1e-5f);
    const float p = quad->GetVertex(1)->GetPosition().x;
    EXPECT_NEAR(p, std::tan(45.0f * 0.01745329f) * 1.0002108f, 1e-5f);
    EXPECT_NEAR(quad->GetVertex(1)->GetPosition().y, std::tan(33.834587f * 0.01745329f) * 1.0002108f, 1e-5f);
    EXPECT_NEAR(quad->GetDirection().z, 1.0f, 1e-6f);  // it looks back at the camera
    // Local -z is the direction back to the camera: the quad's face turns to it.
    EXPECT_NEAR(quad->GetVertex(0)->GetNormal().z, -1.0f, 1e-5f);
    PlaceOverlay(quad, &camera, kOverlayBackground);
    EXPECT_NEAR(3 - quad->GetPosition().z, 999.7893f, 1e-2f);
    engine->DeleteObject(quad);
    delete engine;
}

TEST(Noise, EachStepXorsTheRightNeighbourAndFeedsOneGreyPixel) {
    SeedRandom(17);
    const int32_t n = GetOverlayPixelCount();
    const uint8_t* first = NoiseFrame();
    std::vector<uint32_t> before(static_cast<size_t>(n));
    std::memcpy(before.data(), first, before.size() * 4);
    const uint8_t* second = NoiseFrame();
    std::vector<uint32_t> after(static_cast<size_t>(n));
    std::memcpy(after.data(), second, after.size() * 4);
    for (int32_t i = 0; i + 1 < n; ++i) ASSERT_EQ(after[i], before[i] ^ before[i + 1]) << i;
    for (int32_t i = 0; i < n; ++i) {
        const uint8_t* p = second + static_cast<size_t>(i) * 4;
        ASSERT_TRUE(p[0] == p[1] && p[1] == p[2] && p[2] == p[3]) << "pixel " << i << " is not grey";
    }
    // The first step of a fresh buffer: n draws to fill it, then one for the last pixel.
    SeedRandom(17);
    uint32_t expectedLast = 0;
    for (int32_t i = 0; i <= n + 1; ++i) expectedLast = static_cast<uint32_t>(Random()) & 0xFF;
    EXPECT_EQ(after[static_cast<size_t>(n - 1)], expectedLast * 0x01010101u);
}

// The buffer is made at the overlay size of its first use; a later, larger overlay size
// must not make the upload read past it.
TEST(Noise, NoiseUploadsAtItsOwnSize) {
    OverlaySizeGuard guard;
    const int32_t small[2] = {64, 128};
    SetOverlaySize(small);
    NoiseFrame();
    const int32_t large[2] = {256, 256};
    SetOverlaySize(large);
    Texture texture;
    EXPECT_EQ(NoiseToTexture(&texture), &texture);
    int32_t size[2];
    texture.GetSize(size);
    EXPECT_EQ(size[0], 64);
    EXPECT_EQ(size[1], 128);
}
