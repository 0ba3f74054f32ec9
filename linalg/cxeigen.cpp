// Complex eigen-decompositions.
//
// General matrices: reduction to upper Hessenberg form by Hermitian
// reflections, the complex QR iteration with Wilkinson shifts and deflation
// on small sub-diagonal entries (Golub and Van Loan alg. 7.5.1 in complex
// arithmetic, single shift; EISPACK comqr2, LAPACK zlahqr), and eigenvectors
// by back-substitution in the triangular Schur factor, carried back through
// the Schur vectors (LAPACK ztrevc).
//
// Hermitian matrices: reflections reduce A to a Hermitian tridiagonal T, a
// diagonal unitary D makes D^H T D real symmetric (EISPACK htridi/htribk),
// and the real implicit QL iteration finishes: A = (Q D Z) L (Q D Z)^H.
#include <orin/linalg.h>

#include <cfloat>

#include "detail.h"

using orin::abs1;
using orin::ConstCxMatrix;
using orin::CxMatrix;
using orin::extended;
using orin::kEpsilon;
using orin::linalg::cells;

namespace {

// The unitary rotation G = [c s; -conj(s) c] (c real) with
// G [f; g] = [r; 0] (Golub and Van Loan 5.1.13, complex Givens).
struct Rotation {
    double c = 1;
    complexnum s{0, 0};
};

Rotation rotation(complexnum f, complexnum g, complexnum *r) {
    if (g == complexnum{0, 0}) {
        *r = f;
        return {};
    }
    const double ga = orin::abs(g);
    if (f == complexnum{0, 0}) {
        *r = {ga, 0};
        return {0.0, orin::conj(g) / ga};
    }
    const double fa = orin::abs(f), rho = std::hypot(fa, ga);
    const complexnum phase = f / fa;
    *r = phase * rho;
    return {fa / rho, phase * orin::conj(g) / rho};
}

// Rows i and i + 1, columns from..to, multiplied by G from the left.
void rotateRows(CxMatrix h, Rotation g, int32_t i, int32_t from, int32_t to) {
    complexnum *ri = h.row(i).data(), *rk = h.row(i + 1).data();
    for (int32_t j = from; j <= to; ++j) {
        const complexnum x = ri[j], y = rk[j];
        ri[j] = g.c * x + g.s * y;
        rk[j] = g.c * y - orin::conj(g.s) * x;
    }
}

// Columns i and i + 1, rows from..to, multiplied by G^H from the right.
void rotateColumns(CxMatrix h, Rotation g, int32_t i, int32_t from, int32_t to) {
    for (int32_t r = from; r <= to; ++r) {
        const complexnum x = h(r, i), y = h(r, i + 1);
        h(r, i) = g.c * x + orin::conj(g.s) * y;
        h(r, i + 1) = g.c * y - g.s * x;
    }
}

// H = Q^H A Q upper Hessenberg in place; Z (when its data is not null)
// becomes Q. v and sums hold n values each. False when a column's norm
// overflows (finite entries near the largest double).
bool hessenberg(CxMatrix h, CxMatrix z, complexnum *v, complexnum *sums) {
    const int32_t n = h.rows();
    for (int32_t k = 0; k + 2 < n; ++k) {
        const int32_t len = n - k - 1;
        // Already zero below the sub-diagonal: no reflection.
        if (orin::linalg::cxNorm2(&h(k + 2, k), len - 1, n) == 0) continue;
        for (int32_t i = 0; i < len; ++i) v[i] = h(k + 1 + i, k);
        double tau = 0;
        complexnum beta{};
        if (!orin::linalg::cxReflector(v, len, &tau, &beta)) return false;
        orin::linalg::reflectRows(h.block(k + 1, k + 1, len, len), v, tau, sums);
        orin::linalg::reflectColumns(h.block(0, k + 1, n, len), v, tau);
        if (z.data()) orin::linalg::reflectColumns(z.block(0, k + 1, n, len), v, tau);
        h(k + 1, k) = beta;
        for (int32_t i = k + 2; i < n; ++i) h(i, k) = {0, 0};
    }
    return true;
}

// The shift for the active window ending at row hi: the eigenvalue of the
// trailing 2 x 2 block nearer its last diagonal entry (Wilkinson), or an
// exceptional shift after 10 and 20 steps without a deflation.
complexnum shift(CxMatrix h, int32_t lo, int32_t hi, int iter) {
    if (iter % 20 == 10) return h(lo, lo) + complexnum{0.75 * abs1(h(lo + 1, lo)), 0};
    if (iter % 20 == 0) return h(hi, hi) + complexnum{0.75 * abs1(h(hi, hi - 1)), 0};
    complexnum a = h(hi - 1, hi - 1), b = h(hi - 1, hi), c = h(hi, hi - 1), d = h(hi, hi);
    // Scaled to order 1 so that the squares neither overflow nor underflow.
    const double scale = abs1(a) + abs1(b) + abs1(c) + abs1(d);
    a = a / scale, b = b / scale, c = c / scale, d = d / scale;
    // Eigenvalues d + t -+ sqrt(t^2 + b c) with t = (a - d) / 2; the one
    // nearer d is d - b c / (t +- root) with the larger denominator.
    const complexnum t = 0.5 * (a - d), root = orin::sqrt(t * t + b * c);
    const complexnum den = abs1(t + root) >= abs1(t - root) ? t + root : t - root;
    const complexnum mu = den == complexnum{0, 0} ? d : d - (b * c) / den;
    return scale * mu;
}

// The complex Schur form T = Z^H A Z from Hessenberg h by shifted QR steps;
// w gets the eigenvalues. Without Z only the active window is updated.
// False when 30 n steps do not converge.
bool schur(CxMatrix h, CxMatrix z, complexnum *w, double norm) {
    const int32_t n = h.rows();
    const bool vectors = z.data() != nullptr;
    int64_t budget = 30 * static_cast<int64_t>(n);
    int iter = 0;
    int32_t hi = n - 1;
    while (hi >= 0) {
        // Deflate at the lowest negligible sub-diagonal entry (relative to
        // its diagonal neighbours).
        int32_t lo = hi;
        for (; lo > 0; --lo) {
            double s = abs1(h(lo - 1, lo - 1)) + abs1(h(lo, lo));
            if (s == 0) s = norm;
            if (abs1(h(lo, lo - 1)) <= kEpsilon * s) break;
        }
        if (lo > 0) h(lo, lo - 1) = {0, 0};
        if (lo == hi) {
            w[hi] = h(hi, hi);
            --hi;
            iter = 0;
            continue;
        }
        if (budget-- <= 0) return false;
        ++iter;
        const complexnum mu = shift(h, lo, hi, iter);
        const int32_t rowStart = vectors ? 0 : lo, colEnd = vectors ? n - 1 : hi;
        // One implicit QR step on rows lo..hi: the first rotation from the
        // shifted first column, then the bulge chased down the sub-diagonal.
        complexnum x = h(lo, lo) - mu, y = h(lo + 1, lo);
        for (int32_t k = lo; k < hi; ++k) {
            if (k > lo) x = h(k, k - 1), y = h(k + 1, k - 1);
            complexnum r{};
            const Rotation g = rotation(x, y, &r);
            if (k > lo) {
                h(k, k - 1) = r;
                h(k + 1, k - 1) = {0, 0};
            }
            rotateRows(h, g, k, k, colEnd);
            rotateColumns(h, g, k, rowStart, std::min(k + 2, hi));
            if (vectors) rotateColumns(z, g, k, 0, n - 1);
        }
    }
    return true;
}

// Eigenvectors of the upper triangular t, carried back through z, into the
// columns of out: (T - t_kk I) x = 0 with x_k = 1 by back-substitution, a
// vanishing divisor replaced by eps ||T|| (a perturbation the size of the
// rounding already made), and a growing solution rescaled.
void schurVectors(ConstCxMatrix t, ConstCxMatrix z, complexnum *x, double norm, CxMatrix out) {
    const int32_t n = t.rows();
    const double smin = std::max(kEpsilon * norm, DBL_MIN);
    for (int32_t k = n - 1; k >= 0; --k) {
        const complexnum lambda = t(k, k);
        for (int32_t i = 0; i < k; ++i) x[i] = -t(i, k);
        x[k] = {1, 0};
        for (int32_t i = k - 1; i >= 0; --i) {
            complexnum d = t(i, i) - lambda;
            if (abs1(d) < smin) d = {smin, 0};
            x[i] = x[i] / d;
            const double size = abs1(x[i]);
            if (size > 1 && (kEpsilon * size) * size > 1)
                for (int32_t j = 0; j <= k; ++j) x[j] = x[j] / size;
            for (int32_t r = 0; r < i; ++r) x[r] -= t(r, i) * x[i];
        }
        for (int32_t i = 0; i < n; ++i) {
            extended re = 0, im = 0;
            for (int32_t j = 0; j <= k; ++j) {
                const complexnum zij = z(i, j);
                re += static_cast<extended>(zij.re) * x[j].re - static_cast<extended>(zij.im) * x[j].im;
                im += static_cast<extended>(zij.re) * x[j].im + static_cast<extended>(zij.im) * x[j].re;
            }
            out(i, k) = {static_cast<double>(re), static_cast<double>(im)};
        }
    }
}

// Whether the part of a Hermitian matrix that is read, the strict lower
// triangle and the real diagonal, is finite.
bool hermitianPartFinite(ConstCxMatrix a) {
    for (int32_t i = 0; i < a.rows(); ++i) {
        if (!std::isfinite(a(i, i).re)) return false;
        for (int32_t j = 0; j < i; ++j)
            if (!orin::isFinite(a(i, j))) return false;
    }
    return true;
}

// W = the full Hermitian matrix whose strict lower triangle and real
// diagonal are those of a.
void fillHermitian(ConstCxMatrix a, CxMatrix w) {
    for (int32_t i = 0; i < a.rows(); ++i) {
        w(i, i) = {a(i, i).re, 0};
        for (int32_t j = 0; j < i; ++j) {
            w(i, j) = a(i, j);
            w(j, i) = orin::conj(a(i, j));
        }
    }
}

// Householder tridiagonalisation (LAPACK zhetd2): W <- H_k W H_k for
// k = 0..n-3; the reflection of step k keeps its vector below the
// sub-diagonal of column k (v_0 = 1 implied) and its factor in tau[k] (0 when
// the column is already reduced). v and sums are n-element work arrays.
// False when a reflection cannot be formed (finite entries whose norm
// overflows).
bool reduceToTridiagonal(CxMatrix w, double *tau, complexnum *v, complexnum *sums) {
    const int32_t n = w.rows();
    std::fill_n(tau, n, 0.0);
    for (int32_t k = 0; k + 2 < n; ++k) {
        const int32_t len = n - k - 1;
        if (orin::linalg::cxNorm2(&w(k + 2, k), len - 1, n) == 0) continue;
        for (int32_t i = 0; i < len; ++i) v[i] = w(k + 1 + i, k);
        complexnum beta{};
        if (!orin::linalg::cxReflector(v, len, &tau[k], &beta)) return false;
        const CxMatrix trailing = w.block(k + 1, k + 1, len, len);
        orin::linalg::reflectRows(trailing, v, tau[k], sums);
        orin::linalg::reflectColumns(trailing, v, tau[k]);
        w(k + 1, k) = beta;
        for (int32_t i = 1; i < len; ++i) w(k + 1 + i, k) = v[i];
    }
    return true;
}

// The real symmetric tridiagonal D^H T D of the Hermitian tridiagonal T in
// w: diagonal into d, sub-diagonal |e_k| into e[1..n-1] (e[0] = 0), with
// D = diag(phase), phase_{k+1} = phase_k e_k / |e_k|.
void realTridiagonal(ConstCxMatrix w, double *d, double *e, complexnum *phase) {
    const int32_t n = w.rows();
    phase[0] = {1, 0};
    e[0] = 0;
    for (int32_t i = 0; i < n; ++i) d[i] = w(i, i).re;
    for (int32_t k = 0; k + 1 < n; ++k) {
        const complexnum ek = w(k + 1, k);
        const double mag = orin::abs(ek);
        e[k + 1] = mag;
        phase[k + 1] = mag > 0 ? phase[k] * (ek / mag) : phase[k];
        phase[k + 1] = phase[k + 1] / orin::abs(phase[k + 1]);
    }
}

// V = H_0 ... H_{n-3} D Z (LAPACK zungtr's product applied to D Z), with
// the reflections stored in w and tau and zt holding Z^T.
void backTransform(ConstCxMatrix w, const double *tau, const complexnum *phase, const double *zt, CxMatrix vOut,
                   complexnum *v, complexnum *sums) {
    const int32_t n = w.rows();
    for (int32_t i = 0; i < n; ++i)
        for (int32_t j = 0; j < n; ++j) vOut(i, j) = phase[i] * zt[cells(j, n) + i];
    for (int32_t k = n - 3; k >= 0; --k) {
        if (tau[k] == 0) continue;
        const int32_t len = n - k - 1;
        v[0] = {1, 0};
        for (int32_t i = 1; i < len; ++i) v[i] = w(k + 1 + i, k);
        orin::linalg::reflectRows(vOut.block(k + 1, 0, len, n), v, tau[k], sums);
    }
}

// Each column divided by its first component of largest magnitude, which
// becomes exactly 1 (zero columns stay).
void unitPivotColumns(CxMatrix vOut) {
    const int32_t n = vOut.rows();
    for (int32_t j = 0; j < n; ++j) {
        int32_t best = 0;
        double big = 0;
        for (int32_t i = 0; i < n; ++i) {
            const double mag = orin::abs(vOut(i, j));
            if (mag > big) big = mag, best = i;
        }
        if (big == 0) continue;
        const complexnum pivot = vOut(best, j);
        for (int32_t i = 0; i < n; ++i) vOut(i, j) = vOut(i, j) / pivot;
        vOut(best, j) = {1, 0};
    }
}

}  // namespace

