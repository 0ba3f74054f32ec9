// Symmetric eigen-decomposition: Householder tridiagonalisation and the
// implicit QL iteration with Wilkinson shifts (Bowdler, Martin, Reinsch and
// Wilkinson, the Handbook routines tred2 and tql2; Golub and Van Loan
// sec. 8.3), and the positive-definiteness test built on it.
#include <orin/linalg.h>

#include "detail.h"

using orin::extended;
using orin::linalg::cells;
using orin::linalg::radius;

namespace {

constexpr int kMaxIterations = 30;

// y = B x for the symmetric leading len x len block B of A, read from its
// lower triangle: y[j] sums row j up to the diagonal, then column j below
// it, in extended precision from 0, rounded once. Four consecutive j run
// together: the part k <= j of their rows, then each one's few terms up to
// j + 3 alone, then the part below, where their columns lie side by side
// in each row. Every sum keeps its order.
void symmetricTimesVector(orin::Matrix A, ptrdiff_t len, const double *x, double *y) {
    using orin::linalg::kLanes;
    ptrdiff_t j = 0;
    for (; j + kLanes <= len; j += kLanes) {
        const double *rows[kLanes] = {A.row(j).data(), A.row(j + 1).data(), A.row(j + 2).data(), A.row(j + 3).data()};
        extended t[kLanes] = {0, 0, 0, 0};
        orin::linalg::rowsTimesVector(rows, x, j + 1, t);
#pragma GCC unroll 4  // the sums stay in registers
        for (ptrdiff_t r = 0; r < kLanes; ++r)
            for (ptrdiff_t k = j + 1; k < j + kLanes; ++k)
                t[r] += static_cast<extended>(k <= j + r ? A(j + r, k) : A(k, j + r)) * x[k];
        if (j + kLanes < len)
            orin::linalg::rowTimesLanes(x + j + kLanes, &A(j + kLanes, j), len - j - kLanes, t, A.ld());
#pragma GCC unroll 4  // the sums stay in registers
        for (ptrdiff_t r = 0; r < kLanes; ++r) y[j + r] = static_cast<double>(t[r]);
    }
    for (; j < len; ++j) {
        extended t = 0;
        const double *rowj = A.row(j).data();
        for (ptrdiff_t k = 0; k <= j; ++k) t += static_cast<extended>(rowj[k]) * x[k];
        for (ptrdiff_t k = j + 1; k < len; ++k) t += static_cast<extended>(A(k, j)) * x[k];
        y[j] = static_cast<double>(t);
    }
}

// Reduces the symmetric matrix in a (lower triangle read) to tridiagonal
// form: diagonal into d, sub-diagonal into e[1..n-1] (e[0] = 0). With
// wantVectors, a becomes the orthogonal Q with A = Q T Q^T.
void tridiagonalise(double *a, ptrdiff_t n, bool wantVectors, double *d, double *e, double *sum) {
    orin::Matrix A(a, n, n);
    for (ptrdiff_t i = n - 1; i >= 1; --i) {
        const ptrdiff_t l = i - 1;
        double h = 0;
        double *rowi = A.row(i).data();
        if (l > 0) {
            double scale = 0;
            for (ptrdiff_t k = 0; k <= l; ++k) scale += std::fabs(rowi[k]);
            if (scale == 0) {
                e[i] = rowi[l];
            } else {
                extended hs = 0;
                for (ptrdiff_t k = 0; k <= l; ++k) {
                    rowi[k] /= scale;
                    hs += static_cast<extended>(rowi[k]) * rowi[k];
                }
                h = static_cast<double>(hs);
                double f = rowi[l];
                double g = f >= 0 ? -std::sqrt(h) : std::sqrt(h);
                e[i] = scale * g;
                h -= f * g;
                rowi[l] = f - g;
                f = 0;
                // p = A u / h over the leading (l+1) block, read from its
                // lower triangle.
                symmetricTimesVector(A, l + 1, rowi, e);
                for (ptrdiff_t j = 0; j <= l; ++j) {
                    if (wantVectors) A(j, i) = rowi[j] / h;
                    e[j] /= h;
                    f += e[j] * rowi[j];
                }
                const double hh = f / (h + h);
                for (ptrdiff_t j = 0; j <= l; ++j) {
                    f = rowi[j];
                    g = e[j] - hh * f;
                    e[j] = g;
                    double *rowj = A.row(j).data();
                    for (ptrdiff_t k = 0; k <= j; ++k) rowj[k] -= f * e[k] + g * rowi[k];
                }
            }
        } else {
            e[i] = rowi[l];
        }
        d[i] = h;
    }
    d[0] = 0;
    e[0] = 0;
    for (ptrdiff_t i = 0; i < n; ++i) {
        const ptrdiff_t l = i;  // columns 0..i-1 hold the accumulated part
        if (wantVectors) {
            if (d[i] != 0) {
                // A[0..l)[0..l) -= (A[0..l)[i]) (row i . A[0..l)[0..l)),
                // the row products gathered along rows.
                const double *rowi = A.row(i).data();
                std::fill(sum, sum + l, 0.0);
                for (ptrdiff_t k = 0; k < l; ++k) {
                    const double aik = rowi[k];
                    const double *rowk = A.row(k).data();
                    orin::linalg::addScaled(sum, rowk, aik, l);
                }
                for (ptrdiff_t k = 0; k < l; ++k) {
                    const double aki = A(k, i);
                    double *rowk = A.row(k).data();
                    orin::linalg::addScaled<true>(rowk, sum, aki, l);
                }
            }
            d[i] = A(i, i);
            A(i, i) = 1.0;
            for (ptrdiff_t j = 0; j < l; ++j) A(j, i) = A(i, j) = 0.0;
        } else {
            d[i] = A(i, i);
        }
    }
}

// Implicit QL on the tridiagonal (d, e), rotating the rows of zt (the
// transposed eigenvector matrix, so each rotation runs along two rows).
bool ql(double *d, double *e, ptrdiff_t n, double *zt) {
    for (ptrdiff_t i = 1; i < n; ++i) e[i - 1] = e[i];
    e[n - 1] = 0;
    for (ptrdiff_t l = 0; l < n; ++l) {
        int iterations = 0;
        ptrdiff_t m;
        do {
            for (m = l; m < n - 1; ++m) {
                const double dd = std::fabs(d[m]) + std::fabs(d[m + 1]);
                if (std::fabs(e[m]) + dd == dd) break;
            }
            if (m == l) break;
            if (iterations++ == kMaxIterations) return false;
            double g = (d[l + 1] - d[l]) / (2.0 * e[l]);
            double r = radius(g, 1.0);
            g = d[m] - d[l] + e[l] / (g + (g >= 0 ? std::fabs(r) : -std::fabs(r)));
            double s = 1, c = 1, p = 0;
            ptrdiff_t i;
            for (i = m - 1; i >= l; --i) {
                double f = s * e[i];
                const double b = c * e[i];
                r = radius(f, g);
                e[i + 1] = r;
                if (r == 0) {
                    d[i + 1] -= p;
                    e[m] = 0;
                    break;
                }
                s = f / r;
                c = g / r;
                g = d[i + 1] - p;
                r = (d[i] - g) * s + 2.0 * c * b;
                p = s * r;
                d[i + 1] = g + p;
                g = c * r - b;
                if (zt) {
                    double *zi = zt + i * n, *zi1 = zt + (i + 1) * n;
                    using orin::v2d, orin::load2, orin::store2;
                    const v2d ss = {s, s}, cc = {c, c};
                    ptrdiff_t k = 0;
                    for (; k + 2 <= n; k += 2) {  // the loop below, two at a time
                        const v2d t = load2(zi1 + k), z = load2(zi + k);
                        store2(zi1 + k, ss * z + cc * t);
                        store2(zi + k, cc * z - ss * t);
                    }
                    for (; k < n; ++k) {
                        const double t = zi1[k];
                        zi1[k] = s * zi[k] + c * t;
                        zi[k] = c * zi[k] - s * t;
                    }
                }
            }
            if (r == 0 && i >= l) continue;
            d[l] -= p;
            e[l] = g;
            e[m] = 0;
        } while (m != l);
    }
    return true;
}

}  // namespace

