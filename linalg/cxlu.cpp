// Complex LU factorisation with scaled partial pivoting and a growth test,
// and the solves built on it. Pivots are compared by s_i |a_ik|^2 with the
// row scales s_i = 1 / max_j |a_ij|^2 (squared magnitudes: no square roots),
// and divisions go through Smith's method.
#include <orin/linalg.h>

#include <algorithm>

#include "../frame/kit.h"

using orin::ConstCxMatrix;
using orin::CxMatrix;
using orin::norm;
using orin::Scratch;

namespace {

// The smallest normal float: a pivot whose squared magnitude falls below it
// times the growth of the elimination is taken as zero.
constexpr double kGrowthFloor = 1.1754943508222875e-38;

}  // namespace

int32_t CxLU(complexnum *a, int32_t n, int32_t *perm, int32_t *parity) {
    if (n < 1) return kErrEmptyArray;
    Scratch<double> s(n);
    if (!s) return kErrOutOfMemory;
    *parity = 0;
    const CxMatrix m(a, n, n);
    for (int32_t i = 0; i < n; ++i) {
        double big = 0;
        for (const complexnum &v : m.row(i)) big = std::max(big, norm(v));
        if (big == 0) return kErrSingularMatrix;
        s[i] = 1 / big;
    }
    double growth = 0;
    for (int32_t k = 0; k < n; ++k) {
        int32_t p = k;
        double best = 0;
        for (int32_t i = k; i < n; ++i) {
            const double t = s[i] * norm(m(i, k));
            if (t > best) best = t, p = i;
        }
        if (p != k) {
            std::swap_ranges(m.row(k).begin(), m.row(k).end(), m.row(p).begin());
            *parity ^= 1;
            s[p] = s[k];
        }
        perm[k] = p;
        if (m(k, k) == complexnum{0, 0}) return kErrSingularMatrix;
        if (k > 0) {
            // s[k - 1] now holds the largest squared multiplier of step k - 1.
            for (int32_t j = k - 1; j < n; ++j) growth = std::max(growth, norm(m(k - 1, j)) * s[k - 1]);
            const double floor = growth * kGrowthFloor;
            for (int32_t j = 0; j < k; ++j)
                if (norm(m(j, j)) < floor) return kErrSingularMatrix;
        }
        s[k] = 1.0;
        for (int32_t i = k + 1; i < n; ++i) {
            const complexnum l = m(i, k) / m(k, k);
            m(i, k) = l;
            s[k] = std::max(s[k], norm(l));
            for (int32_t j = k + 1; j < n; ++j) m(i, j) -= l * m(k, j);
        }
    }
    return kErrNone;
}

// Forward substitution skips the leading zeros of the permuted right-hand
// side (a sparse b, e_k in an inversion, costs only its non-zero tail).
int32_t CxLULinEqs(const complexnum *lu, const int32_t *perm, const complexnum *b, int32_t n, complexnum *x) {
    if (n < 1) return kErrEmptyArray;
    if (x != b) std::copy_n(b, n, x);
    const ConstCxMatrix m(lu, n, n);
    int32_t first = -1;
    for (int32_t i = 0; i < n; ++i) {
        complexnum v = x[perm[i]];
        x[perm[i]] = x[i];
        if (first >= 0) {
            for (int32_t j = first; j < i; ++j) v -= m(i, j) * x[j];
        } else if (!(v == complexnum{0, 0})) {
            first = i;
        }
        x[i] = v;
    }
    for (int32_t i = n - 1; i >= 0; --i) {
        if (m(i, i) == complexnum{0, 0}) return kErrSingularMatrix;
        complexnum v = x[i];
        for (int32_t j = i + 1; j < n; ++j) v -= m(i, j) * x[j];
        x[i] = v / m(i, i);
    }
    return kErrNone;
}

// The inverse column by column from the unit vectors; in place (inv == lu)
// it solves from a copy of the factors.
int32_t CxLUInvMatrix(const complexnum *lu, const int32_t *perm, int32_t n, complexnum *inv) {
    if (n < 1) return kErrEmptyArray;
    Scratch<complexnum> column(n), copy;
    if (!column) return kErrOutOfMemory;
    if (inv == lu) {
        if (!copy.allocate(static_cast<int64_t>(n) * n)) return kErrOutOfMemory;
        std::copy_n(lu, static_cast<size_t>(n) * n, copy.data());
        lu = copy.data();
    }
    const CxMatrix out(inv, n, n);
    for (int32_t k = 0; k < n; ++k) {
        std::fill(column.begin(), column.end(), complexnum{0, 0});
        column[k] = {1, 0};
        if (const int32_t code = CxLULinEqs(lu, perm, column.data(), n, column.data())) return code;
        for (int32_t i = 0; i < n; ++i) out(i, k) = column[i];
    }
    return kErrNone;
}
