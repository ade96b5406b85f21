// heart_section.cpp -- the heart section: a beating heart over a background picture,
// watched by five orbiting cameras that take turns with the music, three orbiting light
// spheres, up to fifty droplets that spray out and wobble, a chain of 24 links shown from
// order 4, and from order 9 the metaball blob. Runs until the music reaches order 10.
//
// Everything is built while loading; the frame loop only moves, scales and enables.
#include <algorithm>
#include <cmath>

#include "engine/core/engine.h"
#include "engine/core/lightwave_loader.h"
#include "engine/core/picture_texture.h"
#include "overlay/overlay.h"
#include "sections/heart_internal.h"
#include "sections/metaballs.h"
#include "sections/music_position.h"
#include "sections/sections.h"
#include "shell/demo_state.h"
#include "shell/quit.h"
#include "shell/random.h"
#include "sound/vss.h"

namespace heart {
namespace {

constexpr float kTwoPi = 6.2831853f;

struct SpawnPoint {
    Vec3 position;
    Vec3 direction;
    float size;
};

// Where the droplets leave the heart's surface, the way they head and how big they are.
constexpr SpawnPoint kSpawnTable[kSpawnPoints] = {
    {{-0.63f, 3.5f, -0.41f}, {0.0f, 1.0f, 0.1f}, 0.3f},   {{-0.05f, 3.83f, 0.04f}, {0.0f, 1.0f, 0.0f}, 0.2f},
    {{0.82f, 3.73f, 0.2f}, {0.0f, 1.0f, 0.0f}, 0.15f},    {{1.45f, 3.69f, 0.02f}, {0.0f, 0.2f, 1.0f}, 0.2f},
    {{1.57f, 2.31f, -0.73f}, {0.0f, -0.8f, -0.8f}, 0.35f}, {{2.71f, 0.97f, 0.3f}, {1.0f, -0.1f, 0.4f}, 0.25f},
    {{-0.37f, 1.49f, -1.9f}, {-1.0f, 0.1f, -0.4f}, 0.25f}, {{3.04f, 0.25f, 0.04f}, {1.0f, -0.1f, 0.4f}, 0.12f},
    {{3.04f, 0.26f, -0.05f}, {1.0f, -0.1f, 0.4f}, 0.15f},  {{-0.49f, 0.81f, -2.47f}, {-1.0f, 0.1f, -0.4f}, 0.2f},
    {{-0.4f, 0.3f, -2.47f}, {-1.0f, 0.1f, -0.4f}, 0.15f},  {{-0.05f, -1.76f, -1.74f}, {0.0f, -1.0f, -1.0f}, 0.55f},
};
// Every second link is turned about this.
constexpr Vec3 kGlobalUp{0.0f, 1.0f, 0.0f};

Scene* scene = nullptr;
Object3D* heartObject = nullptr;
Object3D* chain = nullptr;
Object3D* links[kLinks] = {};
Surface* linkSurface = nullptr;
Droplet droplets[kDroplets] = {};
Texture* background = nullptr;
Object3D* backgroundQuad = nullptr;

CameraCutter cutter;
Beat beat;
bool spawning = true;
bool chainStarted = false;
float chainStartTime = 0.0f;

Object3D* Load(const char* name, int32_t lights, int32_t children, const char* failure) {
    Object3D* object = nullptr;
    if (!LoadLightWaveObject(demo.engine, &object, name, lights, children)) Quit(failure);
    return object;
}

Object3D* NewObject(int32_t children, int32_t lights) {
    Object3D* object = demo.engine->NewObject(children, lights, 0, 0);
    if (!object) Quit("Could not create new object");
    return object;
}

float Random01() { return static_cast<float>(Random()) / 32767.0f; }

}  // namespace

// Six draws in this order: the spawn point, the three direction offsets, the speed, the
// wobble phase.
void RespawnDroplet(Droplet& d, float now) {
    d.active = 1;
    d.object->Enable();
    const SpawnPoint& spawn = kSpawnTable[(Random() * kSpawnPoints) >> 15];
    Vec3 direction = spawn.direction;
    direction.x += Random01() - 0.5f;
    direction.y += Random01() - 0.5f;
    direction.z += Random01() - 0.5f;
    d.velocity = Normalised(direction) * (2.5f + Random01());
    // Starting a little inside the heart, the droplet seems to break out of its wall.
    d.position = spawn.position - d.velocity * 0.2f;
    d.deathTime = now + 4.0f;
    d.size = spawn.size;
    d.phase = static_cast<float>(Random()) * kTwoPi / 32767.0f;
}

namespace {

void MoveDroplets(float now, float elapsed, float dt) {
    const int inPlay = DropletsInPlay(elapsed);
    for (int i = 0; i < inPlay; ++i) {
        Droplet& d = droplets[i];
        if (d.active && now >= d.deathTime) {
            d.active = 0;
            d.object->Disable();
        }
        // Once spawning stops (order 9) the droplets die out.
        if (!d.active && spawning) RespawnDroplet(d, now);
        if (!d.active) continue;
        // The last second of its life, a droplet shrinks away.
        const float remaining = d.deathTime - now;
        const float s = remaining > 1.0f ? d.size : remaining * d.size;
        d.object->Scale((1.0f + 0.3f * std::sin(d.phase)) * s, 1, 0, 0);
        d.object->Scale((1.0f + 0.3f * std::sin(d.phase + kTwoPi / 3.0f)) * s, 0, 1, 0);
        d.object->Scale((1.0f + 0.3f * std::sin(d.phase + 2.0f * kTwoPi / 3.0f)) * s, 0, 0, 1);
        d.object->SetPosition(d.position);
        d.position = d.position + d.velocity * dt;
        d.phase += 5.0f * dt;
    }
}

void MoveChain(float now, float elapsed) {
    chain->Enable();
    if (!chainStarted) {
        chainStarted = true;
        chainStartTime = now;
    }
    const Colour colour(200, 200, 210, static_cast<uint8_t>(ChainAlpha(now - chainStartTime)));
    linkSurface->SetAmbient(colour);
    linkSurface->SetDiffuse(colour);
    Vec3 positions[kLinks];
    for (int i = 0; i < kLinks; ++i) positions[i] = LinkPosition(i, beat.windingX, elapsed);
    for (int i = 0; i < kLinks; ++i) {
        const Vec3 d = i + 1 < kLinks ? positions[i + 1] - positions[i] : positions[i] - positions[i - 1];
        links[i]->SetPosition(positions[i]);
        links[i]->SetDirection(d);
        // cross((0, 1, 0), d): odd links stand at right angles to even ones.
        if (i % 2) links[i]->SetUp(Cross(kGlobalUp, d));
    }
}

}  // namespace

bool CameraCutter::Step(int32_t order, int32_t row) {
    bool due = false;
    if (order > lastOrder) {
        lastOrder = order;
        changeRow = 0;
        due = true;
    }
    if (row - changeRow > 32) {
        changeRow = row;
        due = true;
    }
    if (due) camera = (camera + 1) % kCameras;
    return due;
}

void Beat::Step(int32_t order, float dt) {
    if (order >= 5 && order <= 8) {
        period *= std::pow(0.965f, dt);
        windingX += 0.0525f * dt;
    }
    phase += dt * kTwoPi / period;
}

int DropletsInPlay(float elapsed) { return std::min(kDroplets, static_cast<int>(0.25f * elapsed * kDroplets)); }

int ChainAlpha(float since) { return since < 2.5f ? static_cast<int>(102.0f * since) : 255; }

Vec3 LinkPosition(int i, float windingX, float elapsed) {
    const float psi = -0.5f * elapsed;
    const float a = kTwoPi * windingX * static_cast<float>(i) / kLinks + psi;
    const float r = 6.0f / windingX;
    return {r * std::sin(a), 4.5f * static_cast<float>(i) / kLinks, r * std::cos(a)};
}

Vec3 CameraPosition(int i, float elapsed, Vec3 heartPosition) {
    const float theta = 0.25f * elapsed;
    const float a = kTwoPi * static_cast<float>(i) / kCameras + theta;
    const float b = 2.0f * kTwoPi * static_cast<float>(i) / kCameras + theta;
    return heartPosition + Vec3(std::sin(a), std::cos(b), std::cos(a)) * 8.0f;
}

Vec3 SpherePosition(int i, float elapsed) {
    const float b = kTwoPi * static_cast<float>(i) / kSpheres + 2.0f * elapsed;
    return {10.0f * std::cos(b), 10.0f * std::sin(b), 10.0f * std::sin(b)};
}

float PulseX(float phase) { return 1.0f + 0.0025f * std::pow(std::exp(std::cos(phase)), 4.0f); }
float PulseZ(float phase) { return 1.0f + 0.0025f * std::pow(std::exp(std::cos(phase - 0.78539816f)), 4.0f); }

Scene* GetScene() { return scene; }
const Beat& GetBeat() { return beat; }
const Droplet* GetDroplets() { return droplets; }
Surface* GetLinkSurface() { return linkSurface; }
bool IsSpawning() { return spawning; }

}  // namespace heart

