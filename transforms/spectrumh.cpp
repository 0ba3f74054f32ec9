// The power spectrum's handle entry point.
#include "detail.h"

using namespace orin;
using namespace orin::tf;

int32_t Spectrum(DoubleArrayHdl x, int32_t *error) {
    // A failure on the general path leaves the samples as they were.
    return runEntry(error, {Output(x).keepOn({kErrOutOfMemory})}, [&]() -> Outcome {
        DoubleArrayView a(x);
        const int32_t n = a.size();
        const bool pow2 = isPowerOfTwo(n);
        if (n > (pow2 ? 8388608 : 4194303)) return kErrTooManySamples;
        if (n < 1) return kErrSpectrumEmpty;
        if (pow2) return Sxx(a.data(), n, Log2(n));
        // The entry point hands DSxx's own code back as its value.
        if (const int32_t code = DSxx(x, n)) return Outcome::refused(HostStatus(code));
        return kErrNone;
    });
}
