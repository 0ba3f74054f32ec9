// Two-sided cross power spectrum Sxy[k] = conj(X[k]) Y[k] / n^2, in place:
// real parts over x, imaginary parts over y.
#include <cmath>

#include "detail.h"

using namespace orin;
using namespace orin::tf;

int32_t ReSize(DoubleArrayHdl h, int32_t n, int32_t *status) {
    *status = kMgNoErr;
    DoubleArrayView a(h);
    const int32_t old = a.size();
    if (n <= old) return *status;
    const Outcome r = a.resize(n);
    if (!r.ok()) return *status = r.status.value;
    double *x = a.data();
    for (int32_t i = old; i < n; ++i) x[i] = 0;
    return *status;
}

int32_t Sxy_FFT(double *x, double *y, int32_t n, int32_t m) {
    if (n < 1) return kErrNone;
    SpReFFT(x, n, m);
    SpReFFT(y, n, m);
    const double s = 1.0 / (static_cast<double>(n) * n);
    x[0] = y[0] * s * x[0];
    y[0] = 0;
    if (n == 1) return kErrNone;  // bin n/2 would be bin 0 again
    for (int32_t k = 1; k < n / 2; ++k) {
        const double a = x[k], b = x[n - k], c = y[k], d = y[n - k];
        x[k] = (a * c + b * d) * s;
        y[k] = (a * d - b * c) * s;
        x[n - k] = x[k];
        y[n - k] = -y[k];
    }
    x[n / 2] = y[n / 2] * s * x[n / 2];
    y[n / 2] = 0;
    return kErrNone;
}

int32_t Sxy_DFT(DoubleArrayHdl xh, DoubleArrayHdl yh, int32_t n, int32_t *status) {
    *status = kErrNone;
    HostScratch<double> xIm(n, Fill::kZeroed);
    if (!xIm) return *status = kErrOutOfMemory;
    HostScratch<double> yIm(n, Fill::kZeroed);
    if (!yIm) return *status = kErrOutOfMemory;
    double *x = DoubleArrayView(xh).data(), *y = DoubleArrayView(yh).data();
    if (const int32_t code = ReFFT(x, xIm.data(), n)) return *status = code;
    if (const int32_t code = ReFFT(y, yIm.data(), n)) return *status = code;
    const double s = 1.0 / (static_cast<double>(n) * n);
    x[0] = y[0] * s * x[0];
    y[0] = 0;
    // Im X[k] and Im Y[k] come from the scratch arrays at index k.
    for (int32_t k = 1; k <= (n - 1) / 2; ++k) {
        const double a = x[k], b = xIm[k], c = y[k], d = yIm[k];
        x[k] = (a * c + b * d) * s;
        y[k] = (a * d - b * c) * s;
        x[n - k] = x[k];
        y[n - k] = -y[k];
    }
    if (n % 2 == 0) {
        x[n / 2] = y[n / 2] * s * x[n / 2];
        y[n / 2] = 0;
    }
    return kErrNone;
}

int32_t Cross_Power(DoubleArrayHdl x, DoubleArrayHdl y, int32_t *status) {
    *status = kErrNone;
    const int32_t nx = DoubleArrayView(x).size(), ny = DoubleArrayView(y).size();
    if (nx < ny) ReSize(x, ny, status);
    else if (ny < nx) ReSize(y, nx, status);
    if (*status) return *status;
    const int32_t n = nx > ny ? nx : ny;
    if (isPowerOfTwo(n)) return Sxy_FFT(DoubleArrayView(x).data(), DoubleArrayView(y).data(), n, Log2(n));
    return Sxy_DFT(x, y, n, status);
}
