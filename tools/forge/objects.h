// objects.h -- the show's 3D objects, built in engine space and written as LWOB files.
#pragma once

#include <string>
#include <vector>

#include "mesh.h"

namespace forge {

struct ForgedObject {
    std::string name;  // short name, "Heart.lwo"
    MeshBuilder mesh;  // engine space, polygons counter-clockwise from the side that shows
    int winding = 0;   // the polygon winding the show loads it with
    V3 view{0, 0.3f, 1};  // where the contact sheet looks from (towards the object's centre)
};

// Every object, in the order of the name table's list of objects.
std::vector<ForgedObject> BuildObjects();

// Where the heart's vessels open, and the way they point (the droplets spray from there).
struct VesselOpening {
    V3 position, direction;
    float size;
};
std::vector<VesselOpening> HeartVesselOpenings();

}  // namespace forge