using namespace heart;

void HeartInit() {
    GLEngine* engine = demo.engine;
    scene = engine->NewScene(kCameras, kObjectSlots);
    if (!scene) Quit("Could not create new scene");
    for (int i = 0; i < kCameras; ++i) {
        Camera* camera = scene->GetCamera(i);
        camera->SetClipPlanes(0.01f, 50.0f);
        camera->SetFog(1, 100.0f, Colour(0, 0, 0, 255));
        camera->Enable();
    }

    heartObject = Load("Heart.lwo", 0, 0, "Could not load heart object");
    heartObject->Enable();
    scene->AddObject(heartObject);

    chain = NewObject(kLinks, 0);
    chain->SetPosition({0.0f, -2.5f, 0.0f});
    chain->Disable();  // shown from order 4
    scene->AddObject(chain);

    Object3D* link = Load("Link.lwo", 0, 0, "Could not load chain link object");
    link->CalculateNormals();
    link->Enable();
    linkSurface = engine->NewSurface();
    if (!linkSurface) Quit("Could not create new surface");
    for (int32_t t = 0; t < link->trianglesInUse; ++t) link->GetTriangle(t)->SetSurface(linkSurface);
    for (int i = 0; i < kLinks; ++i) {
        links[i] = engine->NewObject(*link);
        if (!links[i]) Quit("Could not create new object");
        if (i % 2) links[i]->SetUp({1.0f, 0.0f, 0.0f});
        chain->AddChild(links[i]);
    }

    Object3D* ball = Load("Ball.lwo", 0, 0, "Could not load sphere object");
    // The ball is what shows where each light is; a disabled child would leave the lights
    // unseen.
    ball->Enable();
    for (int i = 0; i < kSpheres; ++i) {
        Object3D* carrier = NewObject(1, 1);
        carrier->GetLight(0)->Enable();
        carrier->AddChild(ball);
        carrier->Enable();
        scene->AddObject(carrier);
    }

    for (Droplet& d : droplets) {
        d.active = 0;
        d.object = Load("Droplet.lwo", 0, 0, "Could not load droplet object");
        d.object->Disable();
        scene->AddObject(d.object);
    }

    MetaballsInit();
    Object3D* blob = GetMetaballObject();
    blob->SetPosition({0.0f, 0.0f, 0.0f});
    blob->Disable();
    scene->AddObject(blob);

    background = MakeJpegTexture("BG1.jpg", 255);
    if (!background) Quit("Could not texturise background JPG");
    int32_t size[2];
    background->GetSize(size);
    SetOverlaySize(size);
    backgroundQuad = CreateOverlayQuad(engine, background, nullptr);
    if (!backgroundQuad) Quit("Could not create 2D object");
    backgroundQuad->Enable();
    scene->AddObject(backgroundQuad);
    // Uploaded while loading, not on the section's first frame (a failure leaves it to that frame).
    demo.engine->PrepareScene(scene);
}

