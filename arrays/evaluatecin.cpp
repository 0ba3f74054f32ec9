// The 1D linear evaluation's CIN entry point, in place (b before a).
#include "detail.h"

using namespace orin;

int32_t Line1(DoubleArrayHdl x, const double *b, const double *a, int32_t *error) {
    return runEntry(error, {x}, [&]() -> Outcome {
        const DoubleArrayView v(x);
        if (v.size() < 1) return kErrEmptyArray;
        return LinEv1D(v.data(), v.size(), *a, *b, v.data());
    });
}
