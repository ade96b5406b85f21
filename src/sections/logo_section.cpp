// logo_section.cpp -- the logo: eight translucent copies of the logo picture stacked in
// depth before a swinging camera, revealed nearest first by the far clipping plane, with
// the teletype screen over them (three line feeds a second apart), then the noise screen
// or the teletype by the rows of order 2, and at the end the layers hidden again from the
// farthest on while the overlay folds up like a television being switched off.
#include <cmath>

#include "engine/core/engine.h"
#include "engine/core/picture_texture.h"
#include "overlay/overlay.h"
#include "sections/music_position.h"
#include "sections/opening.h"
#include "sections/sections.h"
#include "sections/typing.h"
#include "shell/demo_state.h"
#include "shell/quit.h"
#include "sound/vss_records.h"

namespace {
constexpr int kLayers = 8;
constexpr int kOverlaySlot = 9;
// The layers lie 1/7 of 250 apart; the farthest is the opaque one.
constexpr float kLayerSpacing = 250.0f * 0.14285715f;
constexpr float kRevealSeconds = 1.5f, kRevealDepth = 275.0f;

// Order 2, rows 0..47: 1 shows the noise screen, 0 the teletype.
constexpr int8_t kNoiseRows[48] = {1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 0, 1, 0, 1, 1, 1,
                                   0, 0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 0, 1, 0, 1, 1, 0, 1, 1, 1, 1, 1, 1};

Texture* logoTexture = nullptr;
Scene* logoScene = nullptr;
Texture* overlayTexture = nullptr;

void QuitIfAsked() {
    if (demo.quitRequested.load(std::memory_order_relaxed)) Quit(nullptr);
}

Vec3 Swing(float t) { return {250.0f * std::sin(1.2f * t), 200.0f * std::cos(t), 0.0f}; }

void SetLogoOverlaySize() {
    int32_t size[2];
    logoTexture->GetSize(size);
    SetOverlaySize(size);
}
}  // namespace

int LogoRowShowsNoise(int row) { return row >= 0 && row < 48 ? kNoiseRows[row] : 0; }

float LogoRevealFarPlane(float farPlane, float start, float now) {
    if (now >= start + kRevealSeconds) return farPlane;
    return (farPlane - kRevealDepth) + kRevealDepth * (now - start) / kRevealSeconds;
}

LogoFade LogoFadeAt(float farPlane, float start, float d) {
    LogoFade fade;
    if (d < 2.0f) {
        const float k = 2.0f - d, t = start + d;
        fade.camera = Vec3(125.0f * k * std::sin(1.2f * t), 100.0f * k * std::cos(t), 0.0f);
        fade.farPlane = farPlane - 137.5f * d;
    } else {
        fade.camera = Vec3(0.0f, 0.0f, 0.0f);
        fade.farPlane = farPlane - 275.0f;
    }
    fade.overlayShown = d < 0.4f;
    fade.scaleY = d < 0.2f ? 1.0f - 4.95f * d : 0.01f;
    fade.scaleX = d < 0.2f ? 1.0f : 1.0f - 4.95f * (d - 0.2f);
    return fade;
}

Scene* LogoScene() { return logoScene; }

