// Split-radix FFT kernels for power-of-two lengths.
//
// Complex: decimation in frequency with L-shaped butterflies (Duhamel and
// Hollmann 1984; Sorensen, Heideman and Burrus, "On computing the split-radix
// FFT", IEEE Trans. ASSP 34, 1986), result bit-reversed at the end.
// Real: Sorensen, Jones, Heideman and Burrus, "Real-valued fast Fourier
// transform algorithms", IEEE Trans. ASSP 35 (1987): the decimation-in-time
// forward transform to the packed spectrum, and its exact inverse in
// decimation in frequency.
#include <cstring>

#include "detail.h"

namespace orin::tf {

void bitReverseReal(double *x, int32_t n) {
    int64_t j = 0;
    for (int64_t i = 1; i < n; ++i) {
        int64_t k = n >> 1;
        while (j & k) k >>= 1;  // j + k >= n exactly when every bit from n/2 down to k is set
        j = (j & (k - 1)) + k;
        if (j > i) std::swap(x[i], x[j]);
    }
}

}  // namespace orin::tf

using namespace orin;
using namespace orin::tf;

void BitReverse(double *re, double *im, int32_t n, int32_t stride) {
    int64_t j = 0;
    const ptrdiff_t st = stride;
    for (int64_t i = 1; i < n; ++i) {
        int64_t k = n >> 1;
        while (j & k) k >>= 1;
        j = (j & (k - 1)) + k;
        if (j > i) {
            std::swap(re[i * st], re[j * st]);
            std::swap(im[i * st], im[j * st]);
        }
    }
}

namespace {

int32_t checkLength(int32_t n) {
    if (n < 1) return kErrEmptyArray;
    if (!isPowerOfTwo(n)) return kErrNotPowerOfTwo;
    return kErrNone;
}

// One pass of L-shaped butterflies for twiddle index j of the stage of block
// length L. Block indices are logical; only the array accesses are scaled by
// the stride (a compile-time 1 or 2 on the entry points' paths, so that the
// compiler sees contiguous or interleaved access).
template <int kStride, bool kTwiddled>
inline void cxPass(double *x, double *y, int64_t n, int64_t L, int64_t j, ptrdiff_t runtimeStride, double c1,
                   double s1, double c3, double s3) {
    const ptrdiff_t st = kStride ? kStride : runtimeStride;
    const ptrdiff_t q = static_cast<ptrdiff_t>(L >> 2) * st;
    int64_t is = j, id = 2 * L;
    do {
        for (int64_t i0 = is; i0 < n - 1; i0 += id) {
            double *x0 = x + static_cast<ptrdiff_t>(i0) * st, *y0 = y + static_cast<ptrdiff_t>(i0) * st;
            double *x1 = x0 + q, *x2 = x1 + q, *x3 = x2 + q;
            double *y1 = y0 + q, *y2 = y1 + q, *y3 = y2 + q;
            const double r1 = *x0 - *x2;
            *x0 += *x2;
            const double r2 = *x1 - *x3;
            *x1 += *x3;
            const double q1 = *y0 - *y2;
            *y0 += *y2;
            const double q2 = *y1 - *y3;
            *y1 += *y3;
            const double a2 = r1 + q2, b2 = q1 - r2;
            const double a3 = r1 - q2, b3 = q1 + r2;
            if constexpr (kTwiddled) {
                *x2 = a2 * c1 + b2 * s1;
                *y2 = b2 * c1 - a2 * s1;
                *x3 = a3 * c3 + b3 * s3;
                *y3 = b3 * c3 - a3 * s3;
            } else {
                *x2 = a2;
                *y2 = b2;
                *x3 = a3;
                *y3 = b3;
            }
        }
        is = 2 * id - L + j;
        id *= 4;
    } while (is < n - 1);
}

template <int kStride>
void cxForward(double *x, double *y, int64_t n, int32_t m, ptrdiff_t runtimeStride) {
    const ptrdiff_t st = kStride ? kStride : runtimeStride;
    int64_t L = n;
    for (int32_t stage = 1; stage < m; ++stage, L >>= 1) {
        Rotor rot(static_cast<extended>(kTwoPi) / L);
        cxPass<kStride, false>(x, y, n, L, 0, st, 1, 0, 1, 0);
        for (int64_t j = 1; j < (L >> 2); ++j) {
            rot.advance();
            cxPass<kStride, true>(x, y, n, L, j, st, rot.c(), rot.s(), rot.c3(), rot.s3());
        }
    }
    // Length-2 butterflies on the blocks that remain.
    int64_t is = 0, id = 4;
    do {
        for (int64_t i0 = is; i0 < n; i0 += id) {
            double *a = x + static_cast<ptrdiff_t>(i0) * st, *b = y + static_cast<ptrdiff_t>(i0) * st;
            const double t = a[0], u = b[0];
            a[0] = t + a[st];
            a[st] = t - a[st];
            b[0] = u + b[st];
            b[st] = u - b[st];
        }
        is = 2 * id - 2;
        id *= 4;
    } while (is < n);
    BitReverse(x, y, static_cast<int32_t>(n), static_cast<int32_t>(st));
}

}  // namespace

