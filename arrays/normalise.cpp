// Normalisation and scaling; out may be x. Degenerate data (a constant or
// all-zero array) are not errors: they give infinite or NaN outputs.
#include <orin/statistics.h>

#include <cmath>

#include "detail.h"

using orin::extended;
using orin::arrays::elementCount;

namespace {

// out = (x - offset) * (1 / scale), the reciprocal taken once.
void shiftAndScale(const double *x, int32_t n, double offset, double scale, double *out) {
    const double r = 1 / scale;
    for (int32_t i = 0; i < n; ++i) out[i] = (x[i] - offset) * r;
}

}  // namespace

// out = (x - mean) / sd, with the mean and the population standard deviation.
int32_t Normal1D(const double *x, int32_t n, double *out, double *mean, double *sd) {
    double m = 0, s = 0;
    if (const int32_t code = StdDev(x, n, &m, &s)) return code;
    shiftAndScale(x, n, m, s, out);
    *mean = m;
    *sd = s;
    return kErrNone;
}

int32_t Normal2D(const double *x, int32_t rows, int32_t cols, double *out, double *mean, double *sd) {
    int32_t n = 0;
    if (const int32_t code = elementCount(rows, cols, &n)) return code;
    return Normal1D(x, n, out, mean, sd);
}

// Into [-1, 1] by the range: scale is half the range, offset its middle.
// Both are formed in extended precision, so a range wider than the largest
// double (max - min overflowing) still scales.
int32_t Scale1D(const double *x, int32_t n, double *out, double *offset, double *scale) {
    double max = 0, min = 0;
    int32_t at = 0;
    if (const int32_t code = MaxMin1D(x, n, &max, &at, &min, &at)) return code;
    const extended half = (static_cast<extended>(max) - min) * 0.5L;
    const double s = static_cast<double>(half), o = static_cast<double>(half + min);
    shiftAndScale(x, n, o, s, out);
    *offset = o;
    *scale = s;
    return kErrNone;
}

int32_t Scale2D(const double *x, int32_t rows, int32_t cols, double *out, double *offset, double *scale) {
    int32_t n = 0;
    if (const int32_t code = elementCount(rows, cols, &n)) return code;
    return Scale1D(x, n, out, offset, scale);
}

// By the largest magnitude (from 0, replaced only by a strictly larger one);
// the scale is written last.
int32_t QScale1D(const double *x, int32_t n, double *out, double *scale) {
    if (n < 1) return kErrEmptyArray;
    double s = 0;
    for (int32_t i = 0; i < n; ++i)
        if (std::fabs(x[i]) > s) s = std::fabs(x[i]);
    const double r = 1 / s;
    for (int32_t i = 0; i < n; ++i) out[i] = x[i] * r;
    *scale = s;
    return kErrNone;
}

int32_t QScale2D(const double *x, int32_t rows, int32_t cols, double *out, double *scale) {
    int32_t n = 0;
    if (const int32_t code = elementCount(rows, cols, &n)) return code;
    return QScale1D(x, n, out, scale);
}

// x / ||x||, in place; the norm is summed in extended precision, so it
// neither overflows nor underflows for any finite x.
int32_t UnitVector(double *x, int32_t n, double *norm) {
    if (n < 1) return kErrEmptyArray;
    const double length = static_cast<double>(std::sqrt(orin::sumOfSquaresExtended(x, n)));
    *norm = length;
    const double r = 1 / length;
    for (int32_t i = 0; i < n; ++i) x[i] *= r;
    return kErrNone;
}
