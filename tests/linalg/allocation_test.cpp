// Every allocating routine with each of its allocations made to fail: the
// documented code, emptied or NaN outputs, nothing leaked. Routines whose
// only scratch speeds up the access pattern fall back to the direct loops
// and must still give the same result.
#include <orin/linalg.h>

#include <gtest/gtest.h>

#include "linalg_reference.h"
#include "support/allocation_failure.h"
#include "support/handles.h"

using namespace linalgtest;
using orintest::DoubleHandle;
using orintest::DoubleMatrixHandle;
using orintest::Int32Handle;
using orintest::isIDNaN;

namespace {

const Mat kA = {4, 1, 2, 1, 5, 3, 2, 3, 6};  // symmetric positive definite

}  // namespace

ORIN_ALLOCATION_CASE(LUFactorFallsBackWithoutItsColumn, 1) {
    Mat a = kA;
    std::vector<int32_t> perm(3);
    int32_t parity = 0;
    ASSERT_EQ(inj.call([&] { return LUFactor(a.data(), 3, perm.data(), &parity); }), 0);
    Mat ref = kA;
    std::vector<int32_t> p2(3);
    // The reference run happens with nothing failing; both must agree.
    ASSERT_EQ(LUFactor(ref.data(), 3, p2.data(), &parity), 0);
    EXPECT_EQ(a, ref);
}

ORIN_ALLOCATION_CASE(MatrixMulAndCholeskyFallBack, 2) {
    Mat c(9), p = {4, 1, 2, 5, 3, 6};
    const int32_t code = inj.call([&] {
        const int32_t r = MatrixMul(kA.data(), kA.data(), 3, 3, 3, c.data());
        return r ? r : Cholesky(p.data(), 3);
    });
    ASSERT_EQ(code, 0);
    const auto ref = mul(kA, kA, 3, 3, 3);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(c[i], (double)ref[i]);
    EXPECT_EQ(p[0], 2.0);
}

ORIN_ALLOCATION_CASE(InvMatrix, 3) {  // copy, permutation, LU's column
    Mat inv(9, 7.0);
    const int32_t code = inj.call([&] { return InvMatrix(kA.data(), 3, inv.data()); });
    if (inj.failing() && inj.site() < 3) {
        EXPECT_EQ(code, kErrOutOfMemory);
    } else {
        ASSERT_EQ(code, 0);
        EXPECT_LT(ratio(mul(kA, inv, 3, 3, 3), identity(3), 3, 3, norm1(kA, 3, 3) * norm1(inv, 3, 3)), kRatioBound);
    }
}

ORIN_ALLOCATION_CASE(LUInvMatrixInPlace, 2) {
    Mat lu = kA;
    std::vector<int32_t> perm(3);
    int32_t parity = 0;
    ASSERT_EQ(LUFactor(lu.data(), 3, perm.data(), &parity), 0);
    const int32_t code = inj.call([&] { return LUInvMatrix(lu.data(), perm.data(), 3, lu.data()); });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
}

ORIN_ALLOCATION_CASE(DeterminantGeneralAndDefinite, 5) {
    double d0 = 0, d1 = 0;
    // type 0: copy, permutation, LU's column; type 1: packed copy, Cholesky's accumulators
    const int32_t code = inj.call([&] {
        const int32_t r = Determinant(kA.data(), 3, 0, &d0);
        return r ? r : Determinant(kA.data(), 3, 1, &d1);
    });
    const int64_t s = inj.site();
    if (inj.failing() && (s == 1 || s == 2 || s == 4)) {
        EXPECT_EQ(code, kErrOutOfMemory);
    } else {
        ASSERT_EQ(code, 0);
        EXPECT_NEAR(d0, 70.0, 70 * 16 * kEps);
        EXPECT_NEAR(d1, 70.0, 70 * 16 * kEps);
    }
}

