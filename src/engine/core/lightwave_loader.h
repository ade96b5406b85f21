// lightwave_loader.h -- LightWave objects (IFF "FORM" files of type "LWOB") made into one
// engine object of exactly the right size: points become vertices (z mirrored into the
// engine's right-handed space), polygons become fans of triangles, surfaces become
// materials or planar-mapped, mipmapped textures, and the normals are smoothed.
//
// Main thread only; one load at a time (the loader keeps its settings and its last
// error in module-level state).
#pragma once

#include <cstdint>

#include "engine/core/engine.h"

// Returns a heap block (freed by the loader with free()) holding the whole named file and
// its size, or null.
using ObjectFileOpener = uint8_t* (*)(const char* name, uint32_t* size);

void SetObjectFileOpener(ObjectFileOpener opener);
// 0: corners 0, k, k-1 of each fan triangle; 1: corners 0, k-1, k.
void SetPolygonWinding(int winding);

// 1 with the new object in *object, or 0 with *object null and the reason in
// GetObjectLoaderError(). The capacities for lights and children are passed on to
// NewObject for the caller to fill later.
int LoadLightWaveObject(GLEngine* engine, Object3D** object, const char* fileName, int32_t lightCapacity,
                        int32_t childCapacity);
const char* GetObjectLoaderError();