namespace orin::linalg {

void normaliseEigenvectors(CxMatrix out) {
    const ptrdiff_t n = out.rows();
    for (ptrdiff_t j = 0; j < n; ++j) {
        double big = 0, norm = 0;
        ptrdiff_t at = 0;
        for (ptrdiff_t i = 0; i < n; ++i) {
            const double mag = std::hypot(out(i, j).re, out(i, j).im);
            if (mag > big) {
                big = mag;
                at = i;
            }
        }
        if (big == 0) continue;
        for (ptrdiff_t i = 0; i < n; ++i) {
            const double re = out(i, j).re / big, im = out(i, j).im / big;
            norm += re * re + im * im;
        }
        norm = big * std::sqrt(norm);
        // Multiply by conj(x_at) / (|x_at| norm): x_at becomes real positive.
        const double cr = out(at, j).re / big, ci = -out(at, j).im / big;
        const double cm = std::hypot(cr, ci);
        for (ptrdiff_t i = 0; i < n; ++i) {
            const complexnum x = out(i, j);
            out(i, j) = complexnum{(x.re * cr - x.im * ci) / (cm * norm), (x.re * ci + x.im * cr) / (cm * norm)};
        }
        out(at, j).im = 0.0;
    }
}

}  // namespace orin::linalg

