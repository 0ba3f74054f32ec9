// Entry points of the general least-squares fit and the Levenberg–Marquardt
// step.
#include <orin/fitting.h>

#include <cmath>

#include "../frame/kit.h"

using namespace orin;

// H (n x k) and y (n) give coef (k). With covarianceFlag 1 the covariance
// (k x k) is written over H's storage and H is returned as k x k; in every
// other case H comes back 0 x 0, and coef is emptied on failure. A flag
// other than 0 or 1 fits nothing: both come back empty with error 0.
int32_t GenLSFit_head(DoubleMatrixHdl hHandle, DoubleArrayHdl yHandle, DoubleArrayHdl sigmaHandle,
                      DoubleArrayHdl coefHandle, const int32_t *algorithm, const int32_t *covarianceFlag,
                      int32_t *error) {
    DoubleMatrixView h(hHandle);
    DoubleArrayView coef(coefHandle);
    return runEntry(error, {h, coef}, [&]() -> Outcome {
        const DoubleArrayView y(yHandle), sigma(sigmaHandle);
        const Matrix design = matrixOf(h);
        const int32_t n = design.rows(), k = design.cols();
        if (y.size() != n) return kErrArraySizeMismatch;
        ORIN_TRY(coef.resize(k));
        if (sigma.size() > 0 && sigma.size() < n) return kErrArraySizeMismatch;
        if (*covarianceFlag != 0 && *covarianceFlag != 1) {
            coef.empty();
            h.empty();
            return kErrNone;
        }
        const bool withCovariance = *covarianceFlag == 1;
        ORIN_TRY(GenLSFitCoef(design.data(), n, k, y.data(), sigma.size() > 0 ? sigma.data() : nullptr, coef.data(),
                              withCovariance ? design.data() : nullptr, *algorithm));
        if (!withCovariance) {
            h.empty();
            return kErrNone;
        }
        // The covariance fills the leading k*k elements; shrinking keeps them.
        return h.resize(k, k);
    });
}

// coef (k) is updated in place from alpha (k x k) and beta (k); a step that
// leaves any coefficient NaN (a damped matrix that is not positive
// definite) is reported as singular, and coef emptied.
int32_t GetNewCoef_head(DoubleArrayHdl coefHandle, DoubleMatrixHdl alphaHandle, DoubleArrayHdl betaHandle,
                        const double *lambda, int32_t *error) {
    DoubleArrayView coef(coefHandle);
    return runEntry(error, {coef}, [&]() -> Outcome {
        const int32_t k = coef.size();
        const Matrix alpha = matrixOf(DoubleMatrixView(alphaHandle));
        const DoubleArrayView beta(betaHandle);
        if (k < 1 || alpha.rows() != k || alpha.cols() != k || beta.size() != k) return kErrEmptyArray;
        ORIN_TRY(GetNewCoef(alpha.data(), beta.data(), k, *lambda, coef.data()));
        for (int32_t i = 0; i < k; ++i)
            if (std::isnan(coef.data()[i])) return kErrSingularMatrix;
        return kErrNone;
    });
}
