// Singular value decomposition by Householder bidiagonalisation and
// implicitly shifted QR sweeps (Golub and Reinsch, Numer. Math. 14 (1970);
// Golub and Van Loan sec. 8.6), with the loops arranged along rows of the
// row-major storage wherever the reduction allows.
#include <orin/linalg.h>

#include "detail.h"

using orin::extended;
using orin::linalg::radius;

namespace orin::linalg {

namespace {

constexpr int kMaxSweeps = 30;

inline double withSign(double magnitude, double sign) { return sign >= 0 ? std::fabs(magnitude) : -std::fabs(magnitude); }

// Applies one sweep's rotations j = l .. last, in that order, to the column
// pairs (j, j + 1) of M: (x, z) becomes (x c + z s, z c - x s). The sweep
// computes them first and they are applied here row by row, so that each
// row is read once along its length; every element meets the same
// rotations in the same order as when each was applied down the columns.
// Along a row each rotation waits for the one before, so four rows are
// rotated together.
void rotateColumns(Matrix M, ptrdiff_t l, ptrdiff_t last, const double *cosines, const double *sines) {
    constexpr ptrdiff_t kRows = 4;
    const ptrdiff_t m = M.rows();
    ptrdiff_t r = 0;
    for (; r + kRows <= m; r += kRows) {
        double *r0 = M.row(r).data(), *r1 = M.row(r + 1).data(), *r2 = M.row(r + 2).data(),
               *r3 = M.row(r + 3).data();
        double z0 = r0[l], z1 = r1[l], z2 = r2[l], z3 = r3[l];
        for (ptrdiff_t j = l; j <= last; ++j) {
            const double c = cosines[j], s = sines[j];
            const double x0 = z0, x1 = z1, x2 = z2, x3 = z3;
            z0 = r0[j + 1], z1 = r1[j + 1], z2 = r2[j + 1], z3 = r3[j + 1];
            r0[j] = x0 * c + z0 * s;
            r1[j] = x1 * c + z1 * s;
            r2[j] = x2 * c + z2 * s;
            r3[j] = x3 * c + z3 * s;
            z0 = z0 * c - x0 * s;
            z1 = z1 * c - x1 * s;
            z2 = z2 * c - x2 * s;
            z3 = z3 * c - x3 * s;
        }
        r0[last + 1] = z0, r1[last + 1] = z1, r2[last + 1] = z2, r3[last + 1] = z3;
    }
    for (; r < m; ++r) {
        double *row = M.row(r).data();
        for (ptrdiff_t j = l; j <= last; ++j) {
            const double x = row[j], z = row[j + 1];
            row[j] = x * cosines[j] + z * sines[j];
            row[j + 1] = z * cosines[j] - x * sines[j];
        }
    }
}

}  // namespace

int32_t singularValues(double *a, int32_t p, int32_t q, double *w, double *v, bool wantVectors) {
    const ptrdiff_t m = p, n = q;
    orin::Matrix A(a, m, n);
    orin::Matrix V(v, n, n);
    // Work: the superdiagonal, a row of column sums for the updates, marks
    // of the reflections that were skipped, and the cosines and sines of one
    // sweep's rotations of V and of U.
    Scratch<double> work(7 * static_cast<int64_t>(n));
    if (!work) return kErrOutOfMemory;
    double *rv1 = work.data();
    double *sum = work.data() + n;
    double *skipped = work.data() + 2 * n;
    double *cosV = work.data() + 3 * n, *sinV = work.data() + 4 * n;
    double *cosU = work.data() + 5 * n, *sinU = work.data() + 6 * n;
    constexpr double kLeftSkipped = 1, kRightSkipped = 2;

    // Non-finite entries would leave every convergence test false; the
    // sweep limit would end it, but the answer is known at once.
    if (!allFinite(a, static_cast<int64_t>(m) * n)) return kErrNoConvergence;

    // 1. Bidiagonalisation: a left reflection zeroes column i below the
    //    diagonal, a right one zeroes row i beyond the superdiagonal; each
    //    column or row is first scaled by the sum of its magnitudes. A column
    //    or row that is already reduced keeps its entry and sign (no
    //    reflection, as LAPACK's dlarfg), so diagonal and bidiagonal input
    //    passes through with U = V = I.
    double g = 0, scale = 0, anorm = 0;
    for (ptrdiff_t i = 0; i < n; ++i) {
        const ptrdiff_t l = i + 1;
        rv1[i] = scale * g;
        g = 0;
        scale = 0;
        skipped[i] = 0;
        bool reduced = true;
        for (ptrdiff_t k = i + 1; k < m && reduced; ++k) reduced = A(k, i) == 0;
        if (reduced) {
            skipped[i] = kLeftSkipped;
            scale = 1;
            g = A(i, i);
        } else {
            for (ptrdiff_t k = i; k < m; ++k) scale += std::fabs(A(k, i));
        }
        if (!reduced && scale != 0) {
            extended s = 0;
            for (ptrdiff_t k = i; k < m; ++k) {
                A(k, i) /= scale;
                s += static_cast<extended>(A(k, i)) * A(k, i);
            }
            const double f = A(i, i);
            g = -withSign(std::sqrt(static_cast<double>(s)), f);
            const double h = f * g - static_cast<double>(s);
            A(i, i) = f - g;
            // sum[j] = column i . column j over rows i..m-1, built row by row.
            std::fill(sum + l, sum + n, 0.0);
            for (ptrdiff_t k = i; k < m; ++k) {
                const double aki = A(k, i);
                const double *row = A.row(k).data();
                addScaled(sum + l, row + l, aki, n - l);
            }
            for (ptrdiff_t j = l; j < n; ++j) sum[j] /= h;
            for (ptrdiff_t k = i; k < m; ++k) {
                const double aki = A(k, i);
                double *row = A.row(k).data();
                addScaled(row + l, sum + l, aki, n - l);
            }
            for (ptrdiff_t k = i; k < m; ++k) A(k, i) *= scale;
        }
        w[i] = scale * g;
        g = 0;
        scale = 0;
        if (i != n - 1) {
            double *rowi = A.row(i).data();
            bool rowReduced = true;
            for (ptrdiff_t k = l + 1; k < n && rowReduced; ++k) rowReduced = rowi[k] == 0;
            if (rowReduced) {
                skipped[i] += kRightSkipped;
                scale = 1;
                g = rowi[l];
            } else {
                for (ptrdiff_t k = l; k < n; ++k) scale += std::fabs(rowi[k]);
            }
            if (!rowReduced && scale != 0) {
                extended s = 0;
                for (ptrdiff_t k = l; k < n; ++k) {
                    rowi[k] /= scale;
                    s += static_cast<extended>(rowi[k]) * rowi[k];
                }
                const double f = rowi[l];
                g = -withSign(std::sqrt(static_cast<double>(s)), f);
                const double h = f * g - static_cast<double>(s);
                rowi[l] = f - g;
                for (ptrdiff_t k = l; k < n; ++k) rv1[k] = rowi[k] / h;
                // Each row's product with row i reads only that row, so
                // kLanes of them are formed together before their updates.
                ptrdiff_t j = l;
                for (; j + kLanes <= m; j += kLanes) {
                    const double *rows[kLanes];
                    for (ptrdiff_t r = 0; r < kLanes; ++r) rows[r] = A.row(j + r).data() + l;
                    extended t[kLanes] = {0, 0, 0, 0};
                    rowsTimesVector(rows, rowi + l, n - l, t);
                    #pragma GCC unroll 4  // the sums stay in registers
                    for (ptrdiff_t r = 0; r < kLanes; ++r) {
                        double *row = A.row(j + r).data();
                        const double tt = static_cast<double>(t[r]);
                        addScaled(row + l, rv1 + l, tt, n - l);
                    }
                }
                for (; j < m; ++j) {
                    double *row = A.row(j).data();
                    const double tt = static_cast<double>(dotExtended(row + l, rowi + l, n - l));
                    addScaled(row + l, rv1 + l, tt, n - l);
                }
                for (ptrdiff_t k = l; k < n; ++k) rowi[k] *= scale;
            }
        }
        anorm = std::max(anorm, std::fabs(w[i]) + std::fabs(rv1[i]));
    }

    if (wantVectors) {
        // 2. Right transformations accumulated into V, from the last.
        ptrdiff_t l = n;
        for (ptrdiff_t i = n - 1; i >= 0; --i) {
            if (i < n - 1) {
                const double *rowi = A.row(i).data();
                if (g != 0 && skipped[i] < kRightSkipped) {
                    // Division in two steps avoids underflow (Golub-Reinsch).
                    for (ptrdiff_t j = l; j < n; ++j) V(j, i) = (rowi[j] / rowi[l]) / g;
                    std::fill(sum + l, sum + n, 0.0);
                    for (ptrdiff_t k = l; k < n; ++k) {
                        const double aik = rowi[k];
                        const double *vrow = V.row(k).data();
                        addScaled(sum + l, vrow + l, aik, n - l);
                    }
                    for (ptrdiff_t k = l; k < n; ++k) {
                        const double vki = V(k, i);
                        double *vrow = V.row(k).data();
                        addScaled(vrow + l, sum + l, vki, n - l);
                    }
                }
                for (ptrdiff_t j = l; j < n; ++j) V(i, j) = V(j, i) = 0.0;
            }
            V(i, i) = 1.0;
            g = rv1[i];
            l = i;
        }
        // 3. Left transformations accumulated into U, in place of A.
        for (ptrdiff_t i = n - 1; i >= 0; --i) {
            const ptrdiff_t l1 = i + 1;
            g = w[i];
            std::fill(A.row(i).data() + l1, A.row(i).data() + n, 0.0);
            if (g != 0 && skipped[i] != kLeftSkipped && skipped[i] != kLeftSkipped + kRightSkipped) {
                g = 1.0 / g;
                std::fill(sum + l1, sum + n, 0.0);
                for (ptrdiff_t k = l1; k < m; ++k) {
                    const double aki = A(k, i);
                    const double *row = A.row(k).data();
                    addScaled(sum + l1, row + l1, aki, n - l1);
                }
                const double aii = A(i, i);
                for (ptrdiff_t j = l1; j < n; ++j) sum[j] = (sum[j] / aii) * g;
                for (ptrdiff_t k = i; k < m; ++k) {
                    const double aki = A(k, i);
                    double *row = A.row(k).data();
                    addScaled(row + l1, sum + l1, aki, n - l1);
                }
                for (ptrdiff_t j = i; j < m; ++j) A(j, i) *= g;
            } else {
                for (ptrdiff_t j = i; j < m; ++j) A(j, i) = 0.0;
            }
            A(i, i) += 1.0;
        }
    }

    // 4. Diagonalisation of the bidiagonal (w on the diagonal, rv1 above it)
    //    from the last singular value up. An element is negligible when
    //    adding it to the bidiagonal's norm leaves the norm unchanged.
    auto negligible = [anorm](double x) { return std::fabs(x) + anorm == anorm; };
    for (ptrdiff_t k = n - 1; k >= 0; --k) {
        for (int sweep = 1;; ++sweep) {
            bool cancel = true;
            ptrdiff_t l = k;
            for (; l >= 0; --l) {
                // rv1[0] is 0 by construction; l = 0 ends the split search
                // even when the norm itself is not finite.
                if (l == 0 || negligible(rv1[l])) {
                    cancel = false;
                    break;
                }
                if (negligible(w[l - 1])) break;
            }
            if (cancel) {
                // w[l-1] is negligible: chase rv1[l] out with rotations.
                const ptrdiff_t nm = l - 1;
                double c = 0, s = 1;
                for (ptrdiff_t i = l; i <= k; ++i) {
                    const double f = s * rv1[i];
                    rv1[i] = c * rv1[i];
                    if (negligible(f)) break;
                    g = w[i];
                    double h = radius(f, g);
                    w[i] = h;
                    h = 1.0 / h;
                    c = g * h;
                    s = -f * h;
                    if (wantVectors)
                        for (ptrdiff_t j = 0; j < m; ++j) {
                            double *row = A.row(j).data();
                            const double y = row[nm], z = row[i];
                            row[nm] = y * c + z * s;
                            row[i] = z * c - y * s;
                        }
                }
            }
            const double z = w[k];
            if (l == k) {
                if (z < 0) {
                    w[k] = -z;
                    if (wantVectors)
                        for (ptrdiff_t j = 0; j < n; ++j) V(j, k) = -V(j, k);
                }
                break;
            }
            if (sweep >= kMaxSweeps) return kErrNoConvergence;
            // Shift from the bottom 2 x 2 minor (Wilkinson), then one chase.
            double x = w[l];
            const ptrdiff_t nm = k - 1;
            double y = w[nm];
            g = rv1[nm];
            double h = rv1[k];
            double f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2.0 * h * y);
            g = radius(f, 1.0);
            f = ((x - z) * (x + z) + h * ((y / (f + withSign(g, f))) - h)) / x;
            double c = 1, s = 1;
            for (ptrdiff_t j = l; j <= nm; ++j) {
                const ptrdiff_t i = j + 1;
                g = rv1[i];
                y = w[i];
                h = s * g;
                g = c * g;
                double zz = radius(f, h);
                rv1[j] = zz;
                c = f / zz;
                s = h / zz;
                f = x * c + g * s;
                g = g * c - x * s;
                h = y * s;
                y *= c;
                cosV[j] = c;
                sinV[j] = s;
                zz = radius(f, h);
                w[j] = zz;
                if (zz != 0) {
                    zz = 1.0 / zz;
                    c = f * zz;
                    s = h * zz;
                }
                f = c * g + s * y;
                x = c * y - s * g;
                cosU[j] = c;
                sinU[j] = s;
            }
            if (wantVectors) {
                rotateColumns(V, l, nm, cosV, sinV);
                rotateColumns(A, l, nm, cosU, sinU);
            }
            rv1[l] = 0;
            rv1[k] = f;
            w[k] = x;
        }
    }

    // 5. Descending order, the columns of U and V following their values.
    for (ptrdiff_t i = 0; i + 1 < n; ++i) {
        ptrdiff_t best = i;
        for (ptrdiff_t j = i + 1; j < n; ++j)
            if (w[j] > w[best]) best = j;
        if (best == i) continue;
        std::swap(w[i], w[best]);
        if (wantVectors) {
            for (ptrdiff_t r = 0; r < m; ++r) std::swap(A(r, i), A(r, best));
            for (ptrdiff_t r = 0; r < n; ++r) std::swap(V(r, i), V(r, best));
        }
    }
    return kErrNone;
}

}  // namespace orin::linalg

int32_t SVD(double *a, int32_t m, int32_t n, double *s, double *v) {
    if (const int32_t shape = orin::checkShape(m, n)) return shape;
    if (m < n) return kErrBadArraySize;
    return orin::linalg::singularValues(a, m, n, s, v, true);
}

int32_t SVDS(double *a, int32_t m, int32_t n, double *s) {
    if (const int32_t shape = orin::checkShape(m, n)) return shape;
    if (m < n) return kErrBadArraySize;
    return orin::linalg::singularValues(a, m, n, s, nullptr, false);
}
