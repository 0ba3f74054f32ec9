// General linear least squares y ~ H a (n observations, k coefficients) by
// one of six methods, with optional weights 1/sigma and the covariance
// (H^T W H)^+, and the Levenberg–Marquardt coefficient step.
//
// The methods (Method below) follow Golub and Van Loan 5.3, 5.2 and 4.2 and,
// for the square-root-free rotations, Gentleman, Appl. Statist. 22, 1973.
// Linalg's back substitution, LU and SVD serve them. The rest stays here
// because linalg's kernels give other results: its Cholesky refuses a matrix
// that is not positive definite (here NaN results) and solves in double
// sums, its Givens rotation forms c = 1/sqrt(1 + t^2) rather than dividing
// by the radius, and its Householder vector is scaled by the 2-norm rather
// than the 1-norm.
#include <orin/fitting.h>
#include <orin/linalg.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "../frame/kit.h"

using orin::ConstMatrix;
using orin::extended;
using orin::Matrix;
using orin::Scratch;

namespace {

constexpr int32_t kMaxCoefficients = 90;

// The six methods, by the number the caller passes.
enum class Method : int32_t {
    kSvd = 0,             // singular value decomposition, minimum norm on rank deficiency
    kGivens = 1,          // Givens rotations
    kFastGivens = 2,      // square-root-free Givens rotations (Gentleman)
    kHouseholder = 3,     // Householder reflections
    kNormalLU = 4,        // normal equations, LU with partial pivoting
    kNormalCholesky = 5,  // normal equations, Cholesky R^T R without a test
};

// x = R^-1 b for the upper triangle R in the first k rows of r (row stride
// k), by linalg's back substitution (extended sums, one division each).
void backSubstitute(const ConstMatrix &r, const double *b, int32_t k, double *x) {
    if (x != b) std::copy_n(b, k, x);
    BackSub(r.data(), k, x);
}

// A = R^T R with R upper, in place over the rows of A (no test of the
// radicand: a matrix that is not positive definite gives NaN), then
// R^T z = b forwards and R x = z backwards; x may be b.
void choleskySolve(const Matrix &a, int32_t k, const double *b, double *x) {
    for (int32_t j = 0; j < k; ++j) {
        extended d = a(j, j);
        for (int32_t i = 0; i < j; ++i) d -= static_cast<extended>(a(i, j)) * a(i, j);
        a(j, j) = static_cast<double>(std::sqrt(d));
        for (int32_t m = j + 1; m < k; ++m) {
            extended t = a(j, m);
            for (int32_t i = 0; i < j; ++i) t -= static_cast<extended>(a(i, j)) * a(i, m);
            a(j, m) = static_cast<double>(t / a(j, j));
        }
    }
    for (int32_t i = 0; i < k; ++i) {
        extended t = b[i];
        for (int32_t j = 0; j < i; ++j) t -= static_cast<extended>(a(j, i)) * x[j];
        x[i] = static_cast<double>(t / a(i, i));
    }
    backSubstitute(a, x, k, x);
}

// Givens rotations zero the sub-diagonal column by column from the top; the
// radius is the larger magnitude times sqrt(1 + (smaller/larger)^2). (Not
// linalg's radius: with g NaN, std::max and std::min here pass f over both,
// so the rotation's NaNs differ.)
void givensSolve(const Matrix &h, double *y, int32_t n, int32_t k, double *coef) {
    for (int32_t j = 0; j < k; ++j) {
        for (int32_t i = j + 1; i < n; ++i) {
            const double f = h(j, j), g = h(i, j);
            if (g == 0) continue;
            const double big = std::max(std::fabs(f), std::fabs(g)), small = std::min(std::fabs(f), std::fabs(g));
            const double r = big * std::sqrt(1 + (small / big) * (small / big));
            const double c = f / r, s = g / r;
            for (int32_t m = j; m < k; ++m) {
                const double u = h(j, m), v = h(i, m);
                h(j, m) = c * u + s * v;
                h(i, m) = c * v - s * u;
            }
            const double u = y[j], v = y[i];
            y[j] = c * u + s * v;
            y[i] = c * v - s * u;
        }
    }
    backSubstitute(h, y, k, coef);
}

// Square-root-free Givens: each observation row is rotated into a unit
// upper-triangular R with the squared row scales d carried beside it, so no
// square root is taken and back-substitution needs no division. A column
// that never gains weight keeps its zero row and coefficient 0.
bool fastGivensSolve(const Matrix &h, double *y, int32_t n, int32_t k, double *coef) {
    Scratch<double> rbar(static_cast<int64_t>(k) * k, orin::Fill::kZeroed), d(k, orin::Fill::kZeroed),
        theta(k, orin::Fill::kZeroed);
    if (!rbar || !d || !theta) return false;
    const Matrix r(rbar.data(), k, k);
    for (int32_t i = 0; i < n; ++i) {
        double *x = h.row(i).data();
        double w = 1, yi = y[i];
        for (int32_t j = 0; j < k && w != 0; ++j) {
            const double xi = x[j];
            if (xi == 0) continue;
            const double dp = d[j] + w * xi * xi;
            const double cbar = d[j] / dp, sbar = w * xi / dp;
            w *= cbar;
            d[j] = dp;
            for (int32_t m = j + 1; m < k; ++m) {
                const double xm = x[m];
                x[m] = xm - xi * r(j, m);
                r(j, m) = cbar * r(j, m) + sbar * xm;
            }
            const double yk = yi;
            yi = yk - xi * theta[j];
            theta[j] = cbar * theta[j] + sbar * yk;
        }
    }
    // R is unit upper triangular: its back substitution takes no division.
    for (int32_t i = k - 1; i >= 0; --i) {
        extended t = theta[i];
        for (int32_t j = i + 1; j < k; ++j) t -= static_cast<extended>(r(i, j)) * coef[j];
        coef[i] = static_cast<double>(t);
    }
    return true;
}

// Householder QR column by column; each column is scaled by the sum of its
// magnitudes before the reflector is formed (no overflow in the norm), and
// a zero column is skipped.
void householderSolve(const Matrix &h, double *y, int32_t n, int32_t k, double *coef) {
    for (int32_t j = 0; j < k; ++j) {
        extended scale = 0;
        for (int32_t i = j; i < n; ++i) scale += std::fabs(h(i, j));
        if (scale == 0) continue;
        extended norm2 = 0;
        for (int32_t i = j; i < n; ++i) {
            h(i, j) = static_cast<double>(h(i, j) / scale);
            norm2 += static_cast<extended>(h(i, j)) * h(i, j);
        }
        const extended alpha = h(j, j) > 0 ? -std::sqrt(norm2) : std::sqrt(norm2);
        // v = x - alpha e_j in column j, H = I - 2 v v^T / (v^T v).
        const extended halfNorm = alpha * (alpha - h(j, j));  // v^T v / 2
        h(j, j) = static_cast<double>(h(j, j) - alpha);
        const auto reflect = [&](auto at) {
            extended t = 0;
            for (int32_t i = j; i < n; ++i) t += static_cast<extended>(h(i, j)) * at(i);
            t /= halfNorm;
            for (int32_t i = j; i < n; ++i) at(i) = static_cast<double>(at(i) - t * h(i, j));
        };
        for (int32_t m = j + 1; m < k; ++m) reflect([&](int32_t i) -> double & { return h(i, m); });
        reflect([&](int32_t i) -> double & { return y[i]; });
        h(j, j) = static_cast<double>(alpha * scale);
    }
    backSubstitute(h, y, k, coef);
}

// Singular value decomposition: coef = V diag(1/w) U^T y over the singular
// values kept. Those below max(n, k) eps wmax are rounding noise of a
// rank-deficient H and are dropped, which gives the minimum-norm solution.
int32_t svdSolve(const Matrix &h, const double *y, int32_t n, int32_t k, double *coef) {
    Scratch<double> w(k), v(static_cast<int64_t>(k) * k), c(k);
    if (!w || !v || !c) return kErrOutOfMemory;
    const int32_t code = SVD(h.data(), n, k, w.data(), v.data());
    // Failure to converge is reported as an empty solution.
    if (code == kErrNoConvergence) return kErrEmptyArray;
    if (code) return code;
    const double wmax = *std::max_element(w.begin(), w.end());
    const double cutoff = std::max(n, k) * std::numeric_limits<double>::epsilon() * wmax;
    for (int32_t j = 0; j < k; ++j) {
        if (!(w[j] >= cutoff) || w[j] == 0) {
            c[j] = 0;
            continue;
        }
        extended t = 0;
        for (int32_t i = 0; i < n; ++i) t += static_cast<extended>(h(i, j)) * y[i];
        c[j] = static_cast<double>(t / w[j]);
    }
    const ConstMatrix vm(v.data(), k, k);
    for (int32_t i = 0; i < k; ++i) coef[i] = static_cast<double>(orin::dotExtended(vm.row(i).data(), c.data(), k));
    return kErrNone;
}

// A = H^T W H and b = H^T W y of a weighted (already divided) copy, or of
// the raw data with the weights applied here.
void normalEquations(const ConstMatrix &h, const double *y, const double *sigma, int32_t n, int32_t k, const Matrix &a,
                     double *b) {
    for (int32_t p = 0; p < k; ++p) {
        for (int32_t q = p; q < k; ++q) {
            extended t = 0;
            for (int32_t i = 0; i < n; ++i) {
                const extended w = sigma ? 1 / (static_cast<extended>(sigma[i]) * sigma[i]) : 1;
                t += static_cast<extended>(h(i, p)) * h(i, q) * w;
            }
            a(p, q) = a(q, p) = static_cast<double>(t);
        }
        if (b) {
            extended t = 0;
            for (int32_t i = 0; i < n; ++i) {
                const extended w = sigma ? 1 / (static_cast<extended>(sigma[i]) * sigma[i]) : 1;
                t += static_cast<extended>(h(i, p)) * y[i] * w;
            }
            b[p] = static_cast<double>(t);
        }
    }
}

}  // namespace

