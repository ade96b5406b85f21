// missile.h -- the TV section's missile: a textured, randomly coloured body of revolution
// along y with a finned tail, whose cross-sections twist, morph from round to star-shaped,
// bulge, swell, blink and turn half their triangles inside out as time goes on.
#pragma once

#include "engine/core/engine.h"

// Builds the object (424 vertices, 824 triangles) once; reseeds the shared generator with
// 123456 for its colours. Quits on failure.
void BuildMissile();
Object3D* GetMissileObject();
// One frame of animation by the time since its first call; call before each Render.
void AnimateMissile();

// The radius of a tail vertex 5 degrees off a corner of a cross-section whose corners lie
// at radius c (0.484357 for 0.5, 0.378818 for 0.15).
float MissileCornerRadius(double c);
