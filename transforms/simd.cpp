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

// The self-sorting passes of stockham.cpp, two complex values per 256-bit
// register: the rotated outputs of i and i+1 side by side, and the
// unrotated last pass (ido = 1) over k and k+1. The leftovers go in 128-bit
// registers. Every lane performs the operations of the 128-bit pass, in its
// order; the constants are those of stockham.cpp.
#pragma GCC push_options
#pragma GCC target("avx")

namespace {

inline __m128d add(__m128d a, __m128d b) { return _mm_add_pd(a, b); }
inline __m256d add(__m256d a, __m256d b) { return _mm256_add_pd(a, b); }
inline __m128d sub(__m128d a, __m128d b) { return _mm_sub_pd(a, b); }
inline __m256d sub(__m256d a, __m256d b) { return _mm256_sub_pd(a, b); }
inline __m128d mul(double f, __m128d a) { return _mm_mul_pd(_mm_set1_pd(f), a); }
inline __m256d mul(double f, __m256d a) { return _mm256_mul_pd(_mm256_set1_pd(f), a); }
// -i z: (im, -re) in each complex value.
inline __m128d minusI(__m128d z) { return _mm_xor_pd(_mm_shuffle_pd(z, z, 1), _mm_set_pd(-0.0, 0.0)); }
inline __m256d minusI(__m256d z) {
    return _mm256_xor_pd(_mm256_permute_pd(z, 0x5), _mm256_set_pd(-0.0, 0.0, -0.0, 0.0));
}

constexpr double kS3 = 0.86602540378443865;
constexpr double kC51 = 0.30901699437494742, kS51 = 0.95105651629515357;
constexpr double kC52 = -0.80901699437494742, kS52 = 0.58778525229247313;

template <int P, class V>
inline void dft(V *z) {
    if constexpr (P == 2) {
        const V a = z[0];
        z[0] = add(a, z[1]);
        z[1] = sub(a, z[1]);
    } else if constexpr (P == 3) {
        const V t1 = add(z[1], z[2]), t2 = sub(z[1], z[2]);
        const V ca = sub(z[0], mul(0.5, t1)), cb = mul(kS3, minusI(t2));
        z[0] = add(z[0], t1);
        z[1] = add(ca, cb);
        z[2] = sub(ca, cb);
    } else if constexpr (P == 4) {
        const V a = add(z[0], z[2]), b = sub(z[0], z[2]), c = add(z[1], z[3]), d = minusI(sub(z[1], z[3]));
        z[0] = add(a, c);
        z[2] = sub(a, c);
        z[1] = add(b, d);
        z[3] = sub(b, d);
    } else {
        static_assert(P == 5);
        const V t1 = add(z[1], z[4]), t4 = sub(z[1], z[4]), t2 = add(z[2], z[3]), t3 = sub(z[2], z[3]);
        const V x0 = z[0];
        z[0] = add(add(x0, t1), t2);
        const V ca1 = add(add(x0, mul(kC51, t1)), mul(kC52, t2)), cb1 = minusI(add(mul(kS51, t4), mul(kS52, t3)));
        const V ca2 = add(add(x0, mul(kC52, t1)), mul(kC51, t2)), cb2 = minusI(sub(mul(kS52, t4), mul(kS51, t3)));
        z[1] = add(ca1, cb1);
        z[4] = sub(ca1, cb1);
        z[2] = add(ca2, cb2);
        z[3] = sub(ca2, cb2);
    }
}

// z e^(-i t) with the rotation (c, c, s, -s) at wp: z (c, c) + (b, a) (s, -s).
inline __m128d rotate(__m128d z, const double *wp) {
    return _mm_add_pd(_mm_mul_pd(z, _mm_loadu_pd(wp)), _mm_mul_pd(_mm_shuffle_pd(z, z, 1), _mm_loadu_pd(wp + 2)));
}
// The same for i and i+1, whose rotations are adjacent.
inline __m256d rotate(__m256d z, const double *wp) {
    const __m256d a = _mm256_loadu_pd(wp), b = _mm256_loadu_pd(wp + 4);
    const __m256d c = _mm256_permute2f128_pd(a, b, 0x20), s = _mm256_permute2f128_pd(a, b, 0x31);
    return _mm256_add_pd(_mm256_mul_pd(z, c), _mm256_mul_pd(_mm256_permute_pd(z, 0x5), s));
}

inline void load(const double *p, __m128d &v) { v = _mm_loadu_pd(p); }
inline void load(const double *p, __m256d &v) { v = _mm256_loadu_pd(p); }
inline void store(double *p, __m128d v) { _mm_storeu_pd(p, v); }
inline void store(double *p, __m256d v) { _mm256_storeu_pd(p, v); }

// The butterfly at i of block k (i and i+1 for a 256-bit V).
template <int P, class V>
inline void butterfly(int64_t i, int64_t ido, const double *c, double *h, ptrdiff_t in, ptrdiff_t out,
                      const double *wa) {
    V z[P];
#pragma GCC unroll 5
    for (int m = 0; m < P; ++m) load(c + 2 * i + m * in, z[m]);
    dft<P>(z);
    store(h + 2 * i, z[0]);
    if (i == 0) {
#pragma GCC unroll 5
        for (int m = 1; m < P; ++m) store(h + m * out, z[m]);
        return;
    }
#pragma GCC unroll 5
    for (int m = 1; m < P; ++m) store(h + 2 * i + m * out, rotate(z[m], wa + 4 * ((m - 1) * (ido - 1) + i - 1)));
}

template <int P>
void passAvx(int64_t ido, int64_t l1, const double *cc, double *ch, const double *wa) {
    const ptrdiff_t in = 2 * ido, out = 2 * ido * l1;
    if (ido == 1) {
        // Blocks k and k+1: inputs P values apart, outputs adjacent.
        int64_t k = 0;
        for (; k + 1 < l1; k += 2) {
            const double *c = cc + 2 * P * k;
            __m256d z[P];
#pragma GCC unroll 5
            for (int m = 0; m < P; ++m)
                z[m] = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(c + 2 * m)),
                                            _mm_loadu_pd(c + 2 * (m + P)), 1);
            dft<P>(z);
#pragma GCC unroll 5
            for (int m = 0; m < P; ++m) _mm256_storeu_pd(ch + 2 * k + m * out, z[m]);
        }
        if (k < l1) butterfly<P, __m128d>(0, 1, cc + 2 * P * k, ch + 2 * k, in, out, wa);
        return;
    }
    for (int64_t k = 0; k < l1; ++k) {
        const double *c = cc + 2 * ido * P * k;
        double *h = ch + 2 * ido * k;
        butterfly<P, __m128d>(0, ido, c, h, in, out, wa);
        int64_t i = 1;
        for (; i + 1 < ido; i += 2) butterfly<P, __m256d>(i, ido, c, h, in, out, wa);
        if (i < ido) butterfly<P, __m128d>(i, ido, c, h, in, out, wa);
    }
}

}  // namespace

void avxPass(int32_t p, int64_t ido, int64_t l1, const double *cc, double *ch, const double *wa) {
    switch (p) {
        case 2: passAvx<2>(ido, l1, cc, ch, wa); break;
        case 3: passAvx<3>(ido, l1, cc, ch, wa); break;
        case 4: passAvx<4>(ido, l1, cc, ch, wa); break;
        default: passAvx<5>(ido, l1, cc, ch, wa); break;
    }
}

#pragma GCC pop_options

}  // namespace orin::tf
