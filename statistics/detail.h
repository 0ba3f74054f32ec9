// Helpers shared by the descriptive statistics.
#ifndef ORIN_STATISTICS_DETAIL_H
#define ORIN_STATISTICS_DETAIL_H

#include "../frame/kit.h"

namespace orin::stats {

// Sum of x[0..n-1] in index order, in extended precision.
inline extended sum(const double *x, int32_t n) {
    extended s = 0;
    for (int32_t i = 0; i < n; ++i) s += x[i];
    return s;
}

// Sum of squares of x[0..n-1] in index order, in extended precision.
inline extended sumOfSquares(const double *x, int32_t n) {
    extended s = 0;
    for (int32_t i = 0; i < n; ++i) s += static_cast<extended>(x[i]) * x[i];
    return s;
}

}  // namespace orin::stats

#endif  // ORIN_STATISTICS_DETAIL_H
