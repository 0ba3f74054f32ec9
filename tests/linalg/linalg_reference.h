// Independent references for the linear-algebra suites, written once for
// real (double) and complex (complexnum) elements: seeded and structured
// matrices (row-major, flat vectors), products summed in long double, and
// the residual, reconstruction and orthogonality ratios by which a
// factorisation is judged. A backward-stable method keeps each ratio at
// O(1); the suites accept < kBound. Real and complex twins of a routine are
// reached through one adapter (RealOps, CxOps), so that a property is
// written once as a typed test.
#ifndef ORIN_TESTS_LINALG_REFERENCE_H
#define ORIN_TESTS_LINALG_REFERENCE_H

#include <orin/linalg.h>

#include <numbers>

#include "support/prelude.h"

namespace linalgtest {

using orintest::kEps;
using orintest::LCx;
using Mat = std::vector<double>;
using CMat = std::vector<complexnum>;
using LMat = std::vector<LCx>;

constexpr double kBound = 30.0;

// A scalar handed to a handle entry point by address, as the host passes
// every scalar; the temporary lives to the end of the call's full expression.
template <class T>
const T *byRef(const T &value) {
    return &value;
}

// Elements in extended precision (long double, or a complex of them) and back.
inline long double wide(double x) { return x; }
inline long double wide(long double x) { return x; }
inline LCx wide(complexnum z) { return {z.re, z.im}; }
inline LCx wide(LCx z) { return z; }
template <class T>
using Wide = decltype(wide(T{}));
inline long double cj(long double x) { return x; }
inline LCx cj(LCx z) { return std::conj(z); }
template <class T>
T narrow(long double x) {
    return T(x);
}
template <class T>
T narrow(LCx z) {
    return {double(z.real()), double(z.imag())};
}
template <class T>
std::vector<T> narrow(const std::vector<Wide<T>> &v) {
    std::vector<T> out;
    for (const auto &x : v) out.push_back(narrow<T>(x));
    return out;
}
template <class V>
auto at(const V &v, size_t i) {
    return wide(v[i]);
}
template <class T>
std::vector<LCx> toL(const std::vector<T> &v) {
    std::vector<LCx> out;
    for (const T &x : v) out.push_back(wide(x));
    return out;
}
template <class T>
T elem(double re, double im = 0) {
    if constexpr (std::is_same_v<T, double>) return re;
    else return {re, im};
}

inline bool bothIDNaN(complexnum z) { return orintest::isIDNaN(z.re) && orintest::isIDNaN(z.im); }
inline bool bothIDNaN(double x) { return orintest::isIDNaN(x); }

inline bool isNaN(double x) { return std::isnan(x); }
inline bool isNaN(complexnum z) { return std::isnan(z.re) || std::isnan(z.im); }

// A random m x n matrix, entries (and parts) uniform in [-1, 1).
template <class T = double>
std::vector<T> random(int m, int n, uint64_t seed) {
    if constexpr (std::is_same_v<T, double>) {
        return orintest::randomDoubles(size_t(m) * n, seed);
    } else {
        const Mat v = orintest::randomDoubles(2 * size_t(m) * n, seed);
        CMat out(size_t(m) * n);
        for (size_t i = 0; i < out.size(); ++i) out[i] = {v[2 * i], v[2 * i + 1]};
        return out;
    }
}
inline CMat randomCx(int m, int n, uint64_t seed) { return random<complexnum>(m, n, seed); }

template <class T = double>
std::vector<T> identity(int n) {
    std::vector<T> e(size_t(n) * n, elem<T>(0));
    for (int i = 0; i < n; ++i) e[size_t(i) * n + i] = elem<T>(1);
    return e;
}

// The conjugate transpose of an m x n matrix (the transpose of a real one).
template <class T>
std::vector<T> adjoint(const std::vector<T> &a, int m, int n) {
    std::vector<T> t(a.size());
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < n; ++j) t[size_t(j) * m + i] = narrow<T>(cj(wide(a[size_t(i) * n + j])));
    return t;
}

