// Internals shared by the linear-algebra routines, real and complex: matrix
// sizes and packed layouts, finiteness and scaling, the decompositions one
// family borrows from another, extended-precision complex sums, and the
// checks the square, packed and product entry points share.
#ifndef ORIN_LINALG_DETAIL_H
#define ORIN_LINALG_DETAIL_H

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include <orin/linalg.h>

#include "../frame/kit.h"

namespace orin::linalg {

// Element counts of matrices: int32 sides, products formed in 64 bits so that
// a product beyond the address space is refused rather than wrapped.
inline int64_t cells(int32_t rows, int32_t cols) { return static_cast<int64_t>(rows) * cols; }

// Offsets of the two packed layouts of an n x n triangle (column by column).
// Lower: column j holds rows j..n-1, starting at sum_{k<j}(n-k).
inline ptrdiff_t lowerColumn(ptrdiff_t n, ptrdiff_t j) { return j * n - j * (j - 1) / 2; }
inline ptrdiff_t lowerAt(ptrdiff_t n, ptrdiff_t i, ptrdiff_t j) { return lowerColumn(n, j) + (i - j); }
// Upper: column j holds rows 0..j, starting at j(j+1)/2.
inline ptrdiff_t upperAt(ptrdiff_t i, ptrdiff_t j) { return j * (j + 1) / 2 + i; }
inline int64_t packedCount(int32_t n) { return static_cast<int64_t>(n) * (n + 1) / 2; }
// -20003 for an order below 1; -20001 when the packed triangle of order n
// cannot be addressed.
inline int32_t checkPacked(int32_t n) {
    if (n < 1) return kErrEmptyArray;
    return packedCount(n) > INT32_MAX ? kErrOutOfMemory : kErrNone;
}

// sqrt(a^2 + b^2) as the larger magnitude times sqrt(1 + (smaller/larger)^2),
// free of intermediate overflow and underflow.
inline double radius(double a, double b) {
    const double x = std::fabs(a), y = std::fabs(b);
    if (x > y) {
        const double r = y / x;
        return x * std::sqrt(1.0 + r * r);
    }
    if (y == 0.0) return 0.0;
    const double r = x / y;
    return y * std::sqrt(1.0 + r * r);
}

// True when all count entries are finite (both parts, for complexnum).
template <class T>
bool allFinite(const T *x, int64_t count) {
    for (int64_t i = 0; i < count; ++i) {
        if constexpr (std::is_same_v<T, complexnum>) {
            if (!isFinite(x[i])) return false;
        } else if (!std::isfinite(x[i])) {
            return false;
        }
    }
    return true;
}

// Scales x (count finite values) by 2^-e, exactly, so that its largest
// magnitude lies in [1, 2), when that magnitude lies outside [2^-256, 2^256]
// (inside, products of two entries stay far from overflow and underflow and
// x is left as it is). Returns e (0 when nothing was scaled). The
// eigen-decompositions use it to be the same at every scale.
inline int powerOfTwoScale(double *x, int64_t count) {
    double largest = 0;
    for (int64_t i = 0; i < count; ++i) largest = std::max(largest, std::fabs(x[i]));
    if (largest == 0 || (largest >= 0x1p-256 && largest <= 0x1p256)) return 0;
    const int e = std::ilogb(largest);
    for (int64_t i = 0; i < count; ++i) x[i] = std::ldexp(x[i], -e);
    return e;
}

// Transposes an n x n row-major block in place.
inline void transposeSquare(double *a, ptrdiff_t n) {
    for (ptrdiff_t i = 0; i < n; ++i)
        for (ptrdiff_t j = i + 1; j < n; ++j) std::swap(a[i * n + j], a[j * n + i]);
}

// out (n x m) = transpose of a (m x n); a and out must not overlap.
inline void transposeInto(const double *a, ptrdiff_t m, ptrdiff_t n, double *out) {
    for (ptrdiff_t i = 0; i < m; ++i)
        for (ptrdiff_t j = 0; j < n; ++j) out[j * m + i] = a[i * n + j];
}

template <class T>
void copyCells(const T *from, int64_t count, T *to) {
    if (from != to && count > 0) std::memmove(to, from, static_cast<size_t>(count) * sizeof(T));
}

// Thin SVD of a tall p x q matrix (p >= q) held in a: U overwrites a, s gets
// the q singular values in descending order, v (q x q, may be null when
// wantVectors is false) gets V. Returns 0, -20001 or -20062.
int32_t singularValues(double *a, int32_t p, int32_t q, double *s, double *v, bool wantVectors);

// Symmetric eigen-decomposition in place (a becomes the eigenvector matrix
// when wantVectors). Returns 0, -20001 or -20062.
int32_t symmetricEigen(double *a, int32_t n, bool wantVectors, double *values);

// The LU factorisation of a copy of an n x n matrix, the matrix kept: the
// determinant, the condition number and the inverse factor a scratch copy.
// The inverse gives room for the copy in its own scratch block (one
// allocation fewer); otherwise the copy is allocated here.
struct LUCopy {
    Scratch<double> own;
    Scratch<int32_t> perm;
    double *factors = nullptr;
    int32_t parity = 0;

