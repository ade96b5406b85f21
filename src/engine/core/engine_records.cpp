// engine_records.cpp -- creating and deleting the scene records.
#include "engine/core/engine_records.h"

#include <new>

namespace {
template <typename T>
T* Make() {
    return new (std::nothrow) T();
}

template <typename T>
T* Copy(const T& source) {
    return new (std::nothrow) T(source);
}

// An array of `count` default records; null and a count of 0 when the memory is not there
// (a negative count is taken as 0).
template <typename T>
T* MakeArray(int32_t& count) {
    if (count <= 0) {
        count = 0;
        return nullptr;
    }
    T* array = new (std::nothrow) T[static_cast<size_t>(count)]();
    if (!array) count = 0;
    return array;
}
}  // namespace

Texture* EngineRecords::NewTexture(const Texture& source) { return Copy(source); }
Texture* EngineRecords::NewTexture() { return Make<Texture>(); }
void EngineRecords::DeleteTexture(Texture* texture) { delete texture; }
Surface* EngineRecords::NewSurface(const Surface& source) { return Copy(source); }
Surface* EngineRecords::NewSurface() { return Make<Surface>(); }
void EngineRecords::DeleteSurface(Surface* surface) { delete surface; }
Vertex* EngineRecords::NewVertex(const Vertex& source) { return Copy(source); }
Vertex* EngineRecords::NewVertex() { return Make<Vertex>(); }
void EngineRecords::DeleteVertex(Vertex* vertex) { delete vertex; }
Triangle* EngineRecords::NewTriangle(const Triangle& source) { return Copy(source); }
Triangle* EngineRecords::NewTriangle() { return Make<Triangle>(); }
void EngineRecords::DeleteTriangle(Triangle* triangle) { delete triangle; }
Light* EngineRecords::NewLight(const Light& source) { return Copy(source); }
Light* EngineRecords::NewLight() { return Make<Light>(); }
void EngineRecords::DeleteLight(Light* light) { delete light; }
Camera* EngineRecords::NewCamera(const Camera& source) { return Copy(source); }
Camera* EngineRecords::NewCamera() { return Make<Camera>(); }
void EngineRecords::DeleteCamera(Camera* camera) { delete camera; }

// The copy shares the source's arrays; such copies are never deleted.
Object3D* EngineRecords::NewObject(const Object3D& source) { return Copy(source); }

Object3D* EngineRecords::NewObject(int32_t children, int32_t lights, int32_t triangles, int32_t vertices) {
    Object3D* object = Make<Object3D>();
    if (!object) return nullptr;
    object->childCapacity = children;
    object->children = MakeArray<Object3D*>(object->childCapacity);
    object->childrenDrawn = object->childCapacity;
    object->lightCapacity = lights;
    object->lights = MakeArray<Light>(object->lightCapacity);
    object->lightsInUse = object->lightCapacity;
    object->triangleCapacity = triangles;
    object->triangles = MakeArray<Triangle>(object->triangleCapacity);
    object->trianglesInUse = object->triangleCapacity;
    object->vertexCapacity = vertices;
    object->vertices = MakeArray<Vertex>(object->vertexCapacity);
    object->verticesInUse = object->vertexCapacity;
    return object;
}

void EngineRecords::DeleteObject(Object3D* object) {
    if (!object) return;
    delete[] object->vertices;
    delete[] object->triangles;
    delete[] object->lights;
    delete[] object->children;
    delete object;
}

Scene* EngineRecords::NewScene(const Scene& source) { return Copy(source); }

Scene* EngineRecords::NewScene(int32_t cameras, int32_t objectSlots) {
    Scene* scene = Make<Scene>();
    if (!scene) return nullptr;
    scene->cameraCount = cameras;
    scene->cameras = MakeArray<Camera>(scene->cameraCount);
    scene->objectSlots = objectSlots;
    scene->objects = MakeArray<Object3D*>(scene->objectSlots);
    return scene;
}

void EngineRecords::DeleteScene(Scene* scene) {
    if (!scene) return;
    delete[] scene->cameras;
    delete[] scene->objects;
    delete scene;
}
