// The least-squares fits: every method of the general fit against the normal
// equations solved independently in long double, the covariance against
// their inverse, the documented rank-deficient answers and the
// Levenberg–Marquardt step; straight-line and exponential fits against
// centred least-squares sums and closed forms.
#include <orin/fitting.h>

#include "support/prelude.h"

#include "linalg/linalg_reference.h"

namespace {

using LVec = std::vector<long double>;

// A^-1 b for A k x k, by the linear-algebra suites' Gauss-Jordan inverse in
// long double: the reference for every method here.
LVec solveL(const LVec &a, const LVec &b, int k) {
    const linalgtest::LMat inverse = linalgtest::inverseL(a, k);
    LVec x(k);
    for (int r = 0; r < k; ++r)
        for (int p = 0; p < k; ++p) x[r] += inverse[r * k + p].real() * b[p];
    return x;
}

struct Problem {
    int n, k;
    std::vector<double> h, y, sigma;
    // H^T W H and H^T W y in long double.
    LVec normal() const {
        LVec a(k * k);
        for (int p = 0; p < k; ++p)
            for (int q = 0; q < k; ++q)
                for (int i = 0; i < n; ++i)
                    a[p * k + q] += static_cast<long double>(h[i * k + p]) * h[i * k + q] / weight(i);
        return a;
    }
    LVec rhs() const {
        LVec b(k);
        for (int p = 0; p < k; ++p)
            for (int i = 0; i < n; ++i) b[p] += static_cast<long double>(h[i * k + p]) * y[i] / weight(i);
        return b;
    }
    long double weight(int i) const { return sigma.empty() ? 1 : static_cast<long double>(sigma[i]) * sigma[i]; }
};

// A cubic in x on [0, 2] with noise: well conditioned (about 1e2).
Problem cubic(double sigmaScale) {
    Problem p{40, 4, {}, {}, {}};
    const std::vector<double> x = orintest::randomDoubles(40, 31, 0, 2), e = orintest::randomDoubles(40, 32);
    for (int i = 0; i < 40; ++i) {
        for (int j = 0; j < 4; ++j) p.h.push_back(std::pow(x[i], j));
        p.y.push_back(1 - 2 * x[i] + 0.5 * x[i] * x[i] * x[i] + 0.01 * e[i]);
        if (sigmaScale > 0) p.sigma.push_back(sigmaScale * (1 + 0.5 * e[i]));
    }
    return p;
}

}  // namespace

// With sigma = 1e7 the weighted normal matrix is of order 1e-14: an absolute
// pseudo-inverse tolerance would take it for zero; the covariance must still
// be its true inverse.
TEST(GenLSFitCoef, EveryMethodMatchesTheNormalEquationsWithItsCovariance) {
    for (double sigmaScale : {0.0, 0.3, 1e7}) {
        const Problem p = cubic(sigmaScale);
        const LVec want = solveL(p.normal(), p.rhs(), p.k);
        const linalgtest::LMat cov = linalgtest::inverseL(p.normal(), p.k);
        for (int algorithm = 0; algorithm <= 5; ++algorithm) {
            SCOPED_TRACE(::testing::Message() << "sigma " << sigmaScale << ", algorithm " << algorithm);
            std::vector<double> coef(p.k), covariance(p.k * p.k);
            const int32_t code =
                GenLSFitCoef(p.h.data(), p.n, p.k, p.y.data(), p.sigma.empty() ? nullptr : p.sigma.data(), coef.data(),
                             covariance.data(), algorithm);
            // LU keeps its absolute pivot rule, which a normal matrix of 1e-14 fails.
            if (algorithm == 4 && sigmaScale == 1e7) {
                EXPECT_EQ(code, kErrSingularMatrix);
                continue;
            }
            ASSERT_EQ(code, 0);
            // Condition about 1e2 (methods on H) or 1e4 (normal equations).
            for (int j = 0; j < p.k; ++j)
                EXPECT_NEAR(coef[j], static_cast<double>(want[j]), 1e4 * orintest::kEps * 8) << j;
            for (int j = 0; j < p.k * p.k; ++j)
                EXPECT_NEAR(covariance[j] / std::fabs(static_cast<double>(cov[0].real())),
                            static_cast<double>(cov[j].real() / std::fabs(cov[0].real())), 1e-9)
                    << j;
        }
    }
}

