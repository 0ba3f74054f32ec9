// Eigenvalues and eigenvectors of a general real matrix: orthogonal
// reduction to upper Hessenberg form (Householder, EISPACK orthes/ortran),
// Francis double-shift QR iteration to real Schur form, and eigenvectors by
// back-substitution in the quasi-triangular factor (EISPACK hqr2; Golub and
// Van Loan alg. 7.5.2), carried back through the accumulated transformations.
#include <orin/linalg.h>

#include "detail.h"

using orin::kEpsilon;
using orin::linalg::cells;

namespace {

// (a + ib) / (c + id), by Smith's method.
void cdiv(double a, double b, double c, double d, double *re, double *im) {
    const complexnum q = complexnum{a, b} / complexnum{c, d};
    *re = q.re;
    *im = q.im;
}

// H = Q^T A Q upper Hessenberg; V (when not null) gets Q.
void hessenberg(orin::Matrix H, double *V, double *ort, double *sum) {
    const ptrdiff_t nn = H.rows(), high = nn - 1;
    for (ptrdiff_t m = 1; m <= high - 1; ++m) {
        double scale = 0;
        for (ptrdiff_t i = m; i <= high; ++i) scale += std::fabs(H(i, m - 1));
        if (scale == 0) continue;
        double h = 0;
        for (ptrdiff_t i = high; i >= m; --i) {
            ort[i] = H(i, m - 1) / scale;
            h += ort[i] * ort[i];
        }
        double g = std::sqrt(h);
        if (ort[m] > 0) g = -g;
        h -= ort[m] * g;
        ort[m] -= g;
        // H = (I - u u^T / h) H (I - u u^T / h), the left product gathered
        // along rows.
        std::fill(sum + m, sum + nn, 0.0);
        for (ptrdiff_t i = m; i <= high; ++i) {
            const double *row = H.row(i).data();
            for (ptrdiff_t j = m; j < nn; ++j) sum[j] += ort[i] * row[j];
        }
        for (ptrdiff_t i = m; i <= high; ++i) {
            double *row = H.row(i).data();
            for (ptrdiff_t j = m; j < nn; ++j) row[j] -= (sum[j] / h) * ort[i];
        }
        for (ptrdiff_t i = 0; i <= high; ++i) {
            double *row = H.row(i).data();
            double f = 0;
            for (ptrdiff_t j = high; j >= m; --j) f += ort[j] * row[j];
            f /= h;
            for (ptrdiff_t j = m; j <= high; ++j) row[j] -= f * ort[j];
        }
        ort[m] *= scale;
        H(m, m - 1) = scale * g;
    }
    if (!V) return;
    orin::Matrix Q(V, nn, nn);
    IdentityMatrix(static_cast<int32_t>(nn), V);
    for (ptrdiff_t m = high - 1; m >= 1; --m) {
        if (H(m, m - 1) == 0) continue;
        for (ptrdiff_t i = m + 1; i <= high; ++i) ort[i] = H(i, m - 1);
        std::fill(sum + m, sum + nn, 0.0);
        for (ptrdiff_t i = m; i <= high; ++i) {
            const double *row = Q.row(i).data();
            for (ptrdiff_t j = m; j <= high; ++j) sum[j] += ort[i] * row[j];
        }
        // Division in two steps avoids underflow.
        for (ptrdiff_t j = m; j <= high; ++j) sum[j] = (sum[j] / ort[m]) / H(m, m - 1);
        for (ptrdiff_t i = m; i <= high; ++i) {
            double *row = Q.row(i).data();
            for (ptrdiff_t j = m; j <= high; ++j) row[j] += sum[j] * ort[i];
        }
    }
}

// ---- Real Schur form: Francis double-shift QR on the Hessenberg matrix ----
// (EISPACK hqr2 as JAMA ports it; LAPACK dlahqr splits the same work into
// the deflation search, the shift and the bulge chase.)

// Steps allowed per eigenvalue before the iteration is declared failed, as
// EISPACK's hqr.
constexpr int64_t kStepsPerEigenvalue = 30;
// Exceptional shifts break the cycles a fixed shift can fall into. After
// kFirstExceptionalStep steps on one eigenvalue: Wilkinson and Reinsch's ad
// hoc shift (Handbook for Automatic Computation II, hqr; LAPACK dlahqr's
// DAT1 = 3/4, DAT2 = -0.4375): the trailing 2 x 2 replaced by diagonal
// 0.75 s and off-diagonal product -0.4375 s^2, whose shift polynomial
// z^2 - 1.5 s z + s^2 has roots of modulus s, s = |h(n,n-1)| + |h(n-1,n-2)|.
// After kSecondExceptionalStep steps: the second ad hoc shift of the JAMA
// port of hqr2, the diagonal moved by the Wilkinson shift and x = y = w =
// 0.964.
constexpr int kFirstExceptionalStep = 10, kSecondExceptionalStep = 30;
constexpr double kAdHocDiagonal = 0.75, kAdHocProduct = -0.4375;
constexpr double kSecondAdHocShift = 0.964;

// Sum of |h_ij| over the Hessenberg part of H: the scale that stands in for
// a zero pair of diagonal neighbours in the deflation test, and for a zero
// divisor in the back-substitution.
double hessenbergNorm(orin::Matrix H) {
    const ptrdiff_t nn = H.rows();
    double norm = 0;
    for (ptrdiff_t i = 0; i < nn; ++i)
        for (ptrdiff_t j = std::max<ptrdiff_t>(i - 1, 0); j < nn; ++j) norm += std::fabs(H(i, j));
    return norm;
}

// The first row l of the unreduced block that ends at row n: the largest l
// whose sub-diagonal entry h(l, l-1) is zero or negligible beside its
// diagonal neighbours (0 when there is none).
ptrdiff_t activeBlockStart(orin::Matrix H, ptrdiff_t n, double norm) {
    ptrdiff_t l = n;
    while (l > 0) {
        // An exactly zero sub-diagonal entry splits the matrix whatever
        // its neighbours (the zero matrix has s = norm = 0).
        if (H(l, l - 1) == 0) break;
        double s = std::fabs(H(l - 1, l - 1)) + std::fabs(H(l, l));
        if (s == 0) s = norm;
        if (std::fabs(H(l, l - 1)) < kEpsilon * s) break;
        --l;
    }
    return l;
}

// A deflated 2 x 2 block in rows n-1..n: its two eigenvalues into d + i e
// (the exceptional shifts added back). A real pair, when the Schur vectors
// are kept, is rotated to upper triangular form in H and in Z.
void splitTwoByTwo(orin::Matrix H, orin::Matrix Z, bool vectors, ptrdiff_t n, double exshift, double *d, double *e) {
    const ptrdiff_t nn = H.rows();
    const double w = H(n, n - 1) * H(n - 1, n);
    double p = (H(n - 1, n - 1) - H(n, n)) / 2.0;
    double q = p * p + w;
    double z = std::sqrt(std::fabs(q));
    H(n, n) += exshift;
    H(n - 1, n - 1) += exshift;
    const double x = H(n, n);
    if (q < 0) {
        d[n - 1] = x + p;
        d[n] = x + p;
        e[n - 1] = z;
        e[n] = -z;
        return;
    }
    z = p >= 0 ? p + z : p - z;
    d[n - 1] = x + z;
    d[n] = z != 0 ? x - w / z : d[n - 1];
    e[n - 1] = 0;
    e[n] = 0;
    if (!vectors) return;
    // The rotation (c, s) = (q, p) that zeroes h(n, n-1).
    const double sub = H(n, n - 1);
    const double scale = std::fabs(sub) + std::fabs(z);
    p = sub / scale;
    q = z / scale;
    const double r = std::sqrt(p * p + q * q);
    p /= r;
    q /= r;
    for (ptrdiff_t j = n - 1; j < nn; ++j) {
        const double t = H(n - 1, j);
        H(n - 1, j) = q * t + p * H(n, j);
        H(n, j) = q * H(n, j) - p * t;
    }
    for (ptrdiff_t i = 0; i <= n; ++i) {
        const double t = H(i, n - 1);
        H(i, n - 1) = q * t + p * H(i, n);
        H(i, n) = q * H(i, n) - p * t;
    }
    for (ptrdiff_t i = 0; i < nn; ++i) {
        const double t = Z(i, n - 1);
        Z(i, n - 1) = q * t + p * Z(i, n);
        Z(i, n) = q * Z(i, n) - p * t;
    }
}

// The two shifts of a double step, as the trailing 2 x 2 they are the
// eigenvalues of: diagonal x = h(n,n), y = h(n-1,n-1) and off-diagonal
// product w = h(n,n-1) h(n-1,n).
struct DoubleShift {
    double x, y, w;
};

// The shifts of the next step on the block l..n, after iter steps on it;
// an exceptional step moves the diagonal of rows 0..n and adds the move to
// exshift.
DoubleShift shiftsFor(orin::Matrix H, ptrdiff_t l, ptrdiff_t n, int iter, double *exshift) {
    DoubleShift sh{H(n, n), 0, 0};
    if (l < n) {
        sh.y = H(n - 1, n - 1);
        sh.w = H(n, n - 1) * H(n - 1, n);
    }
    if (iter == kFirstExceptionalStep) {
        *exshift += sh.x;
        for (ptrdiff_t i = 0; i <= n; ++i) H(i, i) -= sh.x;
        const double s = std::fabs(H(n, n - 1)) + std::fabs(H(n - 1, n - 2));
        sh.x = sh.y = kAdHocDiagonal * s;
        sh.w = kAdHocProduct * s * s;
    }
    if (iter == kSecondExceptionalStep) {
        double s = (sh.y - sh.x) / 2.0;
        s = s * s + sh.w;
        if (s > 0) {
            s = std::sqrt(s);
            if (sh.y < sh.x) s = -s;
            s = sh.x - sh.w / ((sh.y - sh.x) / 2.0 + s);
            for (ptrdiff_t i = 0; i <= n; ++i) H(i, i) -= s;
            *exshift += s;
            sh.x = sh.y = sh.w = kSecondAdHocShift;
        }
    }
    return sh;
}

// Where the double step starts: the largest m in l..n-2 at which the first
// column of (H - s1 I)(H - s2 I) restricted to rows m..m+2, v (scaled by its
// 1-norm), leaves h(m, m-1) negligible (Wilkinson and Reinsch's hqr; Golub
// and Van Loan alg. 7.5.1). v gets that column.
ptrdiff_t bulgeStart(orin::Matrix H, ptrdiff_t l, ptrdiff_t n, const DoubleShift &sh, double v[3]) {
    ptrdiff_t m = n - 2;
    double p = 0, q = 0, r = 0;
    while (m >= l) {
        const double z = H(m, m);
        r = sh.x - z;
        double s = sh.y - z;
        p = (r * s - sh.w) / H(m + 1, m) + H(m, m + 1);
        q = H(m + 1, m + 1) - z - r - s;
        r = H(m + 2, m + 1);
        s = std::fabs(p) + std::fabs(q) + std::fabs(r);
        p /= s;
        q /= s;
        r /= s;
        if (m == l) break;
        if (std::fabs(H(m, m - 1)) * (std::fabs(q) + std::fabs(r)) <
            kEpsilon * (std::fabs(p) * (std::fabs(H(m - 1, m - 1)) + std::fabs(z) + std::fabs(H(m + 1, m + 1)))))
            break;
        --m;
    }
    v[0] = p;
    v[1] = q;
    v[2] = r;
    return m;
}

// One Francis double step on rows m..n of the block l..n: the reflection
// of v starts the bulge, and 3-element Householder reflections chase it off
// the bottom, applied to H (the whole of T when the Schur vectors are kept,
// else only the active window) and to Z.
void francisDoubleStep(orin::Matrix H, orin::Matrix Z, bool vectors, ptrdiff_t l, ptrdiff_t m, ptrdiff_t n,
                       const double v[3]) {
    const ptrdiff_t nn = H.rows();
    for (ptrdiff_t i = m + 2; i <= n; ++i) {
        H(i, i - 2) = 0;
        if (i > m + 2) H(i, i - 3) = 0;
    }
    const ptrdiff_t rowEnd = vectors ? nn - 1 : n;
    const ptrdiff_t colStart = vectors ? 0 : l;
    double p = v[0], q = v[1], r = v[2], s = 0, x = 0, y = 0, z = 0;
    for (ptrdiff_t k = m; k <= n - 1; ++k) {
        const bool notlast = k != n - 1;
        if (k != m) {
            p = H(k, k - 1);
            q = H(k + 1, k - 1);
            r = notlast ? H(k + 2, k - 1) : 0.0;
            x = std::fabs(p) + std::fabs(q) + std::fabs(r);
            if (x == 0) continue;
            p /= x;
            q /= x;
            r /= x;
        }
        s = std::sqrt(p * p + q * q + r * r);
        if (p < 0) s = -s;
        if (s == 0) continue;
        if (k != m) H(k, k - 1) = -s * x;
        else if (l != m) H(k, k - 1) = -H(k, k - 1);
        p += s;
        x = p / s;
        y = q / s;
        z = r / s;
        q /= p;
        r /= p;
        double *rk = H.row(k).data(), *rk1 = H.row(k + 1).data(), *rk2 = notlast ? H.row(k + 2).data() : nullptr;
        for (ptrdiff_t j = k; j <= rowEnd; ++j) {
            p = rk[j] + q * rk1[j];
            if (notlast) {
                p += r * rk2[j];
                rk2[j] -= p * z;
            }
            rk[j] -= p * x;
            rk1[j] -= p * y;
        }
        // The reflector applied to columns k..k+2 of one row, of H
        // and of the accumulated transformations alike.
        const auto reflectColumns = [&](double *row) {
            p = x * row[k] + y * row[k + 1];
            if (notlast) {
                p += z * row[k + 2];
                row[k + 2] -= p * r;
            }
            row[k] -= p;
            row[k + 1] -= p * q;
        };
        for (ptrdiff_t i = colStart; i <= std::min(n, k + 3); ++i) reflectColumns(H.row(i).data());
        if (vectors)
            for (ptrdiff_t i = 0; i < nn; ++i) reflectColumns(Z.row(i).data());
    }
}

// ---- Eigenvectors of the quasi-triangular T by back-substitution ----------
// (EISPACK hqr2's second half), each into T's own columns. A vanishing
// divisor is replaced by eps ||T||, and a growing solution rescaled.

// Column n: the eigenvector of the real eigenvalue d[n]. The lower row of a
// 2 x 2 block (e < 0) is met first; its diagonal shift and residual wait for
// the upper row, where the 2 x 2 system is solved.
void realEigenvector(orin::Matrix H, const double *d, const double *e, ptrdiff_t n, double norm) {
    const double lambda = d[n];
    double lowerShift = 0, lowerResidual = 0;
    ptrdiff_t l = n;
    H(n, n) = 1.0;
    for (ptrdiff_t i = n - 1; i >= 0; --i) {
        const double w = H(i, i) - lambda;
        double r = 0;
        for (ptrdiff_t j = l; j <= n; ++j) r += H(i, j) * H(j, n);
        if (e[i] < 0) {
            lowerShift = w;
            lowerResidual = r;
            continue;
        }
        l = i;
        if (e[i] == 0) {
            H(i, n) = w != 0 ? -r / w : -r / (kEpsilon * norm);
        } else {
            const double x = H(i, i + 1);
            const double y = H(i + 1, i);
            const double q = (d[i] - lambda) * (d[i] - lambda) + e[i] * e[i];
            const double t = (x * lowerResidual - lowerShift * r) / q;
            H(i, n) = t;
            H(i + 1, n) =
                std::fabs(x) > std::fabs(lowerShift) ? (-r - w * t) / x : (-lowerResidual - y * t) / lowerShift;
        }
        const double t = std::fabs(H(i, n));
        if ((kEpsilon * t) * t > 1)
            for (ptrdiff_t j = i; j <= n; ++j) H(j, n) /= t;
    }
}

// Columns n-1 and n: real and imaginary parts of the eigenvector of
// d[n] + i e[n] (e[n] < 0), in complex arithmetic by cdiv.
void complexEigenvector(orin::Matrix H, const double *d, const double *e, ptrdiff_t n, double norm) {
    const double p = d[n], q = e[n];
    ptrdiff_t l = n - 1;
    if (std::fabs(H(n, n - 1)) > std::fabs(H(n - 1, n))) {
        H(n - 1, n - 1) = q / H(n, n - 1);
        H(n - 1, n) = -(H(n, n) - p) / H(n, n - 1);
    } else {
        cdiv(0.0, -H(n - 1, n), H(n - 1, n - 1) - p, q, &H(n - 1, n - 1), &H(n - 1, n));
    }
    H(n, n - 1) = 0;
    H(n, n) = 1;
    // The lower row of a 2 x 2 block: its diagonal shift and the real and
    // imaginary residuals.
    double lowerShift = 0, lowerRe = 0, lowerIm = 0;
    for (ptrdiff_t i = n - 2; i >= 0; --i) {
        double ra = 0, sa = 0;
        for (ptrdiff_t j = l; j <= n; ++j) {
            ra += H(i, j) * H(j, n - 1);
            sa += H(i, j) * H(j, n);
        }
        const double w = H(i, i) - p;
        if (e[i] < 0) {
            lowerShift = w;
            lowerRe = ra;
            lowerIm = sa;
            continue;
        }
        l = i;
        if (e[i] == 0) {
            cdiv(-ra, -sa, w, q, &H(i, n - 1), &H(i, n));
        } else {
            const double x = H(i, i + 1);
            const double y = H(i + 1, i);
            const double z = lowerShift;
            double vr = (d[i] - p) * (d[i] - p) + e[i] * e[i] - q * q;
            const double vi = (d[i] - p) * 2.0 * q;
            if (vr == 0 && vi == 0)
                vr = kEpsilon * norm * (std::fabs(w) + std::fabs(q) + std::fabs(x) + std::fabs(y) + std::fabs(z));
            cdiv(x * lowerRe - z * ra + q * sa, x * lowerIm - z * sa - q * ra, vr, vi, &H(i, n - 1), &H(i, n));
            if (std::fabs(x) > std::fabs(z) + std::fabs(q)) {
                H(i + 1, n - 1) = (-ra - w * H(i, n - 1) + q * H(i, n)) / x;
                H(i + 1, n) = (-sa - w * H(i, n) - q * H(i, n - 1)) / x;
            } else {
                cdiv(-lowerRe - y * H(i, n - 1), -lowerIm - y * H(i, n), z, q, &H(i + 1, n - 1), &H(i + 1, n));
            }
        }
        const double t = std::max(std::fabs(H(i, n - 1)), std::fabs(H(i, n)));
        if ((kEpsilon * t) * t > 1)
            for (ptrdiff_t j = i; j <= n; ++j) {
                H(j, n - 1) /= t;
                H(j, n) /= t;
            }
    }
}

// Real Schur form by Francis double-shift steps; d + i e are the
// eigenvalues. With V, H becomes the full quasi-triangular T, V the Schur
// vectors, and then T's columns the eigenvectors of T; without, only the
// active window is updated. False when the iteration budget
// (kStepsPerEigenvalue per eigenvalue) runs out.
bool schur(orin::Matrix H, double *V, double *d, double *e) {
    const ptrdiff_t nn = H.rows();
    const bool vectors = V != nullptr;
    const orin::Matrix Z(V, nn, nn);
    const double norm = hessenbergNorm(H);
    double exshift = 0;
    int64_t budget = kStepsPerEigenvalue * static_cast<int64_t>(nn);
    int iter = 0;
    for (ptrdiff_t n = nn - 1; n >= 0;) {
        const ptrdiff_t l = activeBlockStart(H, n, norm);
        if (l == n) {
            H(n, n) += exshift;
            d[n] = H(n, n);
            e[n] = 0;
            --n;
            iter = 0;
        } else if (l == n - 1) {
            splitTwoByTwo(H, Z, vectors, n, exshift, d, e);
            n -= 2;
            iter = 0;
        } else {
            if (budget-- <= 0) return false;
            const DoubleShift sh = shiftsFor(H, l, n, iter, &exshift);
            ++iter;
            double v[3];
            const ptrdiff_t m = bulgeStart(H, l, n, sh, v);
            francisDoubleStep(H, Z, vectors, l, m, n, v);
        }
    }
    if (!vectors) return true;
    if (norm == 0) {
        // T = 0: every unit vector is an eigenvector, and V is the identity.
        IdentityMatrix(static_cast<int32_t>(nn), H.data());
        return true;
    }
    for (ptrdiff_t n = nn - 1; n >= 0; --n) {
        if (e[n] == 0) realEigenvector(H, d, e, n, norm);
        else if (e[n] < 0) complexEigenvector(H, d, e, n, norm);
    }
    return true;
}

}  // namespace

