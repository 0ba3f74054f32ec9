// Singular value decomposition by Householder bidiagonalisation and
// implicitly shifted QR sweeps (Golub and Reinsch, Numer. Math. 14 (1970);
// Golub and Van Loan sec. 8.6), with the loops arranged along rows of the
// row-major storage wherever the reduction allows. The steps, as LAPACK
// splits them: bidiagonalise (reflectColumn, reflectRow), accumulate the
// right and left transformations, diagonalise (blockStart,
// cancelSuperdiagonal, shiftedSweep), then sort.
#include <orin/linalg.h>

#include "detail.h"

using orin::extended;
using orin::linalg::radius;

namespace orin::linalg {

namespace {

// Golub and Reinsch's limit on the QR sweeps spent on one singular value.
constexpr int kMaxSweeps = 30;

inline double withSign(double magnitude, double sign) {
    return sign >= 0 ? std::fabs(magnitude) : -std::fabs(magnitude);
}

// Which Householder reflections of step i were not formed because the column
// or row was already reduced; their transformations are then the identity.
struct SkippedReflection {
    bool left;
    bool right;
};

// The bidiagonal B = U^T A V: diagonal[i] = B(i, i), superdiagonal[i] =
// B(i - 1, i) (superdiagonal[0] = 0), and normBound = max |B(i, i)| +
// |B(i - 1, i)|, against which the diagonalisation judges what is negligible.
struct Bidiagonal {
    double *diagonal;
    double *superdiagonal;
    double normBound;
};

// An element is negligible when adding it to the bidiagonal's norm bound
// leaves the bound unchanged (Golub and Reinsch's test).
inline bool negligible(double x, double normBound) { return std::fabs(x) + normBound == normBound; }

// Left reflection of bidiagonalisation step i: zeroes column i of A below the
// diagonal, the column first scaled by the sum of its magnitudes, and applies
// the reflection to columns i + 1 .. n - 1. A column already reduced keeps
// its entry and sign (no reflection, as LAPACK's dlarfg). Returns B(i, i);
// colSums is work of n entries.
double reflectColumn(Matrix A, ptrdiff_t i, double *colSums, bool &skipped) {
    const ptrdiff_t m = A.rows(), n = A.cols(), l = i + 1;
    double g = 0, scale = 0;
    bool reduced = true;
    for (ptrdiff_t k = i + 1; k < m && reduced; ++k) reduced = A(k, i) == 0;
    skipped = reduced;
    if (reduced) {
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
        // f the pivot, g the new diagonal entry -sign(f) |column|, h the
        // reflector's normalisation f g - |column|^2 (all in scaled units).
        const double f = A(i, i);
        g = -withSign(std::sqrt(static_cast<double>(s)), f);
        const double h = f * g - static_cast<double>(s);
        A(i, i) = f - g;
        // colSums[j] = column i . column j over rows i..m-1, built row by row.
        std::fill(colSums + l, colSums + n, 0.0);
        for (ptrdiff_t k = i; k < m; ++k) {
            const double aki = A(k, i);
            const double *row = A.row(k).data();
            addScaled(colSums + l, row + l, aki, n - l);
        }
        for (ptrdiff_t j = l; j < n; ++j) colSums[j] /= h;
        for (ptrdiff_t k = i; k < m; ++k) {
            const double aki = A(k, i);
            double *row = A.row(k).data();
            addScaled(row + l, colSums + l, aki, n - l);
        }
        for (ptrdiff_t k = i; k < m; ++k) A(k, i) *= scale;
    }
    return scale * g;
}

// Right reflection of bidiagonalisation step i (i < n - 1): zeroes row i of
// A beyond the superdiagonal and applies the reflection to rows i + 1 ..
// m - 1, with the same scaling and skipping as reflectColumn. Returns
// B(i, i + 1). reflector[i + 1 .. n - 1] is work: the caller lends the part
// of the superdiagonal not yet filled.
double reflectRow(Matrix A, ptrdiff_t i, double *reflector, bool &skipped) {
    const ptrdiff_t m = A.rows(), n = A.cols(), l = i + 1;
    double *rowi = A.row(i).data();
    double g = 0, scale = 0;
    bool reduced = true;
    for (ptrdiff_t k = l + 1; k < n && reduced; ++k) reduced = rowi[k] == 0;
    skipped = reduced;
    if (reduced) {
        scale = 1;
        g = rowi[l];
    } else {
        for (ptrdiff_t k = l; k < n; ++k) scale += std::fabs(rowi[k]);
    }
    if (!reduced && scale != 0) {
        extended s = 0;
        for (ptrdiff_t k = l; k < n; ++k) {
            rowi[k] /= scale;
            s += static_cast<extended>(rowi[k]) * rowi[k];
        }
        const double f = rowi[l];
        g = -withSign(std::sqrt(static_cast<double>(s)), f);
        const double h = f * g - static_cast<double>(s);
        rowi[l] = f - g;
        for (ptrdiff_t k = l; k < n; ++k) reflector[k] = rowi[k] / h;
        // Each row's product with row i reads only that row, so kLanes of
        // them are formed together before their updates.
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
                addScaled(row + l, reflector + l, tt, n - l);
            }
        }
        for (; j < m; ++j) {
            double *row = A.row(j).data();
            const double tt = static_cast<double>(dotExtended(row + l, rowi + l, n - l));
            addScaled(row + l, reflector + l, tt, n - l);
        }
        for (ptrdiff_t k = l; k < n; ++k) rowi[k] *= scale;
    }
    return scale * g;
}