int32_t CxGenEigenVectorValue(const complexnum *a, int32_t n, int32_t wantVectors, complexnum *values,
                              complexnum *vectors) {
    if (const int32_t shape = orin::checkShape(n, n, sizeof(complexnum))) return shape;
    const bool want = wantVectors == 1;
    orin::ScratchLayout layout;
    const auto hPart = layout.add<complexnum>(cells(n, n));
    const auto zPart = layout.add<complexnum>(want ? cells(n, n) : 0);
    const auto vPart = layout.add<complexnum>(n), sumPart = layout.add<complexnum>(n);
    orin::CarvedScratch scratch(layout);
    if (!scratch) return kErrOutOfMemory;
    // Non-finite entries leave no shift that can converge.
    if (!orin::linalg::allFinite(a, cells(n, n))) return kErrNoConvergence;
    const CxMatrix H(scratch.get(hPart), n, n);
    const CxMatrix Z(want ? scratch.get(zPart) : nullptr, n, n);
    std::copy_n(a, cells(n, n), H.data());
    // Far from 1 the squares of the shifts and the floor of the
    // back-substitution's divisors (at least the smallest normal number)
    // would no longer scale with the matrix: a power of two brings it near 1,
    // exactly, and the eigenvalues scale back by it.
    const int exponent = orin::linalg::powerOfTwoScale(&H.data()->re, 2 * cells(n, n));
    if (want)
        for (int32_t i = 0; i < n; ++i)
            for (int32_t j = 0; j < n; ++j) Z(i, j) = {i == j ? 1.0 : 0.0, 0.0};
    if (!hessenberg(H, Z, scratch.get(vPart), scratch.get(sumPart))) return kErrNoConvergence;
    double norm = 0;
    for (int32_t i = 0; i < n; ++i)
        for (int32_t j = std::max(i - 1, 0); j < n; ++j) norm += abs1(H(i, j));
    if (!schur(H, Z, values, norm)) return kErrNoConvergence;
    for (int32_t i = 0; i < n; ++i)
        values[i] = {std::ldexp(values[i].re, exponent), std::ldexp(values[i].im, exponent)};
    if (!want) return kErrNone;
    const CxMatrix out(vectors, n, n);
    schurVectors(H, Z, scratch.get(vPart), norm, out);
    orin::linalg::normaliseEigenvectors(out);
    return kErrNone;
}

