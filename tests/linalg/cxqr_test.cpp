// Complex Householder QR: reconstruction, unitarity and the staircase of R
// on random, rank-deficient and structured matrices; the reflection kernels
// against explicit products; the entry point's failures and allocations.
#include <orin/linalg.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "cx_reference.h"
#include "support/allocation_failure.h"
#include "support/contract.h"
#include "support/handles.h"

using cxtest::at;
using cxtest::CMat;
using cxtest::lowRankCx;
using cxtest::same;
using orintest::kEps;
using orintest::LCx;

namespace {

constexpr double kBound = 30.0;

// Q R == A to working precision, Q unitary, R zero below the diagonal (an
// exact zero: the factorisation writes it).
void expectFactorisation(const CMat &a, int m, int n, const CMat &q, const CMat &r) {
    EXPECT_LT(cxtest::reconstructionRatio(a, cxtest::productL(q, r, m, m, n), m, n), kBound);
    EXPECT_LT(cxtest::unitarityRatio(q, m, m), kBound);
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < std::min(i, n); ++j) EXPECT_TRUE(same(r[size_t(i) * n + j], complexnum{0, 0})) << i << "," << j;
}

}  // namespace

TEST(CxQR, FactorsWithUnitaryQAndTriangularR) {
    struct Shape {
        const char *name;
        int m, n;
        CMat a;
    };
    const std::vector<Shape> shapes = {{"1x1", 1, 1, {{-2, 3}}},
                                       {"tall 14x5", 14, 5, cxtest::randomCx(14, 5, 3101)},
                                       {"wide 4x10", 4, 10, cxtest::randomCx(4, 10, 3102)},
                                       {"rank 2 of 8x6", 8, 6, lowRankCx(8, 6, 2, 3103)}};
    for (const Shape &c : shapes) {
        SCOPED_TRACE(c.name);
        CMat q(size_t(c.m) * c.m), r(size_t(c.m) * c.n);
        int32_t rank = -7;
        ASSERT_EQ(Cxqrd(c.a.data(), c.m, c.n, 0, q.data(), r.data(), &rank), 0);
        expectFactorisation(c.a, c.m, c.n, q, r);
        EXPECT_EQ(rank, -7) << "Householder reports no rank";
        // |R(0,0)| is the norm of the first column (a unitary map keeps it).
        long double col = 0;
        for (int i = 0; i < c.m; ++i) col += std::norm(at(c.a, size_t(i) * c.n));
        EXPECT_NEAR(std::abs(at(r, 0)), double(std::sqrt(col)), 8 * kEps * double(std::sqrt(col)));
    }
}

TEST(CxQR, StaircaseForZeroColumnsAndIdentity) {
    // A zero first column: R's column 0 stays zero and the staircase starts
    // in column 1 at row 0, with |R(0,1)| the norm of column 1 (5).
    const CMat z = {{0, 0}, {0, 3}, {1, 1}, {0, 0}, {4, 0}, {2, -1}, {0, 0}, {0, 0}, {5, 2}};
    CMat q(9), r(9);
    ASSERT_EQ(CxHouseholder_Factor(z.data(), 3, 3, q.data(), r.data()), 0);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(same(r[size_t(i) * 3], complexnum{0, 0})) << i;
    EXPECT_TRUE(same(r[7], complexnum{0, 0}));
    EXPECT_NEAR(std::abs(at(r, 1)), 5.0, 8 * kEps);
    EXPECT_LT(cxtest::reconstructionRatio(z, cxtest::productL(q, r, 3, 3, 3), 3, 3), kBound);
    EXPECT_LT(cxtest::unitarityRatio(q, 3, 3), kBound);
    // Rank 1 with the second column a multiple of the first: everything of
    // it below row 0 is negligible, so it is zeroed, not reflected.
    const CMat dep = {{1, 1}, {2, 2}, {0, 2}, {0, 4}, {3, 0}, {6, 0}};
    CMat q3(9), r3(6);
    ASSERT_EQ(CxHouseholder_Factor(dep.data(), 3, 2, q3.data(), r3.data()), 0);
    EXPECT_LT(cxtest::reconstructionRatio(dep, cxtest::productL(q3, r3, 3, 3, 2), 3, 2), kBound);
    EXPECT_LT(std::abs(at(r3, 3)), 16 * kEps * std::abs(at(r3, 1)));
    EXPECT_TRUE(same(r3[5], complexnum{0, 0}));
    // The identity: each reflection maps a positive pivot to its negative.
    const CMat id = cxtest::identityCx(3);
    ASSERT_EQ(CxHouseholder_Factor(id.data(), 3, 3, q.data(), r.data()), 0);
    for (size_t i = 0; i < 9; ++i) {
        const double want = i % 4 == 0 ? -1.0 : 0.0;
        EXPECT_TRUE(q[i].re == want && q[i].im == 0 && r[i].re == want && r[i].im == 0) << i;
    }
}

