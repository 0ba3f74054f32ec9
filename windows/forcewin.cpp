#include <orin/windows.h>

#include "detail.h"

int32_t ForceWin(double *x, int32_t n, double duty) {
    if (n <= 1) return kErrTooFewSamples;
    // The product is kept in extended precision before truncation, so that
    // duty 29 on 100 samples keeps 29 samples (in double, 29 * 0.01 * 100 is
    // 28.999999999999996).
    const orin::extended kept = static_cast<orin::extended>(duty) * 0.01 * n;
    int32_t k = 0;
    if (kept >= n) k = n;
    else if (kept > 0) k = static_cast<int32_t>(kept);
    for (int32_t i = k; i < n; ++i) x[i] = 0;
    return kErrNone;
}
