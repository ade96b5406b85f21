// The engine drawing real frames with Mesa's software GL, read back through capture mode.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/engine.h"
#include "engine/gl/gl_engine.h"
#include "platform/platform.h"
#include "support/capture_platform.h"

namespace {
constexpr int kWidth = 640, kHeight = 480;

struct Frame {
    std::vector<uint8_t> rgb;
    int width = 0, height = 0;
    const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

class GLEngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        ASSERT_TRUE(StartCapturePlatform("umbravel_gl_engine_test", kWidth, kHeight, &error)) << error;
    }

    void SetUp() override {
        engine = CreateGLEngine();
        DisplayDevice device;
        DisplayMode mode{kWidth, kHeight, 32};
        ASSERT_EQ(engine->Init(nullptr, &device, &mode), 1) << engine->GetErrorText();
        scene = engine->NewScene(1, 4);
        camera = scene->GetCamera(0);
        camera->Enable();
        scene->SetActiveCamera(camera);
    }

    void TearDown() override {
        if (engine->GetWindow()) {
            EXPECT_EQ(engine->Kill(), 1) << engine->GetErrorText();
        }
        delete engine;
    }

    Frame Draw() {
        EXPECT_EQ(engine->Render(scene), 1) << engine->GetErrorText();
        Frame f;
        EXPECT_TRUE(platform::LastCapturedFrame(&f.rgb, &f.width, &f.height));
        return f;
    }

    // A triangle at z = -5 in front of the default camera, counter-clockwise as seen from it
    // unless `back` turns it round.
    Object3D* AddTriangle(bool back, float size = 2.0f) {
        Object3D* o = engine->NewObject(0, 1, 1, 3);
        const Vec3 corners[3] = {{-size, -size, -5}, {size, -size, -5}, {0, size, -5}};
        for (int i = 0; i < 3; ++i) {
            o->GetVertex(i)->SetPosition(corners[i]);
            o->GetVertex(i)->Enable();
        }
        Triangle* t = o->GetTriangle(0);
        t->SetVertex(0, o->GetVertex(0));
        t->SetVertex(1, o->GetVertex(back ? 2 : 1));
        t->SetVertex(2, o->GetVertex(back ? 1 : 2));
        t->Enable();
        o->CalculateNormals();
        Light* light = o->GetLight(0);
        light->SetType(kLightDirectional);
        light->SetDirection({0, 0, -1});
        light->Enable();
        o->Enable();
        scene->AddObject(o);
        return o;
    }

    GLEngine* engine = nullptr;
    Scene* scene = nullptr;
    Camera* camera = nullptr;
};

bool IsBlack(const uint8_t* p) { return p[0] == 0 && p[1] == 0 && p[2] == 0; }
}  // namespace

TEST(GLEngineWithoutWindow, RenderAndKillFailAtOnce) {
    GLEngine* engine = CreateGLEngine();
    Scene scene;
    EXPECT_EQ(engine->Render(&scene), 0);
    EXPECT_STREQ(engine->GetErrorText(), "No render window found to render in");
    EXPECT_EQ(engine->Kill(), 0);
    EXPECT_STREQ(engine->GetErrorText(), "No rendering window exists to shutdown");
    delete engine;
}

TEST_F(GLEngineTest, LitTriangleIsDrawnAndItsBackFaceIsNot) {
    Object3D* front = AddTriangle(false);
    Frame f = Draw();
    ASSERT_EQ(f.width, kWidth);
    const uint8_t* centre = f.At(kWidth / 2, kHeight / 2);
    EXPECT_GT(centre[0], 150);
    EXPECT_EQ(centre[0], centre[1]);
    EXPECT_TRUE(IsBlack(f.At(5, 5)));
    scene->RemoveObject(front);
    AddTriangle(true);
    f = Draw();
    EXPECT_TRUE(IsBlack(f.At(kWidth / 2, kHeight / 2)));
}

TEST_F(GLEngineTest, FogColourIsTheClearColour) {
    camera->SetFog(1, 100.0f, Colour(10, 20, 30, 255));
    Frame f = Draw();
    const uint8_t* p = f.At(3, 3);
    EXPECT_NEAR(p[0], 10, 1);
    EXPECT_NEAR(p[1], 20, 1);
    EXPECT_NEAR(p[2], 30, 1);
    camera->SetFog(0, 100.0f, Colour(10, 20, 30, 255));
    f = Draw();
    EXPECT_TRUE(IsBlack(f.At(3, 3)));
}

