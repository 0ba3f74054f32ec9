// The handle forms' failures: each empties the outputs and NaNs the scalars
// (the contract table), with the checks in their documented order. Their
// results, in place and resized, are checked where the host's calls are
// (host_calls_test.cpp).
#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;

namespace {

using Dm = DoubleMatrix;
using Da = DoubleArray;

// Inputs and outputs the rows share: a 2 x 3 matrix, and outputs that hold
// something before the call so that emptying them shows.
DoubleMatrixHdl wide(Contract &c) { return c.input<Dm>(2, 3, Mat{1, 2, 3, 4, 5, 6}); }
DoubleMatrixHdl wideOut(Contract &c) { return c.output<Dm>(2, 3, Mat{1, 2, 3, 4, 5, 6}); }
DoubleMatrixHdl matOut(Contract &c) { return c.output<Dm>(1, 1, Mat{1}); }
DoubleArrayHdl vecOut(Contract &c, const Mat &v = {1}) { return c.output<Da>(v); }
// The entry point f(args..., &error) with the site-th allocation from there
// on refused: it stores -20001 (returned here for the row's code) and
// returns the memory manager's status (0 where the block was its scratch).
template <class F, class... Args>
int32_t refused(int64_t site, MgErr status, F f, Args... args) {
    int32_t error = 0;
    OrinHostFailAllocation(site);
    const MgErr returned = f(args..., &error);
    OrinHostFailAllocation(0);
    EXPECT_EQ(returned, status) << "return value";
    return error;
}

}  // namespace

