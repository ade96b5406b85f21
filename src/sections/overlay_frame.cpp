// overlay_frame.cpp -- the frame the title and logo sections draw over and over, and the
// music position they follow.
#include "engine/core/engine.h"
#include "overlay/overlay.h"
#include "sections/opening.h"
#include "shell/demo_state.h"
#include "sound/vss_records.h"

bool MusicBefore(int order, int row) {
    const int currentOrder = demo.module->currentOrder.load(std::memory_order_relaxed);
    if (currentOrder != order) return currentOrder < order;
    return demo.module->currentRow.load(std::memory_order_relaxed) < row;
}

void DrawOverlayFrame(Scene* scene, Texture* texture, Object3D* overlay, uint8_t* pixels) {
    int32_t size[2];
    texture->SetImage(GetOverlaySize(size), pixels, 0);
    PlaceOverlay(overlay, scene->GetActiveCamera(), kOverlayForeground);
    demo.engine->Render(scene);
}
