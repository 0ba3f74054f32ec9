// The root finder's entry point, in place: the coefficient handle becomes
// the finite roots (the degree's worth; roots at infinity from zero leading
// coefficients are left out), or empty on failure.
#include <orin/fitting.h>

#include <cmath>

#include "../frame/kit.h"

using namespace orin;

int32_t CxPolyRoots_head(ComplexArrayHdl coefficients, const int32_t *control, int32_t *error) {
    ComplexArrayView a(coefficients);
    return runEntry(error, {a}, [&]() -> Outcome {
        const int32_t n = a.size();
        if (n < 1) return kErrEmptyArray;
        // The roots overwrite the coefficients, which are read throughout.
        Scratch<complexnum> copy(n);
        if (!copy) return kErrOutOfMemory;
        for (int32_t i = 0; i < n; ++i) copy[i] = a.data()[i];
        ORIN_TRY(CxPolyRoots(copy.data(), n, *control, a.data()));
        int32_t count = n - 1;
        while (count > 0 && std::isinf(a.data()[count - 1].re)) --count;
        return a.resize(count);
    });
}