// C = A B in long double, A m x k, B k x n, each element summed in index order.
template <class T>
std::vector<Wide<T>> productL(const std::vector<T> &a, const std::vector<T> &b, int m, int k, int n) {
    std::vector<Wide<T>> c(size_t(m) * n, Wide<T>(0));
    for (int i = 0; i < m; ++i)
        for (int p = 0; p < k; ++p)
            for (int j = 0; j < n; ++j) c[size_t(i) * n + j] += wide(a[size_t(i) * k + p]) * wide(b[size_t(p) * n + j]);
    return c;
}
template <class T>
std::vector<T> product(const std::vector<T> &a, const std::vector<T> &b, int m, int k, int n) {
    return narrow<T>(productL(a, b, m, k, n));
}
inline CMat toCx(const LMat &v) { return narrow<complexnum>(v); }

// A random m x n matrix of rank r: the product of m x r and r x n factors.
template <class T = double>
std::vector<T> lowRank(int m, int n, int r, uint64_t seed) {
    return product(random<T>(m, r, seed), random<T>(r, n, seed + 1), m, r, n);
}

template <class T = double>
std::vector<T> hilbert(int n) {
    std::vector<T> h(size_t(n) * n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) h[size_t(i) * n + j] = elem<T>(1.0 / (i + j + 1));
    return h;
}

// A random Hermitian (symmetric) matrix, not definite.
template <class T = complexnum>
std::vector<T> hermitian(int n, uint64_t seed) {
    std::vector<T> a = random<T>(n, n, seed);
    for (int i = 0; i < n; ++i) {
        a[size_t(i) * n + i] = narrow<T>(Wide<T>(std::real(wide(a[size_t(i) * n + i]))));
        for (int j = 0; j < i; ++j) a[size_t(j) * n + i] = narrow<T>(cj(wide(a[size_t(i) * n + j])));
    }
    return a;
}

// A random Hermitian (symmetric) positive definite matrix B^H B + n I.
template <class T = complexnum>
std::vector<T> hermitianPositive(int n, uint64_t seed) {
    const std::vector<T> b = random<T>(n, n, seed);
    std::vector<T> h = product(adjoint(b, n, n), b, n, n, n);
    for (int i = 0; i < n; ++i) h[size_t(i) * n + i] = narrow<T>(Wide<T>(std::real(wide(h[size_t(i) * n + i])) + n));
    return h;
}

// Infinity norm (largest row sum of magnitudes) of an m x n matrix.
template <class V>
long double normInf(const V &a, int m, int n) {
    long double best = 0;
    for (int i = 0; i < m; ++i) {
        long double s = 0;
        for (int j = 0; j < n; ++j) s += std::abs(wide(a[size_t(i) * n + j]));
        best = std::max(best, s);
    }
    return best;
}

// The backward-error ratio ||A X - B|| / (||A|| ||X|| max(m, n) eps) in the
// infinity norms, for A m x n and nrhs columns in X and B. A stable solver
// keeps it of order 1; a wrong solution gives 1e10 and more.
template <class T>
double residualRatio(const std::vector<T> &a, const std::vector<T> &x, const std::vector<T> &b, int m, int n,
                     int nrhs = 1) {
    std::vector<Wide<T>> r = productL(a, x, m, n, nrhs);
    for (size_t i = 0; i < r.size(); ++i) r[i] -= wide(b[i]);
    const long double denom = normInf(a, m, n) * normInf(x, n, nrhs) * std::max(m, n) * kEps;
    return double(denom == 0 ? normInf(r, m, nrhs) : normInf(r, m, nrhs) / denom);
}

// ||A - P|| / (||A|| max(m, n) eps) for a product P (m x n) formed in long double.
template <class T>
double reconstructionRatio(const std::vector<T> &a, const std::vector<Wide<T>> &p, int m, int n) {
    std::vector<Wide<T>> d(a.size());
    for (size_t i = 0; i < d.size(); ++i) d[i] = wide(a[i]) - p[i];
    const long double denom = normInf(a, m, n) * std::max(m, n) * kEps;
    return double(denom == 0 ? normInf(d, m, n) : normInf(d, m, n) / denom);
}