// Linear fog runs from the eye to the fog's end distance, whatever the far plane: a
// triangle 5 units away with the end at 10 keeps half its colour.
TEST_F(GLEngineTest, FogEndsAtItsOwnDistanceNotAtTheFarPlane) {
    AddTriangle(false);
    camera->SetClipPlanes(0.1f, 1000.0f);
    const int clear = Draw().At(kWidth / 2, kHeight / 2)[0];
    ASSERT_GT(clear, 150);
    camera->SetFog(1, 10.0f, Colour(0, 0, 0, 255));
    const int fogged = Draw().At(kWidth / 2, kHeight / 2)[0];
    EXPECT_NEAR(fogged, clear / 2, 3);
    camera->SetFog(1, 1000.0f, Colour(0, 0, 0, 255));
    EXPECT_NEAR(Draw().At(kWidth / 2, kHeight / 2)[0], clear, 3);
}

// A GL light enabled only in the previous frame is switched off: the triangle whose light
// went out is left with the ambient light alone.
TEST_F(GLEngineTest, LightsOfThePreviousFrameGoOut) {
    Object3D* o = AddTriangle(false);
    const int lit = Draw().At(kWidth / 2, kHeight / 2)[0];
    ASSERT_GT(lit, 150);
    o->GetLight(0)->Disable();
    const int unlit = Draw().At(kWidth / 2, kHeight / 2)[0];
    EXPECT_LT(unlit, lit / 2);
    o->GetLight(0)->Enable();
    EXPECT_EQ(Draw().At(kWidth / 2, kHeight / 2)[0], lit);
}

// The camera's fields of view are half-angles: 45 and 33.834587 degrees give a view 10
// units wide and 6.70 high at 5 units. The triangle's row at y = -1.5 runs from x = -1.75
// to 1.75 (224 of 640 columns); its middle column from y = -2 to 2 (286 of 480 rows).
TEST_F(GLEngineTest, FrustumComesFromTheHalfAngles) {
    AddTriangle(false);
    const Frame f = Draw();
    int columns = 0, rows = 0;
    for (int x = 0; x < kWidth; ++x) columns += !IsBlack(f.At(x, 347));
    for (int y = 0; y < kHeight; ++y) rows += !IsBlack(f.At(kWidth / 2, y));
    EXPECT_NEAR(columns, 224, 4);
    EXPECT_NEAR(rows, 286, 4);
}

// A triangle with corner colours switches colour material on; the next plain one of the
// same surface switches it off after setting the colour (200, 200, 200): that grey stays
// in the material (the surface is not set again), so the plain triangle is lit grey and
// brighter than with the default surface's own colours (ambient 64, diffuse 192).
TEST_F(GLEngineTest, ColourMaterialLeavesItsGreyForThePlainTriangleAfter) {
    Object3D* small = AddTriangle(false, 0.5f);
    Object3D* large = AddTriangle(false, 3.0f);
    large->SetPosition({0.0f, 0.0f, -0.5f});  // a little behind
    large->GetLight(0)->Disable();            // one light: nothing saturates
    const Frame before = Draw();
    for (int c = 0; c < 3; ++c) small->GetTriangle(0)->SetCornerColour(c, Colour(255, 0, 0, 255));
    const Frame f = Draw();
    const uint8_t* red = f.At(kWidth / 2, kHeight / 2);
    EXPECT_GT(red[0], 100);
    EXPECT_LT(red[1], 20);
    const uint8_t* plain = f.At(kWidth / 2, 142);  // y = 1.5 on the large triangle only
    const uint8_t* reference = before.At(kWidth / 2, 142);
    EXPECT_EQ(plain[0], plain[1]);
    EXPECT_EQ(plain[1], plain[2]);
    EXPECT_NEAR(reference[0], 205, 3);  // 64 x 0.2 ambient + 192 x 1.0 diffuse
    EXPECT_NEAR(plain[0], 240, 3);      // 200 x 0.2 + 200 x 1.0
}

