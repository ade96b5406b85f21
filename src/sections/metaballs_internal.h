// metaballs_internal.h -- the pieces of the metaballs that the tests and the benchmark
// reach: the case table, the strength curve, the sweep at a given time or over balls
// placed by hand, and the counters of the last sweep.
#pragma once

#include <cstdint>

struct Vertex;

namespace metaballs {

inline constexpr int kBalls = 5;
inline constexpr int kGridSide = 26;          // samples per axis
inline constexpr float kGridOrigin = -10.0f;  // coordinate of sample 0
inline constexpr float kGridStep = 0.8f;
inline constexpr float kThreshold = 0.15f;    // a sample is inside above this sum
inline constexpr int kMaxVertices = 4000;
inline constexpr int kMaxTriangles = 4000;
inline constexpr float kLifetime = 22.0f;

struct Ball {
    float x, y, z, strength;
};

// One corner pattern's triangles, each three edge numbers (0..11).
struct CubeCase {
    int32_t triangleCount;
    int32_t edges[4][3];
};

// Which two corner bits each edge joins.
inline constexpr int kEdgeCorners[12][2] = {{0, 3}, {1, 0}, {1, 2}, {2, 3}, {5, 4}, {5, 6},
                                            {6, 7}, {4, 7}, {4, 0}, {5, 1}, {6, 2}, {7, 3}};

// Fills all 256 cases from the 15 base cases. Null on success with the number of passes
// it took in *passes; else the text the program ends with.
const char* BuildCaseTable(CubeCase table[256], int* passes);
// The table MetaballsInit built.
const CubeCase* CaseTable();

// The strength of every ball at t seconds into the blob's life.
float Strength(float t);
// The five balls at t seconds.
void PlaceBalls(float t, Ball balls[kBalls]);

// Steps 2 onwards of a frame at time t: hides the object after 22 s, else places the
// balls and polygonises them.
void FrameAt(float t);
// Polygonises the given balls into the object (counters, vertices, triangles, normals).
void Polygonise(const Ball balls[kBalls]);

int32_t VerticesUsed();
int32_t TrianglesUsed();
// Vertex i of the object's vertex table.
Vertex* TableVertex(int i);

}  // namespace metaballs
