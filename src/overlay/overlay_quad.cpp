// overlay_quad.cpp -- the overlay size, the overlay quad and its placement in front of a
// camera.
#include <cmath>

#include "overlay/overlay.h"
#include "shell/quit.h"

namespace {
int32_t overlayWidth = 256, overlayHeight = 256;
int32_t overlayPixels = 65536;
int32_t widthLog2 = 8, heightLog2 = 8;

int32_t SideLog2(int32_t side) { return side == 64 ? 6 : side == 128 ? 7 : side == 256 ? 8 : -1; }

// Corner order of the two triangles, with their texel corners: (1 = W or H, 0 = 0).
struct Corner {
    int vertex, u, v;
};
constexpr Corner kTriangles[2][3] = {{{0, 1, 0}, {1, 0, 0}, {2, 1, 1}}, {{1, 0, 0}, {3, 0, 1}, {2, 1, 1}}};
}  // namespace

void SetOverlaySize(const int32_t size[2]) {
    const int32_t wl = SideLog2(size[0]), hl = SideLog2(size[1]);
    if (wl < 0 || hl < 0) return;
    overlayWidth = size[0];
    overlayHeight = size[1];
    overlayPixels = size[0] * size[1];
    widthLog2 = wl;
    heightLog2 = hl;
}

int32_t* GetOverlaySize(int32_t size[2]) {
    size[0] = overlayWidth;
    size[1] = overlayHeight;
    return size;
}

int32_t GetOverlayPixelCount() { return overlayPixels; }
int32_t GetOverlayWidthLog2() { return widthLog2; }
int32_t GetOverlayHeightLog2() { return heightLog2; }

Object3D* CreateOverlayQuad(GLEngine* engine, Texture* texture, Surface* material) {
    Object3D* quad = engine->NewObject(0, 0, 2, 4);
    if (!quad || quad->GetVertexCapacity() < 4 || quad->GetTriangleCapacity() < 2)
        Quit("2D scene object creation failed");
    for (int i = 0; i < 4; ++i) quad->GetVertex(i)->Enable();
    for (int t = 0; t < 2; ++t) {
        Triangle* triangle = quad->GetTriangle(t);
        for (int c = 0; c < 3; ++c) triangle->SetVertex(c, quad->GetVertex(kTriangles[t][c].vertex));
        triangle->SetTexture(texture);
        for (int c = 0; c < 3; ++c)
            triangle->SetTexCoord(c, {kTriangles[t][c].u * overlayWidth, kTriangles[t][c].v * overlayHeight});
        if (material) triangle->SetSurface(material);
        triangle->Enable();
    }
    return quad;
}

void PlaceOverlay(Object3D* quad, const Camera* camera, int kind) {
    const float nearPlane = camera->GetNearPlane(), farPlane = camera->GetFarPlane();
    // Logarithmically just inside the clipping range: 2/65536 of the way from the near
    // plane, or 2/65536 short of the far plane.
    double steps;
    if (kind == kOverlayBackground)
        steps = 65534.0;
    else if (kind == kOverlayForeground)
        steps = 2.0;
    else
        Quit("Bad scene type");
    const float distance = static_cast<float>(
        nearPlane * std::pow(2.0, (std::log(farPlane / nearPlane) * steps) / (std::log(2.0) * 65536.0)));
    const float p = std::tan(camera->GetFieldOfViewH() * 0.01745329f) * distance;
    const float q = std::tan(camera->GetFieldOfViewV() * 0.01745329f) * distance;
    quad->GetVertex(0)->SetPosition({-p, q, 0.0f});
    quad->GetVertex(1)->SetPosition({p, q, 0.0f});
    quad->GetVertex(2)->SetPosition({-p, -q, 0.0f});
    quad->GetVertex(3)->SetPosition({p, -q, 0.0f});
    const Vec3 position = camera->GetPosition() + camera->GetDirection() * distance;
    quad->SetPosition(position);
    quad->SetDirection(camera->GetPosition() - position);
    quad->ResetScale();
    quad->CalculateNormals();
}
