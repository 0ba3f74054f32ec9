#include <orin/windows.h>

#include "detail.h"

// These entry points hand back the core routine's code as their result; with
// no error output to report through, a failed call leaves the signal as it was
// rather than discarding it.
namespace {

template <class Block, class Sample>
int32_t genCosWin(int32_t (*core)(Sample *, int32_t, const double *, int32_t, int32_t), Block **x,
                  DoubleArrayHdl coeffs, int32_t scaled) {
    const orin::HostArray<Block> v(x);
    const orin::DoubleArrayView a(coeffs);
    return core(v.data(), v.size(), a.data(), a.size(), scaled);
}

}  // namespace

int32_t GenCosWinH(DoubleArrayHdl x, DoubleArrayHdl coeffs) { return genCosWin(GenCosWin, x, coeffs, 0); }

int32_t ScaledGenCosWinH(DoubleArrayHdl x, DoubleArrayHdl coeffs) { return genCosWin(GenCosWin, x, coeffs, 1); }

int32_t CxGenCosWinH(ComplexArrayHdl x, DoubleArrayHdl coeffs) { return genCosWin(CxGenCosWin, x, coeffs, 0); }

int32_t ScaledCxGenCosWinH(ComplexArrayHdl x, DoubleArrayHdl coeffs) { return genCosWin(CxGenCosWin, x, coeffs, 1); }