// Each row: the entry point with one failing argument, and its code.
// A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(Linalg) {
    return {
        ORIN_ROW(kErrNotSquare, LU_head(wideOut(c), c.output<Int32Array>(std::vector<int32_t>{1}), c.intOutput(0), e)),  // parity 0
        ORIN_ROW(kErrSingularMatrix, LU_head(c.output<Dm>(2, 2, Mat{0, 0, 0, 1}), c.output<Int32Array>(), c.intOutput(), e)),
        ORIN_ROW(kErrArraySizeMismatch, LULinEqs_head(c.input<Dm>(2, 2, identity(2)), c.input<Int32Array>({0, 1}), vecOut(c, {1, 2, 3}), e)),
        // Permutation entries from the host must name rows: one outside
        // 0..n-1 would move data outside b or the inverse.
        ORIN_ROW(kErrIndexOutOfRange, LULinEqs_head(c.input<Dm>(2, 2, identity(2)), c.input<Int32Array>({0, 1000000}), vecOut(c, {1, 2}), e)),
        ORIN_ROW(kErrIndexOutOfRange, LULinEqs_head(c.input<Dm>(2, 2, identity(2)), c.input<Int32Array>({-1, 1}), vecOut(c, {1, 2}), e)),
        ORIN_ROW(kErrIndexOutOfRange, LUInvMatrix_head(c.output<Dm>(2, 2, identity(2)), c.input<Int32Array>({2, 0}), e)),
        ORIN_ROW(kErrIndexOutOfRange, CxLULinEqs_head(c.input<ComplexMatrix>(1, 1, {{2, 0}}), c.input<Int32Array>({7}), c.output<ComplexArray>(CMat{{1, 0}}), e)),
        ORIN_ROW(kErrIndexOutOfRange, CLUInvMatrix_head(c.output<ComplexMatrix>(1, 1, CMat{{2, 0}}), c.input<Int32Array>({-1}), e)),
        ORIN_ROW(kErrArraySizeMismatch, GenLinEqs_head(wide(c), c.input<Da>({1}), vecOut(c), e)),
        ORIN_ROW(kErrNotSquare, Determinant_head(wide(c), byRef(0), c.scalar(), e)),
        ORIN_ROW(kErrInvalidSelector, CondNumber_head(wide(c), byRef(4), c.scalar(), e)),
        ORIN_ROW(kErrNotSquare, Cholesky_head(vecOut(c, {1, 2, 3, 4}), e)),
        ORIN_ROW(kErrSingularMatrix, Cholesky_head(vecOut(c, {1, 2, 1}), e)),
        ORIN_ROW(kErrArraySizeMismatch, CholeskyLinEqs_head(c.input<Da>({2, 1, 2}), vecOut(c, {1, 2, 3}), e)),
        ORIN_ROW(kErrInvalidSelector, TriLinEqs_head(c.input<Da>({1, 0, 1}), byRef(2), vecOut(c, {1, 2}), e)),
        ORIN_ROW(kErrSingularMatrix, Tri_InvMatrix_head(vecOut(c, {1, 0, 0}), byRef(0), e)),
        ORIN_ROW(kErrInvalidSelector, Matrix_to_Compact_head(c.input<Dm>(2, 2, identity(2)), byRef(3), vecOut(c), e)),
        ORIN_ROW(kErrNotSquare, Compact_to_Matrix_head(c.input<Da>({1, 2, 3, 4}), byRef(0), matOut(c), e)),
        ORIN_ROW(kErrNotSquare, CheckPosdef_head(wide(c), c.intOutput(0), e)),  // result 0
        ORIN_ROW(kErrBadArraySize, SVD_head(wideOut(c), vecOut(c), matOut(c), e)),
        ORIN_ROW(kErrEmptyArray, SVD_head(c.output<Dm>(2, 0, Mat{}), vecOut(c), matOut(c), e)),
        ORIN_ROW(kErrBadArraySize, SVDS_head(wide(c), vecOut(c), e)),
        ORIN_ROW(kErrNoConvergence, PseudoInverse_head(c.output<Dm>(1, 1, Mat{std::nan("")}), byRef(-1.0), e)),
        ORIN_ROW(kErrEmptyArray, Rank_head(c.input<Dm>(0, 0, Mat{}), byRef(-1.0), c.intOutput(-1), e)),  // rank -1
        ORIN_ROW(kErrInvalidSelector, Norm_head(wide(c), byRef(4), c.scalar(), e)),
        ORIN_ROW(kErrNotSquare, SymEvectorEvalue_head(wideOut(c), byRef(1), vecOut(c), e)),
        ORIN_ROW(kErrNoConvergence, EigenValueVector_head(c.input<Dm>(1, 1, Mat{std::nan("")}), byRef(1), c.output<ComplexArray>(CMat{{1, 1}}), c.output<ComplexMatrix>(1, 1, CMat{{1, 1}}), e)),
        ORIN_ROW(kErrInvalidSelector, qrd_head(wide(c), byRef(3), matOut(c), matOut(c), e)),
        ORIN_ROW(kErrInvalidSelector, SpecialMatrix_head(byRef(5), byRef(2), c.input<Da>({1}), c.input<Da>(), matOut(c), e)),
        ORIN_ROW(kErrDimensionMismatch, MatrixMul_head(wide(c), wide(c), matOut(c), e)),
        ORIN_ROW(kErrOutOfMemory, MatrixMul_head(c.input<Dm>(65536, 1, Mat(65536, 1.0)), c.input<Dm>(1, 65536, Mat(65536, 1.0)), matOut(c), e)),
        ORIN_ROW(kErrDimensionMismatch, AxVect_head(wide(c), c.input<Da>({1, 1}), vecOut(c), e)),
        ORIN_ROW(kErrArraySizeMismatch, DotProduct_head(c.input<Da>({1, 2}), c.input<Da>({1}), c.scalar(), e)),
        ORIN_ROW(kErrEmptyArray, OuterProd_head(c.input<Da>({1}), c.input<Da>(), matOut(c), e)),
        // The later checks of each entry point, one failing at a time.
        ORIN_ROW(kErrNotSquare, CholeskyLinEqs_head(c.input<Da>({1, 2, 3, 4}), vecOut(c, {1, 2}), e)),
        ORIN_ROW(kErrEmptyArray, TriLinEqs_head(c.input<Da>(), byRef(0), vecOut(c), e)),
        ORIN_ROW(kErrArraySizeMismatch, TriLinEqs_head(c.input<Da>({1, 0, 1}), byRef(1), vecOut(c, {1, 2, 3}), e)),
        ORIN_ROW(kErrInvalidSelector, Tri_InvMatrix_head(vecOut(c, {1, 0, 1}), byRef(2), e)),
        ORIN_ROW(kErrNotSquare, Tri_InvMatrix_head(vecOut(c, {1, 2}), byRef(1), e)),
        ORIN_ROW(kErrNotSquare, Matrix_to_Compact_head(wide(c), byRef(0), vecOut(c), e)),
        ORIN_ROW(kErrInvalidSelector, Compact_to_Matrix_head(c.input<Da>({1, 0, 1}), byRef(3), matOut(c), e)),
        ORIN_ROW(kErrNotSquare, LULinEqs_head(wide(c), c.input<Int32Array>({0, 1}), vecOut(c, {1, 2}), e)),
        ORIN_ROW(kErrArraySizeMismatch, LUInvMatrix_head(c.output<Dm>(2, 2, identity(2)), c.input<Int32Array>({0}), e)),
        ORIN_ROW(kErrEmptyArray, CondNumber_head(c.input<Dm>(0, 2, Mat{}), byRef(0), c.scalar(), e)),
        ORIN_ROW(kErrEmptyArray, MatrixMul_head(c.input<Dm>(0, 0, Mat{}), wide(c), matOut(c), e)),
        ORIN_ROW(kErrEmptyArray, MatrixMul_head(wide(c), c.input<Dm>(3, 0, Mat{}), matOut(c), e)),
        ORIN_ROW(kErrEmptyArray, AxVect_head(c.input<Dm>(0, 0, Mat{}), c.input<Da>({1}), vecOut(c), e)),
        ORIN_ROW(kErrEmptyArray, AxVect_head(wide(c), c.input<Da>(), vecOut(c), e)),
        ORIN_ROW(kErrNotSquare, EigenValueVector_head(wide(c), byRef(1), c.output<ComplexArray>(CMat{{1, 1}}), c.output<ComplexMatrix>(1, 1, CMat{{1, 1}}), e)),
        ORIN_ROW(kErrEmptyArray, PseudoInverse_head(c.output<Dm>(0, 3, Mat{}), byRef(-1.0), e)),
        ORIN_ROW(kErrEmptyArray, Norm_head(c.input<Dm>(2, 0, Mat{}), byRef(0), c.scalar(), e)),
        // Output resizes the memory manager refuses.
        ORIN_CODE_ROW(kErrOutOfMemory, refused(1, kMgFullErr, MatrixMul_head, wide(c), c.input<Dm>(3, 2, Mat{1, 2, 3, 4, 5, 6}), matOut(c))),
        ORIN_CODE_ROW(kErrOutOfMemory, refused(1, kMgFullErr, AxVect_head, wide(c), c.input<Da>({1, 1, 1}), vecOut(c))),
        ORIN_CODE_ROW(kErrOutOfMemory, refused(1, kMgFullErr, OuterProd_head, c.input<Da>({1, 2}), c.input<Da>({1, 2, 3}), matOut(c))),
        ORIN_CODE_ROW(kErrOutOfMemory, refused(1, kMgFullErr, GenLinEqs_head, wide(c), c.input<Da>({1, 2}), vecOut(c))),
        ORIN_CODE_ROW(kErrOutOfMemory, refused(1, kMgFullErr, Matrix_to_Compact_head, c.input<Dm>(3, 3, identity(3)), byRef(0), vecOut(c))),
        ORIN_CODE_ROW(kErrOutOfMemory, refused(1, kMgFullErr, Compact_to_Matrix_head, c.input<Da>({1, 0, 1}), byRef(0), matOut(c))),
        ORIN_CODE_ROW(kErrOutOfMemory, refused(1, kMgFullErr, SpecialMatrix_head, byRef(0), byRef(3), c.input<Da>(), c.input<Da>(), matOut(c))),
        ORIN_CODE_ROW(kErrOutOfMemory, refused(1, kMgFullErr, SymEvectorEvalue_head, c.output<Dm>(2, 2, Mat{2, 1, 1, 2}), byRef(1), vecOut(c))),
        ORIN_CODE_ROW(kErrOutOfMemory, refused(1, kMgFullErr, qrd_head, wide(c), byRef(0), matOut(c), matOut(c))),
        ORIN_CODE_ROW(kErrOutOfMemory, refused(2, kMgFullErr, qrd_head, wide(c), byRef(0), matOut(c), matOut(c))),
        ORIN_CODE_ROW(kErrOutOfMemory, refused(1, 0, SVDS_head, c.input<Dm>(2, 2, identity(2)), vecOut(c))),
        ORIN_CODE_ROW(kErrOutOfMemory, refused(2, kMgFullErr, SVDS_head, c.input<Dm>(2, 2, identity(2)), vecOut(c))),
        ORIN_ROW(kErrEmptyArray, SpecialMatrix_head(byRef(2), byRef(0), c.input<Da>({1, 2}), c.input<Da>(), matOut(c), e)),
    };
}
// clang-format on