// GL's exponent is the surface's shininess byte halved, and the material is set again in
// every frame. With specular light alone, a directional light 16.22 degrees off the view
// axis puts the half vector at cos 8.11 degrees = 0.99 to the triangle's normal, so the
// triangle shows 255 x 0.99^exponent: byte 128 gives 0.99^64 (134), byte 32 gives 0.99^16
// (217). Unhalved they would be 70 and 185; a material left from the frame before, 134.
TEST_F(GLEngineTest, ShininessIsHalvedAndSetEveryFrame) {
    Object3D* o = AddTriangle(false);
    const float a = 16.22f * 0.017453292f;
    o->GetLight(0)->SetDirection({-std::sin(a), 0.0f, -std::cos(a)});
    Surface* shiny = engine->NewSurface();
    shiny->SetAmbient(Colour(0, 0, 0, 255));
    shiny->SetDiffuse(Colour(0, 0, 0, 255));
    shiny->SetSpecular(Colour(255, 255, 255, 255));
    o->GetTriangle(0)->SetSurface(shiny);
    const struct {
        float shininess;  // stored as the byte shininess x 128
        int expected;
    } frames[] = {{1.0f, 134}, {0.25f, 217}, {1.0f, 134}, {0.0f, 255}};
    for (const auto& frame : frames) {
        shiny->SetShininess(frame.shininess);
        const Frame drawn = Draw();
        const uint8_t* p = drawn.At(kWidth / 2, kHeight / 2);
        EXPECT_NEAR(p[0], frame.expected, 6) << "shininess byte " << static_cast<int>(shiny->shininess);
        EXPECT_EQ(p[0], p[2]);
    }
}

TEST_F(GLEngineTest, CameraViewportIsCentredAndEven) {
    AddTriangle(false, 100.0f);  // covers the whole view
    const int32_t viewport[2] = {301, 201};
    camera->SetViewport(viewport);
    Frame f = Draw();
    // (170, 140, 300, 200) in GL's bottom-up rows: image rows 140..339, columns 170..469.
    EXPECT_FALSE(IsBlack(f.At(170, 140)));
    EXPECT_FALSE(IsBlack(f.At(469, 339)));
    EXPECT_TRUE(IsBlack(f.At(169, 240)));
    EXPECT_TRUE(IsBlack(f.At(470, 240)));
    EXPECT_TRUE(IsBlack(f.At(320, 139)));
    EXPECT_TRUE(IsBlack(f.At(320, 340)));
}

TEST_F(GLEngineTest, TextureModulatesAndMipmapsAverage) {
    // Blocks of eight columns alternate red and blue. Drawn large, the base level shows
    // pure texels; drawn tiny with mipmaps, the smaller levels show their average.
    const int w = 256, h = 64;
    std::vector<uint8_t> pixels(static_cast<size_t>(w * h * 4));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &pixels[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = (x & 8) ? 0 : 255;
            p[2] = (x & 8) ? 255 : 0;
            p[1] = 0;
            p[3] = 255;
        }
    Texture* texture = engine->NewTexture();
    const int32_t size[2] = {w, h};
    texture->SetImage(size, pixels.data(), 1);
    Surface* glow = engine->NewSurface();
    glow->SetAmbient(Colour(0, 0, 0, 255));
    glow->SetDiffuse(Colour(0, 0, 0, 255));
    glow->SetEmission(Colour(255, 255, 255, 255));

    Object3D* big = AddTriangle(false, 3.0f);
    Triangle* t = big->GetTriangle(0);
    t->SetSurface(glow);
    t->SetTexture(texture);
    // Four texels across the triangle: the pixel at (280, 300) samples u = 0.86, inside
    // the first, red block.
    t->SetTexCoord(0, {0, 0});
    t->SetTexCoord(1, {4, 0});
    t->SetTexCoord(2, {0, 4});
    Frame f = Draw();
    const uint8_t* p = f.At(280, 300);
    EXPECT_GT(p[0], 245);
    EXPECT_LT(p[2], 10);
    EXPECT_NE(texture->glName, kNoTextureName);

    // The whole texture over a few pixels: the last levels are the red-blue average.
    t->SetTexCoord(1, {w * 64, 0});
    t->SetTexCoord(2, {0, h * 64});
    f = Draw();
    p = f.At(kWidth / 2, kHeight / 2);
    EXPECT_NEAR(p[0], 127, 8);
    EXPECT_NEAR(p[2], 127, 8);
}

TEST_F(GLEngineTest, PrepareSceneDoesTheFirstFramesFirstUseWorkAndShowsNothing) {
    std::vector<uint8_t> pixels(16 * 16 * 4, 200);
    const int32_t size[2] = {16, 16};
    Texture* ready = engine->NewTexture();
    ready->SetImage(size, pixels.data(), 1);
    Texture* empty = engine->NewTexture();  // no pixels yet: its owner sets them later
    Object3D* hidden = AddTriangle(false);
    hidden->GetTriangle(0)->SetTexture(ready);
    hidden->Disable();  // a disabled object's textures are prepared too
    Object3D* other = AddTriangle(false);
    other->GetTriangle(0)->SetTexture(empty);
    other->Disable();  // not drawn, and without pixels: nothing to upload
    const uint64_t capturedBefore = platform::CapturedFrameCount();
    const uint32_t framesBefore = profiling::frameCounter.load(), polygonsBefore = profiling::polygonCounter.load();
    EXPECT_EQ(engine->PrepareScene(scene), 1);
    EXPECT_NE(ready->glName, kNoTextureName);
    EXPECT_FALSE(ready->dirty);
    EXPECT_EQ(empty->glName, kNoTextureName);
    // The hidden draw is neither counted nor shown.
    EXPECT_EQ(profiling::frameCounter.load(), framesBefore);
    EXPECT_EQ(profiling::polygonCounter.load(), polygonsBefore);
    EXPECT_EQ(platform::CapturedFrameCount(), capturedBefore);
}

