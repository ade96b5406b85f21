// lwob_writer.h -- LightWave objects in the LWOB form: points, surface names, polygons and
// one SURF chunk per surface with its colour and, for a textured surface, its picture and
// planar projection. Not written: detail polygons, smoothing, any other surface settings.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "byte_sink.h"

namespace forge {

struct LwobTexture {
    std::string image;        // TIMG, as the object names it ("Textures\Metal1.jpg")
    int axis = 2;             // TFLG: 0 x, 1 y, 2 z
    std::array<float, 3> size{1, 1, 1};    // TSIZ, file coordinates
    std::array<float, 3> centre{0, 0, 0};  // TCTR, file coordinates
};

struct LwobSurface {
    std::string name;
    std::array<uint8_t, 3> colour{200, 200, 200};  // COLR
    bool textured = false;
    LwobTexture texture;
};

struct LwobPolygon {
    std::vector<uint16_t> points;  // 3 or more, in the file's order
    uint16_t surface = 1;          // 1-based into the surfaces
};

struct LwobFile {
    std::vector<std::array<float, 3>> points;  // file coordinates (left-handed)
    std::vector<LwobPolygon> polygons;
    std::vector<LwobSurface> surfaces;
};

// FORM, LWOB, then PNTS, SRFS, POLS and a SURF per surface. Throws when the object does
// not fit the format (more than 65536 points, an index or surface out of range).
void WriteLwob(ByteSink& sink, const LwobFile& object);

}  // namespace forge
