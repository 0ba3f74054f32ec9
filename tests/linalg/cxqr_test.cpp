// Complex Householder QR: the reflection kernels by the properties of a
// reflection, and the entry point's failures (the factorisation itself is
// a typed test in qr_test.cpp).
#include <orin/linalg.h>

#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;

TEST(CxQR, ReflectionKernels) {
    // H z = -e^(i arg z_0) ||z|| e_0; applied with an offset, H keeps the
    // head, keeps the tail's norm (unitary) and undoes itself (Hermitian).
    const int len = 6, n = 9, offset = n - len;
    const CMat zv = randomCx(1, len, 3300), w = randomCx(1, n, 3301);
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
    const CMat s0 = randomCx(p, qc, 3302);
    CMat s = s0, sv(p);
    CxHouseholderVector hs{0, 0, sv.data()};
    ASSERT_EQ(CxMhhld_step(s.data(), p, qc, &hs, s.data()), 0);
    for (int i = 1; i < p; ++i) EXPECT_TRUE(same(s[size_t(i) * qc], {0, 0})) << i;
    const LMat g0 = productL(adjoint(s0, p, qc), s0, qc, p, qc), g1 = productL(adjoint(s, p, qc), s, qc, p, qc);
    for (int i = 0; i < qc * qc; ++i) EXPECT_LT(std::abs(g0[i] - g1[i]), kBound * p * kEps * 4) << i;
    // Codes.
    const complexnum zero[] = {{0, 0}, {0, 0}}, nan[] = {{1, std::nan("")}, {1, 0}}, inf[] = {{HUGE_VAL, 0}, {1, 0}};
    for (const complexnum *bad : {zero, nan, inf}) EXPECT_EQ(Cxhouse_calc(bad, 2, &h), kErrZeroNormVector);
    EXPECT_EQ(Cxhouse_calc(zv.data(), 0, &h), kErrZeroNormVector);
    ASSERT_EQ(Cxhouse_calc(zv.data(), len, &h), 0);
    EXPECT_EQ(CxMVprod_house(&h, offset + 1, w.data(), n, once.data()), kErrBadArraySize);
    EXPECT_EQ(CxMVprod_house(&h, -1, w.data(), len - 1, once.data()), kErrBadArraySize);
    const CMat zs(6, complexnum{0, 0});
    EXPECT_EQ(CxMhhld_step(zs.data(), 3, 2, &hs, s.data()), kErrZeroNormVector);
    CMat q1(1), r1(1);
    int32_t rank = 0;
    EXPECT_EQ(CxHouseholder_Factor(nullptr, 65536, 1, nullptr, nullptr), kErrOutOfMemory)
        << "Q would have 2^32 elements";
    for (int algorithm : {1, 2, -1})
        EXPECT_EQ(Cxqrd(zs.data(), 1, 1, algorithm, q1.data(), r1.data(), &rank), kErrInvalidSelector) << algorithm;
}

// A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(CxQrEntryPoint) {
    auto a = [](Contract &c, int r, int k) { return c.input<ComplexMatrix>(r, k, CMat(size_t(r) * k, complexnum{1, 2})); };
    return {
        ORIN_ROW(kErrEmptyArray, Cxqrd_head(a(c, 0, 3), byRef(0), c.output<ComplexMatrix>(1, 1, CMat{{1, 0}}), c.output<ComplexMatrix>(0, 0, CMat{}), e)),
        ORIN_ROW(kErrInvalidSelector, Cxqrd_head(a(c, 2, 3), byRef(1), c.output<ComplexMatrix>(1, 1, CMat{{1, 0}}), c.output<ComplexMatrix>(0, 0, CMat{}), e)),  // Givens
        ORIN_ROW(kErrInvalidSelector, Cxqrd_head(a(c, 3, 2), byRef(2), c.output<ComplexMatrix>(1, 1, CMat{{1, 0}}), c.output<ComplexMatrix>(0, 0, CMat{}), e)),  // fast Givens
        ORIN_ROW(kErrOutOfMemory, Cxqrd_head(a(c, 65536, 1), byRef(0), c.output<ComplexMatrix>(1, 1, CMat{{1, 0}}), c.output<ComplexMatrix>(0, 0, CMat{}), e)),
    };
}
// clang-format on

// The column of the reflection step, a kernel the reliability sweep does not
// fail (it fails CxHouseholder_Factor's block in row CxHouseholder_Factor).
ORIN_ALLOCATION_CASE(CxMhhld_step, 1) {
    CMat s = linalgtest::randomCx(3, 2, 3500), sv(3);
    CxHouseholderVector hs{0, 0, sv.data()};
    EXPECT_EQ(inj.call([&] { return CxMhhld_step(s.data(), 3, 2, &hs, s.data()); }),
              inj.failing() ? kErrOutOfMemory : 0);
}
