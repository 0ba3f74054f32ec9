#include <orin/statistics.h>

#include "detail.h"

int32_t Median(const double *x, int32_t n, double *median) {
    if (n < 1) return kErrEmptyArray;
    // Sort a copy: the caller's samples are never reordered.
    orin::Scratch<double> a(n);
    if (!a) return kErrOutOfMemory;
    Sort(x, n, 0, a.data());
    const int32_t mid = n / 2;
    *median = (n % 2) ? a[mid] : static_cast<double>((static_cast<orin::extended>(a[mid]) + a[mid - 1]) * 0.5L);
    return kErrNone;
}
