#include <orin/statistics.h>

#include <algorithm>

#include "detail.h"

int32_t Median(const double *x, int32_t n, double *median) {
    if (n < 1) return kErrEmptyArray;
    // Select on a copy: the caller's samples are never reordered.
    orin::Scratch<double> a(n);
    if (!a) return kErrOutOfMemory;
    // A NaN has no place in an ordering: the sorted copy would put it
    // wherever the sort happened to leave it, and a selection by < could run
    // past the ends of the array. Any NaN makes the median NaN (the first
    // one, payload kept), as it makes every other statistic of the set.
    double *out = a.data();
    for (int32_t i = 0; i < n; ++i) {
        if (x[i] != x[i]) {
            *median = x[i];
            return kErrNone;
        }
        out[i] = x[i];
    }
    // Hoare's selection (introselect: median-of-three quickselect with a
    // heap-select fallback, linear on average and n log n at worst) gives the
    // element a sorted copy would hold at n/2; for even n the one below it is
    // the largest of the lower part.
    const int32_t mid = n / 2;
    std::nth_element(out, out + mid, out + n);
    if (n % 2) {
        *median = out[mid];
    } else {
        const double lower = *std::max_element(out, out + mid);
        *median = static_cast<double>((static_cast<orin::extended>(out[mid]) + lower) * 0.5L);
    }
    return kErrNone;
}
