// Discrete Hilbert transform: the spectrum is multiplied by -i sgn(k), with
// DC and (for even n) the Nyquist bin set to zero (Oppenheim and Schafer,
// "Discrete-Time Signal Processing", sec. 12.4 on the discrete Hilbert
// transformer).
#include <cstring>

#include "detail.h"

using namespace orin;

int32_t FastHilbert(double *x, int32_t n, int32_t m, int32_t *status) {
    *status = kErrNone;
    if (n < 1) return kErrNone;
    SpReFFT(x, n, m);
    // In the packed spectrum bin k is (x[k], x[n-k]); times -i it becomes
    // (x[n-k], -x[k]).
    x[0] = 0;
    for (int32_t k = 1; k < n / 2; ++k) {
        const double re = x[k];
        x[k] = x[n - k];
        x[n - k] = -re;
    }
    x[n / 2] = 0;
    return SpReInvFFT(x, n, m);
}

int32_t DisHilbert(DoubleArrayHdl h, int32_t n, int32_t *status) {
    *status = kErrNone;
    HostScratch<double> spare(n, Fill::kZeroed);
    if (!spare) return *status = kErrOutOfMemory;
    double *x = DoubleArrayView(h).data(), *im = spare.data();
    if (const int32_t code = ReFFT(x, im, n)) return *status = code;
    // -i X[k] above DC, +i X[k] below: the real parts (in im from now on)
    // change sign in the upper half, the imaginary parts (in x) in the lower.
    x[0] = 0;
    for (int32_t k = 1; k <= (n - 1) / 2; ++k) {
        x[k] = -x[k];
        im[n - k] = -im[n - k];
    }
    if (n % 2 == 0) x[n / 2] = 0;
    if (const int32_t code = InvFFT(im, x, n)) return *status = code;
    std::memmove(x, im, sizeof(double) * static_cast<size_t>(n));
    return kErrNone;
}
