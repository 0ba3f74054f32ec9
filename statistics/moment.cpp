#include <orin/statistics.h>

#include "detail.h"

int32_t Moment(const double *x, int32_t n, int32_t order, double *moment) {
    if (n < 1) return kErrEmptyArray;
    if (order < 1) return kErrOrderNotPositive;
    double mean;
    Ave(x, n, &mean);
    // The power is formed by repeated multiplication in extended precision,
    // one factor per order, as the sum of powered deviations is.
    orin::extended s = 0;
    for (int32_t i = 0; i < n; ++i) {
        const orin::extended d = static_cast<orin::extended>(x[i]) - mean;
        orin::extended p = d;
        for (int32_t k = 1; k < order; ++k) p *= d;
        s += p;
    }
    *moment = static_cast<double>(s / n);
    return kErrNone;
}
