// Extremes with their first positions. Strict comparisons: the first
// occurrence of an extreme wins, and a NaN after the first element is never
// taken (a NaN first element stays both extremes).
#include "detail.h"

using orin::arrays::elementCount;

int32_t MaxMin1D(const double *x, int32_t n, double *max, int32_t *maxIndex, double *min, int32_t *minIndex) {
    if (n < 1) return kErrEmptyArray;
    double hi = x[0], lo = x[0];
    int32_t hiAt = 0, loAt = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (x[i] > hi) {
            hi = x[i];
            hiAt = i;
        } else if (x[i] < lo) {
            lo = x[i];
            loAt = i;
        }
    }
    *max = hi;
    *maxIndex = hiAt;
    *min = lo;
    *minIndex = loAt;
    return kErrNone;
}

int32_t MaxMin2D(const double *x, int32_t rows, int32_t cols, double *max, int32_t *maxRow, int32_t *maxCol,
                 double *min, int32_t *minRow, int32_t *minCol) {
    int32_t n = 0;
    if (const int32_t code = elementCount(rows, cols, &n)) return code;
    int32_t hiAt = 0, loAt = 0;
    MaxMin1D(x, n, max, &hiAt, min, &loAt);
    *maxRow = hiAt / cols;
    *maxCol = hiAt % cols;
    *minRow = loAt / cols;
    *minCol = loAt % cols;
    return kErrNone;
}
