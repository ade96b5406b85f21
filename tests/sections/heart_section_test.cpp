// The heart section: its rules on their own (camera cuts, beat, droplets, chain, pulse),
// then the whole section run in capture mode against a module whose position the test
// moves frame by frame, with small objects of its own standing in for the heart, the
// link, the ball and the droplet.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "codecs/codec_log.h"
#include "engine/core/engine.h"
#include "engine/core/lightwave_loader.h"
#include "engine/core/picture_texture.h"
#include "engine/lwob_builder.h"
#include "platform/platform.h"
#include "sections/heart_internal.h"
#include "sections/metaballs.h"
#include "sections/metaballs_internal.h"
#include "sections/sections.h"
#include "shell/demo_state.h"
#include "shell/random.h"
#include "sound/vss.h"
#include "support/capture_platform.h"

using namespace heart;

TEST(HeartRules, CamerasCutOnNewOrdersAndEvery33Rows) {
    CameraCutter cutter;
    EXPECT_TRUE(cutter.Step(3, 0));  // the first frame always cuts
    EXPECT_EQ(cutter.camera, 1);
    for (int row = 1; row <= 32; ++row) EXPECT_FALSE(cutter.Step(3, row)) << row;
    EXPECT_TRUE(cutter.Step(3, 33));
    EXPECT_EQ(cutter.camera, 2);
    EXPECT_FALSE(cutter.Step(3, 65));
    EXPECT_TRUE(cutter.Step(3, 66));
    // A new order cuts at once, whatever the row.
    EXPECT_TRUE(cutter.Step(4, 5));
    EXPECT_EQ(cutter.camera, 4);
    EXPECT_FALSE(cutter.Step(4, 6));
    EXPECT_TRUE(cutter.Step(5, 0));
    EXPECT_EQ(cutter.camera, 0);  // from 4 back to 0
    // Entering an order late (after a slow frame) cuts once, and counts rows from there.
    CameraCutter late;
    EXPECT_TRUE(late.Step(6, 40));
    EXPECT_EQ(late.camera, 1);
    EXPECT_FALSE(late.Step(6, 72));
    EXPECT_TRUE(late.Step(6, 73));
}

TEST(HeartRules, OrdersFiveToEightQuickenTheBeat) {
    Beat beat;
    EXPECT_FLOAT_EQ(beat.phase, -0.2f);
    beat.Step(4, 0.5f);
    EXPECT_FLOAT_EQ(beat.period, 1.0714286f);
    EXPECT_FLOAT_EQ(beat.windingX, 0.8f);
    EXPECT_NEAR(beat.phase, -0.2f + 0.5f * 6.2831853f / 1.0714286f, 1e-5f);
    for (int order = 5; order <= 8; ++order)
        for (int i = 0; i < 10; ++i) beat.Step(order, 0.1f);  // one second per order
    EXPECT_NEAR(beat.period, 1.0714286f * std::pow(0.965f, 4.0f), 1e-5f);
    EXPECT_NEAR(beat.windingX, 0.8f + 0.0525f * 4.0f, 1e-5f);
    const float period = beat.period;
    beat.Step(9, 1.0f);
    EXPECT_FLOAT_EQ(beat.period, period);
}

// Positions written out component by component, so a sine swapped for a cosine shows.
TEST(HeartRules, CameraAndSpherePositionsByComponent) {
    const Vec3 heartAt(1.0f, 2.0f, 3.0f);
    const float theta = 0.25f * 3.0f;
    const float a = 6.2831853f * 2.0f / 5.0f + theta;
    const Vec3 camera = CameraPosition(2, 3.0f, heartAt);
    EXPECT_NEAR(camera.x, 1.0f + 8.0f * std::sin(a), 1e-4f);
    EXPECT_NEAR(camera.y, 2.0f + 8.0f * std::cos(4.0f * 3.14159265f * 2.0f / 5.0f + theta), 1e-4f);
    EXPECT_NEAR(camera.z, 3.0f + 8.0f * std::cos(a), 1e-4f);
    const float b = 6.2831853f / 3.0f + 2.0f * 0.3f;
    const Vec3 sphere = SpherePosition(1, 0.3f);
    EXPECT_NEAR(sphere.x, 10.0f * std::cos(b), 1e-4f);
    EXPECT_NEAR(sphere.y, 10.0f * std::sin(b), 1e-4f);
    EXPECT_NEAR(sphere.z, 10.0f * std::sin(b), 1e-4f);
}

