// Handle entry points of the evaluations, in place. The coefficient handle
// is an input and is never emptied.
#include "detail.h"

using namespace orin;

int32_t LinEv(DoubleMatrixHdl x, const double *a, const double *b, int32_t *error) {
    return runEntry(error, {x}, [&]() -> Outcome {
        const Matrix m = matrixOf(DoubleMatrixView(x));
        if (m.rows() < 1 || m.cols() < 1) return kErrEmptyArray;
        return LinEv2D(m.data(), m.rows(), m.cols(), *a, *b, m.data());
    });
}

int32_t PolyEv(DoubleArrayHdl x, DoubleArrayHdl coeffs, int32_t *error) {
    return runEntry(error, {x}, [&]() -> Outcome {
        const DoubleArrayView v(x), c(coeffs);
        if (v.size() < 1) return kErrEmptyArray;
        return PolyEv1D(v.data(), v.size(), c.data(), c.size(), v.data());
    });
}

int32_t EvPoly2D(DoubleMatrixHdl x, DoubleArrayHdl coeffs, int32_t *error) {
    return runEntry(error, {x}, [&]() -> Outcome {
        const Matrix m = matrixOf(DoubleMatrixView(x));
        const DoubleArrayView c(coeffs);
        return PolyEv2D(m.data(), m.rows(), m.cols(), c.data(), c.size(), m.data());
    });
}
