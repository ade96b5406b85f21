// mesh.h -- building the forge's 3D objects in the engine's own space (right-handed, y
// up, the viewer in front at +z) and writing them as LWOB files. Polygons are listed
// counter-clockwise as seen from the side that shows; the file gets the z mirror and the
// point order that the loader, with the object's winding, turns back into exactly that.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "lwob_writer.h"

namespace forge {

struct V3 {
    float x = 0, y = 0, z = 0;
};
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(V3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }
inline float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline float Len(V3 a) { return std::sqrt(Dot(a, a)); }
inline V3 Unit(V3 a) {
    float l = Len(a);
    return l > 0 ? a * (1.0f / l) : V3{0, 1, 0};
}

class MeshBuilder {
public:
    // Adds a surface; returns its 1-based number.
    uint16_t AddSurface(const LwobSurface& surface);
    // Gives surface `number` a planar-mapped picture.
    void SetTexture(uint16_t number, const LwobTexture& texture);
    uint16_t Point(V3 p);
    void Polygon(std::vector<uint16_t> ccw, uint16_t surface);

    // rows x cols points p(i, j); quads (i, j), (i, j+1), (i+1, j+1), (i+1, j) face the
    // side of dp/dj x dp/di. wrap: column cols-1 joins column 0 (wrapRows: row rows-1 joins
    // row 0). Returns the first point.
    uint16_t Lattice(int rows, int cols, bool wrap, const std::function<V3(int, int)>& p, uint16_t surface,
                     bool wrapRows = false);
    // A closed ring tube of radius r around the closed curve c(s), s in 0..1, that runs
    // counter-clockwise about the plane normal w: `along` x `around` quads.
    void RingTube(int along, int around, V3 w, const std::function<V3(float)>& c, float r, uint16_t surface);
    // A polygon whose points are turned round when needed so that it faces `normal`.
    void Facing(std::vector<uint16_t> points, V3 normal, uint16_t surface);
    // A closed body around the y axis: rows of rings between two poles, p(i, j) for
    // i = 1..rows-1 (ring i, from the top) and the poles p(0, 0), p(rows, 0). Fans of
    // triangles meet the poles, or with ngonCaps the first and last rings close as one
    // polygon each and the poles are not used.
    void Body(int rows, int cols, const std::function<V3(int, int)>& p, uint16_t surface, bool ngonCaps = false);
    // A tube swept along c(t), t in 0..1, with radius r(t): `along` + 1 rings of `around`
    // points. The ends stay open.
    uint16_t Tube(int along, int around, const std::function<V3(float)>& c, const std::function<float(float)>& r,
                  uint16_t surface);
    // Closes the ring of `count` points from `first` (as a tube made them) with one polygon
    // facing along -tangent (start) or +tangent (end).
    void Cap(uint16_t first, int count, bool end, uint16_t surface);
    // An axis-aligned box, faces outward.
    void Box(V3 lo, V3 hi, uint16_t surface);

    const std::vector<V3>& Points() const { return points_; }
    size_t PolygonCount() const { return polygons_.size(); }
    // The LWOB file of this mesh for a load with the given winding (0 or 1).
    LwobFile ToFile(int winding) const;

private:
    std::vector<V3> points_;
    std::vector<LwobPolygon> polygons_;
    std::vector<LwobSurface> surfaces_;
};

// The projection box of a set of engine points for a texture: centre and size in file
// coordinates (z mirrored), each side at least `minimum`.
LwobTexture ProjectionOver(const std::vector<V3>& points, const char* image, int axis, float margin = 1.0f);

}  // namespace forge
