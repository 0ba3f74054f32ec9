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
using orintest::Int32Handle;

TEST(Handles, SystemsInPlace) {
    int32_t err = 1, parity = -1, result = 0;
    DoubleMatrixHandle a(2, 2, {0, 1, 1, 0});
    Int32Handle perm;
    LU_head(a, perm, &parity, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(perm.values(), (std::vector<int32_t>{1, 1}));
    EXPECT_EQ(parity, 1);
    DoubleHandle b({3, 4});
    LULinEqs_head(a, perm, b, &err);
    EXPECT_EQ(b.values(), (Mat{4, 3}));
    LUInvMatrix_head(a, perm, &err);
    EXPECT_EQ(a.values(), (Mat{0, 1, 1, 0}));
    double det = 0, cond = 0;
    DoubleMatrixHandle d(2, 2, {1, 2, 3, 4});
    Determinant_head(d, 0, &det, &err);
    EXPECT_NEAR(det, -2.0, 8 * kEps);
    CondNumber_head(d, 3, &cond, &err);
    EXPECT_NEAR(cond, 21.0, 64 * kEps);  // ||A||inf = 7, ||A^-1||inf = 3
    CheckPosdef_head(d, &result, &err);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(result, 0);
    DoubleMatrixHandle w(1, 2, {1, 1});
    DoubleHandle rhs({2}), x;
    GenLinEqs_head(w, rhs, x, &err);
    ASSERT_EQ(x.size(), 2);
    EXPECT_NEAR(x.values()[1], 1.0, 4 * kEps);

    DoubleMatrixHandle spd(2, 2, {4, 2, 2, 3}), back(0, 0, {});
    DoubleHandle packed, pb({2, 1});
    Matrix_to_Compact_head(spd, 2, packed, &err);
    EXPECT_EQ(packed.values(), (Mat{4, 2, 3}));
    Compact_to_Matrix_head(packed, 2, back, &err);
    EXPECT_EQ(back.values(), (Mat{4, 2, 2, 3}));
    Cholesky_head(packed, &err);
    CholeskyLinEqs_head(packed, pb, &err);  // [[4, 2], [2, 3]] x = (2, 1): (0.5, 0)
    EXPECT_NEAR(pb.values()[0], 0.5, 4 * kEps);
    EXPECT_NEAR(pb.values()[1], 0.0, 4 * kEps);
    Cholesky_InvMatrix_head(packed, &err);  // [[3, -2], [-2, 4]] / 8
    EXPECT_NEAR(packed.values()[1], -0.25, 8 * kEps);
    DoubleHandle upper({2, 1, 4}), tb({2, 5});  // [[2, 1], [0, 4]]
    TriLinEqs_head(upper, 1, tb, &err);
    EXPECT_EQ(tb.values(), (Mat{0.375, 1.25}));
    Tri_InvMatrix_head(upper, 1, &err);
    EXPECT_EQ(upper.values(), (Mat{0.5, -0.125, 0.25}));
}

TEST(Handles, DecompositionsAndProducts) {
    int32_t err = 1, rank = 0;
    DoubleMatrixHandle id(2, 2, {1, 0, 0, 1}), v(0, 0, {}), keep(3, 2, {3, 0, 0, 4, 0, 0});
    DoubleHandle s;
    SVD_head(id, s, v, &err);
    EXPECT_EQ(s.values(), (Mat{1, 1}));
    EXPECT_EQ(v.values(), identity(2));
    SVDS_head(keep, s, &err);
    EXPECT_EQ(s.values(), (Mat{4, 3}));
    EXPECT_EQ(keep.values(), (Mat{3, 0, 0, 4, 0, 0}));  // the caller's matrix survives
    Rank_head(keep, -1, &rank, &err);
    EXPECT_EQ(rank, 2);
    double norm = 0;
    Norm_head(keep, 3, &norm, &err);
    EXPECT_EQ(norm, 4.0);
    PseudoInverse_head(keep, -1, &err);
    EXPECT_EQ(keep.rows() * 10 + keep.cols(), 23);
    EXPECT_NEAR(keep.values()[4], 0.25, kEps);

    DoubleMatrixHandle sym(2, 2, {2, 1, 1, 2}), sym2(2, 2, {2, 1, 1, 2}), rot(2, 2, {0, 1, -2, 0});
    SymEvectorEvalue_head(sym, 0, s, &err);
    EXPECT_EQ(s.size(), 2);
    EXPECT_TRUE(sym.emptied());  // no vectors asked: only work space
    SymEvectorEvalue_head(sym2, 1, s, &err);
    EXPECT_EQ(sym2.rows(), 2);
    orintest::ComplexHandle values;
    orintest::ComplexMatrixHandle vectors(1, 1, {{9, 9}});
    EigenValueVector_head(rot, 0, values, vectors, &err);
    EXPECT_NEAR(values.values()[0].im, std::sqrt(2.0), 4 * kEps);
    EXPECT_TRUE(vectors.emptied());  // vectors only when asked
    EigenValueVector_head(rot, 1, values, vectors, &err);
    EXPECT_EQ(vectors.rows() * 10 + vectors.cols(), 22);
    DoubleMatrixHandle a(3, 2, {1, 2, 3, 4, 5, 6}), q(0, 0, {}), r(0, 0, {});
    qrd_head(a, 1, q, r, &err);
    EXPECT_EQ(q.rows() * 10 + q.cols(), 33);
    EXPECT_EQ(r.rows() * 10 + r.cols(), 32);

    DoubleMatrixHandle b(2, 3, {1, 2, 3, 4, 5, 6}), bt(3, 2, {1, 4, 2, 5, 3, 6}), c(0, 0, {}), op(0, 0, {});
    DoubleHandle x3({1, 1, 1}), x2({1, 1}), y;
    MatrixMul_head(b, bt, c, &err);
    EXPECT_EQ(c.values(), (Mat{14, 32, 32, 77}));
    AxVect_head(b, x3, y, &err);
    EXPECT_EQ(y.values(), (Mat{6, 15}));
    OuterProd_head(x2, x3, op, &err);
    EXPECT_EQ(op.rows() * 10 + op.cols(), 23);
    DotProduct_head(x3, x3, &norm, &err);
    EXPECT_EQ(norm, 3.0);
    Trace_head(b, &norm, &err);
    EXPECT_EQ(norm, 6.0);
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
// The error output and an int32 output of the row being run.
int32_t e = 0, i = 0;

}  // namespace

// Each row: the entry point with one failing argument, and its code.
ORIN_CONTRACT_TABLE(Linalg) {
    return {
        {"LU_head not square", kErrNotSquare, [](Contract &c) {
             i = 5;
             LU_head(wideOut(c), c.output<Int32Array>(std::vector<int32_t>{1}), &i, &e);
             EXPECT_EQ(i, 0);  // parity
             return e;
         }},
        {"LU_head singular", kErrSingularMatrix,
         [](Contract &c) { return LU_head(c.output<Dm>(2, 2, Mat{0, 0, 0, 1}), c.output<Int32Array>(), &i, &e), e; }},
        {"LULinEqs_head b length", kErrArraySizeMismatch, [](Contract &c) {
             return LULinEqs_head(c.input<Dm>(2, 2, identity(2)), c.input<Int32Array>({0, 1}), vecOut(c, {1, 2, 3}), &e), e;
         }},
        {"LUInvMatrix_head empty", kErrEmptyArray,
         [](Contract &c) { return LUInvMatrix_head(c.output<Dm>(0, 0, Mat{}), c.input<Int32Array>(), &e), e; }},
        {"GenLinEqs_head b length", kErrArraySizeMismatch,
         [](Contract &c) { return GenLinEqs_head(wide(c), c.input<Da>({1}), vecOut(c), &e), e; }},
        {"Determinant_head not square", kErrNotSquare,
         [](Contract &c) { return Determinant_head(wide(c), 0, c.scalar(), &e), e; }},
        {"CondNumber_head selector", kErrInvalidSelector,
         [](Contract &c) { return CondNumber_head(wide(c), 4, c.scalar(), &e), e; }},
        {"Cholesky_head not triangular", kErrNotSquare,
         [](Contract &c) { return Cholesky_head(vecOut(c, {1, 2, 3, 4}), &e), e; }},
        {"Cholesky_head indefinite", kErrSingularMatrix,
         [](Contract &c) { return Cholesky_head(vecOut(c, {1, 2, 1}), &e), e; }},
        {"CholeskyLinEqs_head b length", kErrArraySizeMismatch,
         [](Contract &c) { return CholeskyLinEqs_head(c.input<Da>({2, 1, 2}), vecOut(c, {1, 2, 3}), &e), e; }},
        {"Cholesky_InvMatrix_head empty", kErrEmptyArray,
         [](Contract &c) { return Cholesky_InvMatrix_head(c.output<Da>(), &e), e; }},
        {"TriLinEqs_head triangle", kErrInvalidSelector,
         [](Contract &c) { return TriLinEqs_head(c.input<Da>({1, 0, 1}), 2, vecOut(c, {1, 2}), &e), e; }},
        {"Tri_InvMatrix_head singular", kErrSingularMatrix,
         [](Contract &c) { return Tri_InvMatrix_head(vecOut(c, {1, 0, 0}), 0, &e), e; }},
        {"Matrix_to_Compact_head mode", kErrInvalidSelector,
         [](Contract &c) { return Matrix_to_Compact_head(c.input<Dm>(2, 2, identity(2)), 3, vecOut(c), &e), e; }},
        {"Compact_to_Matrix_head not triangular", kErrNotSquare,
         [](Contract &c) { return Compact_to_Matrix_head(c.input<Da>({1, 2, 3, 4}), 0, matOut(c), &e), e; }},
        {"CheckPosdef_head not square", kErrNotSquare, [](Contract &c) {
             i = 7;
             CheckPosdef_head(wide(c), &i, &e);
             EXPECT_EQ(i, 0);  // result
             return e;
         }},
        {"SVD_head wide", kErrBadArraySize, [](Contract &c) { return SVD_head(wideOut(c), vecOut(c), matOut(c), &e), e; }},
        {"SVD_head no columns", kErrEmptyArray,
         [](Contract &c) { return SVD_head(c.output<Dm>(2, 0, Mat{}), vecOut(c), matOut(c), &e), e; }},
        {"SVDS_head wide", kErrBadArraySize, [](Contract &c) { return SVDS_head(wide(c), vecOut(c), &e), e; }},
        {"PseudoInverse_head NaN", kErrNoConvergence,
         [](Contract &c) { return PseudoInverse_head(c.output<Dm>(1, 1, Mat{std::nan("")}), -1, &e), e; }},
        {"Rank_head empty", kErrEmptyArray, [](Contract &c) {
             i = 5;
             Rank_head(c.input<Dm>(0, 0, Mat{}), -1, &i, &e);
             EXPECT_EQ(i, -1);  // rank
             return e;
         }},
        {"Norm_head selector", kErrInvalidSelector, [](Contract &c) { return Norm_head(wide(c), 4, c.scalar(), &e), e; }},
        {"SymEvectorEvalue_head not square", kErrNotSquare,
         [](Contract &c) { return SymEvectorEvalue_head(wideOut(c), 1, vecOut(c), &e), e; }},
        {"EigenValueVector_head NaN", kErrNoConvergence, [](Contract &c) {
             EigenValueVector_head(c.input<Dm>(1, 1, Mat{std::nan("")}), 1, c.output<ComplexArray>(Cx{{1, 1}}),
                                   c.output<ComplexMatrix>(1, 1, Cx{{1, 1}}), &e);
             return e;
         }},
        {"qrd_head algorithm", kErrInvalidSelector,
         [](Contract &c) { return qrd_head(wide(c), 3, matOut(c), matOut(c), &e), e; }},
        {"SpecialMatrix_head selector", kErrInvalidSelector,
         [](Contract &c) { return SpecialMatrix_head(5, 2, c.input<Da>({1}), c.input<Da>(), matOut(c), &e), e; }},
        {"MatrixMul_head inner dimensions", kErrDimensionMismatch,
         [](Contract &c) { return MatrixMul_head(wide(c), wide(c), matOut(c), &e), e; }},
        {"AxVect_head length", kErrDimensionMismatch,
         [](Contract &c) { return AxVect_head(wide(c), c.input<Da>({1, 1}), vecOut(c), &e), e; }},
        {"DotProduct_head lengths", kErrArraySizeMismatch,
         [](Contract &c) { return DotProduct_head(c.input<Da>({1, 2}), c.input<Da>({1}), c.scalar(), &e), e; }},
        {"OuterProd_head empty", kErrEmptyArray,
         [](Contract &c) { return OuterProd_head(c.input<Da>({1}), c.input<Da>(), matOut(c), &e), e; }},
        {"Trace_head empty", kErrEmptyArray,
         [](Contract &c) { return Trace_head(c.input<Dm>(0, 0, Mat{}), c.scalar(), &e), e; }},
    };
}
