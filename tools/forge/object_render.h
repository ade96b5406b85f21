// object_render.h -- a small software renderer for looking at the forge's objects: it
// reads an LWOB file the way the program's loader does (z mirror, fans by the winding,
// planar-mapped pictures, smooth normals) and draws it with one light, a depth buffer and
// back faces culled, so a polygon that faces the wrong way shows as a hole.
#pragma once

#include <functional>
#include <string>

#include "image.h"
#include "lwob_writer.h"
#include "mesh.h"

namespace forge {

// Finds the picture an object names, by its upper-case base name ("METAL1.JPG"); null
// when there is none (the surface's colour is drawn instead).
using PictureLookup = std::function<const Image*(const std::string& baseName)>;

// The object seen from direction `from` (towards its centre), filling most of a square
// picture of `size` pixels.
Image RenderObject(const LwobFile& file, int winding, V3 from, int size, const PictureLookup& pictures);

// Decodes a JPEG file's bytes (for the pictures the objects name); an empty image on failure.
Image DecodeJpegBytes(const std::vector<uint8_t>& bytes);

}  // namespace forge
