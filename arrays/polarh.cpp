// Handle entry points of the conversions, in place on both handles: the
// first becomes the magnitudes (or real parts), the second the phases (or
// imaginary parts). Handles of different lengths give -20002 (before an
// empty pair's -20003) and both come back empty.
#include "detail.h"

using namespace orin;

namespace {

template <class Core>
MgErr convertInPlace(DoubleArrayHdl first, DoubleArrayHdl second, int32_t *error, Core core) {
    return runEntry(error, {first, second}, [&]() -> Outcome {
        const DoubleArrayView a(first), b(second);
        if (a.size() != b.size()) return kErrArraySizeMismatch;
        return core(a.data(), b.data(), a.size(), a.data(), b.data());
    });
}

}  // namespace

int32_t RectToPolar1D_head(DoubleArrayHdl re, DoubleArrayHdl im, int32_t *error) {
    return convertInPlace(re, im, error, ToPolar1D);
}

int32_t PolarToRect1D_head(DoubleArrayHdl magnitudes, DoubleArrayHdl phases, int32_t *error) {
    return convertInPlace(magnitudes, phases, error, ToRect1D);
}
