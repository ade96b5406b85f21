// mesh.cpp -- lattices, bodies, tubes and boxes for the forge's objects.
#include "mesh.h"

#include "paint.h"

#include <algorithm>
#include <stdexcept>

namespace forge {

uint16_t MeshBuilder::AddSurface(const LwobSurface& surface) {
    surfaces_.push_back(surface);
    return static_cast<uint16_t>(surfaces_.size());
}

void MeshBuilder::SetTexture(uint16_t number, const LwobTexture& texture) {
    surfaces_.at(number - 1u).textured = true;
    surfaces_.at(number - 1u).texture = texture;
}

uint16_t MeshBuilder::Point(V3 p) {
    if (points_.size() >= 0x10000) throw std::length_error("mesh: more than 65536 points");
    points_.push_back(p);
    return static_cast<uint16_t>(points_.size() - 1);
}

void MeshBuilder::Polygon(std::vector<uint16_t> ccw, uint16_t surface) {
    polygons_.push_back({std::move(ccw), surface});
}

uint16_t MeshBuilder::Lattice(int rows, int cols, bool wrap, const std::function<V3(int, int)>& p,
                              uint16_t surface, bool wrapRows) {
    const uint16_t first = static_cast<uint16_t>(points_.size());
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) Point(p(i, j));
    auto at = [&](int i, int j) { return static_cast<uint16_t>(first + (i % rows) * cols + (j % cols)); };
    for (int i = 0; i < (wrapRows ? rows : rows - 1); ++i)
        for (int j = 0; j < (wrap ? cols : cols - 1); ++j)
            Polygon({at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i + 1, j)}, surface);
    return first;
}

void MeshBuilder::Body(int rows, int cols, const std::function<V3(int, int)>& p, uint16_t surface, bool ngonCaps) {
    const uint16_t ring = Lattice(rows - 1, cols, true, [&](int i, int j) { return p(i + 1, j); }, surface);
    auto at = [&](int i, int j) { return static_cast<uint16_t>(ring + i * cols + (j % cols)); };
    if (ngonCaps) {
        std::vector<uint16_t> top, bottom;
        for (int j = cols - 1; j >= 0; --j) top.push_back(at(0, j));
        for (int j = 0; j < cols; ++j) bottom.push_back(at(rows - 2, j));
        Polygon(top, surface);
        Polygon(bottom, surface);
        return;
    }
    const uint16_t north = Point(p(0, 0)), south = Point(p(rows, 0));
    for (int j = 0; j < cols; ++j) {
        Polygon({north, at(0, j + 1), at(0, j)}, surface);
        Polygon({at(rows - 2, j), at(rows - 2, j + 1), south}, surface);
    }
}

uint16_t MeshBuilder::Tube(int along, int around, const std::function<V3(float)>& c,
                           const std::function<float(float)>& r, uint16_t surface) {
    // Frames carried along the curve without twist, so the quads stay even.
    std::vector<V3> centres(along + 1), tangents(along + 1), normals(along + 1);
    for (int i = 0; i <= along; ++i) centres[i] = c(static_cast<float>(i) / along);
    for (int i = 0; i <= along; ++i)
        tangents[i] = Unit(centres[std::min(i + 1, along)] - centres[std::max(i - 1, 0)]);
    V3 seed = std::fabs(tangents[0].y) < 0.9f ? V3{0, 1, 0} : V3{1, 0, 0};
    normals[0] = Unit(Cross(Cross(tangents[0], seed), tangents[0]));
    for (int i = 1; i <= along; ++i) {
        V3 n = normals[i - 1] - tangents[i] * Dot(normals[i - 1], tangents[i]);
        normals[i] = Unit(n);
    }
    return Lattice(along + 1, around, true, [&](int i, int j) {
        const float a = kTau * j / around;
        const V3 b = Cross(tangents[i], normals[i]);
        const float radius = r(static_cast<float>(i) / along);
        return centres[i] + (normals[i] * std::cos(a) + b * std::sin(a)) * radius;
    }, surface);
}

void MeshBuilder::RingTube(int along, int around, V3 w, const std::function<V3(float)>& c, float r,
                           uint16_t surface) {
    std::vector<V3> centres(along);
    for (int i = 0; i < along; ++i) centres[i] = c(static_cast<float>(i) / along);
    Lattice(along, around, true, [&](int i, int j) {
        const V3 t = Unit(centres[(i + 1) % along] - centres[(i + along - 1) % along]);
        const V3 n = Unit(Cross(t, w));
        const float b = kTau * j / around;
        return centres[i] + (n * std::cos(b) - w * std::sin(b)) * r;
    }, surface, true);
}

void MeshBuilder::Facing(std::vector<uint16_t> points, V3 normal, uint16_t surface) {
    V3 sum{};
    for (size_t k = 0; k < points.size(); ++k)
        sum = sum + Cross(points_[points[k]], points_[points[(k + 1) % points.size()]]);
    if (Dot(sum, normal) < 0) std::reverse(points.begin(), points.end());
    Polygon(std::move(points), surface);
}

void MeshBuilder::Cap(uint16_t first, int count, bool end, uint16_t surface) {
    std::vector<uint16_t> ring;
    for (int j = 0; j < count; ++j) ring.push_back(static_cast<uint16_t>(first + (end ? j : count - 1 - j)));
    Polygon(ring, surface);
}

void MeshBuilder::Box(V3 lo, V3 hi, uint16_t surface) {
    auto corner = [&](int i) {
        return Point({(i & 1) ? hi.x : lo.x, (i & 2) ? hi.y : lo.y, (i & 4) ? hi.z : lo.z});
    };
    uint16_t c[8];
    for (int i = 0; i < 8; ++i) c[i] = corner(i);
    Polygon({c[4], c[5], c[7], c[6]}, surface);  // +z
    Polygon({c[1], c[0], c[2], c[3]}, surface);  // -z
    Polygon({c[5], c[1], c[3], c[7]}, surface);  // +x
    Polygon({c[0], c[4], c[6], c[2]}, surface);  // -x
    Polygon({c[6], c[7], c[3], c[2]}, surface);  // +y
    Polygon({c[0], c[1], c[5], c[4]}, surface);  // -y
}

LwobFile MeshBuilder::ToFile(int winding) const {
    LwobFile file;
    file.surfaces = surfaces_;
    for (const V3& p : points_) file.points.push_back({p.x, p.y, -p.z});
    file.polygons = polygons_;
    // Winding 1 takes the file's order as it stands; winding 0 turns each fan round.
    if (winding == 0)
        for (LwobPolygon& polygon : file.polygons) std::reverse(polygon.points.begin(), polygon.points.end());
    return file;
}

LwobTexture ProjectionOver(const std::vector<V3>& points, const char* image, int axis, float margin) {
    V3 lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
    for (const V3& p : points) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    LwobTexture t;
    t.image = image;
    t.axis = axis;
    t.centre = {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, -(lo.z + hi.z) / 2};
    t.size = {(hi.x - lo.x) * margin, (hi.y - lo.y) * margin, (hi.z - lo.z) * margin};
    for (float& s : t.size) s = std::max(s, 1e-3f);
    return t;
}

}  // namespace forge
