// Complex singular value decomposition by one-sided Jacobi rotations
// (Hestenes, J. SIAM 6 (1958); Demmel and Veselic, SIAM J. Matrix Anal. Appl.
// 13 (1992)). Pairs of columns are rotated, by a real plane rotation after a
// phase that makes their inner product real, until every pair is orthogonal
// to working accuracy; the column norms are then the singular values, the
// normalised columns U, and the accumulated rotations V. The method needs no
// bidiagonal form and computes small singular values to high relative
// accuracy. The columns are held as the contiguous rows of a transposed copy,
// so that every inner loop runs along memory.
#include <orin/linalg.h>

#include <algorithm>
#include <cmath>

#include "../frame/kit.h"
#include "cxsvd.h"

using orin::extended;

namespace orin::linalg {

namespace {

// Cyclic Jacobi converges quadratically once the off-diagonal part is small
// (Wilkinson, Numer. Math. 4 (1962)); ten sweeps are typical, sixty mean the
// rotations are chasing rounding and the iteration has failed.
constexpr int kMaxSweeps = 60;
// After scaling the matrix so that its largest part is below 1, a column
// whose norm is below 2^-1000 holds entries in gradual underflow: its
// direction has no accuracy left, and U's column is completed instead.
const double kTinyColumn = std::ldexp(1.0, -1000);

extended squaredNorm(const complexnum *x, ptrdiff_t n) {
    extended s = 0;
    for (ptrdiff_t k = 0; k < n; ++k)
        s += static_cast<extended>(x[k].re) * x[k].re + static_cast<extended>(x[k].im) * x[k].im;
    return s;
}

// x^H y in extended precision.
void innerProduct(const complexnum *x, const complexnum *y, ptrdiff_t n, extended *re, extended *im) {
    extended r = 0, i = 0;
    for (ptrdiff_t k = 0; k < n; ++k) {
        r += static_cast<extended>(x[k].re) * y[k].re + static_cast<extended>(x[k].im) * y[k].im;
        i += static_cast<extended>(x[k].re) * y[k].im - static_cast<extended>(x[k].im) * y[k].re;
    }
    *re = r;
    *im = i;
}

// [x y] <- [x y] [[c, s], [-s e, c e]] for real c, s with c^2 + s^2 = 1 and
// |e| = 1: a unitary map of the pair (se = s e, ce = c e).
void rotate(complexnum *x, complexnum *y, ptrdiff_t n, double c, double s, complexnum se, complexnum ce) {
    for (ptrdiff_t k = 0; k < n; ++k) {
        const complexnum xk = x[k], yk = y[k];
        x[k] = c * xk - se * yk;
        y[k] = s * xk + ce * yk;
    }
}

// The working columns of the one-sided Jacobi method, held as contiguous
// rows: g (n rows of m) the columns of B, scaled; w (n rows of n, null
// without vectors) the columns of V; d the squared column norms.
struct JacobiColumns {
    complexnum *g, *w;
    extended *d;
    ptrdiff_t m, n;
    bool vectors;

    complexnum *column(ptrdiff_t j) const { return g + j * m; }
    complexnum *right(ptrdiff_t j) const { return w + j * n; }
    void exchange(ptrdiff_t i, ptrdiff_t j) const {
        std::swap_ranges(column(i), column(i) + m, column(j));
        if (vectors) std::swap_ranges(right(i), right(i) + n, right(j));
        std::swap(d[i], d[j]);
    }
    void recomputeNorms() const {
        for (ptrdiff_t j = 0; j < n; ++j) d[j] = squaredNorm(column(j), m);
    }