    // -20001 when the copy or the permutation cannot be had, else LUFactor's code.
    int32_t factor(const double *a, int32_t n, double *room = nullptr) {
        if (!room) {
            if (!own.allocate(cells(n, n))) return kErrOutOfMemory;
            room = own.data();
        }
        if (!perm.allocate(n)) return kErrOutOfMemory;
        factors = room;
        copyCells(a, cells(n, n), factors);
        return LUFactor(factors, n, perm.data(), &parity);
    }
};

// ---- Shared with the complex packed, Cholesky and determinant routines -----

// The order n of a packed triangle held in len elements: -20003 when len is
// below 1, -20040 when len is not a triangular number n(n+1)/2.
inline int32_t packedOrderOf(int32_t len, int32_t *n) {
    if (len < 1) return kErrEmptyArray;
    const int64_t order = std::llround((std::sqrt(8.0 * len + 1.0) - 1.0) / 2.0);
    if (packedCount(static_cast<int32_t>(order)) != len) return kErrNotSquare;
    *n = static_cast<int32_t>(order);
    return kErrNone;
}

// The checks every square-matrix entry point shares, for a 2D host array of
// any element type: -20003 when empty, -20001 when too large to address,
// -20040 when not square.
template <class Block>
int32_t checkSquare(const HostArray<Block> &a) {
    using Element = typename HostArray<Block>::Element;
    if (const int32_t shape = checkShape(a.rows(), a.cols(), sizeof(Element))) return shape;
    return requireSquare(a.rows(), a.cols());
}

// A complex sum or product kept in extended precision, rounded to a
// complexnum only when stored. Each product is formed from the extended
// parts, so every path that accumulates the same terms in the same order
// rounds alike.
struct ExtendedCx {
    extended re = 0, im = 0;

    ExtendedCx() = default;
    ExtendedCx(complexnum z) : re(z.re), im(z.im) {}

    // *this += a b
    void addProduct(complexnum a, complexnum b) {
        re += static_cast<extended>(a.re) * b.re - static_cast<extended>(a.im) * b.im;
        im += static_cast<extended>(a.re) * b.im + static_cast<extended>(a.im) * b.re;
    }
    // *this += conj(a) b
    void addConjProduct(complexnum a, complexnum b) {
        re += static_cast<extended>(a.re) * b.re + static_cast<extended>(a.im) * b.im;
        im += static_cast<extended>(a.re) * b.im - static_cast<extended>(a.im) * b.re;
    }
    // *this -= a b
    void subtractProduct(complexnum a, complexnum b) {
        re -= static_cast<extended>(a.re) * b.re - static_cast<extended>(a.im) * b.im;
        im -= static_cast<extended>(a.re) * b.im + static_cast<extended>(a.im) * b.re;
    }
    // *this *= z
    void multiply(complexnum z) {
        const extended r = re * z.re - im * z.im;
        im = re * z.im + im * z.re;
        re = r;
    }
    complexnum rounded() const { return {static_cast<double>(re), static_cast<double>(im)}; }
};

// The real twin of ExtendedCx, so that one template serves both elements.
// Its factors arrive as extended: taking doubles, the i386 build (doubles in
// SSE2) formed the product of the packed inverse's sums in double once this
// was inlined, one rounding more than the extended product.
struct ExtendedReal {
    extended value = 0;

