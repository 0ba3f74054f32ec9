// Least-squares straight line and exponential, from the sums of the normal
// equations kept in extended precision.
#include <orin/fitting.h>

#include <cmath>

#include "../frame/kit.h"

using orin::extended;

// slope = (Sx Sy - n Sxy) / D, intercept = (Sxy Sx - Sxx Sy) / D with
// D = Sx^2 - n Sxx. All x equal make D zero: the coefficients are then not
// finite, which is the caller's to see (the data determine no line).
int32_t LinFitCoef(const double *x, const double *y, int32_t n, double *slope, double *intercept) {
    if (n < 2) return kErrTooFewSamples;
    extended sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int32_t i = 0; i < n; ++i) {
        sx += x[i];
        sy += y[i];
        sxx += static_cast<extended>(x[i]) * x[i];
        sxy += static_cast<extended>(x[i]) * y[i];
    }
    const extended d = sx * sx - n * sxx;
    *slope = static_cast<double>((sx * sy - n * sxy) / d);
    *intercept = static_cast<double>((sxy * sx - sxx * sy) / d);
    return kErrNone;
}

// y = amplitude e^(damping x): the line through (x, ln y). Negative data are
// fitted through their negation (the amplitude negated back), read with a
// sign rather than copied. Every value must then be strictly positive: a
// zero or a sign change has no logarithm and gives -20036, both outputs 0.
int32_t ExpFitCoef(const double *x, const double *y, int32_t n, double *amplitude, double *damping) {
    *amplitude = 0;
    *damping = 0;
    if (n < 2) return kErrTooFewSamples;
    const double sign = y[0] < 0 ? -1.0 : 1.0;
    extended sx = 0, sl = 0, sxx = 0, sxl = 0;
    for (int32_t i = 0; i < n; ++i) {
        const double v = sign * y[i];
        if (!(v > 0)) return kErrMixedSigns;
        const extended l = std::log(static_cast<extended>(v));
        sx += x[i];
        sl += l;
        sxx += static_cast<extended>(x[i]) * x[i];
        sxl += x[i] * l;
    }
    const extended b = (n * sxl - sx * sl) / (n * sxx - sx * sx);
    *damping = static_cast<double>(b);
    *amplitude = sign * static_cast<double>(std::exp((sl - b * sx) / n));
    return kErrNone;
}
