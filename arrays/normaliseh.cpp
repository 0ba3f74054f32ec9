// Handle entry points of the 2D normalisations and the unit vector, in place.
#include "detail.h"

using namespace orin;

int32_t Norm2(DoubleMatrixHdl x, double *mean, double *sd, int32_t *error) {
    return runEntry(error, {x, mean, sd}, [&]() -> Outcome {
        const Matrix m = matrixOf(DoubleMatrixView(x));
        return Normal2D(m.data(), m.rows(), m.cols(), m.data(), mean, sd);
    });
}

int32_t QScale(DoubleMatrixHdl x, double *scale, int32_t *error) {
    return runEntry(error, {x, scale}, [&]() -> Outcome {
        const Matrix m = matrixOf(DoubleMatrixView(x));
        return QScale2D(m.data(), m.rows(), m.cols(), m.data(), scale);
    });
}

int32_t UnitVector_head(DoubleArrayHdl x, double *norm, int32_t *error) {
    return runEntry(error, {x, norm}, [&]() -> Outcome {
        const DoubleArrayView v(x);
        if (v.size() < 1) return kErrEmptyArray;
        return UnitVector(v.data(), v.size(), norm);
    });
}
