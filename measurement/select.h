// Choosing the pulse, edge or cycle that an occurrence names.
#ifndef ORIN_MEASUREMENT_SELECT_H
#define ORIN_MEASUREMENT_SELECT_H

#include <cstdint>

#include "engine.h"

namespace orin::meas {

// A number of list records to ask for, computed in 64 bits and kept within
// int32: a request that large is never satisfied, and one below 1 is refused
// by the list.
inline int32_t recordsWanted(int64_t n) {
    return n > INT32_MAX ? INT32_MAX : n < INT32_MIN ? INT32_MIN : static_cast<int32_t>(n);
}

// Index of the k-th record of the given slope in a list whose slopes
// alternate, so that `after` more records follow it among the `found`
// available; -1 when there is none. Among the first 2k records it is record
// 2k - 2 when that one has the slope, else record 2k - 1.
template <class Record>
int64_t selectBySlope(const Record *records, int32_t found, int64_t k, int32_t slope, int32_t after) {
    const int64_t even = 2 * k - 2;
    if (even >= 0 && found >= even + 1 + after && records[even].slope == slope) return even;
    const int64_t odd = 2 * k - 1;
    if (odd >= 0 && found >= odd + 1 + after) return odd;
    return -1;
}

// Largest and smallest sample of x[first..last]: the first sample starts
// both, a larger sample replaces the maximum, else a smaller the minimum.
inline void windowExtremes(const double *x, int64_t first, int64_t last, double *largest, double *smallest) {
    double hi = x[first], lo = x[first];
    for (int64_t i = first + 1; i <= last; ++i) {
        if (x[i] > hi) hi = x[i];
        else if (x[i] < lo) lo = x[i];
    }
    *largest = hi;
    *smallest = lo;
}

// The middle of two sample indices, truncated toward zero.
inline int64_t midIndex(int64_t a, int64_t b) { return (a + b) / 2; }

// Cursor ordinates of a measurement on the middle level: the band's lower
// edge, the level, the band's upper edge.
inline void bandOrdinates(tCursorStruct &c, double mid, double h) {
    c.y1 = mid - h;
    c.y2 = mid;
    c.y3 = mid + h;
}

}  // namespace orin::meas

#endif  // ORIN_MEASUREMENT_SELECT_H