// Loss of orthogonality (unitarity) ||Q^H Q - I|| / (rows eps) of the
// columns of an m x n matrix Q.
template <class T>
double orthogonalityRatio(const std::vector<T> &q, int m, int n) {
    long double worst = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            Wide<T> s = 0;
            for (int r = 0; r < m; ++r) s += cj(at(q, size_t(r) * n + i)) * at(q, size_t(r) * n + j);
            worst = std::max(worst, std::abs(s - Wide<T>(i == j ? 1 : 0)));
        }
    return double(worst / (m * kEps));
}

// The reconstruction ratio of A = U diag(s) V^H (U m x n, V n x n).
template <class T>
double svdRatio(const std::vector<T> &a, int m, int n, std::vector<T> us, const std::vector<double> &s,
                const std::vector<T> &v) {
    for (size_t i = 0; i < us.size(); ++i) us[i] = narrow<T>(wide(us[i]) * (long double)s[i % n]);
    return reconstructionRatio(a, productL(us, adjoint(v, n, n), m, n, n), m, n);
}

// ||X Y Z - W|| / (||X|| ||Y|| ||Z|| max(m, n) eps), the measure of the
// Penrose identities (X m x k, Y k x l, Z l x n).
template <class T>
double tripleRatio(const std::vector<T> &x, const std::vector<T> &y, const std::vector<T> &z, const std::vector<T> &w,
                   int m, int k, int l, int n) {
    const auto xyz = productL(product(x, y, m, k, l), z, m, l, n);
    long double worst = 0;
    for (size_t i = 0; i < w.size(); ++i) worst = std::max(worst, std::abs(xyz[i] - wide(w[i])));
    const long double scale = normInf(x, m, k) * normInf(y, k, l) * normInf(z, l, n);
    return double(worst / (scale * std::max(m, n) * kEps));
}

// The first n columns of an m x m unitary matrix, in long double: the DFT
// matrix for complex elements, the orthonormal DCT-II for real ones.
template <class T = complexnum>
std::vector<T> orthonormalColumns(int m, int n) {
    const long double pi = std::numbers::pi_v<long double>;
    std::vector<Wide<T>> f(size_t(m) * n);
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < n; ++j) {
            if constexpr (std::is_same_v<T, double>)
                f[size_t(i) * n + j] = std::sqrt((j ? 2.0L : 1.0L) / m) * std::cos(pi * (i + 0.5L) * j / m);
            else f[size_t(i) * n + j] = std::polar(1 / std::sqrt((long double)m), -2 * pi * i * j / m);
        }
    return narrow<T>(f);
}

// Q1 diag(sigma) Q2^H with Q1 (m x n) and Q2 (n x n) orthonormal columns:
// the singular values are sigma, up to the rounding of the product to
// double (by about m eps sigma_max, Weyl).
template <class T>
std::vector<T> withValues(int m, int n, const std::vector<double> &sigma) {
    std::vector<T> q1 = orthonormalColumns<T>(m, n);
    for (size_t i = 0; i < q1.size(); ++i) q1[i] = narrow<T>(wide(q1[i]) * (long double)sigma[i % n]);
    return product(q1, adjoint(orthonormalColumns<T>(n, n), n, n), m, n, n);
}

