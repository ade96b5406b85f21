// metaballs.h -- a blob of five metaballs, polygonised with marching cubes every frame
// into one engine object of fixed capacity. The balls orbit the origin, swell in over
// 6 seconds, stay for 10 and shrink away over 6; after 22 seconds the object is hidden
// for good. Any section may show the object; one section at a time drives it.
//
// Main thread only. Failures end the program through Quit.
#pragma once

struct Object3D;

// Creates the object (4000 vertices, 4000 triangles, red corners), its tables, the two
// plane buffers and the case table. Uses the show's engine (DemoState::engine).
void MetaballsInit();
// The object, for adding it to a scene (null before MetaballsInit).
Object3D* GetMetaballObject();
// Rebuilds the object for the current time; the blob's clock starts at the first call.
void MetaballsFrame();
