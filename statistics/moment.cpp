#include <orin/statistics.h>

#include <cmath>

#include "detail.h"

namespace {

// d^order by repeated multiplication in extended precision, one rounding per
// factor. Once the power is 0 or infinite, or when |d| is exactly 1, every
// further factor can only change its sign, so the remaining factors are
// counted rather than multiplied: the result is bit for bit that of the full
// loop, and an order of 2^31 - 1 no longer costs that many multiplications
// per sample. A NaN power stays as it is.
orin::extended power(orin::extended d, int32_t order) {
    orin::extended p = d;
    for (int32_t k = 1; k < order; ++k) {
        if (std::isnan(p)) return p;
        if (p == 0 || std::isinf(p) || std::fabs(d) == 1) {
            const bool flips = d < 0 && (order - k) % 2 == 1;
            return flips ? -p : p;
        }
        p *= d;
    }
    return p;
}

}  // namespace

int32_t Moment(const double *x, int32_t n, int32_t order, double *moment) {
    if (n < 1) return kErrEmptyArray;
    if (order < 1) return kErrOrderNotPositive;
    double mean;
    Ave(x, n, &mean);
    orin::extended s = 0;
    for (int32_t i = 0; i < n; ++i) s += power(static_cast<orin::extended>(x[i]) - mean, order);
    *moment = static_cast<double>(s / n);
    return kErrNone;
}
