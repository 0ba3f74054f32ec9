// Two-sided power spectrum S[k] = |X[k]|^2 / n^2, in place.
#include <cmath>

#include "detail.h"

using namespace orin;

int32_t Sxx(double *x, int32_t n, int32_t m) {
    if (n < 1) return kErrNone;
    if (n == 1) {
        // One bin: the value squared, once.
        x[0] *= x[0];
        return kErrNone;
    }
    SpReFFT(x, n, m);
    // 1/n^2 = 2^(-2m) is exact: the scaling only shifts exponents.
    const double s = std::ldexp(1.0, -2 * m);
    x[0] = x[0] * x[0] * s;
    for (int32_t k = 1; k < n / 2; ++k) {
        const double p = (x[k] * x[k] + x[n - k] * x[n - k]) * s;
        x[k] = p;
        x[n - k] = p;
    }
    x[n / 2] = x[n / 2] * x[n / 2] * s;
    return kErrNone;
}

int32_t DSxx(DoubleArrayHdl h, int32_t n) {
    HostScratch<double> spare(n, Fill::kZeroed);
    if (!spare) return kErrOutOfMemory;
    double *x = DoubleArrayView(h).data(), *im = spare.data();
    if (const int32_t code = ReFFT(x, im, n)) return code;
    const double s = 1.0 / (static_cast<double>(n) * n);
    x[0] = x[0] * (x[0] * s);
    for (int32_t k = 1; k <= (n - 1) / 2; ++k) {
        const double p = (x[k] * x[k] + im[k] * im[k]) * s;
        x[k] = p;
        x[n - k] = p;
    }
    if (n % 2 == 0) x[n / 2] = s * x[n / 2] * x[n / 2];
    return kErrNone;
}
