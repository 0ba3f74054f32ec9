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
        if (c != a && c != b) {
            ORIN_TRY(out.resize(m, n));
            return MatrixMulCx(A.data(), B.data(), m, k, n, out.data());
        }
        // c is also an operand: resizing it first would overwrite what the
        // product still reads, so the product goes to scratch first.
        ORIN_TRY(checkShape(m, n, sizeof(complexnum)));
        Scratch<complexnum> product(linalg::cells(m, n));
        if (!product) return kErrOutOfMemory;
        ORIN_TRY(MatrixMulCx(A.data(), B.data(), m, k, n, product.data()));
        ORIN_TRY(out.resize(m, n));
        std::copy(product.begin(), product.end(), out.data());
        return kErrNone;
    });
}
