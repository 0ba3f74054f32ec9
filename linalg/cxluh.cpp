// Handle entry points of the complex LU family.
#include <orin/linalg.h>

#include "detail.h"

using namespace orin;

namespace {

// The factors of an n x n matrix with their n-entry permutation.
int32_t checkFactors(const ComplexMatrixView &lu, const Int32ArrayView &perm) {
    if (const int32_t code = linalg::checkSquare(lu)) return code;
    if (perm.size() != lu.rows()) return kErrArraySizeMismatch;
    return linalg::checkPermutation(perm, lu.rows());
}

}  // namespace

int32_t CxLU_head(ComplexMatrixHdl a, Int32ArrayHdl perm, int32_t *parity, int32_t *error) {
    ComplexMatrixView A(a);
    Int32ArrayView P(perm);
    return runEntry(error, {A, P, parity}, [&]() -> Outcome {
        ORIN_TRY(linalg::checkSquare(A));
        ORIN_TRY(P.resize(A.rows()));
        return CxLU(A.data(), A.rows(), P.data(), parity);
    });
}

int32_t CxLULinEqs_head(ComplexMatrixHdl lu, Int32ArrayHdl perm, ComplexArrayHdl b, int32_t *error) {
    ComplexArrayView B(b);
    return runEntry(error, {B}, [&]() -> Outcome {
        const ComplexMatrixView L(lu);
        ORIN_TRY(checkFactors(L, Int32ArrayView(perm)));
        if (B.size() != L.rows()) return kErrArraySizeMismatch;
        return CxLULinEqs(L.data(), Int32ArrayView(perm).data(), B.data(), L.rows(), B.data());
    });
}

int32_t CLUInvMatrix_head(ComplexMatrixHdl lu, Int32ArrayHdl perm, int32_t *error) {
    ComplexMatrixView L(lu);
    return runEntry(error, {L}, [&]() -> Outcome {
        ORIN_TRY(checkFactors(L, Int32ArrayView(perm)));
        return CxLUInvMatrix(L.data(), Int32ArrayView(perm).data(), L.rows(), L.data());
    });
}
