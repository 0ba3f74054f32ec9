#include <orin/timedomain.h>

#include "../frame/kit.h"

void Mean(const double *x, int32_t n, double *mean) { *mean = static_cast<double>(orin::sumExtended(x, n) / n); }

int32_t Decimate(const double *x, int32_t n, int32_t factor, int32_t average, double *out) {
    if (n < 1) return kErrEmptyArray;
    if (factor < 1 || factor > n) return kErrDecimatingFactor;
    // Output j lies at or before the group it comes from, and each group is
    // read whole before its output is written, so out may be x.
    const int32_t groups = n / factor;
    for (int32_t j = 0; j < groups; ++j) {
        const double *group = x + static_cast<int64_t>(j) * factor;
        if (average) Mean(group, factor, &out[j]);
        else out[j] = group[0];
    }
    return kErrNone;
}
