// The handle forms: results land in the documented handles (in place where
// documented), and every failure empties the outputs and NaNs the scalars
// (the contract table), with the checks in their documented order.
#include <orin/linalg.h>

#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;

TEST(Handles, SystemsInPlace) {
    int32_t err = 1, parity = -1, result = 7;
    double det = 0;
    DoubleMatrixHandle a(2, 2, {0, 1, 1, 0}), d(2, 2, {1, 2, 3, 4}), w(1, 2, {1, 1});
    Int32Handle perm;
    DoubleHandle b({3, 4}), rhs({2}), x;
    LU_head(a, perm, &parity, &err);
    EXPECT_TRUE(err == 0 && parity == 1 && perm.values() == (std::vector<int32_t>{1, 1}));
    LULinEqs_head(a, perm, b, &err);  // b becomes x
    EXPECT_EQ(b.values(), (Mat{4, 3}));
    LUInvMatrix_head(a, perm, &err);  // the factorisation becomes A^-1
    EXPECT_EQ(a.values(), (Mat{0, 1, 1, 0}));
    Determinant_head(d, byRef(0), &det, &err);
    CheckPosdef_head(d, &result, &err);
    EXPECT_TRUE(std::fabs(det + 2) < 8 * kEps && result == 0);
    GenLinEqs_head(w, rhs, x, &err);  // x1 + x2 = 2: (1, 1)
    EXPECT_TRUE(x.size() == 2 && std::fabs(x.values()[1] - 1) < 4 * kEps);

    DoubleMatrixHandle spd(2, 2, {4, 2, 2, 3}), back(0, 0, {});
    DoubleHandle packed, pb({2, 1});
    Matrix_to_Compact_head(spd, byRef(2), packed, &err);
    Compact_to_Matrix_head(packed, byRef(2), back, &err);
    EXPECT_TRUE(packed.values() == (Mat{4, 2, 3}) && back.values() == (Mat{4, 2, 2, 3}));
    Cholesky_head(packed, &err);
    CholeskyLinEqs_head(packed, pb, &err);  // [[4, 2], [2, 3]] x = (2, 1): (0.5, 0)
    EXPECT_TRUE(std::fabs(pb.values()[0] - 0.5) < 4 * kEps && std::fabs(pb.values()[1]) < 4 * kEps);
    Cholesky_InvMatrix_head(packed, &err);  // [[3, -2], [-2, 4]] / 8
    EXPECT_NEAR(packed.values()[1], -0.25, 8 * kEps);
}

TEST(Handles, DecompositionsAndProducts) {
    int32_t err = 1;
    double dot = 0, trace = 0;
    DoubleMatrixHandle id(2, 2, {1, 0, 0, 1}), v(0, 0, {}), keep(3, 2, {3, 0, 0, 4, 0, 0});
    DoubleHandle s;
    SVD_head(id, s, v, &err);
    EXPECT_TRUE(s.values() == (Mat{1, 1}) && v.values() == identity(2) && id.values() == identity(2));
    SVDS_head(keep, s, &err);  // the caller's matrix survives
    EXPECT_TRUE(s.values() == (Mat{4, 3}) && keep.values() == (Mat{3, 0, 0, 4, 0, 0}));
    PseudoInverse_head(keep, byRef(-1.0), &err);  // in place, 3 x 2 becomes 2 x 3
    EXPECT_TRUE(keep.rows() == 2 && keep.cols() == 3);
    EXPECT_NEAR(keep.values()[4], 0.25, kEps);

    DoubleMatrixHandle sym(2, 2, {2, 1, 1, 2}), rot(2, 2, {0, 1, -2, 0});
    SymEvectorEvalue_head(sym, byRef(0), s, &err);  // no vectors asked: the matrix was only work space
    EXPECT_TRUE(s.size() == 2 && sym.emptied());
    orintest::ComplexHandle values;
    orintest::ComplexMatrixHandle vectors(1, 1, {{9, 9}});
    EigenValueVector_head(rot, byRef(0), values, vectors, &err);  // vectors only when asked
    EXPECT_TRUE(std::fabs(values.values()[0].im - std::sqrt(2.0)) < 4 * kEps && vectors.emptied());
    DoubleMatrixHandle a(3, 2, {1, 2, 3, 4, 5, 6}), q(0, 0, {}), r(0, 0, {});
    qrd_head(a, byRef(1), q, r, &err);
    EXPECT_TRUE(q.rows() == 3 && q.cols() == 3 && r.rows() == 3 && r.cols() == 2);

    DoubleMatrixHandle b(2, 3, {1, 2, 3, 4, 5, 6}), op(0, 0, {});
    DoubleHandle x3({1, 1, 1}), x2({1, 1});
    OuterProd_head(x2, x3, op, &err);
    DotProduct_head(x3, x3, &dot, &err);
    Trace_head(b, &trace, &err);
    EXPECT_TRUE(op.rows() == 2 && op.cols() == 3 && dot == 3 && trace == 6);
}

namespace {

using Dm = DoubleMatrix;
using Da = DoubleArray;
using Cx = std::vector<complexnum>;

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
        ORIN_ROW(kErrIndexOutOfRange, CxLULinEqs_head(c.input<ComplexMatrix>(1, 1, {{2, 0}}), c.input<Int32Array>({7}), c.output<ComplexArray>(Cx{{1, 0}}), e)),
        ORIN_ROW(kErrIndexOutOfRange, CLUInvMatrix_head(c.output<ComplexMatrix>(1, 1, Cx{{2, 0}}), c.input<Int32Array>({-1}), e)),
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
        ORIN_ROW(kErrNoConvergence, EigenValueVector_head(c.input<Dm>(1, 1, Mat{std::nan("")}), byRef(1), c.output<ComplexArray>(Cx{{1, 1}}), c.output<ComplexMatrix>(1, 1, Cx{{1, 1}}), e)),
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
        ORIN_ROW(kErrNotSquare, EigenValueVector_head(wide(c), byRef(1), c.output<ComplexArray>(Cx{{1, 1}}), c.output<ComplexMatrix>(1, 1, Cx{{1, 1}}), e)),
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
