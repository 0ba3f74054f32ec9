// The handle forms: results land in the documented handles (in place where
// documented), and every failure empties the outputs and NaNs the scalars
// (the contract table), with the checks in their documented order.
#include <orin/linalg.h>

#include <gtest/gtest.h>

#include "linalg_reference.h"
#include "support/contract.h"

using namespace linalgtest;
using orintest::Contract;
using orintest::DoubleHandle;
using orintest::DoubleMatrixHandle;
using orintest::errorRow;
using orintest::Int32Handle;

TEST(Handles, SystemsInPlace) {
    int32_t err = 1, parity = -1, result = 7;
    double det = 0, cond = 0;
    DoubleMatrixHandle a(2, 2, {0, 1, 1, 0}), d(2, 2, {1, 2, 3, 4}), w(1, 2, {1, 1});
    Int32Handle perm;
    DoubleHandle b({3, 4}), rhs({2}), x;
    LU_head(a, perm, &parity, &err);
    EXPECT_TRUE(err == 0 && parity == 1 && perm.values() == (std::vector<int32_t>{1, 1}));
    LULinEqs_head(a, perm, b, &err);  // b becomes x
    EXPECT_EQ(b.values(), (Mat{4, 3}));
    LUInvMatrix_head(a, perm, &err);  // the factorisation becomes A^-1
    EXPECT_EQ(a.values(), (Mat{0, 1, 1, 0}));
    Determinant_head(d, 0, &det, &err);
    CondNumber_head(d, 3, &cond, &err);  // ||A||inf = 7, ||A^-1||inf = 3
    CheckPosdef_head(d, &result, &err);
    EXPECT_TRUE(std::fabs(det + 2) < 8 * kEps && std::fabs(cond - 21) < 64 * kEps && result == 0);
    GenLinEqs_head(w, rhs, x, &err);  // x1 + x2 = 2: (1, 1)
    EXPECT_TRUE(x.size() == 2 && std::fabs(x.values()[1] - 1) < 4 * kEps);

    DoubleMatrixHandle spd(2, 2, {4, 2, 2, 3}), back(0, 0, {});
    DoubleHandle packed, pb({2, 1}), upper({2, 1, 4}), tb({2, 5});  // upper: [[2, 1], [0, 4]]
    Matrix_to_Compact_head(spd, 2, packed, &err);
    Compact_to_Matrix_head(packed, 2, back, &err);
    EXPECT_TRUE(packed.values() == (Mat{4, 2, 3}) && back.values() == (Mat{4, 2, 2, 3}));
    Cholesky_head(packed, &err);
    CholeskyLinEqs_head(packed, pb, &err);  // [[4, 2], [2, 3]] x = (2, 1): (0.5, 0)
    EXPECT_TRUE(std::fabs(pb.values()[0] - 0.5) < 4 * kEps && std::fabs(pb.values()[1]) < 4 * kEps);
    Cholesky_InvMatrix_head(packed, &err);  // [[3, -2], [-2, 4]] / 8
    EXPECT_NEAR(packed.values()[1], -0.25, 8 * kEps);
    TriLinEqs_head(upper, 1, tb, &err);
    Tri_InvMatrix_head(upper, 1, &err);
    EXPECT_TRUE(tb.values() == (Mat{0.375, 1.25}) && upper.values() == (Mat{0.5, -0.125, 0.25}));
}

TEST(Handles, DecompositionsAndProducts) {
    int32_t err = 1, rank = 0;
    double norm = 0, dot = 0, trace = 0;
    DoubleMatrixHandle id(2, 2, {1, 0, 0, 1}), v(0, 0, {}), keep(3, 2, {3, 0, 0, 4, 0, 0});
    DoubleHandle s;
    SVD_head(id, s, v, &err);
    EXPECT_TRUE(s.values() == (Mat{1, 1}) && v.values() == identity(2) && id.values() == identity(2));
    SVDS_head(keep, s, &err);  // the caller's matrix survives
    EXPECT_TRUE(s.values() == (Mat{4, 3}) && keep.values() == (Mat{3, 0, 0, 4, 0, 0}));
    Rank_head(keep, -1, &rank, &err);
    Norm_head(keep, 3, &norm, &err);
    PseudoInverse_head(keep, -1, &err);  // in place, 3 x 2 becomes 2 x 3
    EXPECT_TRUE(rank == 2 && norm == 4 && keep.rows() == 2 && keep.cols() == 3);
    EXPECT_NEAR(keep.values()[4], 0.25, kEps);

    DoubleMatrixHandle sym(2, 2, {2, 1, 1, 2}), sym2(2, 2, {2, 1, 1, 2}), rot(2, 2, {0, 1, -2, 0});
    SymEvectorEvalue_head(sym, 0, s, &err);  // no vectors asked: the matrix was only work space
    SymEvectorEvalue_head(sym2, 1, s, &err);
    EXPECT_TRUE(s.size() == 2 && sym.emptied() && sym2.rows() == 2);
    orintest::ComplexHandle values;
    orintest::ComplexMatrixHandle vectors(1, 1, {{9, 9}});
    EigenValueVector_head(rot, 0, values, vectors, &err);  // vectors only when asked
    EXPECT_TRUE(std::fabs(values.values()[0].im - std::sqrt(2.0)) < 4 * kEps && vectors.emptied());
    EigenValueVector_head(rot, 1, values, vectors, &err);
    EXPECT_TRUE(vectors.rows() == 2 && vectors.cols() == 2);
    DoubleMatrixHandle a(3, 2, {1, 2, 3, 4, 5, 6}), q(0, 0, {}), r(0, 0, {});
    qrd_head(a, 1, q, r, &err);
    EXPECT_TRUE(q.rows() == 3 && q.cols() == 3 && r.rows() == 3 && r.cols() == 2);

    DoubleMatrixHandle b(2, 3, {1, 2, 3, 4, 5, 6}), bt(3, 2, {1, 4, 2, 5, 3, 6}), c(0, 0, {}), op(0, 0, {});
    DoubleHandle x3({1, 1, 1}), x2({1, 1}), y;
    MatrixMul_head(b, bt, c, &err);
    AxVect_head(b, x3, y, &err);
    OuterProd_head(x2, x3, op, &err);
    DotProduct_head(x3, x3, &dot, &err);
    Trace_head(b, &trace, &err);
    EXPECT_TRUE(c.values() == (Mat{14, 32, 32, 77}) && y.values() == (Mat{6, 15}) && op.rows() == 2 && op.cols() == 3);
    EXPECT_TRUE(dot == 3 && trace == 6);
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
// An int32 output of the row being run.
int32_t i = 0;

}  // namespace

