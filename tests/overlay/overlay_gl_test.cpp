// Overlay quads drawn with software GL exactly cover the view, in front of or behind the scene.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/engine.h"
#include "overlay/overlay.h"
#include "platform/platform.h"
#include "support/capture_platform.h"

namespace {
constexpr int kWidth = 320, kHeight = 240;

class OverlayGLTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        ASSERT_TRUE(StartCapturePlatform("umbravel_overlay_test", kWidth, kHeight, &error)) << error;
    }
    void SetUp() override {
        engine = CreateGLEngine();
        DisplayDevice device;
        DisplayMode mode{kWidth, kHeight, 32};
        ASSERT_EQ(engine->Init(nullptr, &device, &mode), 1) << engine->GetErrorText();
    }
    void TearDown() override {
        engine->Kill();
        delete engine;
    }
    GLEngine* engine = nullptr;
};

// A picture whose four corner texels are red, green, blue and white, the rest grey.
std::vector<uint8_t> CornerPicture(int side) {
    std::vector<uint8_t> pixels(static_cast<size_t>(side * side * 4), 96);
    auto set = [&](int x, int y, uint8_t r, uint8_t g, uint8_t b) {
        uint8_t* p = &pixels[(static_cast<size_t>(y) * side + x) * 4];
        p[0] = r, p[1] = g, p[2] = b, p[3] = 255;
    };
    for (int i = 0; i < side * side; ++i) pixels[static_cast<size_t>(i) * 4 + 3] = 255;
    for (int y = 0; y < side / 4; ++y)
        for (int x = 0; x < side / 4; ++x) {
            set(x, y, 255, 0, 0);
            set(side - 1 - x, y, 0, 255, 0);
            set(x, side - 1 - y, 0, 0, 255);
            set(side - 1 - x, side - 1 - y, 255, 255, 255);
        }
    return pixels;
}
}  // namespace

TEST_F(OverlayGLTest, ForegroundQuadCoversTheViewWithRowZeroAtTheTop) {
    Scene* scene = engine->NewScene(1, 2);
    Camera* camera = scene->GetCamera(0);
    camera->Enable();
    camera->SetPosition({5, -2, 7});
    camera->SetDirection({1, 0.2f, -1});
    scene->SetActiveCamera(camera);
    const int32_t size[2] = {64, 64};
    SetOverlaySize(size);
    std::vector<uint8_t> pixels = CornerPicture(64);
    Texture* texture = engine->NewTexture();
    texture->SetImage(size, pixels.data(), 0);
    Surface* glow = engine->NewSurface();
    glow->SetAmbient(Colour(0, 0, 0, 255));
    glow->SetDiffuse(Colour(0, 0, 0, 255));
    glow->SetEmission(Colour(255, 255, 255, 255));
    Object3D* quad = CreateOverlayQuad(engine, texture, glow);
    quad->Enable();
    scene->AddObject(quad);
    PlaceOverlay(quad, camera, kOverlayForeground);
    ASSERT_EQ(engine->Render(scene), 1);
    std::vector<uint8_t> frame;
    int w = 0, h = 0;
    ASSERT_TRUE(platform::LastCapturedFrame(&frame, &w, &h));
    auto at = [&](int x, int y) { return &frame[(static_cast<size_t>(y) * w + x) * 3]; };
    auto expect = [&](int x, int y, int r, int g, int b) {
        const uint8_t* p = at(x, y);
        EXPECT_NEAR(p[0], r, 3) << x << "," << y;
        EXPECT_NEAR(p[1], g, 3) << x << "," << y;
        EXPECT_NEAR(p[2], b, 3) << x << "," << y;
    };
    // The corner blocks a little inside the corners (the edge pixels themselves blend
    // with the repeated texture's far side), and grey along the middle of every edge.
    const int ix = w / 16, iy = h / 16;
    expect(ix, iy, 255, 0, 0);
    expect(w - 1 - ix, iy, 0, 255, 0);
    expect(ix, h - 1 - iy, 0, 0, 255);
    expect(w - 1 - ix, h - 1 - iy, 255, 255, 255);
    expect(w / 2, 0, 96, 96, 96);
    expect(0, h / 2, 96, 96, 96);
    expect(w - 1, h / 2, 96, 96, 96);
    expect(w / 2, h - 1, 96, 96, 96);
    // The quad reaches every edge pixel: nothing of the black clear colour shows.
    for (int x = 0; x < w; ++x) {
        EXPECT_GT(at(x, 0)[0] + at(x, 0)[1] + at(x, 0)[2], 60) << x;
        EXPECT_GT(at(x, h - 1)[0] + at(x, h - 1)[1] + at(x, h - 1)[2], 60) << x;
    }
    for (int y = 0; y < h; ++y) {
        EXPECT_GT(at(0, y)[0] + at(0, y)[1] + at(0, y)[2], 60) << y;
        EXPECT_GT(at(w - 1, y)[0] + at(w - 1, y)[1] + at(w - 1, y)[2], 60) << y;
    }

    // Just before the far plane it covers the view the same way.
    PlaceOverlay(quad, camera, kOverlayBackground);
    ASSERT_EQ(engine->Render(scene), 1);
    ASSERT_TRUE(platform::LastCapturedFrame(&frame, &w, &h));
    expect(ix, iy, 255, 0, 0);
    expect(w - 1 - ix, h - 1 - iy, 255, 255, 255);
}
