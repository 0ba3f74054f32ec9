// Eigen-decompositions: eigenvalues against closed forms and as sets,
// residuals ||A v - lambda v||, the eigenvector scalings, non-finite input.
#include <orin/linalg.h>

#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;
using cx = std::complex<long double>;

namespace {

// max_j ||A v_j - lambda_j v_j|| / (||A|| ||v_j|| n eps), complex columns.
double eigenResidual(const Mat &a, int n, const std::vector<complexnum> &w, const std::vector<complexnum> &v) {
    double worst = 0;
    auto at = [&](int i, int j) { return cx(v[size_t(i) * n + j].re, v[size_t(i) * n + j].im); };
    for (int j = 0; j < n; ++j) {
        long double res = 0, vn = 0;
        for (int i = 0; i < n; ++i) {
            cx s = 0;
            for (int k = 0; k < n; ++k) s += (long double)a[size_t(i) * n + k] * at(k, j);
            res = std::max(res, std::abs(s - cx(w[j].re, w[j].im) * at(i, j)));
            vn = std::max(vn, std::abs(at(i, j)));
        }
        const long double denom = normInf(a, n, n) * vn * n * kEps;
        worst = std::max(worst, double(denom == 0 ? res : res / denom));
    }
    return worst;
}

std::vector<complexnum> complexOf(const Mat &x) {
    std::vector<complexnum> z;
    for (double r : x) z.push_back({r, 0});
    return z;
}

}  // namespace

TEST(SymEigen, TridiagonalToeplitzClosedForm) {
    // tridiag(-1, 2, -1) of order n: eigenvalues 2 - 2 cos(k pi / (n + 1)).
    for (int n : {1, 2, 10, 50}) {
        Mat a(size_t(n) * n, 0.0), v(a.size()), w(n);
        for (int i = 0; i < n; ++i) {
            a[size_t(i) * n + i] = 2;
            if (i + 1 < n) a[size_t(i) * n + i + 1] = a[size_t(i + 1) * n + i] = -1;
        }
        ASSERT_EQ(SymEvectorEvalue(a.data(), n, 0, v.data(), w.data()), 0);
        std::sort(w.begin(), w.end());
        for (int k = 1; k <= n; ++k)
            EXPECT_NEAR(w[k - 1], 2 - 2 * std::cos(k * M_PI / (n + 1)), kBound * n * kEps) << n;
    }
}

TEST(SymEigen, VectorsSatisfyTheEigenEquationAndScaling) {
    for (int n : {2, 7, 40}) {
        Mat a = random(n, n, 1200 + n), v(a.size()), w(n), work(a.size()), w2(n);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < i; ++j) a[size_t(i) * n + j] = a[size_t(j) * n + i];
        ASSERT_EQ(SymEvectorEvalue(a.data(), n, 1, v.data(), w.data()), 0);
        EXPECT_LT(eigenResidual(a, n, complexOf(w), complexOf(v)), kBound) << n;
        for (int j = 0; j < n; ++j) {  // the first element of largest magnitude is exactly 1
            int best = 0;
            for (int i = 1; i < n; ++i)
                if (std::fabs(v[size_t(i) * n + j]) > std::fabs(v[size_t(best) * n + j])) best = i;
            EXPECT_EQ(v[size_t(best) * n + j], 1.0) << n << " column " << j;
        }
        // The values alone agree as a set (perturbation <= ||dA|| for symmetric A).
        ASSERT_EQ(SymEvectorEvalue(a.data(), n, 0, work.data(), w2.data()), 0);
        std::sort(w.begin(), w.end());
        std::sort(w2.begin(), w2.end());
        for (int i = 0; i < n; ++i) EXPECT_NEAR(w[i], w2[i], kBound * n * kEps * (double)normInf(a, n, n));
    }
    for (double bad : {std::nan(""), HUGE_VAL}) {  // bounded, with a code
        Mat x = {1, bad, bad, 1}, vx(4), wx(2);
        EXPECT_EQ(SymEvectorEvalue(x.data(), 2, 1, vx.data(), wx.data()), kErrNoConvergence);
    }
}