TEST(CxQR, ScaledMatricesAndInPlaceR) {
    // Entries near 2^+-900 (squares beyond the double range) factor as well
    // as order-1 ones; R may overwrite A.
    for (int k : {900, -900}) {
        SCOPED_TRACE(k);
        CMat a = cxtest::randomCx(5, 4, 3150);
        for (complexnum &z : a) z = {std::ldexp(z.re, k), std::ldexp(z.im, k)};
        CMat q(25), r = a;
        ASSERT_EQ(CxHouseholder_Factor(r.data(), 5, 4, q.data(), r.data()), 0);
        expectFactorisation(a, 5, 4, q, r);
    }
}

TEST(CxQR, NonFiniteColumnPropagates) {
    CMat a = cxtest::randomCx(4, 3, 3200), q(16), r(12);
    a[4].im = std::nan("");  // column 1
    ASSERT_EQ(CxHouseholder_Factor(a.data(), 4, 3, q.data(), r.data()), 0);
    for (int i = 1; i < 4; ++i) EXPECT_TRUE(std::isnan(r[size_t(i) * 3 + 1].re)) << i;  // not a silent 0
    EXPECT_TRUE(std::isnan(q[0].re));
    EXPECT_FALSE(std::isnan(r[0].re));  // the first column's reflection stands
    a[4].im = HUGE_VAL;
    ASSERT_EQ(CxHouseholder_Factor(a.data(), 4, 3, q.data(), r.data()), 0);
    EXPECT_TRUE(std::isnan(r[4].re) && std::isnan(q[5].im));
}