int32_t SplitRadixCxFFT(double *re, double *im, int32_t n, int32_t stride) {
    if (const int32_t code = checkLength(n)) return code;
    if (n == 1) return kErrNone;
    const int32_t m = Log2(n);
    if (stride == 1) cxForward<1>(re, im, n, m, 1);
    else if (stride == 2) cxForward<2>(re, im, n, m, 2);
    else cxForward<0>(re, im, n, m, stride);
    return kErrNone;
}

int32_t SplitRadixCxInvFFT(double *re, double *im, int32_t n) {
    if (const int32_t code = checkLength(n)) return code;
    if (n == 1) return kErrNone;
    // Inverse by conjugation: conj(FFT(conj(X)))/n.
    const double f = 1.0 / n;
    for (int32_t i = 0; i < n; ++i) {
        re[i] *= f;
        im[i] *= -f;
    }
    cxForward<1>(re, im, n, Log2(n), 1);
    for (int32_t i = 0; i < n; ++i) im[i] = -im[i];
    return kErrNone;
}

int32_t SpReFFT(double *x, int32_t n, int32_t m) {
    if (n < 2) return kErrNone;
    bitReverseReal(x, n);
    int64_t is = 0, id = 4;
    do {
        for (int64_t i = is; i < n; i += id) {
            const double t = x[i];
            x[i] = t + x[i + 1];
            x[i + 1] = t - x[i + 1];
        }
        is = 2 * id - 2;
        id *= 4;
    } while (is < n);
    if (m == 1) return kErrNone;

    extended e = kHalfPi;  // 2 pi / L
    for (int64_t L = 4; L <= n; L <<= 1, e /= 2) {
        const int64_t L4 = L >> 2, L8 = L >> 3;
        is = 0;
        id = 2 * L;
        do {
            for (int64_t i = is; i < n; i += id) {
                const int64_t i1 = i, i2 = i1 + L4, i3 = i2 + L4, i4 = i3 + L4;
                const double t1 = x[i3] + x[i4];
                x[i4] -= x[i3];
                x[i3] = x[i1] - t1;
                x[i1] += t1;
                if (L != 4) {
                    const double a = x[i3 + L8], b = x[i4 + L8];
                    const double u1 = (a + b) * kSqrtHalf, u2 = (a - b) * kSqrtHalf;
                    x[i4 + L8] = x[i2 + L8] - u1;
                    x[i3 + L8] = -(x[i2 + L8] + u1);
                    x[i2 + L8] = x[i1 + L8] - u2;
                    x[i1 + L8] += u2;
                }
            }
            is = 2 * id - L;
            id *= 4;
        } while (is < n);

        Rotor rot(e);
        for (int64_t j = 1; j < L8; ++j) {
            rot.advance();
            const double cc = rot.c(), ss = rot.s(), cc3 = rot.c3(), ss3 = rot.s3();
            is = 0;
            id = 2 * L;
            do {
                for (int64_t i = is; i < n; i += id) {
                    const int64_t i1 = i + j, i2 = i + L4 + j, i3 = i + 2 * L4 + j, i4 = i + 3 * L4 + j;
                    const int64_t i5 = i + L4 - j, i6 = i + 2 * L4 - j, i7 = i + 3 * L4 - j, i8 = i + L - j;
                    const double t1 = cc * x[i7] - ss * x[i3];
                    const double t2 = cc * x[i3] + ss * x[i7];
                    const double t3 = cc3 * x[i8] - ss3 * x[i4];
                    const double t4 = cc3 * x[i4] + ss3 * x[i8];
                    double u = t1 + t3;
                    x[i8] = x[i6] + u;
                    x[i3] = u - x[i6];
                    u = t2 + t4;
                    const double v = t2 - t4;
                    x[i4] = x[i2] - v;
                    x[i7] = -(x[i2] + v);
                    x[i6] = x[i1] - u;
                    x[i1] += u;
                    const double w = t1 - t3;
                    x[i2] = x[i5] + w;
                    x[i5] -= w;
                }
                is = 2 * id - L;
                id *= 4;
            } while (is < n);
        }
    }
    return kErrNone;
}