// 1. Householder bidiagonalisation: alternating left and right reflections
//    leave B in b, with the reflectors kept in A for the accumulations.
void bidiagonalise(Matrix A, Bidiagonal &b, SkippedReflection *skipped, double *colSums) {
    const ptrdiff_t n = A.cols();
    double nextSuperdiagonal = 0;
    b.normBound = 0;
    for (ptrdiff_t i = 0; i < n; ++i) {
        b.superdiagonal[i] = nextSuperdiagonal;
        b.diagonal[i] = reflectColumn(A, i, colSums, skipped[i].left);
        skipped[i].right = false;
        nextSuperdiagonal = 0;
        if (i != n - 1) nextSuperdiagonal = reflectRow(A, i, b.superdiagonal, skipped[i].right);
        b.normBound = std::max(b.normBound, std::fabs(b.diagonal[i]) + std::fabs(b.superdiagonal[i]));
    }
}

// 2. The right reflections accumulated into V, from the last.
void accumulateRight(ConstMatrix A, Matrix V, const double *superdiagonal, const SkippedReflection *skipped,
                     double *colSums) {
    const ptrdiff_t n = A.cols();
    for (ptrdiff_t i = n - 1; i >= 0; --i) {
        const ptrdiff_t l = i + 1;
        if (i < n - 1) {
            const double *rowi = A.row(i).data();
            const double g = superdiagonal[l];
            if (g != 0 && !skipped[i].right) {
                // Division in two steps avoids underflow (Golub and Reinsch).
                for (ptrdiff_t j = l; j < n; ++j) V(j, i) = (rowi[j] / rowi[l]) / g;
                std::fill(colSums + l, colSums + n, 0.0);
                for (ptrdiff_t k = l; k < n; ++k) {
                    const double aik = rowi[k];
                    const double *vrow = V.row(k).data();
                    addScaled(colSums + l, vrow + l, aik, n - l);
                }
                for (ptrdiff_t k = l; k < n; ++k) {
                    const double vki = V(k, i);
                    double *vrow = V.row(k).data();
                    addScaled(vrow + l, colSums + l, vki, n - l);
                }
            }
            for (ptrdiff_t j = l; j < n; ++j) V(i, j) = V(j, i) = 0.0;
        }
        V(i, i) = 1.0;
    }
}

// 3. The left reflections accumulated into U, in place of A.
void accumulateLeft(Matrix A, const double *diagonal, const SkippedReflection *skipped, double *colSums) {
    const ptrdiff_t m = A.rows(), n = A.cols();
    for (ptrdiff_t i = n - 1; i >= 0; --i) {
        const ptrdiff_t l = i + 1;
        double g = diagonal[i];
        std::fill(A.row(i).data() + l, A.row(i).data() + n, 0.0);
        if (g != 0 && !skipped[i].left) {
            g = 1.0 / g;
            std::fill(colSums + l, colSums + n, 0.0);
            for (ptrdiff_t k = l; k < m; ++k) {
                const double aki = A(k, i);
                const double *row = A.row(k).data();
                addScaled(colSums + l, row + l, aki, n - l);
            }
            const double aii = A(i, i);
            for (ptrdiff_t j = l; j < n; ++j) colSums[j] = (colSums[j] / aii) * g;
            for (ptrdiff_t k = i; k < m; ++k) {
                const double aki = A(k, i);
                double *row = A.row(k).data();
                addScaled(row + l, colSums + l, aki, n - l);
            }
            for (ptrdiff_t j = i; j < m; ++j) A(j, i) *= g;
        } else {
            for (ptrdiff_t j = i; j < m; ++j) A(j, i) = 0.0;
        }
        A(i, i) += 1.0;
    }
}

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
        double *r0 = M.row(r).data(), *r1 = M.row(r + 1).data(), *r2 = M.row(r + 2).data(), *r3 = M.row(r + 3).data();
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