// A respawned droplet: six draws in a fixed order (spawn point, three direction offsets,
// speed, phase), checked against the spawn table as the show has it.
TEST(HeartRules, DropletRespawnDrawsItsSixNumbersInOrder) {
    struct Spawn {
        float px, py, pz, dx, dy, dz, size;
    };
    const Spawn table[12] = {
        {-0.63f, 3.5f, -0.41f, 0.0f, 1.0f, 0.1f, 0.3f},    {-0.05f, 3.83f, 0.04f, 0.0f, 1.0f, 0.0f, 0.2f},
        {0.82f, 3.73f, 0.2f, 0.0f, 1.0f, 0.0f, 0.15f},     {1.45f, 3.69f, 0.02f, 0.0f, 0.2f, 1.0f, 0.2f},
        {1.57f, 2.31f, -0.73f, 0.0f, -0.8f, -0.8f, 0.35f}, {2.71f, 0.97f, 0.3f, 1.0f, -0.1f, 0.4f, 0.25f},
        {-0.37f, 1.49f, -1.9f, -1.0f, 0.1f, -0.4f, 0.25f}, {3.04f, 0.25f, 0.04f, 1.0f, -0.1f, 0.4f, 0.12f},
        {3.04f, 0.26f, -0.05f, 1.0f, -0.1f, 0.4f, 0.15f},  {-0.49f, 0.81f, -2.47f, -1.0f, 0.1f, -0.4f, 0.2f},
        {-0.4f, 0.3f, -2.47f, -1.0f, 0.1f, -0.4f, 0.15f},  {-0.05f, -1.76f, -1.74f, 0.0f, -1.0f, -1.0f, 0.55f},
    };
    // The generator, written out: state x 214013 + 2531011, result bits 16..30.
    uint32_t state = 17;
    auto draw = [&state] {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    };
    SeedRandom(17);
    Object3D object;
    Droplet d{};
    d.object = &object;
    std::set<int> seen;
    for (int n = 0; n < 300; ++n) {
        RespawnDroplet(d, 10.0f);
        const Spawn& s = table[(draw() * 12) >> 15];
        float dx = s.dx + (static_cast<float>(draw()) / 32767.0f - 0.5f);
        float dy = s.dy + (static_cast<float>(draw()) / 32767.0f - 0.5f);
        float dz = s.dz + (static_cast<float>(draw()) / 32767.0f - 0.5f);
        const float speed = 2.5f + static_cast<float>(draw()) / 32767.0f;
        const float phase = static_cast<float>(draw()) * 6.2831853f / 32767.0f;
        const float length = std::sqrt(dx * dx + dy * dy + dz * dz);
        const Vec3 v(dx / length * speed, dy / length * speed, dz / length * speed);
        ASSERT_NEAR(d.velocity.x, v.x, 1e-4f) << n;
        ASSERT_NEAR(d.velocity.y, v.y, 1e-4f) << n;
        ASSERT_NEAR(d.velocity.z, v.z, 1e-4f) << n;
        ASSERT_NEAR(d.position.x, s.px - 0.2f * v.x, 1e-4f) << n;
        ASSERT_NEAR(d.position.y, s.py - 0.2f * v.y, 1e-4f) << n;
        ASSERT_NEAR(d.position.z, s.pz - 0.2f * v.z, 1e-4f) << n;
        ASSERT_FLOAT_EQ(d.size, s.size) << n;
        ASSERT_NEAR(d.phase, phase, 1e-5f) << n;
        ASSERT_FLOAT_EQ(d.deathTime, 14.0f);
        ASSERT_EQ(d.active, 1);
        seen.insert(static_cast<int>(&s - table));
    }
    EXPECT_EQ(seen.size(), 12u);  // every spawn point was used
    EXPECT_EQ(Random(), draw());  // exactly six draws each
}