TEST(CxQR, ReflectionKernelsAgainstExplicitProducts) {
    // x = (3i, 4): ||x|| = 5, and H x = -e^(i pi/2) 5 e_0 = -5i e_0.
    const complexnum x[] = {{0, 3}, {4, 0}};
    complexnum v[2], y[2];
    CxHouseholderVector hh{0, 0, v};
    ASSERT_EQ(Cxhouse_calc(x, 2, &hh), 0);
    EXPECT_EQ(hh.length, 2);
    EXPECT_TRUE(same(v[0], complexnum{1, 0}));
    ASSERT_EQ(CxMVprod_house(&hh, 0, x, 2, y), 0);
    EXPECT_NEAR(y[0].re, 0.0, 4 * kEps);
    EXPECT_NEAR(y[0].im, -5.0, 8 * kEps);
    EXPECT_NEAR(std::abs(at(CMat(y, y + 2), 1)), 0.0, 8 * kEps);

    // A random reflection: H = I - tau v v^H built explicitly is unitary and
    // Hermitian, and CxMVprod_house with an offset applies it to the tail.
    const int len = 6, n = 9, offset = n - len;
    const CMat z = cxtest::randomCx(1, len, 3300), w = cxtest::randomCx(1, n, 3301);
    CMat vv(len), out(n);
    CxHouseholderVector h{0, 0, vv.data()};
    ASSERT_EQ(Cxhouse_calc(z.data(), len, &h), 0);
    std::vector<LCx> H(size_t(len) * len);
    for (int i = 0; i < len; ++i)
        for (int j = 0; j < len; ++j)
            H[size_t(i) * len + j] = LCx(i == j) - (long double)h.tau * at(vv, i) * std::conj(at(vv, j));
    long double worst = 0;
    for (int i = 0; i < len; ++i)
        for (int j = 0; j < len; ++j) {
            LCx s = 0;
            for (int k = 0; k < len; ++k) s += std::conj(H[size_t(k) * len + i]) * H[size_t(k) * len + j];
            worst = std::max(worst, std::abs(s - LCx(i == j)));
            worst = std::max(worst, std::abs(H[size_t(i) * len + j] - std::conj(H[size_t(j) * len + i])));
        }
    EXPECT_LT(double(worst), kBound * len * kEps);
    ASSERT_EQ(CxMVprod_house(&h, offset, w.data(), n, out.data()), 0);
    for (int i = 0; i < offset; ++i) EXPECT_TRUE(same(out[i], w[i])) << i;
    for (int i = 0; i < len; ++i) {
        LCx s = 0;
        for (int k = 0; k < len; ++k) s += H[size_t(i) * len + k] * at(w, offset + k);
        EXPECT_LT(std::abs(s - at(out, offset + i)), kBound * len * kEps) << i;
    }
    // H z lands on a multiple of e_0 (magnitude ||z||).
    CMat hz(len);
    ASSERT_EQ(CxMVprod_house(&h, 0, z.data(), len, hz.data()), 0);
    long double tail = 0, zz = 0;
    for (int i = 0; i < len; ++i) zz += std::norm(at(z, i)), tail += i ? std::norm(at(hz, i)) : 0;
    EXPECT_LT(double(std::sqrt(tail)), kBound * kEps);
    EXPECT_NEAR(std::abs(at(hz, 0)), double(std::sqrt(zz)), kBound * kEps);

    // CxMhhld_step on a 5 x 3 block, in place: column 0 becomes (beta, 0...)
    // exactly below, the others H times themselves.
    const int p = 5, qc = 3;
    const CMat s0 = cxtest::randomCx(p, qc, 3302);
    CMat s = s0, sv(p);
    CxHouseholderVector hs{0, 0, sv.data()};
    ASSERT_EQ(CxMhhld_step(s.data(), p, qc, &hs, s.data()), 0);
    for (int i = 1; i < p; ++i) EXPECT_TRUE(same(s[size_t(i) * qc], complexnum{0, 0})) << i;
    for (int j = 0; j < qc; ++j)
        for (int i = 0; i < p; ++i) {
            LCx t = 0;
            for (int k = 0; k < p; ++k) {
                const LCx hik = LCx(i == k) - (long double)hs.tau * at(sv, i) * std::conj(at(sv, k));
                t += hik * at(s0, size_t(k) * qc + j);
            }
            if (j > 0 || i == 0) {
                EXPECT_LT(std::abs(t - at(s, size_t(i) * qc + j)), kBound * p * kEps) << i << "," << j;
            }
        }

    // Codes.
    const complexnum zero[] = {{0, 0}, {0, 0}}, nan[] = {{1, std::nan("")}, {1, 0}}, inf[] = {{HUGE_VAL, 0}, {1, 0}};
    EXPECT_EQ(Cxhouse_calc(zero, 2, &hh), kErrZeroNormVector);
    EXPECT_EQ(Cxhouse_calc(nan, 2, &hh), kErrZeroNormVector);
    EXPECT_EQ(Cxhouse_calc(inf, 2, &hh), kErrZeroNormVector);
    EXPECT_EQ(Cxhouse_calc(x, 0, &hh), kErrZeroNormVector);
    ASSERT_EQ(Cxhouse_calc(x, 2, &hh), 0);
    EXPECT_EQ(CxMVprod_house(&hh, 1, x, 2, y), kErrBadArraySize);
    EXPECT_EQ(CxMVprod_house(&hh, -1, x, 1, y), kErrBadArraySize);
    EXPECT_EQ(CxMhhld_step(s0.data(), 0, 3, &hs, s.data()), kErrEmptyArray);
    const CMat zs(6, complexnum{0, 0});
    EXPECT_EQ(CxMhhld_step(zs.data(), 3, 2, &hs, s.data()), kErrZeroNormVector);
    CMat q1(1), r1(1);
    int32_t rank = 0;
    EXPECT_EQ(Cxqrd(zs.data(), 0, 1, 0, q1.data(), r1.data(), &rank), kErrEmptyArray);
    EXPECT_EQ(CxHouseholder_Factor(zs.data(), 1, 0, q1.data(), r1.data()), kErrEmptyArray);
    for (int algorithm : {1, 2, 3, -1})
        EXPECT_EQ(Cxqrd(zs.data(), 1, 1, algorithm, q1.data(), r1.data(), &rank), kErrInvalidSelector) << algorithm;
}