ORIN_ALLOCATION_CASE(CholeskyInverseAndCheckPosdef, 4) {
    Mat p = {2, 0.5, 1, 2.1794494717703370, 1.1473431828907770, 1.9999999999999998};
    int32_t result = 7;
    const int32_t code = inj.call([&] {
        const int32_t r = Cholesky_InvMatrix(p.data(), 3, p.data());
        return r ? r : CheckPosdef(kA.data(), 3, &result);
    });
    if (inj.failing()) {
        EXPECT_EQ(code, kErrOutOfMemory);
        if (inj.site() > 1) {
            EXPECT_EQ(result, 0);
        }
    } else {
        EXPECT_EQ(code, 0);
        EXPECT_EQ(result, 1);
    }
}

ORIN_ALLOCATION_CASE(SvdFamily, 2) {
    Mat a = kA, s(3), v(9), b = kA, sb(3);
    const int32_t code = inj.call([&] {
        const int32_t r = SVD(a.data(), 3, 3, s.data(), v.data());
        return r ? r : SVDS(b.data(), 3, 3, sb.data());
    });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
}

ORIN_ALLOCATION_CASE(GenLinEqs, 5) {  // tall copy, values, V, SVD work, coefficients
    const double b[] = {1, 2, 3};
    double x[3] = {9, 9, 9};
    const int32_t code = inj.call([&] { return GenLinEqs(kA.data(), 3, 3, b, x); });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
}

ORIN_ALLOCATION_CASE(PseudoInverseAndRank, 8) {
    Mat out(6);
    int32_t rank = 0;
    const int32_t code = inj.call([&] {
        const int32_t r = PseudoInverse(kA.data(), 2, 3, -1, out.data());
        return r ? r : Rank(kA.data(), 3, 2, -1, &rank);
    });
    if (inj.failing()) {
        EXPECT_EQ(code, kErrOutOfMemory);
        if (inj.site() > 5) {
            EXPECT_EQ(rank, -1);
        }
    } else {
        EXPECT_EQ(code, 0);
        EXPECT_EQ(rank, 2);
    }
}

ORIN_ALLOCATION_CASE(NormAndCondNumber, 8) {
    double norm = 0, cond = 0;
    // Norm 0: tall copy, values, SVD work; CondNumber 1: copy, permutation,
    // LU's column (falls back), the inverse's column and its in-place copy.
    const int32_t code = inj.call([&] {
        const int32_t r = Norm(kA.data(), 3, 3, 0, &norm);
        return r ? r : CondNumber(kA.data(), 3, 3, 1, &cond);
    });
    if (inj.failing() && inj.site() != 6) {
        EXPECT_EQ(code, kErrOutOfMemory);
        EXPECT_TRUE(isIDNaN(inj.site() <= 3 ? norm : cond));
    } else {
        ASSERT_EQ(code, 0);
        EXPECT_GT(cond, 1.0);
    }
}

ORIN_ALLOCATION_CASE(EigenDecompositions, 4) {
    Mat v(9), w(3);
    std::vector<complexnum> cw(3), cv(9);
    // SymEvectorEvalue: work; GenEigenValueVector: Hessenberg copy, vectors, work.
    const int32_t code = inj.call([&] {
        const int32_t r = SymEvectorEvalue(kA.data(), 3, 1, v.data(), w.data());
        return r ? r : GenEigenValueVector(kA.data(), 3, 1, cw.data(), cv.data());
    });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
}

ORIN_ALLOCATION_CASE(QrFamily, 12) {
    // Householder: block, W, two vectors, and one column per reflection
    // step (3); Givens: vector and W; fast Givens: two vectors and W.
    Mat q(9), r(9);
    int32_t rank = 0;
    const int32_t code = inj.call([&] {
        int32_t c = Householder_Factor(kA.data(), 3, 3, q.data(), r.data());
        if (!c) c = givens_qrd(kA.data(), 3, 3, q.data(), r.data(), &rank);
        if (!c) c = fast_giv_qrd(kA.data(), 3, 3, q.data(), r.data(), &rank);
        return c;
    });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
}