TEST(GenEigen, ResidualsScalingAndEigenvalueSets) {
    for (int n : {1, 2, 5, 30}) {
        const Mat a = random(n, n, 1400 + n);
        std::vector<complexnum> w(n), v(size_t(n) * n), w2(n);
        ASSERT_EQ(GenEigenValueVector(a.data(), n, 1, w.data(), v.data()), 0) << n;
        EXPECT_LT(eigenResidual(a, n, w, v), kBound) << n;
        for (int j = 0; j < n; ++j) {  // unit columns, largest component real and positive
            long double norm = 0, big = -1;
            int at = 0;
            for (int i = 0; i < n; ++i) {
                const long double mag =
                    std::hypot((long double)v[size_t(i) * n + j].re, (long double)v[size_t(i) * n + j].im);
                norm += mag * mag;
                if (mag > big) big = mag, at = i;
            }
            EXPECT_NEAR((double)norm, 1.0, 8 * n * kEps) << n;
            EXPECT_TRUE(v[size_t(at) * n + j].im == 0 && v[size_t(at) * n + j].re > 0) << n;
        }
        // Values alone agree as a set. Both runs are backward stable
        // (||dA|| ~ n eps ||A||) and these eigenvalues have condition
        // numbers below 30.
        ASSERT_EQ(GenEigenValueVector(a.data(), n, 0, w2.data(), nullptr), 0);
        auto key = [](complexnum z) { return std::pair{z.re, z.im}; };
        auto less = [&](complexnum x, complexnum y) { return key(x) < key(y); };
        std::sort(w.begin(), w.end(), less);
        std::sort(w2.begin(), w2.end(), less);
        for (int i = 0; i < n; ++i)
            EXPECT_LT(std::hypot(w[i].re - w2[i].re, w[i].im - w2[i].im),
                      kBound * 30 * n * kEps * (double)normInf(a, n, n));
    }
}

TEST(GenEigen, CompanionRootsRotationsAndNonFiniteInput) {
    // The companion matrix of (z - 1)(z - 2)(z - 3)(z + 4): those roots.
    const double c[] = {1, -2, -13, 38, -24};
    Mat comp(16);
    ASSERT_EQ(CompanMatrix(c, 5, comp.data()), 0);
    std::vector<complexnum> w(4), v(16);
    ASSERT_EQ(GenEigenValueVector(comp.data(), 4, 1, w.data(), v.data()), 0);
    EXPECT_LT(eigenResidual(comp, 4, w, v), kBound);
    std::sort(w.begin(), w.end(), [](complexnum x, complexnum y) { return x.re < y.re; });
    const double roots[] = {-4, 1, 2, 3};
    // Simple, well-separated roots: condition ~ 1e2 each.
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(w[i].re, roots[i], 1e2 * kBound * 38 * kEps);
    // A rotation by t: exp(+-i t), the positive imaginary part first.
    const double t = 0.7;
    const Mat rot = {std::cos(t), -std::sin(t), std::sin(t), std::cos(t)};
    ASSERT_EQ(GenEigenValueVector(rot.data(), 2, 1, w.data(), v.data()), 0);
    EXPECT_NEAR(w[0].re, std::cos(t), 4 * kEps);
    EXPECT_NEAR(w[0].im, std::sin(t), 4 * kEps);
    EXPECT_NEAR(w[1].im, -std::sin(t), 4 * kEps);
    EXPECT_LT(eigenResidual(rot, 2, w, v), kBound);
    for (double bad : {std::nan(""), -HUGE_VAL}) {
        Mat a = random(5, 5, 1500);
        a[12] = bad;
        EXPECT_EQ(GenEigenValueVector(a.data(), 5, 1, w.data(), v.data()), kErrNoConvergence);
    }
}

