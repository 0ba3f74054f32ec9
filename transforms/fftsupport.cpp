// Support helpers of the transforms: the exponent of a length, zero padding
// to a power of two, and the element-wise complex product.
#include "detail.h"

using namespace orin;

int32_t Log2(int32_t n) {
    // Doubling in 64 bits: p passes 2^31 for any int32 n without overflowing.
    int64_t p = 1;
    int32_t e = -1;
    while (p <= n) {
        p *= 2;
        ++e;
    }
    return e;
}

int32_t ZeroPad(DoubleArrayHdl h) {
    DoubleArrayView a(h);
    const int32_t n = a.size();
    if (n < 1) return kMgNoErr;
    const int32_t e = Log2(n) + 1;
    // 2^31 and beyond cannot be counted in the dimension word.
    if (e > 30) return kMgFullErr;
    const int32_t M = int32_t{1} << e;
    const Outcome r = a.resize(M);
    if (!r.ok()) return r.status.value;
    double *x = a.data();
    for (int32_t i = n; i < M; ++i) x[i] = 0;
    return kMgNoErr;
}

int32_t CxMul1D(const double *xRe, const double *xIm, const double *yRe, const double *yIm, int32_t n, double *outRe,
                double *outIm) {
    if (n < 1) return kErrEmptyArray;
    // The real part of x is saved first, so out may be x itself.
    for (int32_t i = 0; i < n; ++i) {
        const double xr = xRe[i];
        outRe[i] = xr * yRe[i] - xIm[i] * yIm[i];
        outIm[i] = xr * yIm[i] + xIm[i] * yRe[i];
    }
    return kErrNone;
}
