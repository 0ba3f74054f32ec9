// The complex SVD and its measures at the ends of the double range, and the
// handle forms with their codes (the properties shared with the real
// routines are typed tests in svd_test.cpp).
#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;

namespace {

void expectNear(const CMat &got, const CMat &want, double tol) {
    for (size_t k = 0; k < want.size(); ++k) EXPECT_LT(std::abs(at(got, k) - at(want, k)), tol) << k;
}

}  // namespace

TEST(CxSVD, TheEndsOfTheRange) {
    CMat v(4);
    std::vector<double> s(2);
    // Orthogonal columns near the top of the range: no overflow inside, the
    // values (sqrt(2) 1.5e308 twice) come back infinite, the factors unitary.
    CMat big = {{1.5e308, 0}, {0, 1.5e308}, {0, 1.5e308}, {1.5e308, 0}};
    ASSERT_EQ(CxSVD(big.data(), 2, 2, s.data(), v.data()), 0);
    EXPECT_TRUE(std::isinf(s[0]) && std::isinf(s[1]));
    EXPECT_LT(std::max(orthogonalityRatio(big, 2, 2), orthogonalityRatio(v, 2, 2)), kBound);
    // Tiny entries keep their relative accuracy: the scaled identity.
    const CMat tiny = {{1e-300, 0}, {0, 0}, {0, 0}, {0, 3e-300}};
    ASSERT_EQ(CxSVDS(tiny.data(), 2, 2, s.data()), 0);
    EXPECT_TRUE(std::fabs(s[0] - 3e-300) < 4 * kEps * 3e-300 && std::fabs(s[1] - 1e-300) < 4 * kEps * 1e-300);
}

TEST(CxMeasures, KeepWorkingNearTheTopOfTheRange) {
    // A = h [[1, i], [i, 1]] (h = 1.5e308) has both singular values sqrt(2) h,
    // beyond the double range: the 2-norm is infinite, but rank, condition,
    // least squares and pseudo-inverse are ordinary numbers.
    const double h = 1.5e308, w = 0.5 / h;
    const CMat a = {{h, 0}, {0, h}, {0, h}, {h, 0}};
    int32_t rank = 0;
    double value = 0;
    for (double tol : {-1.0, 1e308}) {  // an absolute tolerance below the values
        ASSERT_EQ(CxRank(a.data(), 2, 2, tol, &rank), 0);
        EXPECT_EQ(rank, 2) << tol;
    }
    ASSERT_EQ(CxNorm(a.data(), 2, 2, 0, &value), 0);
    EXPECT_EQ(value, HUGE_VAL);
    ASSERT_EQ(CxCondNumber(a.data(), 2, 2, 0, &value), 0);
    EXPECT_NEAR(value, 1.0, 8 * kEps);
    const CMat b = {{0, 0}, {0, 0.5 * h}};  // A (0.25, 0.25 i)
    CMat x(2), p(4);
    ASSERT_EQ(CxGenLinEqs(a.data(), 2, 2, b.data(), x.data()), 0);
    expectNear(x, {{0.25, 0}, {0, 0.25}}, 8 * kEps);
    // A^+ = A^H / (2 h^2) = [[1, -i], [-i, 1]] / (2 h), 3.3e-309: a few bits
    // into gradual underflow.
    ASSERT_EQ(CxPseudoInverse(a.data(), 2, 2, -1, p.data()), 0);
    expectNear(p, {{w, 0}, {0, -w}, {0, -w}, {w, 0}}, 64 * kEps * w);
}

