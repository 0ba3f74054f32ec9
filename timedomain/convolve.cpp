#include <orin/transforms.h>

#include <algorithm>

#include "convdetail.h"

namespace orin::conv {

namespace {

// Smallest power of two at or above n, or 0 beyond 2^30 (the largest length
// a dimension word and the real FFT take).
int64_t fftLength(int64_t n) {
    int64_t N = 1;
    while (N < n) N *= 2;
    return N > (int64_t{1} << 30) ? 0 : N;
}

// Each output is one dot product over the overlap of the two sequences,
// accumulated in extended precision and rounded once: the error of every
// output is at most about (terms) eps times sum |u_i y_(k-i)|.
void direct(const double *x, int32_t nx, const double *y, int32_t ny, bool reverseX, double *out) {
    const int64_t L = int64_t{nx} + ny - 1;
    for (int64_t k = 0; k < L; ++k) {
        const int64_t lo = std::max<int64_t>(0, k - (ny - 1)), hi = std::min<int64_t>(k, nx - 1);
        extended acc = 0;
        if (reverseX) {
            for (int64_t i = lo; i <= hi; ++i) acc += static_cast<extended>(x[nx - 1 - i]) * y[k - i];
        } else {
            for (int64_t i = lo; i <= hi; ++i) acc += static_cast<extended>(x[i]) * y[k - i];
        }
        out[k] = static_cast<double>(acc);
    }
}

// Linear convolution as a circular one of length N >= nx + ny - 1 (no
// wrap-around), by the real split-radix FFT: two forward transforms, the
// bin-by-bin product and one inverse. N is at most 2^30: checkLengths() turned
// longer lengths away.
int32_t viaFFT(const double *x, int32_t nx, const double *y, int32_t ny, bool reverseX, double *out) {
    const int64_t L = int64_t{nx} + ny - 1, N = fftLength(L);
    Scratch<double> work(2 * N, Fill::kZeroed);
    if (!work) return kErrOutOfMemory;
    double *a = work.data(), *b = work.data() + N;
    if (reverseX) std::reverse_copy(x, x + nx, a);
    else std::copy(x, x + nx, a);
    std::copy(y, y + ny, b);
    const int32_t n = static_cast<int32_t>(N), m = Log2(n);
    SpReFFT(a, n, m);
    SpReFFT(b, n, m);
    ReFFTMultiply(a, b, n);
    SpReInvFFT(a, n, m);
    std::copy(a, a + L, out);
    return kErrNone;
}

}  // namespace

// Direct: nx*ny extended multiply-adds. FFT: three real transforms of length
// N, about 2.5 N log2 N flops each in double, plus the copies. The factor
// favours the direct sum (more accurate per output) until the FFT is clearly
// cheaper; bench/conv_bench.cpp shows the crossover.
bool prefersFFT(int64_t nx, int64_t ny) {
    const int64_t N = fftLength(nx + ny - 1);
    if (N == 0) return false;
    int64_t logN = 0;
    while ((int64_t{1} << logN) < N) ++logN;
    return static_cast<double>(nx) * static_cast<double>(ny) > 4.0 * static_cast<double>(N) * (logN + 1);
}

int32_t checkLengths(int64_t nx, int64_t ny, Path path) {
    if (nx < 1 || ny < 1) return kErrEmptyArray;
    if (path == Path::kFFT && fftLength(nx + ny - 1) == 0) return kErrOutOfMemory;
    return kErrNone;
}

int32_t linear(const double *x, int32_t nx, const double *y, int32_t ny, bool reverseX, double *out, Path path) {
    if (const int32_t code = checkLengths(nx, ny, path)) return code;
    const bool fft = path == Path::kFFT || (path == Path::kAuto && prefersFFT(nx, ny));
    if (fft) return viaFFT(x, nx, y, ny, reverseX, out);
    direct(x, nx, y, ny, reverseX, out);
    return kErrNone;
}

}  // namespace orin::conv

int32_t Convolve(const double *x, int32_t nx, const double *y, int32_t ny, double *out) {
    return orin::conv::linear(x, nx, y, ny, false, out, orin::conv::Path::kAuto);
}

void ReFFTMultiply(double *a, const double *b, int32_t N) {
    if (N < 1) return;
    a[0] *= b[0];
    for (int32_t k = 1; k < N / 2; ++k) {
        const double ar = a[k], ai = a[N - k], br = b[k], bi = b[N - k];
        a[k] = ar * br - ai * bi;
        a[N - k] = ai * br + ar * bi;
    }
    if (N >= 2) a[N / 2] *= b[N / 2];
}
