// metaballs.cpp -- five metaballs polygonised with marching cubes into one engine object.
//
// The field is sampled on a 26 x 26 x 26 grid from -10 to +10, one z-plane at a time with
// two plane buffers. Each grid edge whose ends lie on different sides of the threshold
// gets one vertex, made when the later of its two samples is evaluated and kept in that
// sample's record, so neighbouring cubes share it. Vertices and triangles come from the
// object's fixed arrays through counters: nothing is allocated per frame. Normals are the
// field's gradient direction at each vertex, not averaged face normals.
//
// The 256 corner patterns are not stored: they are generated from 15 base cases by
// complementing and two cube rotations. Not handled: the ambiguous faces of classic
// marching cubes; where two blobs just touch, a face can show a small hole.
#include "sections/metaballs.h"

#include <cmath>
#include <cstdlib>

#include "engine/core/engine.h"
#include "sections/metaballs_internal.h"
#include "shell/demo_state.h"
#include "shell/quit.h"

namespace metaballs {
namespace {

struct BaseCase {
    int32_t pattern;
    CubeCase triangles;
};

// The 15 base cases. Case 165 has one lone inside corner per face diagonal; its last
// triangle closes corner 5 with edges 9, 5 and 4 (see EveryCaseClosesItsCrossedEdges).
constexpr BaseCase kBaseCases[15] = {
    {0, {0, {}}},
    {1, {1, {{0, 1, 8}}}},
    {5, {2, {{0, 1, 8}, {10, 2, 3}}}},
    {9, {2, {{3, 1, 11}, {1, 8, 11}}}},
    {65, {2, {{0, 1, 8}, {5, 10, 6}}}},
    {73, {3, {{1, 11, 3}, {1, 8, 11}, {5, 10, 6}}}},
    {74, {3, {{5, 10, 6}, {3, 0, 11}, {9, 1, 2}}}},
    {152, {3, {{4, 0, 8}, {4, 3, 0}, {4, 6, 3}}}},
    {153, {2, {{4, 3, 1}, {4, 6, 3}}}},
    {154, {4, {{9, 1, 2}, {4, 0, 8}, {4, 3, 0}, {4, 6, 3}}}},
    {165, {4, {{0, 1, 8}, {10, 2, 3}, {6, 11, 7}, {9, 5, 4}}}},
    {177, {4, {{9, 5, 1}, {5, 0, 1}, {5, 6, 0}, {6, 11, 0}}}},
    {184, {4, {{9, 0, 8}, {9, 6, 0}, {9, 5, 6}, {6, 3, 0}}}},
    {195, {4, {{9, 8, 0}, {9, 0, 2}, {5, 10, 7}, {10, 11, 7}}}},
    {209, {4, {{4, 0, 1}, {5, 10, 4}, {4, 10, 0}, {10, 11, 0}}}},
};

// The two rotations: the new pattern's bits 7..0 are these bits of the old one, and
// every edge e becomes edgeMap[e].
struct Rotation {
    int32_t sourceBits[8];
    int32_t edgeMap[12];
};
constexpr Rotation kRotationA = {{3, 7, 4, 0, 2, 6, 5, 1}, {7, 8, 0, 11, 9, 2, 10, 5, 4, 1, 3, 6}};
constexpr Rotation kRotationB = {{4, 5, 1, 0, 7, 6, 2, 3}, {8, 4, 9, 1, 6, 10, 3, 11, 7, 5, 2, 0}};

int32_t RotatePattern(int32_t pattern, const Rotation& r) {
    int32_t result = 0;
    for (int k = 0; k < 8; ++k)
        if ((pattern >> r.sourceBits[k]) & 1) result |= 1 << (7 - k);
    return result;
}

// Null, or the text the program ends with when an edge number is out of range.
const char* RotateCase(const CubeCase& from, const Rotation& r, CubeCase* to) {
    to->triangleCount = from.triangleCount;
    for (int t = 0; t < from.triangleCount; ++t)
        for (int c = 0; c < 3; ++c) {
            const int32_t e = from.edges[t][c];
            if (e < 0 || e > 11) return "!!";
            to->edges[t][c] = r.edgeMap[e];
        }
    return nullptr;
}

struct Sample {
    float sum;
    int32_t inside;
    Vertex* xEdge;  // on the edge from the sample at x - 1
    Vertex* yEdge;  // from y - 1
    Vertex* zEdge;  // from the previous plane's sample at this x, y
};

Object3D* object = nullptr;
Vertex** vertexTable = nullptr;
Triangle** triangleTable = nullptr;
Sample* planes[2] = {nullptr, nullptr};
CubeCase caseTable[256];
Ball balls[kBalls] = {};
int32_t verticesUsed = 0;
int32_t trianglesUsed = 0;
float startTime = 0.0f;
bool started = false;

inline float Coordinate(int i) { return kGridOrigin + kGridStep * static_cast<float>(i); }

// The sample at b (coordinates p) lies at the upper end of the edge along `axis`; a is
// the sample at the lower end.
Vertex* EdgeVertex(Vec3 p, int axis, float sumA, float sumB) {
    if (verticesUsed >= kMaxVertices) Quit("Ran out of vertices");
    const float back = kGridStep * (kThreshold - sumB) / (sumA - sumB);
    if (axis == 0) p.x -= back;
    else if (axis == 1) p.y -= back;
    else p.z -= back;
    Vertex* v = vertexTable[verticesUsed++];
    v->SetPosition(p);
    return v;
}

// Evaluates plane z into `current`, making the edge vertices towards x - 1, y - 1 and,
// when there is one, the previous plane.
void EvaluatePlane(int z, Sample* current, const Sample* previous, const Ball* b) {
    const float pz = Coordinate(z);
    for (int y = 0; y < kGridSide; ++y) {
        const float py = Coordinate(y);
        for (int x = 0; x < kGridSide; ++x) {
            const float px = Coordinate(x);
            // No guard for a ball exactly on a sample: the sum is infinite there, and inside.
            float sum = 0.0f;
            for (int i = 0; i < kBalls; ++i) {
                const float dx = px - b[i].x, dy = py - b[i].y, dz = pz - b[i].z;
                sum += b[i].strength / (dx * dx + dy * dy + dz * dz);
            }
            Sample& s = current[y * kGridSide + x];
            s.sum = sum;
            s.inside = sum > kThreshold ? 1 : 0;
            const Vec3 p(px, py, pz);
            if (x > 0) {
                const Sample& a = current[y * kGridSide + x - 1];
                if (a.inside != s.inside) s.xEdge = EdgeVertex(p, 0, a.sum, sum);
            }
            if (y > 0) {
                const Sample& a = current[(y - 1) * kGridSide + x];
                if (a.inside != s.inside) s.yEdge = EdgeVertex(p, 1, a.sum, sum);
            }
            if (previous) {
                const Sample& a = previous[y * kGridSide + x];
                if (a.inside != s.inside) s.zEdge = EdgeVertex(p, 2, a.sum, sum);
            }
        }
    }
}

// The cubes between the previous plane P and the current plane N.
void MarchSlab(const Sample* n, const Sample* p) {
    for (int y = 1; y < kGridSide; ++y) {
        for (int x = 1; x < kGridSide; ++x) {
            const Sample& n00 = n[y * kGridSide + x - 1];         // N(x-1, y)
            const Sample& n01 = n[(y - 1) * kGridSide + x - 1];   // N(x-1, y-1)
            const Sample& n11 = n[(y - 1) * kGridSide + x];       // N(x, y-1)
            const Sample& n10 = n[y * kGridSide + x];             // N(x, y)
            const Sample& p00 = p[y * kGridSide + x - 1];
            const Sample& p01 = p[(y - 1) * kGridSide + x - 1];
            const Sample& p11 = p[(y - 1) * kGridSide + x];
            const Sample& p10 = p[y * kGridSide + x];
            const int pattern = n00.inside | n01.inside << 1 | n11.inside << 2 | n10.inside << 3 |
                                p00.inside << 4 | p01.inside << 5 | p11.inside << 6 | p10.inside << 7;
            const CubeCase& c = caseTable[pattern];
            if (c.triangleCount == 0) continue;
            Vertex* const edges[12] = {n10.xEdge, n00.yEdge, n11.xEdge, n10.yEdge, p00.yEdge, p11.xEdge,
                                       p10.yEdge, p10.xEdge, n00.zEdge, n01.zEdge, n11.zEdge, n10.zEdge};
            for (int t = 0; t < c.triangleCount; ++t) {
                if (trianglesUsed >= kMaxTriangles) Quit("Ran out of triangles");
                Triangle* triangle = triangleTable[trianglesUsed++];
                for (int k = 0; k < 3; ++k) triangle->SetVertex(k, edges[c.edges[t][k]]);
            }
        }
    }
}

}  // namespace

const char* BuildCaseTable(CubeCase table[256], int* passes) {
    bool filled[256] = {};
    for (int c = 0; c < 256; ++c) table[c] = CubeCase{};
    for (const BaseCase& base : kBaseCases) {
        table[base.pattern] = base.triangles;
        filled[base.pattern] = true;
    }
    int filledCount = 15;
    *passes = 0;
    while (filledCount < 256) {
        const int before = filledCount;
        ++*passes;
        // Cases filled earlier in this same pass are visited too when their turn comes.
        for (int c = 0; c < 256; ++c) {
            if (!filled[c]) continue;
            const int complement = 255 - c;
            if (!filled[complement]) {
                CubeCase& to = table[complement];
                to.triangleCount = table[c].triangleCount;
                for (int t = 0; t < to.triangleCount; ++t) {
                    to.edges[t][0] = table[c].edges[t][0];
                    to.edges[t][1] = table[c].edges[t][2];
                    to.edges[t][2] = table[c].edges[t][1];
                }
                filled[complement] = true;
                ++filledCount;
            }
            for (const Rotation* r : {&kRotationA, &kRotationB}) {
                const int rotated = RotatePattern(c, *r);
                if (filled[rotated]) continue;
                if (const char* error = RotateCase(table[c], *r, &table[rotated])) return error;
                filled[rotated] = true;
                ++filledCount;
            }
        }
        if (filledCount == before) return "Unable to fill cases lookup";
    }
    return nullptr;
}

const CubeCase* CaseTable() { return caseTable; }

float Strength(float t) {
    if (t < 6.0f) return t / 6.0f;
    if (t > 16.0f) return (kLifetime - t) / 6.0f;
    return 1.0f;
}

void PlaceBalls(float t, Ball out[kBalls]) {
    const float strength = Strength(t);
    for (int i = 0; i < kBalls; ++i) {
        const float phi = static_cast<float>(i) * 6.2831853f * 0.2f;
        out[i] = {2.0f * std::sin(phi + t), 3.0f * std::sin(phi + 0.6f * t), 2.0f * std::cos(phi + 0.8f * t),
                  strength};
    }
}

void Polygonise(const Ball b[kBalls]) {
    verticesUsed = 0;
    trianglesUsed = 0;
    EvaluatePlane(0, planes[0], nullptr, b);
    int current = 0;
    for (int z = 1; z < kGridSide; ++z) {
        current ^= 1;
        EvaluatePlane(z, planes[current], planes[current ^ 1], b);
        MarchSlab(planes[current], planes[current ^ 1]);
    }
    object->SetTriangleCount(trianglesUsed);
    // The gradient of strength / r^2 points inwards; its negative, without the strength
    // (the same for every ball), is the outward normal.
    for (int i = 0; i < verticesUsed; ++i) {
        Vertex* v = vertexTable[i];
        const Vec3 p = v->GetPosition();
        Vec3 n;
        for (int k = 0; k < kBalls; ++k) {
            const Vec3 d(p.x - b[k].x, p.y - b[k].y, p.z - b[k].z);
            const float r2 = d.x * d.x + d.y * d.y + d.z * d.z;
            n = n + d * (2.0f / (r2 * r2));
        }
        v->SetNormal(Normalised(n));
    }
}

void FrameAt(float t) {
    if (t > kLifetime) {
        object->Disable();
        return;
    }
    PlaceBalls(t, balls);
    Polygonise(balls);
}

int32_t VerticesUsed() { return verticesUsed; }
int32_t TrianglesUsed() { return trianglesUsed; }
Vertex* TableVertex(int i) { return vertexTable[i]; }

}  // namespace metaballs

