// Symmetric and general eigen-decompositions: eigenvalues against closed
// forms and independent computations as sets, residuals ||A V - V L||, the
// eigenvector scaling, non-finite input and the handle forms.
#include <orin/linalg.h>

#include <gtest/gtest.h>

#include <complex>

#include "linalg_reference.h"
#include "support/handles.h"

using namespace linalgtest;
using orintest::ComplexHandle;
using orintest::ComplexMatrixHandle;
using orintest::DoubleHandle;
using orintest::DoubleMatrixHandle;
using cx = std::complex<long double>;

namespace {

Mat symmetric(int n, uint64_t seed) {
    Mat a = randomMatrix(n, n, seed);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < i; ++j) a[size_t(i) * n + j] = a[size_t(j) * n + i];
    return a;
}

// max_j ||A v_j - lambda_j v_j|| / (n eps ||A|| ||v_j||), complex columns.
double eigenResidual(const Mat &a, int n, const std::vector<complexnum> &values, const std::vector<complexnum> &vectors) {
    double worst = 0;
    const long double na = norm1(a, n, n);
    for (int j = 0; j < n; ++j) {
        const cx lambda(values[j].re, values[j].im);
        long double res = 0, vn = 0;
        for (int i = 0; i < n; ++i) {
            cx s = 0;
            for (int k = 0; k < n; ++k) s += (long double)a[size_t(i) * n + k] * cx(vectors[size_t(k) * n + j].re, vectors[size_t(k) * n + j].im);
            const cx vi(vectors[size_t(i) * n + j].re, vectors[size_t(i) * n + j].im);
            res += std::abs(s - lambda * vi);
            vn += std::abs(vi);
        }
        worst = std::max(worst, double(res / (std::max(na, 1e-300L) * vn * n * kEps)));
    }
    return worst;
}

// Sorted by real part then imaginary part, for comparison as sets.
std::vector<cx> sorted(std::vector<cx> v) {
    std::sort(v.begin(), v.end(), [](cx x, cx y) { return x.real() != y.real() ? x.real() < y.real() : x.imag() < y.imag(); });
    return v;
}

}  // namespace

TEST(SymEigen, TridiagonalToeplitzClosedForm) {
    // tridiag(-1, 2, -1) of order n: eigenvalues 2 - 2 cos(k pi / (n + 1)).
    for (int n : {1, 2, 10, 50}) {
        Mat a(size_t(n) * n, 0.0);
        for (int i = 0; i < n; ++i) {
            a[size_t(i) * n + i] = 2;
            if (i + 1 < n) a[size_t(i) * n + i + 1] = a[size_t(i + 1) * n + i] = -1;
        }
        Mat v(size_t(n) * n), w(n);
        ASSERT_EQ(SymEvectorEvalue(a.data(), n, 0, v.data(), w.data()), 0);
        std::sort(w.begin(), w.end());
        for (int k = 1; k <= n; ++k)
            EXPECT_NEAR(w[k - 1], 2 - 2 * std::cos(k * M_PI / (n + 1)), 4 * n * kEps * 4) << n << " k=" << k;
    }
}

TEST(SymEigen, VectorsSatisfyTheEigenEquationAndScaling) {
    for (int n : {2, 7, 40}) {
        const Mat a = symmetric(n, 1200 + n);
        Mat v(size_t(n) * n), w(n);
        ASSERT_EQ(SymEvectorEvalue(a.data(), n, 1, v.data(), w.data()), 0);
        std::vector<complexnum> cw(n), cv(size_t(n) * n);
        for (int i = 0; i < n; ++i) cw[i] = {w[i], 0};
        for (size_t i = 0; i < v.size(); ++i) cv[i] = {v[i], 0};
        EXPECT_LT(eigenResidual(a, n, cw, cv), kRatioBound) << n;
        for (int j = 0; j < n; ++j) {
            // The first element of largest magnitude is exactly 1.
            int best = 0;
            for (int i = 1; i < n; ++i)
                if (std::fabs(v[size_t(i) * n + j]) > std::fabs(v[size_t(best) * n + j])) best = i;
            EXPECT_EQ(v[size_t(best) * n + j], 1.0) << n << " column " << j;
        }
        // Values alone, from the same matrix, equal the ones with vectors
        // as sets; the trace is the sum of the eigenvalues.
        Mat w2(n), work(size_t(n) * n);
        ASSERT_EQ(SymEvectorEvalue(a.data(), n, 0, work.data(), w2.data()), 0);
        long double tr = 0, sum = 0;
        for (int i = 0; i < n; ++i) {
            tr += a[size_t(i) * n + i];
            sum += w2[i];
        }
        EXPECT_NEAR((double)sum, (double)tr, 8 * n * kEps * (double)norm1(a, n, n));
        std::sort(w.begin(), w.end());
        std::sort(w2.begin(), w2.end());
        for (int i = 0; i < n; ++i) EXPECT_NEAR(w[i], w2[i], 8 * n * kEps * (double)norm1(a, n, n));
    }
    // [[2, 1], [1, 2]]: eigenvalues 1 and 3, vectors (1, -1) and (1, 1).
    const Mat a = {2, 1, 1, 2};
    Mat v(4), w(2);
    ASSERT_EQ(SymEvectorEvalue(a.data(), 2, 1, v.data(), w.data()), 0);
    for (int j = 0; j < 2; ++j) {
        const double other = v[size_t(1 - (v[j] == 1.0 ? 0 : 1)) * 2 + j];
        EXPECT_NEAR(std::fabs(other), 1.0, 4 * kEps);
        EXPECT_NEAR(w[j], other > 0 ? 3.0 : 1.0, 4 * kEps);
    }
}

