#include <orin/host.h>
#include <orin/statistics.h>

#include "detail.h"

namespace {

// Orders doubles ascending; NaN compares equal to everything.
int compareProc(const void *a, const void *b) {
    const double x = *static_cast<const double *>(a);
    const double y = *static_cast<const double *>(b);
    if (x < y) return -1;
    if (x > y) return 1;
    return 0;
}

}  // namespace

int32_t Sort(const double *x, int32_t n, int32_t descending, double *out) {
    if (n < 1) return kErrEmptyArray;
    if (out != x) MoveBlock(x, out, static_cast<size_t>(n) * sizeof(double));
    if (n >= 2) {
        QSort(out, static_cast<size_t>(n), sizeof(double), compareProc);
        if (descending != 0) Rev(out, n);
    }
    return kErrNone;
}

void Rev(double *x, int32_t n) {
    for (int32_t i = 0; i < n / 2; ++i) {
        const double t = x[i];
        x[i] = x[n - 1 - i];
        x[n - 1 - i] = t;
    }
}
