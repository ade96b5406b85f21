// object_models.cpp -- the models: the heart with its vessels, the chain link, the light
// spheres and the droplet, the television, the brain, the three gyroscope rings and the
// spike. Sizes are in the units the sections place them in; only the TV is in file units
// (its section scales it by 0.025).
#include <algorithm>
#include <cmath>

#include "objects.h"
#include "paint.h"

namespace forge {

namespace {

LwobSurface Plain(const char* name, uint8_t r, uint8_t g, uint8_t b) {
    LwobSurface s;
    s.name = name;
    s.colour = {r, g, b};
    return s;
}

LwobSurface Mapped(const char* name, uint8_t r, uint8_t g, uint8_t b, LwobTexture texture) {
    LwobSurface s = Plain(name, r, g, b);
    s.textured = true;
    s.texture = std::move(texture);
    return s;
}

// A sphere-like body: ring i of `rows` (from the +y pole), column j of `cols`.
V3 SphereDirection(int i, int rows, int j, int cols) {
    const float theta = kPi * i / rows, phi = kTau * j / cols;
    return {std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
}

void Sphere(MeshBuilder& m, V3 centre, V3 radii, int rows, int cols, uint16_t surface, bool ngonCaps = false) {
    m.Body(rows, cols, [&](int i, int j) {
        V3 d = SphereDirection(i, rows, j, cols);
        return centre + V3{d.x * radii.x, d.y * radii.y, d.z * radii.z};
    }, surface, ngonCaps);
}

V3 Bezier(V3 a, V3 b, V3 c, V3 d, float t) {
    const float s = 1 - t;
    return a * (s * s * s) + b * (3 * s * s * t) + c * (3 * s * t * t) + d * (t * t * t);
}

// ---------------------------------------------------------------------------- heart

float Smin(float a, float b, float k) {
    const float h = std::clamp(0.5f + 0.5f * (b - a) / k, 0.0f, 1.0f);
    return b + (a - b) * h - k * h * (1 - h);
}

// The heart's muscle as a distance field: the ventricles taper from the base (up, right,
// back) to the apex (down, left, front); the two atria sit on the base.
float HeartField(V3 p) {
    const V3 base{0.6f, 0.8f, -0.6f}, apex{-0.7f, -1.65f, 0.45f};
    const V3 axis = apex - base;
    const float t = std::clamp(Dot(p - base, axis) / Dot(axis, axis), 0.0f, 1.0f);
    const float radius = 1.45f - 1.2f * std::pow(t, 1.6f);
    // The left ventricle bulges a little more than the right one.
    const float bulge = 0.12f * std::sin(kPi * t) * std::clamp(-(p.x - 0.3f) + (p.z + 0.2f), -1.0f, 1.0f);
    float d = Len(p - (base + axis * t)) - radius - bulge;
    d = Smin(d, Len(p - V3{1.65f, 1.25f, -0.15f}) - 0.8f, 0.45f);   // right atrium
    d = Smin(d, Len(p - V3{-0.15f, 1.55f, -1.2f}) - 0.82f, 0.45f);  // left atrium
    // The groove between the ventricles, where the coronary vessels run.
    const float groove = std::fabs(Dot(p - V3{0.15f, 0, 0.1f}, Unit(V3{1.0f, -0.25f, 0.75f})));
    return d + 0.06f * std::exp(-groove * groove * 30.0f);
}

const V3 kHeartCentre{0.35f, 0.35f, -0.35f};

// Distance along the ray from the heart's centre to where the muscle ends.
float HeartRadius(V3 direction) {
    float r = 0.05f;
    while (r < 5.0f && HeartField(kHeartCentre + direction * r) < 0) r += 0.04f;
    float lo = r - 0.04f, hi = r;
    for (int k = 0; k < 12; ++k) {
        const float mid = (lo + hi) / 2;
        (HeartField(kHeartCentre + direction * mid) < 0 ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

// One vessel: a tube along `path` (t = 0 deep in the muscle, t = 1 at the opening) whose
// wall folds over the rim into a short lumen that ends in a dark floor.
void Vessel(MeshBuilder& m, const std::function<V3(float)>& path, float radius, int along, uint16_t wall,
            uint16_t lumen) {
    constexpr int kAround = 10;
    const uint16_t first =
        m.Tube(along, kAround, path, [&](float t) { return radius * (1 + 0.7f * std::pow(1 - t, 3.0f)); }, wall);
    const V3 end = path(1), tangent = Unit(end - path(0.97f));
    const float inner = 0.78f, depth = 0.85f;
    std::vector<V3> rim;
    for (int j = 0; j < kAround; ++j) rim.push_back(m.Points()[first + along * kAround + j]);
    const uint16_t lining = m.Lattice(4, kAround, true, [&](int i, int j) {
        const V3 out = rim[j] - end;
        if (i == 0) return rim[j];
        return end - tangent * (depth * (i - 1) / 2) + out * inner;
    }, lumen);
    m.Cap(static_cast<uint16_t>(lining + 3 * kAround), kAround, true, lumen);
}

}  // namespace

std::vector<VesselOpening> HeartVesselOpenings() {
    return {
        {{-0.63f, 3.5f, -0.41f}, {0, 1, 0.1f}, 0.3f},     {{-0.05f, 3.83f, 0.04f}, {0, 1, 0}, 0.2f},
        {{0.82f, 3.73f, 0.2f}, {0, 1, 0}, 0.15f},         {{1.45f, 3.69f, 0.02f}, {0, 0.2f, 1}, 0.2f},
        {{1.57f, 2.31f, -0.73f}, {0, -0.8f, -0.8f}, 0.35f}, {{2.71f, 0.97f, 0.3f}, {1, -0.1f, 0.4f}, 0.25f},
        {{-0.37f, 1.49f, -1.9f}, {-1, 0.1f, -0.4f}, 0.25f}, {{3.04f, 0.25f, 0.04f}, {1, -0.1f, 0.4f}, 0.12f},
        {{3.04f, 0.26f, -0.05f}, {1, -0.1f, 0.4f}, 0.15f}, {{-0.49f, 0.81f, -2.47f}, {-1, 0.1f, -0.4f}, 0.2f},
        {{-0.4f, 0.3f, -2.47f}, {-1, 0.1f, -0.4f}, 0.15f},  {{-0.05f, -1.76f, -1.74f}, {0, -1, -1}, 0.55f},
    };
}

namespace {

ForgedObject Heart() {
    ForgedObject o{"Heart.lwo", {}, 0, {0.3f, 0.15f, 1}};
    MeshBuilder& m = o.mesh;
    // The muscle's picture is laid on from the front; the vessels take the same picture,
    // named another way, laid on from above, so it runs along them.
    const uint16_t muscle = m.AddSurface(Plain("Myocardium", 150, 40, 40));
    const uint16_t wall = m.AddSurface(Plain("Vessels", 170, 70, 80));
    const uint16_t lumen = m.AddSurface(Plain("Lumen", 60, 5, 12));
    constexpr int kRows = 34, kCols = 44;
    m.Body(kRows, kCols, [&](int i, int j) {
        const V3 d = SphereDirection(i, kRows, j, kCols);
        return kHeartCentre + d * HeartRadius(d);
    }, muscle);
    const std::vector<V3> body = m.Points();

    std::vector<VesselOpening> openings = HeartVesselOpenings();
    // Two openings lie a tenth of a unit apart: one vessel serves both.
    openings[7].position = (openings[7].position + openings[8].position) * 0.5f;
    openings[7].size = 0.2f;
    openings.erase(openings.begin() + 8);
    for (size_t k = 0; k < openings.size(); ++k) {
        const VesselOpening& v = openings[k];
        const V3 end = v.position, dir = Unit(v.direction);
        const float radius = v.size * 1.15f + 0.06f;
        V3 start;
        int along = 8;
        V3 c1, c2;
        if (k == 4) {
            // The aorta rises from the ventricles, arches over and descends behind.
            start = {0.35f, 0.9f, -0.25f};
            c1 = {0.45f, 4.1f, -0.1f};
            c2 = end - dir * 2.0f;
            along = 16;
        } else {
            // Each other vessel starts where its line to the heart's centre is well inside.
            start = end;
            for (float f = 0; f <= 1; f += 0.02f) {
                start = end + (kHeartCentre - end) * f;
                if (HeartField(start) < -std::min(0.35f, radius)) break;
            }
            const float reach = Len(end - start);
            c1 = start + (end - start) * 0.35f;
            c2 = end - dir * (0.45f * reach);
        }
        Vessel(m, [=](float t) { return Bezier(start, c1, c2, end, t); }, radius, along, wall, lumen);
    }
    m.SetTexture(muscle, ProjectionOver(body, "HeartTex.jpg", 2));
    m.SetTexture(wall, ProjectionOver(m.Points(), "Textures\\HEARTTEX.JPG", 1, 0.35f));
    return o;
}

// ---------------------------------------------------------------------------- small ones

ForgedObject Link() {
    // Long axis along z (the chain points each link at the next), lying in the x-z plane.
    ForgedObject o{"Link.lwo", {}, 0, {1, 0.8f, 0.6f}};
    const uint16_t steel = o.mesh.AddSurface(Plain("Steel", 200, 200, 210));
    constexpr float kBend = 0.28f, kStraight = 0.4f;
    o.mesh.RingTube(28, 8, {0, 1, 0}, [](float s) {
        // Right side (x > 0) towards -z, the far bend, the left side, the near bend.
        const float u = s * 28;
        if (u < 2) return V3{kBend, 0, kStraight - kStraight * u};
        if (u < 14) {
            const float a = kPi * (u - 2) / 12;
            return V3{kBend * std::cos(a), 0, -kStraight - kBend * std::sin(a)};
        }
        if (u < 16) return V3{-kBend, 0, -kStraight + kStraight * (u - 14)};
        const float a = kPi * (u - 16) / 12;
        return V3{-kBend * std::cos(a), 0, kStraight + kBend * std::sin(a)};
    }, 0.12f, steel);
    return o;
}

ForgedObject Ball() {
    ForgedObject o{"Ball.lwo", {}, 0, {0.2f, 0.4f, 1}};
    const uint16_t glow = o.mesh.AddSurface(Plain("Glow", 235, 240, 255));
    Sphere(o.mesh, {}, {0.4f, 0.4f, 0.4f}, 10, 16, glow);
    return o;
}

ForgedObject Droplet() {
    // 11 bands of 10: 200 triangles.
    ForgedObject o{"Droplet.lwo", {}, 0, {0.2f, 0.3f, 1}};
    const uint16_t blood = o.mesh.AddSurface(Plain("Blood", 150, 12, 24));
    Sphere(o.mesh, {}, {1, 1, 1}, 11, 10, blood);
    return o;
}

ForgedObject Gun1() {
    // A lamp: the bulb, its polar caps closed as single polygons, in a cage of two rings.
    ForgedObject o{"Gun1.lwo", {}, 0, {0.3f, 0.5f, 1}};
    MeshBuilder& m = o.mesh;
    const uint16_t bulb = m.AddSurface(Plain("Bulb", 255, 244, 210));
    const uint16_t cage = m.AddSurface(Plain("Cage", 120, 110, 100));
    Sphere(m, {}, {0.5f, 0.5f, 0.5f}, 9, 16, bulb, true);
    for (V3 w : {V3{0, 1, 0}, V3{1, 0, 0}}) {
        m.RingTube(24, 6, w, [w](float s) {
            const float a = kTau * s;
            // Counter-clockwise about w.
            return w.y > 0 ? V3{0.52f * std::cos(a), 0, -0.52f * std::sin(a)}
                           : V3{0, 0.52f * std::cos(a), 0.52f * std::sin(a)};
        }, 0.035f, cage);
    }
    return o;
}

ForgedObject Cone() {
    // A spike from the origin along +y: eight sides of triangles and a single eight-sided base.
    ForgedObject o{"Cone.lwo", {}, 0, {1, 0.2f, 0.6f}};
    MeshBuilder& m = o.mesh;
    const uint16_t spike = m.AddSurface(Plain("Spike", 255, 255, 255));
    constexpr int kSides = 8;
    std::vector<uint16_t> base;
    for (int j = 0; j < kSides; ++j) {
        const float a = kTau * j / kSides;
        base.push_back(m.Point({0.015f * std::cos(a), 0, -0.015f * std::sin(a)}));
    }
    const uint16_t tip = m.Point({0, 0.15f, 0});
    for (int j = 0; j < kSides; ++j) m.Facing({base[j], base[(j + 1) % kSides], tip}, m.Points()[base[j]], spike);
    m.Facing(base, {0, -1, 0}, spike);
    return o;
}

// ---------------------------------------------------------------------------- gyroscope

// A ring in the x-y plane (its axis along z), as the gyroscope's rings turn about x and y.
void Ring(MeshBuilder& m, float radius, float wire, int along, uint16_t surface) {
    m.RingTube(along, 10, {0, 0, 1}, [radius](float s) {
        return V3{radius * std::cos(kTau * s), radius * std::sin(kTau * s), 0};
    }, wire, surface);
}

void Axle(MeshBuilder& m, V3 from, V3 to, float radius, uint16_t surface) {
    const uint16_t first = m.Tube(1, 8, [=](float t) { return from + (to - from) * t; }, [=](float) { return radius; },
                                  surface);
    m.Cap(first, 8, false, surface);
    m.Cap(static_cast<uint16_t>(first + 8), 8, true, surface);
}

LwobTexture MetalOver(const char* image, int axis, float radius) {
    LwobTexture t;
    t.image = image;
    t.axis = axis;
    t.size = {2 * radius, 2 * radius, 2 * radius};
    return t;
}

ForgedObject Torus1() {
    // The outer ring, with the axles about x on which the middle ring turns.
    ForgedObject o{"Torus1.lwo", {}, 0, {0.5f, 0.5f, 1}};
    MeshBuilder& m = o.mesh;
    const uint16_t ring = m.AddSurface(Mapped("OuterRing", 180, 180, 190, MetalOver("Metal1.jpg", 2, 2.2f)));
    const uint16_t axle = m.AddSurface(Mapped("OuterAxle", 160, 160, 170, MetalOver("Textures\\METAL1.JPG", 0, 2.2f)));
    Ring(m, 2.0f, 0.14f, 48, ring);
    Axle(m, {1.55f, 0, 0}, {2.05f, 0, 0}, 0.07f, axle);
    Axle(m, {-2.05f, 0, 0}, {-1.55f, 0, 0}, 0.07f, axle);
    return o;
}

ForgedObject Torus2() {
    ForgedObject o{"Torus2.lwo", {}, 0, {0.5f, 0.5f, 1}};
    MeshBuilder& m = o.mesh;
    const uint16_t ring = m.AddSurface(Mapped("MiddleRing", 180, 180, 190, MetalOver("metal1.jpg", 2, 1.8f)));
    const uint16_t axle = m.AddSurface(Mapped("MiddleAxle", 160, 160, 170, MetalOver("Metal\\Metal1.JPG", 1, 1.8f)));
    Ring(m, 1.6f, 0.12f, 40, ring);
    Axle(m, {0, 1.15f, 0}, {0, 1.62f, 0}, 0.06f, axle);
    Axle(m, {0, -1.62f, 0}, {0, -1.15f, 0}, 0.06f, axle);
    return o;
}

ForgedObject Torus3() {
    // The inner ring carries the rotor on its spokes.
    ForgedObject o{"Torus3.lwo", {}, 0, {0.5f, 0.5f, 1}};
    MeshBuilder& m = o.mesh;
    const uint16_t ring = m.AddSurface(Mapped("InnerRing", 180, 180, 190, MetalOver("Metal1.jpg", 2, 1.4f)));
    const uint16_t rotor = m.AddSurface(Plain("Rotor", 200, 40, 30));
    Ring(m, 1.2f, 0.1f, 32, ring);
    Sphere(m, {}, {0.32f, 0.32f, 0.32f}, 8, 12, rotor);
    Axle(m, {0.25f, 0, 0}, {1.15f, 0, 0}, 0.04f, ring);
    Axle(m, {-1.15f, 0, 0}, {-0.25f, 0, 0}, 0.04f, ring);
    return o;
}

}  // namespace

ForgedObject MakeTv();
ForgedObject MakeBrain();

std::vector<ForgedObject> BuildObjects() {
    std::vector<ForgedObject> all;
    all.push_back(Link());
    all.push_back(Torus1());
    all.push_back(Torus2());
    all.push_back(Torus3());
    all.push_back(Cone());
    all.push_back(Heart());
    all.push_back(MakeBrain());
    all.push_back(MakeTv());
    all.push_back(Ball());
    all.push_back(Droplet());
    all.push_back(Gun1());
    return all;
}

}  // namespace forge
