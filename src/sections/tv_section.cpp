// tv_section.cpp -- the television: the war video on its screen while four cameras circle
// it and cut on fixed rows of every pattern. Phase one: four orbiting lights carrying a
// sphere, the metaballs, the credits pictures; phase two: the set seen from inside, lit by
// one rotating coloured light, the missile, and noise on the screen in the last pattern.
#include <cmath>

#include "engine/core/engine.h"
#include "engine/core/lightwave_loader.h"
#include "engine/core/picture_texture.h"
#include "filestore/filestore.h"
#include "overlay/overlay.h"
#include "sections/metaballs.h"
#include "sections/missile.h"
#include "sections/music_position.h"
#include "sections/sections.h"
#include "sections/tv_cuts.h"
#include "shell/demo_state.h"
#include "shell/quit.h"

namespace {
constexpr float kTwoPi = 6.2831853f;
constexpr float kPatternSeconds = 8.727273f;

Scene* tvScene = nullptr;
Texture* screenTexture = nullptr;
Object3D* setA = nullptr;  // seen from outside
Object3D* setB = nullptr;  // the same set with its faces turned inwards, and a light
Object3D* carriers[4] = {};
Object3D* credits[4] = {};

// Every textured triangle of the set shows the screen texture instead.
void ShowScreenOn(Object3D* set) {
    for (int i = 0; i < set->GetTriangleCapacity(); ++i) {
        Triangle* t = set->GetTriangle(i);
        if (t->hasTexture) t->SetTexture(screenTexture);
    }
}

Object3D* LoadSet(int winding, int lights) {
    SetPolygonWinding(winding);
    Object3D* set = nullptr;
    if (!LoadLightWaveObject(demo.engine, &set, "TV.lwo", lights, 0)) Quit("Could not load TV object");
    set->Scale(0.025f, 1, 1, 1);
    ShowScreenOn(set);
    return set;
}

void Aim(Camera* camera, Vec3 position, Vec3 target) {
    camera->SetPosition(position);
    camera->SetDirection(target - position);
}

void CheckQuit() {
    if (demo.quitRequested.load(std::memory_order_relaxed)) Quit(nullptr);
}
}  // namespace

void TvInit() {
    GLEngine* engine = demo.engine;
    tvScene = engine->NewScene(4, 12);
    if (!tvScene) Quit("Could not create new scene");
    for (int i = 0; i < 4; ++i) {
        Camera* camera = tvScene->GetCamera(i);
        camera->SetClipPlanes(0.01f, 50.0f);
        camera->SetFog(1, 100.0f, Colour(0, 0, 0, 255));
        camera->Enable();
    }
    tvScene->SetActiveCamera(tvScene->GetCamera(0));
    screenTexture = engine->NewTexture();
    if (!screenTexture) Quit("Could not create new texture");

    SetObjectFileOpener(LoadFileCopy);
    setA = LoadSet(1, 0);
    setA->Enable();
    tvScene->AddObject(setA);
    setB = LoadSet(0, 1);
    setB->Disable();
    setB->GetLight(0)->SetType(kLightDirectional);
    setB->GetLight(0)->Disable();
    tvScene->AddObject(setB);
    SetPolygonWinding(0);
    Object3D* sphere = nullptr;
    if (!LoadLightWaveObject(engine, &sphere, "Gun1.lwo", 0, 0)) Quit("Could not load light sphere object");
    sphere->Scale(0.7f, 1, 1, 1);
    sphere->Enable();

    for (Object3D*& carrier : carriers) {
        carrier = engine->NewObject(1, 1, 0, 0);
        if (!carrier) Quit("Could not create new object");
        carrier->GetLight(0)->Enable();
        carrier->AddChild(sphere);
        carrier->Enable();
        tvScene->AddObject(carrier);
    }
    GetMetaballObject()->SetPosition({0.0f, 0.0f, 0.0f});
    tvScene->AddObject(GetMetaballObject());
    BuildMissile();
    GetMissileObject()->Enable();
    tvScene->AddObject(GetMissileObject());

    Surface* white = engine->NewSurface();
    if (!white) Quit("Could not create new surface");
    white->SetAmbient(Colour(0, 0, 0, 255));
    white->SetDiffuse(Colour(0, 0, 0, 255));
    white->SetEmission(Colour(255, 255, 255, 255));
    static const char* const kCredits[4] = {"Crompet.jpg", "Zub.jpg", "Quessel.jpg", "Wimbrel.jpg"};
    for (int i = 0; i < 4; ++i) {
        Texture* picture = MakeJpegTexture(kCredits[i], 100);
        if (!picture) Quit("Could not texturise credits JPG");
        int32_t size[2];
        picture->GetSize(size);
        SetOverlaySize(size);
        credits[i] = CreateOverlayQuad(engine, picture, white);
        if (!credits[i]) Quit("Could not create 2D object");
        tvScene->AddObject(credits[i]);
    }
    // Uploaded while loading, not on the section's first frame (a failure leaves it to that frame).
    demo.engine->PrepareScene(tvScene);
}

