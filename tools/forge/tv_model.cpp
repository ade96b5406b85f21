// tv_model.cpp -- the television set, in file units (its section scales it by 0.025):
// about 200 wide, 160 high and 160 deep, its centre at the origin so that the cameras
// of the second phase, 60 units from the centre, stand inside the closed cabinet. The
// screen faces +z, where the first phase's cameras stand, and is the surface that names
// the TV picture; the cabinet names the metal.
#include <cmath>

#include "objects.h"
#include "paint.h"

namespace forge {

namespace {
constexpr float kHalfWidth = 100, kTop = 68, kBottom = -68, kHalfDepth = 80;
// The screen's opening in the front panel, and how far the screen sits behind it.
constexpr float kLeft = -86, kRight = 30, kScreenTop = 54, kScreenBottom = -52, kRecess = 9;
}  // namespace

ForgedObject MakeTv() {
    ForgedObject o{"TV.lwo", {}, 1, {0.45f, 0.3f, 1}};
    MeshBuilder& m = o.mesh;
    // Every textured triangle of the set shows the war video in the show, so only the
    // screen carries a picture; the cabinet is plain dark wood.
    const uint16_t cabinet = m.AddSurface(LwobSurface{"Cabinet", {92, 66, 48}, false, {}});
    const uint16_t panel = m.AddSurface(LwobSurface{"FrontPanel", {70, 52, 40}, false, {}});
    LwobTexture picture;
    picture.image = "Pictures\\WarTV.jpg";
    picture.axis = 2;
    picture.size = {kRight - kLeft, kScreenTop - kScreenBottom, 1};
    picture.centre = {(kLeft + kRight) / 2, (kScreenTop + kScreenBottom) / 2, -(kHalfDepth - kRecess)};
    const uint16_t screen = m.AddSurface(LwobSurface{"Screen", {30, 40, 35}, true, picture});
    const uint16_t knob = m.AddSurface(LwobSurface{"Knobs", {25, 22, 20}, false, {}});
    const uint16_t grille = m.AddSurface(LwobSurface{"Grille", {45, 38, 32}, false, {}});

    auto p = [&](float x, float y, float z) { return m.Point({x, y, z}); };
    const float w = kHalfWidth, d = kHalfDepth;
    // Top, bottom, sides and back: the metal cabinet.
    m.Facing({p(-w, kTop, -d), p(w, kTop, -d), p(w, kTop, d), p(-w, kTop, d)}, {0, 1, 0}, cabinet);
    m.Facing({p(-w, kBottom, -d), p(w, kBottom, -d), p(w, kBottom, d), p(-w, kBottom, d)}, {0, -1, 0}, cabinet);
    m.Facing({p(w, kBottom, -d), p(w, kTop, -d), p(w, kTop, d), p(w, kBottom, d)}, {1, 0, 0}, cabinet);
    m.Facing({p(-w, kBottom, -d), p(-w, kTop, -d), p(-w, kTop, d), p(-w, kBottom, d)}, {-1, 0, 0}, cabinet);
    m.Facing({p(-w, kBottom, -d), p(w, kBottom, -d), p(w, kTop, -d), p(-w, kTop, -d)}, {0, 0, -1}, cabinet);
    // The front panel around the opening, as four strips.
    m.Facing({p(-w, kBottom, d), p(kLeft, kBottom, d), p(kLeft, kTop, d), p(-w, kTop, d)}, {0, 0, 1}, panel);
    m.Facing({p(kRight, kBottom, d), p(w, kBottom, d), p(w, kTop, d), p(kRight, kTop, d)}, {0, 0, 1}, panel);
    m.Facing({p(kLeft, kScreenTop, d), p(kRight, kScreenTop, d), p(kRight, kTop, d), p(kLeft, kTop, d)}, {0, 0, 1},
             panel);
    m.Facing({p(kLeft, kBottom, d), p(kRight, kBottom, d), p(kRight, kScreenBottom, d), p(kLeft, kScreenBottom, d)},
             {0, 0, 1}, panel);
    // The bezel: the opening's walls down to the screen.
    const float back = d - kRecess;
    m.Facing({p(kLeft, kScreenTop, d), p(kRight, kScreenTop, d), p(kRight, kScreenTop, back), p(kLeft, kScreenTop, back)},
             {0, -1, 0}, panel);
    m.Facing({p(kLeft, kScreenBottom, d), p(kRight, kScreenBottom, d), p(kRight, kScreenBottom, back),
              p(kLeft, kScreenBottom, back)}, {0, 1, 0}, panel);
    m.Facing({p(kLeft, kScreenBottom, d), p(kLeft, kScreenTop, d), p(kLeft, kScreenTop, back),
              p(kLeft, kScreenBottom, back)}, {1, 0, 0}, panel);
    m.Facing({p(kRight, kScreenBottom, d), p(kRight, kScreenTop, d), p(kRight, kScreenTop, back),
              p(kRight, kScreenBottom, back)}, {-1, 0, 0}, panel);
    // The tube's face bulges out of the opening's floor.
    constexpr int kCols = 12, kRows = 10;
    m.Lattice(kRows + 1, kCols + 1, false, [&](int i, int j) {
        const float u = static_cast<float>(j) / kCols, v = static_cast<float>(i) / kRows;
        const float nx = 2 * u - 1, ny = 2 * v - 1;
        return V3{kLeft + (kRight - kLeft) * u, kScreenBottom + (kScreenTop - kScreenBottom) * v,
                  back + 7 * (1 - nx * nx * nx * nx) * (1 - ny * ny * ny * ny)};
    }, screen);

    // Two knobs, each a twelve-sided disc on a short shaft.
    for (float y : {30.0f, -2.0f}) {
        const V3 base{66, y, d}, top{66, y, d + 9};
        const uint16_t first = m.Tube(2, 12, [=](float t) { return base + (top - base) * t; },
                                      [](float t) { return t < 0.75f ? 12.0f : 12.0f - 8 * (t - 0.75f); }, knob);
        m.Cap(static_cast<uint16_t>(first + 2 * 12), 12, true, knob);
        // The pointer on its face.
        m.Box({64, y + 2, d + 9}, {68, y + 11, d + 10.5f}, grille);
    }
    // The speaker's slats.
    for (int k = 0; k < 5; ++k) {
        const float y = -52 + 7.0f * k;
        m.Box({44, y, d}, {88, y + 3.5f, d + 2.5f}, grille);
    }
    // Feet, and the aerial's two rods from a small base on the top.
    for (float x : {-82.0f, 82.0f})
        for (float z : {-62.0f, 62.0f}) m.Box({x - 6, -80, z - 6}, {x + 6, kBottom, z + 6}, knob);
    m.Box({-10, kTop, -40}, {10, kTop + 6, -24}, knob);
    for (float side : {-1.0f, 1.0f}) {
        const V3 from{side * 4, kTop + 5, -32}, to{side * 58, kTop + 26, -44};
        const uint16_t first = m.Tube(1, 6, [=](float t) { return from + (to - from) * t; }, [](float) { return 1.6f; },
                                      grille);
        m.Cap(static_cast<uint16_t>(first + 6), 6, true, grille);
    }
    return o;
}

}  // namespace forge