namespace orin::linalg {

int32_t symmetricEigen(double *a, int32_t n, bool wantVectors, double *values) {
    Scratch<double> work(2 * static_cast<int64_t>(n));
    if (!work) return kErrOutOfMemory;
    double *e = work.data(), *sum = work.data() + n;
    tridiagonalise(a, n, wantVectors, values, e, sum);
    if (wantVectors) transposeSquare(a, n);
    const bool converged = ql(values, e, n, wantVectors ? a : nullptr);
    if (!converged) return kErrNoConvergence;
    if (wantVectors) {
        // Each eigenvector (a row here) divided by its first element of
        // largest magnitude, which becomes exactly 1.
        for (ptrdiff_t k = 0; k < n; ++k) {
            double *z = a + k * n;
            ptrdiff_t best = 0;
            for (ptrdiff_t i = 1; i < n; ++i)
                if (std::fabs(z[i]) > std::fabs(z[best])) best = i;
            const double pivot = z[best];
            if (pivot == 0) continue;
            for (ptrdiff_t i = 0; i < n; ++i) z[i] /= pivot;
            z[best] = 1.0;
        }
        transposeSquare(a, n);
    }
    return kErrNone;
}

}  // namespace orin::linalg

namespace orin::linalg {

bool tridiagonalQL(double *d, double *e, int32_t n, double *zt) { return ql(d, e, n, zt); }

}  // namespace orin::linalg

int32_t SymEvectorEvalue(const double *a, int32_t n, int32_t wantVectors, double *vectors, double *values) {
    if (const int32_t shape = orin::checkShape(n, n)) return shape;
    orin::linalg::copyCells(a, cells(n, n), vectors);
    return orin::linalg::symmetricEigen(vectors, n, wantVectors == 1, values);
}

int32_t CheckPosdef(const double *a, int32_t n, int32_t *result) {
    *result = 0;
    if (const int32_t shape = orin::checkShape(n, n)) return shape;
    orin::Scratch<double> values(n);
    if (!values) return kErrOutOfMemory;
    orin::Scratch<double> work(cells(n, n));
    if (!work) return kErrOutOfMemory;
    const orin::ConstMatrix A(a, n, n);
    for (ptrdiff_t i = 0; i < n; ++i)
        for (ptrdiff_t j = i; j < n; ++j)
            if (!(A(i, j) == A(j, i))) return kErrNone;  // asymmetric, or NaN
    orin::linalg::copyCells(a, cells(n, n), work.data());
    if (const int32_t code = orin::linalg::symmetricEigen(work.data(), n, false, values.data())) return code;
    double largest = values[0];
    for (ptrdiff_t i = 0; i < n; ++i) {
        if (!(values[i] > 0)) return kErrNone;
        largest = std::max(largest, values[i]);
    }
    // 2^-63: eigenvalues below this fraction of the largest are taken as 0.
    const double floor = largest * 1.0842021724855044e-19;
    for (ptrdiff_t i = 0; i < n; ++i)
        if (values[i] < floor) return kErrNone;
    *result = 1;
    return kErrNone;
}
