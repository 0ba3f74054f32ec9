// Complex Householder QR, A = Q R with a full unitary Q and an
// upper-staircase R (Golub and Van Loan alg. 5.2.1 with the complex
// reflections of their sec. 5.1.13). The reflections are Hermitian
// (H = I - tau v v^H, tau real), so each one serves on both sides and
// Q = H_1 H_2 ... H_k is the conjugate transpose of the accumulated W.
#include <orin/linalg.h>

#include "detail.h"

using orin::ConstCxMatrix;
using orin::CxMatrix;
using orin::extended;
using orin::linalg::cells;
using orin::linalg::ExtendedCx;

namespace {

using orin::kTwoPowMinus63;

}  // namespace

namespace orin::linalg {

double cxNorm2(const complexnum *x, ptrdiff_t len, ptrdiff_t stride) {
    extended s = 0;
    for (ptrdiff_t i = 0; i < len; ++i) {
        const complexnum z = x[i * stride];
        s += static_cast<extended>(z.re) * z.re + static_cast<extended>(z.im) * z.im;
    }
    return static_cast<double>(std::sqrt(s));
}

bool cxReflector(complexnum *x, ptrdiff_t len, double *tau, complexnum *beta) {
    const double norm = cxNorm2(x, len);
    if (!(norm > 0) || !std::isfinite(norm)) return false;
    // v = x + e^(i theta) ||x|| e_0 with theta = arg x_0: the sign that
    // avoids cancellation in v_0, scaled so that v_0 = 1.
    const double mag = orin::abs(x[0]);
    const complexnum phase = mag > 0 ? x[0] / mag : complexnum{1, 0};
    const complexnum delta = x[0] + phase * norm;
    extended s = 1;
    for (ptrdiff_t i = 1; i < len; ++i) {
        x[i] = x[i] / delta;
        s += static_cast<extended>(x[i].re) * x[i].re + static_cast<extended>(x[i].im) * x[i].im;
    }
    x[0] = {1, 0};
    *tau = static_cast<double>(2.0L / s);
    *beta = -(phase * norm);
    return true;
}

void reflectRows(CxMatrix b, const complexnum *v, double tau, complexnum *sums) {
    // sums = tau v^H B, gathered along B's rows; then B -= v sums.
    const int32_t rows = b.rows(), cols = b.cols();
    for (int32_t j = 0; j < cols; ++j) {
        ExtendedCx s;
        for (int32_t i = 0; i < rows; ++i) s.addConjProduct(v[i], b(i, j));
        sums[j] = tau * s.rounded();
    }
    for (int32_t i = 0; i < rows; ++i) {
        complexnum *row = b.row(i).data();
        const complexnum vi = v[i];
        for (int32_t j = 0; j < cols; ++j) row[j] -= vi * sums[j];
    }
}

void reflectColumns(CxMatrix b, const complexnum *v, double tau) {
    // Each row r: r -= tau (r v) v^H.
    const int32_t cols = b.cols();
    for (int32_t i = 0; i < b.rows(); ++i) {
        complexnum *row = b.row(i).data();
        ExtendedCx s;
        for (int32_t j = 0; j < cols; ++j) s.addProduct(row[j], v[j]);
        const complexnum f = tau * s.rounded();
        for (int32_t j = 0; j < cols; ++j) row[j] -= f * orin::conj(v[j]);
    }
}

}  // namespace orin::linalg

int32_t Cxhouse_calc(const complexnum *x, int32_t len, CxHouseholderVector *hh) {
    if (len < 1) return kErrZeroNormVector;
    // The norm is checked before v is written, so x may be hh->v.
    const double norm = orin::linalg::cxNorm2(x, len);
    if (!(norm > 0) || !std::isfinite(norm)) return kErrZeroNormVector;
    if (hh->v != x) std::copy_n(x, len, hh->v);
    complexnum beta{};
    orin::linalg::cxReflector(hh->v, len, &hh->tau, &beta);
    hh->length = len;
    return kErrNone;
}

int32_t CxMVprod_house(const CxHouseholderVector *hh, int32_t offset, const complexnum *x, int32_t n, complexnum *y) {
    if (offset < 0 || static_cast<int64_t>(offset) + hh->length != n) return kErrBadArraySize;
    if (x != y) std::copy_n(x, n, y);
    complexnum sum{};
    orin::linalg::reflectRows(CxMatrix(y + offset, hh->length, 1), hh->v, hh->tau, &sum);
    return kErrNone;
}

