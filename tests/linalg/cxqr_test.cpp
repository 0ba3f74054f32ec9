// Complex Householder QR: reconstruction, unitarity and the staircase of R
// on random, rank-deficient, scaled and structured matrices; the reflection
// kernels by the properties of a reflection; the entry point's failures.
#include <orin/linalg.h>

#include "support/prelude.h"

#include "cx_reference.h"

using cxtest::at;
using cxtest::byRef;
using cxtest::CMat;
using cxtest::same;

namespace {

constexpr double kBound = 30.0;

// Q R == A to working precision, Q unitary, R exactly zero below the diagonal.
void expectFactorisation(const CMat &a, int m, int n, const CMat &q, const CMat &r) {
    EXPECT_LT(cxtest::reconstructionRatio(a, cxtest::productL(q, r, m, m, n), m, n), kBound);
    EXPECT_LT(cxtest::unitarityRatio(q, m, m), kBound);
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < std::min(i, n); ++j) EXPECT_TRUE(same(r[size_t(i) * n + j], {0, 0})) << i << "," << j;
}

CMat scaled(CMat a, int k) {
    for (complexnum &z : a) z = {std::ldexp(z.re, k), std::ldexp(z.im, k)};
    return a;
}

}  // namespace

TEST(CxQR, FactorsWithUnitaryQAndTriangularR) {
    // Entries near 2^+-900 have squares beyond the double range; R may
    // overwrite A.
    const CMat tall = cxtest::randomCx(14, 5, 3101);
    const struct { const char *name; int m, n; CMat a; } shapes[] = {
        {"1x1", 1, 1, {{-2, 3}}}, {"tall 14x5", 14, 5, tall}, {"wide 4x10", 4, 10, cxtest::randomCx(4, 10, 3102)},
        {"rank 2 of 8x6", 8, 6, cxtest::lowRankCx(8, 6, 2, 3103)}, {"2^900", 14, 5, scaled(tall, 900)},
        {"2^-900", 14, 5, scaled(tall, -900)}};
    for (const auto &c : shapes) {
        SCOPED_TRACE(c.name);
        CMat q(size_t(c.m) * c.m), r(size_t(c.m) * c.n), inPlace = c.a, q2(q.size());
        int32_t rank = -7;
        ASSERT_EQ(Cxqrd(c.a.data(), c.m, c.n, 0, q.data(), r.data(), &rank), 0);
        expectFactorisation(c.a, c.m, c.n, q, r);
        EXPECT_EQ(rank, -7) << "Householder reports no rank";
        ASSERT_EQ(CxHouseholder_Factor(inPlace.data(), c.m, c.n, q2.data(), inPlace.data()), 0);
        expectFactorisation(c.a, c.m, c.n, q2, inPlace);
    }
}