TEST(GenEigen, MatricesThatDeflateAtOnceConvergeAtEveryScale) {
    // An exactly zero sub-diagonal entry is a deflation, not a stall: the
    // zero, diagonal and triangular matrices and block-diagonal ones with a
    // zero block, with and without vectors, at the scales 1, 1e-300 and
    // 1e300, for the real routine and for the complex one on the same
    // matrices. Eigenvalues: within 3 (their condition numbers here) times a
    // backward error of 30 n eps ||A|| of the closed forms, the scale's
    // rounding of the entries included.
    const long double root33 = std::sqrt(33.0L), low = (5 - root33) / 2, high = (5 + root33) / 2;
    struct Case {
        const char *name;
        int n;
        Mat a;
        std::vector<long double> values;
        bool independent;  // n independent eigenvectors exist
    };
    const std::vector<Case> cases = {
        {"zero", 3, Mat(9, 0.0), {0, 0, 0}, true},
        {"diagonal", 3, {3, 0, 0, 0, -1, 0, 0, 0, 2}, {3, -1, 2}, true},
        {"upper triangular", 3, {1, 2, 4, 0, 3, 5, 0, 0, 6}, {1, 3, 6}, true},
        {"lower triangular", 3, {1, 0, 0, 2, 3, 0, 4, 5, 6}, {1, 3, 6}, true},
        {"zero block last", 4, {1, 2, 0, 0, 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {low, high, 0, 0}, true},
        {"zero block first", 4, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 0, 0, 3, 4}, {0, 0, low, high}, true},
        {"nilpotent", 3, {0, 1, 0, 0, 0, 1, 0, 0, 0}, {0, 0, 0}, false},
    };
    for (const Case &c : cases)
        for (const double scale : {1.0, 1e-300, 1e300}) {
            SCOPED_TRACE(testing::Message() << c.name << " times " << scale);
            const int n = c.n;
            Mat a = c.a;
            for (double &x : a) x *= scale;
            const long double tol = 3 * kBound * n * kEps * normInf(a, n, n);
            std::vector<complexnum> w(n), v(size_t(n) * n), w0(n), cw(n), cv(size_t(n) * n);
            ASSERT_EQ(GenEigenValueVector(a.data(), n, 1, w.data(), v.data()), 0);
            ASSERT_EQ(GenEigenValueVector(a.data(), n, 0, w0.data(), nullptr), 0);
            const std::vector<complexnum> ca = complexOf(a);
            ASSERT_EQ(CxGenEigenVectorValue(ca.data(), n, 1, cw.data(), cv.data()), 0);
            for (const auto &[values, vectors] : {std::pair{&w, &v}, {&w0, nullptr}, {&cw, &cv}}) {
                std::vector<complexnum> got = *values;
                for (long double want : c.values) {  // as a set
                    auto distance = [&](complexnum z) { return std::hypot(z.re - want * scale, (long double)z.im); };
                    const auto best = std::min_element(
                        got.begin(), got.end(), [&](complexnum x, complexnum y) { return distance(x) < distance(y); });
                    EXPECT_LE(distance(*best), tol) << double(want);
                    got.erase(best);
                }
                if (!vectors) continue;
                EXPECT_LT(eigenResidual(a, n, *values, *vectors), kBound);
                // Unit columns, and no two of them parallel where the matrix
                // has n independent eigenvectors (zero columns fail the norm).
                auto column = [&](int j, int i) {
                    const complexnum z = (*vectors)[size_t(i) * n + j];
                    return cx(z.re, z.im);
                };
                for (int j = 0; j < n; ++j) {
                    long double norm = 0;
                    for (int i = 0; i < n; ++i) norm += std::norm(column(j, i));
                    EXPECT_NEAR(double(norm), 1.0, 8 * n * kEps) << "column " << j;
                    for (int k = j + 1; k < n && c.independent; ++k) {
                        cx dot = 0;
                        for (int i = 0; i < n; ++i) dot += std::conj(column(j, i)) * column(k, i);
                        EXPECT_LT(std::abs(dot), 0.99L) << "columns " << j << ", " << k;
                    }
                }
            }
        }
}
