// records.cpp -- the operations of the scene records that do more than store a value.
#include "engine/core/records.h"

#include <cmath>

namespace {
bool IsCorner(int i) { return i >= 0 && i <= 2; }
int32_t ClampCount(int32_t n, int32_t capacity) { return (n >= 0 && n <= capacity) ? n : capacity; }

// A zero vector stays zero instead of turning into NaNs: a degenerate triangle adds
// nothing to its corners, and a vertex that no triangle touches keeps a zero normal.
Vec3 UnitOrZero(Vec3 v) {
    const float length = Length(v);
    return length > 0.0f ? v * (1.0f / length) : v;
}
}  // namespace

void Surface::SetShininess(float f) { shininess = static_cast<uint8_t>(static_cast<int>(f * 128.0f)); }

void Texture::SetImage(const int32_t size[2], uint8_t* newPixels, int32_t newMipmap) {
    width = size[0];
    height = size[1];
    pixels = newPixels;
    mipmap = newMipmap;
    if (glName != kNoTextureName) dirty = 1;
}

void Triangle::SetVertex(int i, Vertex* v) {
    if (IsCorner(i)) vertices[i] = v;
}
void Triangle::SetSurface(Surface* s) {
    surface = s;
    hasSurface = 1;
}
void Triangle::SetCornerColour(int i, Colour c) {
    if (!IsCorner(i)) return;
    colours[i] = c;
    hasColours = 1;
}
void Triangle::SetTexture(Texture* t) {
    texture = t;
    hasTexture = 1;
}
void Triangle::SetTexCoord(int i, TexCoord t) {
    if (IsCorner(i)) texCoords[i] = t;
}
Vertex* Triangle::GetVertex(int i) const { return IsCorner(i) ? vertices[i] : nullptr; }
Colour Triangle::GetCornerColour(int i) const { return IsCorner(i) ? colours[i] : Colour(0, 0, 0, 0); }
TexCoord Triangle::GetTexCoord(int i) const { return IsCorner(i) ? texCoords[i] : TexCoord{}; }

void Light::SetSpotCutoff(float degrees) {
    if (degrees < 0.0f) degrees = 0.0f;
    if (degrees > 90.0f) degrees = 90.0f;
    spotCutoff = degrees;
}

void Camera::SetDirection(Vec3 d) { direction = d * (1.0f / Length(d)); }
void Camera::SetUp(Vec3 u) { up = u * (1.0f / Length(u)); }

void Camera::SetFieldOfView(float h, float v) {
    auto clamp = [](float a) { return a < 5.0f ? 5.0f : (a > 175.0f ? 175.0f : a); };
    fovHorizontal = clamp(h);
    fovVertical = clamp(v);
}

void Camera::SetClipPlanes(float nearP, float farP) {
    auto clamp = [](float a) { return a < 1e-6f ? 1e-6f : (a > 1e6f ? 1e6f : a); };
    nearP = clamp(nearP);
    farP = clamp(farP);
    if (nearP < farP) {
        nearPlane = nearP;
        farPlane = farP;
    }
}

void Camera::SetViewport(const int32_t size[2]) {
    viewportWidth = size[0];
    viewportHeight = size[1];
}

void Camera::SetFog(int32_t on, float endDistance, Colour colour) {
    fog = on;
    fogEnd = endDistance;
    fogColour = colour;
}

void Object3D::SetDirection(Vec3 d) { direction = d * (1.0f / Length(d)); }
void Object3D::SetUp(Vec3 u) { up = u * (1.0f / Length(u)); }

void Object3D::AddChild(Object3D* child) {
    if (childrenAdded < childCapacity) children[childrenAdded++] = child;
}

void Object3D::RemoveChild(Object3D* child) {
    for (int32_t i = 0; i < childCapacity; ++i)
        if (children[i] == child) children[i] = nullptr;
}

void Object3D::SetVertexCount(int32_t n) { verticesInUse = ClampCount(n, vertexCapacity); }
void Object3D::SetTriangleCount(int32_t n) { trianglesInUse = ClampCount(n, triangleCapacity); }
void Object3D::SetLightCount(int32_t n) { lightsInUse = ClampCount(n, lightCapacity); }
void Object3D::SetChildCount(int32_t n) { childrenDrawn = ClampCount(n, childCapacity); }

void Object3D::Scale(float factor, int doX, int doY, int doZ) {
    Vec3 relative(1.0f, 1.0f, 1.0f);
    if (doX) relative.x = factor / scale.x, scale.x = factor;
    if (doY) relative.y = factor / scale.y, scale.y = factor;
    if (doZ) relative.z = factor / scale.z, scale.z = factor;
    for (int32_t i = 0; i < vertexCapacity; ++i) {
        Vertex& v = vertices[i];
        v.position = {v.position.x * relative.x, v.position.y * relative.y, v.position.z * relative.z};
        const Vec3 n(v.normal.x * relative.x, v.normal.y * relative.y, v.normal.z * relative.z);
        v.normal = UnitOrZero(n);
    }
}

void Object3D::CalculateNormals() {
    for (int32_t i = 0; i < verticesInUse; ++i)
        if (vertices[i].IsEnabled()) vertices[i].normal = Vec3();
    for (int32_t i = 0; i < trianglesInUse; ++i) {
        const Triangle& t = triangles[i];
        if (!t.IsEnabled() || !t.vertices[0] || !t.vertices[1] || !t.vertices[2]) continue;
        const Vec3 p0 = t.vertices[0]->position, p1 = t.vertices[1]->position, p2 = t.vertices[2]->position;
        const Vec3 face = UnitOrZero(Cross(p1 - p2, p1 - p0));
        for (Vertex* v : t.vertices) v->normal = v->normal + face;
    }
    for (int32_t i = 0; i < verticesInUse; ++i)
        if (vertices[i].IsEnabled()) vertices[i].normal = UnitOrZero(vertices[i].normal);
}

void Scene::AddObject(Object3D* object) {
    if (objectsAdded < objectSlots) objects[objectsAdded++] = object;
}

void Scene::RemoveObject(Object3D* object) {
    for (int32_t i = 0; i < objectSlots; ++i)
        if (objects[i] == object) objects[i] = nullptr;
}
