// 256-bit (AVX) forms of the split-radix L-butterflies, chosen at run time
// on processors that have AVX. They perform the IEEE operations of the
// 128-bit code lane for lane and in the same order, with no fused
// multiply-add, so both give the same bits.
//
// Only these functions are compiled for AVX, and they use nothing but
// intrinsics (static inline in their headers): no inline function or
// template shared with the rest of the library is instantiated here, where
// the linker could pick an AVX copy for a processor without it.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "simd.h"

namespace orin::tf {

namespace {

bool detect() {
    // ORIN_SIMD=sse2 keeps the 128-bit code on any processor (for tests and
    // for comparing the paths); otherwise AVX is used where the processor
    // and the operating system support it.
    const char *forced = std::getenv("ORIN_SIMD");
    if (forced && std::strcmp(forced, "sse2") == 0) return false;
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx");
}

}  // namespace

bool simdAvx() {
    static const bool avx = detect();
    return avx;
}

// The target attribute (gcc and clang alike) compiles just the function it
// marks for AVX.
#define ORIN_AVX __attribute__((target("avx")))

// Interleaved elements: two complex values (j, j+1) per register. With
// d = z0 - z2 and e = z1 - z3, (a2, b2) = d + (e.im, -e.re),
// (a3, b3) = d - (e.im, -e.re), and the twiddle product
// (a c + b s, b c - a s) = (a, b) c + (b, a) (s, -s).
ORIN_AVX int64_t avxLBlockInterleaved(double *x0, double *x1, double *x2, double *x3, int64_t count, const double *c1,
                             const double *s1, const double *c3, const double *s3) {
    const __m256d flip = _mm256_set_pd(-0.0, 0.0, -0.0, 0.0);
    int64_t j = 0;
    for (; j + 1 < count; j += 2) {
        const std::ptrdiff_t o = 2 * static_cast<std::ptrdiff_t>(j);
        const __m256d Z0 = _mm256_loadu_pd(x0 + o), Z1 = _mm256_loadu_pd(x1 + o);
        const __m256d Z2 = _mm256_loadu_pd(x2 + o), Z3 = _mm256_loadu_pd(x3 + o);
        const __m256d dz = _mm256_sub_pd(Z0, Z2), e = _mm256_sub_pd(Z1, Z3);
        _mm256_storeu_pd(x0 + o, _mm256_add_pd(Z0, Z2));
        _mm256_storeu_pd(x1 + o, _mm256_add_pd(Z1, Z3));
        const __m256d turned = _mm256_xor_pd(_mm256_permute_pd(e, 0x5), flip);
        const __m256d A = _mm256_add_pd(dz, turned), B = _mm256_sub_pd(dz, turned);
        const __m256d A2 = _mm256_permute_pd(A, 0x5), B2 = _mm256_permute_pd(B, 0x5);
        const __m256d C1 = _mm256_set_pd(c1[j + 1], c1[j + 1], c1[j], c1[j]);
        const __m256d S1 = _mm256_set_pd(-s1[j + 1], s1[j + 1], -s1[j], s1[j]);
        const __m256d C3 = _mm256_set_pd(c3[j + 1], c3[j + 1], c3[j], c3[j]);
        const __m256d S3 = _mm256_set_pd(-s3[j + 1], s3[j + 1], -s3[j], s3[j]);
        _mm256_storeu_pd(x2 + o, _mm256_add_pd(_mm256_mul_pd(A, C1), _mm256_mul_pd(A2, S1)));
        _mm256_storeu_pd(x3 + o, _mm256_add_pd(_mm256_mul_pd(B, C3), _mm256_mul_pd(B2, S3)));
    }
    return j;
}

// Separate real and imaginary arrays: four consecutive j per register.
ORIN_AVX int64_t avxLBlockSplit(double *x0, double *x1, double *x2, double *x3, double *y0, double *y1, double *y2,
                       double *y3, int64_t count, const double *c1, const double *s1, const double *c3,
                       const double *s3) {
    int64_t j = 0;
    for (; j + 3 < count; j += 4) {
        const __m256d X0 = _mm256_loadu_pd(x0 + j), X1 = _mm256_loadu_pd(x1 + j);
        const __m256d X2 = _mm256_loadu_pd(x2 + j), X3 = _mm256_loadu_pd(x3 + j);
        const __m256d Y0 = _mm256_loadu_pd(y0 + j), Y1 = _mm256_loadu_pd(y1 + j);
        const __m256d Y2 = _mm256_loadu_pd(y2 + j), Y3 = _mm256_loadu_pd(y3 + j);
        const __m256d r1 = _mm256_sub_pd(X0, X2), r2 = _mm256_sub_pd(X1, X3);
        const __m256d q1 = _mm256_sub_pd(Y0, Y2), q2 = _mm256_sub_pd(Y1, Y3);
        _mm256_storeu_pd(x0 + j, _mm256_add_pd(X0, X2));
        _mm256_storeu_pd(x1 + j, _mm256_add_pd(X1, X3));
        _mm256_storeu_pd(y0 + j, _mm256_add_pd(Y0, Y2));
        _mm256_storeu_pd(y1 + j, _mm256_add_pd(Y1, Y3));
        const __m256d a2 = _mm256_add_pd(r1, q2), b2 = _mm256_sub_pd(q1, r2);
        const __m256d a3 = _mm256_sub_pd(r1, q2), b3 = _mm256_add_pd(q1, r2);
        const __m256d C1 = _mm256_loadu_pd(c1 + j), S1 = _mm256_loadu_pd(s1 + j);
        const __m256d C3 = _mm256_loadu_pd(c3 + j), S3 = _mm256_loadu_pd(s3 + j);
        _mm256_storeu_pd(x2 + j, _mm256_add_pd(_mm256_mul_pd(a2, C1), _mm256_mul_pd(b2, S1)));
        _mm256_storeu_pd(y2 + j, _mm256_sub_pd(_mm256_mul_pd(b2, C1), _mm256_mul_pd(a2, S1)));
        _mm256_storeu_pd(x3 + j, _mm256_add_pd(_mm256_mul_pd(a3, C3), _mm256_mul_pd(b3, S3)));
        _mm256_storeu_pd(y3 + j, _mm256_sub_pd(_mm256_mul_pd(b3, C3), _mm256_mul_pd(a3, S3)));
    }
    return j;
}

#undef ORIN_AVX

}  // namespace orin::tf
