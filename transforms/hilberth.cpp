// The Hilbert transform's handle entry point.
#include "detail.h"

using namespace orin;
using namespace orin::tf;

int32_t Hilbert(DoubleArrayHdl x, int32_t *error) {
    return runEntry(error, {x}, [&]() -> Outcome {
        DoubleArrayView a(x);
        const int32_t n = a.size();
        const bool pow2 = isPowerOfTwo(n);
        if (n < 2) return kErrTooFewSamples;
        if (n > (pow2 ? 524288 : 262143)) return kErrTooManySamples;
        int32_t status = kErrNone;
        if (pow2) FastHilbert(a.data(), n, Log2(n), &status);
        else DisHilbert(x, n, &status);
        return status ? kErrOutOfMemory : kErrNone;
    });
}