int32_t GenLSFitCoef(const double *H, int32_t n, int32_t k, const double *y, const double *sigma, double *coef,
                     double *covariance, int32_t algorithm) {
    if (n < 1) return kErrEmptyArray;
    if (n < k) return kErrFewerPointsThanCoefficients;
    if (k < 1 || k > kMaxCoefficients) return kErrOrderNotPositive;
    if (algorithm < static_cast<int32_t>(Method::kSvd) || algorithm > static_cast<int32_t>(Method::kNormalCholesky))
        return kErrInvalidSelector;
    const auto method = static_cast<Method>(algorithm);
    const ConstMatrix h(H, n, k);
    Scratch<double> rhs(n);
    if (!rhs) return kErrOutOfMemory;

    if (method == Method::kNormalLU || method == Method::kNormalCholesky) {
        Scratch<double> normal(static_cast<int64_t>(k) * k);
        if (!normal) return kErrOutOfMemory;
        const Matrix a(normal.data(), k, k);
        normalEquations(h, y, sigma, n, k, a, rhs.data());
        if (covariance)
            if (const int32_t code = PseudoInverse(a.data(), k, k, -1.0, covariance)) return code;
        std::copy_n(rhs.data(), k, coef);
        if (method == Method::kNormalCholesky) {
            choleskySolve(a, k, coef, coef);
            return kErrNone;
        }
        Scratch<int32_t> perm(k);
        if (!perm) return kErrOutOfMemory;
        int32_t parity = 0, singular = 0;
        LU(a.data(), perm.data(), k, &parity, &singular);
        if (singular) return kErrSingularMatrix;
        ForwSub(a.data(), perm.data(), k, coef);
        BackSub(a.data(), k, coef);
        return kErrNone;
    }

    // The other four work on a weighted copy: row i and y_i divided by sigma_i.
    Scratch<double> copy(static_cast<int64_t>(n) * k);
    if (!copy) return kErrOutOfMemory;
    const Matrix w(copy.data(), n, k);
    for (int32_t i = 0; i < n; ++i) {
        const double s = sigma ? sigma[i] : 1.0;
        for (int32_t j = 0; j < k; ++j) w(i, j) = sigma ? h(i, j) / s : h(i, j);
        rhs[i] = sigma ? y[i] / s : y[i];
    }
    if (covariance) {
        normalEquations(w, nullptr, nullptr, n, k, Matrix(covariance, k, k), nullptr);
        if (const int32_t code = PseudoInverse(covariance, k, k, -1.0, covariance)) return code;
    }
    switch (method) {
        case Method::kSvd: return svdSolve(w, rhs.data(), n, k, coef);
        case Method::kGivens: givensSolve(w, rhs.data(), n, k, coef); return kErrNone;
        case Method::kFastGivens: return fastGivensSolve(w, rhs.data(), n, k, coef) ? kErrNone : kErrOutOfMemory;
        default: householderSolve(w, rhs.data(), n, k, coef); return kErrNone;  // Method::kHouseholder
    }
}

// One Levenberg–Marquardt step: the damped normal matrix a_ii (lambda + 1) +
// lambda, factored as R^T R, solved for the step, added to coef.
int32_t GetNewCoef(const double *alpha, const double *beta, int32_t k, double lambda, double *coef) {
    Scratch<double> copy(static_cast<int64_t>(k) * k), delta(k);
    if (!copy || !delta) return kErrOutOfMemory;
    std::copy_n(alpha, static_cast<size_t>(k) * k, copy.data());
    const Matrix a(copy.data(), k, k);
    for (int32_t i = 0; i < k; ++i) a(i, i) = a(i, i) * (lambda + 1) + lambda;
    choleskySolve(a, k, beta, delta.data());
    for (int32_t i = 0; i < k; ++i) coef[i] += delta[i];
    return kErrNone;
}
