#include <orin/linalg.h>

#include "detail.h"

using orin::extended;

int32_t MatrixMul(const double *a, const double *b, int32_t m, int32_t k, int32_t n, double *c) {
    for (auto [rows, cols] : {std::pair{m, k}, {k, n}, {m, n}})
        if (const int32_t shape = orin::checkShape(rows, cols)) return shape;
    const orin::ConstMatrix A(a, m, k), B(b, k, n);
    orin::Matrix C(c, m, n);
    using orin::linalg::kLanes;
    // C is formed kPanel columns at a time: those columns of B are copied
    // into groups of kLanes interleaved columns, and each row of A meets a
    // group with kLanes sums in flight. Each element still sums its k
    // products in index order from 0, in extended precision.
    constexpr ptrdiff_t kPanel = 2 * kLanes;
    orin::Scratch<double> panel(kPanel * static_cast<int64_t>(k));
    if (!panel) {
        // Without the copy, one element at a time.
        for (ptrdiff_t i = 0; i < m; ++i)
            for (ptrdiff_t j = 0; j < n; ++j)
                C(i, j) = static_cast<double>(orin::dotExtended(A.row(i).data(), &B(0, j), k, 1, n));
        return kErrNone;
    }
    for (ptrdiff_t j0 = 0; j0 < n; j0 += kPanel) {
        const ptrdiff_t w = std::min<ptrdiff_t>(kPanel, n - j0), groups = (w + kLanes - 1) / kLanes;
        auto group = [&](ptrdiff_t g) { return panel.data() + g * kLanes * k; };
        for (ptrdiff_t l = 0; l < k; ++l)
            for (ptrdiff_t col = 0; col < groups * kLanes; ++col)
                group(col / kLanes)[l * kLanes + col % kLanes] = col < w ? B(l, j0 + col) : 0.0;
        for (ptrdiff_t i = 0; i < m; ++i)
            for (ptrdiff_t g = 0; g < groups; ++g) {
                extended s[kLanes] = {0, 0, 0, 0};
                orin::linalg::rowTimesLanes(A.row(i).data(), group(g), k, s);
                double rounded[kLanes];
#pragma GCC unroll 4  // the sums stay in registers
                for (ptrdiff_t col = 0; col < kLanes; ++col) rounded[col] = static_cast<double>(s[col]);
                for (ptrdiff_t col = g * kLanes; col < std::min((g + 1) * kLanes, w); ++col)
                    C(i, j0 + col) = rounded[col - g * kLanes];
            }
    }
    return kErrNone;
}

int32_t AxVect(const double *a, int32_t m, int32_t n, const double *x, double *y) {
    if (const int32_t shape = orin::checkShape(m, n)) return shape;
    const orin::ConstMatrix A(a, m, n);
    // kLanes rows at a time, their sums in flight together; one at a time
    // when y overlaps x, so that each row reads x as the rows before it
    // left it.
    using orin::linalg::kLanes;
    const auto at = [](const double *p) { return reinterpret_cast<uintptr_t>(p); };
    const bool overlap = at(y) < at(x + n) && at(x) < at(y + m);
    ptrdiff_t i = 0;
    for (; !overlap && i + kLanes <= m; i += kLanes) {
        const double *rows[kLanes] = {A.row(i).data(), A.row(i + 1).data(), A.row(i + 2).data(), A.row(i + 3).data()};
        extended s[kLanes] = {0, 0, 0, 0};
        orin::linalg::rowsTimesVector(rows, x, n, s);
#pragma GCC unroll 4  // the sums stay in registers
        for (ptrdiff_t r = 0; r < kLanes; ++r) y[i + r] = static_cast<double>(s[r]);
    }
    for (; i < m; ++i) y[i] = static_cast<double>(orin::dotExtended(A.row(i).data(), x, n));
    return kErrNone;
}

int32_t DotProduct(const double *x, const double *y, int32_t n, double *out) {
    if (n < 1) return kErrEmptyArray;
    *out = static_cast<double>(orin::dotExtended(x, y, n));
    return kErrNone;
}

int32_t OuterProduct(const double *x, int32_t m, const double *y, int32_t n, double *out) {
    if (const int32_t shape = orin::checkShape(m, n)) return shape;
    orin::Matrix o(out, m, n);
    for (ptrdiff_t i = 0; i < m; ++i)
        for (ptrdiff_t j = 0; j < n; ++j) o(i, j) = x[i] * y[j];
    return kErrNone;
}

int32_t Trace(const double *a, int32_t m, int32_t n, double *out) {
    if (const int32_t shape = orin::checkShape(m, n)) return shape;
    const orin::ConstMatrix A(a, m, n);
    extended s = 0;
    for (ptrdiff_t i = 0; i < std::min(m, n); ++i) s += A(i, i);
    *out = static_cast<double>(s);
    return kErrNone;
}

int32_t Vnorm2(const double *x, int32_t n, double *out) {
    if (n < 1) return kErrEmptyArray;
    // Scaled by the largest magnitude so that neither the squares of huge
    // entries overflow nor those of tiny ones vanish.
    double big = 0;
    for (int32_t i = 0; i < n; ++i) big = std::max(big, std::fabs(x[i]));
    if (big == 0 || !std::isfinite(big)) {
        *out = static_cast<double>(std::sqrt(orin::sumOfSquaresExtended(x, n)));
        return kErrNone;
    }
    extended s = 0;
    for (int32_t i = 0; i < n; ++i) {
        const extended r = x[i] / static_cast<extended>(big);
        s += r * r;
    }
    *out = static_cast<double>(big * std::sqrt(s));
    return kErrNone;
}

// A column that does not exist reads as NaN rather than outside a.
void IndexMatrixCol(const double *a, int32_t m, int32_t n, int32_t col, double *out) {
    if (col < 0 || col >= n) {
        for (int32_t i = 0; i < m; ++i) orin::writeNaN(&out[i]);
        return;
    }
    const orin::ConstMatrix A(a, m, n);
    for (ptrdiff_t i = 0; i < m; ++i) out[i] = A(i, col);
}