TEST(SymEigen, NonFiniteInputEndsWithACode) {
    for (double bad : {std::nan(""), HUGE_VAL}) {
        Mat a = symmetric(6, 1300);
        a[8] = a[13] = bad;
        Mat v(36), w(6);
        EXPECT_EQ(SymEvectorEvalue(a.data(), 6, 1, v.data(), w.data()), kErrNoConvergence);
    }
    Mat v(1), w(1);
    EXPECT_EQ(SymEvectorEvalue(v.data(), 0, 1, v.data(), w.data()), kErrEmptyArray);

    DoubleMatrixHandle wide(2, 3, Mat(6, 1.0));
    DoubleHandle values({5});
    int32_t err = 0;
    SymEvectorEvalue_head(wide, 1, values, &err);
    EXPECT_EQ(err, kErrNotSquare);
    EXPECT_TRUE(values.emptied());
    EXPECT_TRUE(wide.emptied());
    DoubleMatrixHandle sq(2, 2, {2, 1, 1, 2});
    SymEvectorEvalue_head(sq, 0, values, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(values.size(), 2);
    EXPECT_TRUE(sq.emptied());  // no vectors asked: the matrix handle is emptied
    DoubleMatrixHandle sq2(2, 2, {2, 1, 1, 2});
    SymEvectorEvalue_head(sq2, 1, values, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(sq2.rows(), 2);
}

TEST(GenEigen, ResidualsAndEigenvalueSets) {
    for (int n : {1, 2, 5, 30, 80}) {
        const Mat a = randomMatrix(n, n, 1400 + n);
        std::vector<complexnum> w(n), v(size_t(n) * n);
        ASSERT_EQ(GenEigenValueVector(a.data(), n, 1, w.data(), v.data()), 0) << n;
        EXPECT_LT(eigenResidual(a, n, w, v), kRatioBound) << n;
        long double tr = 0, re = 0, im = 0;
        for (int i = 0; i < n; ++i) {
            tr += a[size_t(i) * n + i];
            re += w[i].re;
            im += w[i].im;
        }
        EXPECT_NEAR((double)re, (double)tr, 8 * n * kEps * (double)norm1(a, n, n)) << n;
        EXPECT_NEAR((double)im, 0.0, 8 * n * kEps * (double)norm1(a, n, n)) << n;
        // Unit columns, largest component real and positive.
        for (int j = 0; j < n; ++j) {
            long double norm = 0, big = -1;
            int at = 0;
            for (int i = 0; i < n; ++i) {
                const long double mag = std::hypot((long double)v[size_t(i) * n + j].re, (long double)v[size_t(i) * n + j].im);
                norm += mag * mag;
                if (mag > big) big = mag, at = i;
            }
            EXPECT_NEAR((double)norm, 1.0, 8 * n * kEps) << n;
            EXPECT_EQ(v[size_t(at) * n + j].im, 0.0);
            EXPECT_GT(v[size_t(at) * n + j].re, 0.0);
        }
        // Values alone equal those with vectors, as sets.
        std::vector<complexnum> w2(n);
        ASSERT_EQ(GenEigenValueVector(a.data(), n, 0, w2.data(), nullptr), 0);
        std::vector<cx> s1, s2;
        for (int i = 0; i < n; ++i) s1.emplace_back(w[i].re, w[i].im), s2.emplace_back(w2[i].re, w2[i].im);
        s1 = sorted(s1);
        s2 = sorted(s2);
        // Both runs are backward stable (||dA|| ~ n eps ||A||); eigenvalues
        // of these random matrices have condition numbers well below 30,
        // so the two sets agree to 30 of those perturbations.
        const double tol = kRatioBound * 30 * n * kEps * (double)norm1(a, n, n);
        for (int i = 0; i < n; ++i) EXPECT_LT((double)std::abs(s1[i] - s2[i]), tol) << n;
    }
}

TEST(GenEigen, CompanionRootsAndRotations) {
    // The companion matrix of (z - 1)(z - 2)(z - 3)(z + 4) has those roots.
    const double c[] = {1, -2, -13, 38, -24};
    Mat comp(16);
    ASSERT_EQ(CompanMatrix(c, 5, comp.data()), 0);
    std::vector<complexnum> w(4), v(16);
    ASSERT_EQ(GenEigenValueVector(comp.data(), 4, 1, w.data(), v.data()), 0);
    std::vector<double> roots;
    for (const complexnum &z : w) {
        EXPECT_NEAR(z.im, 0.0, 1e-12);
        roots.push_back(z.re);
    }
    std::sort(roots.begin(), roots.end());
    const double expected[] = {-4, 1, 2, 3};
    // Roots of a polynomial with these well-separated roots move by a few
    // hundred eps under the QR iteration's backward error.
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(roots[i], expected[i], 1e3 * kEps * 4);
    // A plane rotation by t has eigenvalues exp(+-i t); the one with the
    // positive imaginary part comes first, and the pair's vectors conjugate.
    const double t = 0.7;
    const Mat rot = {std::cos(t), -std::sin(t), std::sin(t), std::cos(t)};
    std::vector<complexnum> rw(2), rv(4);
    ASSERT_EQ(GenEigenValueVector(rot.data(), 2, 1, rw.data(), rv.data()), 0);
    EXPECT_NEAR(rw[0].re, std::cos(t), 4 * kEps);
    EXPECT_NEAR(rw[0].im, std::sin(t), 4 * kEps);
    EXPECT_NEAR(rw[1].im, -std::sin(t), 4 * kEps);
    EXPECT_LT(eigenResidual(rot, 2, rw, rv), kRatioBound);
    // Defective: a Jordan block. The eigenvalue is double; A v = v holds.
    const Mat jordan = {1, 1, 0, 1};
    ASSERT_EQ(GenEigenValueVector(jordan.data(), 2, 1, rw.data(), rv.data()), 0);
    EXPECT_EQ(rw[0].re, 1.0);
    EXPECT_EQ(rw[1].re, 1.0);
}

TEST(GenEigen, NonFiniteInputAndHandleForm) {
    Mat a = randomMatrix(5, 5, 1500);
    a[12] = std::nan("");
    std::vector<complexnum> w(5), v(25);
    EXPECT_EQ(GenEigenValueVector(a.data(), 5, 1, w.data(), v.data()), kErrNoConvergence);
    a[12] = -HUGE_VAL;
    EXPECT_EQ(GenEigenValueVector(a.data(), 5, 0, w.data(), nullptr), kErrNoConvergence);
    EXPECT_EQ(GenEigenValueVector(a.data(), 0, 0, w.data(), nullptr), kErrEmptyArray);

    int32_t err = 0;
    ComplexHandle values({{9, 9}});
    ComplexMatrixHandle vectors(1, 1, {{9, 9}});
    DoubleMatrixHandle wide(2, 3, Mat(6, 1.0));
    EigenValueVector_head(wide, 1, values, vectors, &err);
    EXPECT_EQ(err, kErrNotSquare);
    EXPECT_TRUE(values.emptied());
    EXPECT_TRUE(vectors.emptied());
    DoubleMatrixHandle empty(0, 0, {});
    EigenValueVector_head(empty, 1, values, vectors, &err);
    EXPECT_EQ(err, kErrEmptyArray);
    DoubleMatrixHandle sq(2, 2, {0, 1, -2, 0});  // eigenvalues +-i sqrt(2)
    EigenValueVector_head(sq, 0, values, vectors, &err);
    ASSERT_EQ(err, 0);
    ASSERT_EQ(values.size(), 2);
    EXPECT_NEAR(values.values()[0].im, std::sqrt(2.0), 4 * kEps);
    EXPECT_TRUE(vectors.emptied());  // vectors only when asked
    EigenValueVector_head(sq, 1, values, vectors, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(vectors.rows(), 2);
    EXPECT_EQ(vectors.cols(), 2);
    DoubleMatrixHandle bad(1, 1, {std::nan("")});
    EigenValueVector_head(bad, 1, values, vectors, &err);
    EXPECT_EQ(err, kErrNoConvergence);
    EXPECT_TRUE(values.emptied());
}
