// The metaballs apart from any drawing: the generated case table, where vertices land on
// a known field, their normals, the orientation and closure of the surface, the caps of
// 4000 vertices and triangles over the blob's whole life, and the strength curve.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <utility>

#include "engine/core/engine.h"
#include "sections/metaballs.h"
#include "sections/metaballs_internal.h"
#include "shell/demo_state.h"

using namespace metaballs;

namespace {

// Unit-cube corners of the corner bits: bit 0 is N(x-1, y), ..., bit 7 is P(x, y), with
// the current plane N at z = 1 and the previous plane P at z = 0.
constexpr Vec3 kCorner[8] = {{0, 1, 1}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 0}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}};

Vec3 EdgeMidpoint(int edge) {
    const Vec3 a = kCorner[kEdgeCorners[edge][0]], b = kCorner[kEdgeCorners[edge][1]];
    return (a + b) * 0.5f;
}

bool Crossed(int pattern, int edge) {
    return ((pattern >> kEdgeCorners[edge][0]) & 1) != ((pattern >> kEdgeCorners[edge][1]) & 1);
}

Vec3 FaceNormal(Vec3 p0, Vec3 p1, Vec3 p2) { return Cross(p1 - p0, p2 - p0); }

class Metaballs : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Creating records needs no window: the engine is never started here.
        if (!demo.engine) demo.engine = CreateGLEngine();
        if (!GetMetaballObject()) MetaballsInit();
    }
    static void OneBall(float x, float y, float z, float strength) {
        Ball balls[kBalls] = {};
        balls[0] = {x, y, z, strength};
        for (int i = 1; i < kBalls; ++i) balls[i] = {50.0f, 50.0f, 50.0f, 0.0f};
        Polygonise(balls);
    }
    static Triangle* Tri(int i) { return GetMetaballObject()->GetTriangle(i); }
};

// Each undirected edge between two vertices, and how many triangles use it.
std::map<std::pair<const Vertex*, const Vertex*>, int> EdgeUse() {
    std::map<std::pair<const Vertex*, const Vertex*>, int> use;
    for (int i = 0; i < TrianglesUsed(); ++i) {
        const Triangle* t = GetMetaballObject()->GetTriangle(i);
        for (int k = 0; k < 3; ++k) {
            const Vertex* a = t->GetVertex(k);
            const Vertex* b = t->GetVertex((k + 1) % 3);
            ++use[std::minmax(a, b)];
        }
    }
    return use;
}

}  // namespace

TEST_F(Metaballs, TheObjectStartsRedWithNothingToDraw) {
    // The first test of the suite: nothing has been swept yet.
    Object3D* object = GetMetaballObject();
    EXPECT_TRUE(object->IsEnabled());
    EXPECT_EQ(object->trianglesInUse, 0);
    EXPECT_EQ(object->GetVertexCapacity(), kMaxVertices);
    EXPECT_EQ(object->GetTriangleCapacity(), kMaxTriangles);
    const Triangle* last = object->GetTriangle(kMaxTriangles - 1);
    EXPECT_TRUE(last->IsEnabled());
    for (int c = 0; c < 3; ++c) EXPECT_EQ(last->GetCornerColour(c), Colour(255, 0, 0, 255));
    const Vertex* v = object->GetVertex(kMaxVertices - 1);
    EXPECT_TRUE(v->IsEnabled());
    EXPECT_EQ(v->GetNormal().z, 1.0f);
}

TEST_F(Metaballs, CaseTableFillsEveryCaseInThreePasses) {
    CubeCase table[256];
    int passes = 0;
    ASSERT_EQ(BuildCaseTable(table, &passes), nullptr);
    EXPECT_EQ(passes, 3);
    EXPECT_EQ(table[0].triangleCount, 0);
    EXPECT_EQ(table[255].triangleCount, 0);  // the complement of case 0
    for (int c = 1; c < 255; ++c) {
        EXPECT_GE(table[c].triangleCount, 1) << c;
        EXPECT_LE(table[c].triangleCount, 4) << c;
    }
    // The table MetaballsInit built is this one.
    for (int c = 0; c < 256; ++c) {
        ASSERT_EQ(CaseTable()[c].triangleCount, table[c].triangleCount) << c;
        for (int t = 0; t < table[c].triangleCount; ++t)
            for (int k = 0; k < 3; ++k) ASSERT_EQ(CaseTable()[c].edges[t][k], table[c].edges[t][k]) << c;
    }
}

