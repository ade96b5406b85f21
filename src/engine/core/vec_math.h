// vec_math.h -- the small vector toolkit and the two matrices built from a direction and
// an up vector: a camera's view matrix and an object's model matrix. Matrices are arrays
// of 16 floats, column-major (row r, column c at index 4c + r), ready for glMultMatrixf.
#pragma once

#include <cstdint>

struct Vec3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    constexpr Vec3() = default;
    constexpr Vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }

float Length(Vec3 v);
// One reciprocal, then three multiplications; a zero vector gives non-finite components.
Vec3 Normalised(Vec3 v);
Vec3 Cross(Vec3 a, Vec3 b);
float Dot(Vec3 a, Vec3 b);

// World to eye space for an eye at `position` looking along `direction` (both unit
// vectors were normalised when set).
void BuildViewMatrix(Vec3 position, Vec3 direction, Vec3 up, float out[16]);
// Local to parent space: local x along cross(direction, up), y along the true up, z along
// -direction, origin at `position`.
void BuildModelMatrix(Vec3 position, Vec3 direction, Vec3 up, float out[16]);
