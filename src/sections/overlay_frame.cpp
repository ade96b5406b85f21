// overlay_frame.cpp -- the frame the title and logo sections draw over and over.
#include "engine/core/engine.h"
#include "overlay/overlay.h"
#include "sections/opening.h"
#include "shell/demo_state.h"

void DrawOverlayFrame(Scene* scene, Texture* texture, Object3D* overlay, uint8_t* pixels) {
    int32_t size[2];
    texture->SetImage(GetOverlaySize(size), pixels, 0);
    PlaceOverlay(overlay, scene->GetActiveCamera(), kOverlayForeground);
    demo.engine->Render(scene);
}