TEST_F(Metaballs, EveryCaseClosesItsCrossedEdges) {
    // A triangle may only sit on edges whose corners differ, and every such edge needs a
    // triangle; a triangle using one edge twice, or lying in a cube face, leaves a hole
    // (case 165 and its complement 90 are where this once went wrong).
    const CubeCase* table = CaseTable();
    for (int c = 0; c < 256; ++c) {
        std::set<int> used, crossed;
        for (int e = 0; e < 12; ++e)
            if (Crossed(c, e)) crossed.insert(e);
        for (int t = 0; t < table[c].triangleCount; ++t) {
            const int32_t* e = table[c].edges[t];
            for (int k = 0; k < 3; ++k) {
                ASSERT_GE(e[k], 0) << c;
                ASSERT_LE(e[k], 11) << c;
                EXPECT_TRUE(Crossed(c, e[k])) << "case " << c << " edge " << e[k];
                used.insert(e[k]);
            }
            EXPECT_TRUE(e[0] != e[1] && e[1] != e[2] && e[0] != e[2]) << c;
            // Not flat on a face of the cube: the three midpoints span a real triangle
            // that leaves the face plane.
            const Vec3 n = FaceNormal(EdgeMidpoint(e[0]), EdgeMidpoint(e[1]), EdgeMidpoint(e[2]));
            EXPECT_GT(Length(n), 1e-4f) << c;
        }
        EXPECT_EQ(used, crossed) << "case " << c;
    }
    const int32_t mended[3] = {9, 5, 4};
    EXPECT_TRUE(std::equal(mended, mended + 3, table[165].edges[3]));
}

TEST_F(Metaballs, CaseTrianglesFaceAwayFromTheInsideCorners) {
    // With counter-clockwise front faces, each triangle's normal points, on balance, from
    // the inside corners to the outside corners of the three edges it sits on (one edge
    // of a fan triangle across a wide polygon may lean the other way).
    const CubeCase* table = CaseTable();
    for (int c = 0; c < 256; ++c)
        for (int t = 0; t < table[c].triangleCount; ++t) {
            const int32_t* e = table[c].edges[t];
            const Vec3 n = FaceNormal(EdgeMidpoint(e[0]), EdgeMidpoint(e[1]), EdgeMidpoint(e[2]));
            Vec3 out;
            for (int k = 0; k < 3; ++k) {
                const int a = kEdgeCorners[e[k]][0], b = kEdgeCorners[e[k]][1];
                out = out + (((c >> a) & 1) ? kCorner[b] - kCorner[a] : kCorner[a] - kCorner[b]);
            }
            EXPECT_GT(Dot(n, out), 0.0f) << "case " << c << " triangle " << t;
        }
}

