// QR factorisations, real (every algorithm) and complex alike, by
// reconstruction, orthogonality and the staircase of R on random,
// rank-deficient, scaled and structured matrices; the real kernels'
// checks, the complex reflection kernels by the properties of a
// reflection, and the complex entry point's failures.
#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;

namespace {

template <class T>
std::vector<T> scaled(std::vector<T> a, int k) {
    for (T &z : a) z = narrow<T>(wide(z) * std::ldexp(1.0L, k));
    return a;
}

}  // namespace

TWIN_SUITE(QRFamily);

TYPED_TEST(QRFamily, FactorsWithOrthogonalQAndTriangularR) {
    // Entries near 2^+-900 have squares beyond the double range; R may
    // overwrite A.
    using T = typename TypeParam::T;
    const std::vector<T> tall = random<T>(14, 5, 1601);
    const struct {
        const char *name;
        int m, n, rank;
        std::vector<T> a;
    } shapes[] = {{"1x1", 1, 1, 1, {elem<T>(-2, 3)}},
                  {"square 9", 9, 9, 9, random<T>(9, 9, 1600)},
                  {"tall 14x5", 14, 5, 5, tall},
                  {"wide 4x10", 4, 10, 4, random<T>(4, 10, 1602)},
                  {"rank 2 of 8x6", 8, 6, -1, lowRank<T>(8, 6, 2, 1603)},
                  {"hilbert 7", 7, 7, 7, hilbert<T>(7)},
                  {"2^900", 14, 5, 5, scaled(tall, 900)},
                  {"2^-900", 14, 5, 5, scaled(tall, -900)}};
    for (const auto &c : shapes)
        for (int algorithm = 0; algorithm < TypeParam::qrAlgorithms; ++algorithm) {
            SCOPED_TRACE(std::string(c.name) + " algorithm " + std::to_string(algorithm));
            std::vector<T> q(size_t(c.m) * c.m), r(size_t(c.m) * c.n), inPlace = c.a;
            int32_t rank = -7;
            ASSERT_EQ(TypeParam::qrd(c.a.data(), c.m, c.n, algorithm, q.data(), r.data(), &rank), 0);
            expectFactorisation(c.a, c.m, c.n, q, r);
            EXPECT_EQ(rank, algorithm == 0 ? -7 : c.rank > 0 ? c.rank : rank) << "Householder reports no rank";
            if (algorithm > 0) continue;
            ASSERT_EQ(TypeParam::householder(inPlace.data(), c.m, c.n, q.data(), inPlace.data()), 0);
            expectFactorisation(c.a, c.m, c.n, q, inPlace);
        }
}

TYPED_TEST(QRFamily, StaircasesIdentityAndNonFiniteColumns) {
    using T = typename TypeParam::T;
    constexpr bool real = std::is_same_v<T, double>;
    // A zero first column: R's column 0 stays zero and the staircase starts
    // in column 1 at row 0, with |R(0,1)| the norm of column 1 (5).
    const std::vector<T> z = {elem<T>(0),   elem<T>(real ? 3 : 0, 3), elem<T>(1, 1), elem<T>(0),
                              elem<T>(4),   elem<T>(2, -1),           elem<T>(0),    elem<T>(0),
                              elem<T>(5, 2)};
    // Rank 1: what is left of column 1 below row 0 is negligible, so it is
    // zeroed, not reflected.
    const std::vector<T> dep = {elem<T>(1, 1), elem<T>(2, 2), elem<T>(0, 2), elem<T>(0, 4), elem<T>(3), elem<T>(6)};
    std::vector<T> q(9), r(9), r3(6);
    int32_t rank = -1;
    for (int algorithm = 0; algorithm < TypeParam::qrAlgorithms; ++algorithm) {
        SCOPED_TRACE(algorithm);
        ASSERT_EQ(TypeParam::qrd(z.data(), 3, 3, algorithm, q.data(), r.data(), &rank), 0);
        expectFactorisation(z, 3, 3, q, r);
        EXPECT_TRUE(r[0] == elem<T>(0) && r[3] == elem<T>(0) && r[6] == elem<T>(0) && r[7] == elem<T>(0));
        EXPECT_NEAR(double(std::abs(at(r, 1))), 5.0, 8 * kEps);
        ASSERT_EQ(TypeParam::qrd(dep.data(), 3, 2, algorithm, q.data(), r3.data(), &rank), 0);
        expectFactorisation(dep, 3, 2, q, r3);
        EXPECT_LT(std::abs(at(r3, 3)), 16 * kEps * std::abs(at(r3, 1)));
        EXPECT_EQ(r3[5], elem<T>(0));
    }
    if constexpr (real)
        for (int algorithm : {1, 2}) {  // an exactly dependent column: rank 1
            const Mat a = {1, 2, 0, 0, 0, 0};
            ASSERT_EQ(qrd(a.data(), 3, 2, algorithm, q.data(), r3.data(), &rank), 0);
            EXPECT_TRUE(rank == 1 && r3[3] == 0 && r3[5] == 0) << algorithm;
        }
    // The identity: each reflection maps a positive pivot to its negative
    // (rotations leave it as it is: HostCalls, qrd_head).
    ASSERT_EQ(TypeParam::householder(identity<T>(3).data(), 3, 3, q.data(), r.data()), 0);
    for (size_t i = 0; i < 9; ++i) EXPECT_TRUE(q[i] == elem<T>(i % 4 ? 0.0 : -1.0) && r[i] == q[i]) << i;
    // A NaN or infinity in column 1 (complex: its imaginary part) reaches
    // R's column 1 (not a silent 0) and Q, while the first column's
    // reflection stands.
    for (double bad : {std::nan(""), HUGE_VAL}) {
        std::vector<T> a = random<T>(4, 3, 3200), q4(16), r4(12);
        if constexpr (real) a[4] = bad;
        else a[4].im = bad;
        ASSERT_EQ(TypeParam::householder(a.data(), 4, 3, q4.data(), r4.data()), 0);
        for (int i = 1; i < 4; ++i) EXPECT_TRUE(isNaN(r4[size_t(i) * 3 + 1])) << bad << " " << i;
        EXPECT_TRUE(isNaN(q4[0]) && !isNaN(r4[0])) << bad;
    }
}