int32_t CxMhhld_step(const complexnum *s, int32_t p, int32_t q, CxHouseholderVector *hh, complexnum *out) {
    if (const int32_t shape = orin::checkShape(p, q, sizeof(complexnum))) return shape;
    orin::Scratch<complexnum> column(p);
    if (!column) return kErrOutOfMemory;
    const ConstCxMatrix S(s, p, q);
    const CxMatrix O(out, p, q);
    for (int32_t i = 0; i < p; ++i) column[i] = S(i, 0);
    if (const int32_t code = Cxhouse_calc(column.data(), p, hh)) return code;
    // Column by column through the scratch, so that out may be s.
    for (int32_t j = 0; j < q; ++j) {
        for (int32_t i = 0; i < p; ++i) column[i] = S(i, j);
        CxMVprod_house(hh, 0, column.data(), p, column.data());
        for (int32_t i = 0; i < p; ++i) O(i, j) = column[i];
    }
    for (int32_t i = 1; i < p; ++i) O(i, 0) = {0, 0};
    return kErrNone;
}

int32_t CxHouseholder_Factor(const complexnum *a, int32_t m, int32_t n, complexnum *q, complexnum *r) {
    if (const int32_t shape = orin::checkShape(m, n, sizeof(complexnum))) return shape;
    if (const int32_t shape = orin::checkShape(m, m, sizeof(complexnum))) return shape;
    orin::ScratchLayout layout;
    const auto wPart = layout.add<complexnum>(cells(m, m));
    const auto vPart = layout.add<complexnum>(m);
    const auto sumPart = layout.add<complexnum>(std::max(m, n));
    orin::CarvedScratch scratch(layout);
    if (!scratch) return kErrOutOfMemory;
    complexnum *v = scratch.get(vPart), *sums = scratch.get(sumPart);
    const CxMatrix W(scratch.get(wPart), m, m), R(r, m, n);
    if (r != a) std::copy_n(a, cells(m, n), r);
    for (int32_t i = 0; i < m; ++i)
        for (int32_t j = 0; j < m; ++j) W(i, j) = {i == j ? 1.0 : 0.0, 0.0};
    int32_t p = 0;
    for (int32_t c = 0; c < n && p < m; ++c) {
        const double full = orin::linalg::cxNorm2(&R(0, c), m, n);
        if (!std::isfinite(full)) {
            // Nothing that depends on a non-finite column (R from the pivot
            // row on, and all of Q) is left looking valid.
            const double nan = std::nan("");
            for (int32_t i = p; i < m; ++i)
                for (int32_t j = c; j < n; ++j) R(i, j) = {nan, nan};
            std::fill_n(W.data(), cells(m, m), complexnum{nan, nan});
            break;
        }
        const double part = orin::linalg::cxNorm2(&R(p, c), m - p, n);
        if (full != 0 && part >= 2 * kTwoPowMinus63 * full) {
            for (int32_t i = p; i < m; ++i) v[i - p] = R(i, c);
            double tau = 0;
            complexnum beta{};
            orin::linalg::cxReflector(v, m - p, &tau, &beta);
            if (c + 1 < n) orin::linalg::reflectRows(R.block(p, c + 1, m - p, n - c - 1), v, tau, sums);
            R(p, c) = beta;
            for (int32_t i = p + 1; i < m; ++i) R(i, c) = {0, 0};
            orin::linalg::reflectRows(W.block(p, 0, m - p, m), v, tau, sums);
            ++p;
        } else {
            for (int32_t i = p; i < m; ++i) R(i, c) = {0, 0};
        }
    }
    // Q = W^H.
    const CxMatrix Q(q, m, m);
    for (int32_t i = 0; i < m; ++i)
        for (int32_t j = 0; j < m; ++j) Q(i, j) = orin::conj(W(j, i));
    return kErrNone;
}

int32_t Cxqrd(const complexnum *a, int32_t m, int32_t n, int32_t algorithm, complexnum *q, complexnum *r,
              int32_t *rank) {
    static_cast<void>(rank);
    if (algorithm != 0) return kErrInvalidSelector;
    return CxHouseholder_Factor(a, m, n, q, r);
}
