// Each allocation of every allocating routine made to fail: the documented
// code, emptied or NaN outputs, nothing leaked. The scratch that only makes
// the access contiguous (LU's column, the product's and Cholesky's
// accumulators) falls back to the direct loops with the same result.
#include <orin/linalg.h>

#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;

namespace {

const Mat kA = {4, 1, 2, 1, 5, 3, 2, 3, 6};  // symmetric positive definite, det 70

// Runs the calls in order until one fails; returns that code (0 if none).
template <class... F>
int32_t chain(F &&...calls) {
    int32_t code = 0;
    ((code = code ? code : calls()), ...);
    return code;
}

}  // namespace

ORIN_ALLOCATION_CASE(ContiguityScratchFallsBack, 3) {
    Mat lu = kA, c(9), p = {4, 1, 2, 5, 3, 6};
    std::vector<int32_t> perm(3);
    int32_t parity = 0, singular = 1;
    ASSERT_EQ(inj.call([&] {
        LU(lu.data(), perm.data(), 3, &parity, &singular);
        return chain([&] { return MatrixMul(kA.data(), kA.data(), 3, 3, 3, c.data()); },
                     [&] { return Cholesky(p.data(), 3); }, [&] { return singular; });
    }),
              0);
    EXPECT_EQ(c, product(kA, kA, 3, 3, 3));
    EXPECT_EQ(p[0], 2.0);
    Mat ref = kA;
    LU(ref.data(), perm.data(), 3, &parity, &singular);
    EXPECT_EQ(lu, ref);
}

ORIN_ALLOCATION_CASE(InversesAndDeterminants, 10) {
    // InvMatrix: copy, permutation, (LU's column); LUInvMatrix in place:
    // column, copy; Determinant 0: copy, permutation, (column); 1: packed,
    // (accumulators). Sites in parentheses fall back.
    Mat inv(9), lu = kA;
    std::vector<int32_t> perm(3);
    int32_t parity = 0;
    LUFactor(lu.data(), 3, perm.data(), &parity);
    double d0 = 0, d1 = 0;
    const int32_t code = inj.call([&] {
        return chain([&] { return InvMatrix(kA.data(), 3, inv.data()); },
                     [&] { return LUInvMatrix(lu.data(), perm.data(), 3, lu.data()); },
                     [&] { return Determinant(kA.data(), 3, 0, &d0); },
                     [&] { return Determinant(kA.data(), 3, 1, &d1); });
    });
    const int64_t s = inj.site();
    if (inj.failing() && s != 3 && s != 8 && s != 10) {
        EXPECT_EQ(code, kErrOutOfMemory);
    } else {
        ASSERT_EQ(code, 0);
        EXPECT_LT(residualRatio(kA, inv, identity(3), 3, 3, 3), kBound);
        EXPECT_NEAR(d0, 70.0, 70 * 16 * kEps);
        EXPECT_NEAR(d1, 70.0, 70 * 16 * kEps);
    }
}

ORIN_ALLOCATION_CASE(DecompositionsAndMeasures, 27) {
    // Cholesky_InvMatrix 1, CheckPosdef 3, SVD 1, SVDS 1, GenLinEqs 5,
    // PseudoInverse 5, Rank 3, Norm 3, SymEvectorEvalue 1,
    // GenEigenValueVector 3, Transpose of a rectangle in place 1.
    Mat p = {2, 0.5, 1, 2, 1, 2}, a = kA, sa = kA, s(3), v(9), x(3), pinv(6), w(3), tr = {1, 2, 3, 4, 5, 6};
    std::vector<complexnum> cw(3), cv(9);
    int32_t result = 7, rank = 0;
    double norm = 0;
    const double b[] = {1, 2, 3};
    const int32_t code = inj.call([&] {
        return chain(
            [&] { return Cholesky_InvMatrix(p.data(), 3, p.data()); },
            [&] { return CheckPosdef(kA.data(), 3, &result); }, [&] { return SVD(a.data(), 3, 3, s.data(), v.data()); },
            [&] { return SVDS(sa.data(), 3, 3, s.data()); }, [&] { return GenLinEqs(kA.data(), 3, 3, b, x.data()); },
            [&] { return PseudoInverse(kA.data(), 2, 3, -1, pinv.data()); },
            [&] { return Rank(kA.data(), 3, 2, -1, &rank); }, [&] { return Norm(kA.data(), 3, 3, 0, &norm); },
            [&] { return SymEvectorEvalue(kA.data(), 3, 1, v.data(), w.data()); },
            [&] { return GenEigenValueVector(kA.data(), 3, 1, cw.data(), cv.data()); },
            [&] { return Transpose(tr.data(), 2, 3, tr.data()); });
    });
    if (inj.failing()) {
        EXPECT_EQ(code, kErrOutOfMemory);
    } else {
        EXPECT_EQ(code, 0);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(rank, 2);
        EXPECT_EQ(tr, (Mat{1, 4, 2, 5, 3, 6}));
    }
}

ORIN_ALLOCATION_CASE(QrFamily, 12) {
    // Householder: block, W, two vectors, and one column per reflection (3);
    // Givens: vector and W; fast Givens: two vectors and W.
    Mat q(9), r(9);
    int32_t rank = 0;
    const int32_t code = inj.call([&] {
        return chain([&] { return Householder_Factor(kA.data(), 3, 3, q.data(), r.data()); },
                     [&] { return givens_qrd(kA.data(), 3, 3, q.data(), r.data(), &rank); },
                     [&] { return fast_giv_qrd(kA.data(), 3, 3, q.data(), r.data(), &rank); });
    });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
}

ORIN_ALLOCATION_CASE(HandleForms, 17) {
    // LU_head: perm resize, (LU's column); SVD_head: v, s, work;
    // PseudoInverse_head: result, the core's 5, the resize to n x m;
    // EigenValueVector_head: values, vectors, the core's 3.
    orintest::DoubleMatrixHandle a(3, 3, kA), sv(3, 2, {1, 2, 3, 4, 5, 6}), v(0, 0, {}), pi(2, 3, {1, 2, 3, 4, 5, 6});
    orintest::DoubleMatrixHandle rot(2, 2, {0, 1, -2, 0});
    orintest::Int32Handle perm;
    orintest::DoubleHandle s;
    orintest::ComplexHandle values;
    orintest::ComplexMatrixHandle vectors(0, 0, {});
    int32_t parity = 0, e[4] = {0, 0, 0, 0};
    inj.call([&] {
        LU_head(a, perm, &parity, &e[0]);
        SVD_head(sv, s, v, &e[1]);
        PseudoInverse_head(pi, byRef(-1.0), &e[2]);
        return EigenValueVector_head(rot, byRef(1), values, vectors, &e[3]);
    });
    // The call that met the failing allocation, and whether its outputs
    // came back emptied.
    const int64_t site = inj.site();
    const int failed = !inj.failing() || site == 2 ? -1 : site == 1 ? 0 : site <= 5 ? 1 : site <= 12 ? 2 : 3;
    const bool emptied[] = {a.emptied() && perm.emptied(), sv.emptied() && s.emptied() && v.emptied(), pi.emptied(),
                            values.emptied() && vectors.emptied()};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(e[k], k == failed ? kErrOutOfMemory : 0) << k;
        EXPECT_EQ(emptied[k], k == failed) << k;
    }
}