TEST(CxQR, StaircaseZeroedColumnsAndNonFinite) {
    // A zero first column: R's column 0 stays zero and the staircase starts
    // in column 1 at row 0, with |R(0,1)| the norm of column 1 (5).
    const CMat z = {{0, 0}, {0, 3}, {1, 1}, {0, 0}, {4, 0}, {2, -1}, {0, 0}, {0, 0}, {5, 2}};
    CMat q(9), r(9);
    ASSERT_EQ(CxHouseholder_Factor(z.data(), 3, 3, q.data(), r.data()), 0);
    expectFactorisation(z, 3, 3, q, r);
    EXPECT_TRUE(same(r[0], {0, 0}) && same(r[7], {0, 0}));
    EXPECT_NEAR(std::abs(at(r, 1)), 5.0, 8 * kEps);
    // Rank 1: what is left of column 1 below row 0 is negligible, so it is
    // zeroed, not reflected.
    const CMat dep = {{1, 1}, {2, 2}, {0, 2}, {0, 4}, {3, 0}, {6, 0}};
    CMat r3(6);
    ASSERT_EQ(CxHouseholder_Factor(dep.data(), 3, 2, q.data(), r3.data()), 0);
    expectFactorisation(dep, 3, 2, q, r3);
    EXPECT_LT(std::abs(at(r3, 3)), 16 * kEps * std::abs(at(r3, 1)));
    EXPECT_TRUE(same(r3[5], {0, 0}));
    // The identity: each reflection maps a positive pivot to its negative.
    ASSERT_EQ(CxHouseholder_Factor(cxtest::identityCx(3).data(), 3, 3, q.data(), r.data()), 0);
    for (size_t i = 0; i < 9; ++i) EXPECT_TRUE(same(q[i], {i % 4 ? 0.0 : -1.0, 0}) && same(r[i], q[i])) << i;
    // A NaN or infinity in column 1 reaches R's column 1 (not a silent 0)
    // and Q, while the first column's reflection stands.
    for (double bad : {std::nan(""), HUGE_VAL}) {
        CMat a = cxtest::randomCx(4, 3, 3200), q4(16), r4(12);
        a[4].im = bad;
        ASSERT_EQ(CxHouseholder_Factor(a.data(), 4, 3, q4.data(), r4.data()), 0);
        for (int i = 1; i < 4; ++i) EXPECT_TRUE(std::isnan(r4[size_t(i) * 3 + 1].re)) << bad << " " << i;
        EXPECT_TRUE(std::isnan(q4[0].re) && !std::isnan(r4[0].re)) << bad;
    }
}

TEST(CxQR, ReflectionKernels) {
    // H z = -e^(i arg z_0) ||z|| e_0; applied with an offset, H keeps the
    // head, keeps the tail's norm (unitary) and undoes itself (Hermitian).
    const int len = 6, n = 9, offset = n - len;
    const CMat zv = cxtest::randomCx(1, len, 3300), w = cxtest::randomCx(1, n, 3301);
    CMat vv(len), once(n), twice(n), hz(len);
    CxHouseholderVector h{0, 0, vv.data()};
    ASSERT_EQ(Cxhouse_calc(zv.data(), len, &h), 0);
    EXPECT_TRUE(h.length == len && same(vv[0], {1, 0}));
    ASSERT_EQ(CxMVprod_house(&h, 0, zv.data(), len, hz.data()), 0);
    long double zz = 0;
    for (int i = 0; i < len; ++i) zz += std::norm(at(zv, i));
    EXPECT_LT(std::abs(at(hz, 0) + at(zv, 0) / std::abs(at(zv, 0)) * std::sqrt(zz)), kBound * kEps);
    for (int i = 1; i < len; ++i) EXPECT_LT(std::abs(at(hz, i)), kBound * kEps) << i;
    ASSERT_EQ(CxMVprod_house(&h, offset, w.data(), n, once.data()), 0);
    ASSERT_EQ(CxMVprod_house(&h, offset, once.data(), n, twice.data()), 0);
    long double before = 0, after = 0;
    for (int i = 0; i < n; ++i) {
        EXPECT_TRUE(i >= offset || same(once[i], w[i])) << i;
        EXPECT_LT(std::abs(at(twice, i) - at(w, i)), kBound * len * kEps) << i;
        if (i >= offset) before += std::norm(at(w, i)), after += std::norm(at(once, i));
    }
    EXPECT_NEAR(double(std::sqrt(after)), double(std::sqrt(before)), kBound * len * kEps);
    // CxMhhld_step on a 5 x 3 block in place: column 0 becomes (beta, 0...)
    // exactly, and the columns' inner products (S^H S) are kept.
    const int p = 5, qc = 3;
    const CMat s0 = cxtest::randomCx(p, qc, 3302);
    CMat s = s0, sv(p);
    CxHouseholderVector hs{0, 0, sv.data()};
    ASSERT_EQ(CxMhhld_step(s.data(), p, qc, &hs, s.data()), 0);
    for (int i = 1; i < p; ++i) EXPECT_TRUE(same(s[size_t(i) * qc], {0, 0})) << i;
    const cxtest::LMat g0 = cxtest::productL(cxtest::adjoint(s0, p, qc), s0, qc, p, qc),
                       g1 = cxtest::productL(cxtest::adjoint(s, p, qc), s, qc, p, qc);
    for (int i = 0; i < qc * qc; ++i) EXPECT_LT(std::abs(g0[i] - g1[i]), kBound * p * kEps * 4) << i;
    // Codes.
    const complexnum zero[] = {{0, 0}, {0, 0}}, nan[] = {{1, std::nan("")}, {1, 0}}, inf[] = {{HUGE_VAL, 0}, {1, 0}};
    for (const complexnum *bad : {zero, nan, inf}) EXPECT_EQ(Cxhouse_calc(bad, 2, &h), kErrZeroNormVector);
    EXPECT_EQ(Cxhouse_calc(zv.data(), 0, &h), kErrZeroNormVector);
    ASSERT_EQ(Cxhouse_calc(zv.data(), len, &h), 0);
    EXPECT_EQ(CxMVprod_house(&h, offset + 1, w.data(), n, once.data()), kErrBadArraySize);
    EXPECT_EQ(CxMVprod_house(&h, -1, w.data(), len - 1, once.data()), kErrBadArraySize);
    EXPECT_EQ(CxMhhld_step(s0.data(), 0, 3, &hs, s.data()), kErrEmptyArray);
    const CMat zs(6, complexnum{0, 0});
    EXPECT_EQ(CxMhhld_step(zs.data(), 3, 2, &hs, s.data()), kErrZeroNormVector);
    CMat q1(1), r1(1);
    int32_t rank = 0;
    EXPECT_EQ(Cxqrd(zs.data(), 0, 1, 0, q1.data(), r1.data(), &rank), kErrEmptyArray);
    EXPECT_EQ(CxHouseholder_Factor(zs.data(), 1, 0, q1.data(), r1.data()), kErrEmptyArray);
    EXPECT_EQ(CxHouseholder_Factor(nullptr, 65536, 1, nullptr, nullptr), kErrOutOfMemory) << "Q would have 2^32 elements";
    for (int algorithm : {1, 2, -1})
        EXPECT_EQ(Cxqrd(zs.data(), 1, 1, algorithm, q1.data(), r1.data(), &rank), kErrInvalidSelector) << algorithm;
}

