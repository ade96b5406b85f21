// loading_screen.cpp -- the loading screen's scene: a camera and a light carrier, drawn
// once per loading step so the window shows the show is alive and Escape is honoured
// between steps. The picture with its progress bar joins the scene with the overlays.
#include "shell/loading_screen.h"

#include "engine/core/engine.h"
#include "shell/demo_state.h"
#include "shell/quit.h"

namespace {
Scene* loadingScene = nullptr;
}

void LoadingScreenInit() {
    GLEngine* engine = demo.engine;
    loadingScene = engine->NewScene(1, 2);
    if (!loadingScene) Quit("Could not create new scene");
    loadingScene->GetCamera(0)->Enable();
    loadingScene->SetActiveCamera(loadingScene->GetCamera(0));
    Object3D* lightCarrier = engine->NewObject(0, 1, 0, 0);
    if (!lightCarrier) Quit("Could not create new object");
    lightCarrier->GetLight(0)->SetType(kLightDirectional);
    lightCarrier->GetLight(0)->Enable();
    lightCarrier->Enable();
    loadingScene->AddObject(lightCarrier);
}

void LoadingScreenStep(int, int) {
    if (demo.quitRequested.load(std::memory_order_relaxed)) Quit(nullptr);
    demo.engine->Render(loadingScene);
}