// The inverse of an n x n matrix by Gauss-Jordan elimination with partial
// pivoting in long double (empty when a pivot vanishes), and on request the
// determinant as the signed product of the pivots.
template <class T>
LMat inverseL(const std::vector<T> &a, int n, LCx *det = nullptr) {
    LMat w(size_t(n) * 2 * n);
    const size_t ld = 2 * size_t(n);
    if (det) *det = 1;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) w[i * ld + j] = at(a, size_t(i) * n + j);
        w[i * ld + n + i] = 1;
    }
    for (int c = 0; c < n; ++c) {
        int p = c;
        for (int i = c + 1; i < n; ++i)
            if (std::abs(w[i * ld + c]) > std::abs(w[p * ld + c])) p = i;
        if (std::abs(w[p * ld + c]) == 0) {
            if (det) *det = 0;
            return {};
        }
        if (p != c && det) *det = -*det;
        for (size_t j = 0; j < ld; ++j) std::swap(w[c * ld + j], w[p * ld + j]);
        const LCx piv = w[c * ld + c];
        if (det) *det *= piv;
        for (size_t j = 0; j < ld; ++j) w[c * ld + j] /= piv;
        for (int i = 0; i < n; ++i) {
            if (i == c) continue;
            const LCx f = w[i * ld + c];
            if (f == LCx(0)) continue;
            for (size_t j = 0; j < ld; ++j) w[i * ld + j] -= f * w[c * ld + j];
        }
    }
    LMat inv(size_t(n) * n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) inv[size_t(i) * n + j] = w[i * ld + n + j];
    return inv;
}

// True when each wanted value has its own computed value within tol, taken
// greedily nearest first (clusters lie further apart than tol).
inline bool matchWithin(std::vector<LCx> got, const std::vector<LCx> &want, long double tol) {
    if (got.size() != want.size()) return false;
    for (const LCx &w : want) {
        const auto best =
            std::min_element(got.begin(), got.end(), [&](LCx x, LCx y) { return std::abs(x - w) < std::abs(y - w); });
        if (std::abs(*best - w) > tol) return false;
        got.erase(best);
    }
    return true;
}

// max_j ||A v_j - lambda_j v_j|| / (||A|| ||v_j|| n eps) over the columns of
// v (n x n), infinity norms, in long double.
template <class T, class V>
double eigenResidual(const std::vector<T> &a, int n, const std::vector<LCx> &lambda, const std::vector<V> &v) {
    long double worst = 0;
    const long double normA = normInf(a, n, n);
    for (int j = 0; j < n; ++j) {
        long double res = 0, vn = 0;
        for (int i = 0; i < n; ++i) {
            LCx s = 0;
            for (int k = 0; k < n; ++k) s += LCx(at(a, size_t(i) * n + k)) * LCx(at(v, size_t(k) * n + j));
            res = std::max(res, std::abs(s - lambda[j] * LCx(at(v, size_t(i) * n + j))));
            vn = std::max(vn, std::abs(LCx(at(v, size_t(i) * n + j))));
        }
        const long double denom = normA * vn * n * kEps;
        worst = std::max(worst, denom == 0 ? res : res / denom);
    }
    return double(worst);
}

// Packed triangles (mode 0 lower, 1 upper, 2 Hermitian from the lower),
// through the routines under test; the unused part of a fresh result holds -7.
template <class T>
std::vector<T> pack(const std::vector<T> &a, int n, int mode) {
    std::vector<T> p(size_t(n) * (n + 1) / 2, elem<T>(-7, -7));
    if constexpr (std::is_same_v<T, double>) EXPECT_EQ(Matrix_to_Compact(a.data(), n, mode, p.data()), 0);
    else EXPECT_EQ(CxMatrix_to_Compact(a.data(), n, mode, p.data()), 0);
    return p;
}
template <class T>
std::vector<T> unpack(const std::vector<T> &p, int n, int mode) {
    std::vector<T> a(size_t(n) * n, elem<T>(-7, -7));
    if constexpr (std::is_same_v<T, double>) EXPECT_EQ(Compact_to_Matrix(p.data(), n, mode, a.data()), 0);
    else EXPECT_EQ(CxCompact_to_Matrix(p.data(), n, mode, a.data()), 0);
    return a;
}
// The matrix with the triangle other than the selected one zeroed.
template <class T>
std::vector<T> triangle(std::vector<T> t, int n, bool lower) {
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if (lower ? j > i : j < i) t[size_t(i) * n + j] = elem<T>(0);
    return t;
}
// ||A X - I|| for the packed inverse X of A (mode 2 Hermitian, else the triangle).
template <class T>
double inverseRatio(const std::vector<T> &a, const std::vector<T> &packedInv, int n, int mode) {
    return residualRatio(a, unpack(packedInv, n, mode), identity<T>(n), n, n, n);
}