TEST(HeartRules, DropletsChainPulseCamerasAndSpheres) {
    EXPECT_EQ(DropletsInPlay(0.0f), 0);
    EXPECT_EQ(DropletsInPlay(1.0f), 12);
    EXPECT_EQ(DropletsInPlay(3.9f), 48);
    EXPECT_EQ(DropletsInPlay(4.04f), 50);
    EXPECT_EQ(DropletsInPlay(100.0f), 50);

    EXPECT_EQ(ChainAlpha(0.0f), 0);
    EXPECT_EQ(ChainAlpha(1.0f), 102);
    EXPECT_EQ(ChainAlpha(2.49f), 253);
    EXPECT_EQ(ChainAlpha(2.5f), 255);
    EXPECT_EQ(ChainAlpha(60.0f), 255);

    // The helix: radius 6 / X, climbing 4.5 over the 24 links; a larger X winds it tighter
    // and narrower.
    for (float x : {0.8f, 1.3f}) {
        const Vec3 p = LinkPosition(12, x, 2.0f);
        EXPECT_NEAR(std::hypot(p.x, p.z), 6.0f / x, 1e-4f);
        EXPECT_FLOAT_EQ(p.y, 2.25f);
    }
    const Vec3 first = LinkPosition(0, 0.8f, 2.0f);  // a = -1
    EXPECT_NEAR(first.x, 7.5f * std::sin(-1.0f), 1e-5f);
    EXPECT_NEAR(first.z, 7.5f * std::cos(-1.0f), 1e-5f);

    // The pulse peaks at phase 0 along x and at pi / 4 along z: 1 + 0.0025 e^4.
    EXPECT_NEAR(PulseX(0.0f), 1.0f + 0.0025f * std::exp(4.0f), 1e-5f);
    EXPECT_NEAR(PulseZ(0.78539816f), 1.0f + 0.0025f * std::exp(4.0f), 1e-5f);
    EXPECT_NEAR(PulseX(3.1415927f), 1.0f + 0.0025f * std::exp(-4.0f), 1e-6f);

    // Cameras stand 8 away from the heart; spheres orbit at 10 on a tilted circle.
    const Vec3 heartAt(1.0f, 2.0f, 3.0f);
    for (int i = 0; i < kCameras; ++i) {
        const Vec3 d = CameraPosition(i, 3.0f, heartAt) - heartAt;
        EXPECT_NEAR(d.x * d.x + d.z * d.z, 64.0f, 1e-3f);
        EXPECT_NEAR(d.y, 8.0f * std::cos(2.0f * 6.2831853f * i / 5.0f + 0.75f), 1e-4f);
    }
    for (int i = 0; i < kSpheres; ++i) {
        const Vec3 p = SpherePosition(i, 1.0f);
        EXPECT_FLOAT_EQ(p.y, p.z);
        EXPECT_NEAR(p.x * p.x + p.y * p.y, 100.0f, 1e-3f);
    }
}

