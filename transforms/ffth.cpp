// Handle wrappers of the FFT entry points. The power-of-two kernels want
// their doubles 8-byte aligned; a 1D block puts the elements 4 bytes past
// its start, so where that leaves them misaligned the data are shifted
// within the block rather than copied to scratch.
#include <cstring>

#include "detail.h"

using namespace orin;
using namespace orin::tf;

namespace {

bool aligned8(const void *p) { return reinterpret_cast<uintptr_t>(p) % 8 == 0; }

}  // namespace

int32_t FFTH(ComplexArrayHdl x) {
    ComplexArrayView a(x);
    const int32_t n = a.size();
    complexnum *e = a.data();
    if (n < 1) return kErrEmptyArray;
    if (aligned8(e) || !isPowerOfTwo(n)) return FFTCx(e, n);
    // Over the dimension word to the block start, and back.
    auto *start = reinterpret_cast<complexnum *>(*x);
    std::memmove(start, e, sizeof(complexnum) * static_cast<size_t>(n));
    const int32_t code = FFTCx(start, n);
    std::memmove(e, start, sizeof(complexnum) * static_cast<size_t>(n));
    (*x)->dimSize = n;
    return code;
}

int32_t InvFFTH(ComplexArrayHdl x) {
    ComplexArrayView a(x);
    if (a.size() < 1) return kErrBadArraySize;
    return InvFFTCx(a.data(), a.size());
}

int32_t ReInvFFTH(ComplexArrayHdl x) {
    ComplexArrayView a(x);
    if (a.size() < 1) return kErrBadArraySize;
    return ReInvFFTCx(a.data(), a.size());
}

int32_t ReFFTH(DoubleArrayHdl in, ComplexArrayHdl out) {
    const DoubleArrayView src(in);
    ComplexArrayView dst(out);
    return runCodeEntry({dst}, [&]() -> Outcome {
        const int32_t n = src.size();
        if (!dst.resize(n).ok()) return kErrOutOfMemory;
        if (n < 4 || !isPowerOfTwo(n)) {
            const double *r = src.data();
            complexnum *c = dst.data();
            for (int32_t i = 0; i < n; ++i) c[i].re = r[i];
            return ReFFTCx(c, n);
        }
        // The real transform in place in the output block, at an 8-byte
        // aligned place: the element area, or the block start over the
        // dimension word.
        auto *block = reinterpret_cast<uint8_t *>(*out);
        complexnum *c = dst.data();
        const bool useElements = aligned8(c) || reinterpret_cast<uintptr_t>(block) % 4 != 0;
        double *x = useElements ? reinterpret_cast<double *>(c) : reinterpret_cast<double *>(block);
        std::memmove(x, src.data(), sizeof(double) * static_cast<size_t>(n));
        SpReFFT(x, n, Log2(n));
        // Expand from the top down: out[n/2 .. n-1] lie beyond the packed
        // doubles, and the lower half is then mirrored from them.
        const int32_t h = n / 2;
        for (int32_t k = 1; k < h; ++k) c[n - k] = {x[k], -x[n - k]};
        c[h] = {x[h], 0};
        const double dc = x[0];
        for (int32_t k = 1; k < h; ++k) c[h - k] = {c[h + k].re, -c[h + k].im};
        c[0] = {dc, 0};
        (*out)->dimSize = n;
        return kErrNone;
    });
}
