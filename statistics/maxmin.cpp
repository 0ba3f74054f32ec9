#include <orin/statistics.h>

void MaxMin(const double *x, int32_t n, double *max, double *min) {
    double hi = x[0];
    double lo = x[0];
    // Comparisons with NaN are false, so NaN samples after the first are
    // passed over.
    for (int32_t i = 0; i < n; ++i) {
        if (x[i] > hi) hi = x[i];
        else if (x[i] < lo) lo = x[i];
    }
    *max = hi;
    *min = lo;
}