TEST_F(Metaballs, StrengthSwellsStaysAndShrinks) {
    EXPECT_FLOAT_EQ(Strength(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(Strength(3.0f), 0.5f);
    EXPECT_FLOAT_EQ(Strength(6.0f), 1.0f);
    EXPECT_FLOAT_EQ(Strength(10.0f), 1.0f);
    EXPECT_FLOAT_EQ(Strength(16.0f), 1.0f);
    EXPECT_FLOAT_EQ(Strength(19.0f), 0.5f);
    EXPECT_FLOAT_EQ(Strength(22.0f), 0.0f);
    Ball balls[kBalls];
    PlaceBalls(3.0f, balls);
    for (const Ball& b : balls) EXPECT_FLOAT_EQ(b.strength, 0.5f);
    // Ball 0 at t = 0 stands at (0, 0, 2); the others are spread a fifth of a turn apart.
    PlaceBalls(0.0f, balls);
    EXPECT_FLOAT_EQ(balls[0].x, 0.0f);
    EXPECT_FLOAT_EQ(balls[0].y, 0.0f);
    EXPECT_FLOAT_EQ(balls[0].z, 2.0f);
    EXPECT_NEAR(balls[1].x, 2.0f * std::sin(1.2566371f), 1e-6f);
    EXPECT_NEAR(balls[1].y, 3.0f * std::sin(1.2566371f), 1e-6f);
}

TEST_F(Metaballs, VerticesInterpolateTheFieldAlongGridEdges) {
    // One ball of strength 1 at the origin: the field is 1 / r^2 and the surface a sphere
    // of radius sqrt(1 / 0.15). The iso level is written out here, not taken from the code.
    constexpr float kIsoLevel = 0.15f;
    OneBall(0.0f, 0.0f, 0.0f, 1.0f);
    ASSERT_GT(VerticesUsed(), 100);
    const float radius = std::sqrt(1.0f / kIsoLevel);
    auto onGrid = [](float v) {
        const float i = (v - kGridOrigin) / kGridStep;
        return std::fabs(i - std::round(i)) < 1e-4f;
    };
    bool foundKnown = false;
    for (int i = 0; i < VerticesUsed(); ++i) {
        const Vec3 p = TableVertex(i)->GetPosition();
        // On a grid line: two coordinates on the grid, the third between two samples.
        EXPECT_EQ(onGrid(p.x) + onGrid(p.y) + onGrid(p.z), 2) << i;
        // Linear interpolation of 1 / r^2 lands a little outside the sphere, never far.
        EXPECT_NEAR(Length(p), radius, 0.12f) << i;
        // The normal is the field's outward gradient: radial here.
        const Vec3 n = TableVertex(i)->GetNormal();
        EXPECT_NEAR(Length(n), 1.0f, 1e-5f);
        EXPECT_NEAR(Dot(n, Normalised(p)), 1.0f, 1e-5f) << i;
        // The x-edge from (2.0, 0.4, 0.4) to (2.8, 0.4, 0.4): sums 1/4.32 and 1/8.16.
        if (std::fabs(p.y - 0.4f) < 1e-4f && std::fabs(p.z - 0.4f) < 1e-4f && p.x > 2.0f) {
            const float sumA = 1.0f / 4.32f, sumB = 1.0f / 8.16f;
            EXPECT_NEAR(p.x, 2.8f - 0.8f * (kIsoLevel - sumB) / (sumA - sumB), 1e-5f);
            foundKnown = true;
        }
    }
    EXPECT_TRUE(foundKnown);
}

TEST_F(Metaballs, ABallOnASampleMakesItInside) {
    // The sum there is infinite; the neighbours, 0.8 away, are inside too, so the blob is a
    // normal closed sphere around that sample.
    OneBall(-0.4f, -0.4f, -0.4f, 1.0f);
    ASSERT_GT(TrianglesUsed(), 0);
    for (int i = 0; i < VerticesUsed(); ++i) {
        const Vec3 p = TableVertex(i)->GetPosition();
        ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) << i;
        EXPECT_NEAR(Length(p - Vec3(-0.4f, -0.4f, -0.4f)), std::sqrt(1.0f / 0.15f), 0.12f);
    }
    for (const auto& [edge, count] : EdgeUse()) EXPECT_EQ(count, 2);
}

TEST_F(Metaballs, SurfaceIsClosedAndFacesOutwards) {
    // The sphere, then the busiest moment of the show's blob.
    for (float t : {-1.0f, 14.9f}) {
        if (t < 0) OneBall(0.3f, -0.2f, 0.1f, 1.0f);
        else FrameAt(t);
        ASSERT_GT(TrianglesUsed(), 0);
        // Every triangle edge is shared by exactly two triangles: no holes, no flaps.
        for (const auto& [edge, count] : EdgeUse()) EXPECT_EQ(count, 2) << "t " << t;
        // Each face agrees with the gradient normals at its corners.
        for (int i = 0; i < TrianglesUsed(); ++i) {
            const Triangle* tri = Tri(i);
            const Vec3 p0 = tri->GetVertex(0)->GetPosition(), p1 = tri->GetVertex(1)->GetPosition(),
                       p2 = tri->GetVertex(2)->GetPosition();
            const Vec3 n = tri->GetVertex(0)->GetNormal() + tri->GetVertex(1)->GetNormal() +
                           tri->GetVertex(2)->GetNormal();
            const Vec3 face = FaceNormal(p0, p1, p2);
            if (Length(face) < 1e-6f) continue;  // a sliver where the surface grazes a sample
            EXPECT_GT(Dot(face, n), 0.0f) << "t " << t << " triangle " << i;
        }
    }
}

TEST_F(Metaballs, TheWholeLifeStaysWithinTheCaps) {
    int32_t mostVertices = 0, mostTriangles = 0;
    float busiest = 0.0f;
    for (int frame = 0; frame <= 22 * 50; ++frame) {
        const float t = static_cast<float>(frame) / 50.0f;
        FrameAt(t);
        EXPECT_EQ(GetMetaballObject()->trianglesInUse, TrianglesUsed());
        if (TrianglesUsed() > mostTriangles) busiest = t;
        mostVertices = std::max(mostVertices, VerticesUsed());
        mostTriangles = std::max(mostTriangles, TrianglesUsed());
    }
    std::printf("busiest frame t = %.2f s: %d vertices, %d triangles\n", busiest, mostVertices, mostTriangles);
    // About a quarter and a half of the capacity: the caps leave room to spare.
    EXPECT_LT(mostVertices, kMaxVertices / 2);
    EXPECT_LT(mostTriangles, kMaxTriangles * 3 / 4);
    EXPECT_GT(mostTriangles, 1000);
    // At the start and the end the strength is 0 and nothing is drawn.
    FrameAt(0.0f);
    EXPECT_EQ(TrianglesUsed(), 0);
    FrameAt(22.0f);
    EXPECT_EQ(TrianglesUsed(), 0);
}

TEST_F(Metaballs, AfterItsLifeTheObjectHidesAndNothingElseChanges) {
    Object3D* object = GetMetaballObject();
    object->Enable();
    FrameAt(10.0f);
    const int32_t triangles = TrianglesUsed(), vertices = VerticesUsed();
    const Vec3 first = TableVertex(0)->GetPosition();
    FrameAt(22.01f);
    EXPECT_FALSE(object->IsEnabled());
    EXPECT_EQ(TrianglesUsed(), triangles);
    EXPECT_EQ(VerticesUsed(), vertices);
    EXPECT_EQ(object->trianglesInUse, triangles);
    EXPECT_EQ(TableVertex(0)->GetPosition().x, first.x);
    object->Enable();
}