int32_t GenEigenValueVector(const double *a, int32_t n, int32_t wantVectors, complexnum *values, complexnum *vectors) {
    if (const int32_t shape = orin::checkShape(n, n)) return shape;
    const bool want = wantVectors == 1;
    orin::Scratch<double> h(cells(n, n));
    if (!h) return kErrOutOfMemory;
    orin::Scratch<double> v;
    if (want && !v.allocate(cells(n, n))) return kErrOutOfMemory;
    orin::Scratch<double> work(4 * static_cast<int64_t>(n));
    if (!work) return kErrOutOfMemory;
    double *d = work.data(), *e = d + n, *ort = e + n, *sum = ort + n;
    // Non-finite entries leave no shift that can converge.
    if (!orin::linalg::allFinite(a, cells(n, n))) return kErrNoConvergence;
    orin::linalg::copyCells(a, cells(n, n), h.data());
    orin::Matrix H(h.data(), n, n);
    // The iteration forms products of two entries (the 2 x 2 blocks' w = h21
    // h12, the shifts' p^2 + w): far from 1 these overflow or underflow and
    // wreck the eigenvalues. The eigenvalues scale back by the power of two
    // taken out; the eigenvectors do not change.
    const int exponent = orin::linalg::powerOfTwoScale(h.data(), cells(n, n));
    hessenberg(H, want ? v.data() : nullptr, ort, sum);
    if (!schur(H, want ? v.data() : nullptr, d, e)) return kErrNoConvergence;
    for (ptrdiff_t i = 0; i < n; ++i) values[i] = complexnum{std::ldexp(d[i], exponent), std::ldexp(e[i], exponent)};
    if (!want) return kErrNone;

    // Back to the original basis: V <- V T, each row of V times the upper
    // triangle of T gathered along T's rows.
    orin::Matrix V(v.data(), n, n);
    for (ptrdiff_t i = 0; i < n; ++i) {
        double *row = V.row(i).data();
        std::fill(sum, sum + n, 0.0);
        for (ptrdiff_t k = 0; k < n; ++k) {
            const double vik = row[k];
            const double *trow = H.row(k).data();
            for (ptrdiff_t j = k; j < n; ++j) sum[j] += vik * trow[j];
        }
        std::copy(sum, sum + n, row);
    }
    // Complex columns, each scaled to unit 2-norm with its component of
    // largest magnitude real and positive.
    orin::CxMatrix out(vectors, n, n);
    for (ptrdiff_t j = 0; j < n; ++j) {
        if (e[j] == 0) {
            for (ptrdiff_t i = 0; i < n; ++i) out(i, j) = complexnum{V(i, j), 0.0};
        } else if (e[j] > 0) {
            for (ptrdiff_t i = 0; i < n; ++i) {
                out(i, j) = complexnum{V(i, j), V(i, j + 1)};
                out(i, j + 1) = complexnum{V(i, j), -V(i, j + 1)};
            }
        }
    }
    orin::linalg::normaliseEigenvectors(out);
    return kErrNone;
}