void HeartRun() {
    const float start = GetTime();
    float previous = start;
    int32_t size[2];
    background->GetSize(size);
    SetOverlaySize(size);

    // The music is read once per frame: the loop's end and the frame's cut, beat and chain
    // follow the same order and row.
    for (MusicPosition music = ReadMusicPosition(); MusicBefore(music, kEndOrder, 0); music = ReadMusicPosition()) {
        if (demo.quitRequested.load(std::memory_order_relaxed)) Quit(nullptr);
        const float now = GetTime();
        const float dt = now - previous;
        const float elapsed = now - start;
        previous = now;
        const int32_t order = music.order;
        const int32_t row = music.row;

        if (cutter.Step(order, row)) scene->SetActiveCamera(scene->GetCamera(cutter.camera));

        if (order >= kMetaballOrder) {
            spawning = false;
            GetMetaballObject()->Enable();
            MetaballsFrame();
            beat.phase = 2.3561945f;  // 3 pi / 4: the heart rests
        } else {
            beat.Step(order, dt);
        }

        heartObject->Scale(PulseX(beat.phase), 1, 0, 0);
        heartObject->Scale(PulseZ(beat.phase), 0, 0, 1);

        const Vec3 heartPosition = heartObject->GetPosition();
        for (int i = 0; i < kCameras; ++i) {
            Camera* camera = scene->GetCamera(i);
            const Vec3 p = CameraPosition(i, elapsed, heartPosition);
            camera->SetPosition(p);
            camera->SetDirection(heartPosition - p);
        }

        for (int i = 0; i < kSpheres; ++i) scene->GetObject(kFirstSphereSlot + i)->SetPosition(SpherePosition(i, elapsed));

        MoveDroplets(now, elapsed, dt);
        if (order >= kChainOrder) MoveChain(now, elapsed);

        PlaceOverlay(backgroundQuad, scene->GetActiveCamera(), kOverlayBackground);
        demo.engine->Render(scene);
    }
}
