#include <algorithm>

#include "convdetail.h"

namespace {

using orin::DoubleArrayView;
using orin::Outcome;

// Convolution and cross-correlation share everything but the reversal of x.
// The output handle is resized before the inputs are read; when the host
// passes an input handle as the output too, that input is copied first.
Outcome linearEntry(DoubleArrayHdl xHandle, DoubleArrayHdl yHandle, DoubleArrayHdl outHandle, int32_t selector,
                    bool reverseX) {
    const DoubleArrayView x(xHandle), y(yHandle);
    DoubleArrayView out(outHandle);
    const int32_t nx = x.size(), ny = y.size();
    if (nx < 1 || ny < 1) return kErrEmptyArray;
    if (selector != 0 && selector != 1) return kErrInvalidSelector;
    const auto path = selector == 1 ? orin::conv::Path::kFFT : orin::conv::Path::kAuto;
    if (const int32_t code = orin::conv::checkLengths(nx, ny, path)) return code;
    // Dimension words near 2^31 give a length no dimension word can hold.
    const int64_t L = int64_t{nx} + ny - 1;
    if (L > INT32_MAX) return kErrOutOfMemory;
    orin::Scratch<double> xCopy, yCopy;
    const double *xs = x.data(), *ys = y.data();
    if (outHandle == xHandle) {
        if (!xCopy.allocate(nx)) return kErrOutOfMemory;
        std::copy(xs, xs + nx, xCopy.data());
        xs = xCopy.data();
    }
    if (outHandle == yHandle) {
        if (!yCopy.allocate(ny)) return kErrOutOfMemory;
        std::copy(ys, ys + ny, yCopy.data());
        ys = yCopy.data();
    }
    ORIN_TRY(out.resize(static_cast<int32_t>(L)));
    // Re-read the pointers: the resize may have moved an aliased block.
    if (outHandle != xHandle) xs = x.data();
    if (outHandle != yHandle) ys = y.data();
    return orin::conv::linear(xs, nx, ys, ny, reverseX, out.data(), path);
}

}  // namespace

int32_t Convolution(DoubleArrayHdl x, DoubleArrayHdl y, DoubleArrayHdl out, const int32_t *selector, int32_t *error) {
    return orin::runEntry(error, {out}, [&] { return linearEntry(x, y, out, *selector, false); });
}

int32_t Rxy(DoubleArrayHdl x, DoubleArrayHdl y, DoubleArrayHdl out, const int32_t *selector, int32_t *error) {
    return orin::runEntry(error, {out}, [&] { return linearEntry(x, y, out, *selector, true); });
}
