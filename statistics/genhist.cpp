#include <orin/statistics.h>

#include <cmath>

#include "detail.h"

int32_t CheckBin(const HistogramBin *bin, double x) {
    const double lo = bin->lower, hi = bin->upper;
    // Each row: inside, below, above. NaN fails every comparison and falls
    // through to the distinct value 2.
    switch (bin->inclusion) {
        case 0:
            if (lo <= x && x < hi) return 0;
            if (x < lo) return -1;
            if (x >= hi) return 1;
            return 2;
        case 1:
            if (lo < x && x <= hi) return 0;
            if (x <= lo) return -1;
            if (x > hi) return 1;
            return 2;
        case 2:
            if (lo <= x && x <= hi) return 0;
            if (x < lo) return -1;
            if (x > hi) return 1;
            return 2;
        case 3:
            if (lo < x && x < hi) return 0;
            if (x <= lo) return -1;
            if (x >= hi) return 1;
            return 2;
        default:
            // An unknown inclusion holds no sample; its code is neither -1,
            // 0 nor +1 (a negative code is reported as 2).
            return bin->inclusion > 3 ? bin->inclusion : 2;
    }
}

int32_t GeneralHistogram(const double *x, int32_t n, const HistogramBin *bins, int32_t nbins, int32_t *counts,
                         int32_t *totals) {
    totals[0] = totals[1] = totals[2] = 0;
    if (nbins < 0) return kErrBadArraySize;
    // Counts are cleared before the sample check, so a caller never reads
    // stale counts after a failure.
    for (int32_t k = 0; k < nbins; ++k) counts[k] = 0;
    if (n < 1) return kErrEmptyArray;
    int32_t &outside = totals[0], &below = totals[1], &above = totals[2];
    for (int32_t i = 0; i < n; ++i) {
        bool counted = false;
        // With no bins at all every sample lies outside.
        if (nbins == 0) ++outside;
        for (int32_t k = 0; k < nbins; ++k) {
            const int32_t r = CheckBin(&bins[k], x[i]);
            if (r == 0) {
                ++counts[k];
                counted = true;
            } else if (k == 0 && r == -1) {
                // Below the first bin: the later bins are not consulted.
                ++below;
                ++outside;
                break;
            } else if (k == nbins - 1 && !counted) {
                ++outside;
                if (r == 1) ++above;
            }
        }
    }
    return kErrNone;
}
