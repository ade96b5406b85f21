// title_section.cpp -- the title: four lines typed on the teletype screen, one character
// per 0.125 s with its beep, each line started at its row of the music's first pattern;
// between the lines only the cursor blinks. Ends at order 0, row 128.
#include "engine/core/engine.h"
#include "overlay/overlay.h"
#include "sections/opening.h"
#include "sections/sections.h"
#include "sections/typing.h"
#include "shell/demo_state.h"
#include "shell/quit.h"

namespace {
Scene* titleScene = nullptr;
Texture* titleTexture = nullptr;
Object3D* titleOverlay = nullptr;

constexpr int32_t kTitleSize[2] = {256, 256};

void TitleFrame(const char* text, float time) {
    DrawOverlayFrame(titleScene, titleTexture, titleOverlay, TeletypeFrame(text, time));
}
}  // namespace

void TitleInit() {
    SetOverlaySize(kTitleSize);
    GLEngine* engine = demo.engine;
    titleScene = engine->NewScene(1, 2);
    if (!titleScene) Quit("Could not create new scene");
    titleScene->GetCamera(0)->Enable();
    titleScene->SetActiveCamera(titleScene->GetCamera(0));
    titleTexture = engine->NewTexture();
    if (!titleTexture) Quit("Could not create new texture");
    titleOverlay = CreateOverlayQuad(engine, titleTexture, nullptr);
    titleOverlay->Enable();
    titleScene->AddObject(titleOverlay);
    Object3D* lightCarrier = engine->NewObject(0, 1, 0, 0);
    if (!lightCarrier) Quit("Could not create new object");
    lightCarrier->GetLight(0)->SetType(kLightDirectional);
    lightCarrier->GetLight(0)->Enable();
    lightCarrier->Enable();
    titleScene->AddObject(lightCarrier);
    // Uploaded while loading, not on the section's first frame (a failure leaves it to that frame).
    demo.engine->PrepareScene(titleScene);
}

void TitleWait(int order, int row) { WaitForMusic(order, row, TitleFrame); }

void TitleType(const char* text, float secondsPerCharacter) { TypeText(text, secondsPerCharacter, TitleFrame); }

void TitleRun() {
    SetOverlaySize(kTitleSize);
    TitleWait(0, 12);
    TitleType("      Vorn\n", 0.125f);
    TitleWait(0, 32);
    TitleType("Proudly Presents\n", 0.125f);
    TitleWait(0, 60);
    TitleType("   Umbravel\n\n", 0.125f);
    TitleWait(0, 92);
    TitleType(" \"Nightfold\"...\n", 0.125f);
    TitleWait(0, 128);
}