TEST(GenLSFitCoef, RankDeficiencyAndValidationOrder) {
    const std::vector<double> ones(6, 1.0), y(3, 2.0);
    std::vector<double> coef(2);
    ASSERT_EQ(GenLSFitCoef(ones.data(), 3, 2, y.data(), nullptr, coef.data(), nullptr, 0), 0);
    EXPECT_NEAR(coef[0], 1.0, 8 * orintest::kEps) << "the minimum-norm solution";
    EXPECT_NEAR(coef[1], 1.0, 8 * orintest::kEps);
    const std::vector<double> big(100 * 91, 1.0);
    EXPECT_EQ(GenLSFitCoef(big.data(), 100, 91, y.data(), nullptr, coef.data(), nullptr, 0), kErrOrderNotPositive);
    EXPECT_EQ(GenLSFitCoef(ones.data(), 3, 2, y.data(), nullptr, coef.data(), nullptr, 6), kErrInvalidSelector);
}

TEST(GetNewCoef, StepSolvesTheDampedNormalEquations) {
    const std::vector<double> alpha = {4, 1, 0.5, 1, 3, 0.2, 0.5, 0.2, 2}, beta = {1, -2, 0.5};
    const double lambda = 0.1;
    LVec damped(alpha.begin(), alpha.end());
    for (int i = 0; i < 3; ++i) damped[i * 3 + i] = damped[i * 3 + i] * (lambda + 1) + lambda;
    const LVec delta = solveL(damped, LVec(beta.begin(), beta.end()), 3);
    std::vector<double> coef = {1, 2, 3};
    ASSERT_EQ(GetNewCoef(alpha.data(), beta.data(), 3, lambda, coef.data()), 0);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(coef[i], static_cast<double>(i + 1 + delta[i]), 32 * orintest::kEps) << i;
}

// The weighted fit and covariance of the core, bit for bit.
TEST(GenLSFit_head, ReturnsTheCovarianceInHOrLeavesHEmpty) {
    const Problem p = cubic(1);
    std::vector<double> fit(p.k), covariance(p.k * p.k);
    ASSERT_EQ(GenLSFitCoef(p.h.data(), p.n, p.k, p.y.data(), p.sigma.data(), fit.data(), covariance.data(), 3), 0);
    for (int32_t flag : {0, 1, 2}) {
        orintest::DoubleMatrixHandle h(p.n, p.k, p.h);
        orintest::DoubleHandle y(p.y), sigma(p.sigma), coef;
        const int32_t algorithm = 3;
        int32_t error = 9;
        EXPECT_EQ(GenLSFit_head(h, y, sigma, coef, &algorithm, &flag, &error), 0);
        EXPECT_EQ(error, 0) << flag;
        EXPECT_EQ(coef.values(), flag == 2 ? std::vector<double>{} : fit) << flag;
        EXPECT_EQ(h.values(), flag == 1 ? covariance : std::vector<double>{}) << flag;
        EXPECT_EQ(h.rows(), flag == 1 ? p.k : 0) << flag;
        EXPECT_EQ(h.cols(), flag == 1 ? p.k : 0) << flag;
    }
}

TEST(LinFitCoef, AgreesWithCentredLeastSquares) {
    const std::vector<double> x = orintest::randomDoubles(200, 21, 0, 10), noise = orintest::randomDoubles(200, 22);
    std::vector<double> y(200);
    for (int i = 0; i < 200; ++i) y[i] = 3 - 0.7 * x[i] + 0.1 * noise[i];
    // The centred form (another formula than the raw sums the routine uses).
    long double mx = 0, my = 0, sxx = 0, sxy = 0;
    for (int i = 0; i < 200; ++i) mx += x[i] / 200.0L, my += y[i] / 200.0L;
    for (int i = 0; i < 200; ++i) sxx += (x[i] - mx) * (x[i] - mx), sxy += (x[i] - mx) * (y[i] - my);
    double slope = 0, intercept = 0;
    ASSERT_EQ(LinFitCoef(x.data(), y.data(), 200, &slope, &intercept), 0);
    EXPECT_NEAR(slope, static_cast<double>(sxy / sxx), 1e3 * kEps);
    EXPECT_NEAR(intercept, static_cast<double>(my - sxy / sxx * mx), 1e4 * kEps);
    const double ly[] = {1, 3, 5};
    const double same[] = {4, 4, 4};
    ASSERT_EQ(LinFitCoef(same, ly, 3, &slope, &intercept), 0) << "no line is determined, and none is claimed";
    EXPECT_FALSE(std::isfinite(slope));
}

