// Fast Hartley transform, radix 2, decimation in frequency (Bracewell, "The
// Fast Hartley Transform", Proc. IEEE 72, 1984; Sorensen et al. 1985).
#include "detail.h"

using namespace orin;
using namespace orin::tf;

int32_t FHT(double *x, int32_t n) {
    if (n < 1) return kErrEmptyArray;
    if (!isPowerOfTwo(n)) return kErrNotPowerOfTwo;
    if (n == 1) return kErrNone;
    const int32_t m = Log2(n);
    for (int32_t stage = 0; stage < m - 1; ++stage) {
        const int64_t len = static_cast<int64_t>(n) >> stage, half = len / 2;
        for (int64_t b = 0; b < n; b += len) {
            double *lo = x + b, *hi = x + b + half;
            for (int64_t j = 0; j < half; ++j) {
                const double t = lo[j];
                lo[j] = t + hi[j];
                hi[j] = t - hi[j];
            }
        }
        // The difference half d becomes d[k] cos + d[half-k] sin (angle
        // 2 pi k/len); the pair (k, half-k) is rotated together.
        if (half / 2 > 1) {
            Rotor rot(static_cast<extended>(kTwoPi) / len);
            for (int64_t k = 1; k < half / 2; ++k) {
                rot.advance();
                const double c = rot.c(), sn = rot.s();
                for (int64_t b = 0; b < n; b += len) {
                    const double u = x[b + half + k], v = x[b + len - k];
                    x[b + half + k] = v * sn + u * c;
                    x[b + len - k] = u * sn - v * c;
                }
            }
        }
    }
    for (int64_t i = 0; i < n; i += 2) {
        const double t = x[i];
        x[i] = t + x[i + 1];
        x[i + 1] = t - x[i + 1];
    }
    bitReverseReal(x, n);
    return kErrNone;
}

int32_t InvFHT(double *x, int32_t n) {
    if (const int32_t code = FHT(x, n)) return code;
    const double f = 1.0 / n;
    for (int32_t i = 0; i < n; ++i) x[i] *= f;
    return kErrNone;
}