void LogoInit() {
    GLEngine* engine = demo.engine;
    logoTexture = MakeTgaTexture("LogoW1.tga", 255);
    if (!logoTexture) Quit("Could not texturise logo TGA");
    SetLogoOverlaySize();
    logoScene = engine->NewScene(1, 10);
    if (!logoScene) Quit("Could not create new scene");
    logoScene->GetCamera(0)->Enable();
    logoScene->SetActiveCamera(logoScene->GetCamera(0));
    Camera* camera = logoScene->GetActiveCamera();

    Object3D* lightCarrier = engine->NewObject(0, 1, 0, 0);
    if (!lightCarrier) Quit("Could not create new object");
    lightCarrier->GetLight(0)->SetType(kLightDirectional);
    lightCarrier->GetLight(0)->Enable();
    lightCarrier->Enable();
    logoScene->AddObject(lightCarrier);

    // Layer 0 is the farthest and opaque; each nearer one is an eighth more transparent.
    for (int i = 0; i < kLayers; ++i) {
        Surface* surface = engine->NewSurface();
        if (!surface) Quit("Could not create new surface");
        const uint8_t alpha = static_cast<uint8_t>((2040 - 255 * i) / 8);
        surface->SetAmbient(Colour(255, 255, 255, alpha));
        surface->SetDiffuse(Colour(255, 255, 255, alpha));
        surface->SetEmission(Colour(0, 0, 0, 0));
        surface->SetSpecular(Colour(0, 0, 0, 0));
        Object3D* layer = CreateOverlayQuad(engine, logoTexture, surface);
        layer->Enable();
        logoScene->AddObject(layer);
        PlaceOverlay(layer, camera, kOverlayBackground);
        layer->SetPosition({0.0f, 0.0f, static_cast<float>(i) * kLayerSpacing - camera->GetFarPlane()});
    }

    overlayTexture = engine->NewTexture();
    if (!overlayTexture) Quit("Could not create new texture");
    Object3D* overlay = CreateOverlayQuad(engine, overlayTexture, nullptr);
    overlay->Enable();
    logoScene->AddObject(overlay);
    // Uploaded while loading, not on the section's first frame (a failure leaves it to that frame).
    demo.engine->PrepareScene(logoScene);
}

void LogoRun() {
    Object3D* overlay = logoScene->GetObject(kOverlaySlot);
    Camera* camera = logoScene->GetActiveCamera();
    const float t0 = GetTime();
    const float farPlane = camera->GetFarPlane();
    int newlines = 0;
    float nextNewline = t0 + 1.0f;
    SetLogoOverlaySize();

    // Until order 2: the layers come into view, and three line feeds scroll the title.
    while (MusicBefore(2, 0)) {
        QuitIfAsked();
        const float t = GetTime();
        camera->SetPosition(Swing(t));
        camera->SetClipPlanes(camera->GetNearPlane(), LogoRevealFarPlane(farPlane, t0, t));
        uint8_t* pixels;
        if (newlines < 3 && t >= nextNewline) {
            nextNewline += 1.0f;
            ++newlines;
            pixels = TeletypeFrame("\n", t);
        } else {
            pixels = TeletypeFrame("", t);
        }
        DrawOverlayFrame(logoScene, overlayTexture, overlay, pixels);
    }

    // Order 2 up to row 48: noise or the teletype, row by row.
    // One read per frame: the loop's end and the frame's choice see the same position.
    for (MusicPosition music = ReadMusicPosition(); MusicBefore(music, 2, 48); music = ReadMusicPosition()) {
        QuitIfAsked();
        const float t = GetTime();
        camera->SetPosition(Swing(t));
        uint8_t* pixels = music.order == 2 && LogoRowShowsNoise(music.row) ? NoiseFrame() : TeletypeFrame("", t);
        DrawOverlayFrame(logoScene, overlayTexture, overlay, pixels);
    }

    // Until order 3: the switch-off.
    const float t1 = GetTime();
    while (MusicBefore(3, 0)) {
        QuitIfAsked();
        const float d = GetTime() - t1;
        const LogoFade fade = LogoFadeAt(farPlane, t1, d);
        camera->SetPosition(fade.camera);
        camera->SetClipPlanes(camera->GetNearPlane(), fade.farPlane);
        int32_t size[2];
        overlayTexture->SetImage(GetOverlaySize(size), NoiseFrame(), 0);
        PlaceOverlay(overlay, camera, kOverlayForeground);
        if (!fade.overlayShown) {
            overlay->Disable();
        } else {
            overlay->Scale(fade.scaleY, 0, 1, 0);
            if (d >= 0.2f) overlay->Scale(fade.scaleX, 1, 0, 0);
        }
        demo.engine->Render(logoScene);
    }
}
