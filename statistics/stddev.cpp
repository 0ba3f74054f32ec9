#include <orin/statistics.h>

#include <cmath>

#include "detail.h"

int32_t StdDev(const double *x, int32_t n, double *mean, double *sdev) {
    if (n < 1) return kErrEmptyArray;
    // One pass: the raw first and second sums, in extended precision, which
    // keeps the cancellation in q - mean^2 below double rounding for data
    // whose mean is up to about 2^5 standard deviations away from zero.
    orin::extended s1 = 0;
    orin::extended s2 = 0;
    for (int32_t i = 0; i < n; ++i) {
        s1 += x[i];
        s2 += static_cast<orin::extended>(x[i]) * x[i];
    }
    const orin::extended m = s1 / n;
    const orin::extended q = s2 / n;
    *mean = static_cast<double>(m);
    *sdev = static_cast<double>(std::sqrt(std::fabs(q - m * m)));
    return kErrNone;
}
