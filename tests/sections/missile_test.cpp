// The missile: its mesh, the shape at the start and at the end of its animation, the
// once-only inside-out turn, and the reseeded generator.
#include <gtest/gtest.h>

#include <cmath>

#include "sections/missile.h"
#include "shell/demo_state.h"
#include "shell/quit.h"
#include "shell/random.h"
#include "support/section_harness.h"

namespace {
// Moves the show's clock on by `seconds`.
void Advance(double seconds) { demo.timerStart -= static_cast<int64_t>(seconds * static_cast<double>(demo.timerFrequency)); }

float Radius(const Vertex* v) { return std::hypot(v->GetPosition().x, v->GetPosition().z); }

// Vertex colours as the build draws them (body 0..247, then tail 248..423), tinted by the
// intensity k and given an alpha.
Colour CornerColour(int vertex, int k, int alpha) {
    SeedRandom(123456);
    int d[3] = {};
    for (int i = 0; i <= vertex; ++i)
        for (int& draw : d) draw = Random() & 0xFF;
    auto tint = [k](int c) { return static_cast<uint8_t>(255 - ((c * k) >> 8)); };
    return Colour(tint(d[2]), tint(d[1]), tint(d[0]), static_cast<uint8_t>(alpha));
}

// The corner colours of triangle `t` at intensity k: vertex numbers with their alpha.
void ExpectCorners(const Object3D* m, int t, int k, std::initializer_list<std::pair<int, int>> corners) {
    int c = 0;
    for (const auto& [vertex, alpha] : corners) {
        EXPECT_EQ(m->GetTriangle(t)->GetCornerColour(c), CornerColour(vertex, k, alpha))
            << "triangle " << t << " corner " << c;
        ++c;
    }
}
}  // namespace

TEST(Missile, TailCornerRadii) {
    EXPECT_NEAR(MissileCornerRadius(0.5), 0.484357f, 2e-6f);
    EXPECT_NEAR(MissileCornerRadius(0.15), 0.378818f, 2e-6f);
}

TEST(Missile, BuildsItsMeshAndAnimatesFromRoundToSwollenStar) {
    std::string error;
    ASSERT_TRUE(SectionHarness::Start(160, 120, &error)) << error;
    BuildMissile();
    // The colours drew 424 x 3 numbers after reseeding with 123456.
    const int32_t next = Random();
    SeedRandom(123456);
    for (int i = 0; i < 424 * 3; ++i) Random();
    EXPECT_EQ(Random(), next);

    Object3D* m = GetMissileObject();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->GetVertexCapacity(), 424);
    EXPECT_EQ(m->GetTriangleCapacity(), 824);
    EXPECT_EQ(m->GetLightCapacity(), 0);
    EXPECT_TRUE(m->IsEnabled());
    for (int i = 0; i < 424; ++i) ASSERT_FLOAT_EQ(Length(m->GetVertex(i)->GetPosition()), 0.0f);
    EXPECT_EQ(m->GetTriangle(0)->GetTexCoord(1), (TexCoord{-32, 0}));
    EXPECT_EQ(m->GetTriangle(1)->GetTexCoord(2), (TexCoord{0, 6}));      // v(1) = 255 / 41
    EXPECT_EQ(m->GetTriangle(801)->GetTexCoord(1), (TexCoord{-32, 192}));  // bridge k = 0, T2

    // t = 0: round, every ring turned by 130 degrees, white and opaque.
    AnimateMissile();
    const Vertex* v = m->GetVertex(8 * 12 + 0);  // body ring 12, vertex 0
    const float a = 130.0f * 3.14159265f / 180.0f;
    EXPECT_NEAR(v->GetPosition().x, 0.5f * std::cos(a), 1e-4f);
    EXPECT_NEAR(v->GetPosition().z, 0.5f * std::sin(a), 1e-4f);
    EXPECT_NEAR(v->GetPosition().y, 1.5f - 11.5f * 0.075f, 1e-5f);
    EXPECT_NEAR(Radius(m->GetVertex(8 * 5 + 3)), 0.25f, 1e-4f);  // the nose: ring 5 at half length
    EXPECT_EQ(m->GetTriangle(0)->GetCornerColour(0), Colour(255, 255, 255, 255));
    EXPECT_EQ(m->GetTriangle(1)->GetCornerColour(2), Colour(255, 255, 255, 255));
    ExpectCorners(m, 16, 0, {{8, 255}, {9, 255}, {17, 255}});
    ExpectCorners(m, 802, 0, {{240, 255}, {241, 255}, {248 + 2, 255}});
    Vertex* secondCorner1 = m->GetTriangle(1)->GetVertex(1);

    // t = 41: fading out, not yet turned inside out.
    Advance(41.0);
    AnimateMissile();
    EXPECT_EQ(m->GetTriangle(1)->GetCornerColour(0).a, 255 - static_cast<int>((41.0f - 39.272728f) * 58.4375f));
    EXPECT_EQ(m->GetTriangle(1)->GetVertex(1), secondCorner1);
    // The alpha goes into the shared colours quad by quad, so a first triangle whose
    // corners an earlier quad already used fades too; the bridge's third triangle takes
    // the alpha at all three corners. Intensity 215 at t = 41, alpha 155.
    ExpectCorners(m, 0, 215, {{0, 255}, {1, 255}, {9, 255}});
    ExpectCorners(m, 1, 215, {{0, 155}, {9, 155}, {8, 155}});
    ExpectCorners(m, 2, 215, {{1, 155}, {2, 255}, {10, 255}});
    ExpectCorners(m, 16, 215, {{8, 155}, {9, 155}, {17, 255}});
    ExpectCorners(m, 800, 215, {{240, 255}, {248 + 1, 255}, {248 + 0, 255}});
    ExpectCorners(m, 802, 215, {{240, 155}, {241, 155}, {248 + 2, 155}});
    ExpectCorners(m, 480, 215, {{248 + 0, 255}, {248 + 1, 255}, {248 + 17, 255}});

    // t = 46: turned inside out; the second triangles keep their colours by corner number.
    Advance(5.0);
    AnimateMissile();
    EXPECT_EQ(m->GetTriangle(1)->GetVertex(2), secondCorner1);
    ExpectCorners(m, 1, 224, {{0, 138}, {9, 138}, {8, 138}});
    ExpectCorners(m, 16, 224, {{8, 138}, {9, 138}, {17, 255}});
    ExpectCorners(m, 802, 224, {{240, 138}, {241, 138}, {248 + 2, 138}});

    // t = 60: star-shaped, bulged and swollen; the second triangles turned once.
    Advance(14.0);
    AnimateMissile();
    EXPECT_EQ(m->GetTriangle(1)->GetVertex(2), secondCorner1);
    EXPECT_EQ(m->GetTriangle(0)->GetVertex(1), m->GetVertex(1));  // first triangles stay
    const float h = 12.0f * 4.3636365f;
    const float bulge = static_cast<float>((600.0 * std::sin(3.14159265358979 * 15 / 41.0) +
                                            60.0 * std::cos(10.0 * 3.14159265358979 * 15 / 41.0) + 36.0) /
                                           180.0);
    EXPECT_NEAR(Radius(m->GetVertex(8 * 15 + 1)), ((h + 1) * bulge + h) * 0.15f, 1e-2f);
    EXPECT_NEAR(Radius(m->GetVertex(8 * 15 + 2)), ((h + 1) * bulge + h) * 0.5f, 1e-2f);
    Advance(1.0);
    AnimateMissile();
    EXPECT_EQ(m->GetTriangle(1)->GetVertex(2), secondCorner1) << "the turn happens once";
}
