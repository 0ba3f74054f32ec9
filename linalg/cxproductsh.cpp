// Handle entry points of the complex products and trace.
#include <orin/linalg.h>

#include "detail.h"

using namespace orin;

int32_t AxVectorCx(ComplexMatrixHdl a, ComplexArrayHdl x, ComplexArrayHdl y, int32_t *error) {
    ComplexArrayView out(y);
    return runEntry(error, {out}, [&]() -> Outcome {
        const ComplexMatrixView A(a);
        const ComplexArrayView X(x);
        ORIN_TRY(checkShape(A.rows(), A.cols(), sizeof(complexnum)));
        if (X.size() < 1) return kErrEmptyArray;
        ORIN_TRY(requireConformable(A.cols(), X.size()));
        return linalg::productInto(
            out, y == x, A.rows(), [&] { return out.resize(A.rows()); },
            [&](complexnum *dest) { return AxVectCx(A.data(), A.rows(), A.cols(), X.data(), dest); });
    });
}

int32_t DotprodCx(ComplexArrayHdl x, ComplexArrayHdl y, complexnum *out, int32_t *error) {
    return runEntry(error, {out}, [&]() -> Outcome {
        const ComplexArrayView X(x), Y(y);
        if (X.size() != Y.size()) return kErrArraySizeMismatch;
        if (X.size() < 1) return kErrEmptyArray;
        return DotProductCx(X.data(), Y.data(), X.size(), out);
    });
}

int32_t OuterProdCx_head(ComplexArrayHdl x, ComplexArrayHdl y, ComplexMatrixHdl out, int32_t *error) {
    ComplexMatrixView o(out);
    return runEntry(error, {o}, [&]() -> Outcome {
        const ComplexArrayView X(x), Y(y);
        ORIN_TRY(checkShape(X.size(), Y.size(), sizeof(complexnum)));
        ORIN_TRY(o.resize(X.size(), Y.size()));
        return OuterProductCx(X.data(), X.size(), Y.data(), Y.size(), o.data());
    });
}

int32_t CxTrace_head(ComplexMatrixHdl a, complexnum *out, int32_t *error) {
    return runEntry(error, {out}, [&]() -> Outcome {
        const ComplexMatrixView A(a);
        ORIN_TRY(checkShape(A.rows(), A.cols(), sizeof(complexnum)));
        return CxTrace(A.data(), A.rows(), A.cols(), out);
    });
}
