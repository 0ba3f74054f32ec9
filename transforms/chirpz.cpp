// Chirp-z transform of a whole sequence (Bluestein, "A linear filtering
// approach to the computation of the discrete Fourier transform", IEEE
// Trans. AU-18, 1970; Rabiner, Schafer and Rader, 1969): the DFT of any
// length as a circular convolution of power-of-two length M.
#include <cstring>

#include "detail.h"

using namespace orin;
using namespace orin::tf;

namespace orin::tf {

void chirpZ(double *re, double *im, int32_t n, int32_t M, bool half, int32_t isReal, int32_t stride, double *work,
            double *copy) {
    double *aRe = work, *aIm = work + M, *WRe = work + 2 * static_cast<ptrdiff_t>(M),
           *WIm = work + 3 * static_cast<ptrdiff_t>(M);
    double *cRe = re, *cIm = im;
    if (stride == 2) {
        cRe = copy;
        cIm = copy + n;
        for (int32_t i = 0; i < n; ++i) {
            cRe[i] = re[2 * static_cast<ptrdiff_t>(i)];
            cIm[i] = im[2 * static_cast<ptrdiff_t>(i)];
        }
    }
    std::memcpy(aRe, cRe, sizeof(double) * n);
    if (isReal) std::memset(aIm, 0, sizeof(double) * n);
    else std::memcpy(aIm, cIm, sizeof(double) * n);
    std::memset(aRe + n, 0, sizeof(double) * (M - n));
    std::memset(aIm + n, 0, sizeof(double) * (M - n));

    // The chirp replaces the input copy.
    initChirp(n, M, cRe, cIm, WRe, WIm);
    CxMul1D(aRe, aIm, cRe, cIm, n, aRe, aIm);
    SplitRadixCxFFT(aRe, aIm, M, 1);
    CxMul1D(aRe, aIm, WRe, WIm, M, aRe, aIm);
    SplitRadixCxInvFFT(aRe, aIm, M);

    // X[k] = c[k] a[k]. On the half-length real path only bins 0..n/2 are
    // right; the others are their exact conjugate mirrors.
    const int32_t top = half ? n / 2 + 1 : n;
    CxMul1D(cRe, cIm, aRe, aIm, top, cRe, cIm);
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
    if (M < 1 || !isPowerOfTwo(M) || static_cast<int64_t>(M) < 2 * static_cast<int64_t>(n) - 1)
        return kErrBadArraySize;
    const bool half = chirpHalf(n, M, isReal);
    if (half) M /= 2;
    Scratch<double> work(4 * static_cast<int64_t>(M));
    if (!work) return kErrOutOfMemory;
    Scratch<double> copy;
    if (stride == 2 && !copy.allocate(2 * static_cast<int64_t>(n))) return kErrOutOfMemory;
    chirpZ(re, im, n, M, half, isReal, stride, work.data(), copy.data());
    return kErrNone;
}
