// CIN entry points of the normalisations, in place. The order of the scalar
// outputs differs between forms (Norm1: sd then mean; Scale1DCIN: offset then
// scale; Scale: scale then offset), as callers have always wired them.
#include "detail.h"

using namespace orin;

int32_t Norm1(DoubleArrayHdl x, double *sd, double *mean, int32_t *error) {
    return runEntry(error, {x, sd, mean}, [&]() -> Outcome {
        const DoubleArrayView v(x);
        if (v.size() < 1) return kErrEmptyArray;
        return Normal1D(v.data(), v.size(), v.data(), mean, sd);
    });
}

int32_t Scale1DCIN(DoubleArrayHdl x, double *offset, double *scale, int32_t *error) {
    return runEntry(error, {x, offset, scale}, [&]() -> Outcome {
        const DoubleArrayView v(x);
        return Scale1D(v.data(), v.size(), v.data(), offset, scale);
    });
}

int32_t Scale(DoubleMatrixHdl x, double *scale, double *offset, int32_t *error) {
    return runEntry(error, {x, scale, offset}, [&]() -> Outcome {
        const Matrix m = matrixOf(DoubleMatrixView(x));
        return Scale2D(m.data(), m.rows(), m.cols(), m.data(), offset, scale);
    });
}

int32_t QS1D(DoubleArrayHdl x, double *scale, int32_t *error) {
    return runEntry(error, {x, scale}, [&]() -> Outcome {
        const DoubleArrayView v(x);
        return QScale1D(v.data(), v.size(), v.data(), scale);
    });
}