// The cosines and sines of one sweep's rotations of V (from the right) and of
// U (from the left), each indexed by the first column of its pair.
struct SweepRotations {
    double *cosV, *sinV, *cosU, *sinU;
};

// Splitting test: the first row l of the unreduced block that ends at row k.
// diagonalZero tells that the block was split off by a negligible
// diagonal[l - 1] rather than a negligible superdiagonal[l].
ptrdiff_t blockStart(const Bidiagonal &b, ptrdiff_t k, bool &diagonalZero) {
    diagonalZero = true;
    ptrdiff_t l = k;
    for (; l >= 0; --l) {
        // superdiagonal[0] is 0 by construction; l = 0 ends the search even
        // when the norm bound itself is not finite.
        if (l == 0 || negligible(b.superdiagonal[l], b.normBound)) {
            diagonalZero = false;
            break;
        }
        if (negligible(b.diagonal[l - 1], b.normBound)) break;
    }
    return l;
}

// diagonal[l - 1] is negligible: chases superdiagonal[l] out along rows
// l .. k with rotations from the left (Golub and Van Loan sec. 8.6.2),
// applied to U when it is wanted.
void cancelSuperdiagonal(Bidiagonal &b, Matrix U, bool wantVectors, ptrdiff_t l, ptrdiff_t k) {
    const ptrdiff_t m = U.rows(), above = l - 1;
    double c = 0, s = 1;
    for (ptrdiff_t i = l; i <= k; ++i) {
        const double f = s * b.superdiagonal[i];
        b.superdiagonal[i] = c * b.superdiagonal[i];
        if (negligible(f, b.normBound)) break;
        const double g = b.diagonal[i];
        double h = radius(f, g);
        b.diagonal[i] = h;
        h = 1.0 / h;
        c = g * h;
        s = -f * h;
        if (wantVectors)
            for (ptrdiff_t j = 0; j < m; ++j) {
                double *row = U.row(j).data();
                const double y = row[above], z = row[i];
                row[above] = y * c + z * s;
                row[i] = z * c - y * s;
            }
    }
}

// One implicitly shifted QR sweep over the block l .. k: the shift is from
// the bottom 2 x 2 minor (Wilkinson), the bulge chased down with alternating
// right and left rotations (Golub and Van Loan alg. 8.6.1), which are then
// applied to V and U.
void shiftedSweep(Bidiagonal &b, Matrix U, Matrix V, bool wantVectors, ptrdiff_t l, ptrdiff_t k,
                  const SweepRotations &rot) {
    // w the diagonal, e the superdiagonal; f and h (then g and h) the pair a
    // rotation annihilates, c and s its cosine and sine; x and y the
    // diagonal entries the chase carries (Golub and Reinsch's names).
    double *w = b.diagonal, *e = b.superdiagonal;
    const double z = w[k];
    double x = w[l];
    const ptrdiff_t last = k - 1;
    double y = w[last];
    double g = e[last];
    double h = e[k];
    // The eigenvalue of the trailing 2 x 2 of B^T B nearer its last entry,
    // in Golub and Reinsch's form: f becomes (w[l]^2 - shift) / w[l].
    double f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2.0 * h * y);
    g = radius(f, 1.0);
    f = ((x - z) * (x + z) + h * ((y / (f + withSign(g, f))) - h)) / x;
    double c = 1, s = 1;
    for (ptrdiff_t j = l; j <= last; ++j) {
        const ptrdiff_t i = j + 1;
        g = e[i];
        y = w[i];
        h = s * g;
        g = c * g;
        double zz = radius(f, h);
        e[j] = zz;
        c = f / zz;
        s = h / zz;
        f = x * c + g * s;
        g = g * c - x * s;
        h = y * s;
        y *= c;
        rot.cosV[j] = c;
        rot.sinV[j] = s;
        zz = radius(f, h);
        w[j] = zz;
        if (zz != 0) {
            zz = 1.0 / zz;
            c = f * zz;
            s = h * zz;
        }
        f = c * g + s * y;
        x = c * y - s * g;
        rot.cosU[j] = c;
        rot.sinU[j] = s;
    }
    if (wantVectors) {
        rotateColumns(V, l, last, rot.cosV, rot.sinV);
        rotateColumns(U, l, last, rot.cosU, rot.sinU);
    }
    e[l] = 0;
    e[k] = f;
    w[k] = x;
}