ORIN_CONTRACT_TABLE(CxQrEntryPoint) {
    auto row = [](const char *name, int32_t code, int r, int c, int algorithm) {
        return orintest::errorRow(name, code, [=](Contract &k, int32_t *e) {
            return Cxqrd_head(k.input<ComplexMatrix>(r, c, CMat(size_t(r) * c, complexnum{1, 2})), byRef(algorithm),
                              k.output<ComplexMatrix>(1, 1, CMat{{1, 0}}), k.output<ComplexMatrix>(0, 0, CMat{}), e);
        });
    };
    return {row("Cxqrd_head empty", kErrEmptyArray, 0, 3, 0), row("Cxqrd_head Givens", kErrInvalidSelector, 2, 3, 1),
            row("Cxqrd_head fast Givens", kErrInvalidSelector, 3, 2, 2), row("Cxqrd_head 65536 x 1", kErrOutOfMemory, 65536, 1, 0)};
}

// The column of the reflection step, a kernel the reliability sweep does not
// fail (it fails CxHouseholder_Factor's block in row CxHouseholder_Factor).
ORIN_ALLOCATION_CASE(CxMhhld_step, 1) {
    CMat s = cxtest::randomCx(3, 2, 3500), sv(3);
    CxHouseholderVector hs{0, 0, sv.data()};
    EXPECT_EQ(inj.call([&] { return CxMhhld_step(s.data(), 3, 2, &hs, s.data()); }), inj.failing() ? kErrOutOfMemory : 0);
}
