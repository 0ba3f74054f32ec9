// The power spectrum's handle entry point.
#include "detail.h"

using namespace orin;
using namespace orin::tf;

int32_t Spectrum(DoubleArrayHdl x, int32_t *error) {
    *error = kErrNone;
    DoubleArrayView a(x);
    const int32_t n = a.size();
    const bool pow2 = isPowerOfTwo(n);
    if (n > (pow2 ? 8388608 : 4194303)) *error = kErrTooManySamples;
    else if (n < 1) *error = kErrSpectrumEmpty;
    if (*error) {
        a.empty();
        return 0;
    }
    if (pow2) return Sxx(a.data(), n, Log2(n));
    // A failure on the general path leaves the samples as they were.
    if (const int32_t code = DSxx(x, n)) {
        *error = kErrOutOfMemory;
        return code;
    }
    return 0;
}
