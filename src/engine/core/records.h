// records.h -- the scene records that sections build and the engine draws.
//
// A Scene holds cameras and pointers to Object3Ds; an object holds fixed-size arrays of
// Vertex, Triangle and Light records and pointers to children; triangles point at their
// vertices and optionally at a Surface and a Texture. Records are created through the
// engine's creating operations (engine.h) and changed through their own operations. None
// holds a lock: sections change them only while the render thread is idle (between Render
// calls). Indices handed to the Get operations of Object3D and Scene are not checked:
// callers stay below the capacity.
#pragma once

#include <cstdint>

#include "engine/core/vec_math.h"

struct Colour {
    uint8_t r = 200, g = 200, b = 200, a = 255;
    constexpr Colour() = default;
    constexpr Colour(uint8_t r_, uint8_t g_, uint8_t b_, uint8_t a_) : r(r_), g(g_), b(b_), a(a_) {}
    friend bool operator==(const Colour&, const Colour&) = default;
};

// Texel coordinates of a triangle corner; the renderer divides by the texture size, so
// values beyond the size repeat the texture.
struct TexCoord {
    int32_t u = 0, v = 0;
    friend bool operator==(const TexCoord&, const TexCoord&) = default;
};

inline constexpr uint32_t kEnabledBit = 1;

struct Vertex {
    uint32_t flags = 0;
    Vec3 position;
    Vec3 normal;

    void Enable() { flags |= kEnabledBit; }
    void Disable() { flags &= ~kEnabledBit; }
    int IsEnabled() const { return flags & kEnabledBit; }
    void SetPosition(Vec3 p) { position = p; }
    void SetNormal(Vec3 n) { normal = n; }
    Vec3 GetPosition() const { return position; }
    Vec3 GetNormal() const { return normal; }
};

struct Surface {
    Colour ambient{64, 64, 64, 255};
    Colour diffuse{192, 192, 192, 255};
    Colour specular{0, 0, 0, 255};
    Colour emission{0, 0, 0, 255};
    uint8_t shininess = 0;  // 0..128

    void SetAmbient(Colour c) { ambient = c; }
    void SetDiffuse(Colour c) { diffuse = c; }
    void SetSpecular(Colour c) { specular = c; }
    void SetEmission(Colour c) { emission = c; }
    void SetShininess(float f);  // stores (int)(f * 128)
    Colour GetAmbient() const { return ambient; }
    Colour GetDiffuse() const { return diffuse; }
    Colour GetSpecular() const { return specular; }
    Colour GetEmission() const { return emission; }
};

inline constexpr uint32_t kNoTextureName = 0xFFFFFFFFu;

// A texture does not own its pixels: whoever calls SetImage keeps them alive while the
// texture is drawn and frees them afterwards.
struct Texture {
    int32_t width = 0;
    int32_t height = 0;
    uint8_t* pixels = nullptr;  // R, G, B, A rows, width x height x 4 bytes
    int32_t mipmap = 0;
    int32_t dirty = 0;
    uint32_t glName = kNoTextureName;

    // Marks an uploaded texture dirty so that its next draw uploads it again under the same name.
    void SetImage(const int32_t size[2], uint8_t* pixels, int32_t mipmap);
    void Invalidate() { dirty = 1; }
    void GetSize(int32_t size[2]) const {
        size[0] = width;
        size[1] = height;
    }
    uint8_t* GetPixels() const { return pixels; }
};

struct Triangle {
    uint32_t flags = 0;
    Vertex* vertices[3] = {nullptr, nullptr, nullptr};  // counter-clockwise front faces
    int32_t hasSurface = 0;
    Surface* surface = nullptr;
    int32_t hasColours = 0;
    Colour colours[3] = {Colour(0, 0, 0, 0), Colour(0, 0, 0, 0), Colour(0, 0, 0, 0)};
    int32_t hasTexture = 0;
    Texture* texture = nullptr;
    TexCoord texCoords[3];

    void Enable() { flags |= kEnabledBit; }
    void Disable() { flags &= ~kEnabledBit; }
    int IsEnabled() const { return flags & kEnabledBit; }
    // Corner operations take the corners 0, 1, 2; other indices change nothing and read
    // as null, a zero colour or (0, 0).
    void SetVertex(int i, Vertex* v);
    void SetSurface(Surface* s);
    void SetCornerColour(int i, Colour c);
    void SetTexture(Texture* t);
    void SetTexCoord(int i, TexCoord t);
    Vertex* GetVertex(int i) const;
    Surface* GetSurface() const { return surface; }
    Colour GetCornerColour(int i) const;
    Texture* GetTexture() const { return texture; }
    TexCoord GetTexCoord(int i) const;
};

enum : int32_t { kLightDirectional = 0, kLightPoint = 1, kLightSpot = 2 };

struct Light {
    uint32_t flags = 0;
    int32_t type = kLightPoint;
    Vec3 position;
    Vec3 direction{0.0f, 0.0f, -1.0f};
    float spotCutoff = 0.0f;
    Colour ambient{0, 0, 0, 255};
    Colour diffuse{255, 255, 255, 255};
    Colour specular{255, 255, 255, 255};