// 4. Diagonalisation of B from the last singular value up: split off the
//    unreduced block, cancel a negligible diagonal's coupling, and sweep
//    until the block's last superdiagonal is negligible; a negative value
//    then changes sign with its column of V.
int32_t diagonalise(Bidiagonal &b, Matrix U, Matrix V, bool wantVectors, const SweepRotations &rot) {
    const ptrdiff_t n = U.cols();
    for (ptrdiff_t k = n - 1; k >= 0; --k) {
        for (int sweep = 1;; ++sweep) {
            bool diagonalZero = false;
            const ptrdiff_t l = blockStart(b, k, diagonalZero);
            if (diagonalZero) cancelSuperdiagonal(b, U, wantVectors, l, k);
            if (l == k) {
                const double z = b.diagonal[k];
                if (z < 0) {
                    b.diagonal[k] = -z;
                    if (wantVectors)
                        for (ptrdiff_t j = 0; j < n; ++j) V(j, k) = -V(j, k);
                }
                break;
            }
            if (sweep >= kMaxSweeps) return kErrNoConvergence;
            shiftedSweep(b, U, V, wantVectors, l, k, rot);
        }
    }
    return kErrNone;
}

// 5. Descending order, the columns of U and V following their values.
void sortDescending(double *w, Matrix U, Matrix V, bool wantVectors) {
    const ptrdiff_t m = U.rows(), n = U.cols();
    for (ptrdiff_t i = 0; i + 1 < n; ++i) {
        ptrdiff_t best = i;
        for (ptrdiff_t j = i + 1; j < n; ++j)
            if (w[j] > w[best]) best = j;
        if (best == i) continue;
        std::swap(w[i], w[best]);
        if (wantVectors) {
            for (ptrdiff_t r = 0; r < m; ++r) std::swap(U(r, i), U(r, best));
            for (ptrdiff_t r = 0; r < n; ++r) std::swap(V(r, i), V(r, best));
        }
    }
}

}  // namespace

int32_t singularValues(double *a, int32_t p, int32_t q, double *w, double *v, bool wantVectors) {
    const ptrdiff_t m = p, n = q;
    orin::Matrix A(a, m, n);
    orin::Matrix V(v, n, n);
    // Work: the superdiagonal, a row of column sums for the updates, the
    // skipped reflections, and the rotations of one sweep.
    orin::ScratchLayout layout;
    const auto superPart = layout.add<double>(n), sumsPart = layout.add<double>(n);
    const auto skippedPart = layout.add<SkippedReflection>(n);
    const auto rotPart = layout.add<double>(4 * static_cast<int64_t>(n));
    orin::CarvedScratch work(layout);
    if (!work) return kErrOutOfMemory;
    double *colSums = work.get(sumsPart);
    SkippedReflection *skipped = work.get(skippedPart);
    double *rotations = work.get(rotPart);
    const SweepRotations rot{rotations, rotations + n, rotations + 2 * n, rotations + 3 * n};

    // Non-finite entries would leave every convergence test false; the
    // sweep limit would end it, but the answer is known at once.
    if (!allFinite(a, static_cast<int64_t>(m) * n)) return kErrNoConvergence;
    // Entries near 1e-200 have squares that underflow (the negligibility
    // tests never fire) and near 1e200 ones that overflow: the iteration
    // runs on A 2^-e and the values are scaled back, exactly. U and V are the
    // same at every scale.
    const int exponent = powerOfTwoScale(a, static_cast<int64_t>(m) * n);

    Bidiagonal b{w, work.get(superPart), 0};
    bidiagonalise(A, b, skipped, colSums);
    if (wantVectors) {
        accumulateRight(A, V, b.superdiagonal, skipped, colSums);
        accumulateLeft(A, w, skipped, colSums);
    }
    if (const int32_t status = diagonalise(b, A, V, wantVectors, rot)) return status;
    sortDescending(w, A, V, wantVectors);
    for (ptrdiff_t j = 0; j < n; ++j) w[j] = std::ldexp(w[j], exponent);
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