TEST_F(GLEngineTest, TooManyLightsStillDrawsTheFrame) {
    const int maxLights = 8;  // Mesa offers eight
    Object3D* lights = engine->NewObject(0, maxLights + 1, 0, 0);
    for (int i = 0; i <= maxLights; ++i) {
        lights->GetLight(i)->SetType(kLightDirectional);
        lights->GetLight(i)->Enable();
    }
    lights->Enable();
    scene->AddObject(lights);
    AddTriangle(false);
    const uint32_t before = profiling::frameCounter.load();
    Frame f = Draw();
    EXPECT_STREQ(engine->GetErrorText(), "Too many lights to render");
    EXPECT_EQ(profiling::frameCounter.load(), before + 1);
    EXPECT_FALSE(IsBlack(f.At(kWidth / 2, kHeight / 2)));
}

TEST_F(GLEngineTest, ProfilingCountsFramesAndPolygons) {
    AddTriangle(false);
    AddTriangle(false, 1.0f);
    engine->StartProfiling();
    for (int i = 0; i < 6; ++i) Draw();
    engine->StopProfiling();
    EXPECT_EQ(profiling::frameCounter.load(), 6u);
    EXPECT_EQ(profiling::polygonCounter.load(), 12u);
    // Six frames at 30 frames per second of virtual time: 200 ms.
    EXPECT_NEAR(engine->GetFramesPerSecond(), 30.0f, 0.01f);
    EXPECT_NEAR(engine->GetPolygonsPerSecond(), 60.0f, 0.01f);
}

TEST_F(GLEngineTest, SceneChecksSkipTheFrame) {
    const uint32_t before = profiling::frameCounter.load();
    EXPECT_EQ(engine->Render(nullptr), 1);  // the frame fails, the hand-over does not
    EXPECT_STREQ(engine->GetErrorText(), "Not a valid scene");
    scene->SetActiveCamera(nullptr);
    EXPECT_EQ(engine->Render(scene), 1);
    EXPECT_STREQ(engine->GetErrorText(), "No active camera with which to render scene");
    EXPECT_EQ(profiling::frameCounter.load(), before);
}

TEST_F(GLEngineTest, KillClosesTheWindowAndGivesTheCursorBack) {
    EXPECT_NE(engine->GetWindow(), nullptr);
    ASSERT_EQ(engine->Kill(), 1);
    EXPECT_EQ(engine->GetWindow(), nullptr);
    EXPECT_EQ(engine->Render(scene), 0);
    EXPECT_STREQ(engine->GetErrorText(), "No render window found to render in");

    // Hidden several steps deep: the counter before Init comes back.
    int before = platform::ShowCursor(true);
    while (before < 2) before = platform::ShowCursor(true);
    DisplayDevice device;
    DisplayMode mode{kWidth, kHeight, 32};
    ASSERT_EQ(engine->Init(nullptr, &device, &mode), 1);
    ASSERT_EQ(engine->Kill(), 1);
    const int after = platform::ShowCursor(false) + 1;
    EXPECT_EQ(after, before);
}

namespace {
std::atomic<int> timerCalls{0};
void CountTimer(platform::Window*, uint32_t id) {
    if (id == 12345678) ++timerCalls;
}
}  // namespace

TEST_F(GLEngineTest, WindowTimersFireOnTheRenderThread) {
    platform::Window* window = engine->GetWindow();
    ASSERT_TRUE(platform::SetWindowTimer(window, 12345678, 20, CountTimer));
    platform::SleepMs(250);
    EXPECT_TRUE(platform::KillWindowTimer(window, 12345678));
    const int calls = timerCalls.load();
    EXPECT_GE(calls, 3);
    EXPECT_LE(calls, 14);
    platform::SleepMs(60);
    EXPECT_EQ(timerCalls.load(), calls);
    EXPECT_FALSE(platform::KillWindowTimer(window, 12345678));
    ASSERT_EQ(engine->Kill(), 1);
    EXPECT_FALSE(platform::SetWindowTimer(window, 1, 100, CountTimer));
}