void TvRun() {
    const float start = GetTime();
    const int firstOrder = ReadMusicPosition().order;
    Object3D* metaballs = GetMetaballObject();
    metaballs->Enable();
    setA->Enable();
    setB->Disable();
    TvCameraCuts cuts;

    // One read of the music per frame: the loop's end, the cut, the credits, the noise and
    // the ramp of a frame all see the same order and row.
    for (MusicPosition music = ReadMusicPosition(); music.order < 13; music = ReadMusicPosition()) {
        CheckQuit();
        const float t = GetTime() - start;
        if (cuts.Step(music.order, music.row, kTvPhaseOneRows, false))
            tvScene->SetActiveCamera(tvScene->GetCamera(cuts.camera));
        const Vec3 centre = setA->GetPosition();
        for (int i = 0; i < 4; ++i) {
            const float a = static_cast<float>(i) * kTwoPi / 4 + 0.05f * t;
            Aim(tvScene->GetCamera(i), centre + Vec3(3.0f * std::sin(a), 3.0f * std::cos(a), 8.0f), centre);
        }
        for (int j = 0; j < 4; ++j) {
            const float b = static_cast<float>(j) * kTwoPi / 4;
            const Vec3 at(6.0f * std::cos(0.25f * t + b), 6.0f * std::sin(0.25f * t + b), 7.0f * std::cos(b + 0.5f * t));
            carriers[j]->SetPosition(at);
            carriers[j]->SetDirection(centre - at);
        }
        for (Object3D* overlay : credits) overlay->Disable();
        if (music.order < firstOrder + 2) {
            Object3D* shown = credits[(music.row / 16) % 4];
            shown->Enable();
            PlaceOverlay(shown, tvScene->GetActiveCamera(), kOverlayForeground);
        }
        MetaballsFrame();
        ShowWarFrame(screenTexture, t);
        demo.engine->Render(tvScene);
    }

    for (Object3D* overlay : credits) overlay->Disable();
    metaballs->Disable();
    GetMissileObject()->Enable();
    setA->Disable();
    setB->Enable();
    for (Object3D* carrier : carriers) carrier->Disable();
    Light* light = setB->GetLight(0);
    light->Enable();

    for (MusicPosition music = ReadMusicPosition(); music.order < 19; music = ReadMusicPosition()) {
        CheckQuit();
        const float t = GetTime() - start;
        float ramp = t - static_cast<float>(music.order - firstOrder) * kPatternSeconds;
        ramp = (ramp < 0.0f ? 0.0f : ramp > kPatternSeconds ? kPatternSeconds : ramp) * 0.11458333f;
        if (cuts.Step(music.order, music.row, kTvPhaseTwoRows, true))
            tvScene->SetActiveCamera(tvScene->GetCamera(cuts.camera));
        const Vec3 centre = setB->GetPosition();
        for (int i = 0; i < 4; ++i) {
            const float base = static_cast<float>(i) * kTwoPi / 4;
            const float a = base + 0.2f * t;
            const Vec3 at = centre + Vec3(1.5f * std::sin(a), 1.5f * std::cos(a), 0.3f * std::sin(base + 0.4f * t) - 0.9f);
            Aim(tvScene->GetCamera(i), at, centre);
        }
        light->SetDirection({std::sin(5.759586f * t), 0.0f, std::cos(5.759586f * t)});
        const bool noise = music.order == 18;
        if (noise)
            NoiseToTexture(screenTexture);
        else
            ShowWarFrame(screenTexture, t);
        const Colour colour = TvLightColour(ramp, noise);
        light->SetDiffuse(colour);
        AnimateMissile();
        demo.engine->Render(tvScene);
    }
}