// |got - want| / |want| within 30 n^2 kappa eps, kappa = ||A|| ||A^-1||: the
// factorisation is exact for A + dA with ||dA|| <= c n eps ||A||, and
// |d det / det| = |tr(A^-1 dA)| <= n ||A^-1|| ||dA||. The reference is
// long-double elimination, its own error (of order n kappa 2^-64) far below.
template <class T>
void expectDeterminant(T got, const std::vector<T> &a, int n, const char *what, bool exact = false) {
    LCx want;
    const LMat inv = inverseL(a, n, &want);
    const long double kappa = exact ? 1 : normInf(a, n, n) * normInf(inv, n, n);
    const long double err = std::abs(LCx(wide(got)) - want) / std::abs(want);
    EXPECT_LT(err, 30.0L * n * n * kappa * kEps) << what << " n=" << n << " got " << double(std::real(wide(got)));
}

// Q R == A to working precision, Q orthogonal (unitary), R exactly zero
// below the diagonal.
template <class T>
void expectFactorisation(const std::vector<T> &a, int m, int n, const std::vector<T> &q, const std::vector<T> &r) {
    EXPECT_LT(reconstructionRatio(a, productL(q, r, m, m, n), m, n), kBound);
    EXPECT_LT(orthogonalityRatio(q, m, m), kBound);
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < std::min(i, n); ++j) EXPECT_EQ(r[size_t(i) * n + j], elem<T>(0)) << i << "," << j;
}

// A sum of `terms` products held in extended precision and rounded once:
// a real one equals the long-double sum rounded, bit for bit; each part of
// a complex one is within half an ulp of the exact value, plus the
// extended sums' own error (ours and the reference's), at most (terms + 3)
// units of 2^-64 on twice the sum of |a||b|.
template <class T>
void expectOneRounding(T got, Wide<T> want, long double magnitude, int terms) {
    if constexpr (std::is_same_v<T, double>) {
        EXPECT_EQ(got, double(want));
    } else {
        const long double slack = (terms + 3) * std::ldexp(1.0L, -62) * magnitude;
        EXPECT_LE(std::fabs(got.re - want.real()), kEps / 2 * std::fabs(want.real()) + slack) << "real part";
        EXPECT_LE(std::fabs(got.im - want.imag()), kEps / 2 * std::fabs(want.imag()) + slack) << "imaginary part";
    }
}

// Checks c (m x n) against A B for a m x k and b k x n.
template <class T>
void expectProduct(const std::vector<T> &c, const std::vector<T> &a, const std::vector<T> &b, int m, int k, int n) {
    std::vector<double> absA, absB;
    for (const T &z : a) absA.push_back(double(std::abs(wide(z))));
    for (const T &z : b) absB.push_back(double(std::abs(wide(z))));
    const auto want = productL(a, b, m, k, n), mag = productL(absA, absB, m, k, n);
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(i);
        expectOneRounding(c[i], want[i], mag[i], k);
    }
}

// Unit 2-norm columns of v (n x n) whose component of largest magnitude is
// real (to imTol: ties are broken by rounding) and positive.
inline void expectUnitColumns(const CMat &v, int n, double imTol) {
    for (int j = 0; j < n; ++j) {
        long double norm = 0, big = -1;
        int where = 0;
        for (int i = 0; i < n; ++i) {
            const long double mag = std::abs(at(v, size_t(i) * n + j));
            norm += mag * mag;
            if (mag > big) big = mag, where = i;
        }
        EXPECT_NEAR(double(norm), 1.0, 8 * n * kEps) << "column " << j;
        EXPECT_LE(std::fabs(v[size_t(where) * n + j].im), imTol) << "column " << j;
        EXPECT_GT(v[size_t(where) * n + j].re, 0) << "column " << j;
    }
}