    void addProduct(extended a, extended b) { value += a * b; }
    double rounded() const { return static_cast<double>(value); }
};

template <class T>
using ExtendedSum = std::conditional_t<std::is_same_v<T, complexnum>, ExtendedCx, ExtendedReal>;

// The element operations the real and complex templates differ by.
template <class T>
constexpr T one() {
    if constexpr (std::is_same_v<T, complexnum>) return {1, 0};
    else return 1;
}
inline double conjugate(double x) { return x; }
inline complexnum conjugate(complexnum z) { return orin::conj(z); }
inline double magnitude(double x) { return std::fabs(x); }
inline double magnitude(complexnum z) { return orin::abs(z); }
inline bool hasNaN(double x) { return std::isnan(x); }
inline bool hasNaN(complexnum z) { return std::isnan(z.re) || std::isnan(z.im); }
// True when any of count entries has a NaN (part).
template <class T>
bool anyNaN(const T *x, int64_t count) {
    for (int64_t i = 0; i < count; ++i)
        if (hasNaN(x[i])) return true;
    return false;
}
inline double largestPart(double x) { return std::fabs(x); }
inline double largestPart(complexnum z) { return std::max(std::fabs(z.re), std::fabs(z.im)); }
// |x / scale|^2 in extended precision.
inline extended scaledSquare(double x, double scale) {
    const extended r = x / static_cast<extended>(scale);
    return r * r;
}
inline extended scaledSquare(complexnum z, double scale) {
    const extended re = z.re / static_cast<extended>(scale), im = z.im / static_cast<extended>(scale);
    return re * re + im * im;
}

// Norms that need no decomposition: 1 largest column sum of magnitudes,
// 2 Frobenius (scaled by the largest part against overflow and underflow),
// 3 largest row sum. A NaN gives NaN: a real one carries through its sum
// (sign and payload kept), but a complex magnitude is hypot, which lets an
// infinite other part hide a NaN, so complex entries are looked at first.
template <class T>
double elementNorm(const T *a, int32_t m, int32_t n, int32_t code) {
    const int64_t count = cells(m, n);
    if ((std::is_same_v<T, complexnum> || code == 2) && anyNaN(a, count)) return std::nan("");
    if (code == 2) {
        double big = 0;
        for (int64_t i = 0; i < count; ++i) big = std::max(big, largestPart(a[i]));
        if (big == 0 || std::isinf(big)) return big;
        extended s = 0;
        for (int64_t i = 0; i < count; ++i) s += scaledSquare(a[i], big);
        return static_cast<double>(big * std::sqrt(s));
    }
    const MatrixRef<const T> A(a, m, n);
    const ptrdiff_t outer = code == 1 ? n : m, inner = code == 1 ? m : n;
    double best = 0;
    for (ptrdiff_t k = 0; k < outer; ++k) {
        extended s = 0;
        for (ptrdiff_t l = 0; l < inner; ++l) s += magnitude(code == 1 ? A(l, k) : A(k, l));
        const double d = static_cast<double>(s);
        if (std::isnan(d)) return d;
        best = std::max(best, d);
    }
    return best;
}

// What Norm and CondNumber, real and complex, do first, in this order: the
// result NaN until computed, -20003 for an empty matrix (-20001 for one too
// large to address), -20061 for a norm code outside 0..3.
template <class T>
int32_t startMeasure(double *out, int32_t m, int32_t n, int32_t normCode) {
    writeNaN(out);
    if (const int32_t shape = checkShape(m, n, sizeof(T))) return shape;
    return normCode < 0 || normCode > 3 ? kErrInvalidSelector : kErrNone;
}

// The norms that need no SVD: codes 1 to 3, and the 2-norm of a matrix with
// a non-finite entry (NaN wins over infinity). False when the SVD decides.
template <class T>
bool normWithoutSvd(const T *a, int32_t m, int32_t n, int32_t normCode, double *out) {
    if (normCode != 0) {
        *out = elementNorm(a, m, n, normCode);
        return true;
    }
    if (allFinite(a, cells(m, n))) return false;
    *out = anyNaN(a, cells(m, n)) ? std::nan("") : HUGE_VAL;
    return true;
}

// ---- Complex reflections and eigen-decompositions --------------------------

// sqrt(sum |x_i|^2) over len entries stride apart, summed in extended
// precision (no overflow or underflow of the squares); NaN or inf when an
// entry is.
double cxNorm2(const complexnum *x, ptrdiff_t len, ptrdiff_t stride = 1);

// Turns x (len, in place) into the vector v (v[0] = 1) of the Hermitian
// reflection H = I - tau v v^H with H x = beta e_0, beta = -e^(i arg x0) ||x||
// (Golub and Van Loan 5.1.13). False, x untouched, when ||x|| is 0 or not
// finite.
bool cxReflector(complexnum *x, ptrdiff_t len, double *tau, complexnum *beta);

// B <- H B (v has B.rows() entries; sums holds B.cols() values) and
// B <- B H (v has B.cols() entries).
void reflectRows(CxMatrix b, const complexnum *v, double tau, complexnum *sums);
void reflectColumns(CxMatrix b, const complexnum *v, double tau);

// The implicit QL iteration on a real symmetric tridiagonal (d, e with
// e[1..n-1] the sub-diagonal, e[0] unused), rotating the rows of zt (the
// transposed eigenvector matrix, null for values only). False after 30 steps
// on one eigenvalue.
bool tridiagonalQL(double *d, double *e, int32_t n, double *zt);

// Scales each column of the n x n matrix v to unit 2-norm with its component
// of largest magnitude real and positive (zero columns stay).
void normaliseEigenvectors(CxMatrix v);

// ---- Shared by the real and complex special matrices -----------------------

// The output shape SpecialMatrix_head and CxSpecialMatrix_head give each
// code: n x n (0), nx x nx (1, 3), nx x ny (2), (nx-1) x (nx-1) (4); -20061
// for any other code. The sides are the caller's to check.
inline int32_t specialShape(int32_t code, int32_t n, int32_t nx, int32_t ny, int32_t *rows, int32_t *cols) {
    switch (code) {
        case 0: *rows = *cols = n; return kErrNone;
        case 1:
        case 3: *rows = *cols = nx; return kErrNone;
        case 2: *rows = nx, *cols = ny; return kErrNone;
        case 4: *rows = *cols = nx - 1; return kErrNone;
        default: return kErrInvalidSelector;
    }
}

// The companion matrix of c[0] z^(m-1) + ... + c[m-1] (c[0] leading) into
// out, (m-1) x (m-1): zeros, ones on the sub-diagonal, then the first row
// -c[j+1]/c[0]. m = 1 writes nothing. T is double or complexnum.
template <class T>
int32_t companion(const T *c, int32_t m, T *out) {
    if (m < 1) return kErrEmptyArray;
    const int32_t k = m - 1;
    if (k == 0) return kErrNone;  // a constant polynomial has no roots: 0 x 0
    if (const int32_t shape = checkShape(k, k, sizeof(T))) return shape;
    std::fill_n(out, cells(k, k), T{});
    const MatrixRef<T> o(out, k, k);
    for (int32_t i = 0; i + 1 < k; ++i) o(i + 1, i) = one<T>();
    for (int32_t j = 0; j < k; ++j) o(0, j) = -(c[j + 1] / c[0]);
    return kErrNone;
}

// A product entry point whose output handle may be one of its operands:
// resizing that output first would overwrite what the product still reads,
// so an aliased product is formed in scratch of count elements (-20001 when
// refused) and copied over after the resize. compute(dest) forms the
// product, resize() sizes the output.
template <class View, class Resize, class Compute>
Outcome productInto(View &out, bool aliased, int64_t count, Resize resize, Compute compute) {
    if (!aliased) {
        ORIN_TRY(resize());
        return compute(out.data());
    }
    Scratch<typename View::Element> product(count);
    if (!product) return kErrOutOfMemory;
    ORIN_TRY(compute(product.data()));
    ORIN_TRY(resize());
    std::copy(product.begin(), product.end(), out.data());
    return kErrNone;
}

// The substitutions swap rows by a permutation's entries, so one that comes
// from the host must name rows of the matrix: an entry outside 0..n-1 would
// read and write outside b (or the inverse's columns). -20017 otherwise.
inline int32_t checkPermutation(const Int32ArrayView &perm, int32_t n) {
    const int32_t *p = perm.data();
    for (int32_t i = 0; i < perm.size(); ++i)
        if (p[i] < 0 || p[i] >= n) return kErrIndexOutOfRange;
    return kErrNone;
}

}  // namespace orin::linalg

