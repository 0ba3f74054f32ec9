// Chirp-z transform of a whole sequence (Bluestein, "A linear filtering
// approach to the computation of the discrete Fourier transform", IEEE
// Trans. AU-18, 1970; Rabiner, Schafer and Rader, 1969): the DFT of any
// length as a circular convolution of power-of-two length M.
#include <cstring>

#include "detail.h"

using namespace orin;
using namespace orin::tf;

namespace orin::tf {

void chirpConvolve(double *a, const double *W, int32_t M) {
    SplitRadixCxFFT(a, a + 1, M, 2);
    // Times W, then the inverse by conjugation, scaled by 1/M on the way in.
    const double f = 1.0 / M;
    for (ptrdiff_t k = 0; k < 2 * static_cast<ptrdiff_t>(M); k += 2) {
        const double ar = a[k], ai = a[k + 1];
        a[k] = (ar * W[k] - ai * W[k + 1]) * f;
        a[k + 1] = (ar * W[k + 1] + ai * W[k]) * -f;
    }
    SplitRadixCxFFT(a, a + 1, M, 2);
    for (ptrdiff_t k = 1; k < 2 * static_cast<ptrdiff_t>(M); k += 2) a[k] = -a[k];
}

void chirpZ(double *re, double *im, int32_t n, int32_t M, bool half, int32_t isReal, int32_t stride, double *work,
            double *copy) {
    // The work block holds the sequence a and the filter W, M complex values
    // each, interleaved so that the kernels move elements as one.
    double *a = work, *W = work + 2 * static_cast<ptrdiff_t>(M);
    double *cRe = re, *cIm = im;
    if (stride == 2) {
        cRe = copy;
        cIm = copy + n;
        for (int32_t i = 0; i < n; ++i) {
            cRe[i] = re[2 * static_cast<ptrdiff_t>(i)];
            cIm[i] = im[2 * static_cast<ptrdiff_t>(i)];
        }
    }
    for (int32_t i = 0; i < n; ++i) {
        a[2 * i] = cRe[i];
        a[2 * i + 1] = isReal ? 0.0 : cIm[i];
    }
    std::memset(a + 2 * static_cast<ptrdiff_t>(n), 0, sizeof(double) * 2 * (M - n));

    // The chirp replaces the input copy.
    fillChirp(n, M, cRe, cIm, W, W + 1, 2);
    for (int32_t i = 0; i < n; ++i) {
        const double ar = a[2 * i];
        a[2 * i] = ar * cRe[i] - a[2 * i + 1] * cIm[i];
        a[2 * i + 1] = ar * cIm[i] + a[2 * i + 1] * cRe[i];
    }
    chirpConvolve(a, W, M);

    // X[k] = c[k] a[k]. On the half-length real path only bins 0..n/2 are
    // right; the others are their exact conjugate mirrors.
    const int32_t top = half ? n / 2 + 1 : n;
    for (int32_t k = 0; k < top; ++k) {
        const double cr = cRe[k];
        cRe[k] = cr * a[2 * k] - cIm[k] * a[2 * k + 1];
        cIm[k] = cr * a[2 * k + 1] + cIm[k] * a[2 * k];
    }
    if (half) {
        for (int32_t k = 1; k <= (n - 1) / 2; ++k) {
            cRe[n - k] = cRe[k];
            cIm[n - k] = -cIm[k];
        }
    }
    if (stride == 2) {
        for (int32_t i = 0; i < n; ++i) {
            re[2 * static_cast<ptrdiff_t>(i)] = cRe[i];
            im[2 * static_cast<ptrdiff_t>(i)] = cIm[i];
        }
    }
}

}  // namespace orin::tf

int32_t SinglePrimeUsingChirpZ(double *re, double *im, int32_t n, int32_t M, int32_t isReal, int32_t stride) {
    if (n < 1) return kErrNone;
    // A convolution length that is not a power of two, or too short for the
    // circular convolution to hold the linear one, would give wrong bins.
    if (M < 1 || !isPowerOfTwo(M) || static_cast<int64_t>(M) < 2 * static_cast<int64_t>(n) - 1) return kErrBadArraySize;
    const bool half = chirpHalf(n, M, isReal);
    if (half) M /= 2;
    Scratch<double> work(4 * static_cast<int64_t>(M));
    if (!work) return kErrOutOfMemory;
    adviseLargePages(work.data(), work.size() * sizeof(double));
    Scratch<double> copy;
    if (stride == 2 && !copy.allocate(2 * static_cast<int64_t>(n))) return kErrOutOfMemory;
    chirpZ(re, im, n, M, half, isReal, stride, work.data(), copy.data());
    return kErrNone;
}