ORIN_CONTRACT_TABLE(CxQrEntryPoint) {
    using orintest::Contract;
    using orintest::errorRow;
    const CMat six(6, complexnum{1, 2});
    return {
        errorRow("Cxqrd_head empty", kErrEmptyArray, [](Contract &c, int32_t *e) {
            return Cxqrd_head(c.input<ComplexMatrix>(0, 3, {}), 0, c.output<ComplexMatrix>(1, 1, CMat{{1, 0}}),
                              c.output<ComplexMatrix>(1, 1, CMat{{1, 0}}), e);
        }),
        errorRow("Cxqrd_head Givens", kErrInvalidSelector, [six](Contract &c, int32_t *e) {
            return Cxqrd_head(c.input<ComplexMatrix>(2, 3, six), 1, c.output<ComplexMatrix>(1, 1, CMat{{1, 0}}),
                              c.output<ComplexMatrix>(1, 1, CMat{{1, 0}}), e);
        }),
        errorRow("Cxqrd_head fast Givens", kErrInvalidSelector, [six](Contract &c, int32_t *e) {
            return Cxqrd_head(c.input<ComplexMatrix>(3, 2, six), 2, c.output<ComplexMatrix>(0, 0, CMat{}), c.output<ComplexMatrix>(0, 0, CMat{}), e);
        }),
    };
}

ORIN_ALLOCATION_CASE(CxQrCores, 2) {
    // CxHouseholder_Factor: one carved block; CxMhhld_step: its column.
    const CMat a = cxtest::randomCx(3, 2, 3500);
    CMat q(9), r(6), s = a, sv(3);
    CxHouseholderVector hs{0, 0, sv.data()};
    int32_t first = -1;
    const int32_t second = inj.call([&] {
        first = CxHouseholder_Factor(a.data(), 3, 2, q.data(), r.data());
        return CxMhhld_step(s.data(), 3, 2, &hs, s.data());
    });
    EXPECT_EQ(first, inj.site() == 1 ? kErrOutOfMemory : 0);
    EXPECT_EQ(second, inj.site() == 2 ? kErrOutOfMemory : 0);
    if (inj.site() != 1) {
        EXPECT_LT(cxtest::reconstructionRatio(a, cxtest::productL(q, r, 3, 3, 2), 3, 2), kBound);
    }
}

ORIN_ALLOCATION_CASE(CxQrHandle, 3) {
    // The resizes of q and r (refused: the host's status is returned), then
    // the core's block; unrefused, the handles hold a factorisation of A.
    const CMat a = cxtest::randomCx(3, 2, 3501);
    orintest::ComplexMatrixHandle A(3, 2, a), Q(1, 1, {{1, 0}}), R(1, 1, {{1, 0}});
    int32_t error = -1;
    const MgErr status = inj.call([&] { return Cxqrd_head(A, 0, Q, R, &error); });
    EXPECT_EQ(error, inj.failing() ? kErrOutOfMemory : 0);
    EXPECT_EQ(status != 0, inj.site() == 1 || inj.site() == 2);
    EXPECT_EQ(Q.emptied() && R.emptied(), inj.failing());
    if (!inj.failing()) {
        ASSERT_TRUE(Q.rows() == 3 && Q.cols() == 3 && R.rows() == 3 && R.cols() == 2);
        expectFactorisation(a, 3, 2, Q.values(), R.values());
        EXPECT_TRUE(same(A.values(), a)) << "A is kept";
    }
}