ORIN_ALLOCATION_CASE(TransposeRectangularInPlace, 1) {
    Mat a = {1, 2, 3, 4, 5, 6};
    const int32_t code = inj.call([&] { return Transpose(a.data(), 2, 3, a.data()); });
    if (inj.failing()) EXPECT_EQ(code, kErrOutOfMemory);
    else EXPECT_EQ(a, (Mat{1, 4, 2, 5, 3, 6}));
}

ORIN_ALLOCATION_CASE(LU_head, 2) {  // permutation resize, LU's column (falls back)
    DoubleMatrixHandle a(3, 3, kA);
    Int32Handle perm;
    int32_t parity = 0, err = 0;
    const MgErr status = inj.call([&] { return LU_head(a, perm, &parity, &err); });
    if (inj.failing() && inj.site() == 1) {
        EXPECT_NE(status, 0);
        EXPECT_EQ(err, kErrOutOfMemory);
        EXPECT_TRUE(a.emptied());
        EXPECT_TRUE(perm.emptied());
    } else {
        EXPECT_EQ(status, 0);
        EXPECT_EQ(err, 0);
        EXPECT_EQ(perm.size(), 3);
    }
}

ORIN_ALLOCATION_CASE(SVD_head, 3) {  // v, s, SVD work
    DoubleMatrixHandle a(3, 2, {1, 2, 3, 4, 5, 6}), v(0, 0, {});
    DoubleHandle s;
    int32_t err = 0;
    inj.call([&] { return SVD_head(a, s, v, &err); });
    if (inj.failing()) {
        EXPECT_EQ(err, kErrOutOfMemory);
        EXPECT_TRUE(a.emptied());
        EXPECT_TRUE(s.emptied());
        EXPECT_TRUE(v.emptied());
    } else {
        EXPECT_EQ(err, 0);
        EXPECT_EQ(s.size(), 2);
    }
}

ORIN_ALLOCATION_CASE(PseudoInverse_head, 7) {  // result, then PseudoInverse's 5, then the resize
    DoubleMatrixHandle a(2, 3, {1, 2, 3, 4, 5, 6});
    int32_t err = 0;
    inj.call([&] { return PseudoInverse_head(a, -1, &err); });
    if (inj.failing()) {
        EXPECT_EQ(err, kErrOutOfMemory);
        EXPECT_TRUE(a.emptied());
    } else {
        EXPECT_EQ(err, 0);
        EXPECT_EQ(a.rows(), 3);
    }
}

ORIN_ALLOCATION_CASE(EigenValueVector_head, 5) {  // values, vectors, core's 3
    DoubleMatrixHandle a(2, 2, {0, 1, -2, 0});
    orintest::ComplexHandle values;
    orintest::ComplexMatrixHandle vectors(0, 0, {});
    int32_t err = 0;
    inj.call([&] { return EigenValueVector_head(a, 1, values, vectors, &err); });
    if (inj.failing()) {
        EXPECT_EQ(err, kErrOutOfMemory);
        EXPECT_TRUE(values.emptied());
        EXPECT_TRUE(vectors.emptied());
    } else {
        EXPECT_EQ(err, 0);
        EXPECT_EQ(vectors.rows(), 2);
    }
}

ORIN_ALLOCATION_CASE(PackedHeads, 3) {  // packed resize, matrix resize, Cholesky's accumulators
    DoubleMatrixHandle a(3, 3, kA), back(0, 0, {});
    DoubleHandle packed;
    int32_t err = 0;
    inj.call([&] {
        Matrix_to_Compact_head(a, 2, packed, &err);
        if (err) return 0;
        Compact_to_Matrix_head(packed, 2, back, &err);
        if (err) return 0;
        return Cholesky_head(packed, &err);
    });
    if (inj.failing() && inj.site() < 3) {
        EXPECT_EQ(err, kErrOutOfMemory);
    } else {
        EXPECT_EQ(err, 0);
        EXPECT_EQ(back.values(), kA);
    }
}