namespace {
constexpr int kWidth = 320, kHeight = 240, kFps = 25;

// A box with one coloured surface; its quads wind counter-clockwise seen from outside.
std::vector<uint8_t> Box(float hx, float hy, float hz, uint8_t r, uint8_t g, uint8_t b) {
    std::vector<float> points;
    for (int i = 0; i < 8; ++i) {
        const int x = (i == 1 || i == 2 || i == 5 || i == 6), y = (i == 2 || i == 3 || i == 6 || i == 7), z = i >= 4;
        points.insert(points.end(), {x ? hx : -hx, y ? hy : -hy, z ? hz : -hz});
    }
    return LwobBuilder()
        .SurfaceNames({"Skin"})
        .Points(points)
        .Polygons({{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 4, 7, 3}, {1, 2, 6, 5}, {0, 1, 5, 4}, {3, 7, 6, 2}})
        .Surface("Skin", {{"COLR", LwobBuilder::Colour(r, g, b)}})
        .Build();
}

std::map<std::string, std::vector<uint8_t>> objectFiles;

uint8_t* OpenTestObject(const char* name, uint32_t* size) {
    const auto it = objectFiles.find(name);
    if (it == objectFiles.end()) return nullptr;
    auto* copy = static_cast<uint8_t*>(std::malloc(it->second.size()));
    std::memcpy(copy, it->second.data(), it->second.size());
    *size = static_cast<uint32_t>(it->second.size());
    return copy;
}

// The music's position for each frame of the run: order 3 to 8 for 64 rows each, order 9
// for 110 rows (long enough for the last droplets to die), then order 10.
struct Position {
    int32_t order, row;
};
std::vector<Position> script;

// What each drawn frame showed, noted by the capture hook while the main thread waits
// in Render.
struct FrameNote {
    Position position;
    int camera;
    float period, windingX;
    int dropletsShown;
    bool chainShown, blobShown;
    int chainAlpha;
    int32_t blobTriangles;
};
std::vector<FrameNote> notes;
std::vector<uint8_t> blobFrame;

void NoteFrame(void*, uint64_t) {
    Scene* scene = GetScene();
    FrameNote n{};
    n.position = script[notes.size()];
    n.camera = static_cast<int>(scene->GetActiveCamera() - scene->GetCamera(0));
    n.period = GetBeat().period;
    n.windingX = GetBeat().windingX;
    for (int i = 0; i < kDroplets; ++i) n.dropletsShown += GetDroplets()[i].object->IsEnabled() ? 1 : 0;
    n.chainShown = scene->GetObject(kChainSlot)->IsEnabled();
    n.chainAlpha = GetLinkSurface()->GetDiffuse().a;
    n.blobShown = GetMetaballObject()->IsEnabled();
    n.blobTriangles = GetMetaballObject()->trianglesInUse;
    notes.push_back(n);
    // The row after the last note of order 9 is the frame kept for its picture.
    if (notes.size() == script.size() - 1) {
        int w = 0, h = 0;
        platform::LastCapturedFrame(&blobFrame, &w, &h);
    }
    const Position next = script[std::min(notes.size(), script.size() - 1)];
    demo.module->currentRow.store(next.row);
    demo.module->currentOrder.store(next.order);
}

class HeartSection : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        ASSERT_TRUE(StartCapturePlatform("umbravel_heart_test", kWidth, kHeight, &error, kFps)) << error;
        demo.timerFrequency = platform::CounterFrequency();
        platform::QueryCounter(&demo.timerStart);
        demo.engine = CreateGLEngine();
        DisplayDevice device;
        DisplayMode mode{kWidth, kHeight, 32};
        ASSERT_EQ(demo.engine->Init(nullptr, &device, &mode), 1) << demo.engine->GetErrorText();
        SetPictureTextureEngine(demo.engine);
        CodecLogSetSink(nullptr);
        objectFiles["Heart.lwo"] = Box(1.5f, 2.0f, 1.2f, 200, 30, 40);
        objectFiles["Link.lwo"] = Box(0.3f, 0.1f, 0.05f, 200, 200, 210);
        objectFiles["Ball.lwo"] = Box(0.5f, 0.5f, 0.5f, 255, 255, 160);
        objectFiles["Droplet.lwo"] = Box(0.5f, 0.5f, 0.5f, 160, 0, 0);
        SetObjectFileOpener(OpenTestObject);
        demo.module = new VssModule{};
        SeedRandom(17);
        HeartInit();
    }
    static void TearDownTestSuite() {
        platform::SetCaptureFrameHook(nullptr, nullptr);
        demo.engine->Kill();
    }
    static void SetPosition(int32_t order, int32_t row) {
        demo.module->currentOrder.store(order);
        demo.module->currentRow.store(row);
    }
};
}  // namespace

TEST_F(HeartSection, TheSceneHoldsEveryObjectInItsSlot) {
    Scene* scene = GetScene();
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->objectsAdded, kObjectSlots);
    EXPECT_TRUE(scene->GetObject(kHeartSlot)->IsEnabled());
    EXPECT_FALSE(scene->GetObject(kChainSlot)->IsEnabled());
    EXPECT_EQ(scene->GetObject(kChainSlot)->childrenAdded, kLinks);
    for (int i = 0; i < kSpheres; ++i) {
        const Object3D* carrier = scene->GetObject(kFirstSphereSlot + i);
        EXPECT_TRUE(carrier->GetLight(0)->IsEnabled());
        EXPECT_TRUE(carrier->GetChild(0)->IsEnabled());  // the ball is seen where its light is
    }
    EXPECT_EQ(scene->GetObject(kMetaballSlot), GetMetaballObject());
    EXPECT_FALSE(GetMetaballObject()->IsEnabled());
    EXPECT_TRUE(scene->GetObject(kBackgroundSlot)->IsEnabled());
    for (int i = 0; i < kDroplets; ++i) EXPECT_EQ(scene->GetObject(kFirstDropletSlot + i), GetDroplets()[i].object);
    EXPECT_FLOAT_EQ(scene->GetCamera(4)->GetNearPlane(), 0.01f);
    EXPECT_FLOAT_EQ(scene->GetCamera(4)->GetFarPlane(), 50.0f);
}

