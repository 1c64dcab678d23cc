// Three float32 components, and the few vector operations the mesh code
// needs. Every operation is written out in a fixed order of float32 steps:
// normals, tangents and displaced positions must come out bit for bit the
// same on every build.
#pragma once
#include <cmath>

struct Vec3 {
    float x, y, z;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }

inline float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline Vec3 cross(Vec3 a, Vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The square root of the float32 sum of squares.
inline float length(Vec3 a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }

// Divides by the length; a vector of length exactly 0 stays as it is.
inline Vec3 normalise(Vec3 a)
{
    const float n = length(a);
    if (n == 0.0f) return a;
    return {a.x / n, a.y / n, a.z / n};
}
