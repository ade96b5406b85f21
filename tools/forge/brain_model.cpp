// brain_model.cpp -- the brain: two folded hemispheres, the cerebellum and the stem,
// about 2.5 long, centred on the origin. Its front points to -z and its crown to +y: the
// section turns it so that the crown faces the camera and the front points up the
// screen, and projects its flash paths on it from above. All its pictures are laid on
// from above over the whole brain, so the middle column of a picture runs down the
// cleft between the hemispheres and the picture's top row is the front. The show loads
// it with polygon winding 1.
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

constexpr float kHalfLength = 1.25f;  // along z
constexpr float kHalfWidth = 1.0f;    // along x, both hemispheres

// The folds of the brain pictures (0 in a groove, 1 on a ridge), at picture coordinates:
// the same field the pictures are painted from, so the grooves of the shape and of the
// picture meet.
float Folds(const Noise& noise, float u, float v) {
    float mx = u < 0.5f ? 0.5f - u : u - 0.5f + 0.21f;
    float warp = noise.Fbm(mx * 3.0f + 11.0f, v * 3.0f, 2);
    float field = noise.Fbm(mx * 5.5f + warp * 0.6f, v * 6.5f + warp * 0.5f, 3);
    return Clamp01(0.5f + 0.5f * std::cos(field * kPi * 9.0f));
}

// The folds averaged over a patch about as wide as the mesh's spacing, so the surface
// gets the broad gyri without the fine ones it cannot show.
float BroadFolds(const Noise& noise, float u, float v) {
    float sum = 0;
    for (int a = -1; a <= 1; ++a)
        for (int b = -1; b <= 1; ++b) sum += Folds(noise, u + a * 0.008f, v + b * 0.008f);
    return sum / 9;
}

// One hemisphere (side -1 left, +1 right): poles at its outer side and at the cleft.
void Hemisphere(MeshBuilder& m, const Noise& noise, float side, uint16_t surface) {
    constexpr int kRows = 34, kCols = 44;
    const V3 axis{side, 0, 0};
    // Two axes across the pole axis, ordered so that the faces point outwards on both sides.
    const V3 e2 = side < 0 ? V3{0, 1, 0} : V3{0, 0, 1}, e3 = side < 0 ? V3{0, 0, 1} : V3{0, 1, 0};
    m.Body(kRows, kCols, [&](int i, int j) {
        const float theta = kPi * i / kRows, phi = kTau * j / kCols;
        const float c = std::cos(theta), s = std::sin(theta);
        V3 d = axis * c + (e2 * std::cos(phi) + e3 * std::sin(phi)) * s;
        // A blunt-ended ellipsoid, flat on the cleft side and underneath, fuller at the back.
        float lateral = d.x * side;  // 1 at the outer pole, -1 at the cleft
        V3 q{d.x * 0.64f, d.y * 0.8f, std::copysign(std::pow(std::fabs(d.z), 0.75f), d.z) * kHalfLength};
        if (lateral < 0) q.x *= 0.5f;
        if (q.y < 0) q.y *= 0.62f;
        q.y += 0.10f * (q.z / kHalfLength);  // the crown rises towards the back
        q.x *= 1 + 0.12f * (q.z / kHalfLength);
        V3 p{side * 0.34f + q.x, q.y + 0.1f, q.z};
        // Folds: out along the surface's rough normal, deeper on the crown and sides.
        const float u = p.x / (2 * kHalfWidth) + 0.5f, v = 0.5f + p.z / (2 * kHalfLength);
        const float f = BroadFolds(noise, u, v);
        const float reach = lateral < -0.3f ? 0.2f : 1.0f;
        const V3 n = Unit(V3{(p.x - side * 0.34f) / 0.41f, (p.y - 0.1f) / 0.64f, p.z / 1.56f});
        return p + n * ((f - 0.55f) * 0.075f * reach);
    }, surface);
}

}  // namespace

ForgedObject MakeBrain() {
    ForgedObject o{"Brain.lwo", {}, 1, {0.55f, 1.0f, -0.35f}};
    MeshBuilder& m = o.mesh;
    const uint16_t left = m.AddSurface(Plain("LeftCortex", 210, 150, 150));
    const uint16_t right = m.AddSurface(Plain("RightCortex", 200, 140, 145));
    const uint16_t stem = m.AddSurface(Plain("Stem", 170, 120, 120));
    const uint16_t cerebellum = m.AddSurface(Plain("Cerebellum", 160, 110, 130));
    const Noise folds(0xB8A1);
    Hemisphere(m, folds, -1, left);
    Hemisphere(m, folds, 1, right);
    // The cerebellum under the back of the hemispheres, and the stem below it.
    for (float side : {-1.0f, 1.0f}) {
        const V3 centre{side * 0.3f, -0.42f, 0.78f};
        m.Body(12, 20, [&](int i, int j) {
            const float theta = kPi * i / 12, phi = kTau * j / 20;
            V3 d{std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
            const float ridges = 1 + 0.05f * std::sin(theta * 14);  // its fine folds run across
            return centre + V3{d.x * 0.36f, d.y * 0.24f, d.z * 0.34f} * ridges;
        }, cerebellum);
    }
    const V3 top{0, -0.1f, 0.35f}, bottom{0, -1.05f, 0.62f};
    const uint16_t first = m.Tube(6, 12, [=](float t) { return top + (bottom - top) * t; },
                                  [](float t) { return 0.24f - 0.08f * t; }, stem);
    m.Cap(static_cast<uint16_t>(first + 6 * 12), 12, true, stem);

    // Every picture spans the whole brain seen from above.
    m.SetTexture(left, ProjectionOver(m.Points(), "Brain1.jpg", 1));
    m.SetTexture(right, ProjectionOver(m.Points(), "Brain2.jpg", 1));
    m.SetTexture(stem, ProjectionOver(m.Points(), "Brain3.jpg", 1));
    m.SetTexture(cerebellum, ProjectionOver(m.Points(), "Pictures\\brain3.JPG", 1));
    return o;
}

}  // namespace forge