TEST(QR, KernelChecks) {
    // (Rotations', reflections' and diagonal scalings' values: QRFamily's
    // factorisations; b = 0 leaves the identity as it is: HostCalls, qrd_head.)
    Mat m = {3, 1, 4, 2};
    EXPECT_EQ(MMprod_givens(0.6, 0.8, 0, 2, m.data(), 2, 2), kErrIndexOutOfRange);
    EXPECT_EQ(MMprod_fast_giv(1, 1, 1, -1, 0, m.data(), 2, 2), kErrIndexOutOfRange);
    int32_t rank = 0;
    EXPECT_EQ(qrd(nullptr, 2, 2, 3, nullptr, nullptr, &rank), kErrInvalidSelector);  // checked before any access
    const double x[] = {3, 4}, zero[] = {0, 0}, nan[] = {std::nan(""), 1};
    double v[2], y[2];
    HouseholderVector hh{0, 0, v};
    ASSERT_EQ(house_calc(x, 2, &hh), 0);
    EXPECT_EQ(MVprod_house(&hh, 1, x, 2, y), kErrBadArraySize);
    EXPECT_EQ(house_calc(zero, 2, &hh), kErrZeroNormVector);
    EXPECT_EQ(house_calc(nan, 2, &hh), kErrZeroNormVector);
    EXPECT_EQ(Mhhld_step(zero, 2, 1, &hh, y), kErrZeroNormVector);       // no reflection for a zero first column
    EXPECT_EQ(Mhhld_step(nullptr, 0, 2, &hh, nullptr), kErrEmptyArray);  // before any access
    const Mat a = {1, 2, 3, 4, 5, 6};
    const double d2[] = {10, 100}, d3[] = {2, 3, 5};
    Mat out(6);
    EXPECT_EQ(MDprod(a.data(), 2, 3, d2, 2, out.data()), kErrBadArraySize);
    EXPECT_EQ(DMprod(a.data(), 2, 3, d3, 3, out.data()), kErrBadArraySize);
}

TEST(CxQR, ReflectionKernels) {
    // H z = -e^(i arg z_0) ||z|| e_0; applied with an offset, H keeps the
    // head, keeps the tail's norm (unitary) and undoes itself (Hermitian).
    const int len = 6, n = 9, offset = n - len;
    const CMat zv = randomCx(1, len, 3300), w = randomCx(1, n, 3301);
    CMat vv(len), once(n), twice(n), hz(len);
    CxHouseholderVector h{0, 0, vv.data()};
    ASSERT_EQ(Cxhouse_calc(zv.data(), len, &h), 0);
    EXPECT_TRUE(h.length == len && vv[0] == (complexnum{1, 0}));
    ASSERT_EQ(CxMVprod_house(&h, 0, zv.data(), len, hz.data()), 0);
    long double zz = 0;
    for (int i = 0; i < len; ++i) zz += std::norm(at(zv, i));
    EXPECT_LT(std::abs(at(hz, 0) + at(zv, 0) / std::abs(at(zv, 0)) * std::sqrt(zz)), kBound * kEps);
    for (int i = 1; i < len; ++i) EXPECT_LT(std::abs(at(hz, i)), kBound * kEps) << i;
    ASSERT_EQ(CxMVprod_house(&h, offset, w.data(), n, once.data()), 0);
    ASSERT_EQ(CxMVprod_house(&h, offset, once.data(), n, twice.data()), 0);
    long double before = 0, after = 0;
    for (int i = 0; i < n; ++i) {
        EXPECT_TRUE(i >= offset || once[i] == w[i]) << i;
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
    for (int i = 1; i < p; ++i) EXPECT_EQ(s[size_t(i) * qc], (complexnum{0, 0})) << i;
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
    EXPECT_EQ(CxMhhld_step(s0.data(), 0, 3, &hs, s.data()), kErrEmptyArray);
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