int32_t SpReInvFFT(double *x, int32_t n, int32_t m) {
    if (n < 2) return kErrNone;
    const double f = 1.0 / n;
    for (int32_t i = 0; i < n; ++i) x[i] *= f;

    if (m > 1) {
        for (int64_t L = n; L >= 4; L >>= 1) {
            const int64_t L4 = L >> 2, L8 = L >> 3;
            int64_t is = 0, id = 2 * L;
            do {
                for (int64_t i = is; i < n; i += id) {
                    const int64_t i1 = i, i2 = i1 + L4, i3 = i2 + L4, i4 = i3 + L4;
                    const double t1 = x[i1] - x[i3];
                    x[i1] += x[i3];
                    x[i2] *= 2;
                    x[i3] = t1 - 2 * x[i4];
                    x[i4] = t1 + 2 * x[i4];
                    if (L8 != 0) {
                        const double a = x[i2 + L8], b = x[i1 + L8], c = x[i4 + L8], d = x[i3 + L8];
                        x[i1 + L8] = b + a;
                        const double u1 = (a - b) * kSqrtHalf, u2 = (c + d) * kSqrtHalf;
                        x[i2 + L8] = c - d;
                        x[i3 + L8] = -2 * (u1 + u2);
                        x[i4 + L8] = 2 * (u1 - u2);
                    }
                }
                is = 2 * id - L;
                id *= 4;
            } while (is < n);

            // The angle is accumulated by addition (in extended precision)
            // and the twiddles taken from the library each time.
            const extended e = static_cast<extended>(kTwoPi) / L;
            extended theta = 0;
            for (int64_t j = 1; j < L8; ++j) {
                theta += e;
                const double cc1 = static_cast<double>(std::cos(theta)), ss1 = static_cast<double>(std::sin(theta));
                const double cc3 = static_cast<double>(std::cos(3 * theta)),
                             ss3 = static_cast<double>(std::sin(3 * theta));
                is = 0;
                id = 2 * L;
                do {
                    for (int64_t i = is; i < n; i += id) {
                        const int64_t i1 = i + j, i2 = i1 + L4, i3 = i2 + L4, i4 = i3 + L4;
                        const int64_t i5 = i + L4 - j, i6 = i5 + L4, i7 = i6 + L4, i8 = i7 + L4;
                        const double t1 = x[i1] - x[i6];
                        x[i1] += x[i6];
                        const double t2 = x[i5] - x[i2];
                        x[i5] += x[i2];
                        const double t3 = x[i8] + x[i3];
                        x[i6] = x[i8] - x[i3];
                        const double t4 = x[i4] + x[i7];
                        x[i2] = x[i4] - x[i7];
                        const double p = t1 - t4, q = t1 + t4, r = t2 - t3, s = t2 + t3;
                        x[i3] = p * cc1 + r * ss1;
                        x[i7] = p * ss1 - r * cc1;
                        x[i4] = q * cc3 - s * ss3;
                        x[i8] = s * cc3 + q * ss3;
                    }
                    is = 2 * id - L;
                    id *= 4;
                } while (is < n);
            }
        }
    }

    int64_t is = 0, id = 4;
    do {
        for (int64_t i = is; i < n; i += id) {
            const double t = x[i];
            x[i] = t + x[i + 1];
            x[i + 1] = t - x[i + 1];
        }
        is = 2 * id - 2;
        id *= 4;
    } while (is < n);
    bitReverseReal(x, n);
    return kErrNone;
}

int32_t SplitRadixReFFT(double *x, double *im, int32_t n) {
    if (const int32_t code = checkLength(n)) return code;
    im[0] = 0;
    if (n == 1) return kErrNone;
    SpReFFT(x, n, Log2(n));
    // Unpack: Im X[k] sits at x[n-k]; the upper half mirrors the lower.
    const int32_t h = n / 2;
    for (int32_t k = 1; k < h; ++k) {
        im[k] = x[n - k];
        im[n - k] = -x[n - k];
        x[n - k] = x[k];
    }
    im[h] = 0;
    return kErrNone;
}

namespace orin::tf {

int32_t splitRadixReFFT(complexnum *c, int32_t n) {
    if (const int32_t code = checkLength(n)) return code;
    if (n == 1) {
        c[0].im = 0;
        return kErrNone;
    }
    // Gather the real parts to the front as n contiguous doubles. Reading
    // c[i].re (double index 2i) before writing double index i never
    // overwrites an unread value.
    double *x = &c[0].re;
    for (int32_t i = 1; i < n; ++i) x[i] = c[i].re;
    SpReFFT(x, n, Log2(n));
    // Expand from the top down, so that no packed value is overwritten before
    // it is read: c[n-k].im lies at double 2n-2k+1 > n-k, c[k].re at 2k >= k.
    const int32_t h = n / 2;
    for (int32_t k = 1; k < h; ++k) c[n - k].im = -x[n - k];
    c[h].im = 0;
    for (int32_t k = h; k >= 1; --k) c[k].re = x[k];
    c[0].im = 0;
    for (int32_t k = 1; k < h; ++k) {
        c[n - k].re = c[k].re;
        c[k].im = -c[n - k].im;
    }
    return kErrNone;
}

int32_t splitRadixReInv(double *re, double *im, int32_t n) {
    // Conjugate-symmetric spectrum to its Hartley transform:
    // H[k] = Re X[k] - Im X[k], H[n-k] = Re X[k] + Im X[k], with
    // Im X[k] = -im[n-k].
    for (int32_t k = 1; k < n / 2; ++k) {
        const double a = re[k], b = im[n - k];
        re[n - k] = a - b;
        re[k] = a + b;
    }
    return InvFHT(re, n);
}

}  // namespace orin::tf

int32_t SplitRadixReInvFFT(double *re, double *im, int32_t n) {
    if (const int32_t code = checkLength(n)) return code;
    if (n == 1) return kErrNone;
    return splitRadixReInv(re, im, n);
}
