// The complex matrix product's CIN entry point.
#include <orin/linalg.h>

#include "detail.h"

using namespace orin;

int32_t AxBCxCIN(ComplexMatrixHdl a, ComplexMatrixHdl b, ComplexMatrixHdl c, int32_t *error) {
    ComplexMatrixView out(c);
    return runEntry(error, {out}, [&]() -> Outcome {
        const ComplexMatrixView A(a), B(b);
        ORIN_TRY(checkShape(A.rows(), A.cols(), sizeof(complexnum)));
        ORIN_TRY(checkShape(B.rows(), B.cols(), sizeof(complexnum)));
        ORIN_TRY(requireConformable(A.cols(), B.rows()));
        const int32_t m = A.rows(), k = A.cols(), n = B.cols();
        ORIN_TRY(checkShape(m, n, sizeof(complexnum)));
        return linalg::productInto(
            out, c == a || c == b, linalg::cells(m, n), [&] { return out.resize(m, n); },
            [&](complexnum *dest) { return MatrixMulCx(A.data(), B.data(), m, k, n, dest); });
    });
}