TEST(CxSVDHandles, ResultsInTheHandles) {
    const CMat a = randomCx(5, 3, 1300);
    orintest::ComplexMatrixHandle h(5, 3, a), v(0, 0, {}), kept(5, 3, a), p(5, 3, a);
    orintest::DoubleHandle s, s2;
    orintest::ComplexHandle b(randomCx(5, 1, 1301)), x;
    int32_t error = 1;
    ASSERT_EQ(CxSVD_head(h, s, v, &error), 0);
    ASSERT_TRUE(error == 0 && s.size() == 3 && v.rows() == 3 && v.cols() == 3);
    const std::vector<double> sv = s.values();
    EXPECT_LT(svdRatio(a, 5, 3, h.values(), sv, v.values()), kBound);
    ASSERT_EQ(CxSVDS_head(kept, s2, &error), 0);  // values only: the matrix survives
    EXPECT_TRUE(s2.values() == sv && same(kept.values(), a));
    // The pseudo-inverse in place (5 x 3 becomes 3 x 5) and the solve equal
    // the cores'.
    CMat want(15), xc(3);
    ASSERT_EQ(CxPseudoInverse(a.data(), 5, 3, -1, want.data()), 0);
    ASSERT_EQ(CxGenLinEqs(a.data(), 5, 3, b.values().data(), xc.data()), 0);
    ASSERT_EQ(CxPseudoInverse_head(p, byRef(-1.0), &error), 0);
    EXPECT_TRUE(error == 0 && p.rows() == 3 && p.cols() == 5 && same(p.values(), want));
    ASSERT_EQ(CxGenLinEqs_head(kept, b, x, &error), 0);
    EXPECT_TRUE(error == 0 && same(x.values(), xc));
}

// A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(CxSvdEntryPoints) {
    const CMat six = randomCx(2, 3, 1400), four = {{1, 0}, {0, 0}, {0, 0}, {0, 0}}, three(3, complexnum{1, 0});
    CMat nan = six;
    nan[4].re = std::nan("");
    return {
        ORIN_ROW(kErrBadArraySize, CxSVD_head(c.output<ComplexMatrix>(2, 3, six), c.output<DoubleArray>(std::vector<double>{1}), c.output<ComplexMatrix>(1, 1, CMat{{1, 0}}), e)),
        ORIN_ROW(kErrNoConvergence, CxSVD_head(c.output<ComplexMatrix>(3, 2, nan), c.output<DoubleArray>(std::vector<double>{1}), c.output<ComplexMatrix>(1, 1, CMat{{1, 0}}), e)),
        ORIN_ROW(kErrBadArraySize, CxSVDS_head(c.input<ComplexMatrix>(2, 3, six), c.output<DoubleArray>(std::vector<double>{1, 2}), e)),
        ORIN_ROW(kErrEmptyArray, CxSVDS_head(c.input<ComplexMatrix>(0, 2, CMat{}), c.output<DoubleArray>(std::vector<double>{1}), e)),
        ORIN_ROW(kErrEmptyArray, CxPseudoInverse_head(c.output<ComplexMatrix>(2, 0, CMat{}), byRef(-1.0), e)),
        ORIN_ROW(kErrNoConvergence, CxPseudoInverse_head(c.output<ComplexMatrix>(2, 3, nan), byRef(-1.0), e)),
        ORIN_ROW(kErrNoConvergence, checked(CxRank_head(c.input<ComplexMatrix>(2, 3, nan), byRef(-1.0), &(intOut = 5), e), intOut, -1)),
        ORIN_ROW(kErrInvalidSelector, CxNorm_head(c.input<ComplexMatrix>(2, 3, six), byRef(5), c.scalar(), e)),
        ORIN_ROW(kErrEmptyArray, CxNorm_head(c.input<ComplexMatrix>(1, 0, CMat{}), byRef(0), c.scalar(), e)),
        ORIN_ROW(kErrEmptyArray, CxCondNumber_head(c.input<ComplexMatrix>(0, 2, CMat{}), byRef(0), c.scalar(), e)),
        ORIN_ROW(kErrNotSquare, CxCondNumber_head(c.input<ComplexMatrix>(2, 3, six), byRef(1), c.scalar(), e)),
        ORIN_ROW(kErrSingularMatrix, CxCondNumber_head(c.input<ComplexMatrix>(2, 2, four), byRef(3), c.scalar(), e)),
        ORIN_ROW(kErrInvalidSelector, CxCondNumber_head(c.input<ComplexMatrix>(2, 2, four), byRef(-1), c.scalar(), e)),
        ORIN_ROW(kErrArraySizeMismatch, CxGenLinEqs_head(c.input<ComplexMatrix>(2, 3, six), c.input<ComplexArray>(three), c.output<ComplexArray>(three), e)),
        ORIN_ROW(kErrEmptyArray, CxGenLinEqs_head(c.input<ComplexMatrix>(0, 2, CMat{}), c.input<ComplexArray>(), c.output<ComplexArray>(three), e)),
    };
}
// clang-format on