int32_t HermEvectorEvalue(const complexnum *a, int32_t n, int32_t wantVectors, complexnum *vectors, double *values) {
    if (const int32_t shape = orin::checkShape(n, n, sizeof(complexnum))) return shape;
    const bool want = wantVectors == 1;
    orin::ScratchLayout layout;
    const auto wPart = layout.add<complexnum>(cells(n, n));
    const auto ztPart = layout.add<double>(want ? cells(n, n) : 0);
    const auto tauPart = layout.add<double>(n), ePart = layout.add<double>(n);
    const auto phasePart = layout.add<complexnum>(n), vPart = layout.add<complexnum>(n);
    const auto sumPart = layout.add<complexnum>(n);
    orin::CarvedScratch scratch(layout);
    if (!scratch) return kErrOutOfMemory;
    const ConstCxMatrix A(a, n, n);
    if (!hermitianPartFinite(A)) return kErrNoConvergence;
    const CxMatrix W(scratch.get(wPart), n, n);
    double *tau = scratch.get(tauPart), *e = scratch.get(ePart);
    complexnum *phase = scratch.get(phasePart), *v = scratch.get(vPart), *sums = scratch.get(sumPart);
    fillHermitian(A, W);
    if (!reduceToTridiagonal(W, tau, v, sums)) return kErrNoConvergence;
    realTridiagonal(W, values, e, phase);
    double *zt = want ? scratch.get(ztPart) : nullptr;
    if (want)
        for (int32_t i = 0; i < n; ++i)
            for (int32_t j = 0; j < n; ++j) zt[cells(i, n) + j] = i == j ? 1.0 : 0.0;
    if (!orin::linalg::tridiagonalQL(values, e, n, zt)) return kErrNoConvergence;
    if (!want) return kErrNone;
    const CxMatrix V(vectors, n, n);
    backTransform(W, tau, phase, zt, V, v, sums);
    unitPivotColumns(V);
    return kErrNone;
}

int32_t CxEigenValueVector(const complexnum *a, int32_t n, int32_t matrixType, int32_t wantVectors, complexnum *values,
                           complexnum *vectors) {
    switch (matrixType) {
        case 0: return CxGenEigenVectorValue(a, n, wantVectors, values, vectors);
        case 1: {
            if (const int32_t shape = orin::checkShape(n, n, sizeof(complexnum))) return shape;
            orin::Scratch<double> real(n);
            if (!real) return kErrOutOfMemory;
            const int32_t code =
                HermEvectorEvalue(a, n, wantVectors, wantVectors == 1 ? vectors : nullptr, real.data());
            if (code != kErrNone) return code;
            for (int32_t i = 0; i < n; ++i) values[i] = {real[i], 0};
            return kErrNone;
        }
        default: return kErrInvalidSelector;
    }
}