// ---- Four extended sums in flight ------------------------------------------
//
// An x87 addition takes several cycles before its result can be added to
// again, so one running sum leaves the unit idle most of the time. These
// kernels advance four independent sums over the same index k together: each
// sum still takes its terms in index order and rounds exactly as it would
// alone (every partial sum stays in extended precision, and an extended
// value kept in memory between calls is stored whole), so the results are
// bit for bit those of four separate loops.
namespace orin::linalg {

// Four columns of width 4 interleaved: element (k, c) at p[4 k + c].
constexpr ptrdiff_t kLanes = 4;

// s[c] += x[k] p[ld k + c] (or -=, with kSubtract) for k = 0 .. len-1.
template <bool kSubtract = false>
inline void rowTimesLanes(const double *x, const double *p, ptrdiff_t len, extended *s, ptrdiff_t ld = kLanes) {
    extended s0 = s[0], s1 = s[1], s2 = s[2], s3 = s[3];
    for (ptrdiff_t k = 0; k < len; ++k, p += ld) {
        const extended xk = x[k];
        if constexpr (kSubtract) {
            s0 -= xk * p[0];
            s1 -= xk * p[1];
            s2 -= xk * p[2];
            s3 -= xk * p[3];
        } else {
            s0 += xk * p[0];
            s1 += xk * p[1];
            s2 += xk * p[2];
            s3 += xk * p[3];
        }
    }
    s[0] = s0;
    s[1] = s1;
    s[2] = s2;
    s[3] = s3;
}

// s[r] += rows[r][k] v[k] for the four rows r, k = 0 .. len-1.
inline void rowsTimesVector(const double *const *rows, const double *v, ptrdiff_t len, extended *s) {
    const double *r0 = rows[0], *r1 = rows[1], *r2 = rows[2], *r3 = rows[3];
    extended s0 = s[0], s1 = s[1], s2 = s[2], s3 = s[3];
    for (ptrdiff_t k = 0; k < len; ++k) {
        const extended vk = v[k];
        s0 += vk * r0[k];
        s1 += vk * r1[k];
        s2 += vk * r2[k];
        s3 += vk * r3[k];
    }
    s[0] = s0;
    s[1] = s1;
    s[2] = s2;
    s[3] = s3;
}

// y[j] += a x[j] (or -=, with kSubtract) for j < len; y and x do not overlap.
// Two elements per SSE2 operation (the kit's v2d), element for element the
// same one product and one sum as the plain loop, which the compiler's
// cheapest vectoriser leaves undone.
template <bool kSubtract = false>
inline void addScaled(double *y, const double *x, double a, ptrdiff_t len) {
    ptrdiff_t j = 0;
    const v2d aa = {a, a};
    for (; j + 2 <= len; j += 2) {
        if constexpr (kSubtract) store2(y + j, load2(y + j) - aa * load2(x + j));
        else store2(y + j, load2(y + j) + aa * load2(x + j));
    }
    for (; j < len; ++j) {
        if constexpr (kSubtract) y[j] -= a * x[j];
        else y[j] += a * x[j];
    }
}

}  // namespace orin::linalg

#endif  // ORIN_LINALG_DETAIL_H