TEST(ExpFitCoef, RecoversExponentialsOfEitherSign) {
    std::vector<double> x, y;
    for (int i = 0; i < 9; ++i) x.push_back(0.25 * i), y.push_back(-2 * std::exp(0.5 * 0.25 * i));
    double amplitude = 0, damping = 0;
    ASSERT_EQ(ExpFitCoef(x.data(), y.data(), 9, &amplitude, &damping), 0);
    EXPECT_NEAR(amplitude, -2.0, 64 * kEps);
    EXPECT_NEAR(damping, 0.5, 64 * kEps);
}

// A zero or a change of sign has no logarithm: -20036 with both outputs 0,
// never NaN coefficients with code 0.
TEST(ExpFitCoef, DataNotStrictlyOfOneSignAreRefused) {
    const double x[] = {0, 1, 2};
    for (const std::vector<double> &y : {std::vector<double>{1, -1, 2}, {0, 1, 2}, {-1, 0, -2}, {2, 1, 0}}) {
        double amplitude = 7, damping = 7;
        EXPECT_EQ(ExpFitCoef(x, y.data(), 3, &amplitude, &damping), kErrMixedSigns) << y[0] << " " << y[1];
        EXPECT_EQ(amplitude, 0.0);
        EXPECT_EQ(damping, 0.0);
    }
}

// The fits' entry points (every allocation of them, each algorithm of the
// general fit, is refused by the sweep). A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(FitEntryPoints) {
    static const int32_t algorithm = 0, flag = 0;
    static const double lambda = 0.5;
    return {
        ORIN_ROW(kErrArraySizeMismatch, LinFitCoef_head(c.input({1, 2, 3}), c.input({1, 2}), c.scalar(), c.scalar(), e)),
        ORIN_ROW(kErrTooFewSamples, LinFitCoef_head(c.input({1}), c.input({1}), c.scalar(), c.scalar(), e)),
        ORIN_ROW(kErrArraySizeMismatch, ExpFitCoef_head(c.input({1}), c.input({1, 2}), c.scalar(), c.scalar(), e)),
        ORIN_ROW(kErrMixedSigns, ExpFitCoef_head(c.input({1, -1}), c.input({1, 2}), c.scalar(), c.scalar(), e)),
        ORIN_ROW(kErrTooFewSamples, ExpFitCoef_head(c.input({1}), c.input({1}), c.scalar(), c.scalar(), e)),
        ORIN_ROW(kErrArraySizeMismatch, GenLSFit_head(c.output<DoubleMatrix>(2, 1, {1, 2}), c.input({1}), c.input(), c.output({1}), &algorithm, &flag, e)),
        ORIN_ROW(kErrArraySizeMismatch, GenLSFit_head(c.output<DoubleMatrix>(2, 1, {1, 2}), c.input({1, 2}), c.input({1}), c.output(), &algorithm, &flag, e)),
        ORIN_ROW(kErrEmptyArray, GetNewCoef_head(c.output({1, 2}), c.input<DoubleMatrix>(1, 2, {1, 2}), c.input({1, 2}), &lambda, e)),
        ORIN_ROW(kErrFewerPointsThanCoefficients, GenLSFit_head(c.output<DoubleMatrix>(1, 2, {1, 2}), c.input({1}), c.input(), c.output({1}), &algorithm, &flag, e)),
        ORIN_ROW(kErrSingularMatrix, GetNewCoef_head(c.output({1}), c.input<DoubleMatrix>(1, 1, {-5}), c.input({1}), &lambda, e)),
    };
}
// clang-format on

// An SVD that cannot converge (NaN in the design) is an empty solution.
TEST(GenLSFitCoef, UnconvergedSvdIsAnEmptySolution) {
    const double h[] = {1, std::nan(""), 1, 1, 1, 2}, y[] = {1, 2, 3};
    double coef[2] = {7, 7};
    EXPECT_EQ(GenLSFitCoef(h, 3, 2, y, nullptr, coef, nullptr, 0), kErrEmptyArray);
}