    void Enable() { flags |= kEnabledBit; }
    void Disable() { flags &= ~kEnabledBit; }
    int IsEnabled() const { return flags & kEnabledBit; }
    void SetType(int32_t t) { type = t; }
    void SetPosition(Vec3 p) { position = p; }
    void SetDirection(Vec3 d) { direction = d; }  // stored as given, not normalised
    void SetSpotCutoff(float degrees);            // clamped to 0..90
    void SetAmbient(Colour c) { ambient = c; }
    void SetDiffuse(Colour c) { diffuse = c; }
    void SetSpecular(Colour c) { specular = c; }
    Vec3 GetPosition() const { return position; }
};

struct Camera {
    uint32_t flags = 0;
    Vec3 position;
    Vec3 direction{0.0f, 0.0f, -1.0f};
    Vec3 up{0.0f, 1.0f, 0.0f};
    float fovHorizontal = 45.0f;  // half-angles in degrees
    float fovVertical = 33.834587f;
    float nearPlane = 1.0f;
    float farPlane = 1000.0f;
    int32_t viewportWidth = 0;  // 0 x 0: the whole window
    int32_t viewportHeight = 0;
    int32_t fog = 0;
    Colour fogColour{200, 200, 200, 255};
    float fogEnd = 500.0f;

    void Enable() { flags |= kEnabledBit; }
    void Disable() { flags &= ~kEnabledBit; }
    void SetPosition(Vec3 p) { position = p; }
    void SetDirection(Vec3 d);  // normalised
    void SetUp(Vec3 u);         // normalised
    void SetFieldOfView(float h, float v);        // each clamped to 5..175
    void SetClipPlanes(float nearP, float farP);  // clamped to 1e-6..1e6; kept only if near < far
    void SetViewport(const int32_t size[2]);
    void SetFog(int32_t on, float endDistance, Colour colour);
    Vec3 GetPosition() const { return position; }
    Vec3 GetDirection() const { return direction; }
    Vec3 GetUp() const { return up; }
    float GetFieldOfViewH() const { return fovHorizontal; }
    float GetFieldOfViewV() const { return fovVertical; }
    float GetNearPlane() const { return nearPlane; }
    float GetFarPlane() const { return farPlane; }
};

struct Object3D {
    uint32_t flags = 0;
    Vec3 position;
    Vec3 direction{0.0f, 0.0f, -1.0f};
    Vec3 up{0.0f, 1.0f, 0.0f};
    int32_t vertexCapacity = 0, verticesInUse = 0;
    Vertex* vertices = nullptr;
    int32_t triangleCapacity = 0, trianglesInUse = 0;
    Triangle* triangles = nullptr;
    int32_t lightCapacity = 0, lightsInUse = 0;
    Light* lights = nullptr;
    int32_t childCapacity = 0, childrenDrawn = 0, childrenAdded = 0;
    Object3D** children = nullptr;
    Vec3 scale{1.0f, 1.0f, 1.0f};

    void Enable() { flags |= kEnabledBit; }
    void Disable() { flags &= ~kEnabledBit; }
    int IsEnabled() const { return flags & kEnabledBit; }
    void SetPosition(Vec3 p) { position = p; }
    void SetDirection(Vec3 d);  // normalised
    void SetUp(Vec3 u);         // normalised
    Vec3 GetPosition() const { return position; }
    Vec3 GetDirection() const { return direction; }
    Vec3 GetUp() const { return up; }
    void AddChild(Object3D* child);     // into the next free slot while any is left
    void RemoveChild(Object3D* child);  // clears every slot holding it
    Vertex* GetVertex(int i) const { return &vertices[i]; }
    Triangle* GetTriangle(int i) const { return &triangles[i]; }
    Light* GetLight(int i) const { return &lights[i]; }
    Object3D* GetChild(int i) const { return children[i]; }
    // 0..capacity is stored; anything else stores the capacity.
    void SetVertexCount(int32_t n);
    void SetTriangleCount(int32_t n);
    void SetLightCount(int32_t n);
    void SetChildCount(int32_t n);
    int32_t GetVertexCapacity() const { return vertexCapacity; }
    int32_t GetTriangleCapacity() const { return triangleCapacity; }
    int32_t GetLightCapacity() const { return lightCapacity; }
    int32_t GetChildCapacity() const { return childCapacity; }
    void ResetScale() { scale = Vec3(1.0f, 1.0f, 1.0f); }
    // Absolute scale on the chosen axes: every vertex up to the capacity is scaled by the
    // factor relative to the current scale, and its normal is made unit length again.
    void Scale(float factor, int doX, int doY, int doZ);
    // Smooth normals: the unit face normals of the enabled triangles in use, summed at
    // their corners and normalised at every enabled vertex in use.
    void CalculateNormals();
};

struct Scene {
    int32_t cameraCount = 0;
    Camera* cameras = nullptr;
    int32_t objectSlots = 0;
    int32_t objectsAdded = 0;
    Object3D** objects = nullptr;
    Camera* activeCamera = nullptr;

    void SetActiveCamera(Camera* c) { activeCamera = c; }
    Camera* GetActiveCamera() const { return activeCamera; }
    void AddObject(Object3D* object);     // into the next free slot while any is left
    void RemoveObject(Object3D* object);  // clears every slot holding it
    Camera* GetCamera(int i) const { return &cameras[i]; }
    Object3D* GetObject(int i) const { return objects[i]; }
};