// The twins of each routine, real and complex: the one table from which
// both adapters are made.
// clang-format off
#define ORIN_LINALG_TWINS(X)                                                                                      \
    X(luFactor, LUFactor, CxLU) X(luSolve, LULinEqs, CxLULinEqs) X(luInv, LUInvMatrix, CxLUInvMatrix)             \
    X(toPacked, Matrix_to_Compact, CxMatrix_to_Compact) X(fromPacked, Compact_to_Matrix, CxCompact_to_Matrix)     \
    X(cholesky, Cholesky, CxCholesky) X(cholSolve, CholeskyLinEqs, CxCholeskyLinEqs)                              \
    X(cholInv, Cholesky_InvMatrix, CxCholesky_InvMatrix) X(triSolve, TriLinEqs, CxTriLinEqs)                      \
    X(triInv, Tri_InvMatrix, CxTri_InvMatrix) X(checkPosdef, CheckPosdef, CxCheckPosdef) X(determinant, Determinant, CxDeterminant)                          \
    X(householder, Householder_Factor, CxHouseholder_Factor) X(qrd, ::qrd, Cxqrd) X(svd, SVD, CxSVD)              \
    X(svds, SVDS, CxSVDS) X(pinv, PseudoInverse, CxPseudoInverse) X(rank, Rank, CxRank) X(norm, Norm, CxNorm)    \
    X(cond, CondNumber, CxCondNumber) X(genLinEqs, GenLinEqs, CxGenLinEqs)                                        \
    X(genEigen, GenEigenValueVector, CxGenEigenVectorValue) X(symEigen, SymEvectorEvalue, HermEvectorEvalue) X(matMul, MatrixMul, MatrixMulCx)                     \
    X(axVect, AxVect, AxVectCx) X(dot, DotProduct, DotProductCx) X(outer, OuterProduct, OuterProductCx)           \
    X(transpose, Transpose, CxTranspose) X(column, IndexMatrixCol, CxIndexMatrixCol) X(trace, Trace, CxTrace)     \
    X(vnorm2, Vnorm2, CxVnorm2) X(matMulHandles, MatrixMul_head, AxBCxCIN) X(axVectHandles, AxVect_head, AxVectorCx)
// clang-format on
#define ORIN_REAL_TWIN(op, real, cx) static constexpr auto op = real;
#define ORIN_CX_TWIN(op, real, cx) static constexpr auto op = cx;
struct RealOps {
    using T = double;
    using Vector = orintest::DoubleHandle;
    using Matrix = orintest::DoubleMatrixHandle;
    static constexpr const char *name = "Real";
    static constexpr int qrAlgorithms = 3;  // Householder, Givens, fast Givens
    ORIN_LINALG_TWINS(ORIN_REAL_TWIN)
};
struct CxOps {
    using T = complexnum;
    using Vector = orintest::ComplexHandle;
    using Matrix = orintest::ComplexMatrixHandle;
    static constexpr const char *name = "Complex";
    static constexpr int qrAlgorithms = 1;  // Householder only
    ORIN_LINALG_TWINS(ORIN_CX_TWIN)
};
using Twins = ::testing::Types<RealOps, CxOps>;
struct TwinName {
    template <class Ops>
    static std::string GetName(int) {
        return Ops::name;
    }
};

}  // namespace linalgtest

// Exact comparison (both parts) and printing of complex elements, for
// EXPECT_EQ and every exact check of the suites.
inline bool operator==(complexnum a, complexnum b) { return a.re == b.re && a.im == b.im; }
inline void PrintTo(complexnum z, std::ostream *os) { *os << "(" << z.re << ", " << z.im << ")"; }

// A suite of properties of twin routines: each TYPED_TEST runs with
// TypeParam = RealOps and = CxOps (element type TypeParam::T).
#define TWIN_SUITE(Suite)                    \
    template <class Ops>                     \
    class Suite : public ::testing::Test {}; \
    TYPED_TEST_SUITE(Suite, linalgtest::Twins, linalgtest::TwinName)

#endif  // ORIN_TESTS_LINALG_REFERENCE_H
