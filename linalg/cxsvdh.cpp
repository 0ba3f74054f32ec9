// Handle entry points of the complex SVD and the measures built on it.
#include <orin/linalg.h>

#include <algorithm>

#include "../frame/kit.h"

using namespace orin;

namespace {

int32_t checkComplex(const ComplexMatrixView &a) { return checkShape(a.rows(), a.cols(), sizeof(complexnum)); }

}  // namespace

int32_t CxSVD_head(ComplexMatrixHdl a, DoubleArrayHdl s, ComplexMatrixHdl v, int32_t *error) {
    ComplexMatrixView A(a), V(v);
    DoubleArrayView S(s);
    S.empty();
    V.empty();
    return runEntry(error, {A, S, V}, [&]() -> Outcome {
        ORIN_TRY(checkComplex(A));
        if (A.rows() < A.cols()) return kErrBadArraySize;
        ORIN_TRY(V.resize(A.cols(), A.cols()));
        ORIN_TRY(S.resize(A.cols()));
        return CxSVD(A.data(), A.rows(), A.cols(), S.data(), V.data());
    });
}

int32_t CxSVDS_head(ComplexMatrixHdl a, DoubleArrayHdl s, int32_t *error) {
    DoubleArrayView S(s);
    return runEntry(error, {S}, [&]() -> Outcome {
        const ComplexMatrixView A(a);
        ORIN_TRY(checkComplex(A));
        if (A.rows() < A.cols()) return kErrBadArraySize;
        ORIN_TRY(S.resize(A.cols()));
        return CxSVDS(A.data(), A.rows(), A.cols(), S.data());
    });
}

int32_t CxPseudoInverse_head(ComplexMatrixHdl a, const double *tol, int32_t *error) {
    ComplexMatrixView A(a);
    return runEntry(error, {A}, [&]() -> Outcome {
        const int32_t m = A.rows(), n = A.cols();
        ORIN_TRY(checkComplex(A));
        Scratch<complexnum> out(static_cast<int64_t>(m) * n);
        if (!out) return kErrOutOfMemory;
        ORIN_TRY(CxPseudoInverse(A.data(), m, n, *tol, out.data()));
        ORIN_TRY(A.resize(n, m));
        std::copy_n(out.data(), static_cast<size_t>(m) * n, A.data());
        return kErrNone;
    });
}

int32_t CxRank_head(ComplexMatrixHdl a, const double *tol, int32_t *rank, int32_t *error) {
    *rank = -1;
    return runEntry(error, {}, [&]() -> Outcome {
        const ComplexMatrixView A(a);
        ORIN_TRY(checkComplex(A));
        const int32_t code = CxRank(A.data(), A.rows(), A.cols(), *tol, rank);
        if (code != kErrNone) *rank = -1;
        return code;
    });
}

int32_t CxNorm_head(ComplexMatrixHdl a, const int32_t *normCode, double *out, int32_t *error) {
    return runEntry(error, {out}, [&]() -> Outcome {
        const ComplexMatrixView A(a);
        ORIN_TRY(checkComplex(A));
        return CxNorm(A.data(), A.rows(), A.cols(), *normCode, out);
    });
}

int32_t CxCondNumber_head(ComplexMatrixHdl a, const int32_t *normCode, double *cond, int32_t *error) {
    return runEntry(error, {cond}, [&]() -> Outcome {
        const ComplexMatrixView A(a);
        ORIN_TRY(checkComplex(A));
        return CxCondNumber(A.data(), A.rows(), A.cols(), *normCode, cond);
    });
}

int32_t CxGenLinEqs_head(ComplexMatrixHdl a, ComplexArrayHdl b, ComplexArrayHdl x, int32_t *error) {
    ComplexArrayView X(x);
    return runEntry(error, {X}, [&]() -> Outcome {
        const ComplexMatrixView A(a);
        const ComplexArrayView B(b);
        ORIN_TRY(checkComplex(A));
        if (B.size() != A.rows()) return kErrArraySizeMismatch;
        ORIN_TRY(X.resize(A.cols()));
        return CxGenLinEqs(A.data(), A.rows(), A.cols(), B.data(), X.data());
    });
}
