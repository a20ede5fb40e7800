// Small loops the renderer spends its time in, written so that the compiler
// keeps several sums going at once.
#pragma once

#include <cstddef>

// The sum of w[i] * x[i] over n terms, in four interleaved partial sums.
inline float Dot(const float* w, const float* x, int n) {
    float s0 = 0.0f, s1 = 0.0f, s2 = 0.0f, s3 = 0.0f;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        s0 += w[i] * x[i];
        s1 += w[i + 1] * x[i + 1];
        s2 += w[i + 2] * x[i + 2];
        s3 += w[i + 3] * x[i + 3];
    }
    for (; i < n; ++i) s0 += w[i] * x[i];
    return (s0 + s1) + (s2 + s3);
}

// out[i] = a[i] + t * (b[i] - a[i]): a weight row between two phases.
inline void Blend(const float* a, const float* b, float t, float* out, int n) {
    for (int i = 0; i < n; ++i) out[i] = a[i] + t * (b[i] - a[i]);
}