using namespace metaballs;

void MetaballsInit() {
    object = demo.engine->NewObject(0, 0, kMaxTriangles, kMaxVertices);
    if (!object) Quit("Could not create new object");
    object->Enable();

    vertexTable = static_cast<Vertex**>(std::malloc(sizeof(Vertex*) * kMaxVertices));
    if (!vertexTable) Quit("Couldn't allocate vertex LUT");
    for (int i = 0; i < kMaxVertices; ++i) {
        Vertex* v = object->GetVertex(i);
        v->Enable();
        v->SetNormal({0.0f, 0.0f, 1.0f});
        vertexTable[i] = v;
    }
    triangleTable = static_cast<Triangle**>(std::malloc(sizeof(Triangle*) * kMaxTriangles));
    if (!triangleTable) Quit("Couldn't allocate triangle LUT");
    for (int i = 0; i < kMaxTriangles; ++i) {
        Triangle* t = object->GetTriangle(i);
        t->Enable();
        for (int c = 0; c < 3; ++c) t->SetCornerColour(c, Colour(255, 0, 0, 255));
        triangleTable[i] = t;
    }
    object->SetTriangleCount(0);

    int passes = 0;
    if (const char* error = BuildCaseTable(caseTable, &passes)) Quit(error);

    const size_t planeBytes = sizeof(Sample) * kGridSide * kGridSide;
    planes[0] = static_cast<Sample*>(std::calloc(1, planeBytes));
    if (!planes[0]) Quit("Insufficient memory for plane 1");
    planes[1] = static_cast<Sample*>(std::calloc(1, planeBytes));
    if (!planes[1]) Quit("Insufficient memory for plane 2");
}

Object3D* GetMetaballObject() { return object; }

void MetaballsFrame() {
    const float now = GetTime();
    if (!started) {
        startTime = now;
        started = true;
    }
    FrameAt(now - startTime);
}
