// The small loops the renderer spends its time in, on vectors of four floats
// (the compiler's vector extension: SSE on every target we build), without
// reordering any sum the compiler would not reorder itself.
#pragma once

#include <cstddef>
#include <cstring>

typedef float Float4 __attribute__((vector_size(16)));

inline Float4 Load4(const float* p) {
    Float4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void Store4(float* p, Float4 v) { std::memcpy(p, &v, sizeof v); }

inline float Sum4(Float4 v) { return (v[0] + v[1]) + (v[2] + v[3]); }

// The sums of a's and of b's four lanes, in lanes 0 and 1: two horizontal
// sums for the price of one.
inline Float4 PairSums(Float4 a, Float4 b) {
    const Float4 low = {a[0], b[0], a[1], b[1]};
    const Float4 high = {a[2], b[2], a[3], b[3]};
    const Float4 halves = low + high;  // a0+a2, b0+b2, a1+a3, b1+b3
    const Float4 upper = {halves[2], halves[3], 0.0f, 0.0f};
    return halves + upper;
}

// p[0] += v[0], p[1] += v[1].
inline void AddPair(float* p, Float4 v) {
    p[0] += v[0];
    p[1] += v[1];
}

// The sum of w[i] * x[i] over n terms, n a multiple of four.
inline float Dot4(const float* w, const float* x, int n) {
    Float4 sum = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int i = 0; i < n; i += 4) sum += Load4(w + i) * Load4(x + i);
    return Sum4(sum);
}

// The sum of w[i] * x[i] over any n terms, in four interleaved partial sums.
inline float Dot(const float* w, const float* x, int n) {
    float s0 = 0.0f, s1 = 0.0f, s2 = 0.0f, s3 = 0.0f;
    const int whole = n - n % 4;
    for (int i = 0; i < whole; i += 4) {
        s0 += w[i] * x[i];
        s1 += w[i + 1] * x[i + 1];
        s2 += w[i + 2] * x[i + 2];
        s3 += w[i + 3] * x[i + 3];
    }
    for (int i = whole; i < n; ++i) s0 += w[i] * x[i];
    return (s0 + s1) + (s2 + s3);
}

// out[i] = row[i] + t * step[i], n a multiple of four: a weight row between two phases.
inline void Blend4(const float* row, const float* step, float t, float* out, int n) {
    const Float4 scale = {t, t, t, t};
    for (int i = 0; i < n; i += 4) Store4(out + i, Load4(row + i) + scale * Load4(step + i));
}
