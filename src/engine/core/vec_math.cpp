// vec_math.cpp -- vectors and the view and model matrices.
#include "engine/core/vec_math.h"

#include <cmath>

float Length(Vec3 v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

Vec3 Normalised(Vec3 v) {
    const float inverse = 1.0f / Length(v);
    return {v.x * inverse, v.y * inverse, v.z * inverse};
}

Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

void BuildViewMatrix(Vec3 p, Vec3 d, Vec3 up, float m[16]) {
    const Vec3 s = Normalised(Cross(d, up));
    const Vec3 u = Cross(s, d);  // unit already: s and d are perpendicular unit vectors
    m[0] = s.x, m[1] = u.x, m[2] = -d.x, m[3] = 0.0f;
    m[4] = s.y, m[5] = u.y, m[6] = -d.y, m[7] = 0.0f;
    m[8] = s.z, m[9] = u.z, m[10] = -d.z, m[11] = 0.0f;
    m[12] = -Dot(s, p), m[13] = -Dot(u, p), m[14] = Dot(d, p), m[15] = 1.0f;
}

void BuildModelMatrix(Vec3 p, Vec3 d, Vec3 up, float m[16]) {
    const Vec3 r = Normalised(Cross(d, up));
    const Vec3 u = Cross(r, d);
    m[0] = r.x, m[1] = r.y, m[2] = r.z, m[3] = 0.0f;
    m[4] = u.x, m[5] = u.y, m[6] = u.z, m[7] = 0.0f;
    m[8] = -d.x, m[9] = -d.y, m[10] = -d.z, m[11] = 0.0f;
    m[12] = p.x, m[13] = p.y, m[14] = p.z, m[15] = 1.0f;
}