// Each row: the entry point with one failing argument, and its code.
ORIN_CONTRACT_TABLE(Linalg) {
    return {
        errorRow("LU_head not square", kErrNotSquare,
                 [](Contract &c, int32_t *e) {
                     i = 5;
                     const MgErr r = LU_head(wideOut(c), c.output<Int32Array>(std::vector<int32_t>{1}), &i, e);
                     EXPECT_EQ(i, 0);  // parity
                     return r;
                 }),
        errorRow("LU_head singular", kErrSingularMatrix,
                 [](Contract &c, int32_t *e) {
                     return LU_head(c.output<Dm>(2, 2, Mat{0, 0, 0, 1}), c.output<Int32Array>(), &i, e);
                 }),
        errorRow("LULinEqs_head b length", kErrArraySizeMismatch,
                 [](Contract &c, int32_t *e) {
                     return LULinEqs_head(c.input<Dm>(2, 2, identity(2)), c.input<Int32Array>({0, 1}),
                                          vecOut(c, {1, 2, 3}), e);
                 }),
        // Permutation entries from the host must name rows: one outside
        // 0..n-1 would move data outside b or the inverse.
        errorRow("LULinEqs_head perm entry above n", kErrIndexOutOfRange,
                 [](Contract &c, int32_t *e) {
                     return LULinEqs_head(c.input<Dm>(2, 2, identity(2)), c.input<Int32Array>({0, 1000000}),
                                          vecOut(c, {1, 2}), e);
                 }),
        errorRow("LULinEqs_head negative perm entry", kErrIndexOutOfRange,
                 [](Contract &c, int32_t *e) {
                     return LULinEqs_head(c.input<Dm>(2, 2, identity(2)), c.input<Int32Array>({-1, 1}),
                                          vecOut(c, {1, 2}), e);
                 }),
        errorRow("LUInvMatrix_head perm entry n", kErrIndexOutOfRange,
                 [](Contract &c, int32_t *e) {
                     return LUInvMatrix_head(c.output<Dm>(2, 2, identity(2)), c.input<Int32Array>({2, 0}), e);
                 }),
        errorRow("LUInvMatrix_head empty", kErrEmptyArray,
                 [](Contract &c, int32_t *e) {
                     return LUInvMatrix_head(c.output<Dm>(0, 0, Mat{}), c.input<Int32Array>(), e);
                 }),
        errorRow("GenLinEqs_head b length", kErrArraySizeMismatch,
                 [](Contract &c, int32_t *e) { return GenLinEqs_head(wide(c), c.input<Da>({1}), vecOut(c), e); }),
        errorRow("Determinant_head not square", kErrNotSquare,
                 [](Contract &c, int32_t *e) { return Determinant_head(wide(c), 0, c.scalar(), e); }),
        errorRow("CondNumber_head selector", kErrInvalidSelector,
                 [](Contract &c, int32_t *e) { return CondNumber_head(wide(c), 4, c.scalar(), e); }),
        errorRow("Cholesky_head not triangular", kErrNotSquare,
                 [](Contract &c, int32_t *e) {
                     return Cholesky_head(vecOut(c, {1, 2, 3, 4}), e);
                 }),
        errorRow("Cholesky_head indefinite", kErrSingularMatrix,
                 [](Contract &c, int32_t *e) {
                     return Cholesky_head(vecOut(c, {1, 2, 1}), e);
                 }),
        errorRow("CholeskyLinEqs_head b length", kErrArraySizeMismatch,
                 [](Contract &c, int32_t *e) {
                     return CholeskyLinEqs_head(c.input<Da>({2, 1, 2}), vecOut(c, {1, 2, 3}), e);
                 }),
        errorRow("Cholesky_InvMatrix_head empty", kErrEmptyArray,
                 [](Contract &c, int32_t *e) { return Cholesky_InvMatrix_head(c.output<Da>(), e); }),
        errorRow("TriLinEqs_head triangle", kErrInvalidSelector,
                 [](Contract &c, int32_t *e) {
                     return TriLinEqs_head(c.input<Da>({1, 0, 1}), 2, vecOut(c, {1, 2}), e);
                 }),
        errorRow("Tri_InvMatrix_head singular", kErrSingularMatrix,
                 [](Contract &c, int32_t *e) {
                     return Tri_InvMatrix_head(vecOut(c, {1, 0, 0}), 0, e);
                 }),
        errorRow("Matrix_to_Compact_head mode", kErrInvalidSelector,
                 [](Contract &c, int32_t *e) {
                     return Matrix_to_Compact_head(c.input<Dm>(2, 2, identity(2)), 3, vecOut(c), e);
                 }),
        errorRow("Compact_to_Matrix_head not triangular", kErrNotSquare,
                 [](Contract &c, int32_t *e) {
                     return Compact_to_Matrix_head(c.input<Da>({1, 2, 3, 4}), 0, matOut(c), e);
                 }),
        errorRow("CheckPosdef_head not square", kErrNotSquare,
                 [](Contract &c, int32_t *e) {
                     i = 7;
                     const MgErr r = CheckPosdef_head(wide(c), &i, e);
                     EXPECT_EQ(i, 0);  // result
                     return r;
                 }),
        errorRow("SVD_head wide", kErrBadArraySize,
                 [](Contract &c, int32_t *e) { return SVD_head(wideOut(c), vecOut(c), matOut(c), e); }),
        errorRow("SVD_head no columns", kErrEmptyArray,
                 [](Contract &c, int32_t *e) { return SVD_head(c.output<Dm>(2, 0, Mat{}), vecOut(c), matOut(c), e); }),
        errorRow("SVDS_head wide", kErrBadArraySize,
                 [](Contract &c, int32_t *e) { return SVDS_head(wide(c), vecOut(c), e); }),
        errorRow(
            "PseudoInverse_head NaN", kErrNoConvergence,
            [](Contract &c, int32_t *e) { return PseudoInverse_head(c.output<Dm>(1, 1, Mat{std::nan("")}), -1, e); }),
        errorRow("Rank_head empty", kErrEmptyArray,
                 [](Contract &c, int32_t *e) {
                     i = 5;
                     const MgErr r = Rank_head(c.input<Dm>(0, 0, Mat{}), -1, &i, e);
                     EXPECT_EQ(i, -1);  // rank
                     return r;
                 }),
        errorRow("Norm_head selector", kErrInvalidSelector,
                 [](Contract &c, int32_t *e) { return Norm_head(wide(c), 4, c.scalar(), e); }),
        errorRow("SymEvectorEvalue_head not square", kErrNotSquare,
                 [](Contract &c, int32_t *e) { return SymEvectorEvalue_head(wideOut(c), 1, vecOut(c), e); }),
        errorRow("EigenValueVector_head NaN", kErrNoConvergence,
                 [](Contract &c, int32_t *e) {
                     return EigenValueVector_head(c.input<Dm>(1, 1, Mat{std::nan("")}), 1,
                                                  c.output<ComplexArray>(Cx{{1, 1}}),
                                                  c.output<ComplexMatrix>(1, 1, Cx{{1, 1}}), e);
                 }),
        errorRow("qrd_head algorithm", kErrInvalidSelector,
                 [](Contract &c, int32_t *e) { return qrd_head(wide(c), 3, matOut(c), matOut(c), e); }),
        errorRow("SpecialMatrix_head selector", kErrInvalidSelector,
                 [](Contract &c, int32_t *e) {
                     return SpecialMatrix_head(5, 2, c.input<Da>({1}), c.input<Da>(), matOut(c), e);
                 }),
        errorRow("MatrixMul_head inner dimensions", kErrDimensionMismatch,
                 [](Contract &c, int32_t *e) { return MatrixMul_head(wide(c), wide(c), matOut(c), e); }),
        errorRow("AxVect_head length", kErrDimensionMismatch,
                 [](Contract &c, int32_t *e) {
                     return AxVect_head(wide(c), c.input<Da>({1, 1}), vecOut(c), e);
                 }),
        errorRow("DotProduct_head lengths", kErrArraySizeMismatch,
                 [](Contract &c, int32_t *e) {
                     return DotProduct_head(c.input<Da>({1, 2}), c.input<Da>({1}), c.scalar(), e);
                 }),
        errorRow("OuterProd_head empty", kErrEmptyArray,
                 [](Contract &c, int32_t *e) { return OuterProd_head(c.input<Da>({1}), c.input<Da>(), matOut(c), e); }),
        errorRow("Trace_head empty", kErrEmptyArray,
                 [](Contract &c, int32_t *e) { return Trace_head(c.input<Dm>(0, 0, Mat{}), c.scalar(), e); }),
    };
}