    // Cyclic sweeps of rotations until no pair needs one; false after
    // kMaxSweeps.
    bool orthogonalise() const;
    // Descending order of the norms, the columns of U and V following.
    void sortDescending() const;
    // U's columns: the columns normalised, a tiny one completed.
    void normaliseLeft(double *cover) const;
};

bool JacobiColumns::orthogonalise() const {
    // A pair counts as orthogonal when |x^H y| <= tol ||x|| ||y||. A rotation
    // itself leaves cosines of a few eps, hence the floor of 16.
    const extended tol = kEpsilon * static_cast<extended>(std::max<ptrdiff_t>(m, 16));
    for (int sweep = 0; sweep < kMaxSweeps; ++sweep) {
        recomputeNorms();
        bool rotated = false;
        for (ptrdiff_t i = 0; i + 1 < n; ++i) {
            // The largest remaining column leads its row of pairs (de Rijk,
            // SIAM J. Sci. Stat. Comput. 10 (1989)): fewer sweeps, and the
            // values come out nearly sorted.
            ptrdiff_t lead = i;
            for (ptrdiff_t k = i + 1; k < n; ++k)
                if (d[k] > d[lead]) lead = k;
            if (lead != i) exchange(i, lead);
            for (ptrdiff_t j = i + 1; j < n; ++j) {
                if (d[i] == 0 || d[j] == 0) continue;
                extended gr = 0, gi = 0;
                innerProduct(column(i), column(j), m, &gr, &gi);
                const extended size = std::sqrt(gr * gr + gi * gi);
                if (!(size > tol * std::sqrt(d[i] * d[j]))) continue;
                rotated = true;
                // The smaller root t of t^2 + 2 zeta t - 1 = 0 makes the
                // rotated pair orthogonal (Rutishauser's choice, |angle| <=
                // pi/4); e turns x^H y into the real |x^H y|.
                const extended zeta = (d[j] - d[i]) / (2 * size);
                const extended t = (zeta >= 0 ? 1 : -1) / (std::fabs(zeta) + std::sqrt(1 + zeta * zeta));
                const extended cl = 1 / std::sqrt(1 + t * t);
                const double c = static_cast<double>(cl), sn = static_cast<double>(cl * t);
                const complexnum e = {static_cast<double>(gr / size), static_cast<double>(-gi / size)};
                rotate(column(i), column(j), m, c, sn, sn * e, c * e);
                if (vectors) rotate(right(i), right(j), n, c, sn, sn * e, c * e);
                // The rotation moves t |x^H y| of squared norm from one
                // column to the other; the sweep's next start recomputes.
                d[i] = std::max<extended>(d[i] - t * size, 0);
                d[j] = std::max<extended>(d[j] + t * size, 0);
            }
        }
        if (!rotated) return true;
    }
    return false;
}

void JacobiColumns::sortDescending() const {
    recomputeNorms();
    for (ptrdiff_t i = 0; i + 1 < n; ++i) {
        ptrdiff_t best = i;
        for (ptrdiff_t k = i + 1; k < n; ++k)
            if (d[k] > d[best]) best = k;
        if (best != i) exchange(i, best);
    }
}

// A zero (or underflowed) column is replaced by the unit vector that the
// columns so far cover least, projected off them twice (Gram-Schmidt with
// reorthogonalisation, "twice is enough": Parlett, The Symmetric Eigenvalue
// Problem, sec. 6.9), so U keeps orthonormal columns for rank-deficient
// matrices too. cover[k] (m entries) is 1 - sum over the columns so far of
// |U[k][l]|^2, what e_k keeps.
void JacobiColumns::normaliseLeft(double *cover) const {
    std::fill(cover, cover + m, 1.0);
    for (ptrdiff_t j = 0; j < n; ++j) {
        complexnum *x = column(j);
        const double length = static_cast<double>(std::sqrt(d[j]));
        if (length > kTinyColumn) {
            for (ptrdiff_t k = 0; k < m; ++k) x[k] = x[k] / length;
        } else {
            const ptrdiff_t k0 = std::max_element(cover, cover + m) - cover;
            std::fill(x, x + m, complexnum{0, 0});
            x[k0] = {1, 0};
            for (int pass = 0; pass < 2; ++pass)
                for (ptrdiff_t l = 0; l < j; ++l) {
                    extended cr = 0, ci = 0;
                    innerProduct(column(l), x, m, &cr, &ci);
                    const complexnum c = {static_cast<double>(cr), static_cast<double>(ci)};
                    const complexnum *y = column(l);
                    for (ptrdiff_t k = 0; k < m; ++k) x[k] -= c * y[k];
                }
            const double r = static_cast<double>(std::sqrt(squaredNorm(x, m)));
            for (ptrdiff_t k = 0; k < m; ++k) x[k] = x[k] / r;
        }
        for (ptrdiff_t k = 0; k < m; ++k) cover[k] -= norm(x[k]);
    }
}

}  // namespace

int32_t cxSingularValues(const complexnum *a, int32_t p, int32_t q, bool adjoint, double *s, complexnum *u,
                         complexnum *v, int *scale) {
    const ptrdiff_t m = p, n = q;
    const int64_t count = static_cast<int64_t>(p) * q;
    // Non-finite entries make every orthogonality test fail; the answer is
    // known at once.
    double big = 0;
    for (int64_t i = 0; i < count; ++i) {
        if (!isFinite(a[i])) return kErrNoConvergence;
        big = std::max({big, std::fabs(a[i].re), std::fabs(a[i].im)});
    }
    const bool vectors = u != nullptr;
    ScratchLayout layout;
    const auto columnsPart = layout.add<complexnum>(count);
    const auto rightPart = layout.add<complexnum>(vectors ? static_cast<int64_t>(q) * q : 0);
    const auto normsPart = layout.add<extended>(q);
    const auto coverPart = layout.add<double>(vectors ? p : 0);
    CarvedScratch scratch(layout);
    if (!scratch) return kErrOutOfMemory;
    const JacobiColumns cols{scratch.get(columnsPart), scratch.get(rightPart), scratch.get(normsPart), m, n, vectors};

    // Scaling by a power of two is exact, and with the largest part below 1
    // no squared norm can overflow.
    int exponent = 0;
    if (big > 0) std::frexp(big, &exponent);
    for (ptrdiff_t i = 0; i < m; ++i)
        for (ptrdiff_t j = 0; j < n; ++j) {
            const complexnum z = adjoint ? conj(a[j * m + i]) : a[i * n + j];
            cols.column(j)[i] = {std::ldexp(z.re, -exponent), std::ldexp(z.im, -exponent)};
        }
    if (vectors) {
        std::fill(cols.w, cols.w + n * n, complexnum{0, 0});
        for (ptrdiff_t j = 0; j < n; ++j) cols.right(j)[j] = {1, 0};
    }
    if (!cols.orthogonalise()) return kErrNoConvergence;
    cols.sortDescending();
    for (ptrdiff_t j = 0; j < n; ++j) {
        const double value = static_cast<double>(std::sqrt(cols.d[j]));
        s[j] = scale ? value : std::ldexp(value, exponent);
    }
    if (scale) *scale = exponent;
    if (!vectors) return kErrNone;
    cols.normaliseLeft(scratch.get(coverPart));
    for (ptrdiff_t i = 0; i < m; ++i)
        for (ptrdiff_t j = 0; j < n; ++j) u[i * n + j] = cols.column(j)[i];
    for (ptrdiff_t i = 0; i < n; ++i)
        for (ptrdiff_t j = 0; j < n; ++j) v[i * n + j] = cols.right(j)[i];
    return kErrNone;
}

}  // namespace orin::linalg

int32_t CxSVD(complexnum *a, int32_t m, int32_t n, double *s, complexnum *v) {
    if (const int32_t shape = orin::checkShape(m, n, sizeof(complexnum))) return shape;
    if (m < n) return kErrBadArraySize;
    return orin::linalg::cxSingularValues(a, m, n, false, s, a, v, nullptr);
}

int32_t CxSVDS(const complexnum *a, int32_t m, int32_t n, double *s) {
    if (const int32_t shape = orin::checkShape(m, n, sizeof(complexnum))) return shape;
    if (m < n) return kErrBadArraySize;
    return orin::linalg::cxSingularValues(a, m, n, false, s, nullptr, nullptr, nullptr);
}