TEST_F(HeartSection, StartingAtOrderTenDrawsNothing) {
    SetPosition(10, 0);
    const uint64_t before = platform::CapturedFrameCount();
    HeartRun();
    EXPECT_EQ(platform::CapturedFrameCount(), before);
}

TEST_F(HeartSection, PlaysFromOrderThreeToOrderTen) {
    script.clear();
    for (int32_t order = 3; order <= 8; ++order)
        for (int32_t row = 0; row < 64; ++row) script.push_back({order, row});
    for (int32_t row = 0; row < 110; ++row) script.push_back({9, row});
    script.push_back({10, 0});
    notes.clear();
    SetPosition(script[0].order, script[0].row);
    platform::SetCaptureFrameHook(NoteFrame, nullptr);
    HeartRun();
    platform::SetCaptureFrameHook(nullptr, nullptr);
    ASSERT_EQ(notes.size(), script.size() - 1);  // one frame per position before order 10

    // Cameras: a cut at row 0 of every order and every 33 rows after, one camera further
    // each time.
    int camera = 0;
    for (const FrameNote& n : notes) {
        if (n.position.row % 33 == 0) camera = (camera + 1) % kCameras;
        ASSERT_EQ(n.camera, camera) << n.position.order << ":" << n.position.row;
    }

    // 4.04 s in (frame 101), every droplet is in play; at the end of order 9 all have died.
    EXPECT_EQ(notes[101].dropletsShown, kDroplets);
    EXPECT_LT(notes[40].dropletsShown, kDroplets);
    EXPECT_EQ(notes.back().dropletsShown, 0);
    EXPECT_FALSE(IsSpawning());

    // The beat: steady in orders 3 and 4, quicker by 0.965 per second through orders 5 to
    // 8, steady again at order 9.
    int quickFrames = 0;
    for (const FrameNote& n : notes) {
        if (n.position.order >= 5 && n.position.order <= 8) ++quickFrames;
        const float seconds = static_cast<float>(quickFrames) / kFps;
        EXPECT_NEAR(n.period, 1.0714286f * std::pow(0.965f, seconds), 1e-4f) << n.position.order;
        EXPECT_NEAR(n.windingX, 0.8f + 0.0525f * seconds, 1e-4f);
    }

    // The chain appears at order 4 and fades in over 2.5 seconds.
    for (const FrameNote& n : notes) EXPECT_EQ(n.chainShown, n.position.order >= 4);
    EXPECT_EQ(notes[64].chainAlpha, 0);
    EXPECT_EQ(notes[64 + 25].chainAlpha, 102);
    EXPECT_EQ(notes[64 + 63].chainAlpha, 255);
    EXPECT_EQ(notes.back().chainAlpha, 255);

    // The blob from order 9: shown at once, empty on its first frame, then growing.
    for (const FrameNote& n : notes) EXPECT_EQ(n.blobShown, n.position.order >= 9);
    EXPECT_EQ(notes[6 * 64].blobTriangles, 0);
    EXPECT_GT(notes.back().blobTriangles, 500);

    // Its picture: a red blob in the middle of the view.
    ASSERT_EQ(blobFrame.size(), static_cast<size_t>(kWidth * kHeight * 3));
    int red = 0;
    for (int y = kHeight / 3; y < kHeight * 2 / 3; ++y)
        for (int x = kWidth / 3; x < kWidth * 2 / 3; ++x) {
            const uint8_t* p = &blobFrame[(static_cast<size_t>(y) * kWidth + x) * 3];
            if (p[0] > 60 && p[0] > 2 * p[1] && p[0] > 2 * p[2]) ++red;
        }
    EXPECT_GT(red, kWidth * kHeight / 9 / 4);
}
