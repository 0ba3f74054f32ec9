#include <orin/statistics.h>

#include <cmath>

#include "detail.h"

namespace {

// d^order by repeated multiplication in extended precision, one rounding per
// factor. Once a factor leaves the power's magnitude as it was (0, an
// infinity, |d| = 1, or a subnormal that rounds back to itself: with
// 1/2 < |d| < 1 the power never reaches 0), every further factor does the
// same and can only change the sign, so the remaining factors are counted
// rather than multiplied: the result is bit for bit that of the full loop,
// and an order of 2^31 - 1 no longer costs that many multiplications per
// sample (unless |d| lies within about 1e-9 of 1). A NaN stays as it is.
orin::extended power(orin::extended d, int32_t order) {
    orin::extended p = d;
    for (int32_t k = 1; k < order; ++k) {
        const orin::extended next = p * d;
        if (std::isnan(next)) return p;
        if (std::fabs(next) == std::fabs(p)) {
            const bool flips = d < 0 && (order - k) % 2 == 1;
            return flips ? -p : p;
        }
        p = next;
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
