// Complex special matrices, integer powers and the conjugate transpose.
#include <orin/linalg.h>

#include "detail.h"

using orin::ConstCxMatrix;
using orin::CxMatrix;
using orin::linalg::cells;

namespace {

constexpr complexnum kZero{0, 0}, kOne{1, 0};

// -20003 when a side is below 1, -20001 when the complex matrix cannot be
// addressed.
int32_t checkCx(int32_t rows, int32_t cols) { return orin::checkShape(rows, cols, sizeof(complexnum)); }

// out (n x m) = a^H for a m x n; a and out must not overlap.
void adjointInto(const complexnum *a, int32_t m, int32_t n, complexnum *out) {
    const ConstCxMatrix A(a, m, n);
    const CxMatrix O(out, n, m);
    for (int32_t i = 0; i < m; ++i)
        for (int32_t j = 0; j < n; ++j) O(j, i) = orin::conj(A(i, j));
}

// The same bits in both parts: a NaN matches itself, +0 does not match -0.
bool sameBits(complexnum a, complexnum b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

// Left to right, r_k = r_(k-1) * z, so that the k-th power is exactly the
// k-th step of the recurrence the Vandermonde rows use.
complexnum CxPow(complexnum z, int32_t n) {
    if (n == 0) return kOne;
    if (n < 0) {
        if (z == kZero) {
            complexnum none;
            orin::writeNaN(&none.re);
            orin::writeNaN(&none.im);
            return none;
        }
        // The reciprocal first: (1/z)^k underflows gently where z^k would
        // overflow into inf - inf before its reciprocal is taken.
        z = kOne / z;
    }
    // |n| without overflow for n = INT32_MIN.
    const uint32_t count = n < 0 ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n);
    // r_(k+1) = r_k z depends on the bits of r_k alone, so once a value
    // recurs the powers repeat with that period and the remaining steps
    // reduce modulo it (Brent's cycle detection: each power is compared with
    // one saved power, saved anew at doubling distances). A power that
    // underflows to 0, settles on a fixed point or circles among a few
    // subnormals (or NaNs) thus stops early with exactly the bits the whole
    // recurrence would give; only a power that keeps moving costs |n| - 1
    // multiplications.
    complexnum r = z, saved = z;
    uint32_t savedAt = 1;
    uint64_t window = 1;
    for (uint32_t k = 1; k < count;) {
        r *= z;
        ++k;
        if (sameBits(r, saved)) {
            const uint32_t rest = (count - k) % (k - savedAt);
            for (uint32_t j = 0; j < rest; ++j) r *= z;
            return r;
        }
        if (k - savedAt == window) {
            saved = r;
            savedAt = k;
            window *= 2;
        }
    }
    return r;
}

int32_t CxIdentityMatrix(int32_t n, complexnum *out) {
    if (const int32_t shape = checkCx(n, n)) return shape;
    std::fill_n(out, cells(n, n), kZero);
    const CxMatrix o(out, n, n);
    for (int32_t i = 0; i < n; ++i) o(i, i) = kOne;
    return kErrNone;
}

int32_t CxDiagonalMatrix(const complexnum *x, int32_t n, complexnum *out) {
    if (const int32_t shape = checkCx(n, n)) return shape;
    std::fill_n(out, cells(n, n), kZero);
    const CxMatrix o(out, n, n);
    for (int32_t i = 0; i < n; ++i) o(i, i) = x[i];
    return kErrNone;
}

int32_t CxToeplitzMatrix(const complexnum *x, int32_t nx, const complexnum *y, int32_t ny, complexnum *out) {
    if (const int32_t shape = checkCx(nx, ny)) return shape;
    const CxMatrix o(out, nx, ny);
    for (int32_t i = 0; i < nx; ++i)
        for (int32_t j = 0; j < ny; ++j) o(i, j) = i >= j ? x[i - j] : y[j - i];
    return kErrNone;
}

// Each row from its right end: 1, x, x*x, ... (CxPow's recurrence, shared
// across the row instead of restarted for every element).
int32_t CxVanderMatrix(const complexnum *x, int32_t n, complexnum *out) {
    if (const int32_t shape = checkCx(n, n)) return shape;
    const CxMatrix o(out, n, n);
    for (int32_t i = 0; i < n; ++i) {
        complexnum p = kOne;
        for (int32_t k = 0; k < n; ++k) {
            o(i, n - 1 - k) = p;
            p = k == 0 ? x[i] : p * x[i];
        }
    }
    return kErrNone;
}

// The companion matrix whose characteristic polynomial is c(z) / c[0].
int32_t CxCompanMatrix(const complexnum *c, int32_t m, complexnum *out) { return orin::linalg::companion(c, m, out); }

int32_t CxSpecialMatrix(int32_t code, int32_t n, const complexnum *x, int32_t nx, const complexnum *y, int32_t ny,
                        complexnum *out) {
    switch (code) {
        case 0: return CxIdentityMatrix(n, out);
        case 1: return CxDiagonalMatrix(x, nx, out);
        case 2: return CxToeplitzMatrix(x, nx, y, ny, out);
        case 3: return CxVanderMatrix(x, nx, out);
        case 4: return CxCompanMatrix(x, nx, out);
        default: return kErrInvalidSelector;
    }
}

int32_t CxTranspose(const complexnum *a, int32_t m, int32_t n, complexnum *out) {
    if (const int32_t shape = checkCx(m, n)) return shape;
    if (a != out) {
        adjointInto(a, m, n, out);
        return kErrNone;
    }
    if (m == n) {
        // In place: swap across the diagonal, conjugating both partners, and
        // conjugate the diagonal itself.
        const CxMatrix o(out, n, n);
        for (int32_t i = 0; i < n; ++i) {
            o(i, i) = orin::conj(o(i, i));
            for (int32_t j = i + 1; j < n; ++j) {
                const complexnum t = o(i, j);
                o(i, j) = orin::conj(o(j, i));
                o(j, i) = orin::conj(t);
            }
        }
        return kErrNone;
    }
    // A rectangle in place reads from a copy.
    orin::Scratch<complexnum> copy(cells(m, n));
    if (!copy) return kErrOutOfMemory;
    std::copy_n(a, cells(m, n), copy.data());
    adjointInto(copy.data(), m, n, out);
    return kErrNone;
}
