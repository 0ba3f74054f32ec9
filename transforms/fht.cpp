// Fast Hartley transform, radix 2, decimation in frequency (Bracewell, "The
// Fast Hartley Transform", Proc. IEEE 72, 1984; Sorensen et al. 1985).
#include <algorithm>

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
        // Twiddles for a tile of k at a time, each block swept over the tile
        // (the rotations of one stage are independent of each other).
        if (half / 2 > 1) {
            constexpr int64_t kTile = 256;
            double bc[kTile], bs[kTile];
            StageTwiddles table;
            const bool tabled = stageTwiddles(len, &table);
            Deferred<TwiddleRun> twiddles;
            if (!tabled) twiddles.emplace(Log2(static_cast<int32_t>(len)), half / 2);
            for (int64_t k0 = 1; k0 < half / 2; k0 += kTile) {
                const int64_t k1 = std::min(half / 2, k0 + kTile);
                const double *c = bc, *sn = bs;
                if (tabled) c = table.c1 + k0, sn = table.s1 + k0;
                else twiddles->fill(k0, k1 - k0, bc, bs);
                for (int64_t b = 0; b < n; b += len) {
                    for (int64_t k = k0; k < k1; ++k) {
                        const double u = x[b + half + k], v = x[b + len - k];
                        x[b + half + k] = v * sn[k - k0] + u * c[k - k0];
                        x[b + len - k] = u * sn[k - k0] - v * c[k - k0];
                    }
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
