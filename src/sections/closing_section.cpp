// closing_section.cpp -- the last section: the web picture behind the teletype screen,
// blank lines and two closing messages at rows of order 24, then a seven-second fade of
// picture and text together from order 25.
#include "sections/closing.h"

#include "engine/core/engine.h"
#include "engine/core/picture_texture.h"
#include "overlay/overlay.h"
#include "sections/sections.h"
#include "sections/typing.h"
#include "shell/demo_state.h"
#include "shell/quit.h"

namespace {
Scene* closingScene = nullptr;
Surface* fadeSurface = nullptr;
Texture* textTexture = nullptr;

void SetOverlaySide256() {
    const int32_t size[2] = {256, 256};
    SetOverlaySize(size);
}

// The teletype's picture in front, the web behind.
void ClosingFrame(const char* text, float time) {
    int32_t size[2];
    textTexture->SetImage(GetOverlaySize(size), TeletypeFrame(text, time), 0);
    Camera* camera = closingScene->GetActiveCamera();
    PlaceOverlay(closingScene->GetObject(0), camera, kOverlayBackground);
    PlaceOverlay(closingScene->GetObject(1), camera, kOverlayForeground);
    demo.engine->Render(closingScene);
}

constexpr ClosingStep kSteps[] = {
    {24, 32, "\n"}, {24, 40, "\n"}, {24, 48, "\n"}, {24, 56, "\n"},
    {24, 64, "    You Have\n   Been Freed"},
    {24, 80, "\n"}, {24, 84, "\n"}, {24, 88, "\n"},
    {24, 96, "   By Vorn..."},
    {24, 116, "\n"}, {24, 120, "\n"},
    {25, 0, nullptr},
};

void ClosingWait(int order, int row) { WaitForMusic(order, row, ClosingFrame); }
void ClosingType(const char* text, float secondsPerCharacter) { TypeText(text, secondsPerCharacter, ClosingFrame); }
}  // namespace

const ClosingStep* ClosingSchedule(int* count) {
    *count = static_cast<int>(sizeof kSteps / sizeof kSteps[0]);
    return kSteps;
}

uint8_t ClosingFadeAlpha(float seconds) {
    return static_cast<uint8_t>(static_cast<int>((1.0f - seconds * 0.14285715f) * 255.0f));
}

void ClosingInit() {
    GLEngine* engine = demo.engine;
    SetOverlaySide256();
    closingScene = engine->NewScene(1, 3);
    if (!closingScene) Quit("Could not create new scene");
    closingScene->GetCamera(0)->Enable();
    closingScene->SetActiveCamera(closingScene->GetCamera(0));
    fadeSurface = engine->NewSurface();
    if (!fadeSurface) Quit("Could not create new surface");
    fadeSurface->SetAmbient(Colour(255, 255, 255, 255));
    fadeSurface->SetDiffuse(Colour(255, 255, 255, 255));
    Texture* web = MakeJpegTexture("VornWeb.jpg", 255);
    if (!web) Quit("Could not texturise web logo JPG");
    Object3D* webOverlay = CreateOverlayQuad(engine, web, fadeSurface);
    webOverlay->Enable();
    closingScene->AddObject(webOverlay);
    textTexture = engine->NewTexture();
    if (!textTexture) Quit("Could not create new texture");
    Object3D* textOverlay = CreateOverlayQuad(engine, textTexture, fadeSurface);
    textOverlay->Enable();
    closingScene->AddObject(textOverlay);
    Object3D* light = engine->NewObject(0, 1, 0, 0);
    if (!light) Quit("Could not create new object");
    light->GetLight(0)->SetType(kLightDirectional);
    light->GetLight(0)->Enable();
    light->Enable();
    closingScene->AddObject(light);
    // Uploaded while loading, not on the section's first frame (a failure leaves it to that frame).
    demo.engine->PrepareScene(closingScene);
}

void ClosingRun() {
    SetOverlaySide256();
    for (const ClosingStep& step : kSteps) {
        ClosingWait(step.order, step.row);
        if (step.text) ClosingType(step.text, 0.125f);
    }

    const float start = GetTime();
    for (float d = GetTime() - start; d <= 7.0f; d = GetTime() - start) {
        if (demo.quitRequested.load(std::memory_order_relaxed)) Quit(nullptr);
        const uint8_t alpha = ClosingFadeAlpha(d);
        fadeSurface->SetAmbient(Colour(255, 255, 255, alpha));
        fadeSurface->SetDiffuse(Colour(255, 255, 255, alpha));
        ClosingFrame("", GetTime());
    }
}
