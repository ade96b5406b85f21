// engine_records.h -- the engine's creating and deleting operations of the scene records,
// shared by every engine back-end. Records live on the ordinary heap; a failed allocation
// gives null (or an array of capacity 0) and never sets the error text.
#pragma once

#include "engine/core/engine.h"

class EngineRecords : public GLEngine {
public:
    Texture* NewTexture(const Texture& source) override;
    Texture* NewTexture() override;
    void DeleteTexture(Texture* texture) override;
    Surface* NewSurface(const Surface& source) override;
    Surface* NewSurface() override;
    void DeleteSurface(Surface* surface) override;
    Vertex* NewVertex(const Vertex& source) override;
    Vertex* NewVertex() override;
    void DeleteVertex(Vertex* vertex) override;
    Triangle* NewTriangle(const Triangle& source) override;
    Triangle* NewTriangle() override;
    void DeleteTriangle(Triangle* triangle) override;
    Light* NewLight(const Light& source) override;
    Light* NewLight() override;
    void DeleteLight(Light* light) override;
    Camera* NewCamera(const Camera& source) override;
    Camera* NewCamera() override;
    void DeleteCamera(Camera* camera) override;
    Object3D* NewObject(const Object3D& source) override;
    Object3D* NewObject(int32_t children, int32_t lights, int32_t triangles, int32_t vertices) override;
    void DeleteObject(Object3D* object) override;
    Scene* NewScene(const Scene& source) override;
    Scene* NewScene(int32_t cameras, int32_t objectSlots) override;
    void DeleteScene(Scene* scene) override;
};
